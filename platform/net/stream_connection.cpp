#include "platform/net/stream_connection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

std::string SocketErrorText(int code, const std::string& text) {
  return "Socket Error # " + std::to_string(code) + "\r\n" + text;
}

[[noreturn]] void RaiseSocketError(int code, const std::string& text) {
  throw ESocketError(SocketErrorText(code, text));
}

[[noreturn]] void RaiseErrno(int code) { RaiseSocketError(code, std::strerror(code)); }

// Connects one address with a bounded wait; returns the socket or -1 with errno set.
int ConnectAddress(const addrinfo& address, int timeoutMs, const StreamConnection::Limits& limits) {
  int s = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
  if (s < 0) return -1;
  int flags = fcntl(s, F_GETFL, 0);
  fcntl(s, F_SETFL, flags | O_NONBLOCK);
  int rc = ::connect(s, address.ai_addr, address.ai_addrlen);
  if (rc != 0 && errno == EINPROGRESS) {
    pollfd p{s, POLLOUT, 0};
    do rc = ::poll(&p, 1, timeoutMs); while (rc < 0 && errno == EINTR);
    if (rc == 0) {
      ::close(s);
      errno = ETIMEDOUT;
      return -1;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (rc < 0 || getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) {
      ::close(s);
      errno = error;
      return -1;
    }
  } else if (rc != 0) {
    int error = errno;
    ::close(s);
    errno = error;
    return -1;
  }
  fcntl(s, F_SETFL, flags);
  // Keys and telnet answers are small: a server that never reads them is
  // found out after a little unsent data, not after megabytes.
  int sendBuffer = 65536;
  setsockopt(s, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
  // A command goes out whole at once, not after the acknowledgement of its
  // first bytes.
  int on = 1;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // A server that vanishes without a word is found out while the player
  // waits (the reader watches the silence, see Limits): probes make a quiet
  // server speak, and the kernel retransmits no longer than the reader
  // waits. While a user time-out is set the probe count does not end the
  // connection; enough to fill the limit serve kernels that count.
  setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  const int idle = limits.KeepAliveIdleSeconds, interval = limits.KeepAliveIntervalSeconds;
  const int probes = std::max(1, (limits.SilenceLimitMs / 1000 - idle + interval - 1) / interval);
  const unsigned userTimeout = static_cast<unsigned>(limits.SilenceLimitMs);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
  setsockopt(s, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
  return s;
}

}  // namespace

struct StreamConnection::HandOver {
  std::mutex mutex;
  std::condition_variable changed;
  bool done = false;
  bool cancelled = false;
  std::string data;
};

StreamConnection::StreamConnection(UiDispatcher& dispatcher, const Limits& limits)
    : FDispatcher(dispatcher), FLimits(limits) {}

StreamConnection::~StreamConnection() { Disconnect(); }

void StreamConnection::Connect(const std::string& host, int port, int timeoutMs) {
  if (Connected()) throw EAlreadyConnected("Already connected.");
  // The server may have closed the last connection: its reader has ended.
  Disconnect();
  if (timeoutMs < 0) timeoutMs = DefaultTimeoutMs;

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  std::string service = std::to_string(port);
  int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (rc != 0) {
    if (rc == EAI_SYSTEM) RaiseErrno(errno);
    RaiseSocketError(rc, gai_strerror(rc));
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);
  int s = -1;
  int lastError = ECONNREFUSED;
  for (addrinfo* a = found; a && s < 0; a = a->ai_next) {
    s = ConnectAddress(*a, timeoutMs, FLimits);
    if (s < 0) lastError = errno;
  }
  if (s < 0) RaiseErrno(lastError);

  FSocket = s;
  {
    std::lock_guard lock(FStateMutex);
    FStopping = false;
    FPending.reset();
  }
  FOpen = true;
  FReader = std::thread(&StreamConnection::ReaderLoop, this, s);
}

void StreamConnection::Disconnect() {
  {
    std::lock_guard lock(FStateMutex);
    FStopping = true;
    if (FPending) {
      std::lock_guard handOverLock(FPending->mutex);
      FPending->cancelled = true;
      FPending->changed.notify_all();
    }
  }
  FOpen = false;
  // Wakes a reader blocked in recv; the descriptor stays valid until joined.
  if (FSocket >= 0) ::shutdown(FSocket, SHUT_RDWR);
  JoinReader();
  if (FSocket >= 0) {
    ::close(FSocket);
    FSocket = -1;
  }
}

void StreamConnection::JoinReader() {
  if (FReader.joinable()) FReader.join();
}

void StreamConnection::Send(std::string_view bytes) {
  if (FSocket < 0 || !Connected()) return;
  try {
    SendOnSocket(FSocket, bytes);
  } catch (const ESocketError&) {
    // The caller hears why; the connection is closed now, not at the next
    // Disconnect.
    Disconnect();
    throw;
  }
}

void StreamConnection::SendOnSocket(int socket, std::string_view bytes) {
  std::lock_guard lock(FSendMutex);
  // A server that stops reading must not freeze the window for ever: the
  // whole write has one time limit, however little it moves now and then.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(FLimits.SendTimeoutMs);
  while (!bytes.empty()) {
    ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() > 0) {
        pollfd writable{socket, POLLOUT, 0};
        ::poll(&writable, 1, static_cast<int>(left.count()));
        continue;
      }
      errno = ETIMEDOUT;
    }
    if (sent <= 0) {
      int error = sent < 0 ? errno : EPIPE;
      // Closed both ways, so the server sees it too; the descriptor goes at
      // the next Disconnect or Connect.
      FOpen = false;
      ::shutdown(socket, SHUT_RDWR);
      RaiseErrno(error);
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

void StreamConnection::ReportLost(int socket, const std::string& message) {
  FOpen = false;
  ::shutdown(socket, SHUT_RDWR);
  auto notice = std::make_shared<HandOver>();
  {
    std::lock_guard lock(FStateMutex);
    if (FStopping) return;  // Disconnect was asked: nothing to tell
    FPending = notice;
  }
  // Like a hand-over, the notice is dropped by a Disconnect before it runs.
  FDispatcher.Post([this, notice, message] {
    {
      std::lock_guard lock(notice->mutex);
      if (notice->cancelled) return;
      notice->done = true;
    }
    // The reader has stopped; the connection is closed before the window
    // hears of it, not at the next Disconnect.
    Disconnect();
    if (OnConnectionLost) OnConnectionLost(message);
  });
}

int StreamConnection::SilenceLeftMs(int socket) const {
  tcp_info info{};
  socklen_t length = sizeof info;
  if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return -1;
  // Either is a word from the server: the kernel keeps the last data apart
  // from the last acknowledgement (data that acknowledges nothing new is
  // not one to it).
  const long long heard = std::min(info.tcpi_last_data_recv, info.tcpi_last_ack_recv);
  return static_cast<int>(std::max(0LL, FLimits.SilenceLimitMs - heard));
}

void StreamConnection::ReaderLoop(int socket) {
  std::vector<char> buffer(ReceiveBlockSize);
  for (;;) {
    // Waits for data, but no longer than the server may stay silent.
    const int left = SilenceLeftMs(socket);
    if (left == 0) {
      bool stopping = false;
      {
        std::lock_guard lock(FStateMutex);
        stopping = FStopping;
      }
      if (!stopping && FOpen) ReportLost(socket, SocketErrorText(ETIMEDOUT, std::strerror(ETIMEDOUT)));
      break;
    }
    pollfd readable{socket, POLLIN, 0};
    const int ready = ::poll(&readable, 1, left);
    if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
    ssize_t received = ::recv(socket, buffer.data(), buffer.size(), 0);
    if (received < 0 && errno == EINTR) continue;
    if (received < 0) {
      int error = errno;
      bool stopping = false;
      {
        std::lock_guard lock(FStateMutex);
        stopping = FStopping;
      }
      // A socket already closed by a failed send was reported there.
      if (!stopping && FOpen) ReportLost(socket, SocketErrorText(error, std::strerror(error)));
      break;
    }
    if (received == 0) break;  // closed by the server, or shut down by Disconnect or a failed send

    std::string data;
    std::string replies;
    std::string_view block(buffer.data(), static_cast<std::size_t>(received));
    if (OnReceive)
      OnReceive(block, data, replies);
    else
      data.assign(block);
    if (!replies.empty()) {
      try {
        SendOnSocket(socket, replies);
      } catch (const ESocketError& e) {
        ReportLost(socket, e.what());
        break;
      }
    }

    auto handOver = std::make_shared<HandOver>();
    handOver->data = std::move(data);
    {
      std::lock_guard lock(FStateMutex);
      if (FStopping) break;
      FPending = handOver;
    }
    // The task runs on the UI thread; a cancelled hand-over is never delivered,
    // which also keeps it from touching a connection that is gone.
    FDispatcher.Post([this, handOver] {
      {
        std::lock_guard lock(handOver->mutex);
        if (handOver->cancelled) return;
      }
      try {
        if (OnDataAvailable) OnDataAvailable(handOver->data);
      } catch (...) {
        std::lock_guard lock(handOver->mutex);
        handOver->done = true;
        handOver->changed.notify_all();
        throw;
      }
      std::lock_guard lock(handOver->mutex);
      handOver->done = true;
      handOver->changed.notify_all();
    });
    std::unique_lock wait(handOver->mutex);
    handOver->changed.wait(wait, [&] { return handOver->done || handOver->cancelled; });
    if (handOver->cancelled) break;
  }
  FOpen = false;
}
