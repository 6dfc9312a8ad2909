#include "shell/core/telnet_codec.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

const std::string TtypeReply = Bytes({255, 250, 24, 0}) + "dumb" + Bytes({255, 240});

struct CodecCase {
  const char* name;
  std::vector<std::string> reads;  // one entry per receive
  std::string data;
  std::string replies;
  bool peerIsTelnetServer;
};

// Failures name the case, not its bytes.
void PrintTo(const CodecCase& c, std::ostream* out) { *out << c.name; }

class CodecTable : public ::testing::TestWithParam<CodecCase> {};

TEST_P(CodecTable, AnswersAndDataMatchTheTable) {
  const CodecCase& c = GetParam();
  TelnetCodec codec;
  std::string data;
  std::string replies;
  for (const std::string& read : c.reads) codec.Receive(read, data, replies);
  EXPECT_EQ(data, c.data);
  EXPECT_EQ(replies, c.replies);
  EXPECT_EQ(codec.GetPeerIsTelnetServer(), c.peerIsTelnetServer);
}

INSTANTIATE_TEST_SUITE_P(
    Telnet, CodecTable,
    ::testing::Values(
        CodecCase{"PlainTextPassesAndMarksNothing", {"hello\r\n"}, "hello\r\n", "", false},
        CodecCase{"IacIacIsOneDataByte", {Bytes({'a', 255, 255, 'b'})}, Bytes({'a', 255, 'b'}), "", true},
        CodecCase{"WillEchoGetsDoEcho", {Bytes({255, 251, 1})}, "", Bytes({255, 253, 1}), true},
        CodecCase{"WillEndOfRecordGetsDo", {Bytes({255, 251, 25})}, "", Bytes({255, 253, 25}), true},
        CodecCase{"WillOtherGetsDont", {Bytes({255, 251, 31})}, "", Bytes({255, 254, 31}), true},
        CodecCase{"WillTerminalTypeGetsDont", {Bytes({255, 251, 24})}, "", Bytes({255, 254, 24}), true},
        CodecCase{"DoEchoGetsWill", {Bytes({255, 253, 1})}, "", Bytes({255, 251, 1}), true},
        CodecCase{"DoTerminalTypeGetsWill", {Bytes({255, 253, 24})}, "", Bytes({255, 251, 24}), true},
        CodecCase{"DoOtherGetsWont", {Bytes({255, 253, 31})}, "", Bytes({255, 252, 31}), true},
        CodecCase{"DoEndOfRecordGetsWont", {Bytes({255, 253, 25})}, "", Bytes({255, 252, 25}), true},
        CodecCase{"WontGetsDont", {Bytes({255, 252, 1})}, "", Bytes({255, 254, 1}), true},
        CodecCase{"WontUnknownGetsDont", {Bytes({255, 252, 200})}, "", Bytes({255, 254, 200}), true},
        CodecCase{"DontGetsWont", {Bytes({255, 254, 24})}, "", Bytes({255, 252, 24}), true},
        CodecCase{"DontOtherGetsWont", {Bytes({255, 254, 3})}, "", Bytes({255, 252, 3}), true},
        CodecCase{"SbSendForTerminalTypeGetsTerminal", {Bytes({255, 250, 24, 1, 255, 240})}, "", TtypeReply, true},
        CodecCase{"SbSendForOtherOptionAlsoGetsTerminal", {Bytes({255, 250, 31, 1, 255, 240})}, "", TtypeReply, true},
        CodecCase{"SbWithoutSendIsDropped", {Bytes({255, 250, 24, 0, 'x', 255, 240})}, "", "", true},
        CodecCase{"EmptySbIsDropped", {Bytes({255, 250, 24, 255, 240})}, "", "", true},
        CodecCase{"EscapedIacInsideSbIsData", {Bytes({255, 250, 24, 1, 255, 255, 255, 240})}, "", TtypeReply, true},
        CodecCase{"CommandsWithoutOptionAreDropped",
                  {Bytes({'a', 255, 241, 'b', 255, 249, 'c', 255, 239, 'd', 255, 246, 'e'})}, "abcde", "", true},
        CodecCase{"DataAroundCommandsIsKept", {Bytes({'a', 255, 253, 1, 'b'})}, "ab", Bytes({255, 251, 1}), true},
        CodecCase{"IacAloneAtEndOfRead", {Bytes({'a', 255}), Bytes({251, 1, 'b'})}, "ab", Bytes({255, 253, 1}), true},
        CodecCase{"IacAndVerbApart", {Bytes({255, 253}), Bytes({24})}, "", Bytes({255, 251, 24}), true},
        CodecCase{"EveryByteApart", {Bytes({255}), Bytes({254}), Bytes({1})}, "", Bytes({255, 252, 1}), true},
        CodecCase{"IacIacAcrossReads", {Bytes({255}), Bytes({255, 'z'})}, Bytes({255, 'z'}), "", true},
        CodecCase{"SbDataAcrossReads",
                  {Bytes({255, 250}), Bytes({24}), Bytes({1}), Bytes({255}), Bytes({240, 'k'})}, "k", TtypeReply,
                  true},
        CodecCase{"SbCollectedAfreshEachTime",
                  {Bytes({255, 250, 24, 0, 255, 240, 255, 250, 24, 1, 255, 240})}, "", TtypeReply, true},
        CodecCase{"UnterminatedSbEndsAtNextCommand", {Bytes({255, 250, 24, 1, 255, 253, 1, 'x'})}, "x",
                  Bytes({255, 251, 1}), true},
        CodecCase{"RepliesKeepTheOrderMet",
                  {Bytes({255, 253, 24, 255, 251, 1, 255, 251, 25, 255, 253, 31, 255, 251, 3, 255, 252, 1, 255, 254,
                          24})},
                  "",
                  Bytes({255, 251, 24, 255, 253, 1, 255, 253, 25, 255, 252, 31, 255, 254, 3, 255, 254, 1, 255, 252,
                         24}),
                  true}),
    [](const ::testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

TEST(TelnetCodec, TerminalTypeIsTheConfiguredOneOrDumbWhenEmpty) {
  for (const auto& [terminal, sent] : {std::pair<std::string, std::string>{"vt100", "vt100"}, {"", "dumb"}}) {
    TelnetCodec codec(terminal);
    std::string data, replies;
    codec.Receive(Bytes({255, 250, 24, 1, 255, 240}), data, replies);
    EXPECT_EQ(replies, Bytes({255, 250, 24, 0}) + sent + Bytes({255, 240}));
  }
}

TEST(TelnetCodec, CarriageReturnIsCrLfBeforeAndAfterTheServersFirstIac) {
  TelnetCodec codec;
  EXPECT_EQ(codec.EncodeCharacter('\r'), "\r\n");
  EXPECT_EQ(codec.EncodeCharacter('a'), "a");
  EXPECT_EQ(codec.EncodeCharacter('\n'), "\n");
  std::string data, replies;
  codec.Receive(Bytes({255, 241}), data, replies);
  ASSERT_TRUE(codec.GetPeerIsTelnetServer());
  // Telnet servers wait for the LF: a bare CR would lose every command.
  EXPECT_EQ(codec.EncodeCharacter('\r'), "\r\n");
  codec.ClearPeerMark();
  EXPECT_FALSE(codec.GetPeerIsTelnetServer());
  EXPECT_EQ(codec.EncodeCharacter('\r'), "\r\n");
}

TEST(TelnetCodec, TypedByte255IsDoubledSoItIsNotACommand) {
  TelnetCodec codec;
  EXPECT_EQ(codec.EncodeCharacter('\xff'), Bytes({255, 255}));
}

TEST(TelnetCodec, OverlongSubnegotiationIsBoundedAndStillEnds) {
  TelnetCodec codec;
  std::string data, replies;
  std::string sb = Bytes({255, 250, 24, 1}) + std::string(100000, 'q') + Bytes({255, 240}) + "after";
  codec.Receive(sb, data, replies);
  EXPECT_EQ(replies, TtypeReply);
  EXPECT_EQ(data, "after");
}

}  // namespace
