#pragma once
// The main window's telnet client: a stream connection whose received blocks
// pass the telnet codec on the reader thread, with the operations the window
// uses (Connect, Disconnect, Connected, SendCharacter, OnDataAvailable).

#include "platform/net/stream_connection.h"
#include "shell/core/telnet_codec.h"

#include <functional>
#include <string>
#include <string_view>

class TIdTelnet {
public:
  explicit TIdTelnet(UiDispatcher& dispatcher);
  ~TIdTelnet();

  // timeoutMs -1: the default time-out.
  void Connect(int timeoutMs = -1);
  void Disconnect();
  bool Connected() const { return FConnection.Connected(); }
  // One typed character on the wire (see TelnetCodec::EncodeCharacter).
  void SendCharacter(char c);
  // A command: its characters and then a carriage return, each encoded as
  // SendCharacter encodes it, in one write, so that no part of it waits for
  // the server's acknowledgement of another.
  void SendLine(std::string_view command);

  // Host, port and terminal are read by the connection and its reader
  // thread: set them while disconnected.
  const std::string& GetHost() const { return FHost; }
  void SetHost(const std::string& host) { FHost = host; }
  int GetPort() const { return FPort; }
  void SetPort(int port) { FPort = port; }
  const std::string& GetTerminal() const { return FCodec.GetTerminal(); }
  void SetTerminal(const std::string& terminal) { FCodec.SetTerminal(terminal); }
  bool GetPeerIsTelnetServer() const { return FCodec.GetPeerIsTelnetServer(); }

  // UI thread, with each received block once telnet commands are removed
  // (also when none is left); the bytes are as the server sent them.
  std::function<void(const std::string& text)> OnDataAvailable;
  // UI thread, when the connection died of an error or a time-out; the
  // message says why (see StreamConnection::OnConnectionLost).
  std::function<void(const std::string& message)> OnConnectionLost;

private:
  std::string FHost = "127.0.0.1";
  int FPort = 23;
  TelnetCodec FCodec;
  StreamConnection FConnection;
};
