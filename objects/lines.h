#pragma once
// Lines through coloured nodes: poly-lines, segments, cubic and Bézier
// splines and NURBS curves, each node optionally marked by a small axes
// cross, wire cube or dodecahedron.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/gl_nodes.h"
#include "engine/vector_lists.h"
#include "objects/line_base.h"
#include "objects/line_spline_mode.h"
#include "objects/lines_geometry.h"
#include "objects/small_set.h"

class TGLNodedLines;

// A node with a colour of its own, given the line's node colour when made.
class TGLLinesNode : public TGLNode {
  CLIENT_DECLARE_CLASS(TGLLinesNode)
public:
  TGLLinesNode();
  ~TGLLinesNode() override;

  TGLColor* GetColor() const { return FColor.get(); }
  void SetColor(const TGLColor* value) { FColor->Assign(value); }
  // Stored only when it differs from the line's node colour.
  bool IsColorStored() const;

  // From another lines node: its coordinates and its colour; from any other
  // node its coordinates.
  void Assign(const TPersistent* source) override;

private:
  std::unique_ptr<TGLColor> FColor;
};

class TGLLinesNodes : public TGLNodes {
  CLIENT_DECLARE_CLASS(TGLLinesNodes)
public:
  // Items of `itemClass`, TGLLinesNode when null.
  explicit TGLLinesNodes(TPersistent* owner = nullptr, const TClassInfo* itemClass = nullptr);

  TGLLinesNode* GetItems(int index) const { return static_cast<TGLLinesNode*>(TGLNodes::GetItems(index)); }
  // The owner's node colour when the owner is a line with nodes, else blue.
  TVector4f DefaultNodeColor() const;

protected:
  void ItemCreated(TCollectionItem* item) override;
};

enum TLineNodesAspect : std::uint8_t { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };

class TGLNodedLines : public TGLLineBase {
  CLIENT_DECLARE_CLASS(TGLNodedLines)
public:
  explicit TGLNodedLines(TComponent* owner = nullptr);
  ~TGLNodedLines() override;

  TGLLinesNodes* GetNodes() const { return FNodes.get(); }
  // Copied into the own collection; always a change of structure.
  void SetNodes(const TGLLinesNodes* value);
  TLineNodesAspect GetNodesAspect() const { return FNodesAspect; }
  void SetNodesAspect(TLineNodesAspect value);
  // New nodes take it; nodes still of the former node colour follow a change.
  TGLColor* GetNodeColor() const { return FNodeColor.get(); }
  void SetNodeColor(const TGLColor* value);
  float GetNodeSize() const { return FNodeSize; }
  // Values not above 0 store 1.
  void SetNodeSize(float value);
  bool IsNodeSizeStored() const { return FNodeSize != 1.0f; }

  // Appends a node at the point.
  TGLLinesNode* AddNode(const TAffineVector& point);
  TGLLinesNode* AddNode(float x, float y, float z) { return AddNode(TAffineVector{x, y, z}); }
  // Positions and colours of the nodes in order.
  std::vector<LineNode> NodeData() const;

  // From lines with nodes: nodes, aspect, node colour; then the line style.
  void Assign(const TPersistent* source) override;
  // Per axis the largest absolute node coordinate.
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  // A change coming from the nodes is a change of structure.
  void NotifyChange(TObject* sender) override;

protected:
  // The node's marker at (x, y, z) in `colour`, by the nodes aspect.
  void DrawNodeMarker(TRenderContextInfo& rci, const TVector4f& colour, float x, float y, float z);
  // Every node's marker, blended unless the pass ignores blending.
  void DrawNodeMarkers(TRenderContextInfo& rci);

private:
  void NodeColorChanged();

  std::unique_ptr<TGLLinesNodes> FNodes;
  TLineNodesAspect FNodesAspect = lnaAxes;
  std::unique_ptr<TGLColor> FNodeColor;
  float FNodeSize = 1.0f;
  TVector4f FOldNodeColor = clrBlue;
};

enum TLinesOption : std::uint8_t { loUseNodeColorForLines };
using TLinesOptions = SmallSet<TLinesOption>;

class TGLLines : public TGLNodedLines {
  CLIENT_DECLARE_CLASS(TGLLines)
public:
  explicit TGLLines(TComponent* owner = nullptr);
  ~TGLLines() override;

  int GetDivision() const { return FDivision; }
  // At least 1.
  void SetDivision(int value);
  TLineSplineMode GetSplineMode() const { return FSplineMode; }
  void SetSplineMode(TLineSplineMode value);
  TLinesOptions GetOptions() const { return FOptions; }
  void SetOptions(TLinesOptions value);

  // The NURBS curve's order, sampling tolerance and knots. A curve is drawn
  // only when there are as many knots as nodes plus the order.
  int GetNURBSOrder() const { return FNURBSOrder; }
  void SetNURBSOrder(int value);
  float GetNURBSTolerance() const { return FNURBSTolerance; }
  void SetNURBSTolerance(float value);
  TSingleList* GetNURBSKnots() const { return FNURBSKnots.get(); }

  // From other lines: division and spline mode (not the options); then the
  // nodes and the line style.
  void Assign(const TPersistent* source) override;
  // Nothing with fewer than two nodes; the line in its style, then the
  // node markers.
  void BuildList(TRenderContextInfo& rci) override;

private:
  void DrawNurbsCurve(const std::vector<LineNode>& nodes);

  int FDivision = 10;
  TLineSplineMode FSplineMode = lsmLines;
  TLinesOptions FOptions;
  int FNURBSOrder = 0;
  float FNURBSTolerance = 50.0f;
  std::unique_ptr<TSingleList> FNURBSKnots;
};
