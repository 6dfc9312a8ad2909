#pragma once
// The mesh model: a list of mesh objects, each a self-contained piece of
// geometry (vertices, normals, texture coordinates, colours) drawn as a flat
// run of triangles, as one triangle strip, or through face groups that index
// into its vertex data (objects/face_groups.h). Morphable mesh objects add
// morph targets (other vertex and normal sets) to jump or blend between;
// skeleton mesh objects (objects/skeleton.h) build on them. Everything here
// writes itself to the binary filer; the "glsm" mesh file is the archive of
// one mesh object list.
//
// Lists own their items: an item leaves its owner's list when it is
// destroyed, and a list that clears sets each item's owner to none first.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/persistent_classes.h"
#include "engine/render_context_info.h"
#include "engine/vector_lists.h"
#include "objects/small_set.h"

class TFaceGroups;
class TGLBaseMesh;
class TGLMaterialLibrary;
class TMeshObject;
class TMorphableMeshObject;

enum TMeshObjectMode : std::uint8_t { momTriangles, momTriangleStrip, momFaceGroups };
constexpr int kMeshObjectModeCount = 3;
enum TMeshObjectRenderingOption : std::uint8_t { moroGroupByMaterial };
using TMeshObjectRenderingOptions = SmallSet<TMeshObjectRenderingOption>;

// Vertices and normals with a name.
class TBaseMeshObject : public TPersistentObject {
  CLIENT_DECLARE_CLASS(TBaseMeshObject)
public:
  TBaseMeshObject() = default;

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& name) { FName = name; }
  TAffineVectorList& GetVertices() { return FVertices; }
  const TAffineVectorList& GetVertices() const { return FVertices; }
  void SetVertices(const TAffineVectorList& value) { FVertices.Assign(&value); }
  TAffineVectorList& GetNormals() { return FNormals; }
  const TAffineVectorList& GetNormals() const { return FNormals; }
  void SetNormals(const TAffineVectorList& value) { FNormals.Assign(&value); }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool value) { FVisible = value; }

  virtual void Clear();
  // Adds the sum of the vertices to currentSum and their count to nb.
  virtual void ContributeToBarycenter(TAffineVector& currentSum, int& nb) const;
  virtual void Translate(const TAffineVector& delta);
  // A new list of triangles (three entries each); normals, when given,
  // receive the normals of the same triangles. An empty list when the
  // vertices do not make whole triangles.
  virtual std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                              TAffineVectorList* normals = nullptr) const;

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

protected:
  std::string FName;
  TAffineVectorList FVertices;
  TAffineVectorList FNormals;
  bool FVisible = true;
};

// The mesh objects of a base mesh, owned, drawn in list order.
class TMeshObjectList : public TPersistentObjectList {
  CLIENT_DECLARE_CLASS(TMeshObjectList)
public:
  TMeshObjectList() = default;
  explicit TMeshObjectList(TGLBaseMesh* owner) : FOwner(owner) {}  // CreateOwned
  ~TMeshObjectList() override;

  TPersistent* GetOwner() const override;
  TGLBaseMesh* GetBaseMesh() const { return FOwner; }
  TMeshObject* GetMeshObject(int index) const;

  // Material caches dropped, each item's owner set to none and the item
  // freed, then the list emptied.
  void Clear() override;
  // The list archive (only mesh objects are accepted as items), then every
  // item's owner is this list and skeleton mesh objects are bound again.
  void ReadFromFiler(TVirtualReader& reader) override;

  void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
  void DropMaterialLibraryCache();
  // Forwarded to every visible item, in list order.
  virtual void PrepareBuildList(TRenderContextInfo& rci);
  virtual void BuildList(TRenderContextInfo& rci);
  // Forwarded to every morphable item.
  void MorphTo(int morphTargetIndex);
  void Lerp(int morphTargetIndex1, int morphTargetIndex2, float lerpFactor);
  // The smallest morph-target count of the morphable items; 0 without any.
  int MorphTargetCount() const;
  // Starts from (1e30, ...) and (-1e30, ...), widened by every item.
  void GetExtents(TAffineVector& min, TAffineVector& max) const;
  void Translate(const TAffineVector& delta);
  // Every item's triangles, in list order, and the coordinates and normals
  // of the same triangles into the lists given.
  std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                      TAffineVectorList* normals = nullptr) const;
  void Prepare();
  // The items of `other` appended to this list (and owned by it); `other`
  // ends up empty.
  void TakeItemsFrom(TMeshObjectList& other);

protected:
  void AfterObjectCreatedByReader(TObject* object) override;

private:
  TGLBaseMesh* FOwner = nullptr;
};

class TMeshObject : public TBaseMeshObject {
  CLIENT_DECLARE_CLASS(TMeshObject)
public:
  TMeshObject();
  // CreateOwned: records the owner; the caller adds the object to it.
  explicit TMeshObject(TMeshObjectList* owner);
  // Leaves its owner's list first.
  ~TMeshObject() override;

  TMeshObjectList* GetOwner() const override { return FOwner; }
  void SetOwner(TMeshObjectList* owner) { FOwner = owner; }

  // Three components per entry; s and t reach GL.
  TAffineVectorList& GetTexCoords() { return FTexCoords; }
  const TAffineVectorList& GetTexCoords() const { return FTexCoords; }
  TTexPointList& GetLightMapTexCoords() { return FLightMapTexCoords; }
  const TTexPointList& GetLightMapTexCoords() const { return FLightMapTexCoords; }
  TVectorList& GetColors() { return FColors; }
  const TVectorList& GetColors() const { return FColors; }
  TFaceGroups& GetFaceGroups() { return *FFaceGroups; }
  const TFaceGroups& GetFaceGroups() const { return *FFaceGroups; }
  TMeshObjectMode GetMode() const { return FMode; }
  void SetMode(TMeshObjectMode mode) { FMode = mode; }
  TMeshObjectRenderingOptions GetRenderingOptions() const { return FRenderingOptions; }
  void SetRenderingOptions(TMeshObjectRenderingOptions options) { FRenderingOptions = options; }
  bool GetArraysDeclared() const { return FArraysDeclared; }
  bool GetLightMapArrayEnabled() const { return FLightMapArrayEnabled; }
  int GetLastLightMapIndex() const { return FLastLightMapIndex; }
  void SetLastLightMapIndex(int index) { FLastLightMapIndex = index; }

  void Clear() override;
  // By mode: the triangles as stored, the strip as triangles, or every face
  // group's triangles.
  std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                      TAffineVectorList* normals = nullptr) const override;
  virtual int TriangleCount() const;
  virtual void GetExtents(TAffineVector& min, TAffineVector& max) const;
  // Inside or on the bounding box of the vertices.
  virtual bool PointInObject(const TAffineVector& aPoint) const;
  virtual void Prepare();
  void PrepareMaterials(TGLMaterialLibrary* matLib);
  void DropMaterials();
  // Uploads the textures of the face groups' materials before a display
  // list is compiled.
  virtual void PrepareBuildList(TRenderContextInfo& rci);
  virtual void BuildList(TRenderContextInfo& rci);

  // Points the GL arrays at the data. An array is enabled only when it has
  // exactly as many entries as there are vertices, so that GL never reads
  // past a shorter one.
  void DeclareArraysToOpenGL(TRenderContextInfo& rci, bool evenIfAlreadyDeclared = false);
  // Undoes exactly what the declaration enabled.
  void DisableOpenGLArrays(TRenderContextInfo& rci);
  void EnableLightMapArray(TRenderContextInfo& rci);
  void DisableLightMapArray(TRenderContextInfo& rci);

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  void BuildFaceGroups(TRenderContextInfo& rci);

  TMeshObjectList* FOwner = nullptr;
  TAffineVectorList FTexCoords;
  TTexPointList FLightMapTexCoords;
  TVectorList FColors;
  std::unique_ptr<TFaceGroups> FFaceGroups;
  TMeshObjectMode FMode = momTriangles;
  TMeshObjectRenderingOptions FRenderingOptions;
  bool FArraysDeclared = false;
  bool FLightMapArrayEnabled = false;
  int FLastLightMapIndex = -1;
  // What the last declaration enabled, one bit per array.
  std::uint8_t FEnabledArrays = 0;
  bool FArraysLocked = false;
};

class TMeshMorphTarget;

class TMeshMorphTargetList : public TPersistentObjectList {
  CLIENT_DECLARE_CLASS(TMeshMorphTargetList)
public:
  TMeshMorphTargetList() = default;
  explicit TMeshMorphTargetList(TMeshObject* owner) : FOwner(owner) {}  // CreateOwned
  ~TMeshMorphTargetList() override;

  TMeshObject* GetOwner() const override { return FOwner; }
  TMeshMorphTarget* GetItems(int index) const;
  void Clear() override;
  void ReadFromFiler(TVirtualReader& reader) override;
  void Translate(const TAffineVector& delta);

protected:
  void AfterObjectCreatedByReader(TObject* object) override;

private:
  TMeshObject* FOwner = nullptr;
};

// A full alternative set of vertices and normals.
class TMeshMorphTarget : public TBaseMeshObject {
  CLIENT_DECLARE_CLASS(TMeshMorphTarget)
public:
  // CreateOwned: appended to `owner` when one is given.
  explicit TMeshMorphTarget(TMeshMorphTargetList* owner = nullptr);
  ~TMeshMorphTarget() override;

  TMeshMorphTargetList* GetOwner() const override { return FOwner; }
  void SetOwner(TMeshMorphTargetList* owner) { FOwner = owner; }

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  TMeshMorphTargetList* FOwner = nullptr;
};

class TMorphableMeshObject : public TMeshObject {
  CLIENT_DECLARE_CLASS(TMorphableMeshObject)
public:
  TMorphableMeshObject();
  explicit TMorphableMeshObject(TMeshObjectList* owner);
  ~TMorphableMeshObject() override;

  TMeshMorphTargetList& GetMorphTargets() { return *FMorphTargets; }
  const TMeshMorphTargetList& GetMorphTargets() const { return *FMorphTargets; }

  void Clear() override;
  void Translate(const TAffineVector& delta) override;
  // The target's vertices (and normals) replace the object's own, each when
  // the target has any. Index 0 without targets does nothing.
  void MorphTo(int morphTargetIndex);
  // The blend of two targets; factor 0 and 1 copy a target exactly. The two
  // targets must have as many vertices (and normals) as each other.
  void Lerp(int morphTargetIndex1, int morphTargetIndex2, float lerpFactor);
  // The first target, as text, that would not fit in place of the object's
  // own lists or that another target could not be blended with: every
  // target holds as many vertices as each other (none, or as many as the
  // object) and as many normals (none, or as many as the object's own when
  // it has any).
  std::optional<std::string> MorphTargetFault() const;
  // The normals every target puts in place of the object's own (0 for
  // none); meaningful once MorphTargetFault() found nothing.
  int MorphTargetNormalCount() const;

  void WriteToFiler(TVirtualWriter& writer) const override;
  void ReadFromFiler(TVirtualReader& reader) override;

private:
  std::unique_ptr<TMeshMorphTargetList> FMorphTargets;
};

// The error a loader raises for a mesh object list that does not hold
// together (an index past its list, a morph target of another size, a bone
// that does not exist): EFilerException with the fault's text.
[[noreturn]] void RaiseMeshFault(const std::string& fault);
