#pragma once
// Edge connectivity of file-loaded meshes, one connectivity per mesh object,
// so that their silhouettes are found as for the primitives.
//
// A face-group connectivity works on the vertices of its mesh object: it
// reads them again before every silhouette (an actor's vertices move), and
// never changes or frees the mesh object's own list.

#include <memory>
#include <vector>

#include "engine/silhouette.h"

class TGLBaseMesh;
class TMeshObject;

class TFaceGroupConnectivity : public TConnectivity {
public:
  explicit TFaceGroupConnectivity(bool precomputeFaceNormal);
  // CreateForMesh.
  TFaceGroupConnectivity(const TMeshObject& meshObject, bool precomputeFaceNormal);
  ~TFaceGroupConnectivity() override = default;

  const TMeshObject* GetMeshObject() const { return FMeshObject; }
  // False once a mesh object is attached: the vertices are then its own.
  bool GetOwnsVertices() const { return FMeshObject == nullptr; }

  // Clears, takes the mesh object's vertices and builds its faces.
  void AttachMeshObject(const TMeshObject& meshObject);
  // Edges and faces emptied; the vertices of an attached mesh object stay.
  void Clear() override;
  // The faces of every face group by its mode: triangles, strips (odd
  // triangles reversed) and fans. Only vertex-index face groups can be
  // read (assertion failure otherwise).
  void BuildFaces();
  void CreateSilhouette(const TGLSilhouetteParameters& parameters, std::unique_ptr<TGLSilhouette>& silhouette,
                        bool addToSilhouette) override;

private:
  void TakeVertices();

  const TMeshObject* FMeshObject = nullptr;
};

// The connectivity of a whole base mesh.
class TGLBaseMeshConnectivity : public TBaseConnectivity {
public:
  explicit TGLBaseMeshConnectivity(bool precomputeFaceNormal);
  // CreateForMesh: face normals are precomputed unless the mesh is an actor
  // (whose vertices move).
  explicit TGLBaseMeshConnectivity(TGLBaseMesh& baseMesh);
  ~TGLBaseMeshConnectivity() override;

  TGLBaseMesh* GetBaseMesh() const { return FBaseMesh; }
  int FaceGroupConnectivityCount() const { return static_cast<int>(FFaceGroupConnectivities.size()); }
  TFaceGroupConnectivity& GetFaceGroupConnectivity(int index) { return *FFaceGroupConnectivities[index]; }

  // One face-group connectivity per mesh object, in order.
  void AttachBaseMesh(TGLBaseMesh& baseMesh);
  // True: each face-group connectivity emptied and kept; false: all freed.
  void Clear(bool saveFaceGroupConnectivity);
  // Made when null, emptied unless adding; then every face-group
  // connectivity adds its part.
  void CreateSilhouette(const TGLSilhouetteParameters& parameters, std::unique_ptr<TGLSilhouette>& silhouette,
                        bool addToSilhouette) override;
  int EdgeCount() const override;
  int FaceCount() const override;

private:
  TGLBaseMesh* FBaseMesh = nullptr;
  std::vector<std::unique_ptr<TFaceGroupConnectivity>> FFaceGroupConnectivities;
};
