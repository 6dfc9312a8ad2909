#include "objects/base_mesh.h"

#include <cmath>
#include <limits>

#include "engine/application_file_io.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "engine/plane_geometry.h"
#include "engine/scene.h"
#include "engine/vector_geometry.h"
#include "objects/base_mesh_connectivity.h"
#include "objects/face_groups.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLBaseMesh, TGL3DSceneObject)
CLIENT_DEFINE_CLASS(TGLFreeForm, TGLBaseMesh)
CLIENT_REGISTER_CLASS(TGLFreeForm);

void ValidateMeshObjects(const TMeshObjectList& list, TSkeleton* skeleton) {
  for (int i = 0; i < list.GetCount(); ++i) {
    const TMeshObject& mesh = *list.GetMeshObject(i);
    const TFaceGroups& groups = mesh.GetFaceGroups();
    for (int g = 0; g < groups.GetCount(); ++g)
      if (auto fault = groups.GetItems(g)->IndexFault()) RaiseMeshFault(*fault);
    if (const auto* morph = dynamic_cast<const TMorphableMeshObject*>(&mesh)) {
      if (auto fault = morph->MorphTargetFault()) RaiseMeshFault(*fault);
      // The normals of a morph target take the place of the object's own:
      // the indices must fit them too.
      MeshListSizes morphed = MeshListSizes::Of(mesh);
      if (const int normals = morph->MorphTargetNormalCount(); normals > 0 && normals != morphed.normals) {
        morphed.normals = normals;
        for (int g = 0; g < groups.GetCount(); ++g)
          if (auto fault = groups.GetItems(g)->IndexFaultFor(morphed)) RaiseMeshFault(*fault);
      }
    }
    if (const auto* skin = dynamic_cast<const TSkeletonMeshObject*>(&mesh))
      if (auto fault = skin->BoneFault(skeleton)) RaiseMeshFault(*fault);
  }
}

TGLBaseMesh::TGLBaseMesh(TComponent* owner) : TGL3DSceneObject(owner) {
  FObjectStyle |= sosResetsGLStateCaches;
  if (!FMeshObjects) FMeshObjects = std::make_unique<TMeshObjectList>(this);
  if (!FSkeleton) FSkeleton = std::make_unique<TSkeleton>(this);
}

TGLBaseMesh::~TGLBaseMesh() {
  FConnectivity.reset();
  DropMaterialLibraryCache();
  if (FMaterialLibrary) FMaterialLibrary->RemoveFreeNotification(this);
  if (FLightmapLibrary) FLightmapLibrary->RemoveFreeNotification(this);
  FSkeleton.reset();
  FMeshObjects.reset();
}

// --- Settings -------------------------------------------------------------------------
void TGLBaseMesh::SetNormalsOrientation(TMeshNormalsOrientation value) {
  if (value == FNormalsOrientation) return;
  FNormalsOrientation = value;
  StructureChanged();
}

void TGLBaseMesh::SetMaterialLibrary(TGLMaterialLibrary* value) {
  if (value == FMaterialLibrary) return;
  DropMaterialLibraryCache();
  if (FMaterialLibrary) {
    DestroyHandle();
    FMaterialLibrary->RemoveFreeNotification(this);
  }
  FMaterialLibrary = value;
  if (value) value->FreeNotification(this);
  StructureChanged();
}

void TGLBaseMesh::SetLightmapLibrary(TGLMaterialLibrary* value) {
  if (value == FLightmapLibrary) return;
  if (FLightmapLibrary) {
    DestroyHandle();
    FLightmapLibrary->RemoveFreeNotification(this);
  }
  FLightmapLibrary = value;
  if (value) value->FreeNotification(this);
  StructureChanged();
}

void TGLBaseMesh::SetUseMeshMaterials(bool value) {
  if (value == FUseMeshMaterials) return;
  FUseMeshMaterials = value;
  if (!value) DropMaterialLibraryCache();
  StructureChanged();
}

void TGLBaseMesh::SetOverlaySkeleton(bool value) {
  if (value == FOverlaySkeleton) return;
  FOverlaySkeleton = value;
  NotifyChange(this);
}

void TGLBaseMesh::Notification(TComponent* component, TOperation operation) {
  // A library that is going is forgotten without being asked for anything:
  // its materials and textures are already gone.
  if (operation == opRemove && (component == FMaterialLibrary || component == FLightmapLibrary)) {
    if (component == FMaterialLibrary) {
      DropMaterialLibraryCache();
      FMaterialLibrary = nullptr;
    }
    if (component == FLightmapLibrary) FLightmapLibrary = nullptr;
    TGL3DSceneObject::DestroyHandle();
    StructureChanged();
  }
  TGL3DSceneObject::Notification(component, operation);
}

void TGLBaseMesh::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLBaseMesh*>(source)) {
    if (other != this) {
      FNormalsOrientation = other->FNormalsOrientation;
      // Through the setters, so that the libraries tell this mesh too when
      // they go.
      SetMaterialLibrary(other->FMaterialLibrary);
      SetLightmapLibrary(other->FLightmapLibrary);
      FAxisAlignedDimensionsCache = other->FAxisAlignedDimensionsCache;
      FUseMeshMaterials = other->FUseMeshMaterials;
      FOverlaySkeleton = other->FOverlaySkeleton;
      FAutoCentering = other->FAutoCentering;
      FSkeleton->Assign(other->FSkeleton.get());
      FMeshObjects->Assign(other->FMeshObjects.get());
    }
  }
  TGL3DSceneObject::Assign(source);
}

// --- Files ---------------------------------------------------------------------------------
void TGLBaseMesh::PrepareVectorFile(TVectorFile& aFile) { aFile.SetNormalsOrientation(FNormalsOrientation); }

std::unique_ptr<TVectorFile> TGLBaseMesh::MakeVectorFile(const std::string& fileName) {
  std::unique_ptr<TVectorFile> file = CreateVectorFile(GetVectorFileFormats().FindFromFileName(fileName), this);
  file->SetResourceName(fileName);
  PrepareVectorFile(*file);
  return file;
}

bool TGLBaseMesh::ReadData(const std::string& fileName, TStream& aStream, bool replace) {
  if (fileName.empty()) return false;
  std::unique_ptr<TVectorFile> file = MakeVectorFile(fileName);
  TMeshObjectList staged;
  file->SetMeshObjects(&staged);
  TGL3DScene* scene = GetScene();
  if (scene) scene->BeginUpdate();
  try {
    file->LoadFromStream(aStream);
  } catch (...) {
    if (scene) scene->EndUpdate();
    throw;
  }
  if (scene) scene->EndUpdate();
  // A load replaces the skeleton with an empty one: bones can be checked
  // only against a skeleton that stays.
  TSkeleton none;
  ValidateMeshObjects(staged, replace ? &none : FSkeleton.get());
  if (replace) {
    FMeshObjects->Clear();
    FSkeleton->Clear();
  }
  const int first = FMeshObjects->GetCount();
  FMeshObjects->TakeItemsFrom(staged);
  for (int i = first; i < FMeshObjects->GetCount(); ++i)
    if (auto* skin = dynamic_cast<TSkeletonMeshObject*>(FMeshObjects->GetMeshObject(i)))
      skin->PrepareBoneMatrixInvertedMeshes();
  return true;
}

void TGLBaseMesh::LoadFromFile(const std::string& fileName) {
  if (fileName.empty()) return;
  std::unique_ptr<TStream> stream = CreateFileStream(fileName);
  LoadFromStream(fileName, *stream);
}

void TGLBaseMesh::LoadFromStream(const std::string& fileName, TStream& aStream) {
  if (!ReadData(fileName, aStream, true)) return;
  PerformAutoCentering();
  PrepareMesh();
}

void TGLBaseMesh::AddDataFromFile(const std::string& fileName) {
  if (fileName.empty()) return;
  std::unique_ptr<TStream> stream = CreateFileStream(fileName);
  AddDataFromStream(fileName, *stream);
}

void TGLBaseMesh::AddDataFromStream(const std::string& fileName, TStream& aStream) {
  if (!ReadData(fileName, aStream, false)) return;
  PrepareMesh();
}

void TGLBaseMesh::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return;
  // Written to memory first: an unknown extension or a failing writer
  // leaves an existing file as it was.
  TMemoryStream data;
  SaveToStream(fileName, data);
  std::unique_ptr<TStream> stream = CreateFileStream(fileName, fmCreate);
  if (!data.Bytes().empty()) stream->WriteBuffer(data.Bytes().data(), data.Bytes().size());
}

void TGLBaseMesh::SaveToStream(const std::string& fileName, TStream& aStream) {
  if (fileName.empty()) return;
  MakeVectorFile(fileName)->SaveToStream(aStream);
}

// --- Geometry ----------------------------------------------------------------------------------
void TGLBaseMesh::GetExtents(TAffineVector& min, TAffineVector& max) const {
  const float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int i = 0; i < FMeshObjects->GetCount(); ++i) {
    TAffineVector lmin, lmax;
    FMeshObjects->GetMeshObject(i)->GetExtents(lmin, lmax);
    for (int k = 0; k < 3; ++k) {
      min[k] = std::fmin(min[k], lmin[k]);
      max[k] = std::fmax(max[k], lmax[k]);
    }
  }
}

TAffineVector TGLBaseMesh::GetBarycenter() const {
  TAffineVector sum;
  int count = 0;
  for (int i = 0; i < FMeshObjects->GetCount(); ++i) FMeshObjects->GetMeshObject(i)->ContributeToBarycenter(sum, count);
  if (count == 0) return {};
  return VectorScale(sum, 1.0f / static_cast<float>(count));
}

void TGLBaseMesh::PerformAutoCentering() {
  TAffineVector delta;
  if (FAutoCentering.Contains(macUseBarycenter)) {
    delta = AffineVectorNegate(GetBarycenter());
  } else {
    TAffineVector min, max;
    GetExtents(min, max);
    const TMeshAutoCentering axes[3] = {macCenterX, macCenterY, macCenterZ};
    for (int k = 0; k < 3; ++k)
      if (FAutoCentering.Contains(axes[k])) delta[k] = -(min[k] + max[k]) * 0.5f;
  }
  FMeshObjects->Translate(delta);
}

void TGLBaseMesh::PrepareMesh() { StructureChanged(); }

void TGLBaseMesh::StructureChanged() {
  FAxisAlignedDimensionsCache[0] = -1;
  DropMaterialLibraryCache();
  FMeshObjects->Prepare();
  TGL3DSceneObject::StructureChanged();
}

void TGLBaseMesh::PrepareMaterialLibraryCache() {
  if (FMaterialLibraryCachePrepared) DropMaterialLibraryCache();
  FMeshObjects->PrepareMaterialLibraryCache(FMaterialLibrary);
  FMaterialLibraryCachePrepared = true;
}

void TGLBaseMesh::DropMaterialLibraryCache() {
  if (!FMaterialLibraryCachePrepared || !FMeshObjects) return;
  FMeshObjects->DropMaterialLibraryCache();
  FMaterialLibraryCachePrepared = false;
}

TVector4f TGLBaseMesh::AxisAlignedDimensionsUnscaled() const {
  if (FAxisAlignedDimensionsCache[0] < 0) {
    TAffineVector min, max;
    FMeshObjects->GetExtents(min, max);
    for (int k = 0; k < 3; ++k) FAxisAlignedDimensionsCache[k] = std::fmax(std::fabs(min[k]), std::fabs(max[k]));
    FAxisAlignedDimensionsCache[3] = 0;
  }
  return FAxisAlignedDimensionsCache;
}

bool TGLBaseMesh::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                   TVector4f* intersectNormal) {
  const std::unique_ptr<TAffineVectorList> triangles = FMeshObjects->ExtractTriangles();
  const TVector4f start = AbsoluteToLocal(TVector4f{rayStart[0], rayStart[1], rayStart[2], 1});
  const TVector4f vector = AbsoluteToLocal(TVector4f{rayVector[0], rayVector[1], rayVector[2], 0});
  float minDist = -1;
  TVector4f point, normal;
  for (int i = 0; i + 2 < triangles->GetCount(); i += 3) {
    TVector4f ip, in;
    if (!RayCastTriangleIntersect(start, vector, (*triangles)[i], (*triangles)[i + 1], (*triangles)[i + 2], &ip, &in))
      continue;
    const float d = VectorDistance2(start, ip);
    if (minDist < 0 || d < minDist) {
      minDist = d;
      point = ip;
      normal = in;
    }
  }
  if (minDist < 0) return false;
  if (intersectPoint) *intersectPoint = LocalToAbsolute(TVector4f{point[0], point[1], point[2], 1});
  if (intersectNormal) {
    *intersectNormal = LocalToAbsolute(TVector4f{normal[0], normal[1], normal[2], 0});
    if (FNormalsOrientation == mnoInvert) NegateVector(*intersectNormal);
  }
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseMesh::GenerateSilhouette(const TGLSilhouetteParameters& parameters) {
  std::unique_ptr<TGLSilhouette> silhouette;
  if (FConnectivity) {
    FConnectivity->CreateSilhouette(parameters, silhouette, false);
  } else {
    TGLBaseMeshConnectivity connectivity(*this);
    connectivity.CreateSilhouette(parameters, silhouette, false);
  }
  return silhouette;
}

// --- Drawing --------------------------------------------------------------------------------------
void TGLBaseMesh::DestroyHandle() {
  if (FMaterialLibrary) FMaterialLibrary->DestroyHandles();
  if (FLightmapLibrary) FLightmapLibrary->DestroyHandles();
  TGL3DSceneObject::DestroyHandle();
}

void TGLBaseMesh::PrepareBuildList(TRenderContextInfo& rci) {
  FMeshObjects->PrepareBuildList(rci);
  if (FLightmapLibrary) FLightmapLibrary->GetMaterials()->PrepareBuildList();
}

void TGLBaseMesh::BuildList(TRenderContextInfo& rci) { FMeshObjects->BuildList(rci); }

void TGLBaseMesh::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  CLIENT_ASSERT(FNormalsOrientation == mnoDefault || FNormalsOrientation == mnoInvert);
  // Undone whichever way the drawing ends.
  struct Restore {
    TRenderContextInfo& rci;
    TGLMaterialLibrary* materialLibrary;
    TGLMaterialLibrary* lightmapLibrary;
    bool allowSecondUnit = false;
    bool invertBack = false;
    ~Restore() {
      if (invertBack) InvertGLFrontFace();
      rci.materialLibrary = materialLibrary;
      rci.lightmapLibrary = lightmapLibrary;
      if (allowSecondUnit) xgl::AllowSecondTextureUnit();
    }
  } restore{rci, rci.materialLibrary, rci.lightmapLibrary};
  if (FLightmapLibrary) {
    xgl::ForbidSecondTextureUnit();
    restore.allowSecondUnit = true;
  }
  if (renderSelf) {
    if (FNormalsOrientation == mnoInvert) {
      InvertGLFrontFace();
      restore.invertBack = true;
    }
    const bool direct = (FObjectStyle & sosDirectDraw) || rci.amalgamating;
    auto draw = [&] {
      if (direct)
        BuildList(rci);
      else
        CallList(rci);
    };
    if (rci.ignoreMaterials) {
      draw();
    } else {
      if (FUseMeshMaterials && FMaterialLibrary) {
        if (!FMaterialLibraryCachePrepared) PrepareMaterialLibraryCache();
        rci.materialLibrary = FMaterialLibrary;
      } else {
        rci.materialLibrary = nullptr;
      }
      rci.lightmapLibrary = FLightmapLibrary;
      if (rci.amalgamating || (!HasValidList() && !(FObjectStyle & sosDirectDraw))) PrepareBuildList(rci);
      TGLMaterial* material = GetMaterial();
      material->Apply(rci);
      try {
        do {
          draw();
        } while (material->UnApply(rci));
      } catch (...) {
        constexpr int kMaxPassesAfterFailure = 64;
        for (int pass = 0; pass < kMaxPassesAfterFailure && material->UnApply(rci); ++pass) {
        }
        throw;
      }
    }
  }
  if (renderChildren && GetCount() > 0) RenderChildren(0, GetCount() - 1, rci);
}

// --- TGLFreeForm ---------------------------------------------------------------------------------------
TGLFreeForm::TGLFreeForm(TComponent* owner) : TGLBaseMesh(owner) { SetUseMeshMaterials(true); }
