// Received text into the real main window's pane (Qt's offscreen platform):
// a generated 10 MB log of coloured server text with short lines, the same
// amount on one line, handed to the window's receive handler in the blocks
// the reader thread hands over (32 KB, the event loop run after each); and
// the short-line log end to end, from a server on a loopback port through
// the window's own telnet connection.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "platform/net/stream_connection.h"
#include "shell/application.h"
#include "shell/main_window.h"

namespace {

constexpr std::size_t LogSize = 10'000'000;

QApplication& Application() {
  static int argc = 1;
  static char name[] = "telnet_pane_bench";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication application(argc, argv);
  return application;
}

// What a game server sends: rooms, exits, people, fights and prompts, with
// the colour codes such servers use, each line ended by CR LF.
std::string ColouredLog(bool oneLine) {
  static const char* const colours[] = {"\x1b[31m", "\x1b[32m", "\x1b[33m", "\x1b[34m",
                                        "\x1b[35m", "\x1b[36m", "\x1b[37m", "\x1b[39m"};
  static const char* const words[] = {"the", "guard", "market", "square", "north", "gold", "sword",
                                      "attacks", "you", "misses", "a", "rat", "cobbled", "road"};
  std::mt19937 random(7);
  std::string log;
  log.reserve(LogSize + 256);
  while (log.size() < LogSize) {
    switch (random() % 4) {
      case 0: log += std::string(colours[5]) + "Market Square" + "\x1b[0m"; break;
      case 1: log += std::string(colours[0]) + "HP:" + std::to_string(random() % 100) + "\x1b[0m " + colours[2] +
                     "MV:" + std::to_string(random() % 100) + "\x1b[0m> "; break;
      default:
        for (int w = 0, n = 5 + static_cast<int>(random() % 8); w < n; ++w) {
          if (random() % 4 == 0) log += colours[random() % 8];
          log += words[random() % 14];
          log += ' ';
        }
        log += "\x1b[0m";
        break;
    }
    log += oneLine ? " " : "\r\n";
  }
  return log;
}

// The application's windows, shown, without the 3D start-up.
struct Windows {
  Windows() {
    Application();
    windows = std::make_unique<ApplicationWindows>();
    fmtallowmer3dclient->show();
    QApplication::processEvents();
  }
  std::unique_ptr<ApplicationWindows> windows;
};

void FeedPane(benchmark::State& state, bool oneLine) {
  Windows windows;
  const std::string log = ColouredLog(oneLine);
  for (auto _ : state) {
    for (std::size_t at = 0; at < log.size(); at += StreamConnection::ReceiveBlockSize) {
      fmtallowmer3dclient->IdTelnet1DataAvailable(log.substr(at, StreamConnection::ReceiveBlockSize));
      QApplication::processEvents();
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
  state.counters["pane_lines"] = fmtallowmer3dclient->mmtelnet->document()->blockCount();
}

void BM_PaneShortLines(benchmark::State& state) { FeedPane(state, false); }
void BM_PaneOneLongLine(benchmark::State& state) { FeedPane(state, true); }

// The log from a server on a loopback port, through the window's telnet
// connection, until its last line is in the pane.
void BM_LoopbackEndToEnd(benchmark::State& state) {
  Windows windows;
  const std::string log = ColouredLog(false) + "END OF LOG\r\n";
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 1);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  fmtallowmer3dclient->GetTelnet().SetPort(ntohs(address.sin_port));
  auto& recent = fmtallowmer3dclient->GetSplitter();
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
    fmtallowmer3dclient->btconnect->click();
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
      const auto& lines = recent.GetRecentLines();
      if (lines.size() >= 2 && lines[lines.size() - 2] == "END OF LOG") break;
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    fmtallowmer3dclient->btdisconnect->click();
    server.join();
  }
  ::close(listener);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
}

BENCHMARK(BM_PaneShortLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PaneOneLongLine)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LoopbackEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
