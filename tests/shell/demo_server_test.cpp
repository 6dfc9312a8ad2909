// The demo server as a program: it tells its port, plays a session with the
// client's own telnet layer, and stops when told or on SIGTERM.

#include "shell/core/telnet_client.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

class QueueDispatcher : public UiDispatcher {
public:
  void Post(std::function<void()> task) override {
    std::lock_guard lock(mutex);
    tasks.push_back(std::move(task));
  }
  void RunPending() {
    std::deque<std::function<void()>> now;
    {
      std::lock_guard lock(mutex);
      now.swap(tasks);
    }
    for (auto& t : now) t();
  }
  std::mutex mutex;
  std::deque<std::function<void()>> tasks;
};

// Starts the server on a free port and reads the port from its first line.
class DemoServerProcess {
public:
  explicit DemoServerProcess(const char* maxSeconds = "60") {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string program = DEMO_SERVER_PROGRAM;
    std::vector<std::string> args{program, "--port", "0", "--max-seconds", maxSeconds};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    error = out[0];
    std::string line;
    auto end = std::chrono::steady_clock::now() + 10s;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd p{error, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c[256];
      ssize_t n = read(error, c, sizeof c);
      if (n <= 0) break;
      line.append(c, static_cast<std::size_t>(n));
    }
    std::size_t colon = line.rfind(':');
    if (line.find("listening on 127.0.0.1:") != std::string::npos && colon != std::string::npos)
      port = std::atoi(line.c_str() + colon + 1);
  }
  ~DemoServerProcess() {
    if (pid > 0 && !exited) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (error >= 0) close(error);
  }
  // Waits (bounded) for the server to end; its exit status, or -1.
  int WaitForExit(std::chrono::milliseconds limit = 5000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }
  pid_t pid = -1;
  int error = -1;
  int port = 0;
  bool exited = false;
};

TEST(DemoServer, PlaysASessionWithTheClientsTelnetAndStopsWhenTold) {
  DemoServerProcess server;
  ASSERT_GT(server.port, 0);
  QueueDispatcher dispatcher;
  TIdTelnet telnet(dispatcher);
  telnet.SetPort(server.port);
  std::string text;
  telnet.OnDataAvailable = [&](const std::string& data) { text += data; };
  telnet.Connect();
  auto waitFor = [&](const std::string& part) {
    auto end = std::chrono::steady_clock::now() + 5s;
    while (text.find(part) == std::string::npos && std::chrono::steady_clock::now() < end) {
      dispatcher.RunPending();
      std::this_thread::sleep_for(2ms);
    }
    return text.find(part) != std::string::npos;
  };
  auto send = [&](const std::string& line) {
    for (char c : line) telnet.SendCharacter(c);
    telnet.SendCharacter('\r');
  };
  ASSERT_TRUE(waitFor("Login: "));
  EXPECT_TRUE(telnet.GetPeerIsTelnetServer());
  send("tester");
  ASSERT_TRUE(waitFor("Password: "));
  send("secret");
  ASSERT_TRUE(waitFor("Welcome, "));
  send("north");
  ASSERT_TRUE(waitFor("You walk north"));
  ASSERT_TRUE(waitFor("|4|"));
  send("shutdown");
  EXPECT_EQ(server.WaitForExit(), 0);
  telnet.Disconnect();
}

TEST(DemoServer, StopsOnSigterm) {
  DemoServerProcess server;
  ASSERT_GT(server.port, 0);
  kill(server.pid, SIGTERM);
  EXPECT_EQ(server.WaitForExit(), 0);
}

TEST(DemoServer, StopsByItselfAfterMaxSeconds) {
  DemoServerProcess server("1");
  ASSERT_GT(server.port, 0);
  EXPECT_EQ(server.WaitForExit(5000ms), 0);
}

TEST(DemoServer, RefusesABadArgumentOrAWorldItCannotRead) {
  const std::string program = DEMO_SERVER_PROGRAM;
  const std::pair<const char*, int> cases[] = {{" --port nonsense", 2}, {" --world /nonexistent/table.txt", 1}};
  for (const auto& [arguments, expected] : cases) {
    std::string command = program + arguments + " 2>/dev/null";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), expected) << arguments;
  }
}

}  // namespace
