#pragma once
// A scripted telnet peer for the window tests: listens on an ephemeral port
// of 127.0.0.1, accepts one connection and records everything it receives.

#include "tests/support/loopback_listener.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>

// One scripted peer: accepts a connection, records everything it receives.
class TestServer {
public:
  TestServer() { listener = ListenOnLoopback(port, 2); }
  ~TestServer() {
    CloseClient();
    ::close(listener);
  }
  // Waits (bounded) for the client's connection and starts recording.
  bool Accept() {
    timeval timeout{5, 0};
    setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    client = ::accept(listener, nullptr, nullptr);
    if (client < 0) return false;
    reader = std::thread([this] {
      char buffer[4096];
      for (;;) {
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        std::lock_guard lock(mutex);
        received.append(buffer, static_cast<std::size_t>(n));
      }
    });
    return true;
  }
  void Send(const std::string& bytes) { ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  std::string Received() {
    std::lock_guard lock(mutex);
    return received;
  }
  void CloseClient() {
    if (client >= 0) ::shutdown(client, SHUT_RDWR);
    if (reader.joinable()) reader.join();
    if (client >= 0) ::close(client);
    client = -1;
  }
  int listener = -1;
  int client = -1;
  int port = 0;
  std::thread reader;
  std::mutex mutex;
  std::string received;
};
