#include "objects/shared_shapes_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "engine/vector_geometry.h"
#include "tests/objects/geometry_expect.h"

namespace {

using Corner = std::tuple<int, int, int>;

Corner CornerOf(const TAffineVector& p, float h) {
  auto sign = [h](float v) { return v == h ? 1 : v == -h ? -1 : 0; };
  return {sign(p[0]), sign(p[1]), sign(p[2])};
}

TEST(WireCubeGeometry, DrawsEveryEdgeOfTheCubeExactlyOnce) {
  const GeometryBatches batches = WireCubeGeometry(3);
  ASSERT_EQ(batches.size(), 2u);
  ASSERT_EQ(batches[0].Kind, PrimitiveKind::LineStrip);
  ASSERT_EQ(batches[0].Vertices.size(), 10u);
  ASSERT_EQ(batches[1].Kind, PrimitiveKind::Lines);
  ASSERT_EQ(batches[1].Vertices.size(), 6u);
  std::multiset<std::pair<Corner, Corner>> edges;
  auto add = [&](const TAffineVector& a, const TAffineVector& b) {
    Corner ca = CornerOf(a, 1.5f), cb = CornerOf(b, 1.5f);
    if (cb < ca) std::swap(ca, cb);
    edges.insert({ca, cb});
    EXPECT_FLOAT_EQ(VectorDistance(a, b), 3.0f);
  };
  const auto& strip = batches[0].Vertices;
  for (std::size_t i = 0; i + 1 < strip.size(); ++i) add(strip[i].Position, strip[i + 1].Position);
  const auto& lines = batches[1].Vertices;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) add(lines[i].Position, lines[i + 1].Position);
  EXPECT_EQ(edges.size(), 12u);
  const std::set<std::pair<Corner, Corner>> distinct(edges.begin(), edges.end());
  EXPECT_EQ(distinct.size(), 12u);
}

TEST(SolidDodecahedronGeometry, TwelveFlatRegularPentagonsFacingOutwards) {
  const GeometryBatches faces = SolidDodecahedronGeometry();
  ASSERT_EQ(faces.size(), 12u);
  for (const auto& face : faces) {
    ASSERT_EQ(face.Kind, PrimitiveKind::TriangleFan);
    ASSERT_EQ(face.Vertices.size(), 5u);
    const TAffineVector n = face.Vertices[0].Normal;
    EXPECT_NEAR(AffineVectorLength(n), 1.0f, 1e-5f);
    TAffineVector centre{0, 0, 0};
    for (int i = 0; i < 5; ++i) {
      const auto& p = face.Vertices[i].Position;
      AddAffineVectorInPlace(centre, p);
      EXPECT_NEAR(AffineVectorLength(p), 0.5196f, 1e-3f);
      EXPECT_NEAR(VectorDistance(p, face.Vertices[(i + 1) % 5].Position), 0.3708f, 1e-3f);
      EXPECT_NEAR(AffineVectorDot(AffineVectorSubtract(p, face.Vertices[0].Position), n), 0.0f, 1e-5f);
    }
    EXPECT_GT(AffineVectorDot(centre, n), 0.0f);
  }
}

}  // namespace
