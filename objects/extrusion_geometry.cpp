#include "objects/extrusion_geometry.h"

#include <cmath>

#include "engine/vector_geometry.h"

namespace {

class WallBuilder {
public:
  WallBuilder(const ExtrusionShape& shape, GeometryBatches& out) : shape_(shape), out_(out) {}

  // The walls of one loop, each segment swept with `swap`.
  void Loop(const ContourPoints& p, bool swap) {
    const std::size_t m = p.size();
    // A negative height turns every strip over; the normals follow.
    const bool turned = swap != (shape_.Height < 0);
    // The closing segment's normal, as its strip will have it.
    previous_ = turned ? EdgeNormal(p[0], p[m - 1]) : EdgeNormal(p[m - 1], p[0]);
    const float last = static_cast<float>(m - 1);
    for (std::size_t k = 0; k + 1 < m; ++k)
      Segment(p[k], p[k + 1], turned, static_cast<float>(k) / last, static_cast<float>(k + 1) / last);
    Segment(p[m - 1], p[0], turned, 1.0f, 0.0f);
  }

private:
  // Perpendicular to the segment in the plane, outwards for a loop that
  // runs counter-clockwise (and for a negative height, from the strip's
  // turned columns).
  TAffineVector EdgeNormal(const TAffineVector& a, const TAffineVector& b) const {
    TAffineVector n{b[1] - a[1], a[0] - b[0], 0};
    NormalizeAffineVector(n);
    return shape_.Height < 0 ? AffineVectorNegate(n) : n;
  }

  void Segment(const TAffineVector& a, const TAffineVector& b, bool swap, float ta, float tb) {
    const TAffineVector& c1 = swap ? b : a;
    const TAffineVector& c2 = swap ? a : b;
    const TAffineVector n = EdgeNormal(c1, c2);
    switch (shape_.Normals) {
      case nsFlat:
        previous_ = n;
        break;
      case nsSmooth:
        // A corner sharper than the smallest smooth angle stays sharp.
        if (AffineVectorDot(n, previous_) < shape_.MinSmoothAngleCos) previous_ = n;
        break;
      case nsNone:
        break;
    }
    // The column at A takes the kept normal.
    const TAffineVector n1 = swap ? n : previous_;
    const TAffineVector n2 = swap ? previous_ : n;
    previous_ = n;
    GeometryBatch strip{PrimitiveKind::TriangleStrip, {}};
    const float zStep = shape_.Height / static_cast<float>(shape_.Stacks);
    const float sStep = 1.0f / static_cast<float>(shape_.Stacks);
    for (int row = 0; row <= shape_.Stacks; ++row) {
      const float dz = static_cast<float>(row) * zStep, s = static_cast<float>(row) * sStep;
      strip.Vertices.push_back({{s, ta}, n1, {c1[0], c1[1], c1[2] + dz}});
      strip.Vertices.push_back({{s, tb}, n2, {c2[0], c2[1], c2[2] + dz}});
    }
    out_.push_back(std::move(strip));
  }

  const ExtrusionShape& shape_;
  GeometryBatches& out_;
  TAffineVector previous_{0, 0, 0};
};

}  // namespace

GeometryBatches BuildExtrusionWalls(std::span<const ContourPoints> outline, const ExtrusionShape& shape) {
  GeometryBatches walls;
  if (shape.Height == 0 || shape.Stacks < 1) return walls;
  const bool inward = shape.NormalDirection == ndInside;
  WallBuilder builder(shape, walls);
  if (shape.Parts.Contains(espInside))
    for (const ContourPoints& loop : outline)
      if (loop.size() >= 2) builder.Loop(loop, !inward);
  if (shape.Parts.Contains(espOutside))
    for (const ContourPoints& loop : outline)
      if (loop.size() >= 2) builder.Loop(loop, inward);
  return walls;
}

GeometryBatches BuildExtrusionCaps(std::span<const ContourPoints> outline, const ExtrusionShape& shape,
                                   const TAffineVector& normal) {
  GeometryBatches caps;
  if (outline.empty()) return caps;
  const bool inward = shape.NormalDirection == ndInside;
  // Which way each cap faces: away from the solid, the other way inside
  // out; with a negative height the cap at the height is the lower one.
  const bool topFacesAlong = inward == (shape.Height < 0);
  auto cap = [&](float dz, bool along) {
    GeometryBatches face = along ? TessellateFill(outline, &normal, false)
                                 : [&] {
                                     const TAffineVector back = AffineVectorNegate(normal);
                                     return TessellateFill(outline, &back, true);
                                   }();
    for (GeometryBatch& batch : face) {
      for (GeometryVertex& v : batch.Vertices) v.Position[2] += dz;
      caps.push_back(std::move(batch));
    }
  };
  if (shape.Parts.Contains(espStopPolygon)) cap(shape.Height, topFacesAlong);
  if (shape.Parts.Contains(espStartPolygon)) cap(0.0f, !topFacesAlong);
  return caps;
}
