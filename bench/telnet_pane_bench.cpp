// Received text into the pane widget as the main window sets it up, on Qt's
// offscreen platform (which has no GL, so the window's 3D view is left out):
// a generated 10 MB log of coloured server text with short lines, and the
// same amount on one line, handed to the received-text handling in the
// blocks the reader thread hands over (32 KB, the event loop run after
// each); and the short-line log end to end, from a server on a loopback port
// through the telnet client and its hand-over to the event loop.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/net/stream_connection.h"
#include "shell/core/receive_splitter.h"
#include "shell/core/telnet_client.h"
#include "shell/qt_dispatcher.h"
#include "shell/telnet_pane.h"
#include "bench/coloured_log.h"
#include "tests/support/loopback_listener.h"

namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "telnet_pane_bench";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Kept to the end of the process: destroyed among the exit handlers, after
  // Qt's own globals, it would crash the program once its figures are out.
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

// The pane widget at the size it has in the window, shown, with the
// received-text handling over it; the line limit is the settings' default.
struct Pane {
  Pane() {
    SetUpTelnetPaneEdit(edit);
    edit.resize(772, 300);
    edit.show();
    QApplication::processEvents();
  }
  void Receive(const std::string& text) { splitter.Receive(text, true, 5000); }
  QApplication& application = Application();
  QPlainTextEdit edit;
  TelnetPane pane{edit};
  ReceiveSplitter splitter{pane};
};

void FeedPane(benchmark::State& state, bool oneLine) {
  Pane pane;
  const std::string log = bench::ColouredLog(oneLine);
  for (auto _ : state) {
    for (std::size_t at = 0; at < log.size(); at += StreamConnection::ReceiveBlockSize) {
      pane.Receive(log.substr(at, StreamConnection::ReceiveBlockSize));
      QApplication::processEvents();
    }
    pane.pane.ShowNow();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
  state.counters["pane_lines"] = pane.edit.document()->blockCount();
}

void BM_PaneShortLines(benchmark::State& state) { FeedPane(state, false); }
void BM_PaneOneLongLine(benchmark::State& state) { FeedPane(state, true); }

// The log from a server on a loopback port, through the telnet client and
// its hand-over to the event loop, until all of it is in the pane.
void BM_LoopbackEndToEnd(benchmark::State& state) {
  Pane pane;
  QtUiDispatcher dispatcher;
  TIdTelnet telnet(dispatcher);
  std::size_t received = 0;
  telnet.OnDataAvailable = [&](const std::string& text) {
    received += text.size();
    pane.Receive(text);
  };
  const std::string log = bench::ColouredLog(false) + "END OF LOG\r\n";
  int port = 0;
  int listener = ListenOnLoopback(port, 1);
  telnet.SetPort(port);
  for (auto _ : state) {
    std::thread server([&] {
      int client = ::accept(listener, nullptr, nullptr);
      for (std::size_t sent = 0; sent < log.size();) {
        ssize_t n = ::send(client, log.data() + sent, log.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      ::shutdown(client, SHUT_WR);
      char drain[256];
      while (::recv(client, drain, sizeof drain, 0) > 0) {
      }
      ::close(client);
    });
    received = 0;
    telnet.Connect();
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (received < log.size() && std::chrono::steady_clock::now() < end)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    pane.pane.ShowNow();
    const auto& lines = pane.splitter.GetRecentLines();
    if (lines.size() < 2 || lines[lines.size() - 2] != "END OF LOG") state.SkipWithError("the log did not arrive whole");
    telnet.Disconnect();
    server.join();
  }
  ::close(listener);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
}

BENCHMARK(BM_PaneShortLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PaneOneLongLine)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LoopbackEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
