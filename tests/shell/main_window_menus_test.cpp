// The main window's menus under an X server (Xvfb), on the sample world:
// every item with its caption, the 3D window hidden and shown again, the map
// panel with the player's spot, the help and About windows, the screenshot,
// and the hidden developer tools (reload, dumps into the program folder).
#include "shell/about_window.h"
#include "shell/control_window.h"
#include "shell/application.h"
#include "shell/help_window.h"
#include "shell/images_window.h"
#include "shell/key_mappings_window.h"
#include "shell/main_window.h"
#include "shell/options_window.h"
#include "shell/scene_viewer.h"
#include "sound/bass_sound_manager.h"

#include "client/client_helpers.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/cadencer.h"
#include "engine/gl_coordinates.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "shell/core/stored_scene.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

class MainWindowMenus : public MainWindowOnScreen {
protected:
  void SetUp() override {
    MainWindowOnScreen::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_NE(mud, nullptr);
  }

  // Runs `inside` once the modal window that `trigger` opens is up, then
  // closes it.
  template <class Inside>
  static void WhileModal(QDialog& window, QAction& trigger, Inside inside) {
    bool ran = false;
    QTimer::singleShot(0, &window, [&] {
      ran = window.isVisible();
      inside();
      window.accept();
    });
    trigger.trigger();
    EXPECT_TRUE(ran) << trigger.text().toStdString() << " showed no window";
  }

  static void SetPosition(TMudstate& state, float x, float y) { state.GetPosition()->SetPoint(x, y, 0); }
  // A block of server text ending with a status line at map cell (x, y).
  static std::string StatusLine(int x, int y) {
    return "You walk.\r\nHp 30 |4|12:00|" + std::to_string(x) + "," + std::to_string(y) + ",0|9|0|0|0|\r\n";
  }

};

TEST_F(MainWindowMenus, EveryMenuHoldsItsItemsWithTheirCaptions) {
  struct Item {
    const char* caption;
    QAction* action;
    bool visible, checkable, checked;
  };
  const std::pair<const char*, std::vector<Item>> menus[] = {
      {"View",
       {{"Images", main->Images1, false, false, false},
        {"Control", main->Control1, false, false, false},
        {"3D Window", main->N3DWindow1, true, true, true},
        {"Map", main->Map1, true, true, false}}},
      {"Options",
       {{"Options", main->Options2, true, false, false},
        {"Key Mappings", main->KeyMappings1, true, false, false},
        {"Save Screen Shot", main->SaveScreenShot1, true, false, false}}},
      {"Help", {{"Help", main->Help1, true, false, false}, {"About", main->About2, true, false, false}}},
  };
  const QList<QAction*> bar = main->menuBar()->actions();
  ASSERT_EQ(bar.size(), 3);
  for (int m = 0; m < 3; ++m) {
    const auto& [title, items] = menus[m];
    EXPECT_EQ(bar[m]->text().toStdString(), title);
    const QList<QAction*> actions = bar[m]->menu()->actions();
    ASSERT_EQ(actions.size(), static_cast<int>(items.size())) << title;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      EXPECT_EQ(actions[static_cast<int>(i)], item.action) << item.caption;
      EXPECT_EQ(actions[static_cast<int>(i)]->text().toStdString(), item.caption);
      EXPECT_EQ(item.action->isVisible(), item.visible) << item.caption;
      EXPECT_EQ(item.action->isCheckable(), item.checkable) << item.caption;
      EXPECT_EQ(item.action->isChecked(), item.checked) << item.caption;
    }
  }
  // The developer tools are never on screen.
  for (QWidget* tool : {static_cast<QWidget*>(main->btreload), static_cast<QWidget*>(main->btdump),
                        static_cast<QWidget*>(main->cbdumpheights)})
    EXPECT_FALSE(tool->isVisible()) << tool->objectName().toStdString();
  // The images window holds the pictures and is never shown; its item does
  // nothing.
  main->Images1->trigger();
  EXPECT_FALSE(fmimages->isVisible());
  EXPECT_FALSE(fmimages->imaerial.GetEmpty());
}

TEST_F(MainWindowMenus, HidingThe3DWindowStopsTheTimerAndTheCadencer) {
  TGLCadencer& cadencer = *main->GetView()->GetCadencer();
  ASSERT_TRUE(main->timer->isActive());
  ASSERT_TRUE(cadencer.GetEnabled());

  for (const bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "shown again" : "hidden");
    main->N3DWindow1->trigger();
    EXPECT_EQ(main->N3DWindow1->isChecked(), shown);
    EXPECT_EQ(main->timer->isActive(), shown);
    EXPECT_EQ(cadencer.GetEnabled(), shown);
    EXPECT_EQ(main->pnviewer->isVisible(), shown);
    EXPECT_EQ(viewer->isVisible(), shown);
    EXPECT_EQ(main->Map1->isEnabled(), shown);
    if (shown) {
      // The text panel takes the settings' "telnetheight", 331 by default.
      EXPECT_TRUE(QTest::qWaitFor([&] { return main->pntelnet->height() == 331; }, 5000)) << main->pntelnet->height();
      continue;
    }
    // Status lines leave the view alone while it is hidden.
    const float x = mud->CurrentState->GetPosition()->GetX();
    main->IdTelnet1DataAvailable(StatusLine(static_cast<int>(x) + 7, 100));
    EXPECT_EQ(mud->CurrentState->GetPosition()->GetX(), x);
    // The text fills the window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->pntelnet->height() == main->spviewer->height(); }, 5000))
        << main->pntelnet->height() << " of " << main->spviewer->height();
  }
}

TEST_F(MainWindowMenus, MapShowsTheSpotWherePlayerStands) {
  main->Map1->trigger();
  ASSERT_TRUE(main->Map1->isChecked());
  // No status line yet, and after the first one: no spot.
  EXPECT_FALSE(main->spSpot->isVisible());
  main->IdTelnet1DataAvailable(StatusLine(100, 100));
  EXPECT_FALSE(main->spSpot->isVisible());
  // The player walks to the village square (176, 174).
  main->IdTelnet1DataAvailable(StatusLine(176, 174));
  ASSERT_EQ(main->pnright->width(), 200);
  // Beside the view, inside the window.
  EXPECT_EQ(main->pnright->geometry().right(), main->centralWidget()->width() - 1);
  EXPECT_EQ(main->spviewer->width(), main->centralWidget()->width() - 200);

  // The picture under a bar of Round((H - 179) / 2.5), beside a margin of
  // (200 - 179) div 2 = 10: its left edge at 200 - 10 - 179 = 11.
  auto expectPlaces = [&] {
    const int height = main->pnright->height();
    const int bar = static_cast<int>(std::nearbyint((height - 179) / 2.5));
    EXPECT_EQ(main->imAerial->geometry(), QRect(11, bar, 179, 179)) << "panel height " << height;
    // Round(176 / 2) = 88 right, 179 - Round(174 / 2) = 92 down.
    EXPECT_EQ(main->spSpot->geometry(), QRect(11 + 88, bar + 92, 5, 5)) << "panel height " << height;
  };
  expectPlaces();
  ASSERT_TRUE(main->spSpot->isVisible());
  const QImage panel = main->pnright->grab().toImage();
  std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
  gui_test::WindowShot(*main, *viewer).save(QString(CLIENT_TEST_OUTPUT_DIR) + "/main_window_map.png", "PNG");
  const qreal ratio = panel.devicePixelRatio();
  auto at = [&](QPoint p) { return panel.pixelColor(static_cast<int>(p.x() * ratio), static_cast<int>(p.y() * ratio)); };
  const QColor spot = at(main->spSpot->geometry().center());
  EXPECT_TRUE(gui_test::Near(spot, Qt::red)) << spot.name().toStdString();
  // North up, east right: the sample world's coast is in the west, its
  // hill in the north-east. The west edge is sea, bluer than the hill.
  const QRect picture = main->imAerial->geometry();
  const QColor west = at(picture.topLeft() + QPoint(4, 90));
  const QColor northEast = at(picture.topLeft() + QPoint(128, 51));
  EXPECT_GT(west.blue(), west.red() + 30) << west.name().toStdString();
  EXPECT_GT(west.blue() - west.red(), northEast.blue() - northEast.red() + 30)
      << west.name().toStdString() << " " << northEast.name().toStdString();

  // A taller window moves the picture and the spot with the bar.
  const int before = main->imAerial->y();
  main->resize(main->width(), main->height() + 100);
  ASSERT_TRUE(QTest::qWaitFor([&] { return main->imAerial->y() != before; }, 5000));
  expectPlaces();

  main->Map1->trigger();
  EXPECT_FALSE(main->spSpot->isVisible());
  EXPECT_EQ(main->pnright->width(), 1);
  EXPECT_EQ(main->spviewer->width(), main->centralWidget()->width() - 1);
  // Shown again: the spot where the player stands.
  main->Map1->trigger();
  EXPECT_TRUE(main->spSpot->isVisible());
  expectPlaces();
}

TEST_F(MainWindowMenus, HelpAndAboutOpenTheirWindows) {
  // Help opens the program folder's page, with nowhere to go back or
  // forward yet.
  WhileModal(*fmhtml, *main->Help1, [&] {
    EXPECT_EQ(fmhtml->wbhelp->source(), QUrl::fromLocalFile(QString::fromStdString(GetApplicationFolder() + "help/help.html")));
    EXPECT_FALSE(fmhtml->wbhelp->toPlainText().isEmpty());
  });
  EXPECT_FALSE(fmhtml->btback->isEnabled());
  EXPECT_FALSE(fmhtml->btforward->isEnabled());
  EXPECT_TRUE(fmhtml->tbnavigate->isHidden());

  // Following a link: back possible; going back: forward possible.
  std::vector<std::string> opened;
  fmhtml->OnOpenExternal = [&](const std::string& address) { opened.push_back(address); };
  emit fmhtml->wbhelp->anchorClicked(QUrl("keys.html"));
  EXPECT_TRUE(fmhtml->wbhelp->source().toString().endsWith("help/keys.html"));
  struct Step {
    QToolButton* click;
    const char* page;
    bool back, forward;
  };
  const Step steps[] = {{nullptr, "keys.html", true, false},
                        {fmhtml->btback, "help.html", false, true},
                        {fmhtml->btforward, "keys.html", true, false},
                        {fmhtml->btback, "help.html", false, true}};
  for (const Step& step : steps) {
    if (step.click) step.click->click();
    EXPECT_TRUE(fmhtml->wbhelp->source().toString().endsWith(step.page)) << step.page;
    EXPECT_EQ(fmhtml->btback->isEnabled(), step.back) << step.page;
    EXPECT_EQ(fmhtml->btforward->isEnabled(), step.forward) << step.page;
    EXPECT_FALSE(fmhtml->tbnavigate->isHidden()) << step.page;
  }
  // A web address goes to the desktop's browser; the page stays.
  emit fmhtml->wbhelp->anchorClicked(QUrl("https://example.org/manual"));
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/manual"});
  EXPECT_TRUE(fmhtml->wbhelp->source().toString().endsWith("help.html"));

  // About: the logo, the version, and two links to the browser.
  opened.clear();
  fmabout->OnOpenLink = [&](const std::string& address) { opened.push_back(address); };
  WhileModal(*fmabout, *main->About2, [&] {
    EXPECT_EQ(fmabout->lbversion->text().toStdString(), "7.12");
    EXPECT_FALSE(fmabout->imlogo->pixmap().isNull());
    for (QLabel* link : {fmabout->lblink1, fmabout->lblink2}) {
      const QString text = link->text();
      const int start = text.indexOf("href=\"") + 6;
      emit link->linkActivated(text.mid(start, text.indexOf('"', start) - start));
    }
  });
  ASSERT_EQ(opened.size(), 2u);
  for (const std::string& address : opened) EXPECT_EQ(address.rfind("https://", 0), 0u) << address;
  EXPECT_NE(opened[0], opened[1]);
}

TEST_F(MainWindowMenus, ControlOptionsAndKeyMappingsOpenTheirWindows) {
  // Control: filled from the current state; OK sets it.
  SetPosition(*mud->CurrentState, 120.5f, 85);
  main->SetDeveloperMode(true);
  WhileModal(*fmcontrol, *main->Control1, [&] {
    EXPECT_EQ(fmcontrol->edx->text().toStdString(), "120.50");
    EXPECT_EQ(fmcontrol->edy->text().toStdString(), "85.00");
    fmcontrol->edtime->setText("21.50");
  });
  EXPECT_EQ(mud->CurrentState->Time, 21.5);
  EXPECT_EQ(mud->ReceivedState->Time, 21.5);
  // Options: "No Sound" takes effect on OK.
  WhileModal(*fmoptions, *main->Options2, [&] { fmoptions->cbNoSound->setChecked(true); });
  EXPECT_FALSE(main->GetSoundManager()->GetActive());
  WhileModal(*fmkeymappings, *main->KeyMappings1, [] {});
}

TEST_F(MainWindowMenus, ScreenShotIsAJpegOfTheViewsSize) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->FrameCount() > 0; }, 60000));
  const std::filesystem::path folder = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "menus_screen_shot";
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "view.JPG").string();
  // As a file dialog may: the current folder moves away, and comes back.
  ASSERT_EQ(chdir(folder.c_str()), 0);
  ASSERT_TRUE(main->SaveScreenShot(file));
  EXPECT_EQ(std::filesystem::current_path().string() + "/", GetApplicationFolder());

  std::ifstream stream(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  TLinearBitmap picture;
  DecodeJpeg(bytes.data(), bytes.size(), picture);
  EXPECT_EQ(picture.Width, viewer->ToDevicePixels(viewer->width()));
  EXPECT_EQ(picture.Height, viewer->ToDevicePixels(viewer->height()));
  // The view's sky is at the top of the picture.
  const std::uint8_t* top = picture.ScanLine(2) + 3 * (picture.Width / 2);
  EXPECT_GT(top[0], top[2] + 15) << "blue over red in the top row";

  // It is the view's own frame, drawn again at once (no step of the scene
  // runs between the two): within JPEG's error, a pixel's colour is found
  // at its place or beside it in the frame. The start position's lamp
  // stands before a building, which must show through its clear texels.
  const QImage frame = viewer->GrabFrame().convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(frame.width(), picture.Width);
  ASSERT_EQ(frame.height(), picture.Height);
  frame.save(QString::fromStdString((folder / "view_frame.png").string()));
  int unlike = 0;
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) {
      const std::uint8_t* saved = picture.ScanLine(y) + 3 * x;  // blue, green, red
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int fx = x + dx, fy = y + dy;
          if (fx < 0 || fy < 0 || fx >= frame.width() || fy >= frame.height()) continue;
          const uchar* shown = frame.constScanLine(fy) + 3 * fx;  // red, green, blue
          near = std::abs(saved[2] - shown[0]) <= 40 && std::abs(saved[1] - shown[1]) <= 40 &&
                 std::abs(saved[0] - shown[2]) <= 40;
        }
      unlike += !near;
    }
  EXPECT_LE(unlike, picture.Width * picture.Height / 2000) << "pixels of the picture found nowhere near in the view";
}

int CountObjects(const TGLBaseSceneObject& object) {
  int count = 1;
  for (int i = 0; i < object.GetCount(); ++i) count += CountObjects(*object.GetChild(i));
  return count;
}

TEST_F(MainWindowMenus, ReloadLeavesTheWorldAsOneStartBuiltIt) {
  StoredScene& stored = main->GetView()->GetStoredScene();
  auto objects = [&] { return CountObjects(*stored.GetScene()->GetObjects()); };
  auto materials = [&] { return stored.GetMaterialLibrary()->GetMaterials()->GetCount(); };
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  const int started = objects(), startMaterials = materials();
  for (int reload = 1; reload <= 2; ++reload) {
    main->btreload->click();
    ASSERT_EQ(mud, main->GetMud());
    EXPECT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    EXPECT_EQ(objects(), started) << "after reload " << reload;
    EXPECT_EQ(materials(), startMaterials) << "after reload " << reload;
  }
  // Elsewhere and later: the states come over, and a second reload there
  // builds what the first did.
  SetPosition(*mud->CurrentState, 150.5f, 160);
  mud->CurrentState->Time = 21.5;
  main->btreload->click();
  const int moved = objects(), movedMaterials = materials();
  EXPECT_EQ(mud->CurrentState->GetPosition()->GetX(), 150.5f);
  EXPECT_EQ(mud->CurrentState->Time, 21.5);
  main->btreload->click();
  EXPECT_EQ(objects(), moved);
  EXPECT_EQ(materials(), movedMaterials);
}

TEST_F(MainWindowMenus, DumpsGoIntoTheProgramFolder) {
  const std::string folder = GetApplicationFolder();
  for (const char* name : {"fist.txt", "fist2.txt", "fist.bmp"}) std::filesystem::remove(folder + name);
  main->btdump->click();
  main->cbdumpheights->click();
  EXPECT_TRUE(std::filesystem::exists(folder + "fist.txt"));
  // One material name a line (ending CR LF), in the library's order.
  std::ifstream names(folder + "fist2.txt");
  std::vector<std::string> lines;
  for (std::string line; std::getline(names, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  const TGLLibMaterials& materials = *main->GetView()->GetStoredScene().GetMaterialLibrary()->GetMaterials();
  ASSERT_EQ(static_cast<int>(lines.size()), materials.GetCount());
  EXPECT_EQ(lines.front(), "elevation");
  EXPECT_EQ(lines.back(), materials.GetItems(materials.GetCount() - 1)->GetName());
  // The heights: a 257 x 257 grey BMP.
  const QImage heights(QString::fromStdString(folder + "fist.bmp"));
  EXPECT_EQ(heights.size(), QSize(257, 257));
  for (const char* name : {"fist.txt", "fist2.txt", "fist.bmp"}) std::filesystem::remove(folder + name);
}

}  // namespace
