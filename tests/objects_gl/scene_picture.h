#pragma once
// A scene rendered off-screen into a square picture (black background),
// read back pixel by pixel: where a world point lands and which colour is
// there. Each picture is also written as a PPM file to the test output
// folder for a look by eye.
//
//   ScenePicture picture(128);
//   picture.Camera().GetPosition()->SetPoint(0, 0, 14);
//   picture.Scene().GetObjects()->AddNewChild<TGLCube>();
//   picture.RenderAndRead("Cube.ppm");
//   EXPECT_EQ(picture.PixelAt({0, 0, 0.5f}), (Rgb{255, 255, 255}));

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/matrix_geometry.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "engine/vector_geometry.h"
#include "platform/egl/egl_pbuffer_context.h"

using Rgb = std::array<int, 3>;

class ScenePicture {
public:
  explicit ScenePicture(int size) : size_(size) {
    RegisterEglContextClass();
    camera_ = scene_.GetCameras()->AddNewChild<TGLCamera>();
    // Notes the view and projection in force while the scene draws, to
    // find where a world point lands in the picture.
    auto* probe = scene_.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    probe->SetOnRender([this](TObject*, TRenderContextInfo& rci) {
      if (rci.drawState != rdsRendering) return;  // picking narrows the projection
      GL().glGetFloatv(GL_MODELVIEW_MATRIX, &view_[0][0]);
      GL().glGetFloatv(GL_PROJECTION_MATRIX, &projection_[0][0]);
    });
    buffer_.SetBackgroundColor(0);
    buffer_.Resize(size, size);
    buffer_.SetCamera(camera_);
    buffer_.CreateRenderingContext(0, true);
  }
  ~ScenePicture() {
    buffer_.DestroyRenderingContext();
    UnRegisterEglContextClass();
  }
  ScenePicture(const ScenePicture&) = delete;
  ScenePicture& operator=(const ScenePicture&) = delete;

  TGL3DScene& Scene() { return scene_; }
  TGLCamera& Camera() { return *camera_; }
  TGL3DSceneBuffer& Buffer() { return buffer_; }

  void RenderAndRead(const std::string& name) {
    buffer_.Render();
    TGLContext* context = buffer_.GetRenderingContext();
    context->Activate();
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(size_ * size_ * 4));
    GLDriverApi().glReadPixels(0, 0, size_, size_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    context->Deactivate();
    frame_.assign(static_cast<std::size_t>(size_ * size_), {});
    for (std::size_t i = 0; i < frame_.size(); ++i) frame_[i] = {rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]};
    const std::filesystem::path folder = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "objects_gl";
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out << "P6\n" << size_ << ' ' << size_ << "\n255\n";
    for (int y = size_ - 1; y >= 0; --y)
      for (int x = 0; x < size_; ++x)
        for (int c : Pixel(x, y)) out.put(static_cast<char>(c));
  }

  // (0, 0) the bottom left.
  Rgb Pixel(int x, int y) const { return frame_[static_cast<std::size_t>(y * size_ + x)]; }

  // The pixel where a world point lands; a failure outside the picture.
  Rgb PixelAt(const TAffineVector& p) const {
    const std::optional<std::array<int, 2>> at = PictureSpot(p);
    return at ? Pixel((*at)[0], (*at)[1]) : Rgb{-1, -1, -1};
  }

  // The object picking finds where a world point lands.
  TGLBaseSceneObject* PickAt(const TAffineVector& p) {
    const std::optional<std::array<int, 2>> at = PictureSpot(p);
    // Picking counts rows from the top.
    return at ? buffer_.GetPickedObject((*at)[0], size_ - 1 - (*at)[1]) : nullptr;
  }

private:
  // (0, 0) the bottom left; a failure outside the picture.
  std::optional<std::array<int, 2>> PictureSpot(const TAffineVector& p) const {
    const TVector4f clip = VectorTransform(VectorTransform(TVector4f{p[0], p[1], p[2], 1}, view_), projection_);
    const int x = static_cast<int>((clip[0] / clip[3] + 1) * 0.5f * size_);
    const int y = static_cast<int>((clip[1] / clip[3] + 1) * 0.5f * size_);
    if (x < 0 || x >= size_ || y < 0 || y >= size_) {
      ADD_FAILURE() << "outside the picture: " << x << ", " << y;
      return std::nullopt;
    }
    return std::array<int, 2>{x, y};
  }

  int size_;
  TGL3DScene scene_;
  TGL3DSceneBuffer buffer_;
  TGLCamera* camera_ = nullptr;
  std::vector<Rgb> frame_;
  TMatrix view_ = IdentityHmgMatrix;
  TMatrix projection_ = IdentityHmgMatrix;
};
