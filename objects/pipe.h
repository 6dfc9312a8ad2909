#pragma once
// A tube along a path of nodes: a ring of points around each node (or
// around points of a cubic spline through them), joined ring to ring by
// strips, optionally closed by disks at both ends. Each node can scale the
// radius and carry a colour fed to the GL colour material.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gl_color.h"
#include "objects/cube_geometry.h"
#include "objects/geometry_batch.h"
#include "objects/line_spline_mode.h"
#include "objects/lines.h"
#include "objects/polygon_base.h"
#include "objects/small_set.h"

class TGLPipeNode : public TGLNode {
  CLIENT_DECLARE_CLASS(TGLPipeNode)
public:
  TGLPipeNode();
  ~TGLPipeNode() override;

  float GetRadiusFactor() const { return FRadiusFactor; }
  void SetRadiusFactor(float value);
  bool IsRadiusFactorStored() const { return FRadiusFactor != 1.0f; }
  // Opaque black until set.
  TGLColor* GetColor() const { return FColor.get(); }
  void SetColor(const TGLColor* value) { FColor->Assign(value); }

  // "<the node's name> / rf = <factor to 3 decimals>".
  std::string GetDisplayName() const override;
  // From another pipe node: radius factor and colour; then the node's part.
  void Assign(const TPersistent* source) override;

private:
  float FRadiusFactor = 1.0f;
  std::unique_ptr<TGLColor> FColor;
};

class TGLPipeNodes : public TGLLinesNodes {
  CLIENT_DECLARE_CLASS(TGLPipeNodes)
public:
  explicit TGLPipeNodes(TPersistent* owner = nullptr) : TGLLinesNodes(owner, &TGLPipeNode::StaticClass()) {}
  TGLPipeNode* GetItems(int index) const { return static_cast<TGLPipeNode*>(TGLNodes::GetItems(index)); }
};

enum TPipePart : std::uint8_t { ppOutside, ppInside, ppStartDisk, ppStopDisk };
using TPipeParts = SmallSet<TPipePart>;
enum TPipeNodesColorMode : std::uint8_t { pncmNone, pncmEmission, pncmAmbient, pncmDiffuse, pncmAmbientAndDiffuse };

struct PipeNode {
  TAffineVector Position;
  float RadiusFactor = 1.0f;
  TVector4f Color{0, 0, 0, 1};
};

struct PipeShape {
  int Slices = 16;
  TPipeParts Parts{ppOutside};
  float Radius = 1.0f;
  TPipeNodesColorMode NodesColorMode = pncmNone;
  int Division = 10;
  TLineSplineMode SplineMode = lsmLines;
};

// Slices + 1 points around a centre in the plane across the direction (the
// last repeats the first), with unit normals away from the centre.
struct PipeRing {
  std::vector<TAffineVector> Positions;
  std::vector<TAffineVector> Normals;
  TVector4f Color{0, 0, 0, 1};
};
PipeRing MakePipeRing(const TAffineVector& centre, const TAffineVector& direction, float radiusFactor, float radius,
                      int slices);
// Turns `current` round its axis (by whole slices) to the place that
// matches `previous` best, when that is not where it is.
void UntwistPipeRing(const PipeRing& previous, PipeRing& current);

// The walls ring to ring (outside, then inside, after each ring), the
// start disk facing back and the stop disk facing forward; with a colour
// mode every vertex carries its ring's colour. Nothing without nodes.
GeometryBatches BuildPipeGeometry(const std::vector<PipeNode>& nodes, const PipeShape& shape);

class TGLPipe : public TGLPolygonBase {
  CLIENT_DECLARE_CLASS(TGLPipe)
public:
  explicit TGLPipe(TComponent* owner = nullptr);

  TGLPipeNodes* GetPipeNodes() const { return static_cast<TGLPipeNodes*>(GetNodes()); }
  TGLPipeNode* AddPipeNode(const TAffineVector& point);

  int GetSlices() const { return FShape.Slices; }
  // Values not above 0 are ignored.
  void SetSlices(int value);
  TPipeParts GetParts() const { return FShape.Parts; }
  void SetParts(TPipeParts value) { Store(FShape.Parts, value); }
  float GetRadius() const { return FShape.Radius; }
  void SetRadius(float value) { Store(FShape.Radius, value); }
  TPipeNodesColorMode GetNodesColorMode() const { return FShape.NodesColorMode; }
  void SetNodesColorMode(TPipeNodesColorMode value) { Store(FShape.NodesColorMode, value); }

  PipeShape Shape() const;
  GeometryBatches Geometry() const;
  // Slices, parts, radius and colour mode, then the nodes, division and
  // spline mode.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  PipeShape FShape;
};
