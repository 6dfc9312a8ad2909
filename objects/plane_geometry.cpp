#include "objects/plane_geometry.h"

#include <cmath>

PlaneTextureExtents PlaneTextureRange(const PlaneShape& shape) {
  if (shape.TileTexture)
    return {shape.XOffset, static_cast<float>(shape.XTiles) * shape.XScope + shape.XOffset, shape.YOffset,
            static_cast<float>(shape.YTiles) * shape.YScope + shape.YOffset};
  return {0.0f, shape.XScope, 0.0f, shape.YScope};
}

GeometryBatches BuildPlaneGeometry(const PlaneShape& shape) {
  const float hw = shape.Width * 0.5f;
  const float hh = shape.Height * 0.5f;
  const PlaneTextureExtents t = PlaneTextureRange(shape);
  const TAffineVector normal{0, 0, 1};
  GeometryBatches batches;
  if (shape.SingleQuad) {
    GeometryBatch quad{PrimitiveKind::Quads, {}};
    quad.Vertices = {{{t.S1, t.T1}, normal, {hw, hh, 0}},
                     {{t.S0, t.T1}, normal, {-hw, hh, 0}},
                     {{t.S0, t.T0}, normal, {-hw, -hh, 0}},
                     {{t.S1, t.T0}, normal, {hw, -hh, 0}}};
    batches.push_back(std::move(quad));
    return batches;
  }
  // Strips need a tile to divide by: without one the steps would be 0/0.
  if (shape.XTiles == 0 || shape.YTiles == 0) return batches;
  const float xTiles = static_cast<float>(shape.XTiles);
  const float yTiles = static_cast<float>(shape.YTiles);
  const float sx = (t.S1 - t.S0) / xTiles;
  const float sy = (t.T1 - t.T0) / yTiles;
  const float px = shape.Width / xTiles;
  const float py = shape.Height / yTiles;
  float y0 = -hh;
  float t0 = t.T0;
  batches.reserve(shape.YTiles);
  for (std::uint32_t y = 0; y < shape.YTiles; ++y) {
    const float y1 = static_cast<float>(y + 1) * py - hh;
    const float t1 = t.T0 + static_cast<float>(y + 1) * sy;
    GeometryBatch strip{PrimitiveKind::TriangleStrip, {}};
    strip.Vertices.reserve(2 * (static_cast<std::size_t>(shape.XTiles) + 1));
    for (std::uint32_t x = 0; x <= shape.XTiles; ++x) {
      const float s = t.S0 + static_cast<float>(x) * sx;
      const float px0 = static_cast<float>(x) * px - hw;
      strip.Vertices.push_back({{s, t1}, normal, {px0, y1, 0}});
      strip.Vertices.push_back({{s, t0}, normal, {px0, y0, 0}});
    }
    batches.push_back(std::move(strip));
    y0 = y1;
    t0 = t1;
  }
  return batches;
}

std::optional<RayHit> PlaneRayCast(const ObjectFrame& frame, float width, float height, const TVector4f& ray_start,
                                   const TVector4f& ray_vector) {
  const TVector4f start = frame.PointToLocal(ray_start);
  const TVector4f dir = frame.VectorToLocal(ray_vector);
  bool front;
  if (start[2] >= 0.0f && dir[2] < 0.0f)
    front = true;
  else if (start[2] < 0.0f && dir[2] > 0.0f)
    front = false;
  else
    return std::nullopt;
  const float t = start[2] / dir[2];
  const float x = start[0] - t * dir[0];
  const float y = start[1] - t * dir[1];
  if (!(std::fabs(x) <= 0.5f * width && std::fabs(y) <= 0.5f * height)) return std::nullopt;
  RayHit hit;
  hit.Normal = frame.AbsoluteDirection();
  if (!front) hit.Normal = {-hit.Normal[0], -hit.Normal[1], -hit.Normal[2], 0.0f};
  hit.Point = frame.PointToAbsolute({x, y, 0.0f, 1.0f});
  return hit;
}

SilhouetteGeometry PlaneSilhouette(float width, float height, bool capping) {
  const float w = width * 0.5f;
  const float h = height * 0.5f;
  SilhouetteGeometry s;
  s.Vertices = {{w, h, 0, 1}, {w, -h, 0, 1}, {-w, -h, 0, 1}, {-w, h, 0, 1}};
  s.Indices = {0, 1, 1, 2, 2, 3, 3, 0};
  if (capping) s.CapIndices = {0, 1, 2, 2, 3, 0};
  return s;
}
