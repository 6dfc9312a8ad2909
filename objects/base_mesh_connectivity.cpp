#include "objects/base_mesh_connectivity.h"

#include "objects/actor.h"
#include "objects/base_mesh.h"
#include "objects/face_groups.h"
#include "platform/base/assertion.h"

// --- TFaceGroupConnectivity -----------------------------------------------------------
TFaceGroupConnectivity::TFaceGroupConnectivity(bool precomputeFaceNormal) : TConnectivity(precomputeFaceNormal) {}

TFaceGroupConnectivity::TFaceGroupConnectivity(const TMeshObject& meshObject, bool precomputeFaceNormal)
    : TConnectivity(precomputeFaceNormal) {
  AttachMeshObject(meshObject);
}

void TFaceGroupConnectivity::TakeVertices() {
  if (FMeshObject) FVertices.Assign(&FMeshObject->GetVertices());
}

void TFaceGroupConnectivity::AttachMeshObject(const TMeshObject& meshObject) {
  Clear();
  FMeshObject = &meshObject;
  BuildFaces();
}

void TFaceGroupConnectivity::Clear() {
  TConnectivity::Clear();
  TakeVertices();
}

void TFaceGroupConnectivity::BuildFaces() {
  Clear();
  if (!FMeshObject) return;
  const TFaceGroups& groups = FMeshObject->GetFaceGroups();
  for (int g = 0; g < groups.GetCount(); ++g) {
    const auto* group = dynamic_cast<const TFGVertexIndexList*>(groups.GetItems(g));
    CLIENT_ASSERT(group != nullptr, "Method only works for descendants of TFGVertexIndexList.");
    if (auto fault = group->IndexFault()) RaiseAssertion(fault->c_str(), __FILE__, __LINE__);
    const TIntegerList& i = group->GetVertexIndices();
    const int n = i.GetCount();
    switch (group->GetMode()) {
      case fgmmTriangles:
      case fgmmFlatTriangles:
        for (int t = 0; t < n / 3; ++t) AddIndexedFace(i[3 * t], i[3 * t + 1], i[3 * t + 2]);
        break;
      case fgmmTriangleStrip:
        for (int k = 0; k + 2 < n; ++k) {
          if ((k & 1) == 0)
            AddIndexedFace(i[k], i[k + 1], i[k + 2]);
          else
            AddIndexedFace(i[k + 2], i[k + 1], i[k]);
        }
        break;
      case fgmmTriangleFan:
        for (int k = 2; k < n; ++k) AddIndexedFace(i[0], i[k - 1], i[k]);
        break;
      default:
        CLIENT_ASSERT(false, "Not supported");
    }
  }
}

void TFaceGroupConnectivity::CreateSilhouette(const TGLSilhouetteParameters& parameters,
                                              std::unique_ptr<TGLSilhouette>& silhouette, bool addToSilhouette) {
  // The mesh object's vertices as they are now.
  if (FMeshObject && FMeshObject->GetVertices().GetCount() == FVertices.GetCount()) TakeVertices();
  TConnectivity::CreateSilhouette(parameters, silhouette, addToSilhouette);
}

// --- TGLBaseMeshConnectivity ------------------------------------------------------------
TGLBaseMeshConnectivity::TGLBaseMeshConnectivity(bool precomputeFaceNormal) : TBaseConnectivity(precomputeFaceNormal) {}

TGLBaseMeshConnectivity::TGLBaseMeshConnectivity(TGLBaseMesh& baseMesh)
    : TBaseConnectivity(!baseMesh.Is<TGLActor>()) {
  AttachBaseMesh(baseMesh);
}

TGLBaseMeshConnectivity::~TGLBaseMeshConnectivity() { Clear(false); }

void TGLBaseMeshConnectivity::AttachBaseMesh(TGLBaseMesh& baseMesh) {
  FFaceGroupConnectivities.clear();
  FBaseMesh = &baseMesh;
  FPrecomputeFaceNormal = !baseMesh.Is<TGLActor>();
  const TMeshObjectList& meshObjects = baseMesh.GetMeshObjects();
  for (int i = 0; i < meshObjects.GetCount(); ++i)
    FFaceGroupConnectivities.push_back(
        std::make_unique<TFaceGroupConnectivity>(*meshObjects.GetMeshObject(i), FPrecomputeFaceNormal));
}

void TGLBaseMeshConnectivity::Clear(bool saveFaceGroupConnectivity) {
  if (saveFaceGroupConnectivity) {
    for (auto& connectivity : FFaceGroupConnectivities) connectivity->Clear();
  } else {
    FFaceGroupConnectivities.clear();
  }
}

void TGLBaseMeshConnectivity::CreateSilhouette(const TGLSilhouetteParameters& parameters,
                                               std::unique_ptr<TGLSilhouette>& silhouette, bool addToSilhouette) {
  if (!silhouette)
    silhouette = std::make_unique<TGLSilhouette>();
  else if (!addToSilhouette)
    silhouette->Clear();
  for (auto& connectivity : FFaceGroupConnectivities) connectivity->CreateSilhouette(parameters, silhouette, true);
}

int TGLBaseMeshConnectivity::EdgeCount() const {
  int result = 0;
  for (const auto& connectivity : FFaceGroupConnectivities) result += connectivity->EdgeCount();
  return result;
}

int TGLBaseMeshConnectivity::FaceCount() const {
  int result = 0;
  for (const auto& connectivity : FFaceGroupConnectivities) result += connectivity->FaceCount();
  return result;
}
