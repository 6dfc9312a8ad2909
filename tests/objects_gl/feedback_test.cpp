// What the drawables hand to GL, read back in feedback mode: the disk's
// own geometry against the GLU partial disk it stands in for, and the
// mesh's primitives.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/geometry_emitter.h"
#include "objects/mesh.h"
#include "tests/support/gl_fixture.h"

namespace {

// One fed-back polygon: window x, y, z and texture s, t of each vertex.
using Polygon = std::vector<std::array<float, 5>>;

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

  std::vector<Polygon> Capture(const std::function<void()>& draw) {
    const GLApi& gl = GLDriverApi();
    std::vector<GLfloat> buffer(1 << 16);
    gl.glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    gl.glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = gl.glRenderMode(GL_RENDER);
    std::vector<Polygon> polygons;
    // A vertex of GL_3D_COLOR_TEXTURE: x, y, z, r, g, b, a, s, t, r, q.
    for (GLint i = 0; i < used;) {
      const GLint token = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
      if (token != GL_POLYGON_TOKEN) {
        ADD_FAILURE() << "unexpected token " << token;
        break;
      }
      const int n = static_cast<int>(buffer[static_cast<std::size_t>(i++)]);
      Polygon p;
      for (int k = 0; k < n; ++k, i += 11) {
        const GLfloat* v = &buffer[static_cast<std::size_t>(i)];
        p.push_back({v[0], v[1], v[2], v[7], v[8]});
      }
      polygons.push_back(p);
    }
    return polygons;
  }
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
    ASSERT_FALSE(glu.empty());
    ASSERT_EQ(ours.size(), glu.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
      ASSERT_EQ(ours[i].size(), glu[i].size()) << "polygon " << i;
      for (std::size_t k = 0; k < ours[i].size(); ++k)
        for (int j = 0; j < 5; ++j) EXPECT_NEAR(ours[i][k][j], glu[i][k][j], 1e-3f) << i << " " << k << " " << j;
    }
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
  EXPECT_EQ(Capture([&] { root.Render(rci); }).size(), 2u);
  ExpectNoStateLeft();
  root.DestroyHandles();
}

TEST_F(Feedback, DefaultMeshIsOneTriangle) {
  TGLDummyCube root;
  root.AddNewChild<TGLMesh>();
  TRenderContextInfo rci;
  const auto polygons = Capture([&] { root.Render(rci); });
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].size(), 3u);
  root.DestroyHandles();
}

}  // namespace
