#include "objects/mesh.h"

#include <gtest/gtest.h>

#include "tests/objects/drawable_test_support.h"

namespace {

TEST(TGLMesh, StartsAsOneTriangleThroughTheUnitAxes) {
  TGLMesh mesh;
  EXPECT_EQ(mesh.GetMode(), mmTriangleStrip);
  EXPECT_EQ(mesh.GetVertexMode(), vmVNCT);
  const TVertexList& v = *mesh.GetVertices();
  ASSERT_EQ(v.GetCount(), 3);
  EXPECT_TRUE(NearVector(v[0].Coord, {1, 0, 0}));
  EXPECT_TRUE(NearVector(v[1].Coord, {0, 1, 0}));
  EXPECT_TRUE(NearVector(v[2].Coord, {0, 0, 1}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(NearVector(v[i].Normal, {0, 0, 1}));
    EXPECT_TRUE(NearVector(v[i].Color, {0, 0, 0, 0}));
  }
}

TEST(TGLMesh, VertexChangesAndSettersRebuildTheList) {
  Counting<TGLMesh> mesh;
  mesh.ClearStructureChanged();
  mesh.ResetCounts();
  mesh.GetVertices()->Clear();
  EXPECT_EQ(mesh.structure, 1);
  EXPECT_NE(mesh.GetChanges() & ocfStructure, 0);
  mesh.GetVertices()->AddVertex({0, 0, 0}, {0, 0, 1}, {1, 1, 1, 1}, {0, 0});
  EXPECT_EQ(mesh.structure, 2);
  mesh.SetMode(mmTriangleStrip);
  mesh.SetMode(mmQuads);
  mesh.SetVertexMode(vmVN);
  EXPECT_EQ(mesh.structure, 4);
}

TEST(TGLMesh, AssignCopiesGeometryAndModesAndAsksForARebuild) {
  TGLMesh source;
  source.GetVertices()->Clear();
  for (int i = 0; i < 6; ++i) source.GetVertices()->AddVertex({float(i), 0, 0}, {}, {}, {});
  source.SetMode(mmQuads);
  source.SetVertexMode(vmVT);
  source.GetPosition()->SetPoint(9, 9, 9);
  Counting<TGLMesh> copy;
  copy.ClearStructureChanged();
  copy.ResetCounts();
  copy.Assign(&source);
  EXPECT_EQ(copy.GetVertices()->GetCount(), 6);
  EXPECT_EQ(copy.GetMode(), mmQuads);
  EXPECT_EQ(copy.GetVertexMode(), vmVT);
  EXPECT_TRUE(NearVector(copy.GetPosition()->AsVector(), {0, 0, 0, 1}));
  EXPECT_GE(copy.structure, 1);
  EXPECT_NE(copy.GetChanges() & ocfStructure, 0);
}

TEST(MeshModeToGL, MapsEveryMode) {
  const struct {
    TMeshMode mode;
    GLenum gl;
  } cases[] = {{mmTriangleStrip, GL_TRIANGLE_STRIP}, {mmTriangleFan, GL_TRIANGLE_FAN}, {mmTriangles, GL_TRIANGLES},
               {mmQuadStrip, GL_QUAD_STRIP},         {mmQuads, GL_QUADS},              {mmPolygon, GL_POLYGON}};
  for (const auto& c : cases) EXPECT_EQ(MeshModeToGL(c.mode), c.gl);
}

}  // namespace
