#pragma once
// The scene objects that carry a mesh: a mesh object list and a skeleton,
// filled from vector files (objects/vector_file.h) or by code, drawn with
// materials taken by name from a material library (and light maps from a
// second one), turned inside out on request, centred after a load, hit by
// ray casts against their triangles. TGLFreeForm is the plain static mesh;
// the actor (objects/actor.h) adds frame animation.
//
// A mesh file is outside input: a load reads into a list of its own,
// checks that every index, count and bone fits, and only then replaces the
// mesh. A file that fails leaves the mesh as it was.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/custom_scene_object.h"
#include "engine/silhouette.h"
#include "engine/streams.h"
#include "objects/mesh_objects.h"
#include "objects/skeleton.h"
#include "objects/small_set.h"
#include "objects/vector_file.h"

class TGLMaterialLibrary;

enum TMeshAutoCentering : std::uint8_t { macCenterX, macCenterY, macCenterZ, macUseBarycenter };
using TMeshAutoCenterings = SmallSet<TMeshAutoCentering>;

class TGLBaseMesh : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLBaseMesh)
public:
  explicit TGLBaseMesh(TComponent* owner = nullptr);
  ~TGLBaseMesh() override;

  TMeshObjectList& GetMeshObjects() { return *FMeshObjects; }
  const TMeshObjectList& GetMeshObjects() const { return *FMeshObjects; }
  TSkeleton& GetSkeleton() { return *FSkeleton; }
  const TSkeleton& GetSkeleton() const { return *FSkeleton; }

  TMeshNormalsOrientation GetNormalsOrientation() const { return FNormalsOrientation; }
  void SetNormalsOrientation(TMeshNormalsOrientation value);
  // Not owned: the library tells the mesh when it goes.
  TGLMaterialLibrary* GetMaterialLibrary() const { return FMaterialLibrary; }
  void SetMaterialLibrary(TGLMaterialLibrary* value);
  TGLMaterialLibrary* GetLightmapLibrary() const { return FLightmapLibrary; }
  void SetLightmapLibrary(TGLMaterialLibrary* value);
  bool GetUseMeshMaterials() const { return FUseMeshMaterials; }
  void SetUseMeshMaterials(bool value);
  bool GetOverlaySkeleton() const { return FOverlaySkeleton; }
  void SetOverlaySkeleton(bool value);
  TMeshAutoCenterings GetAutoCentering() const { return FAutoCentering; }
  void SetAutoCentering(TMeshAutoCenterings value) { FAutoCentering = value; }
  bool GetMaterialLibraryCachePrepared() const { return FMaterialLibraryCachePrepared; }
  // An optional connectivity for silhouettes, owned; none unless set.
  TBaseConnectivity* GetConnectivity() const { return FConnectivity.get(); }
  void SetConnectivity(std::unique_ptr<TBaseConnectivity> connectivity) { FConnectivity = std::move(connectivity); }

  // From another base mesh: its settings, library references, skeleton
  // and mesh objects; then the scene object's part.
  void Assign(const TPersistent* source) override;

  // Nothing for an empty name. An unknown extension raises
  // EInvalidVectorFile and a damaged file the filer's error; either way the
  // mesh stays as it was.
  virtual void LoadFromFile(const std::string& fileName);
  virtual void LoadFromStream(const std::string& fileName, TStream& aStream);
  // Nothing for an empty name; the extension is resolved before any file
  // is created, so an unknown one leaves an existing file alone.
  virtual void SaveToFile(const std::string& fileName);
  virtual void SaveToStream(const std::string& fileName, TStream& aStream);
  // As loading, but added to the present mesh objects and skeleton, and
  // without auto-centering.
  virtual void AddDataFromFile(const std::string& fileName);
  virtual void AddDataFromStream(const std::string& fileName, TStream& aStream);

  // From +infinity and -infinity, widened by every mesh object.
  void GetExtents(TAffineVector& min, TAffineVector& max) const;
  // The mean of all vertices; the null vector without any.
  TAffineVector GetBarycenter() const;
  virtual void PerformAutoCentering();
  virtual void PrepareMesh();
  void StructureChanged() override;
  void PrepareMaterialLibraryCache();
  void DropMaterialLibraryCache();

  void DestroyHandle() override;
  void BuildList(TRenderContextInfo& rci) override;
  virtual void PrepareBuildList(TRenderContextInfo& rci);
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  // The larger of |min| and |max| of the mesh list's extents per axis,
  // cached until the next structure change.
  TVector4f AxisAlignedDimensionsUnscaled() const override;
  // Against every triangle of the mesh; the nearest hit wins, the first
  // triangle at equal distances.
  bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                        TVector4f* intersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& parameters) override;

protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Copies the mesh's settings into a vector file before it is used.
  virtual void PrepareVectorFile(TVectorFile& aFile);

private:
  // A vector file of the name's class, bound to this mesh.
  std::unique_ptr<TVectorFile> MakeVectorFile(const std::string& fileName);
  // Reads into a list of its own, checks it, then replaces (or adds to) the
  // mesh objects; false when nothing was read because the name is empty.
  bool ReadData(const std::string& fileName, TStream& aStream, bool replace);

  TMeshNormalsOrientation FNormalsOrientation = mnoDefault;
  TGLMaterialLibrary* FMaterialLibrary = nullptr;
  TGLMaterialLibrary* FLightmapLibrary = nullptr;
  mutable TVector4f FAxisAlignedDimensionsCache{-1, 0, 0, 0};
  bool FUseMeshMaterials = true;
  bool FOverlaySkeleton = false;
  TMeshAutoCenterings FAutoCentering;
  bool FMaterialLibraryCachePrepared = false;
  std::unique_ptr<TBaseConnectivity> FConnectivity;
  std::unique_ptr<TMeshObjectList> FMeshObjects;
  std::unique_ptr<TSkeleton> FSkeleton;
};

// The plain static mesh.
class TGLFreeForm : public TGLBaseMesh {
  CLIENT_DECLARE_CLASS(TGLFreeForm)
public:
  explicit TGLFreeForm(TComponent* owner = nullptr);
};

// The checks a loader runs over a mesh object list before anything of it
// reaches GL or a cache: every face group's indices and counts, against the
// object's own lists and the normals its morph targets put in their place,
// morph targets that fit the object and each other, and bones that exist
// in `skeleton` (when it has bones). EFilerException with the first fault
// found.
void ValidateMeshObjects(const TMeshObjectList& list, TSkeleton* skeleton);
