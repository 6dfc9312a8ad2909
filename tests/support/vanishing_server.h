#pragma once
// A server that can vanish without a word, for the tests of a connection's
// time limits: two network namespaces of the test's own, the client's and
// the server's, joined by a veth pair. Vanish() removes the server's
// address: what the client sends still arrives and is dropped, and nothing
// answers, as when a server's machine is gone. The machine's own network is
// never touched. Making namespaces needs privileges (root, as in CI) and
// iproute2's "ip"; Unavailable() says why when they cannot be made.

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class VanishingServer {
public:
  static constexpr const char* kServerAddress = "10.213.7.2";

  VanishingServer()
      : FClient("3dc-test-" + std::to_string(::getpid()) + "-client"),
        FServer("3dc-test-" + std::to_string(::getpid()) + "-server") {
    // Left by a run of the same process number that was killed.
    Ip({"netns", "del", FServer});
    Ip({"netns", "del", FClient});
    if (!Ip({"netns", "add", FClient})) {
      FUnavailable = "no network namespace can be made here (needs root and iproute2's ip)";
      return;
    }
    // The client knows the server's link address for good, so its frames
    // keep going to the vanished server rather than to a failed lookup.
    const bool made =
        Ip({"netns", "add", FServer}) &&
        Ip({"-n", FClient, "link", "add", "vc", "address", kClientLink, "type", "veth", "peer", "name", "vs",
            "address", kServerLink, "netns", FServer}) &&
        Ip({"-n", FClient, "addr", "add", "10.213.7.1/24", "dev", "vc"}) &&
        Ip({"-n", FServer, "addr", "add", std::string(kServerAddress) + "/24", "dev", "vs"}) &&
        Ip({"-n", FClient, "link", "set", "vc", "up"}) && Ip({"-n", FServer, "link", "set", "vs", "up"}) &&
        Ip({"-n", FClient, "neigh", "replace", kServerAddress, "lladdr", kServerLink, "dev", "vc", "nud", "permanent"});
    if (!made) FUnavailable = "the namespaces' link could not be set up";
  }
  ~VanishingServer() {
    Ip({"netns", "del", FServer});
    Ip({"netns", "del", FClient});
  }
  VanishingServer(const VanishingServer&) = delete;
  VanishingServer& operator=(const VanishingServer&) = delete;

  // Empty when the namespaces stand.
  const std::string& Unavailable() const { return FUnavailable; }

  // Runs the task on a thread of the namespace: sockets made there belong
  // to it (threads it starts too), and work from any thread afterwards.
  // False when the namespace could not be entered (the task did not run).
  bool InClient(const std::function<void()>& task) const { return InNamespace(FClient, task); }
  bool InServer(const std::function<void()>& task) const { return InNamespace(FServer, task); }

  // The server's address goes; its end stays up and drops what comes.
  bool Vanish() const { return Ip({"-n", FServer, "addr", "flush", "dev", "vs"}); }

private:
  static constexpr const char* kClientLink = "02:3d:c0:00:00:01";
  static constexpr const char* kServerLink = "02:3d:c0:00:00:02";

  static bool Ip(std::vector<std::string> args) {
    args.insert(args.begin(), "ip");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "ip", &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  static bool InNamespace(const std::string& name, const std::function<void()>& task) {
    bool entered = false;
    std::thread([&] {
      const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
      entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
      if (fd >= 0) ::close(fd);
      if (entered) task();
    }).join();
    return entered;
  }

  std::string FClient, FServer;
  std::string FUnavailable;
};
