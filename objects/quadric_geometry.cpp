#include "objects/quadric_geometry.h"

#include <cmath>
#include <vector>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "objects/disk_geometry.h"
#include "objects/ring_table.h"

namespace {

DiskShape QuadricDiskShape(double innerRadius, double outerRadius, int slices, int loops) {
  DiskShape disk;
  disk.InnerRadius = static_cast<float>(innerRadius);
  disk.OuterRadius = static_cast<float>(outerRadius);
  disk.Slices = slices;
  disk.Loops = loops;
  return disk;
}

}  // namespace

bool QuadricCylinderDrawn(double baseRadius, double topRadius, double height, int slices, int stacks) {
  return slices >= 2 && stacks >= 1 && baseRadius >= 0 && topRadius >= 0 && height >= 0 &&
         (baseRadius != topRadius || height != 0);
}

GeometryBatches QuadricCylinder(const QuadricStyle& style, double baseRadius, double topRadius, double height,
                                int slices, int stacks) {
  GeometryBatches batches;
  if (!QuadricCylinderDrawn(baseRadius, topRadius, height, slices, stacks)) return batches;
  const double deltaRadius = baseRadius - topRadius;
  const double length = std::sqrt(deltaRadius * deltaRadius + height * height);
  const double xyNormal = height / length;
  double zNormal = deltaRadius / length;
  const double sign = style.Orientation == ndInside ? -1.0 : 1.0;
  zNormal *= sign;
  const RingTable ring = MakeRingTable(slices);
  const std::vector<double>&sines = ring.Sines, &cosines = ring.Cosines;
  // Flat faces take the normal halfway between their edges.
  const RingTable faces = MakeRingTable(slices, -180.0 / slices);
  const RingTable& normalRing = style.Normals == nsFlat ? faces : ring;
  std::vector<TAffineVector> normals(sines.size());
  for (int i = 0; i <= slices; ++i)
    normals[i] = {static_cast<float>(sign * xyNormal * normalRing.Sines[i]),
                  static_cast<float>(sign * xyNormal * normalRing.Cosines[i]), static_cast<float>(zNormal)};
  const bool outside = style.Orientation == ndOutside;
  for (int j = 0; j < stacks; ++j) {
    const double zLow = j * height / stacks, zHigh = (j + 1) * height / stacks;
    const double rLow = baseRadius - deltaRadius * (static_cast<float>(j) / stacks);
    const double rHigh = baseRadius - deltaRadius * (static_cast<float>(j + 1) / stacks);
    const float tLow = static_cast<float>(j) / static_cast<float>(stacks);
    const float tHigh = static_cast<float>(j + 1) / static_cast<float>(stacks);
    GeometryBatch strip{PrimitiveKind::QuadStrip, {}};
    strip.Vertices.reserve(2 * sines.size());
    for (int i = 0; i <= slices; ++i) {
      const float s = 1.0f - static_cast<float>(i) / static_cast<float>(slices);
      const GeometryVertex low{{s, tLow},
                               normals[i],
                               {static_cast<float>(rLow * sines[i]), static_cast<float>(rLow * cosines[i]),
                                static_cast<float>(zLow)}};
      const GeometryVertex high{{s, tHigh},
                                normals[i],
                                {static_cast<float>(rHigh * sines[i]), static_cast<float>(rHigh * cosines[i]),
                                 static_cast<float>(zHigh)}};
      strip.Vertices.push_back(outside ? low : high);
      strip.Vertices.push_back(outside ? high : low);
    }
    batches.push_back(std::move(strip));
  }
  return batches;
}

bool QuadricDiskDrawn(double innerRadius, double outerRadius, int slices, int loops) {
  return DiskDrawn(QuadricDiskShape(innerRadius, outerRadius, slices, loops));
}

GeometryBatches QuadricDisk(const QuadricStyle& style, double innerRadius, double outerRadius, int slices, int loops) {
  DiskShape disk = QuadricDiskShape(innerRadius, outerRadius, slices, loops);
  disk.NormalDirection = style.Orientation;
  return BuildDiskGeometry(disk);
}

void TransformBatches(GeometryBatches& batches, const TMatrix& matrix) {
  for (GeometryBatch& batch : batches)
    for (GeometryVertex& v : batch.Vertices) {
      v.Position = AffineVectorMake(VectorTransform(PointMake(v.Position), matrix));
      v.Normal = AffineVectorMake(VectorTransform(VectorMakeFromAffine(v.Normal, 0.0f), matrix));
    }
}

void AppendBatches(GeometryBatches& batches, GeometryBatches&& more) {
  batches.insert(batches.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

TMatrix QuadricZToY() {
  // Rows are the images of x, y and z.
  return TMatrix{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}};
}
