#pragma once
// The silhouette of a triangle mesh seen from a point (a viewpoint or a light
// position): the edges between faces turned towards the point and faces
// turned away, and, on request, caps made of the faces turned away. Shadow
// volumes and outlines are built from it.
//
// TConnectivity keeps the edge-to-face adjacency of a mesh added face by
// face; CreateSilhouette walks it once per pass.

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "engine/vector_lists.h"
#include "engine/vector_types.h"

struct TGLSilhouetteParameters {
  TAffineVector SeenFrom;
  TAffineVector LightDirection;
  std::uint8_t Style = 0;
  bool CappingRequired = false;
};

class TGLSilhouette {
public:
  TGLSilhouette() = default;
  TGLSilhouette(const TGLSilhouette&) = delete;
  TGLSilhouette& operator=(const TGLSilhouette&) = delete;

  // Points with w = 1.
  TVectorList& GetVertices() { return FVertices; }
  const TVectorList& GetVertices() const { return FVertices; }
  // Two per silhouette edge. Each edge is oriented so that, walking from its
  // first to its second vertex, the face turned away from the point lies on
  // the same side for every edge.
  TIntegerList& GetIndices() { return FIndices; }
  const TIntegerList& GetIndices() const { return FIndices; }
  // Three per cap triangle, in the winding of the mesh face.
  TIntegerList& GetCapIndices() { return FCapIndices; }
  const TIntegerList& GetCapIndices() const { return FCapIndices; }

  // Empties the three lists; their capacity is kept for the next pass.
  void Clear();

private:
  TVectorList FVertices;
  TIntegerList FIndices;
  TIntegerList FCapIndices;
};

class TBaseConnectivity {
public:
  explicit TBaseConnectivity(bool precomputeFaceNormal) : FPrecomputeFaceNormal(precomputeFaceNormal) {}
  virtual ~TBaseConnectivity() = default;
  TBaseConnectivity(const TBaseConnectivity&) = delete;
  TBaseConnectivity& operator=(const TBaseConnectivity&) = delete;

  bool GetPrecomputeFaceNormal() const { return FPrecomputeFaceNormal; }

  virtual int EdgeCount() const { return 0; }
  virtual int FaceCount() const { return 0; }
  // Fills `silhouette` (made when null; emptied first unless
  // addToSilhouette, in which case the pass appends and its vertex indices
  // start after the vertices already there).
  virtual void CreateSilhouette(const TGLSilhouetteParameters& parameters,
                                std::unique_ptr<TGLSilhouette>& silhouette, bool addToSilhouette) {}

protected:
  bool FPrecomputeFaceNormal;
};

class TConnectivity : public TBaseConnectivity {
public:
  explicit TConnectivity(bool precomputeFaceNormal);
  ~TConnectivity() override = default;

  int EdgeCount() const override { return FEdgeVertices.GetCount() / 2; }
  int FaceCount() const override { return FFaceVisible.GetCount(); }

  // Adds the face of three vertex indices and its edges a-b, b-c, c-a;
  // returns the face index.
  int AddIndexedFace(int a, int b, int c);
  // Vertices are found in GetVertices() by exact equality or appended.
  int AddFace(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3);
  // In strip order: p1, p2 along one side, p3 next to p1 and p4 next to p2,
  // so the faces (p1, p2, p4) and (p4, p3, p1) share the diagonal p1-p4 and
  // wind alike. Returns the first face's index.
  int AddQuad(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3,
              const TAffineVector& p4);

  void CreateSilhouette(const TGLSilhouetteParameters& parameters,
                        std::unique_ptr<TGLSilhouette>& silhouette, bool addToSilhouette) override;

  virtual void Clear();

  TAffineVectorList& GetVertices() { return FVertices; }
  const TAffineVectorList& GetVertices() const { return FVertices; }
  // Two vertex indices per edge, in the order the edge was first added.
  const TIntegerList& GetEdgeVertices() const { return FEdgeVertices; }
  // Two faces per edge; the second is -1 while the edge has one face.
  const TIntegerList& GetEdgeFaces() const { return FEdgeFaces; }
  const TIntegerList& GetFaceVertices() const { return FFaceVertices; }
  // One byte per face: 1 when the last pass found it turned to the point.
  const TByteList& GetFaceVisible() const { return FFaceVisible; }

protected:
  // For connectivities of richer meshes built on this one.
  void AddEdge(int a, int b, int face);
  int ReIndex(int vertex, TGLSilhouette& silhouette);

  TIntegerList FEdgeVertices;
  TIntegerList FEdgeFaces;
  TByteList FFaceVisible;
  TIntegerList FFaceVertices;
  TAffineVectorList FFaceNormals;
  TIntegerList FVertexReindex;
  TAffineVectorList FVertices;
  // Unordered vertex pair to edge index: finds the first edge of a pair, as
  // a search of the edge list from its start would, without the linear scan.
  std::unordered_map<std::uint64_t, int> FEdgeIndex;
};
