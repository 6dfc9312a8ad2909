#include "objects/cube_geometry.h"

#include <cmath>

#include "engine/vector_geometry.h"

namespace {

struct FaceCorner {
  TTexPoint Tex;
  float X, Y, Z;  // signs of the half sizes
};

struct FaceRow {
  TCubePart Part;
  TAffineVector Normal;  // outward, before the normal direction
  FaceCorner Corners[4];
};

constexpr FaceRow kFaces[] = {
    {cpFront, {0, 0, 1}, {{{1, 1}, 1, 1, 1}, {{0, 1}, -1, 1, 1}, {{0, 0}, -1, -1, 1}, {{1, 0}, 1, -1, 1}}},
    {cpBack, {0, 0, -1}, {{{0, 1}, 1, 1, -1}, {{0, 0}, 1, -1, -1}, {{1, 0}, -1, -1, -1}, {{1, 1}, -1, 1, -1}}},
    {cpLeft, {-1, 0, 0}, {{{1, 1}, -1, 1, 1}, {{0, 1}, -1, 1, -1}, {{0, 0}, -1, -1, -1}, {{1, 0}, -1, -1, 1}}},
    {cpRight, {1, 0, 0}, {{{0, 1}, 1, 1, 1}, {{0, 0}, 1, -1, 1}, {{1, 0}, 1, -1, -1}, {{1, 1}, 1, 1, -1}}},
    {cpTop, {0, 1, 0}, {{{0, 1}, -1, 1, -1}, {{0, 0}, -1, 1, 1}, {{1, 0}, 1, 1, 1}, {{1, 1}, 1, 1, -1}}},
    {cpBottom, {0, -1, 0}, {{{0, 0}, -1, -1, -1}, {{1, 0}, 1, -1, -1}, {{1, 1}, 1, -1, 1}, {{0, 1}, -1, -1, 1}}},
};

}  // namespace

GeometryBatches BuildCubeGeometry(const CubeShape& shape) {
  const float n = shape.NormalDirection == ndOutside ? 1.0f : -1.0f;
  const float w = shape.Width * 0.5f, h = shape.Height * 0.5f, d = shape.Depth * 0.5f;
  GeometryBatch quads{PrimitiveKind::Quads, {}};
  for (const FaceRow& face : kFaces) {
    if (!shape.Parts.Contains(face.Part)) continue;
    const TAffineVector normal{face.Normal[0] * n, face.Normal[1] * n, face.Normal[2] * n};
    for (const FaceCorner& c : face.Corners) quads.Vertices.push_back({c.Tex, normal, {c.X * w, c.Y * h, c.Z * d}});
  }
  GeometryBatches batches;
  if (!quads.Vertices.empty()) batches.push_back(std::move(quads));
  return batches;
}

std::vector<std::array<TAffineVector, 4>> CubeFaceQuads(const CubeShape& shape) {
  const float w = shape.Width * 0.5f, h = shape.Height * 0.5f, d = shape.Depth * 0.5f;
  std::vector<std::array<TAffineVector, 4>> quads;
  for (const FaceRow& face : kFaces) {
    if (!shape.Parts.Contains(face.Part)) continue;
    std::array<TAffineVector, 4> q;
    for (int i = 0; i < 4; ++i) q[i] = {face.Corners[i].X * w, face.Corners[i].Y * h, face.Corners[i].Z * d};
    quads.push_back(q);
  }
  return quads;
}

std::optional<RayHit> CubeRayCast(const ObjectFrame& frame, float width, float height, float depth,
                                  const TVector4f& ray_start, const TVector4f& ray_vector) {
  const TAffineVector start = AffineVectorMake(frame.PointToLocal(ray_start));
  TAffineVector dir = AffineVectorMake(frame.VectorToLocal(ray_vector));
  NormalizeAffineVector(dir);
  if (AffineVectorIsNull(dir)) return std::nullopt;
  const float half[3] = {std::fabs(width) * 0.5f, std::fabs(height) * 0.5f, std::fabs(depth) * 0.5f};
  // A little slack so that a ray through an edge or a corner still finds
  // the face it crosses there.
  auto withinBox = [&](const TAffineVector& p) {
    for (int axis = 0; axis < 3; ++axis)
      if (std::fabs(p[axis]) > half[axis] * 1.0002f) return false;
    return true;
  };
  const bool inside = std::fabs(start[0]) < half[0] && std::fabs(start[1]) < half[1] && std::fabs(start[2]) < half[2];
  // Faces in the order -X, -Y, -Z, +X, +Y, +Z of their outward normals
  // (this order settles rays through edges); the ray enters a face moving
  // against its outward normal and leaves one moving along it.
  for (int k = 0; k < 6; ++k) {
    const int axis = k % 3;
    const float sign = k < 3 ? -1.0f : 1.0f;
    const float along = sign * dir[axis];  // dot(outward normal, direction)
    if (inside ? along <= 0.0f : along >= 0.0f) continue;
    const float t = (half[axis] - sign * start[axis]) / along;
    if (!(t >= 0.0f)) continue;
    const TAffineVector p = VectorAddScaled(start, dir, t);
    if (!withinBox(p)) continue;
    TAffineVector normal{0, 0, 0};
    normal[axis] = sign;
    RayHit hit;
    hit.Point = frame.PointToAbsolute(PointMake(p));
    hit.Normal = frame.NormalToAbsolute(normal);
    return hit;
  }
  return std::nullopt;
}
