// The real main window plays on a real game server that nobody here wrote:
// TinyMUX from Debian's package "tinymux", set up in a scratch folder on a
// free loopback port, reached through the command line's --host and --port.

#include "shell/core/client_options.h"
#include "tests/shell/main_window_session.h"
#include "tests/support/loopback_listener.h"

#include <gtest/gtest.h>

#include <QToolButton>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using gui_test::WaitFor;

constexpr const char* Installer = "/usr/games/tinymux-install";

// A port on 127.0.0.1 that nothing listens on now.
int FreeLoopbackPort() {
  int port = 0;
  int s = ListenOnLoopback(port);
  if (s >= 0) ::close(s);
  return port;
}

bool Accepts(int port) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return ok;
}

// One TinyMUX game in a scratch folder, installed the way its package says
// (tinymux-install in the folder, then the port in game/netmux.conf), run in
// the foreground in a process group of its own, stopped by its process id
// and the folder removed at the end.
class TinyMux {
public:
  TinyMux() {
    char pattern[] = "/tmp/tinymux_test_XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder = pattern;
    std::string install = "cd '" + folder + "' && " + Installer + " >install.log 2>&1";
    if (std::system(install.c_str()) != 0) return;
    game = folder + "/tinymux/game";
    port = FreeLoopbackPort();
    if (port <= 0 || !Configure()) return;
    Start();
  }
  ~TinyMux() {
    Stop();
    if (!folder.empty()) {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
  }
  // Waits (bounded) for the game to take connections.
  bool WaitUntilListening(std::chrono::milliseconds limit) const {
    auto end = std::chrono::steady_clock::now() + limit;
    while (pid > 0 && std::chrono::steady_clock::now() < end) {
      if (Accepts(port)) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
  std::string Log() const {
    std::string text;
    for (const auto& entry : fs::directory_iterator(game)) {
      if (entry.path().extension() != ".log") continue;
      std::ifstream file(entry.path());
      text += std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }
    return text;
  }

  std::string folder;
  std::string game;
  int port = 0;
  pid_t pid = -1;

private:
  // The package's configuration with our port, listening on loopback only.
  bool Configure() {
    std::ifstream in(game + "/netmux.conf");
    if (!in) return false;
    std::ostringstream out;
    std::string line;
    while (std::getline(in, line)) out << (line.starts_with("port ") ? "port " + std::to_string(port) : line) << '\n';
    out << "ip_address 127.0.0.1\n";
    in.close();
    std::ofstream(game + "/netmux.conf", std::ios::trunc) << out.str();
    return true;
  }
  void Start() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, game.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "netmux.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    // What the package's Startmux runs, without its background detour.
    std::vector<std::string> args{"bin/netmux", "-c", "netmux.conf", "-p", "netmux.pid", "-e", "."};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment{"LD_LIBRARY_PATH=./bin", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = game + "/bin/netmux";
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  // SIGTERM ends the game and its helper processes; what is left after a
  // bounded wait is killed, the game's own process group with it.
  void Stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    auto end = std::chrono::steady_clock::now() + 10s;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) {
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(20ms);
    }
    pid = -1;
  }
};

class TinyMuxSession : public MainWindowSession {};

TEST_F(TinyMuxSession, ThePlayerCreatesACharacterLooksAndSaysHello) {
  if (!fs::exists(Installer))
    GTEST_SKIP() << "TinyMUX is not installed here (Debian package \"tinymux\", which tools/test.sh installs)";
  TinyMux mux;
  ASSERT_GT(mux.pid, 0) << "TinyMUX could not be set up in " << mux.folder;
  ASSERT_NE(mux.port, DefaultServerPort);
  ASSERT_TRUE(mux.WaitUntilListening(20s)) << mux.Log();

  // The server is reached the way the program's command line names it.
  ClientOptions options =
      ParseClientOptions({"--host", "127.0.0.1", "--port", std::to_string(mux.port)});
  ApplyServerAddress(options, main->GetTelnet());
  main->btconnect->click();
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_TRUE(main->GetTelnet().Connected());
  ASSERT_TRUE(WaitFor([&] { return PaneText().contains("create <name> <password>"); }, 15s)) << PaneText().toStdString();
  EXPECT_TRUE(main->GetTelnet().GetPeerIsTelnetServer());

  // Each command is read only once its line has ended the way telnet says.
  Type("create Walker s3cret");
  ASSERT_TRUE(WaitFor([&] { return PaneText().contains("Limbo"); }, 15s)) << PaneText().toStdString();
  const int roomsBefore = PaneText().count("Limbo");
  Type("look");
  ASSERT_TRUE(WaitFor([&] { return PaneText().count("Limbo") > roomsBefore; }, 15s)) << PaneText().toStdString();
  Type("say hello");
  ASSERT_TRUE(WaitFor([&] { return PaneText().contains("You say, \"hello\""); }, 15s)) << PaneText().toStdString();

  main->btdisconnect->click();
  EXPECT_FALSE(main->GetTelnet().Connected());
}

}  // namespace
