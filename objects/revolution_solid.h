#pragma once
// A profile (the nodes, a line in the x-y half plane) swept around the y
// axis between a start and a stop angle, optionally rising along y as it
// turns (a helix), closed by flat caps at both ends.

#include <cstdint>
#include <vector>

#include "objects/cube_geometry.h"
#include "objects/geometry_batch.h"
#include "objects/line_spline_mode.h"
#include "objects/polygon_base.h"
#include "objects/small_set.h"
#include "objects/tessellation.h"

enum TRevolutionSolidPart : std::uint8_t { rspOutside, rspInside, rspStartPolygon, rspStopPolygon };
using TRevolutionSolidParts = SmallSet<TRevolutionSolidPart>;

struct RevolutionShape {
  int Slices = 16;  // steps of a whole turn
  float StartAngle = 0.0f;
  float StopAngle = 360.0f;
  TNormalSmoothing Normals = nsFlat;
  float YOffsetPerTurn = 0.0f;
  TNormalDirection NormalDirection = ndOutside;
  TRevolutionSolidParts Parts{rspOutside};
  int Division = 10;
  TLineSplineMode SplineMode = lsmLines;
};

// The profile swept in round(Slices x range / turn) steps (at least one),
// the last column 0.1 % past the stop angle; one strip per profile segment
// and wall, inside walls first. Caps are the profile polygon at the start
// and the stop, facing away from the sweep (towards it inside out); they
// carry the texture coordinate (0, 0). Nothing for fewer than two nodes or
// a stop angle not above the start.
GeometryBatches BuildRevolutionGeometry(const std::vector<TAffineVector>& nodes, const RevolutionShape& shape);

// How many steps the sweep takes.
int RevolutionSteps(const RevolutionShape& shape);

class TGLRevolutionSolid : public TGLPolygonBase {
  CLIENT_DECLARE_CLASS(TGLRevolutionSolid)
public:
  explicit TGLRevolutionSolid(TComponent* owner = nullptr) : TGLPolygonBase(owner) {}

  int GetSlices() const { return FShape.Slices; }
  // Values not above 0 are ignored.
  void SetSlices(int value);
  float GetStartAngle() const { return FShape.StartAngle; }
  // Raises the stop angle to it when above.
  void SetStartAngle(float value);
  float GetStopAngle() const { return FShape.StopAngle; }
  // Lowers the start angle to it when below.
  void SetStopAngle(float value);
  bool IsStopAngleStored() const { return FShape.StopAngle != 360.0f; }
  TNormalSmoothing GetNormals() const { return FShape.Normals; }
  void SetNormals(TNormalSmoothing value) { Store(FShape.Normals, value); }
  float GetYOffsetPerTurn() const { return FShape.YOffsetPerTurn; }
  void SetYOffsetPerTurn(float value) { Store(FShape.YOffsetPerTurn, value); }
  TNormalDirection GetNormalDirection() const { return FShape.NormalDirection; }
  void SetNormalDirection(TNormalDirection value) { Store(FShape.NormalDirection, value); }
  TRevolutionSolidParts GetParts() const { return FShape.Parts; }
  void SetParts(TRevolutionSolidParts value) { Store(FShape.Parts, value); }

  RevolutionShape Shape() const;
  GeometryBatches Geometry() const;
  // Every property, then the nodes, division and spline mode.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  RevolutionShape FShape;
};
