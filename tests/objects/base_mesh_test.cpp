// The base mesh without a context: ray casts against its triangles,
// centring after a load, its bounding dimensions, the libraries it forgets
// when they go, and the edge connectivity built from its face groups.
#include <gtest/gtest.h>

#include <memory>

#include "engine/material_library.h"
#include "engine/vector_geometry.h"
#include "objects/actor.h"
#include "objects/base_mesh.h"
#include "objects/base_mesh_connectivity.h"
#include "objects/face_groups.h"
#include "tests/objects/drawable_test_support.h"
#include "tests/objects/geometry_expect.h"

namespace {

TMeshObject* AddTriangles(TGLBaseMesh& mesh, std::initializer_list<TAffineVector> vertices) {
  auto* object = new TMeshObject(&mesh.GetMeshObjects());
  mesh.GetMeshObjects().Add(object);
  for (const TAffineVector& v : vertices) object->GetVertices().Add(v);
  return object;
}

TEST(BaseMesh, RayHitsTheNearestTriangleAndTheFirstOfTwoAtTheSameDistance) {
  TGLFreeForm mesh;
  // One triangle at z = -3, then two facing +Z at z = 1 (the second one
  // larger, at the same distance), all around the Z axis.
  AddTriangles(mesh, {{-1, -1, -3}, {1, -1, -3}, {0, 1, -3}});
  AddTriangles(mesh, {{-1, -1, 1}, {1, -1, 1}, {0, 1, 1}, {-2, -1, 1}, {2, -1, 1}, {0, 2, 1}});
  TVector4f point, normal;
  ASSERT_TRUE(mesh.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}, &point, &normal));
  EXPECT_TRUE(NearVector(point, {0, 0, 1, 1}));
  // e1 x e2 of the first triangle at z = 1: (2, 0, 0) x (1, 2, 0).
  EXPECT_TRUE(NearVector(normal, {0, 0, 4, 0}));
  EXPECT_FALSE(mesh.RayCastIntersect({5, 5, 5, 1}, {0, 0, -1, 0}));

  // Moved and inside out: the hit in absolute space, the normal reversed.
  auto parent = TurnedParent();
  auto* child = static_cast<TGLFreeForm*>(parent->AddChild(std::make_unique<TGLFreeForm>()));
  child->Assign(&mesh);
  child->SetNormalsOrientation(mnoInvert);
  const TVector4f start = parent->LocalToAbsolute({0, 0, 5, 1});
  const TVector4f toward = parent->LocalToAbsolute({0, 0, -1, 0});
  ASSERT_TRUE(child->RayCastIntersect(start, toward, &point, &normal));
  EXPECT_TRUE(NearVector(point, parent->LocalToAbsolute({0, 0, 1, 1})));
  EXPECT_TRUE(NearVector(normal, VectorNegate(parent->LocalToAbsolute({0, 0, 4, 0}))));
}

TEST(BaseMesh, AutoCenteringMovesTheLoadedGeometry) {
  struct Case {
    TMeshAutoCenterings centering;
    TAffineVector firstVertex;
  };
  // Vertices (0, 0, 0), (4, 2, 0), (2, 4, 6): the box centre is (2, 2, 3),
  // the barycentre (2, 2, 2).
  const Case cases[] = {
      {{}, {0, 0, 0}},
      {{macCenterX}, {-2, 0, 0}},
      {{macCenterY, macCenterZ}, {0, -2, -3}},
      {{macCenterX, macUseBarycenter}, {-2, -2, -2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.centering.Bits());
    TGLFreeForm source;
    AddTriangles(source, {{0, 0, 0}, {4, 2, 0}, {2, 4, 6}});
    TMemoryStream file;
    source.SaveToStream("m.glsm", file);
    file.SetPosition(0);
    TGLFreeForm mesh;
    mesh.SetAutoCentering(c.centering);
    mesh.LoadFromStream("m.glsm", file);
    EXPECT_TRUE(NearVector(mesh.GetMeshObjects().GetMeshObject(0)->GetVertices()[0], c.firstVertex));
  }
}

TEST(BaseMesh, DimensionsAreTheLargerExtentPerAxisAndFollowChanges) {
  TGLFreeForm mesh;
  EXPECT_TRUE(NearVector(mesh.AxisAlignedDimensionsUnscaled(), {1e30f, 1e30f, 1e30f, 0}, 0));
  TMeshObject* object = AddTriangles(mesh, {{-3, 1, 0}, {2, 2, -5}});
  mesh.StructureChanged();
  EXPECT_TRUE(NearVector(mesh.AxisAlignedDimensionsUnscaled(), {3, 2, 5, 0}, 0));
  object->GetVertices().Add(TAffineVector{0, 7, 0});
  mesh.StructureChanged();
  EXPECT_TRUE(NearVector(mesh.AxisAlignedDimensionsUnscaled(), {3, 7, 5, 0}, 0));
}

TEST(BaseMesh, ForgetsLibrariesThatGo) {
  Counting<TGLFreeForm> mesh;
  auto library = std::make_unique<TGLMaterialLibrary>();
  auto lightmaps = std::make_unique<TGLMaterialLibrary>();
  library->GetMaterials()->Add()->SetName("stone");
  mesh.SetMaterialLibrary(library.get());
  mesh.SetLightmapLibrary(lightmaps.get());
  TMeshObject* object = AddTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  object->SetMode(momFaceGroups);
  auto* group = new TFGVertexIndexList(&object->GetFaceGroups());
  group->SetMaterialName("stone");
  mesh.PrepareMaterialLibraryCache();
  EXPECT_NE(group->GetMaterialCache(), nullptr);
  mesh.ResetCounts();
  library.reset();
  EXPECT_EQ(mesh.GetMaterialLibrary(), nullptr);
  EXPECT_EQ(group->GetMaterialCache(), nullptr);
  EXPECT_GT(mesh.structure, 0);
  lightmaps.reset();
  EXPECT_EQ(mesh.GetLightmapLibrary(), nullptr);
}

// A unit cube of 8 corners: bottom 0..3 and top 4..7, counter-clockwise
// seen from above.
TMeshObject* AddCube(TGLBaseMesh& mesh) {
  TMeshObject* cube = AddTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},  //
                                          {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
  cube->SetMode(momFaceGroups);
  return cube;
}

void AddGroup(TMeshObject& mesh, TFaceGroupMeshMode mode, std::initializer_list<int> indices) {
  auto* group = new TFGVertexIndexList(&mesh.GetFaceGroups());
  group->SetMode(mode);
  for (int i : indices) group->GetVertexIndices().Add(i);
}

TEST(BaseMeshConnectivity, ClosedCubeFromTrianglesOrFromStripsAndFans) {
  for (bool strips : {false, true}) {
    SCOPED_TRACE(strips);
    TGLFreeForm mesh;
    TMeshObject* cube = AddCube(mesh);
    if (strips) {
      // The four sides as one band, top and bottom as fans.
      AddGroup(*cube, fgmmTriangleStrip, {4, 0, 5, 1, 6, 2, 7, 3, 4, 0});
      AddGroup(*cube, fgmmTriangleFan, {4, 5, 6, 7});
      AddGroup(*cube, fgmmTriangleFan, {0, 3, 2, 1});
    } else {
      AddGroup(*cube, fgmmTriangles, {0, 1, 5, 0, 5, 4, 1, 2, 6, 1, 6, 5, 2, 3, 7, 2, 7, 6,  //
                                      3, 0, 4, 3, 4, 7, 4, 5, 6, 4, 6, 7, 0, 3, 2, 0, 2, 1});
    }
    TGLBaseMeshConnectivity connectivity(mesh);
    EXPECT_TRUE(connectivity.GetPrecomputeFaceNormal());
    EXPECT_EQ(connectivity.FaceCount(), 12);
    EXPECT_EQ(connectivity.EdgeCount(), 18);
    const TIntegerList& faces = connectivity.GetFaceGroupConnectivity(0).GetEdgeFaces();
    for (int e = 0; e < faces.GetCount(); e += 2) EXPECT_NE(faces[e + 1], -1) << "open edge " << e / 2;

    // Seen from far along +X, the silhouette is the outline of the +X side.
    TGLSilhouetteParameters from;
    from.SeenFrom = {50, 0.5f, 0.5f};
    std::unique_ptr<TGLSilhouette> silhouette;
    connectivity.CreateSilhouette(from, silhouette, false);
    EXPECT_EQ(silhouette->GetIndices().GetCount(), 8);
    // Adding a second view keeps the first one's edges.
    from.SeenFrom = {0.5f, 50, 0.5f};
    connectivity.CreateSilhouette(from, silhouette, true);
    EXPECT_EQ(silhouette->GetIndices().GetCount(), 16);
    EXPECT_EQ(mesh.GenerateSilhouette(from)->GetIndices().GetCount(), 8);
  }
}

TEST(BaseMeshConnectivity, LeavesTheMeshVerticesAndSkipsFaceNormalsOfAnActor) {
  TGLActor actor;
  TMeshObject* cube = AddCube(actor);
  AddGroup(*cube, fgmmTriangleFan, {4, 5, 6, 7});
  {
    TGLBaseMeshConnectivity connectivity(actor);
    EXPECT_FALSE(connectivity.GetPrecomputeFaceNormal());
    EXPECT_EQ(connectivity.FaceCount(), 2);
    connectivity.Clear(true);
    EXPECT_EQ(connectivity.FaceGroupConnectivityCount(), 1);
    EXPECT_EQ(connectivity.FaceCount(), 0);
  }
  EXPECT_EQ(cube->GetVertices().GetCount(), 8);
}

}  // namespace
