#include "objects/sprite_geometry.h"

#include <cmath>

#include "engine/vector_geometry.h"

namespace {

// Unit length, or zero for a collapsed (or non-finite) axis.
TAffineVector UnitAxis(float x, float y, float z) {
  const float length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0.0f) || !std::isfinite(length)) return {0, 0, 0};
  return {x / length, y / length, z / length};
}

TAffineVector Combine(const TAffineVector& a, float fa, const TAffineVector& b, float fb) {
  return {a[0] * fa + b[0] * fb, a[1] * fa + b[1] * fb, a[2] * fa + b[2] * fb};
}

}  // namespace

std::array<GeometryVertex, 4> BuildSpriteQuad(const float (&m)[16], const SpriteShape& shape) {
  TAffineVector right = UnitAxis(m[0], m[4], m[8]);
  TAffineVector up = UnitAxis(m[1], m[5], m[9]);
  if (shape.Rotation != 0.0f) {
    // The unit axes turn first and are sized afterwards; turning the sized
    // axes would shear a sprite that is not square.
    float s, c;
    SinCos(DegToRad(shape.Rotation), s, c);
    const TAffineVector r = Combine(right, c, up, s);
    const TAffineVector u = Combine(right, -s, up, c);
    right = r;
    up = u;
  }
  const float hw = shape.Width * 0.5f;
  const float hh = shape.Height * 0.5f;
  const float ul = shape.MirrorU ? 1.0f : 0.0f, ur = 1.0f - ul;
  const float vb = shape.MirrorV ? 1.0f : 0.0f, vt = 1.0f - vb;
  const TAffineVector none{0, 0, 0};
  return {GeometryVertex{{ur, vt}, none, Combine(right, hw, up, hh)},
          GeometryVertex{{ul, vt}, none, Combine(right, -hw, up, hh)},
          GeometryVertex{{ul, vb}, none, Combine(right, -hw, up, -hh)},
          GeometryVertex{{ur, vb}, none, Combine(right, hw, up, -hh)}};
}
