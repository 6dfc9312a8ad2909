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
  static constexpr std::size_t ReceiveBlockSize = 32768;

  // How long the connection waits on a server before it gives up; tests
  // give short ones.
  struct Limits {
    // The longest one write may wait for a server that does not read.
    int SendTimeoutMs = 5000;
    // A server not heard from for this long (no data, no acknowledgement,
    // no answer to a keep-alive probe) has vanished: the reader closes the
    // connection and says so. The reader watches this itself: the kernel
    // looks at its own time-out only when a retransmission falls due, and
    // those back off to minutes. Ten seconds to spare keep the report
    // within two minutes of the server's last word.
    int SilenceLimitMs = 110000;
    // Keep-alive probes after this long without a word from the server and
    // then every interval, so that a server that is still there is heard
    // several times before the limit.
    int KeepAliveIdleSeconds = 60;
    int KeepAliveIntervalSeconds = 10;
  };

  explicit StreamConnection(UiDispatcher& dispatcher) : StreamConnection(dispatcher, Limits{}) {}
  StreamConnection(UiDispatcher& dispatcher, const Limits& limits);
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
  // Writes all bytes within the send time-out, in one write while the
  // socket takes them. A failure or the time-out closes the connection and
  // raises ESocketError.
  void Send(std::string_view bytes);

  BlockFilter OnReceive;                                  // reader thread; none: data as received
  std::function<void(const std::string& data)> OnDataAvailable;  // UI thread
  // UI thread, when the reader stopped on a socket error or a time-out (not
  // when the server closed or Disconnect was asked): the connection is
  // closed by then, and the message says why, as Connect's errors do ("...
  // # 110\r\nConnection timed out" for a server silent past the limit).
  std::function<void(const std::string& message)> OnConnectionLost;

private:
  struct HandOver;

  void ReaderLoop(int socket);
  // Reader thread: how long the socket may still wait for a word from the
  // server; 0 once it has been silent past the limit, -1 when the kernel
  // cannot tell.
  int SilenceLeftMs(int socket) const;
  // Reader thread: an error ended the reading; closes and tells the UI thread.
  void ReportLost(int socket, const std::string& message);
  void SendOnSocket(int socket, std::string_view bytes);
  void JoinReader();

  UiDispatcher& FDispatcher;
  const Limits FLimits;
  int FSocket = -1;
  std::atomic<bool> FOpen{false};
  std::thread FReader;

  std::mutex FStateMutex;  // guards FStopping and FPending
  bool FStopping = false;
  std::shared_ptr<HandOver> FPending;

  std::mutex FSendMutex;   // replies from the reader and keys from the UI
};
