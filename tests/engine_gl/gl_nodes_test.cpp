// Polygons of nodes through the GLU tessellator, caught in feedback mode.
#include "engine/gl_nodes.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/gl_api.h"
#include "tests/support/gl_fixture.h"

namespace {

class TessellatedPolygon : public GLContextTest {
protected:
  // Triangles drawn by `draw`, in window coordinates, as (x, y) triples.
  std::vector<std::array<float, 6>> Capture(const std::function<void()>& draw) {
    std::vector<GLfloat> feedback(4096);
    const GLApi& gl = GLDriverApi();
    gl.glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
    gl.glRenderMode(GL_FEEDBACK);
    draw();
    const GLint size = gl.glRenderMode(GL_RENDER);
    std::vector<std::array<float, 6>> triangles;
    for (GLint i = 0; i < size;) {
      const auto token = static_cast<GLint>(feedback[i++]);
      if (token != GL_POLYGON_TOKEN) break;
      const auto n = static_cast<GLint>(feedback[i++]);
      EXPECT_EQ(n, 3);
      std::array<float, 6> t{};
      for (int k = 0; k < 6; ++k) t[k] = feedback[i + k];
      i += 2 * n;
      triangles.push_back(t);
    }
    return triangles;
  }

  static float Area(const std::vector<std::array<float, 6>>& triangles) {
    float total = 0;
    for (const auto& t : triangles)
      total += std::fabs((t[2] - t[0]) * (t[5] - t[1]) - (t[4] - t[0]) * (t[3] - t[1])) / 2;
    return total;
  }
};

TEST_F(TessellatedPolygon, ConcaveOutlineBecomesTrianglesCoveringIt) {
  TGLNodes nodes(nullptr);
  // An L: the unit square from (0,0) to (1,1) without its upper right quarter.
  for (auto [x, y] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 0.5f}, {0.5f, 0.5f}, {0.5f, 1.0f}, {0.0f, 1.0f}})
    nodes.AddNode(x, y, 0);
  const auto triangles = Capture([&] { nodes.RenderTesselatedPolygon(false); });
  EXPECT_EQ(triangles.size(), 4u);
  // The viewport maps one unit to 32 pixels.
  EXPECT_NEAR(Area(triangles), 0.75f * 32 * 32, 1.0f);
  ExpectNoStateLeft();
}

TEST_F(TessellatedPolygon, FewerThanThreeNodesDrawNothing) {
  TGLNodes nodes(nullptr);
  nodes.AddNode(0, 0, 0);
  nodes.AddNode(1, 0, 0);
  EXPECT_TRUE(Capture([&] { nodes.RenderTesselatedPolygon(true); }).empty());
}

}  // namespace
