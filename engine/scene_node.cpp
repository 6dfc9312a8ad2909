#include "engine/scene_node.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "engine/behaviour.h"
#include "engine/binary_filer.h"
#include "engine/camera.h"
#include "engine/effects.h"
#include "engine/light_source.h"
#include "engine/matrix_geometry.h"
#include "engine/plane_geometry.h"
#include "engine/geometry_bb.h"
#include "engine/scene.h"
#include "engine/silhouette.h"
#include "engine/streams.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLBaseSceneObject, TGLUpdateAbleComponent)
CLIENT_DEFINE_CLASS(TGL3DSceneRootObject, TGLBaseSceneObject)

namespace {

// Pick ids: a GL name is 32 bits, an address is not.
struct PickIds {
  std::unordered_map<std::uint32_t, TGLBaseSceneObject*> objects;
  std::uint32_t next = 1;

  std::uint32_t Take(TGLBaseSceneObject* object) {
    while (next == 0 || objects.count(next)) ++next;
    const std::uint32_t id = next++;
    objects.emplace(id, object);
    return id;
  }
};

PickIds& Picks() {
  static PickIds ids;
  return ids;
}

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string> CollectionData(const TXCollection* collection) {
  if (!collection || collection->GetCount() == 0) return std::nullopt;
  TStringStream stream;
  TBinaryWriter writer(stream);
  collection->WriteToFiler(writer);
  return stream.DataString();
}

// Read into a fresh collection so that damaged data leaves the old one.
template <class Collection>
std::unique_ptr<Collection> CollectionFromData(TGLBaseSceneObject* owner, const std::string& data) {
  auto fresh = std::make_unique<Collection>(owner);
  TStringStream stream(data);
  TBinaryReader reader(stream);
  fresh->ReadFromFiler(reader);
  return fresh;
}

TAffineVector Affine(const TVector4f& v) { return {v[0], v[1], v[2]}; }

// The pitch or turn angle of a direction, folded into -180..180 as the
// stored rotation angles expect.
float FoldAngle(float r, const TVector4f& direction) {
  if (direction[0] < 0) r = direction[1] < 0 ? 180.0f - r : -180.0f - r;
  return r;
}

}  // namespace

TGLBaseSceneObject::TGLBaseSceneObject(TComponent* owner)
    : TGLUpdateAbleComponent(owner),
      FPosition(std::make_unique<TGLCoordinates>(this, NullHmgPoint, csPoint)),
      FDirection(std::make_unique<TGLCoordinates>(this, ZHmgVector, csVector)),
      FUp(std::make_unique<TGLCoordinates>(this, YHmgVector, csVector)),
      FScaling(std::make_unique<TGLCoordinates>(this, XYZHmgVector, csVector)),
      FRotation(std::make_unique<TGLCoordinates>(this, NullHmgVector, csVector)) {
  FPickId = Picks().Take(this);
}

TGLBaseSceneObject::~TGLBaseSceneObject() {
  TellWatcher(TSceneObjectChange::Gone);
  FWatcher = nullptr;
  MarkDestroying();
  FreeCameraDescendants();
  FListHandle.reset();
  FEffects.reset();
  FBehaviours.reset();
  if (FParent) {
    // Someone freed a node that still has a parent: the parent lets go of
    // it without freeing it again.
    std::unique_ptr<TGLBaseSceneObject> self = FParent->Remove(this, false);
    self.release();
  }
  DeleteChildren();
  Picks().objects.erase(FPickId);
}

// --- Hierarchy ---------------------------------------------------------------

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChild(const TClassInfo& objectClass) {
  auto child = CreateInstanceAs<TGLBaseSceneObject>(objectClass);
  child->SetOwnerComponent(this);
  return AddChild(std::move(child));
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChildFirst(const TClassInfo& objectClass) {
  auto child = CreateInstanceAs<TGLBaseSceneObject>(objectClass);
  child->SetOwnerComponent(this);
  return Insert(0, std::move(child));
}

TGLBaseSceneObject* TGLBaseSceneObject::AttachChild(int index, std::unique_ptr<TGLBaseSceneObject> child,
                                                    bool transformSelf) {
  CLIENT_ASSERT(child != nullptr);
  CLIENT_ASSERT(child.get() != this);
  if (child->FParent) {
    std::unique_ptr<TGLBaseSceneObject> same = child->FParent->Remove(child.get(), false);
    same.release();
  }
  TGLBaseSceneObject* raw = child.release();
  index = std::clamp(index, 0, GetCount());
  FChildren.insert(FChildren.begin() + index, raw);
  raw->FParent = this;
  if (raw->FScene != FScene) raw->SetScene(FScene);
  if (FScene) FScene->RegisterLightsOf(raw);
  // The child may come from another parent with fresh matrices of its
  // own: its whole subtree must be recomputed under this one.
  raw->InvalidateAbsoluteMatrices(true);
  if (transformSelf)
    TransformationChanged();
  else
    raw->TransformationChanged();
  NotifyChange(this);
  return raw;
}

TGLBaseSceneObject* TGLBaseSceneObject::AddChild(std::unique_ptr<TGLBaseSceneObject> child) {
  return AttachChild(GetCount(), std::move(child), true);
}

TGLBaseSceneObject* TGLBaseSceneObject::Insert(int index, std::unique_ptr<TGLBaseSceneObject> child) {
  return AttachChild(index, std::move(child), false);
}

std::unique_ptr<TGLBaseSceneObject> TGLBaseSceneObject::Remove(TGLBaseSceneObject* child, bool keepChildren) {
  auto it = std::find(FChildren.begin(), FChildren.end(), child);
  if (it == FChildren.end()) return nullptr;
  if (FScene) FScene->UnregisterLightsOf(child);
  FChildren.erase(it);
  child->FParent = nullptr;
  std::unique_ptr<TGLBaseSceneObject> owned(child);
  if (keepChildren) {
    BeginUpdate();
    while (child->GetCount() > 0) child->GetChild(0)->MoveTo(this);
    EndUpdate();
  } else {
    NotifyChange(this);
  }
  return owned;
}

std::unique_ptr<TGLBaseSceneObject> TGLBaseSceneObject::MoveTo(TGLBaseSceneObject* newParent) {
  CLIENT_ASSERT(newParent != this);
  std::unique_ptr<TGLBaseSceneObject> self = FParent ? FParent->Remove(this, false) : nullptr;
  if (newParent) {
    if (self)
      newParent->AddChild(std::move(self));
    else {
      // A detached node has no owner to take it from: whoever holds it
      // keeps it, so it cannot be moved into a tree this way.
      CLIENT_ASSERT(false, "MoveTo of a node without a parent");
    }
    return nullptr;
  }
  SetScene(nullptr);
  return self;
}

std::unique_ptr<TGLBaseSceneObject> TGLBaseSceneObject::Detach() {
  if (!FParent) return nullptr;
  return FParent->Remove(this, false);
}

void TGLBaseSceneObject::DeleteChildren() {
  if (!FChildren.empty()) TellWatcher(TSceneObjectChange::Shape);
  FreeCameraDescendants();
  if (FScene)
    for (TGLBaseSceneObject* child : FChildren) FScene->UnregisterLightsOf(child);
  while (!FChildren.empty()) {
    TGLBaseSceneObject* child = FChildren.back();
    FChildren.pop_back();
    child->FParent = nullptr;
    delete child;
  }
}

void TGLBaseSceneObject::FreeCameraDescendants() {
  for (size_t i = 0; i < FChildren.size();) {
    TGLBaseSceneObject* child = FChildren[i];
    child->FreeCameraDescendants();
    if (child->Is<TGLCamera>()) {
      Remove(child, true);  // the camera's children stay, the camera goes
      continue;
    }
    ++i;
  }
}

TGLBaseSceneObject* TGLBaseSceneObject::GetChild(int index) const {
  CLIENT_ASSERT(index >= 0 && index < GetCount(), "Invalid list index");
  return FChildren[static_cast<size_t>(index)];
}

int TGLBaseSceneObject::GetIndex() const {
  if (!FParent) return -1;
  const auto& list = FParent->FChildren;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TGLBaseSceneObject::SetIndex(int newIndex) {
  if (!FParent) return;
  newIndex = std::clamp(newIndex, 0, FParent->GetCount() - 1);
  const int current = GetIndex();
  if (newIndex == current) return;
  TGL3DScene* scene = FScene;
  if (scene) scene->BeginUpdate();
  TGLBaseSceneObject* parent = FParent;
  auto& list = parent->FChildren;
  list.erase(list.begin() + current);
  list.insert(list.begin() + newIndex, this);
  TransformationChanged();
  parent->NotifyChange(parent);
  if (scene) scene->EndUpdate();
}

void TGLBaseSceneObject::SetScene(TGL3DScene* scene) {
  if (scene == FScene) return;
  DestroyHandles();
  SetSceneRecursive(scene);
}

void TGLBaseSceneObject::SetSceneRecursive(TGL3DScene* scene) {
  FScene = scene;
  for (TGLBaseSceneObject* child : FChildren) child->SetSceneRecursive(scene);
}

TGLBaseSceneObject* TGLBaseSceneObject::FindChild(const std::string& name, bool ownChildrenOnly) const {
  TGLBaseSceneObject* candidate = nullptr;
  for (TGLBaseSceneObject* child : FChildren)
    if (SameTextAscii(child->GetName(), name)) {
      candidate = child;
      break;
    }
  if (!ownChildrenOnly)
    for (TGLBaseSceneObject* child : FChildren)
      if (TGLBaseSceneObject* deeper = child->FindChild(name, false)) return deeper;
  return candidate;
}

void TGLBaseSceneObject::GetChildren(const std::function<void(TGLBaseSceneObject*)>& proc) const {
  for (TGLBaseSceneObject* child : FChildren) proc(child);
}

void TGLBaseSceneObject::SetParentComponent(TComponent* value) {
  std::unique_ptr<TGLBaseSceneObject> self = Detach();
  if (auto* scene = dynamic_cast<TGL3DScene*>(value)) {
    TGLBaseSceneObject* root = Is<TGLCamera>() ? scene->GetCameras() : scene->GetObjects();
    CLIENT_ASSERT(self != nullptr, "SetParentComponent of a node without a parent");
    root->AddChild(std::move(self));
  } else if (auto* object = dynamic_cast<TGLBaseSceneObject*>(value)) {
    CLIENT_ASSERT(self != nullptr, "SetParentComponent of a node without a parent");
    object->AddChild(std::move(self));
  } else {
    SetScene(nullptr);
    self.release();  // held by whoever created it
  }
}

void TGLBaseSceneObject::SetChildOrder(TComponent* child, int order) {
  auto* object = dynamic_cast<TGLBaseSceneObject*>(child);
  if (object && object->FParent == this) object->SetIndex(order);
}

// --- Transformation ------------------------------------------------------------

void TGLBaseSceneObject::SetPosition(const TGLCoordinates* value) {
  if (value) FPosition->SetPoint(value->GetX(), value->GetY(), value->GetZ());
}

void TGLBaseSceneObject::SetDirection(const TGLCoordinates* value) {
  if (value && !VectorIsNull(value->AsVector())) FDirection->SetVector(value->GetX(), value->GetY(), value->GetZ());
}

void TGLBaseSceneObject::SetUp(const TGLCoordinates* value) {
  if (value && !VectorIsNull(value->AsVector())) FUp->SetVector(value->GetX(), value->GetY(), value->GetZ());
}

void TGLBaseSceneObject::SetScale(const TGLCoordinates* value) {
  if (!value) return;
  FScaling->SetDirectVector(value->AsVector());
  TransformationChanged();
}

void TGLBaseSceneObject::SetRotation(const TGLCoordinates* value) {
  if (value) FRotation->SetAsVector(value->AsVector());
}

void TGLBaseSceneObject::Move(float distance) {
  FPosition->AddScaledVector(distance, FDirection->AsVector());
  TransformationChanged();
}

void TGLBaseSceneObject::RotateBoth(const TAffineVector& axis, float angleDegrees) {
  const float radians = DegToRad(angleDegrees);
  TAffineVector up = VectorRotateAroundAxis(FUp->GetAsAffineVector(), axis, radians);
  TAffineVector direction = VectorRotateAroundAxis(FDirection->GetAsAffineVector(), axis, radians);
  NormalizeAffineVector(up);
  NormalizeAffineVector(direction);
  FUp->SetDirectVector(VectorMakeFromAffine(up));
  FDirection->SetDirectVector(VectorMakeFromAffine(direction));
}

void TGLBaseSceneObject::Pitch(float angle) {
  FIsCalculating = true;
  RotateBoth(Affine(GetRightVector()), -angle);
  const TVector4f& d = FDirection->AsVector();
  float r = -RadToDeg(std::atan2(d[1], std::sqrt(d[0] * d[0] + d[2] * d[2])));
  FRotation->SetDirectVector({FoldAngle(r, d), FRotation->GetY(), FRotation->GetZ(), FRotation->GetW()});
  FIsCalculating = false;
  TransformationChanged();
}

void TGLBaseSceneObject::Turn(float angle) {
  FIsCalculating = true;
  RotateBoth(FUp->GetAsAffineVector(), angle);
  const TVector4f& d = FDirection->AsVector();
  float r = -RadToDeg(std::atan2(d[0], std::sqrt(d[1] * d[1] + d[2] * d[2])));
  FRotation->SetDirectVector({FRotation->GetX(), FoldAngle(r, d), FRotation->GetZ(), FRotation->GetW()});
  FIsCalculating = false;
  TransformationChanged();
}

void TGLBaseSceneObject::Roll(float angle) { SetRollAngle(GetRollAngle() + angle); }

void TGLBaseSceneObject::SetPitchAngle(float angle) {
  FIsCalculating = true;
  if (angle != GetPitchAngle() && !IsLoading()) RotateBoth(Affine(GetRightVector()), GetPitchAngle() - angle);
  TVector4f r = FRotation->AsVector();
  r[0] = NormalizeDegAngle(angle);
  FRotation->SetDirectVector(r);
  FIsCalculating = false;
  TransformationChanged();
}

void TGLBaseSceneObject::SetTurnAngle(float angle) {
  FIsCalculating = true;
  if (angle != GetTurnAngle() && !IsLoading()) RotateBoth(FUp->GetAsAffineVector(), GetTurnAngle() - angle);
  TVector4f r = FRotation->AsVector();
  r[1] = NormalizeDegAngle(angle);
  FRotation->SetDirectVector(r);
  FIsCalculating = false;
  TransformationChanged();
}

void TGLBaseSceneObject::SetRollAngle(float angle) {
  FIsCalculating = true;
  if (angle != GetRollAngle() && !IsLoading())
    RotateBoth(FDirection->GetAsAffineVector(), GetRollAngle() - angle);
  TVector4f r = FRotation->AsVector();
  r[2] = NormalizeDegAngle(angle);
  FRotation->SetDirectVector(r);
  FIsCalculating = false;
  TransformationChanged();
}

void TGLBaseSceneObject::SetMatrix(const TMatrix& m) {
  FLocalMatrix = m;
  FDirection->SetDirectVector(VectorNormalized(m[2]));
  FUp->SetDirectVector(VectorNormalized(m[1]));
  FScaling->SetDirectVector({VectorLength(m[0]), VectorLength(m[1]), VectorLength(m[2]), 0.0f});
  FPosition->SetDirectVector({m[3][0], m[3][1], m[3][2], 1.0f});
  // The matrix stands as given until the next change of a vector.
  FChanges &= static_cast<TObjectChangeFlags>(~ocfTransformation);
  FChanges |= ocfAbsoluteMatrix | ocfInvAbsoluteMatrix;
  InvalidateAbsoluteMatrices(true);
  NotifyChange(this);
}

void TGLBaseSceneObject::RebuildMatrix() {
  if (!(FChanges & ocfTransformation)) return;
  const TVector4f& d = FDirection->AsVector();
  const TVector4f& u = FUp->AsVector();
  const TVector4f& s = FScaling->AsVector();
  FLocalMatrix[0] = VectorScale(VectorCross(u, d), s[0]);
  FLocalMatrix[1] = VectorScale(u, s[1]);
  FLocalMatrix[2] = VectorScale(d, s[2]);
  FLocalMatrix[0][3] = FLocalMatrix[1][3] = FLocalMatrix[2][3] = 0.0f;
  FLocalMatrix[3] = {FPosition->GetX(), FPosition->GetY(), FPosition->GetZ(), 1.0f};
  FChanges &= static_cast<TObjectChangeFlags>(~ocfTransformation);
  FChanges |= ocfAbsoluteMatrix | ocfInvAbsoluteMatrix;
}

const TMatrix& TGLBaseSceneObject::GetMatrix() {
  RebuildMatrix();
  return FLocalMatrix;
}

const TMatrix& TGLBaseSceneObject::GetAbsoluteMatrix() {
  if (FChanges & (ocfAbsoluteMatrix | ocfTransformation)) {
    RebuildMatrix();
    if (FParent && !FParent->Is<TGL3DSceneRootObject>())
      MatrixMultiply(FLocalMatrix, FParent->GetAbsoluteMatrix(), FAbsoluteMatrix);
    else
      FAbsoluteMatrix = FLocalMatrix;
    FChanges &= static_cast<TObjectChangeFlags>(~ocfAbsoluteMatrix);
    FChanges |= ocfInvAbsoluteMatrix;
  }
  return FAbsoluteMatrix;
}

const TMatrix& TGLBaseSceneObject::GetInvAbsoluteMatrix() {
  if (FChanges & (ocfInvAbsoluteMatrix | ocfAbsoluteMatrix | ocfTransformation)) {
    if (VectorEquals(FScaling->AsVector(), XYZHmgVector)) {
      RebuildMatrix();
      const TMatrix localInverse = AnglePreservingMatrixInvert(FLocalMatrix);
      if (FParent && !FParent->Is<TGL3DSceneRootObject>())
        MatrixMultiply(FParent->GetInvAbsoluteMatrix(), localInverse, FInvAbsoluteMatrix);
      else
        FInvAbsoluteMatrix = localInverse;
    } else {
      FInvAbsoluteMatrix = MatrixInvert(GetAbsoluteMatrix());
    }
    FChanges &= static_cast<TObjectChangeFlags>(~ocfInvAbsoluteMatrix);
  }
  return FInvAbsoluteMatrix;
}

TVector4f TGLBaseSceneObject::GetAbsolutePosition() { return GetAbsoluteMatrix()[3]; }

TVector4f TGLBaseSceneObject::GetAbsoluteDirection() {
  TVector4f v = VectorNormalized(GetAbsoluteMatrix()[2]);
  v[3] = 0.0f;
  return v;
}

TVector4f TGLBaseSceneObject::GetAbsoluteUp() {
  TVector4f v = VectorNormalized(GetAbsoluteMatrix()[1]);
  v[3] = 0.0f;
  return v;
}

TVector4f TGLBaseSceneObject::GetAbsoluteZVector() {
  TVector4f v = GetAbsoluteMatrix()[2];
  v[3] = 0.0f;
  return v;
}

TVector4f TGLBaseSceneObject::GetAbsoluteYVector() {
  TVector4f v = GetAbsoluteMatrix()[1];
  v[3] = 0.0f;
  return v;
}

TVector4f TGLBaseSceneObject::AbsoluteToLocal(const TVector4f& v) { return VectorTransform(v, GetInvAbsoluteMatrix()); }

TVector4f TGLBaseSceneObject::LocalToAbsolute(const TVector4f& v) { return VectorTransform(v, GetAbsoluteMatrix()); }

TVector4f TGLBaseSceneObject::GetRightVector() const { return VectorCross(FDirection->AsVector(), FUp->AsVector()); }

TVector4f TGLBaseSceneObject::LeftVector() const { return VectorCross(FUp->AsVector(), FDirection->AsVector()); }

// --- Bounding volumes -------------------------------------------------------------

TVector4f TGLBaseSceneObject::AxisAlignedDimensionsUnscaled() const { return {0.5f, 0.5f, 0.5f, 0.0f}; }

TVector4f TGLBaseSceneObject::AxisAlignedDimensions() const {
  TVector4f d = VectorMultiply(AxisAlignedDimensionsUnscaled(), FScaling->AsVector());
  d[3] = 0.0f;
  return d;
}

float TGLBaseSceneObject::BoundingSphereRadius() const { return VectorLength(AxisAlignedDimensions()); }

float TGLBaseSceneObject::BoundingSphereRadiusUnscaled() const {
  return VectorLength(AxisAlignedDimensionsUnscaled());
}

TVector4f TGLBaseSceneObject::BarycenterAbsolutePosition() { return GetAbsolutePosition(); }

float TGLBaseSceneObject::BarycenterSqrDistanceTo(const TVector4f& point) {
  return VectorDistance2(BarycenterAbsolutePosition(), point);
}

TAABB TGLBaseSceneObject::HierarchicalAxisAlignedBox() {
  TAABB box;
  SetAABB(box, AxisAlignedDimensionsUnscaled());
  for (TGLBaseSceneObject* child : FChildren) {
    TAABB childBox = child->HierarchicalAxisAlignedBox();
    AABBTransform(childBox, child->GetMatrix());
    AddAABB(box, childBox);
  }
  return box;
}

bool TGLBaseSceneObject::PointInObject(const TVector4f& point) {
  TVector4f local = VectorTransform(point, GetInvAbsoluteMatrix());
  local = VectorMultiply(local, FScaling->AsVector());
  const TVector4f d = AxisAlignedDimensions();
  for (int i = 0; i < 3; ++i)
    if (std::fabs(local[i]) > d[i]) return false;
  return true;
}

bool TGLBaseSceneObject::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                          TVector4f* intersectPoint, TVector4f* intersectNormal) {
  const TVector4f centre = GetAbsolutePosition();
  TVector4f i1, i2;
  TVector4f direction = VectorNormalized(rayVector);
  if (RayCastSphereIntersect(rayStart, direction, centre, BoundingSphereRadius(), i1, i2) <= 0) return false;
  if (intersectPoint) *intersectPoint = i1;
  if (intersectNormal) {
    TVector4f n = VectorSubtract(i1, centre);
    NormalizeVector(n);
    n[3] = 0.0f;
    *intersectNormal = n;
  }
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseSceneObject::GenerateSilhouette(const TGLSilhouetteParameters& parameters) {
  constexpr int kSegments = 21;
  float radius = BoundingSphereRadiusUnscaled();
  const float distance = AffineVectorLength(parameters.SeenFrom);
  switch (parameters.Style) {
    case 0:
      // From inside the sphere there is no visible rim: keep the sphere's.
      if (distance > radius) radius = SphereVisibleRadius(distance, radius);
      break;
    case 1:
      break;
    default:
      CLIENT_ASSERT(false, "Unknown silhouette style");
  }
  TAffineVector u = AffineVectorCross(parameters.SeenFrom, XVector);
  if (AffineVectorLength(u) < 0.001f) u = AffineVectorCross(parameters.SeenFrom, YVector);
  NormalizeAffineVector(u);
  TAffineVector v = AffineVectorCross(parameters.SeenFrom, u);
  NormalizeAffineVector(v);
  radius *= 0.98f;
  auto silhouette = std::make_unique<TGLSilhouette>();
  for (int i = 0; i < kSegments; ++i) {
    float s, c;
    SinCos(static_cast<float>(i) * 0.2991993f, s, c);
    const TAffineVector p = AffineVectorCombine(u, v, c * radius, s * radius);
    silhouette->GetVertices().Add(TVector4f{p[0], p[1], p[2], 1.0f});
    silhouette->GetIndices().Add(i);
    silhouette->GetIndices().Add((i + 1) % kSegments);
  }
  if (parameters.CappingRequired) {
    for (int i = 0; i < kSegments; ++i) {
      silhouette->GetCapIndices().Add(kSegments);
      silhouette->GetCapIndices().Add(i);
      silhouette->GetCapIndices().Add((i + 1) % kSegments);
    }
    silhouette->GetVertices().Add(TVector4f{0, 0, 0, 1});
  }
  return silhouette;
}

// --- Changes ---------------------------------------------------------------------------

void TGLBaseSceneObject::EndUpdate() {
  CLIENT_ASSERT(FUpdateCount > 0, "Unbalanced Begin/EndUpdate");
  if (--FUpdateCount == 0) NotifyChange(this);
}

void TGLBaseSceneObject::NotifyChange(TObject* sender) {
  TellWatcher(TSceneObjectChange::Shape);
  if (FScene && !IsUpdating()) FScene->NotifyChange(this);
}

void TGLBaseSceneObject::InvalidateAbsoluteMatrices(bool force) {
  const TObjectChangeFlags both = ocfAbsoluteMatrix | ocfInvAbsoluteMatrix;
  if (!force && (FChanges & both) == both) return;
  FChanges |= both;
  for (TGLBaseSceneObject* child : FChildren) child->InvalidateAbsoluteMatrices(force);
}

void TGLBaseSceneObject::TransformationChanged() {
  TellWatcher(TSceneObjectChange::Shape);
  // Already flagged: nobody has read the matrices since, so the subtree
  // is stale already and the scene has heard.
  if (FChanges & ocfTransformation) return;
  FChanges |= ocfTransformation;
  InvalidateAbsoluteMatrices(true);
  if (!IsLoading()) NotifyChange(this);
}

void TGLBaseSceneObject::StructureChanged() {
  TellWatcher(TSceneObjectChange::Shape);
  if (!(FChanges & ocfStructure)) {
    FChanges |= ocfStructure;
    NotifyChange(this);
  } else if (FObjectStyle & sosDirectDraw) {
    NotifyChange(this);
  }
}

void TGLBaseSceneObject::CoordinateChanged(TGLCoordinates* sender) {
  if (FIsCalculating) return;
  FIsCalculating = true;
  auto rightOf = [](const TVector4f& d, const TVector4f& u) {
    TVector4f right = VectorCross(d, u);
    if (VectorLength(right) < 1e-5f) {
      right = VectorCross(ZHmgVector, u);
      if (VectorLength(right) < 1e-5f) right = VectorCross(XHmgVector, u);
    }
    return right;
  };
  if (sender == FDirection.get()) {
    TVector4f d = FDirection->AsVector();
    if (VectorLength(d) == 0.0f) d = ZHmgVector;
    NormalizeVector(d);
    FDirection->SetDirectVector(d);
    TVector4f up = VectorCross(rightOf(d, FUp->AsVector()), d);
    NormalizeVector(up);
    FUp->SetDirectVector(up);
  } else if (sender == FUp.get()) {
    TVector4f u = FUp->AsVector();
    if (VectorLength(u) == 0.0f) u = YHmgVector;
    NormalizeVector(u);
    FUp->SetDirectVector(u);
    TVector4f d = VectorCross(u, rightOf(FDirection->AsVector(), u));
    NormalizeVector(d);
    FDirection->SetDirectVector(d);
  }
  TransformationChanged();
  FIsCalculating = false;
}

void TGLBaseSceneObject::Loaded() {
  TGLUpdateAbleComponent::Loaded();
  FPosition->SetDirectVector({FPosition->GetX(), FPosition->GetY(), FPosition->GetZ(), 1.0f});
  if (FBehaviours) FBehaviours->Loaded();
  if (FEffects) FEffects->Loaded();
}

void TGLBaseSceneObject::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TGLBaseSceneObject*>(source);
  if (!other) {
    TGLUpdateAbleComponent::Assign(source);
    return;
  }
  if (other == this) return;
  auto* src = const_cast<TGLBaseSceneObject*>(other);
  DestroyHandles();
  FVisible = other->FVisible;
  SetMatrix(src->GetMatrix());
  // SetMatrix leaves the rows as given; take the source's vectors as they
  // stand so that Direction and Up round-trip exactly.
  FDirection->SetDirectVector(other->FDirection->AsVector());
  FUp->SetDirectVector(other->FUp->AsVector());
  FScaling->SetDirectVector(other->FScaling->AsVector());
  FPosition->SetDirectVector(other->FPosition->AsVector());
  FChanges |= ocfTransformation;
  FShowAxes = other->FShowAxes;
  FObjectsSorting = other->FObjectsSorting;
  FVisibilityCulling = other->FVisibilityCulling;
  FRotation->SetDirectVector(other->FRotation->AsVector());
  DeleteChildren();
  if (FScene) FScene->BeginUpdate();
  for (TGLBaseSceneObject* child : other->FChildren) AddNewChild(child->ClassType())->Assign(child);
  if (FScene) FScene->EndUpdate();
  OnProgress = other->OnProgress;
  if (other->FBehaviours)
    GetBehaviours()->Assign(other->FBehaviours.get());
  else
    FBehaviours.reset();
  if (other->FEffects)
    GetEffects()->Assign(other->FEffects.get());
  else
    FEffects.reset();
  SetTag(other->GetTag());
  FTagFloat = other->FTagFloat;
  TransformationChanged();
}

// --- Properties --------------------------------------------------------------------------

void TGLBaseSceneObject::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  NotifyChange(this);
}

void TGLBaseSceneObject::SetShowAxes(bool value) {
  if (value == FShowAxes) return;
  FShowAxes = value;
  NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectsSorting(TGLObjectsSorting value) {
  if (value == FObjectsSorting) return;
  FObjectsSorting = value;
  NotifyChange(this);
}

void TGLBaseSceneObject::SetVisibilityCulling(TGLVisibilityCulling value) {
  if (value == FVisibilityCulling) return;
  FVisibilityCulling = value;
  NotifyChange(this);
}

TGLBaseSceneObject* TGLBaseSceneObject::FindByPickId(std::uint32_t id) {
  if (id == 0) return nullptr;
  auto& objects = Picks().objects;
  auto it = objects.find(id);
  return it == objects.end() ? nullptr : it->second;
}

TGLBehaviours* TGLBaseSceneObject::GetBehaviours() {
  if (!FBehaviours) FBehaviours = std::make_unique<TGLBehaviours>(this);
  return FBehaviours.get();
}

TGLObjectEffects* TGLBaseSceneObject::GetEffects() {
  if (!FEffects) FEffects = std::make_unique<TGLObjectEffects>(this);
  return FEffects.get();
}

std::optional<std::string> TGLBaseSceneObject::WriteBehavioursData() const { return CollectionData(FBehaviours.get()); }

std::optional<std::string> TGLBaseSceneObject::WriteEffectsData() const { return CollectionData(FEffects.get()); }

void TGLBaseSceneObject::ReadBehavioursData(const std::string& data) {
  FBehaviours = CollectionFromData<TGLBehaviours>(this, data);
  // While the object loads, its own Loaded tells the collection.
  if (!IsLoading()) FBehaviours->Loaded();
}

void TGLBaseSceneObject::ReadEffectsData(const std::string& data) {
  FEffects = CollectionFromData<TGLObjectEffects>(this, data);
  if (!IsLoading()) FEffects->Loaded();
}

void TGLBaseSceneObject::Notification(TComponent* component, TOperation operation) {
  TGLUpdateAbleComponent::Notification(component, operation);
}

void TGLBaseSceneObject::DoProgress(const TProgressTimes& progressTimes) {
  for (int i = GetCount() - 1; i >= 0; --i) FChildren[static_cast<size_t>(i)]->DoProgress(progressTimes);
  if (FBehaviours) FBehaviours->DoProgress(progressTimes);
  if (FEffects) FEffects->DoProgress(progressTimes);
  if (OnProgress) OnProgress(this, progressTimes.deltaTime, progressTimes.newTime);
}

// --- Root object ----------------------------------------------------------------------------

TGL3DSceneRootObject::TGL3DSceneRootObject(TGL3DScene* scene) : TGLBaseSceneObject(scene) {
  CLIENT_ASSERT(scene != nullptr, "A scene root needs its scene");
  FObjectStyle |= sosDirectDraw;
  SetScene(scene);
}
