// What the drawables hand to GL, read back in feedback mode: the geometry
// of the disk and the round solids against the GLU quadrics they stand in
// for (positions, texture points and normals), and the mesh's primitives.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "objects/annulus.h"
#include "objects/arrow_line.h"
#include "objects/cylinder.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/geometry_emitter.h"
#include "objects/mesh.h"
#include "tests/support/gl_fixture.h"

namespace {

// One fed-back polygon: window x, y, z, texture s, t and the normal of
// each vertex.
using Polygon = std::vector<std::array<float, 8>>;
// A fed-back polygon: window x, y, z, red, green, blue, texture s, t.
using Colored = std::vector<std::array<float, 8>>;

class Feedback : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    ResetGLStateCaches();
    xgl::MapTexCoordToMain();
  }
  void TearDown() override {
    xgl::MapTexCoordToNull();
    GLContextTest::TearDown();
  }

  std::vector<Colored> CaptureColored(const std::function<void()>& draw) {
    const GLApi& gl = GLDriverApi();
    std::vector<GLfloat> buffer(1 << 20);
    gl.glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    gl.glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = gl.glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "the feedback buffer overflowed";
    std::vector<Colored> polygons;
    // A vertex of GL_3D_COLOR_TEXTURE: x, y, z, r, g, b, a, s, t, r, q.
    for (GLint i = 0; i < used;) {
      const GLint token = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
      if (token != GL_POLYGON_TOKEN) {
        ADD_FAILURE() << "unexpected token " << token;
        break;
      }
      const int n = static_cast<int>(buffer[static_cast<std::size_t>(i++)]);
      Colored p;
      for (int k = 0; k < n; ++k, i += 11) {
        const GLfloat* v = &buffer[static_cast<std::size_t>(i)];
        p.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[7], v[8]});
      }
      polygons.push_back(p);
    }
    return polygons;
  }

  // What `draw` feeds back, each vertex with the normal it was lit by:
  // three white-lit directional lights along +x, +y and +z colour a vertex
  // by the positive parts of its eye-space normal, the same lights turned
  // round by the negative parts. Nothing is normalised, so a normal's
  // length counts too.
  std::vector<Polygon> Capture(const std::function<void()>& draw) {
    const GLApi& gl = GLDriverApi();
    gl.glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    gl.glMatrixMode(GL_PROJECTION);
    gl.glPushMatrix();
    // Room for the longest arrow, so that nothing is clipped.
    gl.glLoadIdentity();
    gl.glOrtho(-2, 2, -2, 2, -2, 2);
    gl.glMatrixMode(GL_MODELVIEW);
    const GLfloat black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    gl.glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    gl.glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    gl.glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    gl.glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
    gl.glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    gl.glEnable(GL_LIGHTING);
    auto pass = [&](float sign) {
      for (int axis = 0; axis < 3; ++axis) {
        const GLenum light = GL_LIGHT0 + static_cast<GLenum>(axis);
        GLfloat direction[4] = {0, 0, 0, 0}, colour[4] = {0, 0, 0, 1};
        direction[axis] = sign;
        colour[axis] = 1;
        gl.glLightfv(light, GL_POSITION, direction);  // under the identity: in eye space
        gl.glLightfv(light, GL_DIFFUSE, colour);
        gl.glLightfv(light, GL_AMBIENT, black);
        gl.glLightfv(light, GL_SPECULAR, black);
        gl.glEnable(light);
      }
      gl.glNormal3f(0, 0, 0);
      gl.glTexCoord2f(0, 0);
      return CaptureColored(draw);
    };
    const std::vector<Colored> positive = pass(1), negative = pass(-1);
    gl.glMatrixMode(GL_PROJECTION);
    gl.glPopMatrix();
    gl.glPopAttrib();
    std::vector<Polygon> polygons;
    EXPECT_EQ(positive.size(), negative.size());
    for (std::size_t i = 0; i < positive.size() && i < negative.size(); ++i) {
      Polygon p;
      for (std::size_t k = 0; k < positive[i].size() && k < negative[i].size(); ++k) {
        const auto& a = positive[i][k];
        const auto& b = negative[i][k];
        p.push_back({a[0], a[1], a[2], a[6], a[7], a[3] - b[3], a[4] - b[4], a[5] - b[5]});
      }
      polygons.push_back(p);
    }
    return polygons;
  }

  // The same polygons, vertex for vertex: window position, texture point
  // and normal. With an axis (0 for x, 1 for y, 2 for z), a wall that faces
  // the axis is expected to differ on purpose: ours has the outside normal
  // turned round, while GLU turns only its part across the axis, so that on
  // a wall of two radii its normal tilts along the slope the wrong way.
  void ExpectSameFeedback(const std::vector<Polygon>& ours, const std::vector<Polygon>& glu, int axis = -1) {
    ASSERT_FALSE(glu.empty());
    ASSERT_EQ(ours.size(), glu.size());
    static const char* const kWhat[] = {"x", "y", "z", "s", "t", "normal x", "normal y", "normal z"};
    for (std::size_t i = 0; i < ours.size(); ++i) {
      ASSERT_EQ(ours[i].size(), glu[i].size()) << "polygon " << i;
      // The polygon's centre in eye space, across the axis.
      std::array<double, 3> centre{};
      for (const auto& v : glu[i]) {
        centre[0] += (v[0] - kWidth / 2.0) / (kWidth / 4.0);
        centre[1] += (v[1] - kHeight / 2.0) / (kHeight / 4.0);
        centre[2] += (0.5 - v[2]) * 4;
      }
      for (std::size_t k = 0; k < ours[i].size(); ++k) {
        double across = 0;
        for (int c = 0; c < 3; ++c)
          if (c != axis) across += centre[c] * glu[i][k][5 + c];
        const bool facingTheAxis = axis >= 0 && across < -1e-6;
        for (int j = 0; j < 8; ++j) {
          const float expected = facingTheAxis && j == 5 + axis ? -glu[i][k][j] : glu[i][k][j];
          ASSERT_NEAR(ours[i][k][j], expected, 1e-3f) << kWhat[j] << " of vertex " << k << " of polygon " << i;
        }
      }
    }
  }
};

// A GLU quadric set up as the round solids set theirs up.
class Quadric {
public:
  Quadric(const QuadricStyle& style) : gl_(GLDriverApi()), q_(gl_.gluNewQuadric()), style_(style) {
    gl_.gluQuadricDrawStyle(q_, GLU_FILL);
    gl_.gluQuadricNormals(q_, style.Normals == nsFlat ? GLU_FLAT : style.Normals == nsSmooth ? GLU_SMOOTH : GLU_NONE);
    Normal();
    gl_.gluQuadricTexture(q_, GL_TRUE);
  }
  ~Quadric() { gl_.gluDeleteQuadric(q_); }
  void Normal() { gl_.gluQuadricOrientation(q_, style_.Orientation == ndInside ? GLU_INSIDE : GLU_OUTSIDE); }
  void Inverted() { gl_.gluQuadricOrientation(q_, style_.Orientation == ndInside ? GLU_OUTSIDE : GLU_INSIDE); }
  void Cylinder(double base, double top, double height, int slices, int stacks) {
    gl_.gluCylinder(q_, base, top, height, slices, stacks);
  }
  void Disk(double inner, double outer, int slices, int loops) { gl_.gluDisk(q_, inner, outer, slices, loops); }

private:
  const GLApi& gl_;
  GLUquadric* q_;
  QuadricStyle style_;
};

TEST_F(Feedback, DiskFeedsBackWhatTheGLUPartialDiskDoes) {
  struct Case {
    const char* name;
    float inner, outer, start, sweep;
    int slices, loops;
    TNormalDirection direction;
  };
  const Case cases[] = {
      {"full disk", 0, 0.9f, 0, 360, 16, 2, ndOutside},
      {"annulus", 0.3f, 0.9f, 0, 360, 12, 3, ndOutside},
      {"sector", 0.2f, 0.8f, 30, 120, 6, 2, ndOutside},
      {"backwards sector inside out", 0, 0.8f, 200, -90, 5, 1, ndInside},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DiskShape shape;
    shape.InnerRadius = c.inner;
    shape.OuterRadius = c.outer;
    shape.StartAngle = c.start;
    shape.SweepAngle = c.sweep;
    shape.Slices = c.slices;
    shape.Loops = c.loops;
    shape.NormalDirection = c.direction;
    const auto ours = Capture([&] { EmitGeometry(BuildDiskGeometry(shape)); });
    const auto glu = Capture([&] {
      const GLApi& gl = GLDriverApi();
      GLUquadric* q = gl.gluNewQuadric();
      gl.gluQuadricTexture(q, GL_TRUE);
      gl.gluQuadricOrientation(q, c.direction == ndInside ? GLU_INSIDE : GLU_OUTSIDE);
      gl.gluPartialDisk(q, c.inner, c.outer, c.slices, c.loops, c.start, c.sweep);
      gl.gluDeleteQuadric(q);
    });
    ExpectSameFeedback(ours, glu);
  }
  ExpectNoStateLeft();
}

// The cylinder, cone, annulus and arrow line against the GLU calls that
// stand for them, with the same values: pushed, turned from z onto y (the
// arrow stays along z), moved, drawn part by part.
TEST_F(Feedback, RoundSolidsFeedBackWhatTheirGLUQuadricsDo) {
  const GLApi& gl = GLDriverApi();
  struct Placement {
    const GLApi& gl;
    explicit Placement(const GLApi& api, bool ontoY, float dz) : gl(api) {
      gl.glPushMatrix();
      if (ontoY) gl.glRotatef(-90, 1, 0, 0);
      gl.glTranslatef(0, 0, dz);
    }
    ~Placement() { gl.glPopMatrix(); }
  };
  auto cylinder = [&](const CylinderShape& s, const QuadricStyle& style) {
    const CylinderBaseShape& b = s.Base;
    Quadric q(style);
    Placement place(gl, true, s.Alignment == caCenter ? -b.Height / 2 : s.Alignment == caTop ? -b.Height : 0);
    if (s.Parts.Contains(cySides)) q.Cylinder(b.BottomRadius, s.TopRadius, b.Height, b.Slices, b.Stacks);
    if (s.Parts.Contains(cyTop)) {
      Placement top(gl, false, b.Height);
      q.Disk(0, s.TopRadius, b.Slices, b.Loops);
    }
    if (s.Parts.Contains(cyBottom)) {
      q.Inverted();
      q.Disk(0, b.BottomRadius, b.Slices, b.Loops);
    }
  };
  auto cone = [&](const ConeShape& s, const QuadricStyle& style) {
    const CylinderBaseShape& b = s.Base;
    Quadric q(style);
    Placement place(gl, true, -b.Height / 2);
    if (s.Parts.Contains(coSides)) q.Cylinder(b.BottomRadius, 0, b.Height, b.Slices, b.Stacks);
    if (s.Parts.Contains(coBottom)) {
      q.Inverted();
      q.Disk(0, b.BottomRadius, b.Slices, b.Loops);
    }
  };
  auto annulus = [&](const AnnulusShape& s, const QuadricStyle& style) {
    const CylinderBaseShape& b = s.Base;
    Quadric q(style);
    Placement place(gl, true, -b.Height / 2);
    if (s.Parts.Contains(anOuterSides)) q.Cylinder(b.BottomRadius, s.TopRadius, b.Height, b.Slices, b.Stacks);
    if (s.Parts.Contains(anTop)) {
      Placement top(gl, false, b.Height);
      q.Disk(s.TopInnerRadius, s.TopRadius, b.Slices, b.Loops);
    }
    if (s.Parts.Contains(anBottom) || s.Parts.Contains(anInnerSides)) q.Inverted();
    if (s.Parts.Contains(anBottom)) q.Disk(s.BottomInnerRadius, b.BottomRadius, b.Slices, b.Loops);
    if (s.Parts.Contains(anInnerSides))
      q.Cylinder(s.BottomInnerRadius, s.TopInnerRadius, b.Height, b.Slices, b.Stacks);
  };
  auto arrow = [&](const ArrowLineShape& s, const QuadricStyle& style) {
    const CylinderBaseShape& b = s.Base;
    const float k = s.HeadStackingStyle == ahssStacked ? 0.0f : s.HeadStackingStyle == ahssCentered ? 0.5f : 1.0f;
    const bool line = s.Parts.Contains(alLine);
    float length = b.Height, start = -b.Height / 2;
    Quadric q(style);
    if (s.Parts.Contains(alTopArrow)) {
      length -= s.TopArrowHeadHeight * k;
      Placement head(gl, false, b.Height / 2 - s.TopArrowHeadHeight * k);
      q.Cylinder(s.TopArrowHeadRadius, 0, s.TopArrowHeadHeight, b.Slices, b.Stacks);
      q.Inverted();
      q.Disk(line ? s.TopRadius : 0, s.TopArrowHeadRadius, b.Slices, b.Loops);
    }
    if (s.Parts.Contains(alBottomArrow)) {
      length -= s.BottomArrowHeadHeight * k;
      start += s.BottomArrowHeadHeight * k;
      gl.glPushMatrix();
      gl.glRotatef(180, 1, 0, 0);
      gl.glTranslatef(0, 0, b.Height / 2 - s.BottomArrowHeadHeight * k);
      q.Normal();
      q.Cylinder(s.BottomArrowHeadRadius, 0, s.BottomArrowHeadHeight, b.Slices, b.Stacks);
      q.Inverted();
      q.Disk(line ? b.BottomRadius : 0, s.BottomArrowHeadRadius, b.Slices, b.Loops);
      gl.glPopMatrix();
    }
    if (length > 0 && line) {
      Placement shaft(gl, false, start);
      q.Normal();
      q.Cylinder(b.BottomRadius, s.TopRadius, length, b.Slices, b.Stacks);
      if (!s.Parts.Contains(alTopArrow)) {
        Placement top(gl, false, length);
        q.Disk(0, s.TopRadius, b.Slices, b.Loops);
      }
      if (!s.Parts.Contains(alBottomArrow)) {
        q.Inverted();
        q.Disk(0, b.BottomRadius, b.Slices, b.Loops);
      }
    }
  };

  CylinderShape tapered;
  tapered.TopRadius = 0.2f;
  tapered.Base.Slices = 7;
  tapered.Base.Stacks = 3;
  tapered.Base.Loops = 2;
  CylinderShape onTop;
  onTop.Alignment = caTop;
  onTop.Parts = {cySides, cyBottom};
  CylinderShape onBottom;
  onBottom.Alignment = caBottom;
  onBottom.Base.Height = 1.5f;
  ConeShape coarseCone;
  coarseCone.Base.Slices = 5;
  coarseCone.Base.Loops = 3;
  ConeShape coneSides;
  coneSides.Parts = {coSides};
  AnnulusShape taperedAnnulus;
  taperedAnnulus.TopRadius = 0.3f;
  taperedAnnulus.BottomInnerRadius = 0.25f;
  taperedAnnulus.TopInnerRadius = 0.1f;
  taperedAnnulus.Base.Loops = 2;
  AnnulusShape innerAndTop;
  innerAndTop.Parts = {anInnerSides, anTop};
  // Negative sizes, of which GLU draws only some parts.
  CylinderShape narrowTop;
  narrowTop.TopRadius = -0.2f;
  CylinderShape narrowBottom;
  narrowBottom.Base.BottomRadius = -0.5f;
  CylinderShape upsideDown;
  upsideDown.Base.Height = -1;
  ConeShape upsideDownCone;
  upsideDownCone.Base.Height = -1;
  AnnulusShape upsideDownAnnulus;
  upsideDownAnnulus.Base.Height = -1;
  AnnulusShape pinchedAnnulus;
  pinchedAnnulus.TopRadius = -0.5f;
  ArrowLineShape both;
  both.Parts = {alLine, alTopArrow, alBottomArrow};
  both.HeadStackingStyle = ahssCentered;
  ArrowLineShape included = both;
  included.HeadStackingStyle = ahssIncluded;
  ArrowLineShape shaftOnly;
  shaftOnly.Parts = {alLine};
  shaftOnly.TopRadius = 0.05f;
  ArrowLineShape headsOnly;
  headsOnly.Parts = {alTopArrow, alBottomArrow};

  struct Case {
    const char* name;
    std::function<GeometryBatches(const QuadricStyle&)> ours;
    std::function<void(const QuadricStyle&)> glu;
    int axis;  // 1 standing along y, 2 lying along z
  };
  const Case cases[] = {
      {"cylinder", [](auto& st) { return BuildCylinderGeometry({}, st); }, [&](auto& st) { cylinder({}, st); }, 1},
      {"tapered cylinder", [&](auto& st) { return BuildCylinderGeometry(tapered, st); },
       [&](auto& st) { cylinder(tapered, st); }, 1},
      {"cylinder on its top, no top", [&](auto& st) { return BuildCylinderGeometry(onTop, st); },
       [&](auto& st) { cylinder(onTop, st); }, 1},
      {"cylinder on its bottom", [&](auto& st) { return BuildCylinderGeometry(onBottom, st); },
       [&](auto& st) { cylinder(onBottom, st); }, 1},
      {"cone", [](auto& st) { return BuildConeGeometry({}, st); }, [&](auto& st) { cone({}, st); }, 1},
      {"coarse cone", [&](auto& st) { return BuildConeGeometry(coarseCone, st); },
       [&](auto& st) { cone(coarseCone, st); }, 1},
      {"cone's side", [&](auto& st) { return BuildConeGeometry(coneSides, st); },
       [&](auto& st) { cone(coneSides, st); }, 1},
      {"annulus", [](auto& st) { return BuildAnnulusGeometry({}, st); }, [&](auto& st) { annulus({}, st); }, 1},
      {"tapered annulus", [&](auto& st) { return BuildAnnulusGeometry(taperedAnnulus, st); },
       [&](auto& st) { annulus(taperedAnnulus, st); }, 1},
      {"cylinder, top radius below zero", [&](auto& st) { return BuildCylinderGeometry(narrowTop, st); },
       [&](auto& st) { cylinder(narrowTop, st); }, 1},
      {"cylinder, bottom radius below zero", [&](auto& st) { return BuildCylinderGeometry(narrowBottom, st); },
       [&](auto& st) { cylinder(narrowBottom, st); }, 1},
      {"cylinder, height below zero", [&](auto& st) { return BuildCylinderGeometry(upsideDown, st); },
       [&](auto& st) { cylinder(upsideDown, st); }, 1},
      {"cone, height below zero", [&](auto& st) { return BuildConeGeometry(upsideDownCone, st); },
       [&](auto& st) { cone(upsideDownCone, st); }, 1},
      {"annulus, height below zero", [&](auto& st) { return BuildAnnulusGeometry(upsideDownAnnulus, st); },
       [&](auto& st) { annulus(upsideDownAnnulus, st); }, 1},
      {"annulus, top radius below zero", [&](auto& st) { return BuildAnnulusGeometry(pinchedAnnulus, st); },
       [&](auto& st) { annulus(pinchedAnnulus, st); }, 1},
      {"annulus's hole and top", [&](auto& st) { return BuildAnnulusGeometry(innerAndTop, st); },
       [&](auto& st) { annulus(innerAndTop, st); }, 1},
      {"arrow", [](auto& st) { return BuildArrowLineGeometry({}, st); }, [&](auto& st) { arrow({}, st); }, 2},
      {"arrow of two centred heads", [&](auto& st) { return BuildArrowLineGeometry(both, st); },
       [&](auto& st) { arrow(both, st); }, 2},
      {"arrow of two heads within its height", [&](auto& st) { return BuildArrowLineGeometry(included, st); },
       [&](auto& st) { arrow(included, st); }, 2},
      {"tapered shaft", [&](auto& st) { return BuildArrowLineGeometry(shaftOnly, st); },
       [&](auto& st) { arrow(shaftOnly, st); }, 2},
      {"heads without a shaft", [&](auto& st) { return BuildArrowLineGeometry(headsOnly, st); },
       [&](auto& st) { arrow(headsOnly, st); }, 2},
  };
  const struct {
    const char* name;
    QuadricStyle style;
  } styles[] = {{"smooth", {nsSmooth, ndOutside}}, {"flat", {nsFlat, ndOutside}}, {"inside out", {nsSmooth, ndInside}}};
  for (const Case& c : cases)
    for (const auto& [styleName, style] : styles) {
      SCOPED_TRACE(std::string(c.name) + ", " + styleName);
      const auto ours = Capture([&] { EmitGeometry(c.ours(style)); });
      const auto glu = Capture([&] { c.glu(style); });
      ExpectSameFeedback(ours, glu, c.axis);
    }
  ExpectNoStateLeft();
}

TEST_F(Feedback, MeshOfSixVerticesAsQuadsDrawsOneQuad) {
  TGLDummyCube root;
  auto* mesh = root.AddNewChild<TGLMesh>();
  mesh->GetVertices()->Clear();
  const TAffineVector corners[] = {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0.5f, 0.5f, 0},
                                   {-0.5f, 0.5f, 0},  {0, 0, 0},        {0.2f, 0, 0}};
  for (const auto& p : corners) mesh->GetVertices()->AddVertex(p, {0, 0, 1}, {1, 1, 1, 1}, {0, 0});
  mesh->SetMode(mmQuads);
  TRenderContextInfo rci;
  // A quad comes back as two triangles; the incomplete second quad not at all.
  EXPECT_EQ(CaptureColored([&] { root.Render(rci); }).size(), 2u);
  ExpectNoStateLeft();
  root.DestroyHandles();
}

TEST_F(Feedback, DefaultMeshIsOneTriangle) {
  TGLDummyCube root;
  root.AddNewChild<TGLMesh>();
  TRenderContextInfo rci;
  const auto polygons = CaptureColored([&] { root.Render(rci); });
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].size(), 3u);
  root.DestroyHandles();
}

}  // namespace
