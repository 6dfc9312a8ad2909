#pragma once
// One player's conversation with the demo server, without I/O: bytes from
// the client in, bytes to send out. Telnet commands from the client are
// read (the terminal type is kept); a line ends at LF, as game servers read
// it: a CR alone does not end it.

#include <cstddef>
#include <string>
#include <string_view>

class DemoSession {
public:
  static constexpr std::size_t MaxLineLength = 1024;

  // The bytes a new connection gets: the negotiation, the welcome and the
  // login prompt.
  std::string Start();
  // Everything the session answers to the received bytes.
  std::string Receive(std::string_view bytes);

  bool WantsClose() const { return FClose; }
  bool WantsShutdown() const { return FShutdown; }
  const std::string& GetTerminalType() const { return FTerminalType; }
  const std::string& GetPlayer() const { return FPlayer; }

private:
  enum class Phase { Login, Password, Playing };
  enum class Telnet { Data, Iac, Verb, Sb, SbIac };

  std::string HandleLine(const std::string& line);
  std::string Command(const std::string& verb, const std::string& rest);
  void EndSubnegotiation(std::string& out);

  Phase FPhase = Phase::Login;
  Telnet FTelnet = Telnet::Data;
  unsigned char FVerb = 0;
  std::string FSb;
  std::string FLine;
  bool FAskedTerminal = false;
  std::string FTerminalType;
  std::string FPlayer;
  bool FClose = false;
  bool FShutdown = false;
};
