#pragma once
// The program's command line: which game server Connect reaches. It is read
// before any window opens, so a bad argument never opens one.

#include "platform/base/exception.h"

#include <string>
#include <string_view>
#include <vector>

class TIdTelnet;

// The server Connect reaches unless the command line names another.
inline constexpr const char* DefaultServerHost = "127.0.0.1";
inline constexpr int DefaultServerPort = 2666;

struct ClientOptions {
  std::string Host = DefaultServerHost;  // a name or an IPv4 or IPv6 address
  int Port = DefaultServerPort;
  bool Help = false;
};

// A bad argument; the message names it.
CLIENT_DECLARE_EXCEPTION(EClientOptions, Exception);

// The arguments after the program's name: "--host NAME", "--port N" (1 to
// 65535; "--host=NAME" and "--port=N" too) and "--help" ("-h").
ClientOptions ParseClientOptions(const std::vector<std::string>& arguments);

// What "--help" prints.
std::string ClientUsage(std::string_view program);

// Points the telnet client at the server the options name.
void ApplyServerAddress(const ClientOptions& options, TIdTelnet& telnet);
