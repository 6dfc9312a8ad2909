#pragma once
// The demo game server as a program for the tests: started on a free port
// (read from its first line), killed if it is still running at the end.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

// Starts the server on a free port and reads the port from its first line.
class DemoServerProcess {
public:
  explicit DemoServerProcess(const char* maxSeconds = "60") {
    using namespace std::chrono_literals;
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
  int WaitForExit(std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  pid_t pid = -1;
  int error = -1;
  int port = 0;
  bool exited = false;
};
