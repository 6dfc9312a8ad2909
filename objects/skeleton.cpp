#include "objects/skeleton.h"

#include <algorithm>
#include <unordered_map>

#include "engine/gl_api.h"
#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "objects/base_mesh.h"
#include "objects/owned_object_lists.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TSkeletonFrameList, TPersistentObjectList)
CLIENT_DEFINE_CLASS(TSkeletonFrame, TPersistentObject)
CLIENT_DEFINE_CLASS(TSkeletonBoneList, TPersistentObjectList)
CLIENT_DEFINE_CLASS(TSkeletonRootBoneList, TSkeletonBoneList)
CLIENT_DEFINE_CLASS(TSkeletonBone, TSkeletonBoneList)
CLIENT_DEFINE_CLASS(TSkeletonColliderList, TPersistentObjectList)
CLIENT_DEFINE_CLASS(TSkeletonCollider, TPersistentObject)
CLIENT_DEFINE_CLASS(TSkeleton, TPersistentObject)
CLIENT_DEFINE_CLASS(TSkeletonMeshObject, TMorphableMeshObject)
CLIENT_REGISTER_CLASS(TSkeleton);
CLIENT_REGISTER_CLASS(TSkeletonFrame);
CLIENT_REGISTER_CLASS(TSkeletonBone);
CLIENT_REGISTER_CLASS(TSkeletonMeshObject);
CLIENT_REGISTER_CLASS(TSkeletonFrameList);
CLIENT_REGISTER_CLASS(TSkeletonCollider);
CLIENT_REGISTER_CLASS(TSkeletonColliderList);

namespace {
// Bones nest by recursion in the archive; a damaged archive must not
// exhaust the stack.
constexpr int kMaxBoneDepth = 512;
thread_local int g_boneReadDepth = 0;

TMatrix WithoutTranslation(TMatrix m) {
  m[3] = {0, 0, 0, 1};
  return m;
}
}  // namespace

// --- Frames -------------------------------------------------------------------------
TSkeletonFrameList::~TSkeletonFrameList() { Clear(); }

TSkeletonFrame* TSkeletonFrameList::GetItems(int index) const {
  return static_cast<TSkeletonFrame*>(TPersistentObjectList::GetItems(index));
}

void TSkeletonFrameList::Clear() { FreeOwnedItems<TSkeletonFrame>(*this); }

void TSkeletonFrameList::AfterObjectCreatedByReader(TObject* object) {
  CheckReadItemKind(object, TSkeletonFrame::StaticClass());
}

void TSkeletonFrameList::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObjectList::ReadFromFiler(reader);
  RejectNilItems(*this);
  AdoptItems<TSkeletonFrame>(*this, this);
}

TSkeletonFrame::TSkeletonFrame(TSkeletonFrameList* owner) : FOwner(owner) {
  if (owner) owner->Add(this);
}

TSkeletonFrame::~TSkeletonFrame() {
  if (FOwner) FOwner->Remove(this);
}

void TSkeletonFrame::SetTransformMode(TSkeletonFrameTransform mode) {
  if (mode == FTransformMode) return;
  FTransformMode = mode;
  FlushLocalMatrixList();
}

const std::vector<TMatrix>& TSkeletonFrame::LocalMatrixList() {
  if (FLocalMatrixList) return *FLocalMatrixList;
  std::vector<TMatrix> matrices(static_cast<std::size_t>(FPosition.GetCount()), IdentityHmgMatrix);
  for (int i = 0; i < FPosition.GetCount(); ++i) {
    TMatrix& m = matrices[static_cast<std::size_t>(i)];
    if (FTransformMode == sftRotation) {
      if (i < FRotation.GetCount()) {
        const TAffineVector& r = FRotation[i];
        m = MatrixMultiply(MatrixMultiply(CreateRotationMatrixX(r[0]), CreateRotationMatrixY(r[1])),
                           CreateRotationMatrixZ(r[2]));
      }
    } else if (i < FQuaternion.GetCount()) {
      m = QuaternionToMatrix(FQuaternion[i]);
    }
    const TAffineVector& p = FPosition[i];
    m[3] = {p[0], p[1], p[2], 1};
  }
  FLocalMatrixList = std::move(matrices);
  return *FLocalMatrixList;
}

TMatrix TSkeletonFrame::LocalMatrix(int boneId) {
  const std::vector<TMatrix>& list = LocalMatrixList();
  if (boneId < 0 || boneId >= static_cast<int>(list.size())) return IdentityHmgMatrix;
  return list[static_cast<std::size_t>(boneId)];
}

void TSkeletonFrame::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  writer.WriteInteger(1);  // archive version
  writer.WriteString(FName);
  FPosition.WriteToFiler(writer);
  FRotation.WriteToFiler(writer);
  FQuaternion.WriteToFiler(writer);
  writer.WriteInteger(FTransformMode);
}

void TSkeletonFrame::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObject::ReadFromFiler(reader);
  const int version = ReadArchiveVersion(reader, 1);
  FLocalMatrixList.reset();
  FName = reader.ReadString();
  FPosition.ReadFromFiler(reader);
  FRotation.ReadFromFiler(reader);
  if (version == 0) {
    FQuaternion.Clear();
    FTransformMode = sftRotation;
    return;
  }
  FQuaternion.ReadFromFiler(reader);
  const int mode = reader.ReadInteger();
  if (mode != sftRotation && mode != sftQuaternion)
    RaiseMeshFault(ClassName() + " : transform mode " + std::to_string(mode) + " unknown");
  FTransformMode = static_cast<TSkeletonFrameTransform>(mode);
}

// --- Bones ----------------------------------------------------------------------------
TSkeletonBoneList::~TSkeletonBoneList() { TSkeletonBoneList::Clear(); }

TSkeletonBone* TSkeletonBoneList::GetItems(int index) const {
  return static_cast<TSkeletonBone*>(TPersistentObjectList::GetItems(index));
}

TSkeletonBone* TSkeletonBoneList::BoneByID(int id) {
  for (int i = 0; i < GetCount(); ++i)
    if (TSkeletonBone* bone = GetItems(i)->BoneByID(id)) return bone;
  return nullptr;
}

void TSkeletonBoneList::BuildList(TRenderContextInfo& rci) {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->BuildList(rci);
}

void TSkeletonBoneList::PrepareGlobalMatrices() {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->PrepareGlobalMatrices();
}

void TSkeletonBoneList::Clear() { FreeOwnedItems<TSkeletonBone>(*this); }

void TSkeletonBoneList::AfterObjectCreatedByReader(TObject* object) {
  CheckReadItemKind(object, TSkeletonBone::StaticClass());
  auto* bone = static_cast<TSkeletonBone*>(object);
  bone->SetOwner(this);
  bone->SetSkeleton(FSkeleton);
}

void TSkeletonBoneList::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObjectList::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
}

void TSkeletonBoneList::ReadFromFiler(TVirtualReader& reader) {
  if (g_boneReadDepth >= kMaxBoneDepth) RaiseMeshFault(ClassName() + " : bones nested too deep");
  ++g_boneReadDepth;
  struct Leave {
    ~Leave() { --g_boneReadDepth; }
  } leave;
  TPersistentObjectList::ReadFromFiler(reader);
  RejectNilItems(*this);
  ReadArchiveVersion(reader);
  if (FSkeleton) FSkeleton->FlushBoneByIDCache();
}

void TSkeletonRootBoneList::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  gl.glPushAttrib(GL_ENABLE_BIT);
  struct Pop {
    ~Pop() { GL().glPopAttrib(); }
  } pop;
  gl.glDisable(GL_COLOR_MATERIAL);
  gl.glDisable(GL_LIGHTING);
  gl.glColor3f(1, 1, 1);
  TSkeletonBoneList::BuildList(rci);
}

void TSkeletonRootBoneList::WriteToFiler(TVirtualWriter& writer) const {
  TSkeletonBoneList::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
}

void TSkeletonRootBoneList::ReadFromFiler(TVirtualReader& reader) {
  TSkeletonBoneList::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
}

TSkeletonBone::TSkeletonBone(TSkeletonBoneList* owner) : FOwner(owner) {
  if (!owner) return;
  SetSkeleton(owner->GetSkeleton());
  owner->Add(this);
  if (GetSkeleton()) GetSkeleton()->FlushBoneByIDCache();
}

TSkeletonBone::TSkeletonBone(TSkeletonBoneList* owner, int boneId) : TSkeletonBone(owner) { SetBoneID(boneId); }

TSkeletonBone::~TSkeletonBone() {
  while (!FColliders.empty()) FColliders.back()->SetBone(nullptr);
  Clear();
  if (FOwner) FOwner->Remove(this);
  if (GetSkeleton()) GetSkeleton()->FlushBoneByIDCache();
}

void TSkeletonBone::SetBoneID(int id) {
  FBoneID = id;
  if (GetSkeleton()) GetSkeleton()->FlushBoneByIDCache();
}

TSkeletonBone* TSkeletonBone::BoneByID(int id) {
  if (FBoneID == id) return this;
  return TSkeletonBoneList::BoneByID(id);
}

void TSkeletonBone::PrepareGlobalMatrices() {
  TSkeleton* skeleton = GetSkeleton();
  const TMatrix local = skeleton ? skeleton->GetCurrentFrame().LocalMatrix(FBoneID) : IdentityHmgMatrix;
  if (auto* parent = dynamic_cast<TSkeletonBone*>(FOwner))
    FGlobalMatrix = MatrixMultiply(local, parent->FGlobalMatrix);
  else
    FGlobalMatrix = local;
  TSkeletonBoneList::PrepareGlobalMatrices();
}

void TSkeletonBone::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  const TVector4f& position = FGlobalMatrix[3];
  gl.glColor4f((FColor & 0xFF) / 255.0f, ((FColor >> 8) & 0xFF) / 255.0f, ((FColor >> 16) & 0xFF) / 255.0f,
               ((FColor >> 24) & 0xFF) / 255.0f);
  gl.glPointSize(5);
  gl.glBegin(GL_POINTS);
  gl.glVertex3fv(position.V);
  gl.glEnd();
  gl.glPointSize(1);
  if (auto* parent = dynamic_cast<TSkeletonBone*>(FOwner)) {
    gl.glBegin(GL_LINES);
    gl.glVertex3fv(parent->FGlobalMatrix[3].V);
    gl.glVertex3fv(position.V);
    gl.glEnd();
  }
  TSkeletonBoneList::BuildList(rci);
}

void TSkeletonBone::Clean() {
  SetBoneID(0);
  FName.clear();
  Clear();
}

void TSkeletonBone::WriteToFiler(TVirtualWriter& writer) const {
  TSkeletonBoneList::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  writer.WriteString(FName);
  writer.WriteInteger(FBoneID);
  writer.WriteInteger(static_cast<std::int32_t>(FColor));
}

void TSkeletonBone::ReadFromFiler(TVirtualReader& reader) {
  TSkeletonBoneList::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  FName = reader.ReadString();
  FBoneID = reader.ReadInteger();
  FColor = static_cast<std::uint32_t>(reader.ReadInteger());
}

// --- Colliders ----------------------------------------------------------------------------
TSkeletonColliderList::~TSkeletonColliderList() { Clear(); }

TSkeletonCollider* TSkeletonColliderList::GetItems(int index) const {
  return static_cast<TSkeletonCollider*>(TPersistentObjectList::GetItems(index));
}

void TSkeletonColliderList::Clear() { FreeOwnedItems<TSkeletonCollider>(*this); }

void TSkeletonColliderList::AfterObjectCreatedByReader(TObject* object) {
  CheckReadItemKind(object, TSkeletonCollider::StaticClass());
}

void TSkeletonColliderList::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObjectList::ReadFromFiler(reader);
  RejectNilItems(*this);
  AdoptItems<TSkeletonCollider>(*this, this);
  for (int i = 0; i < GetCount(); ++i) {
    TSkeletonCollider* collider = GetItems(i);
    if (collider->GetBoneID() != -1 && FOwner) collider->SetBone(FOwner->BoneByID(collider->GetBoneID()));
  }
}

void TSkeletonColliderList::AlignColliders() {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->AlignCollider();
}

TSkeletonCollider::TSkeletonCollider(TSkeletonColliderList* owner) : FOwner(owner) {
  if (owner) owner->Add(this);
}

TSkeletonCollider::~TSkeletonCollider() {
  SetBone(nullptr);
  if (FOwner) FOwner->Remove(this);
}

void TSkeletonCollider::SetBone(TSkeletonBone* bone) {
  if (bone != FBone) {
    if (FBone) std::erase(FBone->FColliders, this);
    FBone = bone;
    if (bone) bone->FColliders.push_back(this);
  }
  if (bone) FBoneID = bone->GetBoneID();
}

void TSkeletonCollider::AlignCollider() {
  if (!FBone) {
    FGlobalMatrix = FLocalMatrix;
    return;
  }
  TMatrix m = FBone->GetGlobalMatrix();
  TSkeleton* skeleton = FOwner ? FOwner->GetSkeleton() : nullptr;
  if (skeleton && skeleton->GetBaseMesh()) m = MatrixMultiply(m, skeleton->GetBaseMesh()->GetAbsoluteMatrix());
  FGlobalMatrix = MatrixMultiply(FLocalMatrix, m);
}

void TSkeletonCollider::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  writer.WriteInteger(FBone ? FBone->GetBoneID() : -1);
  writer.Write(&FLocalMatrix, sizeof(TMatrix));
}

void TSkeletonCollider::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObject::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  SetBone(nullptr);
  FBoneID = reader.ReadInteger();
  reader.Read(&FLocalMatrix, sizeof(TMatrix));
}

// --- TSkeleton ------------------------------------------------------------------------------
TSkeleton::TSkeleton()
    : FRootBones(std::make_unique<TSkeletonRootBoneList>(this)),
      FFrames(std::make_unique<TSkeletonFrameList>(this)),
      FColliders(std::make_unique<TSkeletonColliderList>(this)) {}

TSkeleton::TSkeleton(TGLBaseMesh* owner) : TSkeleton() { FOwner = owner; }

TSkeleton::~TSkeleton() {
  // Bones leaving the tree must not refresh a cache that is going.
  FBonesByIDCache.reset();
  FColliders.reset();
  FRootBones->SetSkeleton(nullptr);
  FRootBones.reset();
}

TPersistent* TSkeleton::GetOwner() const { return FOwner; }

TSkeletonFrame& TSkeleton::GetCurrentFrame() {
  if (!FCurrentFrame) {
    FCurrentFrame = std::make_unique<TSkeletonFrame>();
    if (FFrames->GetCount() > 0) FCurrentFrame->Assign(FFrames->GetItems(0));
  }
  return *FCurrentFrame;
}

void TSkeleton::SetCurrentFrame(const TSkeletonFrame& frame) {
  auto copy = std::make_unique<TSkeletonFrame>();
  copy->Assign(&frame);
  FCurrentFrame = std::move(copy);
}

TSkeletonBone* TSkeleton::BoneByID(int id) {
  if (!FBonesByIDCache) {
    std::vector<std::pair<int, TSkeletonBone*>> bones;
    auto walk = [&bones](auto&& self, TSkeletonBoneList& list) -> void {
      for (int i = 0; i < list.GetCount(); ++i) {
        TSkeletonBone* bone = list.GetItems(i);
        if (bone->GetBoneID() >= 0) bones.emplace_back(bone->GetBoneID(), bone);
        self(self, *bone);
      }
    };
    walk(walk, *FRootBones);
    BoneIDCache cache;
    int largest = -1;
    for (const auto& entry : bones) largest = std::max(largest, entry.first);
    cache.idCount = std::int64_t{largest} + 1;
    constexpr std::int64_t kSpareEntriesPerBone = 4, kSpareEntries = 64;
    if (cache.idCount <= std::int64_t(bones.size()) * kSpareEntriesPerBone + kSpareEntries) {
      cache.byIndex.resize(static_cast<std::size_t>(cache.idCount));
      for (const auto& [boneId, bone] : bones) cache.byIndex[static_cast<std::size_t>(boneId)] = bone;
    } else {
      // The later of two bones of one identifier, as in the indexed cache.
      std::stable_sort(bones.begin(), bones.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (const auto& entry : bones) {
        if (!cache.sorted.empty() && cache.sorted.back().first == entry.first)
          cache.sorted.back().second = entry.second;
        else
          cache.sorted.push_back(entry);
      }
    }
    FBonesByIDCache = std::move(cache);
  }
  const BoneIDCache& cache = *FBonesByIDCache;
  if (id < 0 || id >= cache.idCount) return nullptr;
  if (!cache.byIndex.empty()) return cache.byIndex[static_cast<std::size_t>(id)];
  const auto found = std::lower_bound(cache.sorted.begin(), cache.sorted.end(), id,
                                      [](const auto& entry, int value) { return entry.first < value; });
  return found != cache.sorted.end() && found->first == id ? found->second : nullptr;
}

std::int64_t TSkeleton::BoneIDCount() {
  BoneByID(0);
  return FBonesByIDCache->idCount;
}

void TSkeleton::Clear() {
  FlushBoneByIDCache();
  FRootBones->Clear();
  FlushBoneByIDCache();
  FFrames->Clear();
  FCurrentFrame.reset();
  FColliders->Clear();
}

std::unique_ptr<TSkeletonFrame> TSkeleton::BlendFrames(int frameIndex1, int frameIndex2, float lerpFactor) {
  TSkeletonFrame* f1 = FFrames->GetItems(frameIndex1);
  TSkeletonFrame* f2 = FFrames->GetItems(frameIndex2);
  auto frame = std::make_unique<TSkeletonFrame>();
  frame->SetTransformMode(f1->GetTransformMode());
  frame->GetPosition().Lerp(f1->GetPosition(), f2->GetPosition(), lerpFactor);
  if (f1->GetTransformMode() == sftRotation)
    frame->GetRotation().AngleLerp(f1->GetRotation(), f2->GetRotation(), lerpFactor);
  else
    frame->GetQuaternion().Lerp(f1->GetQuaternion(), f2->GetQuaternion(), lerpFactor);
  return frame;
}

void TSkeleton::Lerp(int frameIndex1, int frameIndex2, float lerpFactor) {
  FCurrentFrame = BlendFrames(frameIndex1, frameIndex2, lerpFactor);
}

void TSkeleton::BlendedLerps(std::span<const TBlendedLerpInfo> lerpInfos) {
  CLIENT_ASSERT(!lerpInfos.empty());
  const TBlendedLerpInfo& first = lerpInfos[0];
  if (lerpInfos.size() == 1) {
    Lerp(first.frameIndex1, first.frameIndex2, first.lerpFactor);
    return;
  }
  std::unique_ptr<TSkeletonFrame> frame = BlendFrames(first.frameIndex1, first.frameIndex2, first.lerpFactor);
  if (first.weight != 1.0f) frame->GetPosition().Scale(first.weight);
  for (std::size_t k = 1; k < lerpInfos.size(); ++k) {
    const TBlendedLerpInfo& info = lerpInfos[k];
    const std::unique_ptr<TSkeletonFrame> blend = BlendFrames(info.frameIndex1, info.frameIndex2, info.lerpFactor);
    if (frame->GetTransformMode() == sftRotation)
      frame->GetRotation().AngleCombine(blend->GetRotation(), 1.0f);
    else
      frame->GetQuaternion().Combine(blend->GetQuaternion(), 1.0f);
  }
  FCurrentFrame = std::move(frame);
}

void TSkeleton::MorphMesh(bool normalize) {
  if (!FOwner || FOwner->GetMeshObjects().GetCount() == 0) return;
  FRootBones->PrepareGlobalMatrices();
  if (FColliders->GetCount() > 0) FColliders->AlignColliders();
  TMeshObjectList& meshObjects = FOwner->GetMeshObjects();
  for (int i = 0; i < meshObjects.GetCount(); ++i)
    if (auto* skin = dynamic_cast<TSkeletonMeshObject*>(meshObjects.GetMeshObject(i)))
      skin->ApplyCurrentSkeletonFrame(normalize);
}

void TSkeleton::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  const bool colliders = FColliders->GetCount() > 0;
  writer.WriteInteger(colliders ? 1 : 0);  // archive version
  FRootBones->WriteToFiler(writer);
  FFrames->WriteToFiler(writer);
  if (colliders) FColliders->WriteToFiler(writer);
}

void TSkeleton::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObject::ReadFromFiler(reader);
  const int version = ReadArchiveVersion(reader, 1);
  FlushBoneByIDCache();
  FCurrentFrame.reset();
  FRootBones->ReadFromFiler(reader);
  FFrames->ReadFromFiler(reader);
  if (version == 1)
    FColliders->ReadFromFiler(reader);
  else
    FColliders->Clear();
}

// --- TSkeletonMeshObject --------------------------------------------------------------------------
TSkeletonMeshObject::~TSkeletonMeshObject() = default;

TSkeleton* TSkeletonMeshObject::Skeleton() const {
  const TMeshObjectList* list = GetOwner();
  TGLBaseMesh* mesh = list ? list->GetBaseMesh() : nullptr;
  return mesh ? &mesh->GetSkeleton() : nullptr;
}

void TSkeletonMeshObject::SetVerticeBoneWeightCount(int count) {
  CLIENT_ASSERT(count >= 0);
  if (count == FVerticeBoneWeightCount) return;
  FVerticeBoneWeightCount = count;
  ResizeVerticesBonesWeights();
}

void TSkeletonMeshObject::SetBonesPerVertex(int count) {
  CLIENT_ASSERT(count >= 0);
  if (count == FBonesPerVertex) return;
  FBonesPerVertex = count;
  ResizeVerticesBonesWeights();
}

void TSkeletonMeshObject::Clear() {
  TMorphableMeshObject::Clear();
  FVerticeBoneWeightCount = FBonesPerVertex = 0;
  FLastVerticeBoneWeightCount = FLastBonesPerVertex = 0;
  std::vector<TVertexBoneWeight>().swap(FWeights);
  DropBinding();
}

void TSkeletonMeshObject::DropBinding() {
  std::vector<TAffineVector>().swap(FBoundVertices);
  std::vector<TAffineVector>().swap(FBoundNormals);
  FBoundVertexCount = FBoundNormalCount = FBoundSlots = 0;
}

void TSkeletonMeshObject::ResizeVerticesBonesWeights() {
  const std::size_t n = static_cast<std::size_t>(FVerticeBoneWeightCount) * static_cast<std::size_t>(FBonesPerVertex);
  std::vector<TVertexBoneWeight> block(n);
  const int rows = std::min(FVerticeBoneWeightCount, FLastVerticeBoneWeightCount);
  const int columns = std::min(FBonesPerVertex, FLastBonesPerVertex);
  for (int i = 0; i < rows; ++i)
    for (int s = 0; s < columns; ++s)
      block[static_cast<std::size_t>(i) * FBonesPerVertex + s] =
          FWeights[static_cast<std::size_t>(i) * FLastBonesPerVertex + s];
  FWeights = std::move(block);
  FLastVerticeBoneWeightCount = FVerticeBoneWeightCount;
  FLastBonesPerVertex = FBonesPerVertex;
}

TMatrix TSkeletonMeshObject::BoneMatrix(TSkeleton* skeleton, int boneId) const {
  TSkeletonBone* bone = skeleton ? skeleton->BoneByID(boneId) : nullptr;
  return bone ? bone->GetGlobalMatrix() : IdentityHmgMatrix;
}

void TSkeletonMeshObject::PrepareBoneMatrixInvertedMeshes() {
  DropBinding();
  // Without weighted vertices there is nothing to bind (and a bone count
  // from a file must not make anything by itself).
  const int n = std::min(FVertices.GetCount(), FVerticeBoneWeightCount);
  if (FWeights.empty() || n <= 0 || FBonesPerVertex <= 0) return;
  TSkeleton* skeleton = Skeleton();
  const int normalCount = std::min(FNormals.GetCount(), n);
  const auto slots = static_cast<std::size_t>(FBonesPerVertex);
  FBoundVertices.resize(static_cast<std::size_t>(n) * slots);
  FBoundNormals.resize(static_cast<std::size_t>(normalCount) * slots);
  // Each bone's inverses once: a file may bind every slot to one bone. Keyed
  // by the bone, not by its identifier (as BoneMatrix looks it up), so that
  // the identifiers of a file that name no bone share one entry.
  struct Inverses {
    TMatrix point, direction;
  };
  std::unordered_map<const TSkeletonBone*, Inverses> inverses;
  for (int j = 0; j < n; ++j) {
    const TVertexBoneWeight* weights = VerticesBonesWeights(j);
    for (std::size_t s = 0; s < slots; ++s) {
      const TSkeletonBone* bone = skeleton ? skeleton->BoneByID(weights[s].BoneID) : nullptr;
      auto found = inverses.find(bone);
      if (found == inverses.end()) {
        const TMatrix global = bone ? bone->GetGlobalMatrix() : IdentityHmgMatrix;
        found = inverses.emplace(bone, Inverses{MatrixInvert(global), MatrixInvert(WithoutTranslation(global))}).first;
      }
      const std::size_t at = static_cast<std::size_t>(j) * slots + s;
      FBoundVertices[at] = AffineVectorTransform(FVertices[j], found->second.point);
      if (j < normalCount) FBoundNormals[at] = AffineVectorTransformDirection(FNormals[j], found->second.direction);
    }
  }
  FBoundVertexCount = n;
  FBoundNormalCount = normalCount;
  FBoundSlots = FBonesPerVertex;
}

void TSkeletonMeshObject::ApplyCurrentSkeletonFrame(bool normalize) {
  if (FBoundSlots != FBonesPerVertex || FBonesPerVertex == 0) return;
  TSkeleton* skeleton = Skeleton();
  const int n = std::min({FVertices.GetCount(), FVerticeBoneWeightCount, FBoundVertexCount});
  const bool withNormals = FNormals.GetCount() >= n;
  const auto slots = static_cast<std::size_t>(FBoundSlots);
  if (FBonesPerVertex == 1) {
    for (int i = 0; i < n; ++i) {
      const TMatrix m = BoneMatrix(skeleton, VerticesBonesWeights(i)[0].BoneID);
      FVertices[i] = AffineVectorTransform(FBoundVertices[static_cast<std::size_t>(i)], m);
      if (withNormals && i < FBoundNormalCount)
        FNormals[i] = AffineVectorTransformDirection(FBoundNormals[static_cast<std::size_t>(i)], m);
    }
  } else {
    for (int i = 0; i < n; ++i) {
      TAffineVector vertex, normal;
      const TVertexBoneWeight* weights = VerticesBonesWeights(i);
      for (std::size_t s = 0; s < slots; ++s) {
        if (weights[s].Weight == 0.0f) continue;
        const std::size_t at = static_cast<std::size_t>(i) * slots + s;
        const TMatrix m = BoneMatrix(skeleton, weights[s].BoneID);
        AddScaledAffineVector(vertex, AffineVectorTransform(FBoundVertices[at], m), weights[s].Weight);
        if (i < FBoundNormalCount)
          AddScaledAffineVector(normal, AffineVectorTransformDirection(FBoundNormals[at], m), weights[s].Weight);
      }
      FVertices[i] = vertex;
      if (withNormals) FNormals[i] = normal;
    }
  }
  if (normalize) FNormals.Normalize();
}

std::optional<std::string> TSkeletonMeshObject::BoneFault(TSkeleton* skeleton) const {
  if (FBonesPerVertex > 0 && FVertices.GetCount() > 0 && FVerticeBoneWeightCount < FVertices.GetCount())
    return ClassName() + " : bone weights for " + std::to_string(FVerticeBoneWeightCount) + " of " +
           std::to_string(FVertices.GetCount()) + " vertices";
  const bool checkBones = skeleton && skeleton->BoneIDCount() > 0;
  for (std::size_t k = 0; k < FWeights.size(); ++k) {
    const int id = FWeights[k].BoneID;
    if (id < 0 || (checkBones && !skeleton->BoneByID(id)))
      return ClassName() + " : bone " + std::to_string(id) + " not in the skeleton";
  }
  return std::nullopt;
}

void TSkeletonMeshObject::WriteToFiler(TVirtualWriter& writer) const {
  TMorphableMeshObject::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  writer.WriteInteger(FVerticeBoneWeightCount);
  writer.WriteInteger(FBonesPerVertex);
  if (!FWeights.empty()) writer.Write(FWeights.data(), FWeights.size() * sizeof(TVertexBoneWeight));
}

void TSkeletonMeshObject::ReadFromFiler(TVirtualReader& reader) {
  TMorphableMeshObject::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  const int count = reader.ReadInteger();
  const int bonesPerVertex = reader.ReadInteger();
  // The entries must be in the stream before anything is allocated.
  if (count < 0 || bonesPerVertex < 0) throw EStreamError(engine_messages::kStreamReadError);
  const std::int64_t entries = static_cast<std::int64_t>(count) * bonesPerVertex;
  if (entries > reader.Stream().Remaining() / static_cast<std::int64_t>(sizeof(TVertexBoneWeight)))
    throw EStreamError(engine_messages::kStreamReadError);
  DropBinding();
  FVerticeBoneWeightCount = FLastVerticeBoneWeightCount = count;
  FBonesPerVertex = FLastBonesPerVertex = bonesPerVertex;
  FWeights.assign(static_cast<std::size_t>(entries), TVertexBoneWeight{});
  if (entries > 0) reader.Read(FWeights.data(), static_cast<std::size_t>(entries) * sizeof(TVertexBoneWeight));
}
