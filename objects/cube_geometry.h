#pragma once
// Geometry of the box with selectable faces: the quads it draws, the quads
// its silhouette is built from, and its ray cast.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "objects/geometry_batch.h"
#include "objects/small_set.h"

enum TCubePart : std::uint8_t { cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight };
using TCubeParts = SmallSet<TCubePart>;
inline constexpr TCubeParts AllCubeParts{cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight};

enum TNormalDirection : std::uint8_t { ndInside, ndOutside };
enum TNormalSmoothing : std::uint8_t { nsFlat, nsSmooth, nsNone };

struct CubeShape {
  float Width = 1.0f;
  float Height = 1.0f;
  float Depth = 1.0f;
  TCubeParts Parts = AllCubeParts;
  TNormalDirection NormalDirection = ndOutside;
};

// The faces in drawing order (front, back, left, right, top, bottom), each
// with its own normal; the winding stays the same inside out, only the
// normals turn.
GeometryBatches BuildCubeGeometry(const CubeShape& shape);

// The corners of each drawn face in the drawing order, as the silhouette's
// connectivity takes them.
std::vector<std::array<TAffineVector, 4>> CubeFaceQuads(const CubeShape& shape);

// The first face the ray enters, in front of the start (t >= 0); a start
// inside the box gives the face through which the ray leaves it. The
// normal is the outward normal of that face.
std::optional<RayHit> CubeRayCast(const ObjectFrame& frame, float width, float height, float depth,
                                  const TVector4f& ray_start, const TVector4f& ray_vector);
