#include "shell/core/telnet_codec.h"

using namespace telnet;

namespace {
void AppendCommand(std::string& out, unsigned char verb, unsigned char option) {
  out += static_cast<char>(IAC);
  out += static_cast<char>(verb);
  out += static_cast<char>(option);
}
}  // namespace

TelnetCodec::TelnetCodec(std::string terminalType) : FTerminal(std::move(terminalType)) {}

void TelnetCodec::ResetNegotiation() {
  FState = State::Data;
  FVerb = 0;
  FSbData.clear();
}

void TelnetCodec::AnswerVerb(unsigned char verb, unsigned char option, std::string& replies) const {
  switch (verb) {
    case WILL:
      AppendCommand(replies, (option == ECHO || option == END_OF_RECORD) ? DO : DONT, option);
      break;
    case DO:
      AppendCommand(replies, (option == ECHO || option == TERMINAL_TYPE) ? WILL : WONT, option);
      break;
    case WONT:
      AppendCommand(replies, DONT, option);
      break;
    case DONT:
      AppendCommand(replies, WONT, option);
      break;
    default:
      break;
  }
}

void TelnetCodec::EndSubnegotiation(std::string& replies) {
  // The terminal type is sent for a SEND of any option, as servers expect.
  if (!FSbData.empty() && static_cast<unsigned char>(FSbData[0]) == SEND) {
    replies += static_cast<char>(IAC);
    replies += static_cast<char>(SB);
    replies += static_cast<char>(TERMINAL_TYPE);
    replies += static_cast<char>(IS);
    replies += FTerminal.empty() ? std::string("dumb") : FTerminal;
    replies += static_cast<char>(IAC);
    replies += static_cast<char>(SE);
  }
  FSbData.clear();
}

void TelnetCodec::Receive(std::string_view received, std::string& data, std::string& replies) {
  for (char ch : received) {
    auto byte = static_cast<unsigned char>(ch);
    switch (FState) {
      case State::Data:
        if (byte == IAC) {
          FPeerIsTelnetServer = true;
          FState = State::Iac;
        } else {
          data += ch;
        }
        break;
      case State::Iac:
        if (byte == IAC) {
          data += ch;
          FState = State::Data;
        } else if (byte >= WILL) {
          FVerb = byte;
          FState = State::Verb;
        } else if (byte == SB) {
          FState = State::SbOption;
        } else {
          // Other commands (and undefined codes) carry no option: dropped.
          FState = State::Data;
        }
        break;
      case State::Verb:
        AnswerVerb(FVerb, byte, replies);
        FState = State::Data;
        break;
      case State::SbOption:
        (void)byte;  // the answer does not depend on the option
        FSbData.clear();
        FState = State::SbData;
        break;
      case State::SbData:
        if (byte == IAC) {
          FPeerIsTelnetServer = true;
          FState = State::SbIac;
        } else if (FSbData.size() < MaxSubnegotiation) {
          FSbData += ch;
        }
        break;
      case State::SbIac:
        if (byte == SE) {
          EndSubnegotiation(replies);
          FState = State::Data;
        } else if (byte == IAC) {
          if (FSbData.size() < MaxSubnegotiation) FSbData += ch;
          FState = State::SbData;
        } else {
          // An unterminated sub-negotiation: drop it and read the byte as the
          // command it starts, so a broken peer cannot swallow the stream.
          FSbData.clear();
          FState = State::Iac;
          std::string_view rest(&ch, 1);
          Receive(rest, data, replies);
        }
        break;
    }
  }
}

std::string TelnetCodec::EncodeCharacter(char c) const {
  if (c == '\r') return std::string("\r\n");
  if (static_cast<unsigned char>(c) == IAC) return std::string(2, static_cast<char>(IAC));
  return std::string(1, c);
}
