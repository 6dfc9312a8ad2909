#pragma once
// Skeletons: a tree of bones, key frames holding one local transform per
// bone, the current frame (a frame or a blend of frames), colliders that
// follow bones, and the skeleton mesh objects that are re-posed from the
// current frame by the bones each vertex is bound to, with weights.
//
// Bone identifiers index the frames' per-bone lists. An identifier that
// names no bone, or a frame without an entry for it, stands for the
// identity transform: skeleton data comes from files and may not match.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/persistent_classes.h"
#include "engine/render_context_info.h"
#include "engine/vector_lists.h"
#include "objects/mesh_objects.h"

class TGLBaseMesh;
class TSkeleton;
class TSkeletonBone;
class TSkeletonCollider;
class TSkeletonFrame;

enum TSkeletonFrameTransform : std::uint8_t { sftRotation, sftQuaternion };

class TSkeletonFrameList : public TPersistentObjectList {
  CLIENT_DECLARE_CLASS(TSkeletonFrameList)
public:
  TSkeletonFrameList() = default;
  explicit TSkeletonFrameList(TSkeleton* owner) : FOwner(owner) {}  // CreateOwned
  ~TSkeletonFrameList() override;

  TSkeleton* GetSkeleton() const { return FOwner; }
  TSkeletonFrame* GetItems(int index) const;
  void Clear() override;
  void ReadFromFiler(TVirtualReader& reader) override;

protected:
  void AfterObjectCreatedByReader(TObject* object) override;

private:
  TSkeleton* FOwner = nullptr;
};

// One key pose: a translation and a rotation per bone.
class TSkeletonFrame : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TSkeletonFrame)
public:
  // Appended to `owner` when one is given.
  explicit TSkeletonFrame(TSkeletonFrameList* owner = nullptr);
  ~TSkeletonFrame() override;

  TSkeletonFrameList* GetOwner() const override { return FOwner; }
  void SetOwner(TSkeletonFrameList* owner) { FOwner = owner; }
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  // Per bone: translations, rotations as angles in radians (x, y, z), and
  // rotations as quaternions. A change of them calls for
  // FlushLocalMatrixList.
  TAffineVectorList& GetPosition() { return FPosition; }
  const TAffineVectorList& GetPosition() const { return FPosition; }
  TAffineVectorList& GetRotation() { return FRotation; }
  const TAffineVectorList& GetRotation() const { return FRotation; }
  TQuaternionList& GetQuaternion() { return FQuaternion; }
  const TQuaternionList& GetQuaternion() const { return FQuaternion; }
  TSkeletonFrameTransform GetTransformMode() const { return FTransformMode; }
  void SetTransformMode(TSkeletonFrameTransform mode);

  // One matrix per translation, built on first use: the rotations about x,
  // then y, then z (or the quaternion), and the translation as the last row.
  const std::vector<TMatrix>& LocalMatrixList();
  // The matrix of a bone; the identity for a bone the frame has no entry for.
  TMatrix LocalMatrix(int boneId);
  void FlushLocalMatrixList() { FLocalMatrixList.reset(); }

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  TSkeletonFrameList* FOwner = nullptr;
  std::string FName;
  TAffineVectorList FPosition;
  TAffineVectorList FRotation;
  std::optional<std::vector<TMatrix>> FLocalMatrixList;
  TQuaternionList FQuaternion;
  TSkeletonFrameTransform FTransformMode = sftRotation;
};

// Bones, owned; a bone is the list of its children.
class TSkeletonBoneList : public TPersistentObjectList {
  CLIENT_DECLARE_CLASS(TSkeletonBoneList)
public:
  TSkeletonBoneList() = default;
  explicit TSkeletonBoneList(TSkeleton* skeleton) : FSkeleton(skeleton) {}
  ~TSkeletonBoneList() override;

  TSkeleton* GetSkeleton() const { return FSkeleton; }
  void SetSkeleton(TSkeleton* skeleton) { FSkeleton = skeleton; }
  TSkeletonBone* GetItems(int index) const;

  // The first bone of that identifier, depth first; none when absent.
  virtual TSkeletonBone* BoneByID(int id);
  virtual void BuildList(TRenderContextInfo& rci);
  virtual void PrepareGlobalMatrices();

  void Clear() override;
  // The bones' list archive, then the version.
  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

protected:
  // A read bone joins this list and its skeleton.
  void AfterObjectCreatedByReader(TObject* object) override;

private:
  TSkeleton* FSkeleton = nullptr;
};

// The top-level bones of a skeleton.
class TSkeletonRootBoneList : public TSkeletonBoneList {
  CLIENT_DECLARE_CLASS(TSkeletonRootBoneList)
public:
  using TSkeletonBoneList::TSkeletonBoneList;

  // Every bone as a point and a line to its parent, white and unlit.
  void BuildList(TRenderContextInfo& rci) override;
  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;
};

class TSkeletonBone : public TSkeletonBoneList {
  CLIENT_DECLARE_CLASS(TSkeletonBone)
public:
  // Appended to `owner` (and taking its skeleton) when one is given.
  explicit TSkeletonBone(TSkeletonBoneList* owner = nullptr);
  TSkeletonBone(TSkeletonBoneList* owner, int boneId);
  ~TSkeletonBone() override;

  TSkeletonBoneList* GetOwner() const override { return FOwner; }
  void SetOwner(TSkeletonBoneList* owner) { FOwner = owner; }
  int GetBoneID() const { return FBoneID; }
  void SetBoneID(int id);
  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  // Red in the lowest byte, alpha in the highest.
  std::uint32_t GetColor() const { return FColor; }
  void SetColor(std::uint32_t color) { FColor = color; }
  // The bone's transform in mesh space for the current frame.
  const TMatrix& GetGlobalMatrix() const { return FGlobalMatrix; }
  // The colliders that follow the bone.
  int FollowingColliderCount() const { return static_cast<int>(FColliders.size()); }

  TSkeletonBone* BoneByID(int id) override;
  // The local matrix of the current frame, times the parent's global one.
  void PrepareGlobalMatrices() override;
  void BuildList(TRenderContextInfo& rci) override;
  // Identifier 0, no name, no children.
  void Clean();

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  friend class TSkeletonCollider;

  TSkeletonBoneList* FOwner = nullptr;
  int FBoneID = 0;
  std::string FName;
  std::uint32_t FColor = 0xFFFFFFFFu;
  TMatrix FGlobalMatrix = IdentityHmgMatrix;
  // The colliders that follow this bone: a bone that goes lets them go.
  std::vector<TSkeletonCollider*> FColliders;
};

class TSkeletonColliderList : public TPersistentObjectList {
  CLIENT_DECLARE_CLASS(TSkeletonColliderList)
public:
  TSkeletonColliderList() = default;
  explicit TSkeletonColliderList(TSkeleton* owner) : FOwner(owner) {}  // CreateOwned
  ~TSkeletonColliderList() override;

  TSkeleton* GetSkeleton() const { return FOwner; }
  TSkeletonCollider* GetItems(int index) const;
  void Clear() override;
  // The colliders, each bound to the bone of its identifier.
  void ReadFromFiler(TVirtualReader& reader) override;
  void AlignColliders();

protected:
  void AfterObjectCreatedByReader(TObject* object) override;

private:
  TSkeleton* FOwner = nullptr;
};

// A volume that follows a bone (or stays put without one).
class TSkeletonCollider : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TSkeletonCollider)
public:
  // Appended to `owner` when one is given.
  explicit TSkeletonCollider(TSkeletonColliderList* owner = nullptr);
  ~TSkeletonCollider() override;

  TSkeletonColliderList* GetOwner() const override { return FOwner; }
  void SetOwner(TSkeletonColliderList* owner) { FOwner = owner; }
  // None once the bone is destroyed.
  TSkeletonBone* GetBone() const { return FBone; }
  void SetBone(TSkeletonBone* bone);
  // The identifier read from the archive (-1 for none).
  int GetBoneID() const { return FBoneID; }
  const TMatrix& GetLocalMatrix() const { return FLocalMatrix; }
  void SetLocalMatrix(const TMatrix& m) { FLocalMatrix = m; }
  const TMatrix& GetGlobalMatrix() const { return FGlobalMatrix; }

  // The local matrix times the bone's global matrix and the mesh's absolute
  // matrix.
  virtual void AlignCollider();

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  TSkeletonColliderList* FOwner = nullptr;
  TSkeletonBone* FBone = nullptr;
  int FBoneID = -1;
  TMatrix FLocalMatrix = IdentityHmgMatrix;
  TMatrix FGlobalMatrix = IdentityHmgMatrix;
};

// One blend of two frames and its weight.
struct TBlendedLerpInfo {
  int frameIndex1 = 0;
  int frameIndex2 = 0;
  float lerpFactor = 0.0f;
  float weight = 1.0f;
};

class TSkeleton : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TSkeleton)
public:
  TSkeleton();
  explicit TSkeleton(TGLBaseMesh* owner);  // CreateOwned
  ~TSkeleton() override;

  TPersistent* GetOwner() const override;
  TGLBaseMesh* GetBaseMesh() const { return FOwner; }
  TSkeletonRootBoneList& GetRootBones() { return *FRootBones; }
  const TSkeletonRootBoneList& GetRootBones() const { return *FRootBones; }
  TSkeletonFrameList& GetFrames() { return *FFrames; }
  const TSkeletonFrameList& GetFrames() const { return *FFrames; }
  TSkeletonColliderList& GetColliders() { return *FColliders; }
  const TSkeletonColliderList& GetColliders() const { return *FColliders; }

  // A copy of the first frame when there is none yet (an empty frame for a
  // skeleton without frames).
  TSkeletonFrame& GetCurrentFrame();
  // A copy of `frame` becomes the current frame.
  void SetCurrentFrame(const TSkeletonFrame& frame);

  // Through a cache of the bones by identifier, built on first use; none
  // for an identifier that names no bone. Of two bones of one identifier,
  // the later one depth first.
  TSkeletonBone* BoneByID(int id);
  void FlushBoneByIDCache() { FBonesByIDCache.reset(); }
  // One more than the largest bone identifier (0 without bones).
  std::int64_t BoneIDCount();

  // Bones freed, frames and colliders cleared, current frame gone.
  void Clear();
  // A new current frame blended from two frames.
  void Lerp(int frameIndex1, int frameIndex2, float lerpFactor);
  // At least one entry; rotations of the further entries are added to the
  // first entry's blend, positions come from the first entry alone.
  void BlendedLerps(std::span<const TBlendedLerpInfo> lerpInfos);
  // Global matrices of the current frame, colliders aligned, then every
  // skeleton mesh object of the base mesh re-posed.
  void MorphMesh(bool normalize);

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  // A new frame of frame index1's transform mode blended towards index2.
  std::unique_ptr<TSkeletonFrame> BlendFrames(int frameIndex1, int frameIndex2, float lerpFactor);

  TGLBaseMesh* FOwner = nullptr;
  std::unique_ptr<TSkeletonRootBoneList> FRootBones;
  std::unique_ptr<TSkeletonFrameList> FFrames;
  std::unique_ptr<TSkeletonFrame> FCurrentFrame;
  // Indexed by identifier while the identifiers are about as many as the
  // bones; sorted by identifier past that, so that it never grows with an
  // identifier's value.
  struct BoneIDCache {
    std::vector<TSkeletonBone*> byIndex;
    std::vector<std::pair<int, TSkeletonBone*>> sorted;
    std::int64_t idCount = 0;
  };
  std::optional<BoneIDCache> FBonesByIDCache;
  std::unique_ptr<TSkeletonColliderList> FColliders;
};

// One bone of a vertex and how much it moves it.
struct TVertexBoneWeight {
  std::int32_t BoneID = 0;
  float Weight = 0.0f;
};
static_assert(sizeof(TVertexBoneWeight) == 8);

// A mesh object re-posed by bones: per vertex, BonesPerVertex bones with
// their weights.
class TSkeletonMeshObject : public TMorphableMeshObject {
  CLIENT_DECLARE_CLASS(TSkeletonMeshObject)
public:
  TSkeletonMeshObject() = default;
  explicit TSkeletonMeshObject(TMeshObjectList* owner) { SetOwner(owner); }
  ~TSkeletonMeshObject() override;

  // The skeleton of the base mesh that holds the object, or none.
  TSkeleton* Skeleton() const;

  int GetVerticeBoneWeightCount() const { return FVerticeBoneWeightCount; }
  void SetVerticeBoneWeightCount(int count);
  int GetBonesPerVertex() const { return FBonesPerVertex; }
  void SetBonesPerVertex(int count);
  // The BonesPerVertex entries of one vertex.
  TVertexBoneWeight* VerticesBonesWeights(int vertex) {
    return FWeights.data() + static_cast<std::size_t>(vertex) * static_cast<std::size_t>(FBonesPerVertex);
  }
  const TVertexBoneWeight* VerticesBonesWeights(int vertex) const {
    return FWeights.data() + static_cast<std::size_t>(vertex) * static_cast<std::size_t>(FBonesPerVertex);
  }
  // The binding pose as last bound: how many vertices were bound, to how
  // many bone slots each, and a vertex in the space of one of its slots.
  int BoundVertexCount() const { return FBoundVertexCount; }
  int BoundSlotCount() const { return FBoundSlots; }
  const TAffineVector& BoundVertex(int vertex, int slot) const {
    return FBoundVertices[static_cast<std::size_t>(vertex) * static_cast<std::size_t>(FBoundSlots) +
                          static_cast<std::size_t>(slot)];
  }

  // Counts 0, weights and bound meshes freed.
  void Clear() override;
  // Resizes the block to the current counts, keeping the entries both
  // sizes have.
  void ResizeVerticesBonesWeights();
  // The binding pose: per bone slot, the mesh in the space of the bone its
  // vertices are bound to, by the bones' present global matrices. Only the
  // vertices that have weights are bound, one entry per weight, so that
  // the pose never outgrows the weights (which a file holds byte for byte).
  void PrepareBoneMatrixInvertedMeshes();
  // The vertices and normals moved by the bones' present global matrices.
  void ApplyCurrentSkeletonFrame(bool normalize);
  // The first bone identifier that is negative or names no bone of a
  // skeleton with bones, or weights for fewer vertices than there are.
  std::optional<std::string> BoneFault(TSkeleton* skeleton) const;

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  // The global matrix of a bone; the identity for one the skeleton lacks.
  TMatrix BoneMatrix(TSkeleton* skeleton, int boneId) const;

  std::vector<TVertexBoneWeight> FWeights;
  int FVerticeBoneWeightCount = 0;
  int FBonesPerVertex = 0;
  int FLastVerticeBoneWeightCount = 0;
  int FLastBonesPerVertex = 0;
  void DropBinding();

  // The binding pose, vertex by vertex as the weights are, a vertex's slots
  // side by side: FBoundSlots entries for each of the first
  // FBoundVertexCount vertices (and of the first FBoundNormalCount normals).
  std::vector<TAffineVector> FBoundVertices;
  std::vector<TAffineVector> FBoundNormals;
  int FBoundVertexCount = 0;
  int FBoundNormalCount = 0;
  int FBoundSlots = 0;
};
