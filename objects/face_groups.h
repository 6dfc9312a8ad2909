#pragma once
// Face groups: the faces of a mesh object in face-group mode, as indices
// into its vertex data, each group with a material of the scene's material
// library and, optionally, a light map of a second library. Three kinds:
// plain vertex indices (drawn through the mesh object's vertex arrays),
// separate vertex, normal and texture-coordinate indices, and vertex indices
// with texture coordinates of their own (both drawn in immediate mode).
//
// Indices come from files: IndexFault() names the first index that does not
// fit the mesh object's lists, which the loader turns into a filer error and
// the drawing code into an assertion failure before anything reaches GL. A
// loader also asks IndexFaultFor() about the lists a morph target puts in
// place of the object's own.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/persistent_classes.h"
#include "engine/render_context_info.h"
#include "engine/vector_lists.h"
#include "objects/mesh_objects.h"

class TFaceGroup;
class TGLLibMaterial;
class TGLMaterialLibrary;

enum TFaceGroupMeshMode : std::uint8_t { fgmmTriangles, fgmmTriangleStrip, fgmmFlatTriangles, fgmmTriangleFan };
constexpr int kFaceGroupMeshModeCount = 4;

// The owned face groups of one mesh object.
class TFaceGroups : public TPersistentObjectList {
  CLIENT_DECLARE_CLASS(TFaceGroups)
public:
  TFaceGroups() = default;
  explicit TFaceGroups(TMeshObject* owner) : FOwner(owner) {}  // CreateOwned
  ~TFaceGroups() override;

  TMeshObject* GetOwner() const override { return FOwner; }
  TFaceGroup* GetItems(int index) const;

  // Each group's owner set to none, the group freed, then the list emptied.
  void Clear() override;
  // The list archive; only face groups are accepted as items.
  void ReadFromFiler(TVirtualReader& reader) override;

  void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
  void DropMaterialLibraryCache();
  void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                      TAffineVectorList* aNormals = nullptr) const;

protected:
  void AfterObjectCreatedByReader(TObject* object) override;

private:
  TMeshObject* FOwner = nullptr;
};

// The lengths of the mesh object's lists that a face group's indices point
// into.
struct MeshListSizes {
  int vertices = 0;
  int normals = 0;
  int texCoords = 0;
  static MeshListSizes Of(const TMeshObject& mesh);
};

class TFaceGroup : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TFaceGroup)
public:
  // CreateOwned: appended to `owner` when one is given.
  explicit TFaceGroup(TFaceGroups* owner = nullptr);
  // Leaves its owner's list first.
  ~TFaceGroup() override;

  TFaceGroups* GetOwner() const override { return FOwner; }
  void SetOwner(TFaceGroups* owner) { FOwner = owner; }
  // The mesh object whose vertex data the indices refer to, or none.
  TMeshObject* MeshObject() const { return FOwner ? FOwner->GetOwner() : nullptr; }

  const std::string& GetMaterialName() const { return FMaterialName; }
  void SetMaterialName(const std::string& name) { FMaterialName = name; }
  TGLLibMaterial* GetMaterialCache() const { return FMaterialCache; }
  int GetLightMapIndex() const { return FLightMapIndex; }
  void SetLightMapIndex(int index) { FLightMapIndex = index; }
  int GetRenderGroupID() const { return FRenderGroupID; }
  void SetRenderGroupID(int id) { FRenderGroupID = id; }

  // The library material of that name (none for an empty name or library).
  void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
  void DropMaterialLibraryCache() { FMaterialCache = nullptr; }

  virtual void BuildList(TRenderContextInfo& rci) = 0;
  // Appends the triangles of the group, three entries each, to the lists
  // given; the three stay aligned (zero entries where data is missing).
  virtual void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                              TAffineVectorList* aNormals) const {}
  virtual int TriangleCount() const = 0;
  virtual void Reverse() {}
  virtual void Prepare() {}
  // The first index or count that does not fit the owner's lists, as text;
  // nothing when every index is in range.
  std::optional<std::string> IndexFault() const;
  // The same against lists of the given lengths.
  virtual std::optional<std::string> IndexFaultFor(const MeshListSizes&) const { return std::nullopt; }

  // Binds the light map of the group to the second texture unit (or takes
  // it off), only when it differs from the one bound by the group before.
  void AttachOrDetachLightmap(TRenderContextInfo& rci);

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  TFaceGroups* FOwner = nullptr;
  std::string FMaterialName;
  TGLLibMaterial* FMaterialCache = nullptr;
  int FLightMapIndex = -1;
  int FRenderGroupID = 0;
};

// Faces as indices into the mesh object's vertices, drawn through its
// vertex arrays.
class TFGVertexIndexList : public TFaceGroup {
  CLIENT_DECLARE_CLASS(TFGVertexIndexList)
public:
  explicit TFGVertexIndexList(TFaceGroups* owner = nullptr) : TFaceGroup(owner) {}

  TIntegerList& GetVertexIndices() { return FVertexIndices; }
  const TIntegerList& GetVertexIndices() const { return FVertexIndices; }
  void SetVertexIndices(const TIntegerList& value) { FVertexIndices.Assign(&value); }
  TFaceGroupMeshMode GetMode() const { return FMode; }
  void SetMode(TFaceGroupMeshMode mode) { FMode = mode; }

  void BuildList(TRenderContextInfo& rci) override;
  void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                      TAffineVectorList* aNormals) const override;
  int TriangleCount() const override;
  void Reverse() override { FVertexIndices.Reverse(); }
  std::optional<std::string> IndexFaultFor(const MeshListSizes& sizes) const override;

  // Appends to `destination` the triangles that the first `count` indices
  // describe in this group's mode; an empty source appends as many zero
  // entries. Nothing for a missing destination or fewer than 3 indices.
  void AddToList(const TAffineVectorList& source, TAffineVectorList* destination, const TIntegerList& indices,
                 int count) const;

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

protected:
  TIntegerList FVertexIndices;
  TFaceGroupMeshMode FMode = fgmmTriangles;
};

// Vertex, normal and texture-coordinate indices of their own; an empty
// normal or texture-coordinate list means the vertex indices serve.
class TFGVertexNormalTexIndexList : public TFGVertexIndexList {
  CLIENT_DECLARE_CLASS(TFGVertexNormalTexIndexList)
public:
  explicit TFGVertexNormalTexIndexList(TFaceGroups* owner = nullptr) : TFGVertexIndexList(owner) {}

  TIntegerList& GetNormalIndices() { return FNormalIndices; }
  const TIntegerList& GetNormalIndices() const { return FNormalIndices; }
  TIntegerList& GetTexCoordIndices() { return FTexCoordIndices; }
  const TIntegerList& GetTexCoordIndices() const { return FTexCoordIndices; }

  void BuildList(TRenderContextInfo& rci) override;
  void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                      TAffineVectorList* aNormals) const override;
  std::optional<std::string> IndexFaultFor(const MeshListSizes& sizes) const override;

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  const TIntegerList& NormalIndicesInUse() const { return FNormalIndices.GetCount() ? FNormalIndices : FVertexIndices; }
  const TIntegerList& TexCoordIndicesInUse() const {
    return FTexCoordIndices.GetCount() ? FTexCoordIndices : FVertexIndices;
  }

  TIntegerList FNormalIndices;
  TIntegerList FTexCoordIndices;
};

// Vertex indices with one texture coordinate of the group's own per index.
class TFGIndexTexCoordList : public TFGVertexIndexList {
  CLIENT_DECLARE_CLASS(TFGIndexTexCoordList)
public:
  explicit TFGIndexTexCoordList(TFaceGroups* owner = nullptr) : TFGVertexIndexList(owner) {}

  TAffineVectorList& GetTexCoords() { return FTexCoords; }
  const TAffineVectorList& GetTexCoords() const { return FTexCoords; }

  void BuildList(TRenderContextInfo& rci) override;
  void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                      TAffineVectorList* aNormals) const override;
  std::optional<std::string> IndexFaultFor(const MeshListSizes& sizes) const override;

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  TAffineVectorList FTexCoords;
};

// The GL primitive of a face-group mode (assertion failure for another value).
GLenum FaceGroupModeToGL(TFaceGroupMeshMode mode);
