// The solids on a real off-screen context: each shows its colour where it
// stands (and nothing through its holes), every kind hands GL and the state
// cache back as it found them, and the earth sky dome shows the model's
// colour at the zenith.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <numbers>
#include <optional>
#include <string>

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "objects/annulus.h"
#include "objects/arrow_line.h"
#include "objects/cylinder.h"
#include "objects/dummy_cube.h"
#include "objects/earth_sky_dome.h"
#include "objects/extrusion_solid.h"
#include "objects/frustum.h"
#include "objects/multi_polygon.h"
#include "objects/pipe.h"
#include "objects/polygon.h"
#include "objects/revolution_solid.h"
#include "objects/torus.h"
#include "tests/objects_gl/scene_picture.h"
#include "tests/support/gl_fixture.h"

namespace {

constexpr int kSize = 160;

// Lit by its own emission only, so the colour does not hang on a light.
void Paint(TGLCustomSceneObject& object, const Rgb& rgb) {
  TGLFaceProperties* front = object.GetMaterial()->GetFrontProperties();
  TGLColor black(nullptr, clrBlack), colour(nullptr, {rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1});
  front->SetAmbient(&black);
  front->SetDiffuse(&black);
  front->SetEmission(&colour);
}

void AddSquare(TGLContourNodes* nodes, float x0, float y0, float x1, float y1) {
  nodes->AddNode(x0, y0, 0);
  nodes->AddNode(x1, y0, 0);
  nodes->AddNode(x1, y1, 0);
  nodes->AddNode(x0, y1, 0);
}

// Builders of one solid each, at the origin; shared by the picture and the
// state test.
struct Kind {
  const char* name;
  std::function<TGLCustomSceneObject*(TGLBaseSceneObject& parent)> make;
};

const Kind kKinds[] = {
    {"cylinder", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLCylinder>(); }},
    {"cone", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLCone>(); }},
    {"annulus", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLAnnulus>(); }},
    {"torus", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLTorus>(); }},
    {"arrow line", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLArrowLine>(); }},
    {"frustum", [](TGLBaseSceneObject& p) { return p.AddNewChild<TGLFrustrum>(); }},
    {"extrusion solid", [](TGLBaseSceneObject& p) {
       auto* solid = p.AddNewChild<TGLExtrusionSolid>();
       AddSquare(solid->GetPath(0), 0, 0, 1, 1);
       AddSquare(solid->GetPath(1), 0.3f, 0, 0.6f, 0.8f);
       solid->SetParts({espOutside, espStartPolygon, espStopPolygon});
       solid->SetHeight(0.3f);
       return solid;
     }},
    {"revolution solid", [](TGLBaseSceneObject& p) {
       auto* solid = p.AddNewChild<TGLRevolutionSolid>();
       for (const auto& c : {TAffineVector{0.2f, 0, 0}, {0.2f, 0.5f, 0}, {0.4f, 0.5f, 0}, {0.4f, 0, 0}, {0.2f, 0, 0}})
         solid->AddNode(c);
       return solid;
     }},
    {"pipe", [](TGLBaseSceneObject& p) {
       auto* pipe = p.AddNewChild<TGLPipe>();
       pipe->AddPipeNode({-0.5f, 0, 0});
       pipe->AddPipeNode({0.5f, 0, 0});
       pipe->SetRadius(0.2f);
       pipe->SetParts({ppOutside, ppStartDisk, ppStopDisk});
       return pipe;
     }},
    {"polygon", [](TGLBaseSceneObject& p) {
       auto* polygon = p.AddNewChild<TGLPolygon>();
       for (int i = 0; i < 6; ++i) {
         const double a = i * std::numbers::pi / 3;
         polygon->AddNode({static_cast<float>(0.5 * std::cos(a)), static_cast<float>(0.5 * std::sin(a)), 0});
       }
       return polygon;
     }},
    {"multi-polygon", [](TGLBaseSceneObject& p) {
       auto* shape = p.AddNewChild<TGLMultiPolygon>();
       AddSquare(shape->GetPath(0), 0, 0, 1, 1);
       AddSquare(shape->GetPath(1), 0.3f, 0.3f, 0.7f, 0.7f);
       return shape;
     }},
};

class SolidsPicture : public ::testing::Test {
protected:
  void SetUp() override { picture_.Camera().GetPosition()->SetPoint(0, 0, 26); }

  ScenePicture picture_{kSize};
};

TEST_F(SolidsPicture, EachSolidShowsItsColourWhereItStands) {
  struct Placed {
    TAffineVector at;      // where the solid stands
    TAffineVector probe;   // a point of it, from there
    std::optional<TAffineVector> hole;  // a point of its opening, from there
  };
  const Placed places[] = {
      {{-4.5f, 3, 0}, {0, 0, 0.5f}, std::nullopt},           // cylinder
      {{-1.5f, 3, 0}, {0, -0.25f, 0.3f}, std::nullopt},      // cone
      {{1.5f, 3, 0}, {0, 0, 0.5f}, std::nullopt},            // annulus, seen from the side
      {{4.5f, 3, 0}, {0.4f, 0, 0.1f}, TAffineVector{0, 0, 0}},  // torus
      {{-4.5f, 0, 0}, {0, 0, 1}, std::nullopt},              // arrow line, head on
      {{-1.5f, 0, 0}, {0, 0.2f, 0.4f}, std::nullopt},        // frustum
      {{1.5f, 0, 0}, {0.15f, 0.5f, 0.3f}, TAffineVector{0.45f, 0.3f, 0.3f}},  // extrusion, its notch
      {{4.5f, 0, 0}, {0, 0.25f, 0.4f}, std::nullopt},        // revolution solid
      {{-4.5f, -3, 0}, {0, 0, 0.2f}, std::nullopt},          // pipe
      {{-1.5f, -3, 0}, {0, 0, 0}, std::nullopt},             // polygon
      {{1.5f, -3, 0}, {0.15f, 0.15f, 0}, TAffineVector{0.5f, 0.5f, 0}},  // multi-polygon, its hole
  };
  static_assert(std::size(places) == std::size(kKinds));
  std::vector<TGLCustomSceneObject*> solids;
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    TGLCustomSceneObject* solid = solids.emplace_back(kKinds[i].make(*picture_.Scene().GetObjects()));
    solid->GetPosition()->SetPoint(places[i].at);
    // A colour of its own: red, green and blue steps by index.
    Paint(*solid, {static_cast<int>(60 + 15 * i), 255 - static_cast<int>(20 * i), static_cast<int>(30 * (i % 4) + 40)});
  }
  picture_.RenderAndRead("SolidsPicture.ppm");
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    SCOPED_TRACE(kKinds[i].name);
    const Rgb expected{static_cast<int>(60 + 15 * i), 255 - static_cast<int>(20 * i), static_cast<int>(30 * (i % 4) + 40)};
    EXPECT_EQ(picture_.PixelAt(VectorAdd(places[i].at, places[i].probe)), expected);
    EXPECT_EQ(picture_.PickAt(VectorAdd(places[i].at, places[i].probe)), solids[i]) << "picked where it is drawn";
    if (places[i].hole) {
      EXPECT_EQ(picture_.PixelAt(VectorAdd(places[i].at, *places[i].hole)), (Rgb{0, 0, 0}));
    }
  }
}

TEST_F(SolidsPicture, EarthSkyDomeShowsTheModelsSkyAtTheZenith) {
  auto* dome = picture_.Scene().GetObjects()->AddNewChild<TGLEarthSkyDome>();
  // Dome coordinates have Z up: the camera looks straight up.
  TGLCamera& camera = picture_.Camera();
  camera.GetDirection()->SetVector(0, 0, 1);
  camera.GetUp()->SetVector(1, 0, 0);
  camera.SetDepthOfView(100);
  picture_.RenderAndRead("EarthSkyDomeZenith.ppm");
  const TVector4f sky = dome->Model().SkyColor;
  const Rgb centre = picture_.Pixel(kSize / 2, kSize / 2);
  EXPECT_NEAR(centre[0], sky[0] * 255, 2);
  EXPECT_NEAR(centre[1], sky[1] * 255, 2);
  EXPECT_NEAR(centre[2], sky[2] * 255, 2);
  // Level and away from the sun (which stands at azimuth 0, dome +X), the
  // lowest rows of the dome show the haze, whiter than the zenith.
  camera.GetDirection()->SetVector(-1, 0, 0);
  camera.GetUp()->SetVector(0, 0, 1);
  picture_.RenderAndRead("EarthSkyDomeHorizon.ppm");
  const Rgb horizon = picture_.Pixel(kSize / 2, kSize / 2 + 1);
  EXPECT_GT(horizon[0], centre[0] + 100);
  EXPECT_NEAR(horizon[2], sky[2] * 255, 10);
}

// The state cache's capabilities that GL has on.
TGLStates EnabledInGL() {
  TGLStates on;
  for (int i = 0; i < kGLStateCount; ++i)
    if (GLDriverApi().glIsEnabled(GLStateToEnum(static_cast<TGLState>(i)))) on.Include(static_cast<TGLState>(i));
  return on;
}

class SolidsOnContext : public GLContextTest {};

TEST_F(SolidsOnContext, EverySolidLeavesNoStateBehind) {
  ResetGLStateCaches();
  Rebaseline();
  std::vector<Kind> kinds(std::begin(kKinds), std::end(kKinds));
  kinds.push_back({"inside-out cylinder without normals", [](TGLBaseSceneObject& p) {
                     auto* c = p.AddNewChild<TGLCylinder>();
                     c->SetNormalDirection(ndInside);
                     c->SetNormals(nsNone);
                     return c;
                   }});
  kinds.push_back({"coloured spline pipe", [](TGLBaseSceneObject& p) {
                     auto* pipe = p.AddNewChild<TGLPipe>();
                     pipe->AddPipeNode({0, 0, 0})->GetColor()->SetColor(clrRed);
                     pipe->AddPipeNode({1, 1, 0});
                     pipe->AddPipeNode({2, 0, 1});
                     pipe->SetSplineMode(lsmCubicSpline);
                     pipe->SetNodesColorMode(pncmAmbientAndDiffuse);
                     pipe->SetParts({ppOutside, ppInside, ppStartDisk, ppStopDisk});
                     return pipe;
                   }});
  kinds.push_back({"capped helix", [](TGLBaseSceneObject& p) {
                     auto* solid = p.AddNewChild<TGLRevolutionSolid>();
                     solid->AddNode({1, 0, 0});
                     solid->AddNode({1, 1, 0});
                     solid->AddNode({2, 1, 0});
                     solid->SetStopAngle(540);
                     solid->SetYOffsetPerTurn(1);
                     solid->SetNormals(nsSmooth);
                     solid->SetParts({rspOutside, rspInside, rspStartPolygon, rspStopPolygon});
                     return solid;
                   }});
  // One pass for all, as a scene goes on from object to object.
  TRenderContextInfo rci;
  SetGLState(rci.GLStates, stLighting);
  SetGLState(rci.GLStates, stDepthTest);
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    auto root = std::make_unique<TGLDummyCube>();
    kind.make(*root);
    // Materials may leave capabilities on (face culling), but GL and the
    // cache must agree on them afterwards as they did before.
    const std::uint32_t apart = EnabledInGL().Bits ^ rci.GLStates.Bits;
    for (int frame = 0; frame < 2; ++frame) root->Render(rci);
    ExpectNoStateLeft();
    EXPECT_EQ(EnabledInGL().Bits ^ rci.GLStates.Bits, apart) << "GL and the state cache no longer agree";
    root->DestroyHandles();
  }
}

}  // namespace
