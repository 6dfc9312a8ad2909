#include "objects/shared_shapes_geometry.h"

#include "engine/plane_geometry.h"

namespace {

GeometryVertex Point(float x, float y, float z) { return {{0, 0}, {0, 0, 0}, {x, y, z}}; }

}  // namespace

GeometryBatches WireCubeGeometry(float size) {
  const float h = 0.5f * size, m = -h;
  GeometryBatches batches(2);
  batches[0].Kind = PrimitiveKind::LineStrip;
  batches[0].Vertices = {Point(h, m, m), Point(h, h, m), Point(h, h, h), Point(h, m, h), Point(h, m, m),
                         Point(m, m, m), Point(m, m, h), Point(m, h, h), Point(m, h, m), Point(h, h, m)};
  batches[1].Kind = PrimitiveKind::Lines;
  batches[1].Vertices = {Point(h, h, h), Point(m, h, h), Point(m, m, m),
                         Point(m, h, m), Point(h, m, h), Point(m, m, h)};
  return batches;
}

GeometryBatches SolidDodecahedronGeometry() {
  // a = 0.3, b = a / phi, c = a * phi (phi the golden ratio).
  constexpr float a = 0.3f, b = 0.18541020f, c = 0.48541018f;
  static constexpr TAffineVector kVertices[20] = {
      {-c, 0, b}, {-c, 0, -b}, {c, 0, -b},  {c, 0, b},   {b, -c, 0},  {-b, -c, 0}, {-b, c, 0},
      {b, c, 0},  {0, b, -c},  {0, -b, -c}, {0, -b, c},  {0, b, c},   {-a, -a, a}, {-a, -a, -a},
      {a, -a, -a}, {a, -a, a}, {-a, a, a},  {-a, a, -a}, {a, a, -a},  {a, a, a}};
  static constexpr int kFaces[12][5] = {{0, 12, 10, 11, 16}, {1, 17, 8, 9, 13},  {2, 14, 9, 8, 18},
                                        {3, 19, 11, 10, 15}, {4, 14, 2, 3, 15},  {5, 12, 0, 1, 13},
                                        {6, 17, 1, 0, 16},   {7, 19, 3, 2, 18},  {8, 17, 6, 7, 18},
                                        {9, 14, 4, 5, 13},   {10, 12, 5, 4, 15}, {11, 19, 7, 6, 16}};
  GeometryBatches batches;
  batches.reserve(12);
  for (const auto& face : kFaces) {
    GeometryBatch fan{PrimitiveKind::TriangleFan, {}};
    const TAffineVector normal = CalcPlaneNormal(kVertices[face[0]], kVertices[face[1]], kVertices[face[2]]);
    for (int index : face) fan.Vertices.push_back({{0, 0}, normal, kVertices[index]});
    batches.push_back(std::move(fan));
  }
  return batches;
}
