// What the static objects give the batches, without GL: pieces where their
// objects draw, in the batches' coordinates and facing as their objects
// face; the objects that must draw themselves left over; layers that keep a
// face drawn after the one it lies on; billboards that face the view.
#include "client/static_batch_pieces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "client/mud.h"
#include "client/static_area.h"
#include "client/world_lists.h"
#include "engine/effects.h"
#include "engine/matrix_geometry.h"
#include "engine/scene.h"
#include "engine/vector_geometry.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/mesh.h"
#include "objects/plane.h"
#include "objects/sphere.h"
#include "objects/sprite.h"
#include "tests/client/mud_fixture.h"

namespace {

// Map colours of the fixture's world (0x00BBGGRR).
constexpr int32_t kRoofCube = 0x0000ff, kDoorCube = 0x0080ff, kMeadow = 0x008080, kTree = 0x008000,
                  kFire = 0xff00ff, kBall = 0xffff00, kWell = 0x00ffff;

TAffineVector Cross(const TAffineVector& a, const TAffineVector& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
TAffineVector Minus(const TAffineVector& a, const TAffineVector& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float Dot(const TAffineVector& a, const TAffineVector& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

class StaticBatchPieces : public ::testing::Test {
protected:
  void SetUp() override {
    // Each alone in its cell, on a slope, some cells turned by the builder.
    const std::pair<int32_t, int32_t> cells[] = {{kRoofCube, 110}, {kMeadow, 112}, {kTree, 114},
                                                 {kFire, 116},     {kBall, 118},   {kWell, 120}};
    for (const auto& [colour, x] : cells) world.Paint(1, x, 80, colour);
    world.Paint(1, 98, 103, kDoorCube);  // the room map's south exit
    mud = world.Create();
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  }

  TContainerPieces PiecesAt(int x, int y) {
    TGLBaseSceneObject* container = mud->StaticObjects[static_cast<size_t>(x)][static_cast<size_t>(y)];
    EXPECT_NE(container, nullptr);
    return CollectContainerPieces(*container, *mud->StaticCube);
  }

  // A point of the object's local space in the static cube's.
  TAffineVector InBatchSpace(TGLBaseSceneObject& object, const TAffineVector& local) {
    const TMatrix toBatch = MatrixMultiply(object.GetAbsoluteMatrix(), mud->StaticCube->GetInvAbsoluteMatrix());
    return AffineVectorTransform(local, toBatch);
  }

  mud_fixture::World world;
  std::unique_ptr<TMud> mud;
};

TEST_F(StaticBatchPieces, FacesLieAndFaceWhereTheirObjectsDraw) {
  const TContainerPieces cube = PiecesAt(110, 80);
  EXPECT_TRUE(cube.leftovers.empty());
  ASSERT_FALSE(cube.pieces.empty());
  for (const TBatchPiece& piece : cube.pieces) {
    auto* plane = dynamic_cast<TGLPlane*>(piece.object);
    ASSERT_NE(plane, nullptr);
    EXPECT_EQ(piece.key.kind, TBatchKind::Faces);
    EXPECT_EQ(piece.key.primitive, TBatchPrimitive::Quads);
    EXPECT_EQ(piece.key.material, plane->GetMaterial()->GetLibMaterial());
    ASSERT_EQ(piece.vertices.size(), 4u);
    const float w = plane->GetWidth() / 2, h = plane->GetHeight() / 2;
    // The plane's corners, wherever the builder put and turned it.
    const TAffineVector corners[] = {{w, h, 0}, {-w, h, 0}, {-w, -h, 0}, {w, -h, 0}};
    const TVector4f facing = plane->GetAbsoluteDirection();
    for (size_t i = 0; i < 4; ++i) {
      const TAffineVector expected = InBatchSpace(*plane, corners[i]);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(piece.vertices[i].Position[k], expected[k], 1e-4f);
      const TAffineVector n = piece.vertices[i].Normal;
      const float length = std::sqrt(Dot(n, n));
      EXPECT_NEAR(Dot(n, {facing[0], facing[1], facing[2]}) / length, 1.0f, 1e-5f);
    }
    ASSERT_TRUE(piece.planeNormal);
    EXPECT_NEAR(Dot(*piece.planeNormal, {facing[0], facing[1], facing[2]}), 1.0f, 1e-5f);
  }
}

TEST_F(StaticBatchPieces, EachKindGivesItsPieceAndAFireDrawsItself) {
  const TContainerPieces ball = PiecesAt(118, 80), well = PiecesAt(120, 80), meadow = PiecesAt(112, 80),
                         tree = PiecesAt(114, 80), fire = PiecesAt(116, 80);
  ASSERT_EQ(ball.pieces.size(), 1u);
  EXPECT_EQ(ball.pieces[0].key.primitive, TBatchPrimitive::Triangles);
  // Strips and fans become triangles that all keep facing outwards: a
  // strip's every second triangle is turned round on the way.
  auto* sphere = static_cast<TGLSphere*>(ball.pieces[0].object);
  const TAffineVector centre = InBatchSpace(*sphere, {0, 0, 0});
  const std::vector<TBatchVertex>& v = ball.pieces[0].vertices;
  ASSERT_EQ(v.size() % 3, 0u);
  int inwards = 0;
  for (size_t i = 0; i < v.size(); i += 3) {
    const TAffineVector normal = Cross(Minus(v[i + 1].Position, v[i].Position), Minus(v[i + 2].Position, v[i].Position));
    if (Dot(normal, normal) < 1e-12f) continue;  // the poles' slivers
    const TAffineVector out = Minus(v[i].Position, centre);
    inwards += Dot(normal, out) <= 0;
  }
  EXPECT_EQ(inwards, 0);

  ASSERT_EQ(well.pieces.size(), 1u);
  EXPECT_TRUE(well.pieces[0].planeNormal);
  ASSERT_EQ(meadow.pieces.size(), 1u);
  EXPECT_EQ(meadow.pieces[0].key.kind, TBatchKind::ColouredFaces);
  EXPECT_EQ(meadow.pieces[0].colours.size(), meadow.pieces[0].vertices.size());
  ASSERT_FALSE(tree.pieces.empty());
  for (const TBatchPiece& piece : tree.pieces) {
    EXPECT_EQ(piece.key.kind, TBatchKind::Billboards);
    EXPECT_TRUE(piece.billboard);
  }
  EXPECT_TRUE(fire.pieces.empty());
  ASSERT_EQ(fire.leftovers.size(), 1u);
  EXPECT_NE(fire.leftovers[0]->GetEffectsIfAny(), nullptr);
}

TEST_F(StaticBatchPieces, ADoorLiesUnderTheWallFaceDrawnAfterIt) {
  ASSERT_FALSE(mud->Doorways->IsEmpty());
  TGLBaseSceneObject* door = mud->Doorways->GetItem(0).object;
  const TContainerPieces pieces = PiecesAt(98, 103);
  const TBatchPiece* doorPiece = nullptr;
  const TBatchPiece* wallOverIt = nullptr;
  for (const TBatchPiece& piece : pieces.pieces) {
    if (piece.object == door) doorPiece = &piece;
    else if (doorPiece && piece.object->GetIndex() == door->GetIndex() + 1) wallOverIt = &piece;
  }
  ASSERT_NE(doorPiece, nullptr);
  ASSERT_NE(wallOverIt, nullptr);
  EXPECT_GT(wallOverIt->key.layer, doorPiece->key.layer);
  // The other sides lie on nothing and stay in the first layer.
  for (const TBatchPiece& piece : pieces.pieces) {
    if (&piece != wallOverIt) {
      EXPECT_EQ(piece.key.layer, 0) << piece.object->GetIndex();
    }
  }
}

TEST(StaticBatchLayers, APieceRisesAboveEveryEarlierOneOfAnotherBatchItLiesOn) {
  int stone = 0, wood = 0;
  // A unit square in the plane z = `z`, facing +z or -z, from x0.
  auto square = [](const void* material, float x0, float z, bool back) {
    TBatchPiece piece;
    piece.key.material = material;
    for (const auto& [x, y] : {std::pair{1.0f, 1.0f}, {0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 0.0f}})
      piece.vertices.push_back({{}, {}, {x0 + x, y, z}});
    piece.planeNormal = TAffineVector{0, 0, back ? -1.0f : 1.0f};
    return piece;
  };
  const struct {
    const char* what;
    std::vector<TBatchPiece> pieces;
    std::vector<int> layers;
  } cases[] = {
      {"one over another of another material", {square(&stone, 0, 0, false), square(&wood, 0, 0, false)}, {0, 1}},
      {"one over another of the same material", {square(&stone, 0, 0, false), square(&stone, 0, 0, false)}, {0, 0}},
      {"facing the other way", {square(&stone, 0, 0, false), square(&wood, 0, 0, true)}, {0, 1}},
      {"half over", {square(&stone, 0, 0, false), square(&wood, 0.5f, 0, false)}, {0, 1}},
      {"side by side, one edge in common", {square(&stone, 0, 0, false), square(&wood, 1, 0, false)}, {0, 0}},
      {"pulled 0.05 in front", {square(&stone, 0, 0, false), square(&wood, 0, 0.05f, false)}, {0, 0}},
      {"three on one another",
       {square(&stone, 0, 0, false), square(&wood, 0, 0, false), square(&stone, 0, 0, false)},
       {0, 1, 2}},
      {"a solid is never flat", {square(&stone, 0, 0, false), [&] {
                                   TBatchPiece p = square(&wood, 0, 0, false);
                                   p.planeNormal.reset();
                                   return p;
                                 }()},
       {0, 0}},
  };
  for (const auto& c : cases) {
    std::vector<TBatchPiece> pieces = c.pieces;
    AssignLayers(pieces);
    for (size_t i = 0; i < pieces.size(); ++i) EXPECT_EQ(pieces[i].key.layer, c.layers[i]) << c.what << " " << i;
  }
}

TEST(StaticBatchLeftovers, ObjectsThatDrawMoreThanTheirGeometryDrawThemselves) {
  TGL3DScene scene;
  const struct {
    const char* what;
    std::function<void(TGLDummyCube&)> add;  // one child made to draw itself
  } cases[] = {
      {"a sprite that fades", [](TGLDummyCube& c) { c.AddNewChild<TGLSprite>()->SetAlphaChannel(0.5f); }},
      {"a face that writes no depth", [](TGLDummyCube& c) { c.AddNewChild<TGLPlane>()->SetNoZWrite(true); }},
      {"a face with a child", [](TGLDummyCube& c) { c.AddNewChild<TGLPlane>()->AddNewChild<TGLPlane>(); }},
      {"a face with its axes", [](TGLDummyCube& c) { c.AddNewChild<TGLPlane>()->SetShowAxes(true); }},
      {"a sphere inside out", [](TGLDummyCube& c) { c.AddNewChild<TGLSphere>()->SetNormalDirection(ndInside); }},
      {"a disk without normals", [](TGLDummyCube& c) { c.AddNewChild<TGLDisk>()->SetNormals(nsNone); }},
      {"a mesh without texture points", [](TGLDummyCube& c) { c.AddNewChild<TGLMesh>()->SetVertexMode(vmVN); }},
      {"a translucent ground mesh",
       [](TGLDummyCube& c) {
         auto* mesh = c.AddNewChild<TGLMesh>();
         mesh->GetVertices()->Clear();
         for (int i = 0; i < 4; ++i) mesh->GetVertices()->AddVertex({float(i), 0, 0}, {0, 1, 0}, {1, 1, 1, 0.5f}, {0, 0});
         mesh->SetMode(mmQuads);
       }},
      {"a fire", [](TGLDummyCube& c) { c.AddNewChild<TGLDummyCube>()->GetEffects()->AddNew(TGLBFireFX::StaticClass()); }},
  };
  for (const auto& c : cases) {
    auto* container = scene.GetObjects()->AddNewChild<TGLDummyCube>();
    container->SetObjectsSorting(osNone);
    container->AddNewChild<TGLPlane>();  // one that goes into a batch beside it
    c.add(*container);
    const TContainerPieces pieces = CollectContainerPieces(*container, *scene.GetObjects());
    EXPECT_FALSE(pieces.whole) << c.what;
    EXPECT_EQ(pieces.pieces.size(), 1u) << c.what;
    ASSERT_EQ(pieces.leftovers.size(), 1u) << c.what;
    EXPECT_EQ(pieces.leftovers[0], container->GetChild(1)) << c.what;
  }
  // A container that orders its children itself renders as a whole.
  auto* sorted = scene.GetObjects()->AddNewChild<TGLDummyCube>();
  sorted->SetObjectsSorting(osRenderFarthestFirst);
  sorted->AddNewChild<TGLPlane>();
  sorted->AddNewChild<TGLPlane>();
  const TContainerPieces whole = CollectContainerPieces(*sorted, *scene.GetObjects());
  EXPECT_TRUE(whole.whole);
  EXPECT_TRUE(whole.pieces.empty());
  EXPECT_EQ(whole.leftovers.size(), 2u);
}

TEST(StaticBatchBillboards, AQuadFacesTheViewAtTheSpritesPlaceAndSize) {
  TGL3DScene scene;
  auto* container = scene.GetObjects()->AddNewChild<TGLDummyCube>();
  container->SetObjectsSorting(osNone);
  container->GetPosition()->SetPoint(10, 2, -5);
  container->Turn(30);
  auto* sprite = container->AddNewChild<TGLSprite>();
  sprite->GetPosition()->SetPoint(0.5f, 1, 0);
  sprite->SetSize(2, 3);
  const TContainerPieces pieces = CollectContainerPieces(*container, *scene.GetObjects());
  ASSERT_EQ(pieces.pieces.size(), 1u);
  ASSERT_TRUE(pieces.pieces[0].billboard);
  // A view from (0, 1, 20) turned 20 degrees about Y, as GL would hold it.
  TMatrix view = MatrixMultiply(CreateTranslationMatrix({0, -1, -20}), CreateRotationMatrixY(0.35f));
  float modelView[16];
  for (int i = 0; i < 16; ++i) modelView[i] = view[i / 4][i % 4];
  const auto quad = BillboardQuad(*pieces.pieces[0].billboard, modelView);
  const TVector4f at = sprite->GetAbsolutePosition();
  TAffineVector centre{0, 0, 0};
  std::array<TAffineVector, 4> eye;
  for (size_t i = 0; i < 4; ++i) {
    eye[i] = AffineVectorTransform(quad[i].Position, view);
    for (int k = 0; k < 3; ++k) centre[k] += quad[i].Position[k] / 4;
  }
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(centre[k], at[k], 1e-4f);
  // Upper right, upper left, lower left, lower right, in the view's plane.
  EXPECT_NEAR(eye[0][0] - eye[1][0], 2, 1e-4f);
  EXPECT_NEAR(eye[0][1] - eye[3][1], 3, 1e-4f);
  for (size_t i = 1; i < 4; ++i) EXPECT_NEAR(eye[i][2], eye[0][2], 1e-4f);
}

}  // namespace
