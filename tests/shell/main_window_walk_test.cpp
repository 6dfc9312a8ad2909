// The real main window walking the demo server's world under an X server
// (Xvfb): after every answer the camera stands where the answer's status
// line puts the player and looks the way the player walked, the pane never
// shows the status line, and the view after the walk is not the view before.
#include "shell/application.h"
#include "shell/control_window.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/config_xml.h"
#include "client/mud.h"
#include "engine/camera.h"
#include "tests/shell/demo_server_process.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace {

using gui_test::WaitFor;

// The map position of the newest status line among the received lines, read
// with the line's own grammar: "|4|hh:mm|x,y,z|".
struct MapPosition {
  int x = 0, y = 0, z = 0;
};
std::optional<MapPosition> NewestStatusPosition(const std::deque<std::string>& lines) {
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const std::size_t marker = line->find("|4|");
    if (marker == std::string::npos) continue;
    MapPosition p;
    if (std::sscanf(line->c_str() + marker + 3, "%*5[^|]|%d,%d,%d|", &p.x, &p.y, &p.z) != 3) return std::nullopt;
    return p;
  }
  return std::nullopt;
}

class MainWindowWalk : public MainWindowOnScreen {
protected:
  void SetUp() override {
    MainWindowOnScreen::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_NE(main->GetMud(), nullptr);
    ASSERT_TRUE(main->GetMud()->GetBuilt()) << main->GetMud()->GetCreateError();
  }

  QString PaneText() const {
    main->GetPane().Flush();
    return main->mmtelnet->toPlainText();
  }
  // Sends a command and waits for the answer's prompt.
  bool Command(const char* text, const char* prompt = "> ") {
    const qsizetype prompts = PaneText().count(prompt);
    QTest::keyClicks(main->mmcommand, text);
    QTest::keyClick(main->mmcommand, Qt::Key_Return);
    return WaitFor([&] { return PaneText().count(prompt) > prompts; }, std::chrono::seconds(20));
  }
  QImage Shot() {
    const int frames = viewer->FrameCount();
    viewer->Invalidate();
    EXPECT_TRUE(WaitFor([&] { return viewer->FrameCount() > frames; }, std::chrono::seconds(20)));
    return viewer->GrabFrame();
  }
};

TEST_F(MainWindowWalk, EveryAnswerMovesTheCameraWhereItsStatusLineSays) {
  ASSERT_NE(fmcontrol, nullptr);
  fmcontrol->cbstriptelnetcoords->setChecked(true);
  DemoServerProcess server;
  ASSERT_GT(server.port, 0);
  main->GetTelnet().SetHost("127.0.0.1");
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(WaitFor([&] { return PaneText().contains("Login: "); }, std::chrono::seconds(20)));
  ASSERT_TRUE(Command("walker", "Password: "));
  ASSERT_TRUE(Command("secret"));
  TMud& mud = *main->GetMud();
  std::optional<MapPosition> previous = NewestStatusPosition(main->GetSplitter().GetRecentLines());
  ASSERT_TRUE(previous);
  const QImage before = Shot();

  const double v = mud.VisualScale, offset = mud.Config->positionoffset;
  int moves = 0;
  for (const char* command : {"north", "north", "north", "goto hill"}) {
    SCOPED_TRACE(command);
    ASSERT_TRUE(Command(command));
    const std::optional<MapPosition> now = NewestStatusPosition(main->GetSplitter().GetRecentLines());
    ASSERT_TRUE(now);
    // The player faces the way from the last position to this one, and the
    // camera stands a little behind the player, looking the same way.
    const double dx = now->x - previous->x, dy = now->y - previous->y, dz = now->z - previous->z;
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (length == 0) continue;
    ++moves;
    const TVector4f& direction = mud.Camera->GetDirection()->AsVector();
    const double scale = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] + direction[2] * direction[2]);
    EXPECT_NEAR(direction[0] / scale, dx / length, 1e-4);
    EXPECT_NEAR(direction[1] / scale, dz / length, 1e-4);
    EXPECT_NEAR(direction[2] / scale, -dy / length, 1e-4);
    // Map (x, y) to scene ((x - 358) s, ., (358 - y) s).
    const TVector4f& camera = mud.Camera->GetPosition()->AsVector();
    EXPECT_NEAR(camera[0], (now->x - offset * dx / length - 358) * v, 1e-3 * v);
    EXPECT_NEAR(camera[2], (358 - (now->y - offset * dy / length)) * v, 1e-3 * v);
    previous = now;
  }
  EXPECT_EQ(moves, 4) << "every command of the walk moved the player";
  EXPECT_FALSE(PaneText().contains("|4|"));
  const QImage after = Shot();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(after != before) << "the view did not change with the walk";
  std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
  after.save(QString::fromStdString(std::string(CLIENT_TEST_OUTPUT_DIR) + "/main_window_walk.png"), "PNG");
}

}  // namespace
