#include "shell/core/client_options.h"

#include "shell/core/telnet_client.h"

#include <charconv>

namespace {

int ParsePort(const std::string& text) {
  int port = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
    throw EClientOptions("the port must be a number from 1 to 65535, not \"" + text + "\"");
  return port;
}

}  // namespace

ClientOptions ParseClientOptions(const std::vector<std::string>& arguments) {
  ClientOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options.Help = true;
      continue;
    }
    std::string name = argument;
    std::string value;
    bool hasValue = false;
    if (std::size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      hasValue = true;
    }
    if (name != "--host" && name != "--port") throw EClientOptions("unknown argument \"" + argument + "\"");
    if (!hasValue) {
      if (i + 1 >= arguments.size()) throw EClientOptions(name + " needs a value");
      value = arguments[++i];
    }
    if (name == "--port") {
      options.Port = ParsePort(value);
    } else {
      if (value.empty()) throw EClientOptions("the host must not be empty");
      options.Host = value;
    }
  }
  return options;
}

std::string ClientUsage(std::string_view program) {
  std::string usage = "Usage: ";
  usage += program;
  usage +=
      " [--host NAME] [--port N]\n"
      "The 3D client of a text game world; Connect reaches the game server.\n"
      "\n"
      "  --host NAME  the game server's host name or IPv4 or IPv6 address\n"
      "               (default " +
      std::string(DefaultServerHost) +
      ")\n"
      "  --port N     its telnet port, 1 to 65535 (default " +
      std::to_string(DefaultServerPort) +
      ")\n"
      "  -h, --help   print this and exit\n";
  return usage;
}

void ApplyServerAddress(const ClientOptions& options, TIdTelnet& telnet) {
  telnet.SetHost(options.Host);
  telnet.SetPort(options.Port);
}
