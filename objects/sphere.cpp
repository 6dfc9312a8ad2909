#include "objects/sphere.h"

#include <algorithm>
#include <cmath>

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/vector_geometry.h"
#include "objects/geometry_emitter.h"
#include "objects/plane.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLSphere, TGLQuadricObject)
CLIENT_REGISTER_CLASS(TGLSphere);

void TGLSphere::SetRadius(float value) { Store(FShape.Radius, value); }
void TGLSphere::SetSlices(int value) { Store(FShape.Slices, std::max(value, 1)); }
void TGLSphere::SetStacks(int value) { Store(FShape.Stacks, std::max(value, 1)); }
void TGLSphere::SetTop(int value) { Store(FShape.Top, std::clamp(value, -90, 90)); }
void TGLSphere::SetBottom(int value) { Store(FShape.Bottom, std::clamp(value, -90, 90)); }
void TGLSphere::SetTopCap(TCapType value) { Store(FShape.TopCap, value); }
void TGLSphere::SetBottomCap(TCapType value) { Store(FShape.BottomCap, value); }

void TGLSphere::SetStart(int value) {
  value = std::clamp(value, 0, 360);
  CLIENT_ASSERT(value <= FShape.Stop);
  Store(FShape.Start, value);
}

void TGLSphere::SetStop(int value) {
  value = std::clamp(value, 0, 360);
  CLIENT_ASSERT(value >= FShape.Start);
  Store(FShape.Stop, value);
}

SphereShape TGLSphere::Shape() const {
  SphereShape shape = FShape;
  shape.NormalDirection = GetNormalDirection();
  return shape;
}

void TGLSphere::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSphere*>(source)) {
    // Fields, not setters: the angles may pass through an order that the
    // setters' Start <= Stop rule refuses.
    const SphereShape& s = other->FShape;
    FShape.Radius = s.Radius;
    FShape.Slices = s.Slices;
    FShape.Stacks = s.Stacks;
    FShape.Bottom = s.Bottom;
    FShape.Top = s.Top;
    FShape.Start = s.Start;
    FShape.Stop = s.Stop;
  }
  TGLQuadricObject::Assign(source);
}

TVector4f TGLSphere::AxisAlignedDimensionsUnscaled() const {
  const float r = std::fabs(FShape.Radius);
  return {r, r, r, 0};
}

bool TGLSphere::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                 TVector4f* intersectNormal) {
  const ObjectFrame frame{GetAbsoluteMatrix(), GetInvAbsoluteMatrix()};
  return ReportRayHit(SphereRayCast(frame, FShape.Radius, rayStart, rayVector), intersectPoint, intersectNormal);
}

std::unique_ptr<TGLSilhouette> TGLSphere::GenerateSilhouette(const TGLSilhouetteParameters& parameters) {
  // The silhouette styles: 0 omni-directional, 1 parallel.
  SilhouetteLightStyle style = SilhouetteLightStyle::Unknown;
  if (parameters.Style == 0) style = SilhouetteLightStyle::Omni;
  if (parameters.Style == 1) style = SilhouetteLightStyle::Parallel;
  const float extent = VectorLength(AxisAlignedDimensionsUnscaled());
  return MakeSilhouette(SphereSilhouette(parameters.SeenFrom, style, parameters.CappingRequired, FShape.Slices,
                                         FShape.Stacks, extent));
}

void TGLSphere::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  const bool inside = GetNormalDirection() == ndInside;
  gl.glPushAttrib(GL_POLYGON_BIT);
  if (inside) InvertGLFrontFace();
  // Positions come on the sphere of the radius and normals stay unit
  // length, so lighting needs no rescaling.
  EmitGeometry(BuildSphereGeometry(Shape()));
  if (inside) InvertGLFrontFace();
  gl.glPopAttrib();
}
