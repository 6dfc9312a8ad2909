#include "engine/silhouette.h"

#include <algorithm>

#include "engine/plane_geometry.h"
#include "engine/vector_geometry.h"

namespace {

std::uint64_t EdgeKey(int a, int b) {
  const auto lo = static_cast<std::uint32_t>(std::min(a, b));
  const auto hi = static_cast<std::uint32_t>(std::max(a, b));
  return (std::uint64_t(hi) << 32) | lo;
}

}  // namespace

void TGLSilhouette::Clear() {
  FVertices.Flush();
  FIndices.Flush();
  FCapIndices.Flush();
}

TConnectivity::TConnectivity(bool precomputeFaceNormal) : TBaseConnectivity(precomputeFaceNormal) {}

void TConnectivity::Clear() {
  FEdgeVertices.Flush();
  FEdgeFaces.Flush();
  FFaceVisible.Flush();
  FFaceVertices.Flush();
  FFaceNormals.Flush();
  FVertexReindex.Flush();
  FVertices.Flush();
  FEdgeIndex.clear();
}

void TConnectivity::AddEdge(int a, int b, int face) {
  const auto [it, inserted] = FEdgeIndex.try_emplace(EdgeKey(a, b), EdgeCount());
  if (!inserted) {
    FEdgeFaces[2 * it->second + 1] = face;
    return;
  }
  FEdgeVertices.Add(a, b);
  FEdgeFaces.Add(face, -1);
}

int TConnectivity::AddIndexedFace(int a, int b, int c) {
  FFaceVertices.Add(a, b, c);
  if (FPrecomputeFaceNormal) FFaceNormals.Add(CalcPlaneNormal(FVertices[a], FVertices[b], FVertices[c]));
  const int face = FFaceVisible.Add(0);
  AddEdge(a, b, face);
  AddEdge(b, c, face);
  AddEdge(c, a, face);
  return face;
}

int TConnectivity::AddFace(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3) {
  const int a = FVertices.FindOrAdd(p1);
  const int b = FVertices.FindOrAdd(p2);
  const int c = FVertices.FindOrAdd(p3);
  return AddIndexedFace(a, b, c);
}

int TConnectivity::AddQuad(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3,
                           const TAffineVector& p4) {
  const int i1 = FVertices.FindOrAdd(p1);
  const int i2 = FVertices.FindOrAdd(p2);
  const int i3 = FVertices.FindOrAdd(p3);
  const int i4 = FVertices.FindOrAdd(p4);
  const int first = AddIndexedFace(i1, i2, i4);
  AddIndexedFace(i4, i3, i1);
  return first;
}

int TConnectivity::ReIndex(int vertex, TGLSilhouette& silhouette) {
  if (FVertexReindex.GetCount() <= vertex) {
    const int old = FVertexReindex.GetCount();
    FVertexReindex.SetCount(vertex + 1);
    for (int i = old; i <= vertex; ++i) FVertexReindex[i] = -1;
  }
  int& mapped = FVertexReindex[vertex];
  if (mapped == -1) {
    const TAffineVector& v = FVertices[vertex];
    mapped = silhouette.GetVertices().AddPoint(v[0], v[1], v[2]);
  }
  return mapped;
}

void TConnectivity::CreateSilhouette(const TGLSilhouetteParameters& parameters,
                                     std::unique_ptr<TGLSilhouette>& silhouette, bool addToSilhouette) {
  if (!silhouette)
    silhouette = std::make_unique<TGLSilhouette>();
  else if (!addToSilhouette)
    silhouette->Clear();
  TGLSilhouette& result = *silhouette;
  FVertexReindex.Flush();

  const int faces = FaceCount();
  for (int f = 0; f < faces; ++f) {
    const int a = FFaceVertices[3 * f];
    const int b = FFaceVertices[3 * f + 1];
    const int c = FFaceVertices[3 * f + 2];
    const TAffineVector normal =
        FPrecomputeFaceNormal ? FFaceNormals[f] : CalcPlaneNormal(FVertices[a], FVertices[b], FVertices[c]);
    const bool visible =
        AffineVectorDot(AffineVectorSubtract(parameters.SeenFrom, FVertices[a]), normal) >= 0;
    FFaceVisible[f] = visible ? 1 : 0;
    if (!visible && parameters.CappingRequired) {
      const int c2 = ReIndex(c, result);
      const int b2 = ReIndex(b, result);
      const int a2 = ReIndex(a, result);
      result.GetCapIndices().Add(a2, b2, c2);
    }
  }

  const int edges = EdgeCount();
  for (int e = 0; e < edges; ++e) {
    const int f1 = FEdgeFaces[2 * e];
    const int f2 = FEdgeFaces[2 * e + 1];
    if (f2 != -1 && FFaceVisible[f1] == FFaceVisible[f2]) continue;
    const int e0 = FEdgeVertices[2 * e];
    const int e1 = FEdgeVertices[2 * e + 1];
    if (!FFaceVisible[f1]) {
      const int a = ReIndex(e0, result);
      const int b = ReIndex(e1, result);
      result.GetIndices().Add(a, b);
    } else if (f2 != -1) {
      const int b = ReIndex(e1, result);
      const int a = ReIndex(e0, result);
      result.GetIndices().Add(b, a);
    }
  }
}
