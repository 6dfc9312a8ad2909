// The real main window against hostile servers on a loopback port, each for
// a bounded time: a line without end, endless unterminated escape sequences,
// coloured lines without pause, negotiation requests whose answers are never
// read, random bytes, and a sub-negotiation that never ends. Throughout, a
// key reaches the command line within a bound that catches a frozen window,
// Disconnect takes effect within a second, and the memory held stays within
// 50 MB of the window's at rest. These are bounds on behaviour, not
// measurements of speed.

#include "tests/shell/main_window_session.h"
#include "tests/support/loopback_listener.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define HOSTILE_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTILE_TEST_ASAN 1
#endif
#endif
#ifdef HOSTILE_TEST_ASAN
// The sanitizer runtime's count of live allocated bytes.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using gui_test::WaitFor;

// The memory the process holds: resident memory, or, under AddressSanitizer,
// whose quarantine keeps freed blocks resident, the bytes allocated and live.
double HeldMegabytes() {
#ifdef HOSTILE_TEST_ASAN
  return static_cast<double>(__sanitizer_get_current_allocated_bytes()) / (1 << 20);
#else
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
#endif
}

// The server's next bytes to send, from its own random source.
using Flood = std::function<std::string(std::mt19937& random)>;

struct HostileCase {
  const char* name;
  Flood flood;
  bool readsAnswers;
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

// Accepts one connection and sends the flood until stopped; reads and drops
// what the client sends, unless it is one that never reads.
class HostileServer {
public:
  // receiveBuffer > 0: the server's receive buffer, in bytes.
  explicit HostileServer(int receiveBuffer = 0) { listener = ListenOnLoopback(port, 1, receiveBuffer); }
  ~HostileServer() {
    stop = true;
    if (client >= 0) ::shutdown(client, SHUT_RDWR);
    if (sender.joinable()) sender.join();
    if (reader.joinable()) reader.join();
    if (client >= 0) ::close(client);
    ::close(listener);
  }
  bool Start(const HostileCase& c) {
    timeval timeout{5, 0};
    setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    client = ::accept(listener, nullptr, nullptr);
    if (client < 0) return false;
    // Short waits, so that the threads see the stop flag.
    timeval step{0, 100000};
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &step, sizeof step);
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &step, sizeof step);
    sender = std::thread([this, flood = c.flood] {
      std::mt19937 random(12345);
      std::string pending;
      while (!stop) {
        if (pending.empty()) pending = flood(random);
        ssize_t n = ::send(client, pending.data(), pending.size(), MSG_NOSIGNAL);
        if (n > 0) {
          pending.erase(0, static_cast<std::size_t>(n));
          sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
          break;
        }
      }
    });
    if (c.readsAnswers) {
      reader = std::thread([this] {
        char buffer[65536];
        while (!stop) {
          ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
          if (n == 0) break;
        }
      });
    }
    return true;
  }
  int listener = -1;
  int client = -1;
  int port = 0;
  std::atomic<bool> stop{false};
  std::atomic<std::size_t> sent{0};
  std::thread sender;
  std::thread reader;
};

// Posts one key press to the command line, as the window system would, and
// waits (bounded) until the command line shows it; how long that took.
std::chrono::milliseconds KeyLatency(Tfmtallowmer3dclient& main, char key) {
  const QString expected = main.mmcommand->toPlainText() + QChar(key);
  auto start = Clock::now();
  QCoreApplication::postEvent(main.mmcommand,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(QChar(key))));
  WaitFor([&] { return main.mmcommand->toPlainText() == expected; }, 20s);
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// What the window does under a flood: its slowest answer to a key and the
// most memory it held, against the memory held before.
struct Watch {
  // The memory at rest is taken once the window is shown and has painted:
  // what its first paint costs once (the back buffer, the code and fonts it
  // brings in) is not memory held under the flood.
  explicit Watch(Tfmtallowmer3dclient& main) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&main));
    WaitFor([] { return false; }, 500ms);
    idle = most = HeldMegabytes();
  }
  void Sample(Tfmtallowmer3dclient& main, char key) {
    slowest = std::max(slowest, KeyLatency(main, key));
    most = std::max(most, HeldMegabytes());
  }
  void Check() const {
    EXPECT_LT(slowest, 3s) << "the window froze";
    EXPECT_LT(most - idle, 50.0) << "idle " << idle << " MB, most " << most << " MB";
  }
  double idle = 0;
  double most = 0;
  std::chrono::milliseconds slowest{0};
};

// The real window, without its 3D view: the text side is what is under test.
class HostileServerTest : public MainWindowSession, public ::testing::WithParamInterface<HostileCase> {
protected:
  HostileServerTest() : MainWindowSession(false) {}
};

class UnreadAnswersTest : public MainWindowSession {
protected:
  UnreadAnswersTest() : MainWindowSession(false) {}
};

TEST_P(HostileServerTest, WindowAnswersDisconnectIsPromptAndMemoryStaysBounded) {
  const HostileCase& c = GetParam();
  Watch watch(*main);
  HostileServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Start(c));

  // About eight seconds of flood, a key every two.
  for (char key : {'a', 'b', 'c', 'd'}) {
    WaitFor([] { return false; }, 2s);
    watch.Sample(*main, key);
  }
  watch.Check();
  EXPECT_EQ(main->mmcommand->toPlainText(), "abcd");
  // Whatever came, no line and no recent entry has grown past its bound.
  main->GetPane().Flush();
  for (QTextBlock block = main->mmtelnet->document()->begin(); block.isValid(); block = block.next())
    ASSERT_LE(static_cast<std::size_t>(block.length() - 1), MaxPaneLineLength);
  for (const std::string& line : main->GetSplitter().GetRecentLines())
    EXPECT_LE(line.size(), ReceiveSplitter::MaxRecentLineLength);
  EXPECT_LE(static_cast<std::size_t>(main->mmtelnet->document()->characterCount()), ReceiveSplitter::MaxPaneText + 1);
  EXPECT_GT(server.sent.load(), 0u);

  // Disconnect, clicked through the event loop during the flood: the click
  // is answered within the freeze bound, and once it runs the connection is
  // gone within a second.
  auto start = Clock::now();
  Clock::duration took{};
  QMetaObject::invokeMethod(
      main->btdisconnect,
      [&] {
        auto clicked = Clock::now();
        main->btdisconnect->click();
        took = Clock::now() - clicked;
      },
      Qt::QueuedConnection);
  ASSERT_TRUE(WaitFor([&] { return !main->GetTelnet().Connected(); }, 10s));
  EXPECT_LT(Clock::now() - start, 3s) << "the window froze";
  EXPECT_LT(took, 1s);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

std::string Repeat(std::string_view piece, std::size_t size) {
  std::string out;
  while (out.size() < size) out += piece;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    ::testing::Values(
        HostileCase{"OneLineWithoutEnd", [](std::mt19937&) { return std::string(65536, 'x'); }, true},
        HostileCase{"UnterminatedEscapeSequences",
                    [](std::mt19937& random) {
                      std::string out;
                      while (out.size() < 65536) out += "\x1b[" + std::to_string(random());
                      return out;
                    },
                    true},
        HostileCase{"ColouredLines",
                    [line = 0](std::mt19937&) mutable {
                      std::string out;
                      for (; out.size() < 65536; ++line)
                        out += "\x1b[3" + std::to_string(line % 8) + "mcoloured line " + std::to_string(line) +
                               "\x1b[0m \x1b[44mback\x1b[0m\r\n";
                      return out;
                    },
                    true},
        HostileCase{"RandomBytes",
                    [](std::mt19937& random) {
                      std::string out(65536, '\0');
                      for (char& b : out) b = static_cast<char>(random());
                      return out;
                    },
                    true},
        HostileCase{"SubnegotiationWithoutEnd",
                    [first = true](std::mt19937&) mutable {
                      std::string out = first ? std::string("\xff\xfa\x18") : std::string();
                      first = false;
                      return out + Repeat("endless sub-negotiation ", 65536);
                    },
                    true}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

// A server that asks for every option and never reads the answers: once the
// answers can no longer be sent, the connection is closed and the window
// says why, instead of staying open and dead.
TEST_F(UnreadAnswersTest, CloseTheConnectionAndTheWindowSaysWhy) {
  Watch watch(*main);
  // A small receive buffer: the answers back up sooner.
  HostileServer server(65536);
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  const HostileCase requests{"EveryOptionRequested",
                             [](std::mt19937&) {
                               std::string out;
                               for (int verb : {251, 253, 252, 254})
                                 for (int option = 0; option < 256; ++option) out += {'\xff', char(verb), char(option)};
                               return out;
                             },
                             false};
  ASSERT_TRUE(server.Start(requests));
  char key = 'a';
  auto end = Clock::now() + 20s;
  while (main->GetTelnet().Connected() && Clock::now() < end) {
    WaitFor([] { return false; }, 1s);
    watch.Sample(*main, key++);
  }
  watch.Check();
  ASSERT_TRUE(WaitFor([&] { return !errors.empty(); }, 2s)) << "the connection died silently";
  EXPECT_EQ(errors.front(), "Socket Error # 110\r\nConnection timed out");
  EXPECT_FALSE(main->GetTelnet().Connected());
  // The server sees the connection closed: past what it may still read, the end.
  server.stop = true;
  if (server.sender.joinable()) server.sender.join();
  char buffer[65536];
  ssize_t n = 1;
  for (auto drainEnd = Clock::now() + 10s; n != 0 && Clock::now() < drainEnd;)
    n = ::recv(server.client, buffer, sizeof buffer, 0);
  EXPECT_EQ(n, 0);
}

}  // namespace
