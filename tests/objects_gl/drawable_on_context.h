#pragma once
// What the drawable tests on a bare context share: a fixture that renders
// an object the way a frame does (twice: the first compiles what is
// compiled, the second replays it), with the state caches reset and
// texture coordinates mapped to the main unit, so that ExpectNoStateLeft()
// sees only what the drawing left behind.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"
#include "engine/render_context_info.h"
#include "objects/dummy_cube.h"
#include "tests/support/solid_bitmap.h"
#include "tests/support/gl_fixture.h"

class DrawableOnContext : public GLContextTest {
protected:
  void SetUp() override {
    GLContextTest::SetUp();
    ResetGLStateCaches();
    xgl::MapTexCoordToMain();
    Rebaseline();
  }
  void TearDown() override {
    root_.reset();
    xgl::MapTexCoordToNull();
    GLContextTest::TearDown();
  }
  // Two frames as `frame` describes them (a camera at (0, 0, 10) looking
  // down -Z when not given).
  void RenderTwice(TGLBaseSceneObject& object, const TRenderContextInfo& frame) {
    for (int i = 0; i < 2; ++i) {
      TRenderContextInfo rci = frame;
      object.Render(rci);
    }
  }
  void RenderTwice(TGLBaseSceneObject& object) {
    TRenderContextInfo rci;
    rci.cameraDirection = {0, 0, -1, 0};
    rci.cameraPosition = {0, 0, 10, 1};
    RenderTwice(object, rci);
  }
  // A named scene built under a fresh root.
  struct Case {
    const char* name;
    std::function<void(TGLDummyCube& root)> build;
  };
  // Each case built, rendered twice, checked and its lists freed.
  template <std::size_t N>
  void ExpectEachLeavesNoState(const Case (&cases)[N]) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      root_ = std::make_unique<TGLDummyCube>();
      c.build(*root_);
      RenderTwice(*root_);
      ExpectNoStateLeft();
      root_->DestroyHandles();
    }
  }

  std::unique_ptr<TGLDummyCube> root_ = std::make_unique<TGLDummyCube>();
};
