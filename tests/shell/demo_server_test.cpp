// The demo server as a program: it tells its port, plays a session with the
// client's own telnet layer, and stops when told or on SIGTERM.

#include "shell/core/telnet_client.h"
#include "tests/shell/demo_server_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <mutex>
#include <sys/wait.h>
#include <thread>

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
