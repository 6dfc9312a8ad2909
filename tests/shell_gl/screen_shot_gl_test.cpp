// The screenshot on a real off-screen context: a 556 x 209 view gives a
// 556 x 209 baseline JPEG of quality 90 that decodes back to the rendered
// picture, top row first; a file that cannot be written is an error.
#include "shell/core/screen_shot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/bitmap32.h"
#include "engine/camera.h"
#include "engine/direct_opengl.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/scene.h"
#include "engine/scene_buffer.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "platform/egl/egl_pbuffer_context.h"

namespace {

constexpr int kWidth = 556;
constexpr int kHeight = 209;
constexpr TColor kBlue = 0x00FF0000;  // 0x00BBGGRR

// A rectangle in normalised device coordinates, whatever the camera does.
void ScreenRectangle(float x0, float y0, float x1, float y1) {
  const GLApi& gl = GL();
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glBegin(GL_QUADS);
  gl.glVertex2f(x0, y0);
  gl.glVertex2f(x1, y0);
  gl.glVertex2f(x1, y1);
  gl.glVertex2f(x0, y1);
  gl.glEnd();
  gl.glPopMatrix();
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPopMatrix();
  gl.glMatrixMode(GL_MODELVIEW);
}

class ScreenShot : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterEglContextClass();
    camera = scene.GetCameras()->AddNewChild<TGLCamera>();
    // Red in the top left quarter, green in the bottom right one, the blue
    // background elsewhere.
    auto* quarters = scene.GetObjects()->AddNewChild<TGLDirectOpenGL>();
    quarters->SetOnRender([](TObject*, TRenderContextInfo& rci) {
      const bool lit = rci.GLStates.Contains(stLighting);
      UnSetGLState(rci.GLStates, stLighting);
      GL().glColor3f(1, 0, 0);
      ScreenRectangle(-1, 0, 0, 1);
      GL().glColor3f(0, 1, 0);
      ScreenRectangle(0, -1, 1, 0);
      if (lit) SetGLState(rci.GLStates, stLighting);
    });
    buffer.SetBackgroundColor(kBlue);
    buffer.Resize(kWidth, kHeight);
    buffer.SetCamera(camera);
    buffer.CreateRenderingContext(0, true);
    folder = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "screen_shot";
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    buffer.DestroyRenderingContext();
    UnRegisterEglContextClass();
  }

  static std::vector<std::uint8_t> ReadFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  }

  TGL3DScene scene;
  TGL3DSceneBuffer buffer;
  TGLCamera* camera = nullptr;
  std::filesystem::path folder;
};

// The segment after the first marker `code` (its length bytes first).
const std::uint8_t* Segment(const std::vector<std::uint8_t>& jpeg, std::uint8_t code) {
  for (std::size_t i = 2; i + 4 < jpeg.size();) {
    if (jpeg[i] != 0xFF) return nullptr;
    if (jpeg[i + 1] == code) return &jpeg[i + 2];
    if (jpeg[i + 1] == 0xDA) return nullptr;  // the image data starts
    i += 2 + (std::size_t(jpeg[i + 2]) << 8 | jpeg[i + 3]);
  }
  return nullptr;
}

TEST_F(ScreenShot, FileIsABaselineJpegOfTheViewsSizeThatDecodesToTheRender) {
  const std::filesystem::path file = folder / "view.JPG";
  SaveScreenShot(buffer, kWidth, kHeight, file.string());
  const std::vector<std::uint8_t> jpeg = ReadFile(file);
  ASSERT_GT(jpeg.size(), 4u);
  ASSERT_EQ(jpeg[0], 0xFF);
  ASSERT_EQ(jpeg[1], 0xD8);

  // Baseline (SOF0), 8 bits, height and width, three components.
  const std::uint8_t* frame = Segment(jpeg, 0xC0);
  ASSERT_NE(frame, nullptr) << "no baseline frame header";
  EXPECT_EQ(frame[2], 8);
  EXPECT_EQ(frame[3] << 8 | frame[4], kHeight);
  EXPECT_EQ(frame[5] << 8 | frame[6], kWidth);
  EXPECT_EQ(frame[7], 3);
  // Quality 90 scales the standard luminance table by 20 %: its first two
  // entries 16 and 11 become (16 * 20 + 50) / 100 = 3 and (11 * 20 + 50)
  // / 100 = 2.
  const std::uint8_t* tables = Segment(jpeg, 0xDB);
  ASSERT_NE(tables, nullptr);
  EXPECT_EQ(tables[2], 0) << "8-bit table 0";
  EXPECT_EQ(tables[3], 3);
  EXPECT_EQ(tables[4], 2);

  TLinearBitmap decoded;
  DecodeJpeg(jpeg.data(), jpeg.size(), decoded);
  ASSERT_EQ(decoded.Width, kWidth);
  ASSERT_EQ(decoded.Height, kHeight);
  ASSERT_EQ(decoded.PixelFormat, pf24bit);
  auto rgb = [&](int x, int y) {
    const std::uint8_t* p = decoded.ScanLine(y) + 3 * x;
    return std::array<int, 3>{p[2], p[1], p[0]};
  };
  auto near = [](std::array<int, 3> a, std::array<int, 3> b) {
    return std::abs(a[0] - b[0]) <= 8 && std::abs(a[1] - b[1]) <= 8 && std::abs(a[2] - b[2]) <= 8;
  };
  // The top row of the file is the top of the view.
  EXPECT_TRUE(near(rgb(100, 40), {255, 0, 0})) << "red in the top left quarter";
  EXPECT_TRUE(near(rgb(450, 170), {0, 255, 0})) << "green in the bottom right quarter";
  EXPECT_TRUE(near(rgb(450, 40), {0, 0, 255})) << "background in the top right quarter";
  EXPECT_TRUE(near(rgb(100, 170), {0, 0, 255})) << "background in the bottom left quarter";

  // Pixel by pixel against the render itself: JPEG blurs the edges a
  // little, and nothing more.
  RasterBuffer rendered;
  rendered.Width = kWidth;
  rendered.Height = kHeight;
  buffer.RenderToBitmap(rendered, 96);
  long long difference = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* r = &rendered.Pixels[(std::size_t(y) * kWidth + x) * 4];
      const std::array<int, 3> d = rgb(x, y);
      difference += std::abs(d[0] - r[2]) + std::abs(d[1] - r[1]) + std::abs(d[2] - r[0]);
    }
  EXPECT_LT(double(difference) / (kWidth * kHeight * 3), 2.0);
}

TEST(ScreenShotBitmap, IsTheRendersPixelsWithoutAlpha) {
  RasterBuffer raster;
  raster.Width = 3;
  raster.Height = 2;
  raster.Pixels = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0};
  const TLinearBitmap picture = ScreenShotBitmap(raster);
  ASSERT_EQ(picture.PixelFormat, pf24bit);
  ASSERT_EQ(picture.Width, 3);
  ASSERT_EQ(picture.Height, 2);
  EXPECT_EQ(std::vector<int>(picture.ScanLine(0), picture.ScanLine(0) + 9), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(std::vector<int>(picture.ScanLine(1), picture.ScanLine(1) + 9),
            (std::vector<int>{10, 11, 12, 13, 14, 15, 16, 17, 18}));
}

TEST_F(ScreenShot, FileThatCannotBeWrittenIsAnError) {
  const std::filesystem::path missing = folder / "no folder";
  EXPECT_ANY_THROW(SaveScreenShot(buffer, kWidth, kHeight, (missing / "view.JPG").string()));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
