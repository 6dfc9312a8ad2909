#include "objects/roam_patch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "objects/height_data_bitmap.h"
#include "objects/height_data_custom.h"
#include "objects/terrain_renderer_tiles.h"

namespace {

using HeightFunction = std::function<int(int x, int y)>;

// Tiles of small-int heights f(x, y) in source coordinates.
class Terrain {
public:
  explicit Terrain(HeightFunction f) {
    source.OnStartPreparingData = [f](THeightData* tile) {
      tile->Allocate(hvtSmallInt);
      for (int y = 0; y < tile->GetSize(); ++y)
        for (int x = 0; x < tile->GetSize(); ++x)
          tile->SmallIntRaster()[y][x] = std::int16_t(f(tile->GetXLeft() + x, tile->GetYTop() + y));
    };
  }

  // A patch of PatchSize p at tile position (x, y), offset to its place.
  std::unique_ptr<TGLROAMPatch> Patch(int x, int y, int p, int precision = 1) {
    auto patch = std::make_unique<TGLROAMPatch>();
    patch->SetHeightData(source.GetData(x, y, p + 1, hvtSmallInt));
    patch->SetVertexOffset(TAffineVector{float(x), float(y), 0});
    patch->ComputeVariance(precision);
    return patch;
  }

  TGLCustomHDS source;
};

// Seeded rough ground: noise over a few octaves, in the small-int range.
HeightFunction Rough(unsigned seed) {
  auto table = std::make_shared<std::vector<int>>(1 << 16);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-12000, 12000);
  for (int& v : *table) v = noise(random);
  return [table](int x, int y) {
    const unsigned key = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u);
    return (*table)[key & 0xFFFF] / 2 + int(8000 * std::sin(x * 0.3) * std::cos(y * 0.2));
  };
}

struct Mesh {
  std::vector<TAffineVector> Vertices;
  std::vector<std::array<int, 3>> Triangles;
};

struct Lists {
  TAffineVectorList Vertices;
  TIntegerList Indices;
  TTexPointList TexPoints;
};

Mesh RoamMesh(TGLROAMPatch& patch) {
  Lists l;
  patch.BuildMesh(l.Vertices, l.Indices, l.TexPoints);
  Mesh m;
  for (int i = 0; i < l.Vertices.GetCount(); ++i) m.Vertices.push_back(l.Vertices[i]);
  for (int i = 0; i + 2 < l.Indices.GetCount(); i += 3) m.Triangles.push_back({l.Indices[i], l.Indices[i + 1], l.Indices[i + 2]});
  return m;
}

Mesh StripMesh(TGLROAMPatch& patch) {
  Lists l;
  patch.BuildFullResolutionStrip(l.Vertices, l.Indices, l.TexPoints);
  Mesh m;
  for (int i = 0; i < l.Vertices.GetCount(); ++i) m.Vertices.push_back(l.Vertices[i]);
  for (int i = 0; i + 2 < l.Indices.GetCount(); ++i) {
    const int a = l.Indices[i], b = l.Indices[i + 1], c = l.Indices[i + 2];
    if (a != b && b != c && a != c) m.Triangles.push_back({a, b, c});
  }
  return m;
}

// Where a mesh meets the line {axis = at}: the vertices of its triangles on
// the line and the triangle edges that lie along it.
struct Border {
  std::vector<TAffineVector> Points;
  std::vector<std::pair<TAffineVector, TAffineVector>> Segments;
};

Border BorderOf(const Mesh& mesh, int axis, float at) {
  Border b;
  for (const auto& t : mesh.Triangles) {
    for (int e = 0; e < 3; ++e) {
      const TAffineVector& p = mesh.Vertices[std::size_t(t[e])];
      const TAffineVector& q = mesh.Vertices[std::size_t(t[(e + 1) % 3])];
      if (p[axis] == at) b.Points.push_back(p);
      if (p[axis] == at && q[axis] == at) b.Segments.emplace_back(p, q);
    }
  }
  return b;
}

// Every border point of `mesh` lies on a border vertex or along a border
// edge of `other` (position and height): no T-junction, no crack.
void ExpectNoCracks(const Border& mesh, const Border& other, int axis, const char* what) {
  const int along = 1 - axis;
  int failures = 0;
  for (const TAffineVector& p : mesh.Points) {
    bool ok = false;
    for (const auto& [a, b] : other.Segments) {
      const float lo = std::min(a[along], b[along]), hi = std::max(a[along], b[along]);
      if (p[along] < lo || p[along] > hi) continue;
      const float t = hi == lo ? 0 : (p[along] - a[along]) / (b[along] - a[along]);
      const float z = a[2] + (b[2] - a[2]) * t;
      if (std::fabs(z - p[2]) < 1e-3f) {
        ok = true;
        break;
      }
    }
    if (!ok && ++failures < 5) ADD_FAILURE() << what << ": border point (" << p[0] << ", " << p[1] << ", " << p[2] << ") lies on no edge of the neighbour";
  }
  EXPECT_EQ(failures, 0) << what;
}

// The border edges of a mesh cover the whole side from 0 to p.
void ExpectSideCovered(const Border& border, int axis, float from, float to) {
  const int along = 1 - axis;
  std::vector<std::pair<float, float>> spans;
  for (const auto& [a, b] : border.Segments) spans.emplace_back(std::min(a[along], b[along]), std::max(a[along], b[along]));
  std::sort(spans.begin(), spans.end());
  float reached = from;
  for (const auto& [lo, hi] : spans) {
    if (lo > reached) break;
    reached = std::max(reached, hi);
  }
  EXPECT_EQ(reached, to);
}

void ExpectCrackFree(const Mesh& a, const Mesh& b, int axis, float at, float from, float to) {
  const Border ba = BorderOf(a, axis, at), bb = BorderOf(b, axis, at);
  ASSERT_FALSE(ba.Points.empty());
  ASSERT_FALSE(bb.Points.empty());
  ExpectSideCovered(ba, axis, from, to);
  ExpectSideCovered(bb, axis, from, to);
  ExpectNoCracks(ba, bb, axis, "first against second");
  ExpectNoCracks(bb, ba, axis, "second against first");
}

// No vertex of the mesh lies inside an edge of one of its triangles: the
// mesh is conforming, without T-junctions inside the patch.
void ExpectConforming(const Mesh& mesh) {
  std::vector<std::pair<float, float>> points;
  for (const auto& t : mesh.Triangles)
    for (int i : t) points.emplace_back(mesh.Vertices[std::size_t(i)][0], mesh.Vertices[std::size_t(i)][1]);
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  int failures = 0;
  for (const auto& t : mesh.Triangles) {
    for (int e = 0; e < 3; ++e) {
      const TAffineVector& a = mesh.Vertices[std::size_t(t[e])];
      const TAffineVector& b = mesh.Vertices[std::size_t(t[(e + 1) % 3])];
      for (const auto& [x, y] : points) {
        const float cross = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
        const float dot = (x - a[0]) * (b[0] - a[0]) + (y - a[1]) * (b[1] - a[1]);
        const float len2 = (b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]);
        if (cross == 0 && dot > 0 && dot < len2 && ++failures < 5)
          ADD_FAILURE() << "vertex (" << x << ", " << y << ") inside the edge (" << a[0] << ", " << a[1] << ")-(" << b[0] << ", " << b[1] << ")";
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

// Neither the two roots nor every sample: the mesh adapts.
void ExpectPartlyRefined(const Mesh& mesh, int patchSize) {
  EXPECT_GT(mesh.Triangles.size(), 2u);
  EXPECT_LT(mesh.Triangles.size(), std::size_t(2 * patchSize * patchSize));
}

std::vector<int> IndicesOf(TGLROAMPatch& patch, bool strip) {
  Lists l;
  if (strip)
    patch.BuildFullResolutionStrip(l.Vertices, l.Indices, l.TexPoints);
  else
    patch.BuildMesh(l.Vertices, l.Indices, l.TexPoints);
  return std::vector<int>(l.Indices.List(), l.Indices.List() + l.Indices.GetCount());
}

}  // namespace

TEST(TrianglePool, HandsOutNodesUntilFullAndResetsByIndex) {
  SetTrianglePoolCapacity(3);
  TROAMTriangleNode* a = AllocTriangleNode();
  ASSERT_NE(a, nullptr);
  a->LeftChild = a;
  AllocTriangleNode();
  AllocTriangleNode();
  EXPECT_EQ(AllocTriangleNode(), nullptr);
  EXPECT_EQ(GetTrianglePoolUsed(), 3);
  SetTrianglePoolCapacity(3);
  EXPECT_EQ(GetTrianglePoolUsed(), 0);
  TROAMTriangleNode* again = AllocTriangleNode();
  EXPECT_EQ(again, a);
  EXPECT_EQ(again->LeftChild, nullptr);  // children cleared on allocation
  SetTrianglePoolCapacity(-5);
  EXPECT_EQ(GetTrianglePoolCapacity(), 0);
  EXPECT_EQ(AllocTriangleNode(), nullptr);
}

TEST(ROAMPatch, DepthLimitAndRootShiftFollowThePatchSize) {
  Terrain t([](int, int) { return 0; });
  struct Case {
    int patchSize, maxDepth, shift;
  };
  for (const Case& c : {Case{16, 256, -5}, Case{256, 65536, -1}, Case{2, 4, -8}, Case{1, 4, -8}, Case{5, 64, -6}}) {
    auto patch = t.Patch(0, 0, c.patchSize);
    EXPECT_EQ(patch->GetPatchSize(), c.patchSize);
    EXPECT_EQ(patch->GetMaxDepth(), c.maxDepth) << c.patchSize;
    EXPECT_EQ(patch->GetRootDepthShift(), c.shift) << c.patchSize;
  }
}

TEST(ROAMPatch, FlatTileIsTwoTrianglesAtAnyDistance) {
  Terrain t([](int, int) { return 1234; });
  auto patch = t.Patch(0, 0, 16);
  EXPECT_EQ(patch->GetVarianceCount(0), 0);
  EXPECT_EQ(patch->GetVarianceCount(1), 0);
  for (float z : {0.0f, 1.0f, 100000.0f}) {
    SetTrianglePoolCapacity(1000);
    patch->ResetTessellation();
    patch->SetObserverPosition(TAffineVector{8, 8, z});
    patch->Tesselate();
    EXPECT_EQ(IndicesOf(*patch, false), (std::vector<int>{2, 0, 1, 1, 3, 2}));
    EXPECT_EQ(patch->GetTriangleCount(), 2);
  }
}

TEST(ROAMPatch, TinyBumpGivesTheGoldenMesh) {
  Terrain t([](int x, int y) { return x == 1 && y == 1 ? 100 : 0; });
  auto patch = t.Patch(0, 0, 2);
  // 100 * 256 at the root, scaled down by 2^4; the children are flat.
  EXPECT_EQ(patch->GetVariance(0, 1), 1600);
  EXPECT_EQ(patch->GetVarianceCount(0), 2);
  SetTrianglePoolCapacity(100);
  patch->ResetTessellation();
  patch->SetObserverPosition(TAffineVector{1, 1, 0});
  patch->Tesselate();
  Lists l;
  patch->BuildMesh(l.Vertices, l.Indices, l.TexPoints);
  EXPECT_EQ(std::vector<int>(l.Indices.List(), l.Indices.List() + l.Indices.GetCount()),
            (std::vector<int>{0, 4, 2, 1, 4, 0, 3, 5, 1, 2, 5, 3}));
  ASSERT_EQ(l.Vertices.GetCount(), 6);
  // Each split adds its own midpoint.
  EXPECT_EQ(l.Vertices[4][2], 100);
  EXPECT_EQ(l.Vertices[5][0], 1);
  EXPECT_EQ(l.Vertices[5][1], 1);
  EXPECT_EQ(patch->GetTriangleCount(), 4);
}

TEST(ROAMPatch, FullResolutionStripHasTheGoldenOrder) {
  Terrain t([](int x, int y) { return x * 10 + y; });
  auto patch = t.Patch(0, 0, 2);
  Lists l;
  patch->BuildFullResolutionStrip(l.Vertices, l.Indices, l.TexPoints);
  EXPECT_EQ(l.Vertices.GetCount(), 9);
  EXPECT_EQ(std::vector<int>(l.Indices.List(), l.Indices.List() + l.Indices.GetCount()),
            (std::vector<int>{2, 5, 1, 4, 0, 3, 3, 6, 6, 3, 7, 4, 8, 5}));
  EXPECT_EQ(patch->GetTriangleCount(), 14 - 4);
  EXPECT_EQ(l.Vertices[5][0], 2);
  EXPECT_EQ(l.Vertices[5][1], 1);
  EXPECT_EQ(l.Vertices[5][2], 21);
  // Larger strips: (2n + 2) * PatchSize - 2 indices, all in range.
  for (int p : {4, 16, 3}) {
    auto big = t.Patch(0, 0, p);
    const std::vector<int> indices = IndicesOf(*big, true);
    if (p % 2 == 0) {
      EXPECT_EQ(int(indices.size()), (2 * (p + 1) + 2) * p - 2) << p;
    }
    for (int i : indices) {
      EXPECT_GE(i, 0);
      EXPECT_LT(i, (p + 1) * (p + 1));
    }
  }
}

TEST(ROAMPatch, VerticesAndTexturePointsAreTransformed) {
  Terrain t([](int, int) { return 7; });
  auto patch = t.Patch(32, 16, 4);
  patch->SetTextureScale(TAffineVector{0.5f, -0.25f, 1});
  patch->SetTextureOffset(TAffineVector{1, 2, 0});
  SetTrianglePoolCapacity(10);
  patch->ResetTessellation();
  Lists l;
  patch->BuildMesh(l.Vertices, l.Indices, l.TexPoints);
  ASSERT_EQ(l.Vertices.GetCount(), 4);
  EXPECT_EQ(l.Vertices[1][0], 36);  // (PatchSize, 0) moved by the offset
  EXPECT_EQ(l.Vertices[1][1], 16);
  EXPECT_EQ(l.Vertices[1][2], 7);
  EXPECT_EQ(l.TexPoints[3].S, 4 * 0.5f + 1);
  EXPECT_EQ(l.TexPoints[3].T, 4 * -0.25f + 2);
}

TEST(ROAMPatch, PrecisionAtOrBelowZeroCountsAsOne) {
  Terrain t(Rough(3));
  auto one = t.Patch(0, 0, 16, 1);
  for (int precision : {0, -1, -100}) {
    auto p = t.Patch(0, 0, 16, precision);
    EXPECT_EQ(p->GetPrecision(), 1);
    ASSERT_EQ(p->GetVarianceCount(0), one->GetVarianceCount(0));
    for (int n = 0; n < one->GetVarianceCount(0); ++n) ASSERT_EQ(p->GetVariance(0, n), one->GetVariance(0, n));
  }
  // A larger precision coarsens.
  auto coarse = t.Patch(0, 0, 16, 1000);
  EXPECT_LT(coarse->GetVariance(0, 1), one->GetVariance(0, 1));
}

TEST(ROAMPatch, CloserObserverGivesMoreTriangles) {
  Terrain t(Rough(5));
  auto patch = t.Patch(0, 0, 32);
  int previous = 1 << 30;
  for (float z : {0.0f, 2000.0f, 20000.0f, 200000.0f}) {
    SetTrianglePoolCapacity(65536);
    patch->ResetTessellation();
    patch->SetObserverPosition(TAffineVector{16, 16, z});
    patch->Tesselate();
    Lists l;
    patch->BuildMesh(l.Vertices, l.Indices, l.TexPoints);
    EXPECT_LE(patch->GetTriangleCount(), previous) << z;
    previous = patch->GetTriangleCount();
  }
  EXPECT_LT(previous, 100);
}

TEST(ROAMPatch, RoamNextToFullResolutionIsCrackFree) {
  for (unsigned seed : {1u, 2u, 3u}) {
    Terrain t(Rough(seed));
    // West ROAM, east full resolution; then north ROAM, south full resolution.
    auto roam = t.Patch(0, 0, 16);
    auto full = t.Patch(16, 0, 16);
    SetTrianglePoolCapacity(65536);
    roam->ResetTessellation();
    full->ResetTessellation();
    full->SetHighResolution(true);
    full->ConnectToWest(roam.get());
    roam->SetObserverPosition(TAffineVector{-40, 8, 30000});
    roam->Tesselate();
    const Mesh r = RoamMesh(*roam);
    ExpectPartlyRefined(r, 16);
    ExpectCrackFree(r, StripMesh(*full), 0, 16, 0, 16);

    auto north = t.Patch(0, 0, 16);
    auto south = t.Patch(0, 16, 16);
    SetTrianglePoolCapacity(65536);
    north->ResetTessellation();
    south->ResetTessellation();
    south->SetHighResolution(true);
    south->ConnectToNorth(north.get());
    north->SetObserverPosition(TAffineVector{8, -60, 30000});
    north->Tesselate();
    const Mesh n = RoamMesh(*north);
    ExpectPartlyRefined(n, 16);
    ExpectCrackFree(n, StripMesh(*south), 1, 16, 0, 16);

    // And the full-resolution patch to the west and north of a ROAM one.
    auto east = t.Patch(16, 16, 16);
    auto west = t.Patch(0, 16, 16);
    auto above = t.Patch(16, 0, 16);
    SetTrianglePoolCapacity(65536);
    east->ResetTessellation();
    west->ResetTessellation();
    above->ResetTessellation();
    west->SetHighResolution(true);
    above->SetHighResolution(true);
    east->ConnectToWest(west.get());
    east->ConnectToNorth(above.get());
    east->SetObserverPosition(TAffineVector{40, 40, 30000});
    east->Tesselate();
    const Mesh m = RoamMesh(*east);
    ExpectPartlyRefined(m, 16);
    ExpectCrackFree(m, StripMesh(*west), 0, 16, 16, 32);
    ExpectCrackFree(m, StripMesh(*above), 1, 16, 16, 32);
  }
}

TEST(ROAMPatch, FullResolutionNorthSplitsTheWholeEdge) {
  Terrain t([](int, int) { return 0; });  // flat: only the edge matching splits
  auto patch = t.Patch(0, 16, 16);
  auto north = t.Patch(0, 0, 16);
  SetTrianglePoolCapacity(65536);
  patch->ResetTessellation();
  north->ResetTessellation();
  north->SetHighResolution(true);
  patch->ConnectToNorth(north.get());
  EXPECT_EQ(patch->GetNorth(), north.get());
  EXPECT_EQ(north->GetSouth(), patch.get());
  patch->Tesselate();
  const Border border = BorderOf(RoamMesh(*patch), 1, 16);
  std::vector<float> xs;
  for (const auto& p : border.Points) xs.push_back(p[0]);
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  EXPECT_EQ(xs.size(), 17u);  // every sample of the edge
}

TEST(ROAMPatch, RoamNeighboursShareTheirEdgeSplits) {
  for (unsigned seed : {7u, 8u}) {
    Terrain t(Rough(seed));
    auto west = t.Patch(0, 0, 32);
    auto east = t.Patch(32, 0, 32);
    auto south = t.Patch(32, 32, 32);
    SetTrianglePoolCapacity(65536);
    west->ResetTessellation();
    east->ResetTessellation();
    south->ResetTessellation();
    east->ConnectToWest(west.get());
    south->ConnectToNorth(east.get());
    // One observer above the west patch, in each patch's coordinates: the
    // west patch is finer, and its splits must carry over the edge.
    west->SetObserverPosition(TAffineVector{16, 16, 40000});
    east->SetObserverPosition(TAffineVector{-16, 16, 40000});
    south->SetObserverPosition(TAffineVector{-16, -16, 40000});
    west->Tesselate();
    east->Tesselate();
    south->Tesselate();
    const Mesh w = RoamMesh(*west), e = RoamMesh(*east), s = RoamMesh(*south);
    ExpectPartlyRefined(w, 32);
    ExpectPartlyRefined(e, 32);
    ExpectConforming(w);
    ExpectConforming(e);
    ExpectConforming(s);
    ExpectCrackFree(w, e, 0, 32, 0, 32);
    ExpectCrackFree(e, s, 1, 32, 32, 64);
  }
}

TEST(ROAMPatch, PoolOfTwoPerPatchShowsTwoTrianglesEach) {
  Terrain t(Rough(11));
  std::vector<std::unique_ptr<TGLROAMPatch>> row;
  for (int i = 0; i < 4; ++i) row.push_back(t.Patch(i * 16, 0, 16));
  SetTrianglePoolCapacity(2 * 4);
  for (auto& p : row) p->ResetTessellation();
  for (std::size_t i = 1; i < row.size(); ++i) row[i]->ConnectToWest(row[i - 1].get());
  for (auto& p : row) {
    p->SetObserverPosition(TAffineVector{8, 8, 0});
    p->Tesselate();
  }
  for (auto& p : row) {
    EXPECT_EQ(RoamMesh(*p).Triangles.size(), 2u);
    EXPECT_EQ(p->GetTriangleCount(), 2);
  }
}

TEST(ROAMPatch, PoolExhaustionMakesLaterPatchesCoarserWithoutCracks) {
  Terrain t(Rough(13));
  std::vector<std::unique_ptr<TGLROAMPatch>> row;
  for (int i = 0; i < 6; ++i) row.push_back(t.Patch(i * 32, 0, 32));
  // Enough for the first patches at full detail only; the last gets no roots.
  SetTrianglePoolCapacity(6000);
  for (auto& p : row) p->ResetTessellation();
  EXPECT_TRUE(row.back()->HasRoots());
  for (std::size_t i = 1; i < row.size(); ++i) row[i]->ConnectToWest(row[i - 1].get());
  for (auto& p : row) {
    p->SetObserverPosition(TAffineVector{16, 16, 0});
    ASSERT_NO_THROW(p->Tesselate());
  }
  EXPECT_LE(GetTrianglePoolUsed(), 6000);
  std::vector<Mesh> meshes;
  for (auto& p : row) meshes.push_back(RoamMesh(*p));
  EXPECT_GT(meshes.front().Triangles.size(), 1000u);
  EXPECT_LT(meshes.back().Triangles.size(), meshes.front().Triangles.size() / 4);
  for (const Mesh& m : meshes) ExpectConforming(m);
  for (std::size_t i = 1; i < meshes.size(); ++i) {
    if (meshes[i].Triangles.empty()) continue;
    ExpectCrackFree(meshes[i - 1], meshes[i], 0, float(i * 32), 0, 32);
  }

  // A patch that finds no nodes for its roots draws nothing.
  SetTrianglePoolCapacity(1);
  row[0]->ResetTessellation();
  EXPECT_FALSE(row[0]->HasRoots());
  row[0]->Tesselate();
  EXPECT_TRUE(RoamMesh(*row[0]).Triangles.empty());
}

TEST(ROAMPatch, PatchWithoutUsableSamplesDrawsNothing) {
  TGLROAMPatch patch;
  patch.ComputeVariance(1);
  SetTrianglePoolCapacity(10);
  patch.ResetTessellation();
  patch.Tesselate();
  EXPECT_TRUE(RoamMesh(patch).Triangles.empty());
  EXPECT_TRUE(StripMesh(patch).Triangles.empty());
}

TEST(ROAMPatch, FrameOfPatchesIsCrackFreeAcrossEveryEdge) {
  // Rough wrapped ground; the renderer's walk links, tessellates with its
  // lag and draws ROAM and full-resolution patches side by side.
  TGLBitmapHDS source;
  Bitmap bitmap(64, 64, pf8bit);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) bitmap.ScanLine(y)[x] = std::uint8_t((x * 97 + y * 57 + x * y * 13) % 256);
  Picture picture;
  picture.SetBitmap(bitmap);
  source.SetPicture(picture);
  TTerrainTiles tiles;
  tiles.SetTileSize(16);
  tiles.SetSource(&source);
  for (float quality : {0.0f, 12.0f}) {
    TTerrainFrame frame;
    frame.Eye = TAffineVector{40, 40, 2};
    const TVector4f all{0, 0, 0, 1};
    frame.Clipping.frustum = {all, all, all, all, all, all};
    frame.Clipping.farClippingDistance = 60;
    frame.Clipping.origin = TVector4f{40, 40, 2, 1};
    frame.Scale = TAffineVector{1, 1, 0.01f};
    frame.QualityDistance = quality;
    frame.CLODPrecision = 2000;
    std::map<std::pair<float, float>, Mesh> meshes;  // by offset
    int partial = 0, high = 0;
    frame.RenderPatch = [&](TGLROAMPatch& patch) {
      const TAffineVector o = patch.GetVertexOffset();
      if (patch.GetHighResolution()) {
        ++high;
        meshes[{o[0], o[1]}] = StripMesh(patch);
      } else {
        meshes[{o[0], o[1]}] = RoamMesh(patch);
        if (patch.GetTriangleCount() > 2 && patch.GetTriangleCount() < 2 * 16 * 16) ++partial;
      }
    };
    tiles.BuildFrame(frame);
    ASSERT_GT(meshes.size(), 50u);
    EXPECT_GT(partial, 10);
    if (quality > 0) {
      EXPECT_GT(high, 0);
    }
    int pairs = 0;
    for (const auto& [offset, mesh] : meshes) {
      ExpectConforming(mesh);
      const auto east = meshes.find({offset.first + 16, offset.second});
      if (east != meshes.end()) {
        ExpectCrackFree(mesh, east->second, 0, offset.first + 16, offset.second, offset.second + 16);
        ++pairs;
      }
      const auto south = meshes.find({offset.first, offset.second + 16});
      if (south != meshes.end()) {
        ExpectCrackFree(mesh, south->second, 1, offset.second + 16, offset.first, offset.first + 16);
        ++pairs;
      }
    }
    EXPECT_GT(pairs, 100);
  }
}
