// The real main window against a server inside the test on a loopback
// ephemeral port: coloured text, typed commands on the wire, password hiding,
// the server closing, and Disconnect while the server floods.

#include "shell/about_window.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_session.h"
#include "tests/shell/test_server.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include <arpa/inet.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

using gui_test::AnyApplication;
using gui_test::WaitFor;

using namespace std::chrono_literals;

// The segments with data the server's end of the connection has received.
std::uint32_t DataSegmentsReceived(int socket) {
  tcp_info info{};
  socklen_t length = sizeof info;
  if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return 0;
  return info.tcpi_data_segs_in;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST_F(MainWindowSession, StartUpCreatesTheWindowsAndShowsTheVersion) {
  EXPECT_TRUE(main->GetActivated());
  EXPECT_EQ(main->windowTitle(), "Tallowmer 3D Client");
  EXPECT_EQ(fmbusy, nullptr);  // freed at the end of the start-up
  ASSERT_NE(fmabout, nullptr);
  EXPECT_EQ(fmabout->lbversion->text(), "7.12");
  EXPECT_EQ(main->btconnect->text(), "Connect");
  EXPECT_EQ(main->btdisconnect->text(), "Disconnect");
  EXPECT_EQ(main->btsave->text(), "Save ");
  EXPECT_TRUE(main->mmtelnet->isReadOnly());
  EXPECT_EQ(main->pnright->width(), 1);
  EXPECT_TRUE(main->timer->isActive());
  EXPECT_EQ(main->timer->interval(), 240);
  char folder[4096] = {};
  ASSERT_NE(getcwd(folder, sizeof folder), nullptr);
  EXPECT_EQ(std::string(folder) + "/", GetApplicationFolder());
  // A second activation does nothing: the start-up would write the version again.
  fmabout->lbversion->setText("changed");
  main->FormActivate();
  EXPECT_EQ(fmabout->lbversion->text(), "changed");
}

TEST_F(MainWindowSession, PlaysASessionWithColoursCommandsAndAHiddenPassword) {
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  ASSERT_TRUE(main->GetTelnet().Connected());

  server.Send("\x1b[31mHello\x1b[0m w\xe9rld\r\nLogin: ");
  ASSERT_TRUE(WaitFor([&] { return PaneText().contains("Login: "); }));
  EXPECT_TRUE(PaneText().startsWith(QString::fromUtf8("Hello w\u00e9rld\nLogin: ")));
  EXPECT_EQ(ColourAt("Hello"), QColor(255, 0, 0));
  EXPECT_EQ(ColourAt("rld"), QColor(255, 255, 255));

  // Before the server's first IAC a command ends in CR LF.
  Type("look");
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "look\r\n"; })) << server.Received();
  // One write, sent at once: no part of the command waits for the
  // acknowledgement of another.
  EXPECT_EQ(DataSegmentsReceived(server.client), 1u);
  EXPECT_TRUE(main->mmcommand->toPlainText().isEmpty());
  EXPECT_TRUE(PaneText().contains("Login: look\n"));

  server.Send(Bytes({255, 251, 1, 255, 253, 24}) + "Password: ");
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "look\r\n" + Bytes({255, 253, 1, 255, 251, 24}); }));
  ASSERT_TRUE(WaitFor([&] { return PaneText().endsWith("Password: "); }));

  // After it, CR LF too; the password is sent, but neither seen nor echoed.
  Type("secret");
  const std::string afterPassword = "look\r\n" + Bytes({255, 253, 1, 255, 251, 24}) + "secret\r\n";
  ASSERT_TRUE(WaitFor([&] { return server.Received() == afterPassword; })) << server.Received();
  EXPECT_FALSE(PaneText().contains("secret"));
  EXPECT_EQ(main->mmcommand->palette().color(QPalette::Text), QColor(Qt::black));

  server.Send("\r\nWelcome\r\n> ");
  ASSERT_TRUE(WaitFor([&] { return PaneText().endsWith("> "); }));
  Type("say hi");
  ASSERT_TRUE(WaitFor([&] { return server.Received() == afterPassword + "say hi\r\n"; }));
  EXPECT_EQ(main->mmcommand->palette().color(QPalette::Text), QColor(Qt::white));
  EXPECT_TRUE(PaneText().contains("> say hi"));

  // The pane saved as text: its lines, CR LF after each, in the server's bytes.
  std::string saved = std::string(CLIENT_TEST_OUTPUT_DIR) + "/saved_pane.txt";
  ASSERT_TRUE(main->SavePaneText(saved));
  std::ifstream file(saved, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "Hello w\xe9rld\r\nLogin: look\r\nPassword: \r\nWelcome\r\n> say hi\r\n\r\n");

  // Connect while connected.
  main->btconnect->click();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Already connected.");

  // The server closes: nothing is shown, typed text stays, nothing is sent.
  QString before = PaneText();
  server.CloseClient();
  ASSERT_TRUE(WaitFor([&] { return !main->GetTelnet().Connected(); }));
  Type("north");
  EXPECT_EQ(main->mmcommand->toPlainText(), "north");
  EXPECT_EQ(PaneText(), before);
  EXPECT_EQ(errors.size(), 1u);

  // The text kept is sent on the next connection.
  main->btdisconnect->click();
  server.received.clear();
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  Type("");
  ASSERT_TRUE(WaitFor([&] { return server.Received() == "north\r\n"; })) << server.Received();
}

TEST_F(MainWindowSession, NegotiatesWithExactAnswersAndShowsAnEscapedIac) {
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  // DO 24, WILL 1, WILL 25, DO 31, WILL 3, WONT 1, DONT 24, in two writes
  // that cut a command between IAC and its verb.
  server.Send(Bytes({255, 253, 24, 255, 251, 1, 255, 251, 25, 255}));
  WaitFor([] { return false; }, 50ms);
  server.Send(Bytes({253, 31, 255, 251, 3, 255, 252, 1, 255, 254, 24}));
  const std::string answers =
      Bytes({255, 251, 24, 255, 253, 1, 255, 253, 25, 255, 252, 31, 255, 254, 3, 255, 254, 1, 255, 252, 24});
  ASSERT_TRUE(WaitFor([&] { return server.Received() == answers; })) << server.Received().size();
  // SEND for the terminal type and for another option both get "dumb".
  server.Send(Bytes({255, 250, 24, 1, 255, 240, 255, 250, 31, 1, 255, 240}));
  const std::string terminal = Bytes({255, 250, 24, 0}) + "dumb" + Bytes({255, 240});
  ASSERT_TRUE(WaitFor([&] { return server.Received() == answers + terminal + terminal; }));
  server.Send(Bytes({'a', 255, 255, 'b'}));
  ASSERT_TRUE(WaitFor([&] { return PaneText().contains("b"); }));
  EXPECT_EQ(PaneText(), QString::fromUtf8("a\u00ffb"));
}

TEST_F(MainWindowSession, ConnectToAClosedPortReportsTheSocketError) {
  int port = 0;
  {
    TestServer closed;
    port = closed.port;
  }
  main->GetTelnet().SetPort(port);
  main->btconnect->click();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Socket Error # 111\r\nConnection refused");
  EXPECT_FALSE(main->GetTelnet().Connected());
}

TEST_F(MainWindowSession, DisconnectReturnsPromptlyUnderAFlood) {
  TestServer server;
  main->GetTelnet().SetPort(server.port);
  main->btconnect->click();
  ASSERT_TRUE(server.Accept());
  std::atomic<bool> stop{false};
  std::thread flood([&] {
    std::string chunk;
    for (int i = 0; i < 400; ++i) chunk += "\x1b[32mflood line " + std::to_string(i) + "\x1b[0m\r\n";
    std::size_t sent = 0;
    while (!stop && sent < (1u << 20)) {
      ssize_t n = ::send(server.client, chunk.data(), chunk.size(), MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
  });
  ASSERT_TRUE(WaitFor([&] { return main->mmtelnet->document()->blockCount() > 1000; }, 20000ms));
  auto start = std::chrono::steady_clock::now();
  main->btdisconnect->click();
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 5s);
  EXPECT_FALSE(main->GetTelnet().Connected());
  stop = true;
  server.CloseClient();
  flood.join();
  // Blocks still queued for the window are dropped, not shown.
  main->GetPane().Flush();  // what was handed over before Disconnect
  int lines = main->mmtelnet->document()->blockCount();
  WaitFor([] { return false; }, 100ms);
  EXPECT_EQ(main->mmtelnet->document()->blockCount(), lines);
}

}  // namespace
