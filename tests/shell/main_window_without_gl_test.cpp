// The real main window on an X server where no OpenGL context can be made
// (Qt's GL integration switched off, as on a display without GLX or EGL):
// the view's place says that the 3D view could not start and why, the X
// server shows that and nothing of a window that never draws, the failure
// is said once however often frames are asked for, and the text client
// works: Connect, typing, the server's text. The platform's GL is chosen
// once per process, so the test runs this program again as a child with
// the integration off.
#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/scene_viewer.h"

#include "client/mud.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"
#include "tests/shell/test_server.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using gui_test::WaitFor;

constexpr const char* kChildMark = "CLIENT_TEST_VIEW_WITHOUT_GL";

// The warnings said while the window lives.
std::vector<std::string> warnings;
QtMessageHandler passedOn = nullptr;

void Hear(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg) warnings.push_back(message.toStdString());
  if (passedOn) passedOn(type, context, message);
}

int Said(const std::string& words) {
  int count = 0;
  for (const std::string& warning : warnings) count += warning.find(words) != std::string::npos;
  return count;
}

class MainWindowWithoutGL : public MainWindowOnScreen {
protected:
  void SetUp() override {
    if (!std::getenv(kChildMark)) GTEST_SKIP() << "runs in the child that ViewWithoutGL starts";
    passedOn = qInstallMessageHandler(&Hear);
    // As the program starts the toolkit (before the application is made).
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    MainWindowOnScreen::SetUp();
  }
  void TearDown() override {
    MainWindowOnScreen::TearDown();
    qInstallMessageHandler(passedOn);
  }
};

TEST_F(MainWindowWithoutGL, TheViewsPlaceSaysWhyOnceAndTheTextClientWorks) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return viewer->isVisible() && !viewer->GetStartFailure().empty(); }, 30000));
  const std::string failure = viewer->GetStartFailure();
  EXPECT_NE(failure.find("Failed to create RenderingContext."), std::string::npos) << failure;
  // The platform's own words say why.
  EXPECT_NE(failure.find("OpenGL"), std::string::npos) << failure;
  const auto* label = viewer->findChild<QLabel*>("GL3DSceneViewerFailure");
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->isVisible());
  EXPECT_TRUE(label->text().contains("The 3D view could not start."));
  EXPECT_TRUE(label->text().contains(QString::fromStdString(failure)));
  EXPECT_FALSE(viewer->NativeWindow()->isVisible());

  // What the X server shows where the view is: whatever the view's place
  // paints, here a new background, and not a window of the view that never
  // draws (which would keep what lay there before).
  auto* shown = viewer->findChild<QLabel*>("GL3DSceneViewerFailure");
  QPalette palette = shown->palette();
  palette.setColor(QPalette::Window, Qt::red);
  shown->setPalette(palette);
  int red = 0, points = 0;
  ASSERT_TRUE(WaitFor([&] {
    main->raise();
    const QPoint origin = viewer->mapToGlobal(QPoint(0, 0));
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, origin.x(), origin.y(), viewer->width(), viewer->height())
                              .toImage();
    red = points = 0;
    for (int y = 1; y < screen.height(); y += 4)
      for (int x = 1; x < screen.width(); x += 4, ++points) red += screen.pixelColor(x, y) == QColor(Qt::red);
    return red * 10 > points * 8;
  }, std::chrono::seconds(10))) << red << " of " << points << " points of the view's place show it";

  // Frames asked for again and again: said once.
  for (int i = 0; i < 20; ++i) {
    viewer->Invalidate();
    main->GetMud()->Update();
    QTest::qWait(50);
  }
  EXPECT_EQ(Said("could not start"), 1);

  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  server.Send("Welcome to the village.\r\nHp 30 |4|12:00|176,174,0|9|0|0|0|0,0villager|\r\n> ");
  ASSERT_TRUE(WaitFor([&] {
    main->GetPane().Flush();
    return main->mmtelnet->toPlainText().contains("Welcome to the village.");
  }));
  QTest::keyClicks(main->mmcommand, "look");
  QTest::keyClick(main->mmcommand, Qt::Key_Return);
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "look\r\n"; })) << server.Received();
  EXPECT_EQ(Said("could not start"), 1);
}

TEST(ViewWithoutGL, TheWindowWithoutOpenGLSaysWhyAndWorks) {
  if (std::getenv(kChildMark)) GTEST_SKIP() << "this is the child";
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
  const std::string command = std::string("env ") + kChildMark + "=1 QT_XCB_GL_INTEGRATION=none QT_QPA_PLATFORM=xcb " +
                              "/proc/" + std::to_string(::getpid()) +
                              "/exe --gtest_filter=MainWindowWithoutGL.* 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
}

}  // namespace
