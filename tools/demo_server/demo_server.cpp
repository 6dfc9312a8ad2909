// The demo game server: listens on 127.0.0.1 (port 2666 unless --port says
// otherwise), talks telnet with every client that connects, lets each walk
// the sample world (--world names another table of the world generator's),
// and stops on SIGTERM or SIGINT, on a "shutdown" command, or after
// --max-seconds.

#include "tools/demo_server/demo_session.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

constexpr std::size_t MaxClients = 32;
constexpr std::size_t MaxPendingOutput = 1 << 20;  // a client that stops reading is dropped

struct Client {
  explicit Client(const DemoWorld& world) : session(world) {}
  int socket = -1;
  DemoSession session;
  std::string output;
  bool closing = false;
};

bool ParseNumber(const char* text, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && end && *end == '\0' && end != text;
}

void Usage() { std::fprintf(stderr, "usage: demo_server [--port N] [--max-seconds S] [--world FILE]\n"); }

}  // namespace

int main(int argc, char** argv) {
  long port = 2666;
  long maxSeconds = 0;
  std::string worldFile = DEMO_WORLD_FILE;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    long value = 0;
    if ((arg == "--port" || arg == "--max-seconds") && i + 1 < argc && ParseNumber(argv[i + 1], value)) {
      (arg == "--port" ? port : maxSeconds) = value;
      ++i;
    } else if (arg == "--world" && i + 1 < argc) {
      worldFile = argv[++i];
    } else {
      Usage();
      return 2;
    }
  }
  if (port < 0 || port > 65535 || maxSeconds < 0) {
    Usage();
    return 2;
  }

  DemoWorld world;
  try {
    world = DemoWorld::Load(worldFile);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo_server: %s\n", e.what());
    return 1;
  }

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 8) != 0) {
    std::fprintf(stderr, "demo_server: cannot listen on 127.0.0.1:%ld: %s\n", port, std::strerror(errno));
    return 1;
  }
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::fprintf(stderr, "demo_server: listening on 127.0.0.1:%d\n", ntohs(address.sin_port));

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(maxSeconds);
  std::vector<std::unique_ptr<Client>> clients;
  bool shutdown = false;
  while (!stopRequested && !shutdown) {
    if (maxSeconds > 0 && std::chrono::steady_clock::now() >= deadline) break;
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (auto& c : clients)
      fds.push_back({c->socket, static_cast<short>(POLLIN | (c->output.empty() ? 0 : POLLOUT)), 0});
    int ready = ::poll(fds.data(), fds.size(), 200);  // wakes to see signals and the deadline
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;

    for (std::size_t i = 0; i < clients.size(); ++i) {
      Client& c = *clients[i];
      short events = fds[i + 1].revents;
      if (events & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        ssize_t n = ::recv(c.socket, buffer, sizeof buffer, 0);
        if (n <= 0) {
          c.closing = true;
          c.output.clear();
        } else {
          c.output += c.session.Receive(std::string_view(buffer, static_cast<std::size_t>(n)));
          if (c.session.WantsShutdown()) shutdown = true;
        }
      }
      if (!c.output.empty() && (events & POLLOUT || c.session.WantsClose())) {
        ssize_t n = ::send(c.socket, c.output.data(), c.output.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) c.output.erase(0, static_cast<std::size_t>(n));
        else if (n < 0 && errno != EAGAIN && errno != EINTR) c.closing = true;
      }
      if (c.output.size() > MaxPendingOutput) c.closing = true;
      if (c.session.WantsClose() && c.output.empty()) c.closing = true;
    }
    for (auto it = clients.begin(); it != clients.end();) {
      if ((*it)->closing) {
        ::close((*it)->socket);
        it = clients.erase(it);
      } else {
        ++it;
      }
    }

    if (fds[0].revents & POLLIN) {
      int s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (s >= 0 && clients.size() >= MaxClients) {
        const char full[] = "The demo server is full.\r\n";
        ::send(s, full, sizeof full - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(s);
      } else if (s >= 0) {
        auto client = std::make_unique<Client>(world);
        client->socket = s;
        client->output = client->session.Start();
        clients.push_back(std::move(client));
      }
    }
  }
  // Say goodbye to whoever is still there, without waiting on them.
  for (auto& c : clients) {
    if (!c->output.empty()) ::send(c->socket, c->output.data(), c->output.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(c->socket);
  }
  ::close(listener);
  std::fprintf(stderr, "demo_server: stopped\n");
  return 0;
}
