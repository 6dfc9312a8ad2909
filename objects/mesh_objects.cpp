#include "objects/mesh_objects.h"

#include <algorithm>
#include <climits>

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "engine/vector_geometry.h"
#include "objects/base_mesh.h"
#include "objects/face_groups.h"
#include "objects/mesh_utils.h"
#include "objects/owned_object_lists.h"
#include "objects/skeleton.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TBaseMeshObject, TPersistentObject)
CLIENT_DEFINE_CLASS(TMeshObjectList, TPersistentObjectList)
CLIENT_DEFINE_CLASS(TMeshObject, TBaseMeshObject)
CLIENT_DEFINE_CLASS(TMeshMorphTarget, TBaseMeshObject)
CLIENT_DEFINE_CLASS(TMeshMorphTargetList, TPersistentObjectList)
CLIENT_DEFINE_CLASS(TMorphableMeshObject, TMeshObject)
CLIENT_REGISTER_CLASS(TMeshObject);
CLIENT_REGISTER_CLASS(TMeshMorphTarget);
CLIENT_REGISTER_CLASS(TMorphableMeshObject);

void RaiseMeshFault(const std::string& fault) { throw EFilerException(fault); }

namespace {
// The arrays a declaration enabled.
constexpr std::uint8_t kVertexArray = 1, kNormalArray = 2, kColorArray = 4, kTexCoordArray = 8, kLightMapArray = 16;

// Appends `count` entries: the list's own when it has exactly that many
// (the per-vertex data of the triangles), zero entries otherwise, so that
// the outputs stay aligned with the triangles.
void AppendAligned(const TAffineVectorList& source, int count, TAffineVectorList& destination) {
  if (source.GetCount() == count) {
    destination.AddList(source);
  } else {
    destination.AddNulls(count);
  }
}

// The strip conversion of per-vertex data, or zero entries for every
// triangle corner when the data does not match the vertices.
void AppendAlignedStrip(const TAffineVectorList& source, int vertexCount, TAffineVectorList& destination) {
  if (source.GetCount() == vertexCount)
    StripToTriangleList(source, destination);
  else if (vertexCount >= 3)
    destination.AddNulls((vertexCount - 2) * 3);
}

int g_renderGroupCounter = 1;
}  // namespace

// --- TBaseMeshObject ----------------------------------------------------------
void TBaseMeshObject::Clear() {
  FNormals.Clear();
  FVertices.Clear();
}

void TBaseMeshObject::ContributeToBarycenter(TAffineVector& currentSum, int& nb) const {
  AddAffineVectorInPlace(currentSum, FVertices.Sum());
  nb += FVertices.GetCount();
}

void TBaseMeshObject::Translate(const TAffineVector& delta) { FVertices.Translate(delta); }

std::unique_ptr<TAffineVectorList> TBaseMeshObject::ExtractTriangles(TAffineVectorList*,
                                                                     TAffineVectorList* normals) const {
  auto result = std::make_unique<TAffineVectorList>();
  const int n = FVertices.GetCount();
  if (n % 3 == 0) {
    result->Assign(&FVertices);
    if (normals) AppendAligned(FNormals, n, *normals);
  }
  return result;
}

void TBaseMeshObject::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  writer.WriteInteger(1);  // archive version
  writer.WriteString(FName);
  FVertices.WriteToFiler(writer);
  FNormals.WriteToFiler(writer);
  writer.WriteBoolean(FVisible);
}

void TBaseMeshObject::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObject::ReadFromFiler(reader);
  const int version = ReadArchiveVersion(reader, 1);
  FName = reader.ReadString();
  FVertices.ReadFromFiler(reader);
  FNormals.ReadFromFiler(reader);
  FVisible = version >= 1 ? reader.ReadBoolean() : true;
}

// --- TMeshObjectList ----------------------------------------------------------
TMeshObjectList::~TMeshObjectList() { Clear(); }

TPersistent* TMeshObjectList::GetOwner() const { return FOwner; }

TMeshObject* TMeshObjectList::GetMeshObject(int index) const { return static_cast<TMeshObject*>(GetItems(index)); }

void TMeshObjectList::Clear() {
  DropMaterialLibraryCache();
  FreeOwnedItems<TMeshObject>(*this);
}

void TMeshObjectList::AfterObjectCreatedByReader(TObject* object) {
  CheckReadItemKind(object, TMeshObject::StaticClass());
}

void TMeshObjectList::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObjectList::ReadFromFiler(reader);
  RejectNilItems(*this);
  AdoptItems<TMeshObject>(*this, this);
  // Skins are bound against the skeleton of the mesh that holds them. A
  // list of its own (a file staged by a mesh) has none: the mesh that takes
  // its items checks them and binds them then, once.
  if (!FOwner) return;
  for (int i = 0; i < GetCount(); ++i)
    if (auto* skin = dynamic_cast<TSkeletonMeshObject*>(GetMeshObject(i))) skin->PrepareBoneMatrixInvertedMeshes();
}

void TMeshObjectList::TakeItemsFrom(TMeshObjectList& other) {
  if (&other == this) return;
  for (int i = 0; i < other.GetCount(); ++i) {
    TMeshObject* item = other.GetMeshObject(i);
    if (!item) continue;
    item->SetOwner(this);
    Add(item);
  }
  other.TPersistentObjectList::Clear();
}

void TMeshObjectList::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib) {
  for (int i = 0; i < GetCount(); ++i) GetMeshObject(i)->PrepareMaterials(matLib);
}

void TMeshObjectList::DropMaterialLibraryCache() {
  for (int i = 0; i < GetCount(); ++i)
    if (TMeshObject* item = GetMeshObject(i)) item->DropMaterials();
}

void TMeshObjectList::PrepareBuildList(TRenderContextInfo& rci) {
  for (int i = 0; i < GetCount(); ++i)
    if (GetMeshObject(i)->GetVisible()) GetMeshObject(i)->PrepareBuildList(rci);
}

void TMeshObjectList::BuildList(TRenderContextInfo& rci) {
  for (int i = 0; i < GetCount(); ++i)
    if (GetMeshObject(i)->GetVisible()) GetMeshObject(i)->BuildList(rci);
}

void TMeshObjectList::MorphTo(int morphTargetIndex) {
  for (int i = 0; i < GetCount(); ++i)
    if (auto* morph = dynamic_cast<TMorphableMeshObject*>(GetMeshObject(i))) morph->MorphTo(morphTargetIndex);
}

void TMeshObjectList::Lerp(int morphTargetIndex1, int morphTargetIndex2, float lerpFactor) {
  for (int i = 0; i < GetCount(); ++i)
    if (auto* morph = dynamic_cast<TMorphableMeshObject*>(GetMeshObject(i)))
      morph->Lerp(morphTargetIndex1, morphTargetIndex2, lerpFactor);
}

int TMeshObjectList::MorphTargetCount() const {
  int result = INT_MAX;
  for (int i = 0; i < GetCount(); ++i)
    if (const auto* morph = dynamic_cast<const TMorphableMeshObject*>(GetMeshObject(i)))
      result = std::min(result, morph->GetMorphTargets().GetCount());
  return result == INT_MAX ? 0 : result;
}

void TMeshObjectList::GetExtents(TAffineVector& min, TAffineVector& max) const {
  min = {1e30f, 1e30f, 1e30f};
  max = {-1e30f, -1e30f, -1e30f};
  for (int i = 0; i < GetCount(); ++i) {
    TAffineVector lmin, lmax;
    GetMeshObject(i)->GetExtents(lmin, lmax);
    for (int k = 0; k < 3; ++k) {
      min[k] = std::min(min[k], lmin[k]);
      max[k] = std::max(max[k], lmax[k]);
    }
  }
}

void TMeshObjectList::Translate(const TAffineVector& delta) {
  for (int i = 0; i < GetCount(); ++i) GetMeshObject(i)->Translate(delta);
}

std::unique_ptr<TAffineVectorList> TMeshObjectList::ExtractTriangles(TAffineVectorList* texCoords,
                                                                     TAffineVectorList* normals) const {
  auto result = std::make_unique<TAffineVectorList>();
  TAffineVectorList scratchTex, scratchNormals;
  for (int i = 0; i < GetCount(); ++i) {
    const std::unique_ptr<TAffineVectorList> triangles =
        GetMeshObject(i)->ExtractTriangles(texCoords ? &scratchTex : nullptr, normals ? &scratchNormals : nullptr);
    result->AddList(*triangles);
    if (texCoords) {
      texCoords->AddList(scratchTex);
      scratchTex.Flush();
    }
    if (normals) {
      normals->AddList(scratchNormals);
      scratchNormals.Flush();
    }
  }
  return result;
}

void TMeshObjectList::Prepare() {
  for (int i = 0; i < GetCount(); ++i) GetMeshObject(i)->Prepare();
}

// --- TMeshObject ----------------------------------------------------------------
TMeshObject::TMeshObject() : FFaceGroups(std::make_unique<TFaceGroups>(this)) {}

TMeshObject::TMeshObject(TMeshObjectList* owner) : TMeshObject() { FOwner = owner; }

TMeshObject::~TMeshObject() {
  FFaceGroups.reset();
  if (FOwner) FOwner->Remove(this);
}

void TMeshObject::Clear() {
  TBaseMeshObject::Clear();
  FFaceGroups->Clear();
  FColors.Clear();
  FTexCoords.Clear();
  FLightMapTexCoords.Clear();
}

std::unique_ptr<TAffineVectorList> TMeshObject::ExtractTriangles(TAffineVectorList* texCoords,
                                                                 TAffineVectorList* normals) const {
  const int n = FVertices.GetCount();
  switch (FMode) {
    case momTriangles: {
      auto result = TBaseMeshObject::ExtractTriangles(texCoords, normals);
      if (texCoords && n % 3 == 0) AppendAligned(FTexCoords, n, *texCoords);
      return result;
    }
    case momTriangleStrip: {
      auto result = std::make_unique<TAffineVectorList>();
      StripToTriangleList(FVertices, *result);
      if (texCoords) AppendAlignedStrip(FTexCoords, n, *texCoords);
      if (normals) AppendAlignedStrip(FNormals, n, *normals);
      return result;
    }
    case momFaceGroups: {
      auto result = std::make_unique<TAffineVectorList>();
      FFaceGroups->AddToTriangles(result.get(), texCoords, normals);
      return result;
    }
  }
  CLIENT_ASSERT(false, "Unknown mesh object mode");
  return std::make_unique<TAffineVectorList>();
}

int TMeshObject::TriangleCount() const {
  switch (FMode) {
    case momTriangles:
      return FVertices.GetCount() / 3;
    case momTriangleStrip:
      return std::max(FVertices.GetCount() - 2, 0);
    case momFaceGroups: {
      int result = 0;
      for (int i = 0; i < FFaceGroups->GetCount(); ++i) result += FFaceGroups->GetItems(i)->TriangleCount();
      return result;
    }
  }
  return 0;
}

void TMeshObject::GetExtents(TAffineVector& min, TAffineVector& max) const { FVertices.GetExtents(min, max); }

bool TMeshObject::PointInObject(const TAffineVector& aPoint) const {
  TAffineVector min, max;
  GetExtents(min, max);
  for (int k = 0; k < 3; ++k)
    if (aPoint[k] < min[k] || aPoint[k] > max[k]) return false;
  return true;
}

void TMeshObject::Prepare() {
  for (int i = 0; i < FFaceGroups->GetCount(); ++i) FFaceGroups->GetItems(i)->Prepare();
}

void TMeshObject::PrepareMaterials(TGLMaterialLibrary* matLib) { FFaceGroups->PrepareMaterialLibraryCache(matLib); }

void TMeshObject::DropMaterials() { FFaceGroups->DropMaterialLibraryCache(); }

void TMeshObject::PrepareBuildList(TRenderContextInfo& rci) {
  if (FMode != momFaceGroups || !rci.materialLibrary) return;
  for (int i = 0; i < FFaceGroups->GetCount(); ++i)
    if (TGLLibMaterial* material = FFaceGroups->GetItems(i)->GetMaterialCache()) material->PrepareBuildList();
}

void TMeshObject::DeclareArraysToOpenGL(TRenderContextInfo& rci, bool evenIfAlreadyDeclared) {
  if (FArraysDeclared && !evenIfAlreadyDeclared) return;
  if (FArraysDeclared) DisableOpenGLArrays(rci);
  const GLApi& gl = GL();
  const int n = FVertices.GetCount();
  FEnabledArrays = 0;
  if (n > 0) {
    gl.glVertexPointer(3, GL_FLOAT, 0, FVertices.Data());
    gl.glEnableClientState(GL_VERTEX_ARRAY);
    FEnabledArrays |= kVertexArray;
  } else {
    gl.glDisableClientState(GL_VERTEX_ARRAY);
  }
  if (rci.ignoreMaterials) {
    gl.glDisableClientState(GL_NORMAL_ARRAY);
    gl.glDisableClientState(GL_COLOR_ARRAY);
    xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY);
  } else {
    if (n > 0 && FNormals.GetCount() == n) {
      gl.glNormalPointer(GL_FLOAT, 0, FNormals.Data());
      gl.glEnableClientState(GL_NORMAL_ARRAY);
      FEnabledArrays |= kNormalArray;
    } else {
      gl.glDisableClientState(GL_NORMAL_ARRAY);
    }
    if (n > 0 && FColors.GetCount() == n) {
      gl.glColorPointer(4, GL_FLOAT, 0, FColors.Data());
      gl.glEnableClientState(GL_COLOR_ARRAY);
      FEnabledArrays |= kColorArray;
    } else {
      gl.glDisableClientState(GL_COLOR_ARRAY);
    }
    if (n > 0 && FTexCoords.GetCount() == n) {
      // s and t of each three-component entry.
      xgl::TexCoordPointer(2, GL_FLOAT, sizeof(TAffineVector), FTexCoords.Data());
      xgl::EnableClientState(GL_TEXTURE_COORD_ARRAY);
      FEnabledArrays |= kTexCoordArray;
    } else {
      xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (gl.Extensions.ARB_multitexture && n > 0 && FLightMapTexCoords.GetCount() == n) {
      gl.glClientActiveTextureARB(GL_TEXTURE1_ARB);
      gl.glTexCoordPointer(2, GL_FLOAT, sizeof(TTexPoint), FLightMapTexCoords.Data());
      gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
      FEnabledArrays |= kLightMapArray;
    }
  }
  FArraysLocked = gl.Extensions.EXT_compiled_vertex_array && n > 0 && FLightMapTexCoords.GetCount() == 0;
  if (FArraysLocked) gl.glLockArraysEXT(0, n);
  FLastLightMapIndex = -1;
  FArraysDeclared = true;
  FLightMapArrayEnabled = false;
}

void TMeshObject::DisableOpenGLArrays(TRenderContextInfo& rci) {
  if (!FArraysDeclared) return;
  DisableLightMapArray(rci);
  const GLApi& gl = GL();
  if (FArraysLocked) gl.glUnlockArraysEXT();
  FArraysLocked = false;
  if (FEnabledArrays & kVertexArray) gl.glDisableClientState(GL_VERTEX_ARRAY);
  if (FEnabledArrays & kNormalArray) gl.glDisableClientState(GL_NORMAL_ARRAY);
  if (FEnabledArrays & kColorArray) gl.glDisableClientState(GL_COLOR_ARRAY);
  if (FEnabledArrays & kTexCoordArray) xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (FEnabledArrays & kLightMapArray) {
    gl.glClientActiveTextureARB(GL_TEXTURE1_ARB);
    gl.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
  }
  FEnabledArrays = 0;
  FArraysDeclared = false;
}

void TMeshObject::EnableLightMapArray(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  if (!gl.Extensions.ARB_multitexture || rci.ignoreMaterials) return;
  CLIENT_ASSERT(FArraysDeclared);
  if (FLightMapArrayEnabled) return;
  gl.glActiveTextureARB(GL_TEXTURE1_ARB);
  gl.glEnable(GL_TEXTURE_2D);
  gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  FLightMapArrayEnabled = true;
}

void TMeshObject::DisableLightMapArray(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  if (!gl.Extensions.ARB_multitexture || !FLightMapArrayEnabled) return;
  gl.glActiveTextureARB(GL_TEXTURE1_ARB);
  gl.glDisable(GL_TEXTURE_2D);
  gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  FLightMapArrayEnabled = false;
}

void TMeshObject::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  FArraysDeclared = false;
  const int n = FVertices.GetCount();
  const bool gotColor = n > 0 && FColors.GetCount() == n;
  // Taken back whichever way the build ends: the attribute group, then the
  // arrays.
  struct Restore {
    TMeshObject& object;
    TRenderContextInfo& rci;
    bool popAttrib;
    ~Restore() {
      if (popAttrib) GL().glPopAttrib();
      object.DisableOpenGLArrays(rci);
    }
  } restore{*this, rci, gotColor};
  if (gotColor) {
    gl.glPushAttrib(GL_ENABLE_BIT);
    gl.glEnable(GL_COLOR_MATERIAL);
    gl.glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    ResetGLMaterialColors();
  }
  switch (FMode) {
    case momTriangles:
    case momTriangleStrip: {
      if (n == 0) break;
      DeclareArraysToOpenGL(rci, false);
      const bool gotNormals = FNormals.GetCount() == n;
      const bool gotTexCoords = FTexCoords.GetCount() == n;
      gl.glBegin(FMode == momTriangles ? GL_TRIANGLES : GL_TRIANGLE_STRIP);
      for (int i = 0; i < n; ++i) {
        if (gotNormals) gl.glNormal3fv(FNormals[i].V);
        if (gotTexCoords) xgl::TexCoord2fv(FTexCoords[i].V);
        if (gotColor) gl.glColor4fv(FColors[i].V);
        gl.glVertex3fv(FVertices[i].V);
      }
      gl.glEnd();
      break;
    }
    case momFaceGroups:
      BuildFaceGroups(rci);
      break;
    default:
      CLIENT_ASSERT(false, "Unknown mesh object mode");
  }
}

void TMeshObject::BuildFaceGroups(TRenderContextInfo& rci) {
  TFaceGroups& groups = *FFaceGroups;
  const int count = groups.GetCount();
  if (!rci.materialLibrary) {
    for (int i = 0; i < count; ++i) groups.GetItems(i)->BuildList(rci);
    return;
  }
  // Draws the groups once per pass their material asks for; a failure
  // takes the material off before it goes on.
  auto drawPasses = [&rci](TGLLibMaterial* material, const std::vector<TFaceGroup*>& batch) {
    if (material) material->Apply(rci);
    try {
      do {
        for (TFaceGroup* group : batch) group->BuildList(rci);
      } while (material && material->UnApply(rci));
    } catch (...) {
      constexpr int kMaxPassesAfterFailure = 64;
      for (int pass = 0; material && pass < kMaxPassesAfterFailure && material->UnApply(rci); ++pass) {
      }
      throw;
    }
  };
  std::vector<TFaceGroup*> batch;
  if (FRenderingOptions.Contains(moroGroupByMaterial)) {
    const int id = g_renderGroupCounter++;
    for (int i = 0; i < count; ++i) {
      TFaceGroup* first = groups.GetItems(i);
      if (first->GetRenderGroupID() == id) continue;
      TGLLibMaterial* material = first->GetMaterialCache();
      // Every group of that material is collected once and drawn on every
      // pass, not only on the first.
      batch.clear();
      for (int j = i; j < count; ++j) {
        TFaceGroup* group = groups.GetItems(j);
        if (group->GetRenderGroupID() != id && group->GetMaterialCache() == material) {
          group->SetRenderGroupID(id);
          batch.push_back(group);
        }
      }
      drawPasses(material, batch);
    }
  } else {
    int i = 0;
    while (i < count) {
      TGLLibMaterial* material = groups.GetItems(i)->GetMaterialCache();
      batch.clear();
      int j = i;
      if (material) {
        while (j < count && groups.GetItems(j)->GetMaterialCache() == material) batch.push_back(groups.GetItems(j++));
      } else {
        batch.push_back(groups.GetItems(j++));
      }
      drawPasses(material, batch);
      i = j;
    }
  }
  // A material may have changed face culling; the buffer's setting again.
  if (rci.GLStates.Contains(stCullFace) && !rci.bufferFaceCull)
    UnSetGLState(rci.GLStates, stCullFace);
  else if (!rci.GLStates.Contains(stCullFace) && rci.bufferFaceCull)
    SetGLState(rci.GLStates, stCullFace);
}

void TMeshObject::WriteToFiler(TVirtualWriter& writer) const {
  TBaseMeshObject::WriteToFiler(writer);
  const bool lightMap = FLightMapTexCoords.GetCount() > 0;
  writer.WriteInteger(lightMap ? 1 : 0);  // archive version
  FTexCoords.WriteToFiler(writer);
  if (lightMap) FLightMapTexCoords.WriteToFiler(writer);
  FColors.WriteToFiler(writer);
  FFaceGroups->WriteToFiler(writer);
  writer.WriteInteger(FMode);
  writer.WriteInteger(1);  // byte size of the options
  const auto options = static_cast<std::uint8_t>(FRenderingOptions.Bits());
  writer.Write(&options, 1);
}

void TMeshObject::ReadFromFiler(TVirtualReader& reader) {
  TBaseMeshObject::ReadFromFiler(reader);
  const int version = ReadArchiveVersion(reader, 1);
  FTexCoords.ReadFromFiler(reader);
  if (version == 1)
    FLightMapTexCoords.ReadFromFiler(reader);
  else
    FLightMapTexCoords.Clear();
  FColors.ReadFromFiler(reader);
  FFaceGroups->ReadFromFiler(reader);
  const int mode = reader.ReadInteger();
  if (mode < 0 || mode >= kMeshObjectModeCount)
    RaiseMeshFault(ClassName() + " : mode " + std::to_string(mode) + " unknown");
  FMode = static_cast<TMeshObjectMode>(mode);
  const int optionSize = reader.ReadInteger();
  if (optionSize != 1)
    RaiseMeshFault(ClassName() + " : option size " + std::to_string(optionSize) + " in archive, 1 expected");
  std::uint8_t options = 0;
  reader.Read(&options, 1);
  FRenderingOptions = TMeshObjectRenderingOptions::FromBits(options);
}

// --- Morph targets --------------------------------------------------------------
TMeshMorphTarget::TMeshMorphTarget(TMeshMorphTargetList* owner) : FOwner(owner) {
  if (owner) owner->Add(this);
}

TMeshMorphTarget::~TMeshMorphTarget() {
  if (FOwner) FOwner->Remove(this);
}

void TMeshMorphTarget::WriteToFiler(TVirtualWriter& writer) const {
  TBaseMeshObject::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
}

void TMeshMorphTarget::ReadFromFiler(TVirtualReader& reader) {
  TBaseMeshObject::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
}

TMeshMorphTargetList::~TMeshMorphTargetList() { Clear(); }

TMeshMorphTarget* TMeshMorphTargetList::GetItems(int index) const {
  return static_cast<TMeshMorphTarget*>(TPersistentObjectList::GetItems(index));
}

void TMeshMorphTargetList::Clear() { FreeOwnedItems<TMeshMorphTarget>(*this); }

void TMeshMorphTargetList::AfterObjectCreatedByReader(TObject* object) {
  CheckReadItemKind(object, TMeshMorphTarget::StaticClass());
}

void TMeshMorphTargetList::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObjectList::ReadFromFiler(reader);
  RejectNilItems(*this);
  AdoptItems<TMeshMorphTarget>(*this, this);
}

void TMeshMorphTargetList::Translate(const TAffineVector& delta) {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->Translate(delta);
}

// --- TMorphableMeshObject ---------------------------------------------------------
TMorphableMeshObject::TMorphableMeshObject() : FMorphTargets(std::make_unique<TMeshMorphTargetList>(this)) {}

TMorphableMeshObject::TMorphableMeshObject(TMeshObjectList* owner) : TMorphableMeshObject() { SetOwner(owner); }

TMorphableMeshObject::~TMorphableMeshObject() = default;

void TMorphableMeshObject::Clear() {
  TMeshObject::Clear();
  FMorphTargets->Clear();
}

void TMorphableMeshObject::Translate(const TAffineVector& delta) {
  TMeshObject::Translate(delta);
  FMorphTargets->Translate(delta);
}

void TMorphableMeshObject::MorphTo(int morphTargetIndex) {
  const int count = FMorphTargets->GetCount();
  if (morphTargetIndex == 0 && count == 0) return;
  CLIENT_ASSERT(static_cast<unsigned>(morphTargetIndex) < static_cast<unsigned>(count));
  const TMeshMorphTarget* target = FMorphTargets->GetItems(morphTargetIndex);
  if (target->GetVertices().GetCount() > 0) FVertices.Assign(&target->GetVertices());
  if (target->GetNormals().GetCount() > 0) FNormals.Assign(&target->GetNormals());
}

void TMorphableMeshObject::Lerp(int morphTargetIndex1, int morphTargetIndex2, float lerpFactor) {
  const auto count = static_cast<unsigned>(FMorphTargets->GetCount());
  CLIENT_ASSERT(static_cast<unsigned>(morphTargetIndex1) < count && static_cast<unsigned>(morphTargetIndex2) < count);
  if (lerpFactor == 0.0f) {
    MorphTo(morphTargetIndex1);
  } else if (lerpFactor == 1.0f) {
    MorphTo(morphTargetIndex2);
  } else {
    const TMeshMorphTarget* t1 = FMorphTargets->GetItems(morphTargetIndex1);
    const TMeshMorphTarget* t2 = FMorphTargets->GetItems(morphTargetIndex2);
    if (t1->GetVertices().GetCount() > 0) {
      CLIENT_ASSERT(t1->GetVertices().GetCount() == t2->GetVertices().GetCount(),
                    "Morph targets of different vertex counts");
      FVertices.Lerp(t1->GetVertices(), t2->GetVertices(), lerpFactor);
    }
    if (t1->GetNormals().GetCount() > 0) {
      CLIENT_ASSERT(t1->GetNormals().GetCount() == t2->GetNormals().GetCount(),
                    "Morph targets of different normal counts");
      FNormals.Lerp(t1->GetNormals(), t2->GetNormals(), lerpFactor);
      FNormals.Normalize();
    }
  }
}

std::optional<std::string> TMorphableMeshObject::MorphTargetFault() const {
  const int vertices = FVertices.GetCount();
  const int normals = FNormals.GetCount();
  for (int t = 0; t < FMorphTargets->GetCount(); ++t) {
    const TMeshMorphTarget* target = FMorphTargets->GetItems(t);
    const int targetVertices = target->GetVertices().GetCount();
    const int targetNormals = target->GetNormals().GetCount();
    if ((targetVertices != 0 && targetVertices != vertices) ||
        (targetNormals != 0 && normals != 0 && targetNormals != normals))
      return ClassName() + " : morph target " + std::to_string(t) + " of another size than the mesh";
    // Any two targets are blended: a list one of them lacks cannot be.
    const TMeshMorphTarget* first = FMorphTargets->GetItems(0);
    if (targetVertices != first->GetVertices().GetCount() || targetNormals != first->GetNormals().GetCount())
      return ClassName() + " : morph target " + std::to_string(t) + " of another size than morph target 0";
  }
  return std::nullopt;
}

int TMorphableMeshObject::MorphTargetNormalCount() const {
  return FMorphTargets->GetCount() > 0 ? FMorphTargets->GetItems(0)->GetNormals().GetCount() : 0;
}

void TMorphableMeshObject::WriteToFiler(TVirtualWriter& writer) const {
  TMeshObject::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  FMorphTargets->WriteToFiler(writer);
}

void TMorphableMeshObject::ReadFromFiler(TVirtualReader& reader) {
  TMeshObject::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  FMorphTargets->ReadFromFiler(reader);
}
