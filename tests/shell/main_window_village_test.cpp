// The main window under an X server (Xvfb) on the sample world, flying
// above the village square at noon and looking down over the village
// (positions set through the client core): the screenshot
// "main_window_village.png" in the test output folder. Where the static map
// puts a house (colour ff0000, a townwall cube 3 high under a roof) the top
// of the cube shows the roof's colours; where it puts a town wall (0000ff,
// 2 high) the wall's top shows the townwall's.
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/client_globals.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/texture_loading.h"
#include "engine/scene.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/view_probe.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QSplitter>
#include <QTest>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

using gui_test::GuiApplication;
using gui_test::PinGLDriver;
using gui_test::ViewProbe;

// The mean colour of a texture of the program folder's world.
QColor MeanColour(const std::string& texture) {
  bool resized = false;
  const Bitmap bitmap = LoadTextureBitmap(std::string(CLIENT_PROGRAM_DIR) + "/textures/" + texture, 0, false, resized);
  double sum[3] = {0, 0, 0};
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      const int32_t c = bitmap.GetPixel(x, y);
      sum[0] += c & 0xFF, sum[1] += (c >> 8) & 0xFF, sum[2] += (c >> 16) & 0xFF;
    }
  const double n = static_cast<double>(bitmap.GetWidth()) * bitmap.GetHeight();
  return QColor(static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n));
}

int Distance(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

class MainWindowVillage : public ::testing::Test {
protected:
  void SetUp() override {
    if (!GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    PinGLDriver();
    windows = std::make_unique<ApplicationWindows>();
    main = fmtallowmer3dclient;
    main->OnShowError = [this](const std::string& message) { errors.push_back(message); };
    main->resize(1024, 900);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    main->FormActivate();
    viewer = main->findChild<GL3DSceneViewer*>("GL3DSceneViewer");
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(main->GetMud(), nullptr);
    ASSERT_TRUE(main->GetMud()->GetBuilt()) << main->GetMud()->GetCreateError();
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible() && viewer->FrameCount() > 0; }, 60000));
    // Most of the window for the view.
    main->spviewer->setSizes({700, 100});
  }
  void TearDown() override {
    windows.reset();
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  std::unique_ptr<ApplicationWindows> windows;
  Tfmtallowmer3dclient* main = nullptr;
  GL3DSceneViewer* viewer = nullptr;
  std::vector<std::string> errors;
};

TEST_F(MainWindowVillage, RoofsAndWallsStandWhereTheMapPutsThem) {
  TMud& mud = *main->GetMud();
  ViewProbe probe(*mud.Scene->GetObjects());
  // Flying (terrain type 10) 4 above the ground height of the square,
  // north of the village, looking south and down over it at noon.
  TMudstate& state = *mud.CurrentState;
  const int px = 176, py = 192;
  state.Time = 12;
  state.Level = 10;
  state.GetPosition()->SetPoint(px, py, 4);
  state.GetDirection()->SetVector(0, -1, -0.5f);
  mud.ReceivedState->Assign(&state);
  mud.Update();
  const int frames = probe.Frames();
  ASSERT_TRUE(QTest::qWaitFor([&] { return probe.Frames() > frames + 1; }, 30000));

  QImage shot = main->grab().toImage().convertToFormat(QImage::Format_RGB32);
  shot.setDevicePixelRatio(1);
  std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
  const std::string file = std::string(CLIENT_TEST_OUTPUT_DIR) + "/main_window_village.png";
  EXPECT_TRUE(shot.save(QString::fromStdString(file), "PNG")) << file;
  const QRect view(viewer->mapTo(main, QPoint(0, 0)) * viewer->devicePixelRatioF(),
                   viewer->size() * viewer->devicePixelRatioF());

  // Each seen point is nearer the colours of its own texture than of the
  // other's and of the grass about the village: a house's roof at the
  // middle of its top; a town wall's face at half its height, on a side
  // whose neighbour is no town wall (where the wall has a face) turned
  // toward the camera, away from the houses that may hide it.
  std::map<std::string, QColor> means;
  for (const char* texture : {"roof.bmp", "townwall.bmp", "Grass.jpg"}) means[texture] = MeanColour(texture);
  std::map<std::string, int> seen;
  auto expect = [&](const char* texture, int x, int y, const TVector4f& point) {
    const QPoint p = probe.ShotPixel(point, *main, *viewer);
    // Clear of the view's edges, so that the point lies inside.
    if (!view.adjusted(8, 8, -8, -8).contains(p)) return;
    const QColor c = shot.pixelColor(p);
    std::string nearest;
    for (const auto& [name, mean] : means)
      if (nearest.empty() || Distance(c, mean) < Distance(c, means[nearest])) nearest = name;
    ++seen[texture];
    EXPECT_EQ(nearest, texture) << "cell " << x << ", " << y << " at (" << p.x() << ", " << p.y()
                                << "): " << c.name().toStdString();
  };
  const int32_t house = HexToColor("ff0000"), wall = HexToColor("0000ff");
  const float v = static_cast<float>(mud.VisualScale);
  // A house 3 high hides what lies behind it on the line of sight (seen
  // from above, the line from the player's cell).
  auto behindHouse = [&](double x, double y) {
    for (double t = 0; t < 1; t += 0.02)
      if (mud.GetPixel(1, static_cast<int>(std::lround(px + (x - px) * t)),
                       static_cast<int>(std::lround(py + (y - py) * t))) == house)
        return true;
    return false;
  };
  for (int y = py - 50; y <= py; ++y)
    for (int x = px - 30; x <= px + 30; ++x) {
      const int32_t colour = mud.GetPixel(1, x, y);
      TVector4f point = mud.CellToScene(x, y);
      if (colour == house) {
        point[1] += 3 * v;
        expect("roof.bmp", x, y, point);
      } else if (colour == wall) {
        const struct {
          int dx, dy;
        } sides[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
        for (auto [dx, dy] : sides) {
          const bool facesCamera = dx != 0 ? (px - x) * dx > 0 : (py - y) * dy > 0;
          if (mud.GetPixel(1, x + dx, y + dy) == wall || !facesCamera || behindHouse(x + 0.5 * dx, y + 0.5 * dy))
            continue;
          const TVector4f face = mud.MudToSceneXY(x + 0.5 * dx, y + 0.5 * dy);
          expect("townwall.bmp", x, y, {face[0], point[1] + 1 * v, face[2], 1});
        }
      }
    }
  EXPECT_GE(seen["roof.bmp"], 3);
  EXPECT_GE(seen["townwall.bmp"], 10);
}

}  // namespace
