#include "objects/disk_geometry.h"

#include <cmath>
#include <vector>

#include "engine/vector_geometry.h"
#include "objects/ring_table.h"

namespace {

// Start and sweep with the sweep made positive and at most one turn.
void NormaliseSector(float& start, float& sweep) {
  if (sweep > 360.0f) sweep = 360.0f;
  if (sweep < -360.0f) sweep = -360.0f;
  if (sweep < 0.0f) {
    start += sweep;
    sweep = -sweep;
  }
}

}  // namespace

bool DiskDrawn(const DiskShape& shape) {
  const float inner = shape.InnerRadius, outer = shape.OuterRadius;
  return shape.Slices >= 2 && shape.Loops >= 1 && outer > 0.0f && inner >= 0.0f && inner <= outer;
}

GeometryBatches BuildDiskGeometry(const DiskShape& shape) {
  GeometryBatches batches;
  if (!DiskDrawn(shape)) return batches;
  const float inner = shape.InnerRadius, outer = shape.OuterRadius;
  float start = shape.StartAngle, sweep = shape.SweepAngle;
  NormaliseSector(start, sweep);
  const int slices = shape.Slices;
  const RingTable ring = MakeRingTable(slices, start, sweep);
  const std::vector<double>&sines = ring.Sines, &cosines = ring.Cosines;
  const bool outside = shape.NormalDirection == ndOutside;
  const TAffineVector normal{0, 0, outside ? 1.0f : -1.0f};
  const float delta = (outer - inner) / static_cast<float>(shape.Loops);
  auto vertexAt = [&](float radius, int i) {
    const float s = static_cast<float>(sines[i]), c = static_cast<float>(cosines[i]);
    const float tex = radius / outer * 0.5f;
    return GeometryVertex{{tex * s + 0.5f, tex * c + 0.5f}, normal, {radius * s, radius * c, 0.0f}};
  };
  int rings = shape.Loops;
  if (inner == 0.0f) {
    // The innermost loop is a fan around the centre.
    rings = shape.Loops - 1;
    GeometryBatch fan{PrimitiveKind::TriangleFan, {}};
    fan.Vertices.push_back({{0.5f, 0.5f}, normal, {0, 0, 0}});
    const float radius = outer - delta * static_cast<float>(shape.Loops - 1);
    for (int k = 0; k <= slices; ++k) fan.Vertices.push_back(vertexAt(radius, outside ? slices - k : k));
    batches.push_back(std::move(fan));
  }
  for (int j = 0; j < rings; ++j) {
    const float low = outer - delta * static_cast<float>(j);
    const float high = outer - delta * static_cast<float>(j + 1);
    GeometryBatch strip{PrimitiveKind::QuadStrip, {}};
    strip.Vertices.reserve(2 * (static_cast<std::size_t>(slices) + 1));
    for (int i = 0; i <= slices; ++i) {
      strip.Vertices.push_back(vertexAt(outside ? low : high, i));
      strip.Vertices.push_back(vertexAt(outside ? high : low, i));
    }
    batches.push_back(std::move(strip));
  }
  return batches;
}

std::optional<RayHit> DiskRayCast(const ObjectFrame& frame, const DiskShape& shape, const TVector4f& ray_start,
                                  const TVector4f& ray_vector) {
  // Sizes the quadric refuses draw nothing, so nothing is there to hit.
  if (!DiskDrawn(shape)) return std::nullopt;
  const TVector4f start = frame.PointToLocal(ray_start);
  const TVector4f dir = frame.VectorToLocal(ray_vector);
  if (dir[2] == 0.0f) return std::nullopt;
  const float t = -start[2] / dir[2];
  if (!(t >= 0.0f)) return std::nullopt;
  const float x = start[0] + t * dir[0];
  const float y = start[1] + t * dir[1];
  const float d2 = x * x + y * y;
  if (shape.InnerRadius * shape.InnerRadius > d2 || shape.OuterRadius * shape.OuterRadius < d2) return std::nullopt;
  float sectorStart = shape.StartAngle, sweep = shape.SweepAngle;
  NormaliseSector(sectorStart, sweep);
  // A sector is hit only where it is drawn; the centre belongs to every one.
  if (sweep < 360.0f && d2 > 0.0f) {
    const float angle = RadToDeg(std::atan2(x, y));
    float rel = std::fmod(angle - sectorStart, 360.0f);
    if (rel < 0.0f) rel += 360.0f;
    if (rel > sweep) return std::nullopt;
  }
  RayHit hit;
  hit.Point = frame.PointToAbsolute({x, y, 0.0f, 1.0f});
  hit.Normal = frame.NormalToAbsolute(ZVector);
  return hit;
}
