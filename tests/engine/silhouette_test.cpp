// Edge adjacency and silhouettes of small meshes.
#include "engine/silhouette.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "engine/vector_geometry.h"

namespace {

using Edge = std::pair<std::array<float, 3>, std::array<float, 3>>;

std::array<float, 3> PointOf(const TGLSilhouette& s, int index) {
  const TVector4f& v = s.GetVertices()[index];
  EXPECT_EQ(v[3], 1.0f);
  return {v[0], v[1], v[2]};
}

std::vector<Edge> EdgesOf(const TGLSilhouette& s) {
  std::vector<Edge> edges;
  for (int i = 0; i + 1 < s.GetIndices().GetCount(); i += 2)
    edges.push_back({PointOf(s, s.GetIndices()[i]), PointOf(s, s.GetIndices()[i + 1])});
  return edges;
}

// Follows the directed edges from the first one; true when they form one
// closed loop through every edge.
bool IsOneClosedLoop(const std::vector<Edge>& edges) {
  if (edges.empty()) return false;
  std::map<std::array<float, 3>, std::array<float, 3>> next;
  for (const Edge& e : edges)
    if (!next.emplace(e.first, e.second).second) return false;  // two edges leave one vertex
  auto at = edges.front().first;
  for (std::size_t steps = 0; steps < edges.size(); ++steps) {
    auto it = next.find(at);
    if (it == next.end()) return false;
    at = it->second;
  }
  return at == edges.front().first;
}

// The cube [-1, 1]^3, outward faces, quads in strip order.
void AddCube(TConnectivity& c) {
  auto p = [](float x, float y, float z) { return TAffineVector{x, y, z}; };
  // +X: looking at it from +X, with y right and z up.
  c.AddQuad(p(1, -1, -1), p(1, 1, -1), p(1, -1, 1), p(1, 1, 1));
  c.AddQuad(p(-1, 1, -1), p(-1, -1, -1), p(-1, 1, 1), p(-1, -1, 1));  // -X
  c.AddQuad(p(1, 1, -1), p(-1, 1, -1), p(1, 1, 1), p(-1, 1, 1));      // +Y
  c.AddQuad(p(-1, -1, -1), p(1, -1, -1), p(-1, -1, 1), p(1, -1, 1));  // -Y
  c.AddQuad(p(-1, -1, 1), p(1, -1, 1), p(-1, 1, 1), p(1, 1, 1));      // +Z
  c.AddQuad(p(-1, 1, -1), p(1, 1, -1), p(-1, -1, -1), p(1, -1, -1));  // -Z
}

TEST(Connectivity, CubeOfQuadsIsClosed) {
  TConnectivity c(true);
  AddCube(c);
  EXPECT_EQ(c.GetVertices().GetCount(), 8);
  EXPECT_EQ(c.FaceCount(), 12);
  EXPECT_EQ(c.EdgeCount(), 18);  // 12 cube edges and 6 diagonals
  for (int e = 0; e < c.EdgeCount(); ++e) EXPECT_NE(c.GetEdgeFaces()[2 * e + 1], -1) << "open edge " << e;
}

TEST(Connectivity, QuadInStripOrderGivesTwoFacesOfOneWinding) {
  TConnectivity c(true);
  c.AddQuad({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0});
  ASSERT_EQ(c.FaceCount(), 2);
  for (int f = 0; f < 2; ++f) {
    const auto& v = c.GetVertices();
    const auto& fv = c.GetFaceVertices();
    const TAffineVector n = AffineVectorCross(AffineVectorSubtract(v[fv[3 * f + 1]], v[fv[3 * f]]),
                                              AffineVectorSubtract(v[fv[3 * f + 2]], v[fv[3 * f]]));
    EXPECT_GT(n[2], 0) << "face " << f;
  }
  EXPECT_EQ(c.EdgeCount(), 5);  // four sides and the shared diagonal
}

TEST(Connectivity, SameFaceTwiceMakesEveryEdgeReferToTheSecond) {
  TConnectivity c(false);
  const int first = c.AddFace({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  const int second = c.AddFace({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  ASSERT_EQ(c.EdgeCount(), 3);
  for (int e = 0; e < 3; ++e) {
    EXPECT_EQ(c.GetEdgeFaces()[2 * e], first);
    EXPECT_EQ(c.GetEdgeFaces()[2 * e + 1], second);
  }
}

TEST(Silhouette, CubeSeenAlongXGivesTheLoopAroundItsNearFace) {
  for (bool precompute : {true, false}) {
    SCOPED_TRACE(precompute);
    TConnectivity c(precompute);
    AddCube(c);
    std::unique_ptr<TGLSilhouette> s;
    c.CreateSilhouette({{10, 0, 0}, {}, 0, false}, s, false);
    ASSERT_TRUE(s);
    const std::vector<Edge> edges = EdgesOf(*s);
    ASSERT_EQ(edges.size(), 4u);
    std::set<std::array<float, 3>> corners;
    for (const Edge& e : edges) {
      corners.insert(e.first);
      EXPECT_EQ(e.first[0], 1.0f);
      EXPECT_EQ(e.second[0], 1.0f);
    }
    EXPECT_EQ(corners, (std::set<std::array<float, 3>>{{1, -1, -1}, {1, 1, -1}, {1, -1, 1}, {1, 1, 1}}));
    EXPECT_TRUE(IsOneClosedLoop(edges));
    EXPECT_EQ(s->GetVertices().GetCount(), 4);  // each vertex stored once
    EXPECT_EQ(s->GetCapIndices().GetCount(), 0);
  }
}

TEST(Silhouette, TetrahedronFromSeveralViewpointsGivesOneClosedLoop) {
  const TAffineVector a{1, 1, 1}, b{1, -1, -1}, c{-1, 1, -1}, d{-1, -1, 1};
  TConnectivity t(true);
  // Outward windings.
  t.AddFace(a, b, c);
  t.AddFace(a, d, b);
  t.AddFace(a, c, d);
  t.AddFace(b, d, c);
  const TAffineVector viewpoints[] = {{5, 0.3f, 0.1f}, {-4, 2, 1}, {0.2f, 0.1f, -6}, {3, 3, -3}};
  for (const TAffineVector& from : viewpoints) {
    SCOPED_TRACE(from[0]);
    std::unique_ptr<TGLSilhouette> s;
    t.CreateSilhouette({from, {}, 0, true}, s, false);
    const std::vector<Edge> edges = EdgesOf(*s);
    EXPECT_GE(edges.size(), 3u);
    EXPECT_TRUE(IsOneClosedLoop(edges));
    // Caps: the faces turned away, three indices each.
    int away = 0;
    for (int f = 0; f < t.FaceCount(); ++f) away += t.GetFaceVisible()[f] == 0;
    EXPECT_EQ(s->GetCapIndices().GetCount(), 3 * away);
  }
}

TEST(Silhouette, TriangleFacingAwayGivesItsEdgesAndOneCapOfItsWinding) {
  TConnectivity c(true);
  c.AddFace({0, 0, 0}, {1, 0, 0}, {0, 1, 0});  // normal +Z
  std::unique_ptr<TGLSilhouette> s;
  c.CreateSilhouette({{0.2f, 0.2f, -5}, {}, 0, true}, s, false);
  EXPECT_EQ(s->GetIndices().GetCount(), 6);
  ASSERT_EQ(s->GetCapIndices().GetCount(), 3);
  // Reindexed c first, then b, then a.
  EXPECT_EQ(PointOf(*s, 0), (std::array<float, 3>{0, 1, 0}));
  EXPECT_EQ(PointOf(*s, s->GetCapIndices()[0]), (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(PointOf(*s, s->GetCapIndices()[1]), (std::array<float, 3>{1, 0, 0}));
  EXPECT_EQ(PointOf(*s, s->GetCapIndices()[2]), (std::array<float, 3>{0, 1, 0}));
  // The edges keep the face's own direction: a-b, b-c, c-a.
  const std::vector<Edge> edges = EdgesOf(*s);
  EXPECT_TRUE(IsOneClosedLoop(edges));
  EXPECT_EQ(edges[0], (Edge{{0, 0, 0}, {1, 0, 0}}));

  c.CreateSilhouette({{0.2f, 0.2f, 5}, {}, 0, true}, s, false);
  EXPECT_EQ(s->GetIndices().GetCount(), 0);
  EXPECT_EQ(s->GetCapIndices().GetCount(), 0);
  EXPECT_EQ(s->GetVertices().GetCount(), 0);
}

TEST(Silhouette, SecondPassAddedToTheFirstIndexesAfterItsVertices) {
  TConnectivity c(true);
  c.AddFace({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  std::unique_ptr<TGLSilhouette> s;
  const TGLSilhouetteParameters away{{0, 0, -5}, {}, 0, false};
  c.CreateSilhouette(away, s, false);
  ASSERT_EQ(s->GetVertices().GetCount(), 3);
  c.CreateSilhouette(away, s, true);
  EXPECT_EQ(s->GetVertices().GetCount(), 6);
  ASSERT_EQ(s->GetIndices().GetCount(), 12);
  for (int i = 6; i < 12; ++i) EXPECT_GE(s->GetIndices()[i], 3);
  // Without adding, the same silhouette is emptied first.
  c.CreateSilhouette(away, s, false);
  EXPECT_EQ(s->GetVertices().GetCount(), 3);
}

TEST(Connectivity, ClearEmptiesEverything) {
  TConnectivity c(true);
  AddCube(c);
  c.Clear();
  EXPECT_EQ(c.FaceCount(), 0);
  EXPECT_EQ(c.EdgeCount(), 0);
  EXPECT_EQ(c.GetVertices().GetCount(), 0);
  c.AddFace({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  EXPECT_EQ(c.EdgeCount(), 3);
  EXPECT_EQ(c.GetEdgeFaces()[1], -1);
}

}  // namespace
