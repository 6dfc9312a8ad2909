#include "tools/demo_server/demo_session.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(DemoSession, NegotiatesLikeATelnetServerAndAsksForLoginAndPassword) {
  DemoSession session;
  std::string start = session.Start();
  EXPECT_EQ(start.substr(0, 3), Bytes({255, 253, 24}));  // DO TERMINAL-TYPE
  EXPECT_NE(start.find("\x1b[36m"), std::string::npos);
  EXPECT_EQ(start.substr(start.size() - 7), "Login: ");

  // WILL TERMINAL-TYPE gets SB TERMINAL-TYPE SEND; the answer is kept.
  EXPECT_EQ(session.Receive(Bytes({255, 251, 24})), Bytes({255, 250, 24, 1, 255, 240}));
  EXPECT_EQ(session.Receive(Bytes({255, 250, 24, 0}) + "dumb" + Bytes({255, 240})), "");
  EXPECT_EQ(session.GetTerminalType(), "dumb");

  EXPECT_EQ(session.Receive("bob\r\n"), "\r\n" + Bytes({255, 251, 1}) + "Password: ");
  EXPECT_EQ(session.GetPlayer(), "bob");
  std::string welcome = session.Receive("secret\r\n");
  EXPECT_EQ(welcome.substr(0, 3), Bytes({255, 252, 1}));  // WONT ECHO again
  EXPECT_NE(welcome.find("Welcome, "), std::string::npos);
}

TEST(DemoSession, AnswersCommandsInColourAtEachLf) {
  DemoSession session;
  session.Start();
  session.Receive("bob\n");
  session.Receive("pw\r\n");
  for (const char* ending : {"\r\n", "\n"}) {
    std::string answer = session.Receive(std::string("look") + ending);
    EXPECT_NE(answer.find("Market Square"), std::string::npos) << ending;
    EXPECT_NE(answer.find("\x1b[0m"), std::string::npos);
  }
  EXPECT_NE(session.Receive("xyzzy\r\n").find("Huh?"), std::string::npos);
  EXPECT_NE(session.Receive("say hello\r\n").find("hello"), std::string::npos);
  // A bare CR ends no line, as with most game servers: the command waits for
  // its LF, even in a later read.
  EXPECT_EQ(session.Receive("look\r"), "");
  EXPECT_NE(session.Receive("\n").find("Market Square"), std::string::npos);
  EXPECT_EQ(session.Receive("say a\rb"), "");
  EXPECT_NE(session.Receive("\r\n").find("You say '\x1b[33mab"), std::string::npos);
}

TEST(DemoSession, QuitClosesAndShutdownStopsTheServer) {
  DemoSession quitting;
  quitting.Start();
  quitting.Receive("a\nb\n");
  quitting.Receive("quit\r\n");
  EXPECT_TRUE(quitting.WantsClose());
  EXPECT_FALSE(quitting.WantsShutdown());

  DemoSession stopping;
  stopping.Start();
  stopping.Receive("a\nb\nshutdown\nlook\n");
  EXPECT_TRUE(stopping.WantsShutdown());
}

TEST(DemoSession, OverlongLinesAreCut) {
  DemoSession session;
  session.Start();
  session.Receive(std::string(100000, 'x') + "\r\n");
  EXPECT_EQ(session.GetPlayer().size(), 20u);
}

}  // namespace
