#pragma once
// Notes the view, projection and viewport in force while the main window's
// scene draws, to find where a point of the scene lands in a screenshot of
// the window.

#include <QPoint>
#include <QWidget>

#include <array>

#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"
#include "shell/scene_viewer.h"

namespace gui_test {

class ViewProbe {
public:
  // Drawn last among the objects' children, it reads the matrices the
  // camera set (its own place is the origin).
  explicit ViewProbe(TGLBaseSceneObject& objects) {
    objects.AddNewChild<TGLDirectOpenGL>()->SetOnRender([this](TObject*, TRenderContextInfo&) {
      GL().glGetFloatv(GL_MODELVIEW_MATRIX, &FModelView[0][0]);
      GL().glGetFloatv(GL_PROJECTION_MATRIX, &FProjection[0][0]);
      GL().glGetIntegerv(GL_VIEWPORT, FViewport.data());
      ++FFrames;
    });
  }
  int Frames() const { return FFrames; }

  // The pixel of a screenshot of `window` (in device pixels) where the
  // scene point lands in `viewer`'s frame.
  QPoint ShotPixel(const TVector4f& point, const QWidget& window, const GL3DSceneViewer& viewer) const {
    const TVector4f world{point[0], point[1], point[2], 1};
    const TVector4f clip = VectorTransform(VectorTransform(world, FModelView), FProjection);
    const float fx = FViewport[0] + (clip[0] / clip[3] + 1) * 0.5f * static_cast<float>(FViewport[2]);
    const float fy = FViewport[1] + (clip[1] / clip[3] + 1) * 0.5f * static_cast<float>(FViewport[3]);
    // GL counts rows from the bottom of the viewer's frame buffer.
    const QPoint origin = viewer.mapTo(&window, QPoint(0, 0));
    const int frameHeight = viewer.ToDevicePixels(viewer.height());
    return {viewer.ToDevicePixels(origin.x()) + static_cast<int>(fx),
            viewer.ToDevicePixels(origin.y()) + frameHeight - 1 - static_cast<int>(fy)};
  }

private:
  TMatrix FModelView = IdentityHmgMatrix;
  TMatrix FProjection = IdentityHmgMatrix;
  std::array<GLint, 4> FViewport{};
  int FFrames = 0;
};

}  // namespace gui_test
