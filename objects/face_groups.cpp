#include "objects/face_groups.h"

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "engine/texture.h"
#include "engine/texture_image.h"
#include "objects/mesh_utils.h"
#include "objects/owned_object_lists.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TFaceGroups, TPersistentObjectList)
CLIENT_DEFINE_CLASS(TFaceGroup, TPersistentObject)
CLIENT_DEFINE_CLASS(TFGVertexIndexList, TFaceGroup)
CLIENT_DEFINE_CLASS(TFGVertexNormalTexIndexList, TFGVertexIndexList)
CLIENT_DEFINE_CLASS(TFGIndexTexCoordList, TFGVertexIndexList)
CLIENT_REGISTER_CLASS(TFaceGroup);
CLIENT_REGISTER_CLASS(TFGVertexIndexList);
CLIENT_REGISTER_CLASS(TFGVertexNormalTexIndexList);
CLIENT_REGISTER_CLASS(TFGIndexTexCoordList);

GLenum FaceGroupModeToGL(TFaceGroupMeshMode mode) {
  switch (mode) {
    case fgmmTriangles:
    case fgmmFlatTriangles:
      return GL_TRIANGLES;
    case fgmmTriangleStrip:
      return GL_TRIANGLE_STRIP;
    case fgmmTriangleFan:
      return GL_TRIANGLE_FAN;
  }
  CLIENT_ASSERT(false, "Unknown face group mode");
  return GL_TRIANGLES;
}

namespace {
const TAffineVectorList& EmptyVectors() {
  static const TAffineVectorList empty;
  return empty;
}

// The first of `count` indices that is not below `limit`, as text.
std::optional<std::string> IndexPast(const char* what, const TIntegerList& indices, int count, int limit) {
  for (int i = 0; i < count; ++i)
    if (indices[i] < 0 || indices[i] >= limit)
      return std::string(what) + " " + std::to_string(indices[i]) + " at " + std::to_string(i) + " past " +
             std::to_string(limit) + " entries";
  return std::nullopt;
}

// Raised before anything reaches GL.
void AssertNoFault(const std::optional<std::string>& fault) {
  if (fault) RaiseAssertion(fault->c_str(), __FILE__, __LINE__);
}
}  // namespace

// --- TFaceGroups ------------------------------------------------------------------
TFaceGroups::~TFaceGroups() { Clear(); }

TFaceGroup* TFaceGroups::GetItems(int index) const {
  return static_cast<TFaceGroup*>(TPersistentObjectList::GetItems(index));
}

void TFaceGroups::Clear() { FreeOwnedItems<TFaceGroup>(*this); }

void TFaceGroups::AfterObjectCreatedByReader(TObject* object) { CheckReadItemKind(object, TFaceGroup::StaticClass()); }

void TFaceGroups::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObjectList::ReadFromFiler(reader);
  RejectNilItems(*this);
  AdoptItems<TFaceGroup>(*this, this);
}

void TFaceGroups::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib) {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->PrepareMaterialLibraryCache(matLib);
}

void TFaceGroups::DropMaterialLibraryCache() {
  for (int i = 0; i < GetCount(); ++i)
    if (TFaceGroup* group = GetItems(i)) group->DropMaterialLibraryCache();
}

void TFaceGroups::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                 TAffineVectorList* aNormals) const {
  for (int i = 0; i < GetCount(); ++i) GetItems(i)->AddToTriangles(aList, aTexCoords, aNormals);
}

// --- TFaceGroup -------------------------------------------------------------------
TFaceGroup::TFaceGroup(TFaceGroups* owner) : FOwner(owner) {
  if (owner) owner->Add(this);
}

TFaceGroup::~TFaceGroup() {
  if (FOwner) FOwner->Remove(this);
}

void TFaceGroup::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib) {
  FMaterialCache = (!FMaterialName.empty() && matLib) ? matLib->LibMaterialByName(FMaterialName) : nullptr;
}

void TFaceGroup::AttachOrDetachLightmap(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  TMeshObject* mesh = MeshObject();
  if (!gl.Extensions.ARB_multitexture || rci.ignoreMaterials || !rci.lightmapLibrary || !mesh) return;
  if (mesh->GetLastLightMapIndex() == FLightMapIndex) return;
  if (FLightMapIndex >= 0) {
    TGLLibMaterials* materials = rci.lightmapLibrary->GetMaterials();
    CLIENT_ASSERT(FLightMapIndex < materials->GetCount(), "Light map index past the light-map library");
    TGLTexture* texture = materials->GetItems(FLightMapIndex)->GetMaterial()->GetTexture();
    CLIENT_ASSERT(texture->GetImage()->NativeTextureTarget() == GL_TEXTURE_2D, "Light map is not a 2D texture");
    mesh->SetLastLightMapIndex(FLightMapIndex);
    gl.glActiveTextureARB(GL_TEXTURE1_ARB);
    SetGLCurrentTexture(1, GL_TEXTURE_2D, texture->GetHandle(1));
    gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    mesh->EnableLightMapArray(rci);
  } else {
    mesh->SetLastLightMapIndex(FLightMapIndex);
    mesh->DisableLightMapArray(rci);
  }
}

void TFaceGroup::WriteToFiler(TVirtualWriter& writer) const {
  TPersistentObject::WriteToFiler(writer);
  const bool lightMap = FLightMapIndex >= 0;
  writer.WriteInteger(lightMap ? 1 : 0);  // archive version
  writer.WriteString(FMaterialName);
  if (lightMap) writer.WriteInteger(FLightMapIndex);
}

void TFaceGroup::ReadFromFiler(TVirtualReader& reader) {
  TPersistentObject::ReadFromFiler(reader);
  const int version = ReadArchiveVersion(reader, 1);
  FMaterialName = reader.ReadString();
  FLightMapIndex = version == 1 ? reader.ReadInteger() : -1;
}

MeshListSizes MeshListSizes::Of(const TMeshObject& mesh) {
  return {mesh.GetVertices().GetCount(), mesh.GetNormals().GetCount(), mesh.GetTexCoords().GetCount()};
}

std::optional<std::string> TFaceGroup::IndexFault() const {
  const TMeshObject* mesh = MeshObject();
  return IndexFaultFor(mesh ? MeshListSizes::Of(*mesh) : MeshListSizes{});
}

// --- TFGVertexIndexList -------------------------------------------------------------
std::optional<std::string> TFGVertexIndexList::IndexFaultFor(const MeshListSizes& sizes) const {
  if (static_cast<int>(FMode) >= kFaceGroupMeshModeCount) return ClassName() + " : mode " + std::to_string(FMode) + " unknown";
  return IndexPast((ClassName() + " : vertex index").c_str(), FVertexIndices, FVertexIndices.GetCount(),
                   sizes.vertices);
}

void TFGVertexIndexList::BuildList(TRenderContextInfo& rci) {
  if (FVertexIndices.GetCount() == 0) return;
  AssertNoFault(IndexFault());
  TMeshObject* mesh = MeshObject();
  mesh->DeclareArraysToOpenGL(rci, false);
  AttachOrDetachLightmap(rci);
  GL().glDrawElements(FaceGroupModeToGL(FMode), FVertexIndices.GetCount(), GL_UNSIGNED_INT, FVertexIndices.Data());
}

void TFGVertexIndexList::AddToList(const TAffineVectorList& source, TAffineVectorList* destination,
                                   const TIntegerList& indices, int count) const {
  if (!destination || count < 3) return;
  const bool empty = source.GetCount() == 0;
  if (!empty) AssertNoFault(IndexPast("Face group index", indices, count, source.GetCount()));
  switch (FMode) {
    case fgmmTriangles:
    case fgmmFlatTriangles: {
      const int n = (count / 3) * 3;
      if (empty) {
        destination->AddNulls(n);
        return;
      }
      destination->AdjustCapacityToAtLeast(destination->GetCount() + n);
      for (int i = 0; i < n; ++i) destination->Add(source[indices[i]]);
      return;
    }
    case fgmmTriangleStrip: {
      if (empty) {
        destination->AddNulls((count - 2) * 3);
        return;
      }
      TIntegerList used;
      used.SetCount(count);
      for (int i = 0; i < count; ++i) used[i] = indices[i];
      IndexedStripToTriangleList(source, used, *destination);
      return;
    }
    case fgmmTriangleFan: {
      const int n = (count - 2) * 3;
      if (empty) {
        destination->AddNulls(n);
        return;
      }
      destination->AdjustCapacityToAtLeast(destination->GetCount() + n);
      for (int i = 2; i < count; ++i)
        destination->Add(source[indices[0]], source[indices[i - 1]], source[indices[i]]);
      return;
    }
  }
  CLIENT_ASSERT(false, "Unknown face group mode");
}

void TFGVertexIndexList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                        TAffineVectorList* aNormals) const {
  const TMeshObject* mesh = MeshObject();
  if (!mesh) return;
  const int n = FVertexIndices.GetCount();
  const int vertexCount = mesh->GetVertices().GetCount();
  // Per-vertex data shorter than the vertices counts as missing (zero
  // entries), as it does in the vertex arrays.
  auto perVertex = [vertexCount](const TAffineVectorList& list) -> const TAffineVectorList& {
    return list.GetCount() >= vertexCount ? list : EmptyVectors();
  };
  AddToList(mesh->GetVertices(), aList, FVertexIndices, n);
  AddToList(perVertex(mesh->GetTexCoords()), aTexCoords, FVertexIndices, n);
  AddToList(perVertex(mesh->GetNormals()), aNormals, FVertexIndices, n);
}

int TFGVertexIndexList::TriangleCount() const {
  const int n = FVertexIndices.GetCount();
  switch (FMode) {
    case fgmmTriangles:
    case fgmmFlatTriangles:
      return n / 3;
    case fgmmTriangleStrip:
    case fgmmTriangleFan:
      return n >= 2 ? n - 2 : 0;
  }
  CLIENT_ASSERT(false, "Unknown face group mode");
  return 0;
}

void TFGVertexIndexList::WriteToFiler(TVirtualWriter& writer) const {
  TFaceGroup::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  FVertexIndices.WriteToFiler(writer);
  writer.WriteInteger(FMode);
}

void TFGVertexIndexList::ReadFromFiler(TVirtualReader& reader) {
  TFaceGroup::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  FVertexIndices.ReadFromFiler(reader);
  const int mode = reader.ReadInteger();
  if (mode < 0 || mode >= kFaceGroupMeshModeCount)
    RaiseMeshFault(ClassName() + " : mode " + std::to_string(mode) + " unknown");
  FMode = static_cast<TFaceGroupMeshMode>(mode);
}

// --- TFGVertexNormalTexIndexList ------------------------------------------------------
std::optional<std::string> TFGVertexNormalTexIndexList::IndexFaultFor(const MeshListSizes& sizes) const {
  if (auto fault = TFGVertexIndexList::IndexFaultFor(sizes)) return fault;
  const int n = FVertexIndices.GetCount();
  if (FNormalIndices.GetCount() != 0 && FNormalIndices.GetCount() < n)
    return ClassName() + " : fewer normal indices than vertex indices";
  if (FTexCoordIndices.GetCount() != 0 && FTexCoordIndices.GetCount() < n)
    return ClassName() + " : fewer texture-coordinate indices than vertex indices";
  // Lists that are empty are not drawn from.
  if (sizes.normals > 0)
    if (auto fault = IndexPast((ClassName() + " : normal index").c_str(), NormalIndicesInUse(), n, sizes.normals))
      return fault;
  if (sizes.texCoords > 0)
    return IndexPast((ClassName() + " : texture-coordinate index").c_str(), TexCoordIndicesInUse(), n,
                     sizes.texCoords);
  return std::nullopt;
}

void TFGVertexNormalTexIndexList::BuildList(TRenderContextInfo&) {
  AssertNoFault(IndexFault());
  const TMeshObject* mesh = MeshObject();
  if (!mesh) return;
  const GLApi& gl = GL();
  const TAffineVectorList& vertices = mesh->GetVertices();
  const TAffineVectorList& normals = mesh->GetNormals();
  const TAffineVectorList& texCoords = mesh->GetTexCoords();
  const TIntegerList& normalIndices = NormalIndicesInUse();
  const TIntegerList& texCoordIndices = TexCoordIndicesInUse();
  // Without normals nothing is sent for them (the indices have nothing to
  // point at).
  const bool gotNormals = normals.GetCount() > 0;
  const bool gotTexCoords = texCoords.GetCount() > 0;
  gl.glBegin(FaceGroupModeToGL(FMode));
  for (int i = 0; i < FVertexIndices.GetCount(); ++i) {
    if (gotNormals) gl.glNormal3fv(normals[normalIndices[i]].V);
    if (gotTexCoords) xgl::TexCoord2fv(texCoords[texCoordIndices[i]].V);
    gl.glVertex3fv(vertices[FVertexIndices[i]].V);
  }
  gl.glEnd();
}

void TFGVertexNormalTexIndexList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                                 TAffineVectorList* aNormals) const {
  const TMeshObject* mesh = MeshObject();
  if (!mesh) return;
  const int n = FVertexIndices.GetCount();
  AddToList(mesh->GetVertices(), aList, FVertexIndices, n);
  AddToList(mesh->GetTexCoords(), aTexCoords, TexCoordIndicesInUse(), n);
  AddToList(mesh->GetNormals(), aNormals, NormalIndicesInUse(), n);
}

void TFGVertexNormalTexIndexList::WriteToFiler(TVirtualWriter& writer) const {
  TFGVertexIndexList::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  FNormalIndices.WriteToFiler(writer);
  FTexCoordIndices.WriteToFiler(writer);
}

void TFGVertexNormalTexIndexList::ReadFromFiler(TVirtualReader& reader) {
  TFGVertexIndexList::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  FNormalIndices.ReadFromFiler(reader);
  FTexCoordIndices.ReadFromFiler(reader);
}

// --- TFGIndexTexCoordList ---------------------------------------------------------------
std::optional<std::string> TFGIndexTexCoordList::IndexFaultFor(const MeshListSizes& sizes) const {
  if (auto fault = TFGVertexIndexList::IndexFaultFor(sizes)) return fault;
  if (FTexCoords.GetCount() != FVertexIndices.GetCount())
    return ClassName() + " : " + std::to_string(FTexCoords.GetCount()) + " texture coordinates for " +
           std::to_string(FVertexIndices.GetCount()) + " indices";
  return std::nullopt;
}

void TFGIndexTexCoordList::BuildList(TRenderContextInfo&) {
  AssertNoFault(IndexFault());
  const TMeshObject* mesh = MeshObject();
  if (!mesh) return;
  const GLApi& gl = GL();
  const TAffineVectorList& vertices = mesh->GetVertices();
  const TAffineVectorList& normals = mesh->GetNormals();
  const bool gotNormals = normals.GetCount() == vertices.GetCount();
  gl.glBegin(FaceGroupModeToGL(FMode));
  for (int i = 0; i < FVertexIndices.GetCount(); ++i) {
    xgl::TexCoord2fv(FTexCoords[i].V);
    if (gotNormals) gl.glNormal3fv(normals[FVertexIndices[i]].V);
    gl.glVertex3fv(vertices[FVertexIndices[i]].V);
  }
  gl.glEnd();
}

void TFGIndexTexCoordList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                          TAffineVectorList* aNormals) const {
  const TMeshObject* mesh = MeshObject();
  if (!mesh) return;
  const int n = FVertexIndices.GetCount();
  const int vertexCount = mesh->GetVertices().GetCount();
  AddToList(mesh->GetVertices(), aList, FVertexIndices, n);
  AddToList(mesh->GetNormals().GetCount() >= vertexCount ? mesh->GetNormals() : EmptyVectors(), aNormals,
            FVertexIndices, n);
  if (!aTexCoords || n < 3) return;
  // The group's own coordinates, one per index, in the order of the faces.
  TIntegerList own;
  own.SetCount(n);
  for (int i = 0; i < n; ++i) own[i] = i;
  AddToList(FTexCoords.GetCount() >= n ? FTexCoords : EmptyVectors(), aTexCoords, own, n);
}

void TFGIndexTexCoordList::WriteToFiler(TVirtualWriter& writer) const {
  TFGVertexIndexList::WriteToFiler(writer);
  writer.WriteInteger(0);  // archive version
  FTexCoords.WriteToFiler(writer);
}

void TFGIndexTexCoordList::ReadFromFiler(TVirtualReader& reader) {
  TFGVertexIndexList::ReadFromFiler(reader);
  ReadArchiveVersion(reader);
  FTexCoords.ReadFromFiler(reader);
}
