// The program's own windows in a Release build on an X server (Xvfb), started
// as the program starts them on the sample world, not connected:
// - the processor time the client takes at rest over 5 s, in cores (the
//   process's user and system time, the renderer's threads included, over
//   the wall-clock time), at the default window size and at 1900 x 1060;
// - the generated 10 MB coloured log (prompts marked with IAC GA) from a
//   server on a loopback port, from the Connect click until the window's
//   receive handler has had every byte, with the 3D view shown and hidden.
// Each repetition opens the windows anew. bench/client_window_bench.sh runs
// this under Xvfb and records the load average beside the figures.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "bench/coloured_log.h"
#include "shell/application.h"
#include "shell/core/telnet_client.h"
// Older programs (client_window_bench.sh --revision) start without it.
#if __has_include("shell/core/renderer_threads.h")
#include "shell/core/renderer_threads.h"
#define CLIENT_WINDOW_BENCH_RENDERER_THREADS 1
#endif
#include "shell/main_window.h"
#include "shell/scene_viewer.h"
#include "tests/support/loopback_listener.h"

namespace {

using Clock = std::chrono::steady_clock;

QApplication* Application() {
  if (!std::getenv("DISPLAY")) return nullptr;
  static int argc = 1;
  static char name[] = "client_window_bench";
  static char* argv[] = {name, nullptr};
  // Kept to the end of the process (destroyed among the exit handlers it
  // would outlive Qt's own globals).
  static QApplication* application = [] {
    // As the program starts: the software renderer's threads, and every GL
    // view sharing lists and textures.
#ifdef CLIENT_WINDOW_BENCH_RENDERER_THREADS
    LimitSoftwareRendererThreads();
#endif
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return new QApplication(argc, argv);
  }();
  return application;
}

// A settings folder of the benchmark's own: neither the user's settings are
// read nor the window's written over them.
void UseOwnSettingsFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "client_window_benchXXXXXX").string();
    if (!::mkdtemp(pattern.data())) return std::string();
    return pattern;
  }();
  if (!folder.empty()) setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void RunLoopFor(std::chrono::milliseconds time) {
  QEventLoop loop;
  QTimer::singleShot(time, &loop, &QEventLoop::quit);
  loop.exec();
}

template <class Condition>
bool RunLoopUntil(Condition condition, std::chrono::seconds limit) {
  const auto end = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() > end) return false;
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

// The windows as the program makes them, the main window at `width` x
// `height`, shown and started, the view drawing.
struct ClientWindows {
  ClientWindows(int width, int height) {
    UseOwnSettingsFolder();
    windows = std::make_unique<ApplicationWindows>();
    main = fmtallowmer3dclient;
    main->OnShowError = [this](const std::string& message) { error = message; };
    main->resize(width, height);
    main->show();
    QTimer::singleShot(0, main, [this] { main->FormActivate(); });
    started = RunLoopUntil([&] { return main->GetActivated() && main->GetView()->GetViewer()->FrameCount() > 2; },
                           std::chrono::seconds(60));
  }
  ~ClientWindows() {
    main->close();
    windows.reset();
    QApplication::processEvents();
  }
  std::unique_ptr<ApplicationWindows> windows;
  Tfmtallowmer3dclient* main = nullptr;
  bool started = false;
  std::string error;
};

void BM_AtRest(benchmark::State& state) {
  if (!Application()) return state.SkipWithError("needs an X server (see client_window_bench.sh)");
  for (auto _ : state) {
    ClientWindows client(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!client.started) return state.SkipWithError("the view never drew");
    RunLoopFor(std::chrono::seconds(2));  // the start-up's own work settles
    const int frames = client.main->GetView()->GetViewer()->FrameCount();
    const double cpu = ProcessCpuSeconds();
    const auto start = Clock::now();
    RunLoopFor(std::chrono::seconds(5));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(wall);
    state.counters["cores"] = (ProcessCpuSeconds() - cpu) / wall;
    state.counters["frames_per_s"] = (client.main->GetView()->GetViewer()->FrameCount() - frames) / wall;
    if (!client.error.empty()) return state.SkipWithError(client.error.c_str());
  }
}

// Serves the log to one client on a loopback port, then holds the
// connection open until the client goes.
class LogServer {
public:
  explicit LogServer(const std::string& log) : log_(log) { listener_ = ListenOnLoopback(port_, 1); }
  ~LogServer() {
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
  }
  int Port() const { return port_; }
  bool Listening() const { return listener_ >= 0; }
  void Serve() {
    thread_ = std::thread([this] {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      for (std::size_t sent = 0; sent < log_.size();) {
        const ssize_t n = ::send(client, log_.data() + sent, log_.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      char drain[256];
      while (::recv(client, drain, sizeof drain, 0) > 0) {
      }
      ::close(client);
    });
  }

private:
  const std::string& log_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// The bytes of text the log holds once its telnet commands (IAC GA) are out.
std::size_t TextBytes(const std::string& log) {
  std::size_t commands = 0;
  for (std::size_t at = log.find('\xff'); at != std::string::npos; at = log.find('\xff', at + 2)) ++commands;
  return log.size() - 2 * commands;
}

void BM_LogFromConnect(benchmark::State& state) {
  if (!Application()) return state.SkipWithError("needs an X server (see client_window_bench.sh)");
  const bool viewShown = state.range(0) != 0;
  static const std::string log = bench::ColouredLog(false, true);
  const std::size_t expected = TextBytes(log);
  for (auto _ : state) {
    ClientWindows client(772, 554);
    if (!client.started) return state.SkipWithError("the view never drew");
    if (!viewShown) client.main->N3DWindow1->trigger();  // View, "3D Window" unchecked
    RunLoopFor(std::chrono::seconds(1));
    LogServer server(log);
    if (!server.Listening()) return state.SkipWithError("no loopback port");
    TIdTelnet& telnet = client.main->GetTelnet();
    telnet.SetHost("127.0.0.1");
    telnet.SetPort(server.Port());
    // The window's own handling, with a count of what it was handed.
    std::size_t received = 0;
    auto handle = telnet.OnDataAvailable;
    telnet.OnDataAvailable = [&](const std::string& text) {
      received += text.size();
      handle(text);
    };
    server.Serve();
    const int frames = client.main->GetView()->GetViewer()->FrameCount();
    const double cpu = ProcessCpuSeconds();
    const auto start = Clock::now();
    client.main->btconnect->click();
    const bool whole = RunLoopUntil([&] { return received >= expected; }, std::chrono::seconds(120));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(wall);
    state.counters["MB_per_s"] = double(log.size()) / 1e6 / wall;
    state.counters["cores"] = (ProcessCpuSeconds() - cpu) / wall;
    state.counters["frames"] = client.main->GetView()->GetViewer()->FrameCount() - frames;
    telnet.Disconnect();
    telnet.OnDataAvailable = handle;
    if (!whole) return state.SkipWithError("the log did not arrive whole");
    if (!client.error.empty()) return state.SkipWithError(client.error.c_str());
  }
}

BENCHMARK(BM_AtRest)
    ->ArgNames({"width", "height"})
    ->Args({772, 554})
    ->Args({1900, 1060})
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_LogFromConnect)
    ->ArgName("view_shown")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
