// The real main window's settings, keys and mouse: the settings file read at
// start-up and written at close, mapped keys, double clicks and drags over
// the 3D view, against a server inside the test on a loopback port.

#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/gl_coordinates.h"
#include "engine/scene_buffer.h"
#include "objects/dummy_cube.h"
#include "platform/ini/ini_file.h"
#include "shell/application.h"
#include "shell/control_window.h"
#include "shell/core/client_settings.h"
#include "shell/key_mappings_window.h"
#include "shell/main_window.h"
#include "shell/options_window.h"
#include "shell/scene_viewer.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_session.h"
#include "tests/shell/test_server.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <array>
#include <filesystem>
#include <functional>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

using gui_test::WaitFor;

std::string ReadFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::array<float, 3> Xyz(const TVector4f& v) { return {v[0], v[1], v[2]}; }

// The angle in degrees between two directions.
double AngleBetween(const TVector4f& a, const TVector4f& b) {
  const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  const double lengths = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) *
                         std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
  return std::acos(std::clamp(dot / lengths, -1.0, 1.0)) * 180.0 / M_PI;
}

class MainWindowInput : public MainWindowSession {
protected:
  void SetUp() override {
    QApplication::setQuitOnLastWindowClosed(false);
    MainWindowSession::SetUp();
    if (IsSkipped()) return;
    ASSERT_NE(main->GetMud(), nullptr);
  }
  TMudstate& Current() { return *main->GetMud()->CurrentState; }
  // The window closed (the settings written) and the program started again.
  void Restart() {
    main->close();
    windows.reset();
    MainWindowSession::SetUp();
  }
  void Bind(std::uint16_t code, const char* command) {
    for (int row = 0; row < fmkeymappings->sgkeys->rowCount(); ++row)
      if (KeyTable[static_cast<std::size_t>(row)].Code == code) fmkeymappings->sgkeys->item(row, 1)->setText(command);
    fmkeymappings->btOkClick();
  }
  void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint at) {
    GL3DSceneViewer* viewer = main->GetView()->GetViewer();
    QMouseEvent event(type, at, viewer->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewer, &event);
  }
};

TEST_F(MainWindowInput, WithoutAFileStartsFromTheDefaultsAndClosingAndRestartingKeepsTheSettings) {
  // The sample world's first god-mode location, noon, terrain type 11.
  EXPECT_EQ(Current().GetPosition()->GetX(), 176.0f);
  EXPECT_EQ(Current().GetPosition()->GetY(), 174.0f);
  EXPECT_EQ(Current().Time, 12.0);
  EXPECT_EQ(Current().Level, 11);
  EXPECT_EQ(Current().GetDirection()->GetY(), -1.0f);
  EXPECT_TRUE(fmoptions->cbmousemove->isChecked());
  EXPECT_EQ(fmoptions->tbmousesensitivity->value(), 5);
  EXPECT_EQ(fmoptions->edmaxtelnetlines->text(), "5000");
  EXPECT_FALSE(fmoptions->cbNoSound->isChecked());

  fmoptions->cbmousemove->setChecked(false);
  fmoptions->tbmousesensitivity->setValue(8);
  fmoptions->edmaxtelnetlines->setText("800");
  Bind(112, "look;score");
  // Cancel keeps the bindings, though the grid keeps what was typed.
  fmkeymappings->sgkeys->item(0, 1)->setText("quit");
  fmkeymappings->btCancelClick();
  EXPECT_EQ(fmkeymappings->LookupKeyCommand(112), "look;score");
  EXPECT_EQ(fmkeymappings->sgkeys->item(0, 1)->text(), "quit");
  fmkeymappings->sgkeys->item(0, 1)->setText("look;score");
  Current().GetPosition()->SetPoint(120.5f, 85.0f, 0.0f);
  Current().Rain = 2.5;
  Current().Time = 20.0;  // the day time comes back from the Control window's text, not the state
  Restart();

  const std::string written = ReadFile(SettingsFilePath());
  for (const char* line : {"x=120.50\n", "y=85.00\n", "mousesensitivity=8\n", "maxtelnetlines=800\n",
                           "mousemove=0\n", "rain=2.5\n", "[keymapping]\n112=look;score\n"})
    EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
  EXPECT_EQ(written.find("godmode"), std::string::npos);

  EXPECT_EQ(Current().GetPosition()->GetX(), 120.5f);
  EXPECT_EQ(Current().GetPosition()->GetY(), 85.0f);
  EXPECT_EQ(Current().Rain, 2.5);
  EXPECT_EQ(Current().Time, 12.0);
  EXPECT_FALSE(fmoptions->cbmousemove->isChecked());
  EXPECT_EQ(fmoptions->tbmousesensitivity->value(), 8);
  EXPECT_EQ(fmoptions->edmaxtelnetlines->text(), "800");
  EXPECT_EQ(fmkeymappings->LookupKeyCommand(112), "look;score");
  EXPECT_EQ(fmkeymappings->sgkeys->item(0, 1)->text(), "look;score");

  // Developer mode, once on, is kept; a hand-written comment stays.
  main->SetDeveloperMode(true);
  Restart();
  EXPECT_TRUE(main->GetDeveloperMode());
  // Written by hand while the program runs.
  const std::string before = ReadFile(SettingsFilePath());
  std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << "; kept\n" << before;
  Restart();
  const std::string after = ReadFile(SettingsFilePath());
  EXPECT_EQ(after.rfind("; kept\n[3dclient]\n", 0), 0u) << after;
  EXPECT_NE(after.find("godmode=1\n"), std::string::npos) << after;
}

TEST_F(MainWindowInput, ADamagedSettingsFileStartsOnTheDefaultsAndIsNotOverwritten) {
  main->close();
  windows.reset();
  std::string damaged = "[3dclient]\nx=\xff\xfe\nlevel=abc\nmousesensitivity=high\nviewerheight=2\n";
  damaged += std::string(2000, '\0') + "\nno equals sign\n";
  {
    std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << damaged;
  }
  MainWindowSession::SetUp();
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(Current().GetPosition()->GetX(), 176.0f) << "an unreadable x falls back to the start position";
  EXPECT_EQ(Current().Level, 0) << "a level that is no number leaves the state's own";
  EXPECT_EQ(fmoptions->tbmousesensitivity->value(), 5);
  EXPECT_GT(main->pnviewer->height(), 5);

  // A file too large to be a settings file is neither read nor replaced.
  main->close();
  windows.reset();
  const std::string huge(IniFile::kMaxFileSize + 1, 'x');
  {
    std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << huge;
  }
  MainWindowSession::SetUp();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Settings not read"), std::string::npos) << errors[0];
  main->close();
  EXPECT_EQ(ReadFile(SettingsFilePath()), huge);
}

TEST_F(MainWindowInput, OutOfRangeSettingsGiveAUsableWindowAndTheFileWrittenAtCloseHoldsWhatWasUsed) {
  // A value longer than an edit holds by default, that is no number.
  std::string longSpeed;
  while (longSpeed.size() < 204800) longSpeed += "walk";
  const QRect screen = main->screen()->availableGeometry();
  for (const char* rightWidth : {"5000", "100000000"}) {
    SCOPED_TRACE(rightWidth);
    main->close();
    windows.reset();
    std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc)
        << "[3dclient]\nshowstats=1\nrightwidth=" << rightWidth
        << "\nviewerheight=100000\nx=1e308\ntime=1e308\nrain=1e308\ncloud=1e308\nwind=1e308\nspeed=" << longSpeed
        << "\n";
    errors.clear();
    MainWindowSession::SetUp();
    EXPECT_TRUE(errors.empty()) << errors.front();
    QApplication::processEvents();
    EXPECT_LE(main->frameGeometry().width(), screen.width());
    EXPECT_EQ(main->pnright->width(), 1);
    EXPECT_EQ(main->pnviewer->height(), 209);
    EXPECT_GT(main->pntelnet->height(), 100) << "the text pane squeezed";
    EXPECT_EQ(Current().GetPosition()->GetX(), 176.0f) << "the start position";
    EXPECT_EQ(Current().Time, 12.0);
    EXPECT_EQ(Current().Rain, 0.0);
    EXPECT_EQ(Current().Cloud, 0.0);
    EXPECT_EQ(Current().Wind, 0.0);
    EXPECT_EQ(fmcontrol->edspeed->text().size(), static_cast<qsizetype>(longSpeed.size()));
    ASSERT_TRUE(WaitFor([&] { return main->windowTitle().contains("Time of day 12.00 "); }))
        << main->windowTitle().toStdString();

    main->close();
    const std::string written = ReadFile(SettingsFilePath());
    for (const std::string line : {"rightwidth=1\n", "viewerheight=209\n", "x=176.00\n", "time=12\n", "rain=0\n",
                                   "cloud=0\n", "wind=0\n"})
      EXPECT_NE(written.find("\n" + line), std::string::npos) << line;
    EXPECT_NE(written.find("\nspeed=" + longSpeed + "\n"), std::string::npos) << "the long value cut";
  }
}

// A close asked for while the start-up lets events through (its busy
// captions, its error boxes) waits for the start-up to end; the settings are
// then written from what was read, the key mappings as they were.
class CloseDuringStartUp : public MainWindowSession, public ::testing::WithParamInterface<int> {
protected:
  CloseDuringStartUp() : MainWindowSession(false) {}
  void SetUp() override {
    gui_test::UseTestSettingsFolder();
    QApplication::setQuitOnLastWindowClosed(false);
    std::filesystem::create_directories(std::filesystem::path(SettingsFilePath()).parent_path());
    std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << "[3dclient]\nspeed=3\n" << kMappings;
    MainWindowSession::SetUp();
  }
  static constexpr const char* kMappings = "[keymapping]\n112=look;score\n116=north\n";
};

TEST_P(CloseDuringStartUp, IsHonouredWhenTheStartUpEndsAndKeepsTheKeyMappings) {
  bool askedDuringStartUp = false;
  // The close comes with the start-up's n-th pass of the event loop.
  std::function<void(int)> closeAfter = [&](int passes) {
    QMetaObject::invokeMethod(
        main,
        [&, passes] {
          if (passes > 0) return closeAfter(passes - 1);
          askedDuringStartUp = main->GetActivated() && fmbusy != nullptr;
          main->close();
        },
        Qt::QueuedConnection);
  };
  closeAfter(GetParam());
  main->FormActivate();
  ASSERT_TRUE(askedDuringStartUp);
  EXPECT_FALSE(main->isVisible()) << "closed once the start-up ended";
  const std::string written = ReadFile(SettingsFilePath());
  const std::size_t section = written.find("[keymapping]");
  ASSERT_NE(section, std::string::npos) << written;
  EXPECT_EQ(written.substr(section, written.find("\n[", section) - section), kMappings);
  EXPECT_NE(written.find("speed=3\n"), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(Passes, CloseDuringStartUp, ::testing::Values(0, 1, 2));

TEST_F(MainWindowInput, MappedKeysAndDoubleClicksSendTheirCommandsInOrderWhileTheUserTypes) {
  Bind(116, "look;north");  // F5
  Bind(104, "say hi;");     // keypad 8
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  QTest::keyClicks(main->mmcommand, "par");

  // Mapped keys act when they go up (keypad 8 pressed would also type an 8).
  QTest::keyRelease(main->mmcommand, Qt::Key_F5);
  QTest::keyRelease(main->mmcommand, Qt::Key_8, Qt::KeypadModifier);
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "look\r\nnorth\r\nsay hi\r\n\r\n"; })) << server.Received();
  EXPECT_EQ(main->mmcommand->toPlainText(), "par") << "what the user types is kept";
  EXPECT_TRUE(PaneText().contains("look\nnorth\nsay hi\n"));

  // Facing (0, -1): the top band is "south", the left band a quarter
  // turn anticlockwise of it, the centre nothing.
  GL3DSceneViewer* viewer = main->GetView()->GetViewer();
  const int w = viewer->width(), h = viewer->height();
  ASSERT_GT(w, 40);
  ASSERT_GT(h, 40);
  struct {
    Qt::MouseButton button;
    QPoint at;
  } const clicks[] = {
      {Qt::RightButton, QPoint(w / 2, 2)},  // only the left button walks
      {Qt::MiddleButton, QPoint(w / 2, 2)},
      {Qt::LeftButton, QPoint(w / 2, 2)},
      {Qt::LeftButton, QPoint(w / 2, h / 2)},
      {Qt::LeftButton, QPoint(2, h / 2)},
  };
  for (const auto& click : clicks) Mouse(QEvent::MouseButtonDblClick, click.button, click.button, click.at);
  const std::string expected = "look\r\nnorth\r\nsay hi\r\n\r\nsouth\r\neast\r\n";
  ASSERT_TRUE(WaitFor([&] { return server.Received() == expected; })) << server.Received();

  // Connected, keys turn the view but never move it.
  main->SetDeveloperMode(true);
  const TVector4f position = Current().GetPosition()->AsVector();
  QTest::keyClick(main->mmcommand, Qt::Key_Up);
  EXPECT_EQ(Xyz(Current().GetPosition()->AsVector()), Xyz(position));
}

TEST_F(MainWindowInput, AfterAPasswordPromptNoCommandIsEchoedHoweverItIsSent) {
  Bind(116, "secret");  // F5
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  server.Send("Password: ");
  ASSERT_TRUE(WaitFor([&] { return PaneText().endsWith("Password: "); }));
  GL3DSceneViewer* viewer = main->GetView()->GetViewer();
  const struct {
    const char* name;
    std::function<void()> send;
    std::string sent;
  } senders[] = {
      {"a mapped key", [&] { QTest::keyRelease(main->mmcommand, Qt::Key_F5); }, "secret\r\n"},
      {"a double click", [&] { Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton,
                                     QPoint(viewer->width() / 2, 2)); }, "south\r\n"},
      {"the command line", [&] { Type("typed"); }, "typed\r\n"},
  };
  std::string wire;
  for (const auto& sender : senders) {
    SCOPED_TRACE(sender.name);
    sender.send();
    wire += sender.sent;
    ASSERT_TRUE(WaitFor([&] { return server.Received() == wire; })) << server.Received();
    EXPECT_TRUE(PaneText().endsWith("Password: ")) << "echoed: " << PaneText().toStdString();
  }
}

TEST_F(MainWindowInput, EveryKeyTypedIntoTheCommandLineIsHandledOnce) {
  std::u16string seen;
  const auto handler = main->mmcommand->OnKeyPress;
  main->mmcommand->OnKeyPress = [&](char16_t& key) {
    seen += key;
    handler(key);
  };
  Type("ab");
  EXPECT_EQ(seen, u"ab\r");
}

TEST_F(MainWindowInput, TheKeyboardIsOnTheCommandLineFromStartUp) {
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  // The control the window gives the keyboard when it is first activated.
  EXPECT_EQ(main->focusWidget(), main->mmcommand);
  // Typed before any click, as the window system delivers it to the
  // window: into the command line, and the blank presses no button. The
  // keys go to this window whichever window is active, since the other
  // window tests share the display and may hold the activation.
  main->activateWindow();
  for (char key : std::string("look around")) QTest::keyClick(main->windowHandle(), key);
  EXPECT_EQ(main->mmcommand->toPlainText(), "look around");
  QTest::qWait(100);
  EXPECT_FALSE(main->GetTelnet().Connected()) << "connected unasked";
}

TEST_F(MainWindowInput, TypingAfterAClickIntoThePaneReachesTheCommandLine) {
  main->IdTelnet1DataAvailable("You see a tree.\r\n");
  main->GetPane().Flush();
  QTest::mouseClick(main->mmtelnet->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
  ASSERT_EQ(main->focusWidget(), main->mmtelnet) << "a click into the pane gives it the keyboard";
  QTest::keyClicks(main->mmtelnet, "look");
  EXPECT_EQ(main->mmcommand->toPlainText(), "look");
  EXPECT_EQ(main->focusWidget(), main->mmcommand);

  // Copying out of the pane still works, and leaves the command line alone.
  QTest::mouseClick(main->mmtelnet->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
  QTest::keyClick(main->mmtelnet, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(main->mmtelnet, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "You see a tree.\n");
  EXPECT_EQ(main->mmcommand->toPlainText(), "look");
  QTest::keyClick(main->mmtelnet, Qt::Key_Backspace);
  EXPECT_EQ(main->mmcommand->toPlainText(), "loo");
}

TEST_F(MainWindowInput, KeysAndDragsTurnTheViewAndMoveItOnlyInDeveloperModeWhileDisconnected) {
  const TVector4f start = Current().GetDirection()->AsVector();
  QTest::keyClick(main->mmcommand, Qt::Key_Left);
  EXPECT_NEAR(AngleBetween(start, Current().GetDirection()->AsVector()), 5.0, 0.01);
  QTest::keyClick(main->mmcommand, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_NEAR(AngleBetween(start, Current().GetDirection()->AsVector()), 5.0, 0.01) << "-5 then +10";

  const TVector4f position = Current().GetPosition()->AsVector();
  QTest::keyClick(main->mmcommand, Qt::Key_Up);
  EXPECT_EQ(Xyz(Current().GetPosition()->AsVector()), Xyz(position)) << "not in developer mode";
  main->SetDeveloperMode(true);
  QTest::keyClick(main->mmcommand, Qt::Key_Up);
  const TVector4f moved = Current().GetPosition()->AsVector();
  EXPECT_NEAR(std::hypot(moved[0] - position[0], moved[1] - position[1]), 1.0, 1e-4);

  // Sensitivity 5 divides a drag by 2; a move without the button only
  // marks where the mouse is.
  const TVector4f before = Current().GetDirection()->AsVector();
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(100, 30));
  EXPECT_EQ(Xyz(Current().GetDirection()->AsVector()), Xyz(before));
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(120, 30));
  EXPECT_NEAR(AngleBetween(before, Current().GetDirection()->AsVector()), 10.0, 0.01);

  // Without "Mouse Move" drags do nothing.
  fmoptions->cbmousemove->setChecked(false);
  main->ApplyMouseMoveOption();
  const TVector4f unchanged = Current().GetDirection()->AsVector();
  Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(200, 30));
  EXPECT_EQ(Xyz(Current().GetDirection()->AsVector()), Xyz(unchanged));
}

TEST_F(MainWindowInput, WithStatisticsOnTheTimerShowsThemInTheCaption) {
  main->close();
  windows.reset();
  std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << "[3dclient]\nshowstats=1\ntime=14.5\n";
  MainWindowSession::SetUp();
  const QRegularExpression caption(
      "^FPS=\\d+\\.\\d\\d Displays/s=\\d+\\.\\d\\d Time to Displays\\d+\\.00 Time of day 14\\.50 Cache size "
      "\\d+abs x-?\\d+\\.\\d\\d y-?\\d+\\.\\d\\d z-?\\d+\\.\\d\\d$");
  ASSERT_TRUE(WaitFor([&] { return caption.match(main->windowTitle()).hasMatch(); })) << main->windowTitle().toStdString();

  // The day cycle: ten ticks make an hour, and the day wraps at midnight.
  fmcontrol->cbdoday->setChecked(true);
  Current().Time = 23.5;
  for (int tick = 0; tick < 10; ++tick) main->timerTimer();
  EXPECT_NEAR(Current().Time, 0.5, 1e-6);
}

TEST_F(MainWindowInput, AtNightTheViewStartsInTheHoursColour) {
  main->close();
  windows.reset();
  std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << "[3dclient]\ntime=23\n";
  MainWindowSession::SetUp();
  ASSERT_TRUE(main->GetMud()->GetBuilt()) << main->GetMud()->GetCreateError();
  const TGL3DSceneBuffer& buffer = *main->GetView()->GetViewer()->GetBuffer();
  const TColor first = buffer.GetBackgroundColor();
  EXPECT_NE(first, MainViewPanel::kStartupBackground) << "the day's colour at 23:00";
  // What the next update shows is what the first frame showed.
  main->GetMud()->Update();
  EXPECT_EQ(buffer.GetBackgroundColor(), first);
}

TEST_F(MainWindowInput, ARightClickOnAMonsterSendsKillWithItsName) {
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  TMud& core = *main->GetMud();
  Current().Mobs().Cell(0, 0) = {"guard"};
  core.Update();
  ASSERT_EQ(core.MobSquare->GetCount(), 1);
  ASSERT_GT(core.MobSquare->GetChild(0)->GetCount(), 0);
  const TGLBaseSceneObject* sprite = core.MobSquare->GetChild(0)->GetChild(0);
  ASSERT_EQ(sprite->GetName().size(), std::string("guard").size() + 5);

  // Where the guard stands in the view: along the horizon, where the
  // camera's height meets the sprite.
  GL3DSceneViewer* viewer = main->GetView()->GetViewer();
  std::optional<QPoint> on;
  for (int y = viewer->height() / 2; !on && y < viewer->height(); y += 12)
    for (int x = 2; !on && x < viewer->width(); x += 8)
      if (viewer->GetPickedObject(x, y) == sprite) on = QPoint(x, y);
  ASSERT_TRUE(on) << "the guard is not in view";

  Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, *on);
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(2, 2));  // the sky
  Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, *on);
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "kill guard\r\n"; })) << server.Received();
}

}  // namespace
