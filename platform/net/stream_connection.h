#pragma once
// One TCP connection to a game server over POSIX sockets, with one reader
// thread while it is open. Every received block passes a filter on the reader
// thread (the telnet negotiation), its replies are sent at once, and the data
// left is handed to the user-interface thread synchronously: the reader waits
// until OnDataAvailable has returned. Disconnect cancels a pending hand-over
// before it joins the reader, so the two never wait for each other.
//
// Connect, Disconnect, Send and the destructor belong to the UI thread.

#include "platform/base/exception.h"
#include "platform/net/ui_dispatcher.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

CLIENT_DECLARE_EXCEPTION(ESocketError, Exception);
CLIENT_DECLARE_EXCEPTION(EAlreadyConnected, ESocketError);

class StreamConnection {
public:
  // Reader thread: from the received bytes, fills the data for the UI thread
  // and the replies to send back.
  using BlockFilter =
      std::function<void(std::string_view received, std::string& data, std::string& replies)>;

  static constexpr int DefaultTimeoutMs = 10000;
  // The longest one write may wait for a server that does not read.
  static constexpr int SendTimeoutMs = 5000;
  static constexpr std::size_t ReceiveBlockSize = 32768;
  // A server that vanishes (no FIN, no RST) is found out within about two
  // minutes: keep-alive probes after a minute without traffic, ten seconds
  // apart, and no data left unacknowledged for longer than two minutes.
  static constexpr int KeepAliveIdleSeconds = 60;
  static constexpr int KeepAliveIntervalSeconds = 10;
  static constexpr int KeepAliveProbes = 5;
  static constexpr unsigned UnacknowledgedTimeoutMs = 120000;

  explicit StreamConnection(UiDispatcher& dispatcher);
  ~StreamConnection();
  StreamConnection(const StreamConnection&) = delete;
  StreamConnection& operator=(const StreamConnection&) = delete;

  // Blocks until connected or failed; timeoutMs < 0 means DefaultTimeoutMs.
  // Raises EAlreadyConnected "Already connected." or ESocketError
  // "Socket Error # <errno>\r\n<text>".
  void Connect(const std::string& host, int port, int timeoutMs = -1);
  // Stops the reader and closes the socket; returns promptly whatever the
  // server does. Harmless when not connected.
  void Disconnect();
  // True while the socket is open and the server has not closed it.
  bool Connected() const { return FOpen.load(); }
  // Writes all bytes within SendTimeoutMs, in one write while the socket
  // takes them. A failure or the time-out closes the connection and raises
  // ESocketError.
  void Send(std::string_view bytes);

  BlockFilter OnReceive;                                  // reader thread; none: data as received
  std::function<void(const std::string& data)> OnDataAvailable;  // UI thread
  // UI thread, when the reader stopped on a socket error or a time-out (not
  // when the server closed or Disconnect was asked): the connection is
  // closed by then, and the message says why, as Connect's errors do.
  std::function<void(const std::string& message)> OnConnectionLost;

private:
  struct HandOver;

  void ReaderLoop(int socket);
  // Reader thread: an error ended the reading; closes and tells the UI thread.
  void ReportLost(int socket, const std::string& message);
  void SendOnSocket(int socket, std::string_view bytes);
  void JoinReader();

  UiDispatcher& FDispatcher;
  int FSocket = -1;
  std::atomic<bool> FOpen{false};
  std::thread FReader;

  std::mutex FStateMutex;  // guards FStopping and FPending
  bool FStopping = false;
  std::shared_ptr<HandOver> FPending;

  std::mutex FSendMutex;   // replies from the reader and keys from the UI
};
