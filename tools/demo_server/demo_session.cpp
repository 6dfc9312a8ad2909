#include "tools/demo_server/demo_session.h"

#include <cctype>

namespace {
constexpr char IAC = '\xff';
constexpr char SE = '\xf0';
constexpr char SB = '\xfa';
constexpr char WILL = '\xfb';
constexpr char WONT = '\xfc';
constexpr char DO = '\xfd';
constexpr unsigned char TTYPE = 24;
constexpr unsigned char ECHO = 1;

std::string Cmd(char verb, unsigned char option) { return {IAC, verb, static_cast<char>(option)}; }

const char* const Reset = "\x1b[0m";
const char* const Red = "\x1b[31m";
const char* const Green = "\x1b[32m";
const char* const Yellow = "\x1b[33m";
const char* const Blue = "\x1b[34m";
const char* const Magenta = "\x1b[35m";
const char* const Cyan = "\x1b[36m";
const char* const Bold = "\x1b[39m";

std::string Prompt() { return std::string(Green) + "> " + Reset; }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}
}  // namespace

std::string DemoSession::Start() {
  std::string out = Cmd(DO, TTYPE);
  out += std::string(Cyan) + "\r\n  *** The Demo Realm ***\r\n" + Reset;
  out += std::string(Yellow) + "  A small world for trying the client." + Reset + "\r\n\r\n";
  out += "Login: ";
  return out;
}

void DemoSession::EndSubnegotiation(std::string&) {
  if (FSb.size() >= 2 && static_cast<unsigned char>(FSb[0]) == TTYPE && FSb[1] == 0)
    FTerminalType = FSb.substr(2);
  FSb.clear();
}

std::string DemoSession::Receive(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    if (FClose) break;
    switch (FTelnet) {
      case Telnet::Data:
        if (c == IAC) {
          FTelnet = Telnet::Iac;
        } else if (c == '\n') {
          std::string line;
          line.swap(FLine);
          out += HandleLine(line);
        } else if (c != '\r' && c != '\0') {
          // A CR ends nothing, as with most game servers: the LF does.
          if (FLine.size() < MaxLineLength) FLine += c;
        }
        break;
      case Telnet::Iac:
        if (c == IAC) {
          if (FLine.size() < MaxLineLength) FLine += c;
          FTelnet = Telnet::Data;
        } else if (static_cast<unsigned char>(c) >= 251) {
          FVerb = static_cast<unsigned char>(c);
          FTelnet = Telnet::Verb;
        } else if (c == SB) {
          FSb.clear();
          FTelnet = Telnet::Sb;
        } else {
          FTelnet = Telnet::Data;
        }
        break;
      case Telnet::Verb:
        // The client agreed to tell its terminal type: ask for it once.
        if (FVerb == 251 && static_cast<unsigned char>(c) == TTYPE && !FAskedTerminal) {
          FAskedTerminal = true;
          out += std::string{IAC, SB, static_cast<char>(TTYPE), 1, IAC, SE};
        }
        FTelnet = Telnet::Data;
        break;
      case Telnet::Sb:
        if (c == IAC)
          FTelnet = Telnet::SbIac;
        else if (FSb.size() < 64)
          FSb += c;
        break;
      case Telnet::SbIac:
        if (c == SE) {
          EndSubnegotiation(out);
          FTelnet = Telnet::Data;
        } else if (c == IAC) {
          if (FSb.size() < 64) FSb += c;
          FTelnet = Telnet::Sb;
        } else {
          FSb.clear();
          FTelnet = Telnet::Data;
        }
        break;
    }
  }
  return out;
}

std::string DemoSession::HandleLine(const std::string& raw) {
  std::string line = Trim(raw);
  switch (FPhase) {
    case Phase::Login:
      if (line.empty()) return "Login: ";
      FPlayer = line.substr(0, 20);
      FPhase = Phase::Password;
      // The client hides what is typed after a password prompt.
      return "\r\n" + Cmd(WILL, ECHO) + "Password: ";
    case Phase::Password:
      FPhase = Phase::Playing;
      return Cmd(WONT, ECHO) + "\r\n" + Green + "Welcome, " + Bold + FPlayer + Reset + Green +
             "! Type " + Yellow + "help" + Green + " for the commands." + Reset + "\r\n" + Prompt();
    case Phase::Playing:
      break;
  }
  if (line.empty()) return Prompt();
  std::size_t space = line.find(' ');
  std::string verb = Lower(line.substr(0, space));
  std::string rest = space == std::string::npos ? "" : Trim(line.substr(space + 1));
  return Command(verb, rest);
}

std::string DemoSession::Command(const std::string& verb, const std::string& rest) {
  std::string out;
  if (verb == "help") {
    out = std::string(Yellow) + "Commands:" + Reset +
          " look, north, south, east, west, up, down, say <text>, who, colours, quit, shutdown\r\n";
  } else if (verb == "look" || verb == "l") {
    out = std::string(Cyan) + "Market Square" + Reset + "\r\n" +
          "Stalls of " + Yellow + "fruit" + Reset + " and " + Red + "spices" + Reset +
          " line a cobbled square. A " + Green + "town guard" + Reset + " watches you.\r\n" +
          Magenta + "Exits: north south east west" + Reset + "\r\n";
  } else if (verb == "north" || verb == "south" || verb == "east" || verb == "west" || verb == "up" ||
             verb == "down" || verb == "n" || verb == "s" || verb == "e" || verb == "w" || verb == "u" ||
             verb == "d") {
    out = "You walk " + std::string(Bold) + verb + Reset + ", but the square seems to follow you.\r\n";
  } else if (verb == "say") {
    out = std::string("You say '") + Yellow + rest + Reset + "'\r\n";
  } else if (verb == "who") {
    out = std::string(Blue) + "Players online:" + Reset + " " + FPlayer + "\r\n";
  } else if (verb == "colours" || verb == "colors") {
    for (int code = 30; code <= 37; ++code)
      out += "\x1b[" + std::to_string(code) + "m colour " + std::to_string(code) + Reset + "\r\n";
    out += "\x1b[41m red back \x1b[0m \x1b[42m green back \x1b[0m \x1b[44m blue back \x1b[0m\r\n";
  } else if (verb == "quit") {
    FClose = true;
    return std::string(Cyan) + "Goodbye." + Reset + "\r\n";
  } else if (verb == "shutdown") {
    FClose = true;
    FShutdown = true;
    return std::string(Red) + "The server shuts down." + Reset + "\r\n";
  } else {
    out = std::string(Red) + "Huh?" + Reset + " Type " + Yellow + "help" + Reset + " for the commands.\r\n";
  }
  return out + Prompt();
}
