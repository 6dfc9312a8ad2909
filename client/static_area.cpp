#include "client/static_area.h"

#include <algorithm>
#include <cmath>

#include "engine/effects.h"
#include "engine/fog_environment.h"
#include "engine/geometry_bb.h"
#include "engine/render_context_info.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "client/static_batches.h"
#include "objects/fire_effect.h"
#include "objects/sprite.h"

CLIENT_DEFINE_CLASS(TStaticArea, TGLDummyCube)

namespace {

void Include(TAABB& box, bool& any, const TAABB& part) {
  if (!any) box = part;
  else AddAABB(box, part);
  any = true;
}

void IncludeCube(TAABB& box, bool& any, const TVector4f& centre, float half) {
  const TAffineVector low{centre[0] - half, centre[1] - half, centre[2] - half};
  const TAffineVector high{centre[0] + half, centre[1] + half, centre[2] + half};
  Include(box, any, {low, high});
}

float LargestScale(TGLBaseSceneObject& object) {
  const TMatrix& m = object.GetAbsoluteMatrix();
  float largest = 0;
  for (int row = 0; row < 3; ++row)
    largest = std::max(largest, std::sqrt(m[row][0] * m[row][0] + m[row][1] * m[row][1] + m[row][2] * m[row][2]));
  return largest;
}

// How far the flames of a fire reach from its place: the particles start
// within the fire's radius and rise for their whole life, pushed by the
// initial speed, the burst and the fire's pull.
float FlameReach(const TGLFireFXManager& fire) {
  const float life = static_cast<float>(std::max(fire.GetParticleLife(), 0));
  const float speed = VectorLength(fire.GetInitialDir()->AsVector()) + std::fabs(fire.GetFireBurst());
  const float pull = VectorLength(fire.GetFireDir()->AsVector());
  return std::fabs(fire.GetFireRadius()) + std::fabs(fire.GetParticleSize()) + speed * life + pull * life * life / 2;
}

void Gather(TGLBaseSceneObject& object, TAABB& box, bool& any) {
  const TVector4f at = object.GetAbsolutePosition();
  if (auto* sprite = dynamic_cast<TGLSprite*>(&object)) {
    // A billboard turns to the camera: any turn of its quad.
    IncludeCube(box, any, at, std::hypot(sprite->GetWidth(), sprite->GetHeight()) / 2 * LargestScale(object));
  } else {
    TAABB own;
    SetAABB(own, object.AxisAlignedDimensionsUnscaled());
    AABBTransform(own, object.GetAbsoluteMatrix());
    Include(box, any, own);
  }
  if (const TGLObjectEffects* effects = object.GetEffectsIfAny())
    for (int i = 0; i < effects->GetCount(); ++i)
      if (const auto* fire = dynamic_cast<const TGLBFireFX*>(effects->GetObjectEffect(i)); fire && fire->GetManager())
        IncludeCube(box, any, at, FlameReach(*fire->GetManager()));
  for (int i = 0; i < object.GetCount(); ++i) Gather(*object.GetChild(i), box, any);
}

// The corner of the box farthest along the plane's normal is behind it.
bool Behind(const TVector4f& plane, const TAABB& box) {
  float value = plane[3];
  for (int k = 0; k < 3; ++k) value += plane[k] * (plane[k] >= 0 ? box.Max[k] : box.Min[k]);
  return value < 0;
}

}  // namespace

TStaticArea::TStaticArea(TComponent* owner) : TGLDummyCube(owner) { SetObjectsSorting(osRenderFarthestFirst); }

const TAABB& TStaticArea::Box() {
  if (FBoxValid) return FBox;
  bool any = false;
  FBox = TAABB{};
  for (int i = 0; i < GetCount(); ++i) Gather(*GetChild(i), FBox, any);
  if (!any) {
    const TVector4f at = GetAbsolutePosition();
    FBox = {{at[0], at[1], at[2]}, {at[0], at[1], at[2]}};
  }
  FBoxValid = true;
  return FBox;
}

bool TStaticArea::OutOfView(const TAABB& box, const TRenderContextInfo& rci) {
  const TFrustum& f = rci.rcci.frustum;
  for (const TVector4f* plane : {&f.pLeft, &f.pTop, &f.pRight, &f.pBottom, &f.pNear, &f.pFar})
    if (Behind(*plane, box)) return true;
  // Wholly past a linear fog's end along the view (the depth the fog is
  // taken at; a radial distance is never shorter): behind the plane facing
  // the camera at that depth.
  if (rci.buffer && rci.buffer->GetFogEnable() && rci.fogDisabledCounter == 0) {
    const TGLFogEnvironment& fog = *rci.buffer->GetFogEnvironment();
    if (fog.GetFogMode() == fmLinear && fog.GetFogEnd() > fog.GetFogStart()) {
      const TVector4f& d = rci.cameraDirection;
      const float offset = fog.GetFogEnd() + VectorDot(AffineVectorMake(d), AffineVectorMake(rci.cameraPosition));
      const TVector4f fogEnd{-d[0], -d[1], -d[2], offset};
      return Behind(fogEnd, box);
    }
  }
  return false;
}

TVector4f TStaticArea::BarycenterAbsolutePosition() {
  const TAABB& box = Box();
  return {(box.Min[0] + box.Max[0]) / 2, (box.Min[1] + box.Max[1]) / 2, (box.Min[2] + box.Max[2]) / 2, 1};
}

void TStaticArea::Render(TRenderContextInfo& rci) {
  FCulled = FCulling && GetVisible() && OutOfView(Box(), rci);
  if (FCulled) return;
  if (!FBatches || !FBatches->DrawsThisFrame()) {
    TGLDummyCube::Render(rci);
    return;
  }
  if (GetVisible()) FBatches->RenderLeftovers(*this, rci);
}

TGLBaseSceneObject* TStaticArea::AddChild(std::unique_ptr<TGLBaseSceneObject> child) {
  FBoxValid = false;
  return TGLDummyCube::AddChild(std::move(child));
}

TGLBaseSceneObject* TStaticArea::Insert(int index, std::unique_ptr<TGLBaseSceneObject> child) {
  FBoxValid = false;
  return TGLDummyCube::Insert(index, std::move(child));
}

std::unique_ptr<TGLBaseSceneObject> TStaticArea::Remove(TGLBaseSceneObject* child, bool keepChildren) {
  FBoxValid = false;
  return TGLDummyCube::Remove(child, keepChildren);
}

void TStaticArea::DeleteChildren() {
  FBoxValid = false;
  TGLDummyCube::DeleteChildren();
}
