// The socket layer over a real loopback connection (and, for a server that
// vanishes, a link between two network namespaces of the test's own), with
// a dispatcher the test runs by hand in place of the window's event loop.

#include "platform/net/stream_connection.h"
#include "shell/core/telnet_client.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/vanishing_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class ManualDispatcher : public UiDispatcher {
public:
  void Post(std::function<void()> task) override {
    std::lock_guard lock(mutex);
    tasks.push_back(std::move(task));
  }
  // Runs what is queued; returns how many ran.
  int RunPending() {
    std::deque<std::function<void()>> now;
    {
      std::lock_guard lock(mutex);
      now.swap(tasks);
    }
    for (auto& t : now) t();
    return static_cast<int>(now.size());
  }
  std::size_t Queued() {
    std::lock_guard lock(mutex);
    return tasks.size();
  }
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
};

// A listening socket on an ephemeral loopback port.
class Listener {
public:
  Listener() { fd = ListenOnLoopback(port); }
  ~Listener() { ::close(fd); }
  int Accept() { return ::accept(fd, nullptr, nullptr); }
  int fd = -1;
  int port = 0;
};

std::string ReadAtLeast(int socket, std::size_t count) {
  std::string got;
  char buffer[256];
  timeval timeout{5, 0};
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  while (got.size() < count) {
    ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

// This process's socket at the other end of the server's connection, found
// by its port among the open descriptors; -1 when there is none.
int ClientSocketOf(int server) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  if (::getpeername(server, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return -1;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    struct stat status{};
    if (fd == server || ::fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) continue;
    sockaddr_in local{};
    length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0 && local.sin_family == AF_INET &&
        local.sin_port == peer.sin_port)
      return fd;
  }
  return -1;
}

template <class Condition>
bool PumpUntil(ManualDispatcher& dispatcher, Condition condition, std::chrono::milliseconds limit = 5000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (dispatcher.RunPending() == 0) std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(StreamConnection, ClosedPortGivesSocketErrorWithErrnoAndText) {
  int port = 0;
  {
    Listener closed;
    port = closed.port;
  }
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  try {
    connection.Connect("127.0.0.1", port);
    FAIL() << "connected to a closed port";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 111\r\nConnection refused");
  }
  EXPECT_FALSE(connection.Connected());
}

TEST(StreamConnection, ConnectingTwiceSaysAlreadyConnected) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  connection.Connect("127.0.0.1", listener.port);
  int server = listener.Accept();
  try {
    connection.Connect("127.0.0.1", listener.port);
    FAIL() << "second connect accepted";
  } catch (const EAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), "Already connected.");
  }
  EXPECT_TRUE(connection.Connected());
  connection.Disconnect();
  ::close(server);
}

TEST(StreamConnection, EachBlockIsHandedOverOnTheUiThreadWhileTheReaderWaits) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  std::string received;
  std::thread::id uiThread = std::this_thread::get_id();
  bool onUiThread = true;
  connection.OnDataAvailable = [&](const std::string& data) {
    onUiThread = onUiThread && std::this_thread::get_id() == uiThread;
    received += data;
  };
  connection.Connect("127.0.0.1", listener.port);
  int server = listener.Accept();
  ::send(server, "first", 5, 0);
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return received == "first"; }));
  ::send(server, "second", 6, 0);
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return received == "firstsecond"; }));
  EXPECT_TRUE(onUiThread);
  connection.Disconnect();
  ::close(server);
}

TEST(StreamConnection, DisconnectCancelsAPendingHandOver) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  int delivered = 0;
  connection.OnDataAvailable = [&](const std::string&) { ++delivered; };
  connection.Connect("127.0.0.1", listener.port);
  int server = listener.Accept();
  ::send(server, "waiting", 7, 0);
  auto end = std::chrono::steady_clock::now() + 5s;
  while (dispatcher.Queued() == 0 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(dispatcher.Queued(), 1u);
  auto start = std::chrono::steady_clock::now();
  connection.Disconnect();  // the reader waits for a task nobody has run
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  dispatcher.RunPending();
  EXPECT_EQ(delivered, 0);
  EXPECT_FALSE(connection.Connected());
  ::close(server);
}

TEST(StreamConnection, DisconnectReturnsPromptlyWhileTheServerFloods) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  std::size_t received = 0;
  connection.OnDataAvailable = [&](const std::string& data) { received += data.size(); };
  connection.Connect("127.0.0.1", listener.port);
  int server = listener.Accept();
  std::thread flood([server] {
    std::string chunk(32768, 'f');
    for (int i = 0; i < 64; ++i)  // 2 MB, or until the client has gone
      if (::send(server, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0) break;
  });
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return received > 200000; }));
  auto start = std::chrono::steady_clock::now();
  connection.Disconnect();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  ::shutdown(server, SHUT_RDWR);
  flood.join();
  ::close(server);
  dispatcher.RunPending();
}

TEST(StreamConnection, ServerCloseEndsTheConnectionSilently) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  connection.Connect("127.0.0.1", listener.port);
  int server = listener.Accept();
  ::close(server);
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return !connection.Connected(); }));
  connection.Send("ignored");  // nothing to send on
  // Reconnecting after the server closed is allowed.
  connection.Connect("127.0.0.1", listener.port);
  int again = listener.Accept();
  EXPECT_TRUE(connection.Connected());
  connection.Disconnect();
  ::close(again);
}

// Resets the connection: the server closes with bytes of the client unread.
void ResetByServer(StreamConnection& connection, int server) {
  connection.Send("unread");
  pollfd arrived{server, POLLIN, 0};
  ::poll(&arrived, 1, 5000);
  ::close(server);
}

TEST(StreamConnection, AReaderStoppedByAnErrorClosesTheConnectionAndSaysWhy) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  std::vector<std::string> lost;
  bool closedWhenTold = false;
  int socket = -1;
  connection.OnConnectionLost = [&](const std::string& message) {
    lost.push_back(message);
    closedWhenTold = ::fcntl(socket, F_GETFD) == -1 && errno == EBADF;
  };
  connection.Connect("127.0.0.1", listener.port);
  const int server = listener.Accept();
  socket = ClientSocketOf(server);
  ASSERT_GE(socket, 0);
  ResetByServer(connection, server);
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return !lost.empty(); }));
  EXPECT_EQ(lost, std::vector<std::string>{"Socket Error # 104\r\nConnection reset by peer"});
  EXPECT_FALSE(connection.Connected());
  EXPECT_TRUE(closedWhenTold) << "the socket waits for the next Disconnect";

  // A notice not yet delivered is dropped by Disconnect, like a hand-over.
  connection.Connect("127.0.0.1", listener.port);
  ResetByServer(connection, listener.Accept());
  auto end = std::chrono::steady_clock::now() + 5s;
  while (dispatcher.Queued() == 0 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
  connection.Disconnect();
  dispatcher.RunPending();
  EXPECT_EQ(lost.size(), 1u);
}

// The kernel's retransmissions of unacknowledged data, in seconds after it
// was sent, up to the time given: the first after the smallest time-out
// (200 ms on a near line), each wait twice the last, none over TCP_RTO_MAX
// (120 s); see tcp(7).
std::vector<double> RetransmissionTimes(double until) {
  std::vector<double> times;
  double wait = 0.2, at = wait;
  for (; at <= until; at += wait) {
    times.push_back(at);
    wait = std::min(wait * 2, 120.0);
  }
  return times;
}

TEST(StreamConnection, TheDefaultLimitsFindAVanishedServerWithinTwoMinutes) {
  Listener listener;
  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher);
  connection.Connect("127.0.0.1", listener.port);
  const int server = listener.Accept();
  const int socket = ClientSocketOf(server);
  ASSERT_GE(socket, 0);
  auto option = [&](int level, int name) {
    int value = -1;
    socklen_t length = sizeof value;
    EXPECT_EQ(::getsockopt(socket, level, name, &value, &length), 0);
    return value;
  };
  const StreamConnection::Limits defaults;
  EXPECT_NE(option(IPPROTO_TCP, TCP_NODELAY), 0) << "small writes wait for acknowledgements";
  EXPECT_NE(option(SOL_SOCKET, SO_KEEPALIVE), 0);
  const double idle = option(IPPROTO_TCP, TCP_KEEPIDLE), interval = option(IPPROTO_TCP, TCP_KEEPINTVL);
  EXPECT_EQ(idle, defaults.KeepAliveIdleSeconds);
  EXPECT_EQ(interval, defaults.KeepAliveIntervalSeconds);
  EXPECT_EQ(option(IPPROTO_TCP, TCP_USER_TIMEOUT), defaults.SilenceLimitMs)
      << "the kernel retransmits as long as the reader waits";
  connection.Disconnect();
  ::close(server);

  // The reader's own watch reports a server silent past the limit, typed
  // to or not, however far the kernel's retransmissions have backed off;
  // a loaded machine wakes the reader a little late.
  const double limit = defaults.SilenceLimitMs / 1000.0;
  EXPECT_LE(limit, 115) << "reported later than two minutes after the server's last word";
  // A quiet server that is still there is asked several times before then,
  // so one lost probe or answer does not cost the connection.
  const int probes = idle < limit ? static_cast<int>((limit - idle) / interval) + 1 : 0;
  EXPECT_GE(probes, 3) << "probes before the limit";
  // A command to a server that is still there, on a line that loses
  // packets, is sent again several times before the limit.
  EXPECT_GE(RetransmissionTimes(limit).size(), 5u) << "retransmissions before the limit";
}

// Limits short enough for a test: the same arithmetic as the defaults,
// three seconds in place of 110.
constexpr StreamConnection::Limits kShortLimits{5000, 3000, 1, 1};
constexpr auto kShortLimit = 3000ms;

struct SilenceCase {
  const char* name;
  bool vanishes;  // else the server stays, quiet
  std::optional<std::chrono::milliseconds> typedAfter;  // a command sent this long after it went quiet
};

void PrintTo(const SilenceCase& c, std::ostream* out) { *out << c.name; }

class SilentServer : public ::testing::TestWithParam<SilenceCase> {};

// A real peer that stops answering (no FIN, no RST) is reported once it has
// been silent past the limit, whether or not something was typed to it
// meanwhile; a peer that is there but quiet is never given up on.
TEST_P(SilentServer, IsReportedOnceSilentPastTheLimitAndOnlyWhenGone) {
  const SilenceCase& c = GetParam();
  VanishingServer net;
  if (!net.Unavailable().empty()) GTEST_SKIP() << net.Unavailable();
  int listener = -1;
  ASSERT_TRUE(net.InServer([&] {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(2666);
    inet_pton(AF_INET, VanishingServer::kServerAddress, &address.sin_addr);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 1) != 0) {
      ::close(listener);
      listener = -1;
    }
  }));
  ASSERT_GE(listener, 0);

  ManualDispatcher dispatcher;
  StreamConnection connection(dispatcher, kShortLimits);
  std::vector<std::string> lost;
  std::string received;
  connection.OnConnectionLost = [&](const std::string& message) { lost.push_back(message); };
  connection.OnDataAvailable = [&](const std::string& data) { received += data; };
  ASSERT_TRUE(net.InClient([&] { connection.Connect(VanishingServer::kServerAddress, 2666); }));
  const int server = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(server, 0);
  // A word each way, the server's last before it goes quiet.
  connection.Send("hi\r\n");
  EXPECT_EQ(ReadAtLeast(server, 4), "hi\r\n");
  ::send(server, "hello\r\n", 7, 0);
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return received == "hello\r\n"; }));

  if (c.vanishes) {
    ASSERT_TRUE(net.Vanish());
  }
  const auto quiet = std::chrono::steady_clock::now();
  if (c.typedAfter) {
    PumpUntil(dispatcher, [] { return false; }, *c.typedAfter);
    connection.Send("look\r\n");
  }
  const bool reported = PumpUntil(dispatcher, [&] { return !lost.empty(); }, 2 * kShortLimit);
  const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - quiet);
  if (c.vanishes) {
    ASSERT_TRUE(reported) << "still waiting after " << after.count() << " ms";
    EXPECT_EQ(lost, std::vector<std::string>{"Socket Error # 110\r\nConnection timed out"});
    EXPECT_GE(after, kShortLimit - 250ms) << "given up before the limit";
    EXPECT_LE(after, kShortLimit + 500ms) << "reported late";
    EXPECT_FALSE(connection.Connected());
  } else {
    EXPECT_FALSE(reported) << lost.front() << " after " << after.count() << " ms";
    EXPECT_TRUE(connection.Connected());
  }
  connection.Disconnect();
  ::close(server);
  ::close(listener);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SilentServer,
    ::testing::Values(SilenceCase{"GoneWithNothingTyped", true, std::nullopt},
                      SilenceCase{"GoneAndTypedToAtOnce", true, 0ms},
                      // The kernel would count its own time-out from the command.
                      SilenceCase{"GoneAndTypedToLate", true, 1800ms},
                      SilenceCase{"QuietWithNothingTyped", false, std::nullopt},
                      SilenceCase{"QuietAndTypedTo", false, 1800ms}),
    [](const ::testing::TestParamInfo<SilenceCase>& info) { return std::string(info.param.name); });

TEST(TIdTelnet, AnswersNegotiationAndEndsCommandsInCrLfBeforeAndAfterIt) {
  Listener listener;
  ManualDispatcher dispatcher;
  TIdTelnet telnet(dispatcher);
  telnet.SetPort(listener.port);
  std::string text;
  int handOvers = 0;
  telnet.OnDataAvailable = [&](const std::string& data) {
    text += data;
    ++handOvers;
  };
  telnet.Connect();
  int server = listener.Accept();
  telnet.SendCharacter('n');
  telnet.SendCharacter('\r');
  EXPECT_EQ(ReadAtLeast(server, 3), "n\r\n");
  const char negotiation[] = "\xff\xfd\x18\xff\xfb\x01";
  ::send(server, negotiation, 6, 0);
  EXPECT_EQ(ReadAtLeast(server, 6), "\xff\xfb\x18\xff\xfd\x01");
  ASSERT_TRUE(PumpUntil(dispatcher, [&] { return handOvers >= 1; }));
  EXPECT_EQ(text, "");  // a block of commands only is still handed over, empty
  telnet.SendCharacter('s');
  telnet.SendCharacter('\r');
  EXPECT_EQ(ReadAtLeast(server, 3), "s\r\n");
  telnet.Disconnect();
  EXPECT_FALSE(telnet.GetPeerIsTelnetServer());
  ::close(server);
}

}  // namespace
