// The command line: which server Connect reaches, --help, and bad arguments
// refused by the program before it opens any window.

#include "shell/core/client_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct OptionsCase {
  std::vector<std::string> arguments;
  std::string host;
  int port;
  bool help;
};

TEST(ParseClientOptions, NamesTheServerOrAsksForHelp) {
  const OptionsCase cases[] = {
      {{}, "127.0.0.1", 2666, false},
      {{"--host", "mud.example.org", "--port", "4000"}, "mud.example.org", 4000, false},
      {{"--port=23", "--host=::1"}, "::1", 23, false},
      {{"--port", "65535", "--port", "1"}, "127.0.0.1", 1, false},
      {{"--help"}, "127.0.0.1", 2666, true},
      {{"-h", "--host", "x"}, "x", 2666, true},
  };
  for (const OptionsCase& c : cases) {
    ClientOptions options = ParseClientOptions(c.arguments);
    EXPECT_EQ(options.Host, c.host) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(options.Port, c.port) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(options.Help, c.help) << ::testing::PrintToString(c.arguments);
  }
}

TEST(ParseClientOptions, RefusesBadArgumentsWithAMessageNamingThem) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--port", "0"}, "\"0\""},
      {{"--port", "65536"}, "\"65536\""},
      {{"--port", "-5"}, "\"-5\""},
      {{"--port", "23x"}, "\"23x\""},
      {{"--port", "99999999999999999999"}, "1 to 65535"},
      {{"--port"}, "--port needs a value"},
      {{"--host"}, "--host needs a value"},
      {{"--host", ""}, "host must not be empty"},
      {{"--hots", "x"}, "unknown argument \"--hots\""},
      {{"mud.example.org"}, "unknown argument \"mud.example.org\""},
  };
  for (const auto& [arguments, message] : cases) {
    try {
      ParseClientOptions(arguments);
      ADD_FAILURE() << "accepted " << ::testing::PrintToString(arguments);
    } catch (const EClientOptions& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

// Runs the program without a display: had it started the toolkit, it would
// stop on the missing display instead of answering.
std::pair<int, std::string> RunProgram(const std::string& arguments) {
  std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + std::string(CLIENT_PROGRAM) +
                        "' " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, ""};
  std::string output;
  char buffer[512];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(ClientProgram, AnswersHelpAndBadArgumentsBeforeAnyWindow) {
  auto [helpStatus, help] = RunProgram("--help");
  EXPECT_EQ(helpStatus, 0) << help;
  EXPECT_NE(help.find("--host NAME"), std::string::npos) << help;
  EXPECT_NE(help.find("--port N"), std::string::npos) << help;

  for (const char* bad : {"--port 0", "--bogus", "--host"}) {
    auto [status, output] = RunProgram(bad);
    EXPECT_EQ(status, 2) << bad << ": " << output;
    EXPECT_EQ(output.rfind("3dclient: ", 0), 0u) << bad << ": " << output;
    EXPECT_NE(output.find("--help"), std::string::npos) << output;
  }
}

}  // namespace
