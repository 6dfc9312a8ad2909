#pragma once
// A listening socket on an ephemeral port of 127.0.0.1, for the tests and
// benchmarks that play a server: the port is chosen by the system.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Listens with the backlog; the port is stored in `port`. receiveBuffer > 0
// sets the accepted connections' receive buffer, in bytes. -1 on failure.
inline int ListenOnLoopback(int& port, int backlog = 4, int receiveBuffer = 0) {
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return -1;
  if (receiveBuffer > 0) setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, backlog) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener);
    return -1;
  }
  port = ntohs(address.sin_port);
  return listener;
}
