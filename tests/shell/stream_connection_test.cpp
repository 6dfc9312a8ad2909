// The socket layer over a real loopback connection, with a dispatcher the
// test runs by hand in place of the window's event loop.

#include "platform/net/stream_connection.h"
#include "shell/core/telnet_client.h"
#include "tests/support/loopback_listener.h"

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

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <mutex>
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

TEST(StreamConnection, TheSocketSendsAtOnceAndFindsAVanishedServerWithinTwoMinutes) {
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
  EXPECT_NE(option(IPPROTO_TCP, TCP_NODELAY), 0) << "small writes wait for acknowledgements";
  EXPECT_NE(option(SOL_SOCKET, SO_KEEPALIVE), 0);
  EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPIDLE), 60) << "the first probe after a minute without traffic";
  EXPECT_EQ(option(IPPROTO_TCP, TCP_KEEPINTVL), 10);
  const int probes = option(IPPROTO_TCP, TCP_KEEPCNT);
  EXPECT_GT(probes, 1);
  EXPECT_LE(60 + probes * 10, 120) << "a silent server is given up within two minutes";
  const int unacknowledged = option(IPPROTO_TCP, TCP_USER_TIMEOUT);
  EXPECT_GT(unacknowledged, 0) << "a command sent to a vanished server waits a quarter of an hour";
  EXPECT_LE(unacknowledged, 120000);
  connection.Disconnect();
  ::close(server);
}

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
