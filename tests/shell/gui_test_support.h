#pragma once
// What the window tests of this program share: the one application object,
// the GL driver kept loaded, the colours of the start-up view, and a bounded
// wait that keeps the event loop running.

#include <QApplication>
#include <QColor>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace gui_test {

// The settings file of the windows: in a folder of each test program's own,
// never the user's, and empty at the program's start.
class SettingsFolder {
public:
  SettingsFolder() {
    std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
    std::string pattern = std::string(CLIENT_TEST_OUTPUT_DIR) + "/configXXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data())) FPath = buffer.data();
    setenv("XDG_CONFIG_HOME", FPath.c_str(), 1);
  }
  ~SettingsFolder() {
    std::error_code ignored;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
  }
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

inline const SettingsFolder& UseTestSettingsFolder() {
  static SettingsFolder folder;
  return folder;
}

// Holds the application until the tests have run. A function-local static
// would be destroyed at exit after Qt's own globals made since, which its
// destructor still uses.
class ApplicationEnvironment : public ::testing::Environment {
public:
  void TearDown() override { application.reset(); }
  std::unique_ptr<QApplication> application;
};

// The program's one QApplication, made by whichever suite asks first.
inline QApplication& MakeApplication() {
  static int argc = 1;
  static char name[] = "shell_tests";
  static char* argv[] = {name, nullptr};
  UseTestSettingsFolder();
  // The test program owns the environment and tears it down after the last test.
  static ApplicationEnvironment* const environment =
      static_cast<ApplicationEnvironment*>(::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));
  if (!environment->application) environment->application = std::make_unique<QApplication>(argc, argv);
  return *environment->application;
}

// The application for tests that need a real X display; nullptr without one
// (also when an earlier test made the application off screen).
inline QApplication* GuiApplication() {
  if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
    return QGuiApplication::platformName() == "offscreen" ? nullptr : existing;
  if (!std::getenv("DISPLAY")) return nullptr;
  return &MakeApplication();
}

// The application for tests that only need an event loop and widgets: off
// screen when there is no display.
inline QCoreApplication& AnyApplication() {
  if (QCoreApplication* existing = QCoreApplication::instance()) return *existing;
  if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return MakeApplication();
}

// Kept loaded to the end, the GL driver's frames stay readable for the
// leak check's suppressions.
inline void PinGLDriver() {
  for (const char* library : {"libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
    dlopen(library, RTLD_NOW | RTLD_NODELETE);
}

// Runs the event loop until the condition holds or the limit has passed;
// whether it holds. The loop waits for events as the program's own does, so
// work posted from other threads runs as soon as it comes.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QEventLoop slice;
    QTimer::singleShot(5, &slice, &QEventLoop::quit);
    slice.exec();
  }
  return true;
}

// Frames a second of the screen, as the frame loop paces itself by it.
inline double ScreenRefreshRate() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen && screen->refreshRate() >= 1 ? screen->refreshRate() : 60;
}

inline const QColor kStartupRgb(0x60, 0x87, 0xA8);  // the start-up's $A88760

inline bool Near(QColor a, QColor b, int tolerance = 2) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace gui_test
