// The cube, the sphere and the disk as scene objects: setters, copies,
// extents, the cube's stored size, ray casts through a scaled and turned
// parent, silhouettes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "engine/vector_geometry.h"
#include "objects/cube.h"
#include "objects/disk.h"
#include "objects/sphere.h"
#include "platform/base/assertion.h"
#include "tests/objects/drawable_test_support.h"

namespace {

TEST(TGLCube, SettersRebuildOnlyOnChangeAndTheSizeIsStoredOnlyOffDefault) {
  Counting<TGLCube> cube;
  EXPECT_FALSE(cube.WriteCubeSizeData().has_value());
  cube.ResetCounts();
  cube.SetCubeWidth(1);
  cube.SetParts(AllCubeParts);
  EXPECT_EQ(cube.structure, 0);
  cube.SetCubeWidth(2);
  cube.SetCubeDepth(0.5f);
  cube.SetParts({cpTop});
  cube.SetNormalDirection(ndInside);
  EXPECT_EQ(cube.structure, 4);
  const auto data = cube.WriteCubeSizeData();
  ASSERT_TRUE(data.has_value());
  const std::array<std::uint8_t, 12> golden{0, 0, 0, 0x40, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x3F};
  EXPECT_EQ(*data, golden);
  TGLCube read;
  EXPECT_FALSE(read.ReadCubeSizeData(std::span<const std::uint8_t>(golden.data(), 11)));
  EXPECT_EQ(read.GetCubeWidth(), 1.0f);
  ASSERT_TRUE(read.ReadCubeSizeData(golden));
  EXPECT_EQ(read.GetCubeWidth(), 2.0f);
  EXPECT_EQ(read.GetCubeDepth(), 0.5f);
}

TEST(TGLCube, AssignAndExtentsOfAMirroredBox) {
  TGLCube source;
  source.SetCubeWidth(-4);
  source.SetParts({cpFront, cpBack});
  source.SetNormalDirection(ndInside);
  TGLCube copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.GetCubeWidth(), -4.0f);
  EXPECT_TRUE((copy.GetParts() == TCubeParts{cpFront, cpBack}));
  EXPECT_EQ(copy.GetNormalDirection(), ndInside);
  EXPECT_TRUE(NearVector(copy.AxisAlignedDimensionsUnscaled(), {2, 0.5f, 0.5f, 0}));
}

TEST(TGLCube, SilhouetteSeenFromTheFrontIsTheFrontOutline) {
  TGLCube cube;
  TGLSilhouetteParameters parameters;
  parameters.SeenFrom = {0, 0, 5};
  const auto silhouette = cube.GenerateSilhouette(parameters);
  const auto& indices = silhouette->GetIndices();
  ASSERT_EQ(indices.GetCount(), 8);
  // Every edge of the outline lies on the front face (z = 0.5).
  for (int i = 0; i < indices.GetCount(); ++i)
    EXPECT_FLOAT_EQ(silhouette->GetVertices()[indices[i]][2], 0.5f);
}

TEST(TGLSphere, SettersKeepDivisionsPositiveAndLongitudesOrdered) {
  Counting<TGLSphere> sphere;
  EXPECT_EQ(sphere.GetRadius(), 0.5f);
  EXPECT_EQ(sphere.GetSlices(), 16);
  EXPECT_EQ(sphere.GetNormals(), nsSmooth);
  sphere.ResetCounts();
  sphere.SetSlices(0);
  EXPECT_EQ(sphere.GetSlices(), 1);
  sphere.SetStacks(-2);
  EXPECT_EQ(sphere.GetStacks(), 1);
  sphere.SetStop(90);
  EXPECT_THROW(sphere.SetStart(180), EAssertionFailed);
  EXPECT_EQ(sphere.GetStart(), 0);
  sphere.SetStart(45);
  EXPECT_THROW(sphere.SetStop(30), EAssertionFailed);
  EXPECT_EQ(sphere.GetStop(), 90);
  EXPECT_EQ(sphere.structure, 4);
  sphere.SetRadius(-2);
  EXPECT_TRUE(NearVector(sphere.AxisAlignedDimensionsUnscaled(), {2, 2, 2, 0}));
}

TEST(TGLSphere, AssignTakesTheAnglesInAnyOrderButNotTheCaps) {
  TGLSphere source;
  source.SetStart(200);
  source.SetTopCap(ctFlat);
  source.SetRadius(3);
  TGLSphere copy;
  copy.SetStop(100);
  copy.Assign(&source);
  EXPECT_EQ(copy.GetStart(), 200);
  EXPECT_EQ(copy.GetStop(), 360);
  EXPECT_EQ(copy.GetRadius(), 3.0f);
  EXPECT_EQ(copy.GetTopCap(), ctNone);
}

TEST(TGLSphere, SilhouetteStylesAreOmniAndParallelOnly) {
  TGLSphere sphere;
  TGLSilhouetteParameters parameters;
  parameters.SeenFrom = {0, 0, 5};
  const float r0 = std::sqrt(3.0f) * 0.5f;
  parameters.Style = 0;
  const auto omni = sphere.GenerateSilhouette(parameters);
  ASSERT_EQ(omni->GetVertices().GetCount(), 16);
  EXPECT_NEAR(VectorLength(omni->GetVertices()[0]), 0.98f * 5 * r0 / std::sqrt(25 - r0 * r0), 1e-5f);
  parameters.Style = 1;
  EXPECT_NEAR(VectorLength(sphere.GenerateSilhouette(parameters)->GetVertices()[0]), 0.98f * r0, 1e-5f);
  parameters.Style = 2;
  EXPECT_THROW(sphere.GenerateSilhouette(parameters), EAssertionFailed);
  // Through the node's virtual, as a shadow or outline pass asks for it.
  TGLBaseSceneObject& node = sphere;
  parameters.Style = 1;
  EXPECT_EQ(node.GenerateSilhouette(parameters)->GetVertices().GetCount(), 16);
}

TEST(TGLDisk, SettersRebuildOnlyOnChangeAndAssignCopiesTheSixValues) {
  Counting<TGLDisk> disk;
  EXPECT_EQ(disk.GetOuterRadius(), 0.5f);
  EXPECT_EQ(disk.GetLoops(), 2);
  disk.ResetCounts();
  disk.SetSlices(16);
  EXPECT_EQ(disk.structure, 0);
  disk.SetSlices(8);
  disk.SetInnerRadius(0.1f);
  disk.SetSweepAngle(90);
  EXPECT_EQ(disk.structure, 3);
  TGLDisk copy;
  copy.Assign(&disk);
  EXPECT_EQ(copy.GetSlices(), 8);
  EXPECT_EQ(copy.GetInnerRadius(), 0.1f);
  EXPECT_EQ(copy.GetSweepAngle(), 90.0f);
  disk.SetOuterRadius(-3);
  EXPECT_TRUE(NearVector(disk.AxisAlignedDimensionsUnscaled(), {3, 3, 0, 0}));
}

// Each solid as the child of a parent that doubles and turns it, centred
// at (5, 0, 0) with its local Z along +X.
TEST(Solids, RayCastsGoThroughTheParentsTransformation) {
  struct Case {
    const char* name;
    std::function<TGLBaseSceneObject*(TGLBaseSceneObject&)> make;
    TVector4f start, vector;
    std::optional<TVector4f> point, normal;
  };
  const Case cases[] = {
      {"cube front", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLCube>(); }, {10, 0.5f, 0.5f, 1},
       {-1, 0, 0, 0}, TVector4f{6, 0.5f, 0.5f, 1}, TVector4f{1, 0, 0, 0}},
      {"cube behind", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLCube>(); }, {10, 0, 0, 1},
       {1, 0, 0, 0}, std::nullopt, std::nullopt},
      {"sphere", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLSphere>(); }, {5, 9, 0, 1}, {0, -1, 0, 0},
       TVector4f{5, 1, 0, 1}, TVector4f{0, 1, 0, 0}},
      {"disk ring", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLDisk>(); }, {9, 0.8f, 0, 1},
       {-1, 0, 0, 0}, TVector4f{5, 0.8f, 0, 1}, TVector4f{1, 0, 0, 0}},
      {"disk outside", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLDisk>(); }, {9, 1.2f, 0, 1},
       {-1, 0, 0, 0}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto parent = TurnedParent();
    TGLBaseSceneObject* object = c.make(*parent);
    TVector4f point{7, 7, 7, 7}, normal{7, 7, 7, 7};
    const bool hit = object->RayCastIntersect(c.start, c.vector, &point, &normal);
    ASSERT_EQ(hit, c.point.has_value());
    if (!hit) {
      EXPECT_TRUE(NearVector(point, {7, 7, 7, 7}));
      continue;
    }
    EXPECT_TRUE(NearVector(point, *c.point));
    EXPECT_TRUE(NearVector(normal, *c.normal));
  }
}

}  // namespace
