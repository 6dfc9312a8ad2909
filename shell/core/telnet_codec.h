#pragma once
// The telnet side of the connection, without any I/O: received bytes in,
// data bytes and the 3-byte answers out. The negotiation state carries over
// from one receive to the next, so a command cut between two reads is
// answered once it is complete.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace telnet {
constexpr unsigned char SE = 240;
constexpr unsigned char SB = 250;
constexpr unsigned char WILL = 251;
constexpr unsigned char WONT = 252;
constexpr unsigned char DO = 253;
constexpr unsigned char DONT = 254;
constexpr unsigned char IAC = 255;
constexpr unsigned char ECHO = 1;
constexpr unsigned char TERMINAL_TYPE = 24;
constexpr unsigned char END_OF_RECORD = 25;
constexpr unsigned char SEND = 1;
constexpr unsigned char IS = 0;
}  // namespace telnet

class TelnetCodec {
public:
  explicit TelnetCodec(std::string terminalType = "dumb");

  // Reader thread: strips telnet commands from the received bytes, appending
  // data bytes to `data` and the answers to `replies` in the order met.
  void Receive(std::string_view received, std::string& data, std::string& replies);

  // The wire bytes for one typed character: CR becomes CR LF, the line end
  // telnet servers wait for (a bare CR is not one to them); a 255 byte is
  // doubled so it is never read as a command.
  std::string EncodeCharacter(char c) const;

  // Set by the first IAC received; cleared by ClearPeerMark (disconnect).
  bool GetPeerIsTelnetServer() const { return FPeerIsTelnetServer.load(); }
  void ClearPeerMark() { FPeerIsTelnetServer = false; }
  // A new stream starts outside any command (the peer mark is kept).
  void ResetNegotiation();

  const std::string& GetTerminal() const { return FTerminal; }
  void SetTerminal(const std::string& terminal) { FTerminal = terminal; }

  // Longest sub-negotiation kept; the rest of a longer one is dropped.
  static constexpr std::size_t MaxSubnegotiation = 1024;

private:
  enum class State { Data, Iac, Verb, SbOption, SbData, SbIac };

  void AnswerVerb(unsigned char verb, unsigned char option, std::string& replies) const;
  void EndSubnegotiation(std::string& replies);

  std::string FTerminal;
  std::atomic<bool> FPeerIsTelnetServer{false};
  State FState = State::Data;
  unsigned char FVerb = 0;
  std::string FSbData;
};
