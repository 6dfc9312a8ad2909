// The mesh model without a context: strips turned into triangles, triangle
// extraction and counts per mode with the three outputs kept aligned, the
// face groups' index walks, morphing, the archives' versions, and what the
// drawing sends to GL (through a call recorder over a table that does
// nothing).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/gl_recorder.h"
#include "engine/multitexture.h"
#include "objects/face_groups.h"
#include "objects/mesh_objects.h"
#include "objects/mesh_utils.h"
#include "tests/objects/geometry_expect.h"
#include "tests/support/null_gl.h"

namespace {

// Vertex k is (k, 0, 0), so every triangle entry tells which vertex it is.
std::unique_ptr<TAffineVectorList> Numbered(int n, float y = 0) {
  auto list = std::make_unique<TAffineVectorList>();
  for (int k = 0; k < n; ++k) list->Add(TAffineVector{static_cast<float>(k), y, 0});
  return list;
}

std::vector<int> Numbers(const TAffineVectorList& list) {
  std::vector<int> out;
  for (int i = 0; i < list.GetCount(); ++i) out.push_back(static_cast<int>(list[i][0]));
  return out;
}

std::unique_ptr<TIntegerList> Indices(std::initializer_list<int> values) {
  auto list = std::make_unique<TIntegerList>();
  for (int v : values) list->Add(v);
  return list;
}

TEST(StripConversion, OddTrianglesKeepTheStripsWinding) {
  TAffineVectorList triangles;
  StripToTriangleList(*Numbered(5), triangles);
  EXPECT_EQ(Numbers(triangles), (std::vector<int>{0, 1, 2, 3, 2, 1, 2, 3, 4}));

  TAffineVectorList indexed;
  IndexedStripToTriangleList(*Numbered(5), *Indices({4, 3, 2, 1}), indexed);
  EXPECT_EQ(Numbers(indexed), (std::vector<int>{4, 3, 2, 1, 2, 3}));

  for (int n : {0, 1, 2}) {
    TAffineVectorList none;
    StripToTriangleList(*Numbered(n), none);
    EXPECT_EQ(none.GetCount(), 0) << n;
  }
  TAffineVectorList untouched;
  EXPECT_THROW(IndexedStripToTriangleList(*Numbered(3), *Indices({0, 1, 3}), untouched), EAssertionFailed);
  EXPECT_EQ(untouched.GetCount(), 0);
}

TEST(MeshObject, TrianglesAndCountsByModeKeepTheOutputsAligned) {
  struct Case {
    TMeshObjectMode mode;
    int vertices;
    std::vector<int> triangles;
  };
  const Case cases[] = {
      {momTriangles, 0, {}},           {momTriangles, 2, {}},
      {momTriangles, 3, {0, 1, 2}},    {momTriangles, 5, {}},
      {momTriangles, 6, {0, 1, 2, 3, 4, 5}},
      {momTriangleStrip, 0, {}},       {momTriangleStrip, 2, {}},
      {momTriangleStrip, 3, {0, 1, 2}}, {momTriangleStrip, 5, {0, 1, 2, 3, 2, 1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " with " + std::to_string(c.vertices));
    TMeshObject mesh;
    mesh.SetMode(c.mode);
    mesh.SetVertices(*Numbered(c.vertices));
    mesh.SetNormals(*Numbered(c.vertices, 1));
    // Texture coordinates that do not match the vertices count as missing.
    mesh.GetTexCoords().Add(TAffineVector{9, 9, 9});
    TAffineVectorList tex, normals;
    const auto triangles = mesh.ExtractTriangles(&tex, &normals);
    EXPECT_EQ(Numbers(*triangles), c.triangles);
    EXPECT_EQ(Numbers(normals), c.triangles);
    ASSERT_EQ(tex.GetCount(), triangles->GetCount());
    for (int i = 0; i < tex.GetCount(); ++i) EXPECT_TRUE(NearVector(tex[i], {0, 0, 0}));
    EXPECT_EQ(mesh.TriangleCount() * 3, c.mode == momTriangles ? c.vertices / 3 * 3 : static_cast<int>(c.triangles.size()));
  }
}

TEST(MeshObject, FaceGroupsWalkTheirIndicesByMode) {
  struct Case {
    const char* name;
    TFaceGroupMeshMode mode;
    std::initializer_list<int> indices;
    std::vector<int> triangles;
  };
  const Case cases[] = {
      {"triangles of 4 indices", fgmmTriangles, {0, 1, 2, 3}, {0, 1, 2}},
      {"flat triangles of 5", fgmmFlatTriangles, {4, 3, 2, 1, 0}, {4, 3, 2}},
      {"strip of 5", fgmmTriangleStrip, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 2, 1, 2, 3, 4}},
      {"fan of 4", fgmmTriangleFan, {0, 1, 2, 3}, {0, 1, 2, 0, 2, 3}},
      {"two indices", fgmmTriangles, {0, 1}, {}},
      {"two indices of a fan", fgmmTriangleFan, {0, 1}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMeshObject mesh;
    mesh.SetMode(momFaceGroups);
    mesh.SetVertices(*Numbered(5));
    auto* group = new TFGVertexIndexList(&mesh.GetFaceGroups());
    group->SetVertexIndices(*Indices(c.indices));
    group->SetMode(c.mode);
    TAffineVectorList tex, normals;
    const auto triangles = mesh.ExtractTriangles(&tex, &normals);
    EXPECT_EQ(Numbers(*triangles), c.triangles);
    // No normals and no texture coordinates: zero entries keep the lists aligned.
    EXPECT_EQ(tex.GetCount(), triangles->GetCount());
    EXPECT_EQ(normals.GetCount(), triangles->GetCount());
    EXPECT_EQ(mesh.TriangleCount() * 3, static_cast<int>(c.triangles.size()));
  }
}

TEST(MeshObject, SeparateIndexListsServeTheirOwnDataAndEmptyOnesFallBackToTheVertexIndices) {
  TMeshObject mesh;
  mesh.SetMode(momFaceGroups);
  mesh.SetVertices(*Numbered(4));
  mesh.SetNormals(*Numbered(2, 1));
  mesh.GetTexCoords().AddList(*Numbered(4, 2));
  auto* group = new TFGVertexNormalTexIndexList(&mesh.GetFaceGroups());
  group->SetVertexIndices(*Indices({3, 2, 1}));
  group->GetNormalIndices().Add(1, 0, 1);
  TAffineVectorList tex, normals;
  const auto triangles = mesh.ExtractTriangles(&tex, &normals);
  EXPECT_EQ(Numbers(*triangles), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(Numbers(normals), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(Numbers(tex), (std::vector<int>{3, 2, 1}));
  EXPECT_FALSE(group->IndexFault());

  group->GetNormalIndices()[2] = 2;  // past the two normals
  EXPECT_TRUE(group->IndexFault());
  group->GetNormalIndices().SetCount(2);  // shorter than the vertex indices
  EXPECT_TRUE(group->IndexFault());
}

TEST(MeshObject, OwnTextureCoordinatesFollowTheFacesOfTheirGroup) {
  TMeshObject mesh;
  mesh.SetMode(momFaceGroups);
  mesh.SetVertices(*Numbered(4));
  auto* group = new TFGIndexTexCoordList(&mesh.GetFaceGroups());
  group->SetVertexIndices(*Indices({0, 1, 2, 3}));
  group->SetMode(fgmmTriangleFan);
  group->GetTexCoords().AddList(*Numbered(4, 5));
  TAffineVectorList tex;
  const auto triangles = mesh.ExtractTriangles(&tex);
  EXPECT_EQ(Numbers(*triangles), (std::vector<int>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(Numbers(tex), (std::vector<int>{0, 1, 2, 0, 2, 3}));
  group->GetTexCoords().SetCount(3);
  EXPECT_TRUE(group->IndexFault());
}

TEST(MeshObject, PointOnTheBoundingBoxIsInside) {
  TMeshObject mesh;
  mesh.GetVertices().Add(TAffineVector{-1, 0, 2});
  mesh.GetVertices().Add(TAffineVector{1, 3, 4});
  EXPECT_TRUE(mesh.PointInObject({1, 3, 4}));
  EXPECT_TRUE(mesh.PointInObject({-1, 0, 3}));
  EXPECT_FALSE(mesh.PointInObject({1.001f, 1, 3}));
}

TEST(MorphableMeshObject, JumpsAndBlendsBetweenTargets) {
  TMorphableMeshObject mesh;
  mesh.SetVertices(*Numbered(2));
  mesh.MorphTo(0);  // no targets: nothing happens
  EXPECT_EQ(Numbers(mesh.GetVertices()), (std::vector<int>{0, 1}));

  auto* a = new TMeshMorphTarget(&mesh.GetMorphTargets());
  a->GetVertices().Add(TAffineVector{0, 0, 0});
  a->GetNormals().Add(TAffineVector{1, 0, 0});
  auto* b = new TMeshMorphTarget(&mesh.GetMorphTargets());
  b->GetVertices().Add(TAffineVector{2, 4, 0});
  b->GetNormals().Add(TAffineVector{0, 1, 0});
  // Factor 1 copies the target exactly, factor 0 the first.
  mesh.Lerp(0, 1, 1.0f);
  EXPECT_TRUE(NearVector(mesh.GetVertices()[0], {2, 4, 0}, 0));
  mesh.Lerp(0, 1, 0.0f);
  EXPECT_TRUE(NearVector(mesh.GetVertices()[0], {0, 0, 0}, 0));
  mesh.Lerp(0, 1, 0.5f);
  EXPECT_TRUE(NearVector(mesh.GetVertices()[0], {1, 2, 0}));
  const float h = std::sqrt(0.5f);
  EXPECT_TRUE(NearVector(mesh.GetNormals()[0], {h, h, 0}));  // blended, then normalised

  EXPECT_THROW(mesh.MorphTo(2), EAssertionFailed);
  EXPECT_THROW(mesh.Lerp(0, -1, 0.5f), EAssertionFailed);
  b->GetVertices().Add(TAffineVector{5, 5, 5});
  EXPECT_THROW(mesh.Lerp(0, 1, 0.5f), EAssertionFailed);  // targets of different sizes

  TMeshObjectList list;
  list.Add(new TMeshObject(&list));
  EXPECT_EQ(list.MorphTargetCount(), 0);
}

TEST(MeshArchives, VersionsFollowWhatIsThere) {
  // A mesh object without light-map coordinates writes version 0, and
  // reading it empties the coordinates a mesh object had.
  TMeshObject plain;
  TMeshObject reader;
  reader.GetLightMapTexCoords().Add(1.0f, 2.0f);
  reader.LoadFromString(plain.SaveToString());
  EXPECT_EQ(reader.GetLightMapTexCoords().GetCount(), 0);

  TMeshObject lit;
  lit.GetLightMapTexCoords().Add(0.25f, 0.5f);
  lit.SetMode(momTriangleStrip);
  lit.SetRenderingOptions({moroGroupByMaterial});
  TMeshObject copy;
  copy.LoadFromString(lit.SaveToString());
  ASSERT_EQ(copy.GetLightMapTexCoords().GetCount(), 1);
  EXPECT_EQ(copy.GetLightMapTexCoords()[0].T, 0.5f);
  EXPECT_EQ(copy.GetMode(), momTriangleStrip);
  EXPECT_TRUE(copy.GetRenderingOptions().Contains(moroGroupByMaterial));

  // A face group without a light map writes version 0 and no index.
  TFGVertexIndexList group;
  group.SetMaterialName("m");
  const std::string unlit = group.SaveToString();
  EXPECT_EQ(unlit.substr(0, 5), std::string("\x02\x00\x06\x01m", 5));
  group.SetLightMapIndex(3);
  TFGVertexIndexList back;
  back.LoadFromString(group.SaveToString());
  EXPECT_EQ(back.GetLightMapIndex(), 3);
  back.LoadFromString(unlit);
  EXPECT_EQ(back.GetLightMapIndex(), -1);
}

TEST(MeshObjectList, ClearingFreesItemsThatWouldOtherwiseLeaveTheList) {
  TMeshObjectList list;
  auto* first = new TMeshObject(&list);
  list.Add(first);
  list.Add(new TMorphableMeshObject(&list));
  new TFGVertexIndexList(&first->GetFaceGroups());
  delete first;  // leaves the list on its own
  EXPECT_EQ(list.GetCount(), 1);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(MeshObjectList, ExtentsStartFarOutAndGrowByEveryObject) {
  TMeshObjectList list;
  TAffineVector min, max;
  list.GetExtents(min, max);
  EXPECT_TRUE(NearVector(min, {1e30f, 1e30f, 1e30f}, 0));
  EXPECT_TRUE(NearVector(max, {-1e30f, -1e30f, -1e30f}, 0));
  auto* a = new TMeshObject(&list);
  list.Add(a);
  a->GetVertices().Add(TAffineVector{-1, 2, 0});
  auto* b = new TMeshObject(&list);
  list.Add(b);
  b->SetVisible(false);  // counted all the same
  b->GetVertices().Add(TAffineVector{3, -4, 5});
  list.GetExtents(min, max);
  EXPECT_TRUE(NearVector(min, {-1, -4, 0}, 0));
  EXPECT_TRUE(NearVector(max, {3, 2, 5}, 0));
}

// --- Drawing, through a call recorder ----------------------------------------------

class MeshDrawing : public ::testing::Test {
protected:
  // The client arrays left enabled after the recorded calls, in call order.
  std::vector<int> ArraysLeftEnabled() const {
    std::vector<int> enabled;
    for (const GLCall& call : calls_.Calls()) {
      if (call.Name != "glEnableClientState" && call.Name != "glDisableClientState") continue;
      const int array = static_cast<int>(call.Args[0]);
      std::erase(enabled, array);
      if (call.Name == "glEnableClientState") enabled.push_back(array);
    }
    return enabled;
  }

  void SetUp() override { xgl::MapTexCoordToMain(); }
  void TearDown() override { xgl::MapTexCoordToNull(); }

  ScopedGLApi nullGL_{NullGLApi()};
  GLCallRecorder calls_{NullGLApi()};
  TRenderContextInfo rci_;
};

TEST_F(MeshDrawing, EmptyTrianglesDrawNothingAndDeclareNoArrays) {
  TMeshObject mesh;
  mesh.BuildList(rci_);
  EXPECT_EQ(calls_.Count("glBegin"), 0);
  EXPECT_EQ(calls_.Count("glEnableClientState"), 0);
  EXPECT_EQ(calls_.Count("glPushAttrib"), 0);
}

TEST_F(MeshDrawing, PerVertexDataIsSentOnlyWhenThereIsOneEntryPerVertex) {
  TMeshObject mesh;
  mesh.SetVertices(*Numbered(3));
  mesh.SetNormals(*Numbered(3));
  mesh.GetColors().Add(TVector4f{1, 0, 0, 1});  // one colour for three vertices
  mesh.BuildList(rci_);
  EXPECT_EQ(calls_.Count("glVertex3fv"), 3);
  EXPECT_EQ(calls_.Count("glNormal3fv"), 3);
  EXPECT_EQ(calls_.Count("glColor4fv"), 0);
  EXPECT_EQ(calls_.Count("glTexCoord2fv"), 0);
  EXPECT_EQ(calls_.Count("glPushAttrib"), 0);
  EXPECT_EQ(calls_.Count("glEnableClientState"), 2);  // vertices and normals
  EXPECT_TRUE(ArraysLeftEnabled().empty());
}

TEST_F(MeshDrawing, IndicesPastTheVerticesNeverReachGL) {
  TMeshObject mesh;
  mesh.SetMode(momFaceGroups);
  mesh.SetVertices(*Numbered(3));
  auto* group = new TFGVertexIndexList(&mesh.GetFaceGroups());
  group->SetVertexIndices(*Indices({0, 1, 3}));
  EXPECT_THROW(mesh.BuildList(rci_), EAssertionFailed);
  EXPECT_EQ(calls_.Count("glDrawElements"), 0);
  EXPECT_TRUE(ArraysLeftEnabled().empty());
}

}  // namespace
