#include "shell/core/receive_splitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Run {
  TColor text;
  TColor back;
  std::uint8_t style;
  std::string chars;
  bool operator==(const Run&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Run& r) {
  return out << "{" << std::hex << r.text << "/" << r.back << "/" << int(r.style) << std::dec << " \"" << r.chars
             << "\"}";
}

using Line = std::vector<Run>;

std::string Text(const Line& line) {
  std::string text;
  for (const Run& r : line) text += r.chars;
  return text;
}

// Records what the handling asks of the pane.
class RecordingPane : public TextPane {
public:
  int LineCount() const override { return static_cast<int>(lines.size()); }
  std::string LastLine(std::size_t maxLength) const override {
    std::string text = lines.empty() ? std::string() : Text(lines.back());
    return text.substr(text.size() - std::min(maxLength, text.size()));
  }
  std::size_t LastLineLength() const override { return lines.empty() ? 0 : Text(lines.back()).size(); }
  std::size_t TextLength() const override {
    std::size_t length = lines.empty() ? 0 : lines.size() - 1;
    for (const Line& line : lines) length += Text(line).size();
    return length;
  }
  int LineAt(std::size_t offset) const override {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::size_t length = Text(lines[i]).size() + 1;
      if (offset < length) return static_cast<int>(i);
      offset -= length;
    }
    return LineCount() - 1;
  }
  void AddLine() override { lines.emplace_back(); }
  void AppendColouredText(const TTextAttributes& a, std::string_view text) override {
    ASSERT_FALSE(lines.empty()) << "text appended before the pane has a line";
    lines.back().push_back(Run{a.TextColor, a.BackColor, a.Style, std::string(text)});
  }
  void DeleteLines(int first, int last) override {
    lines.erase(lines.begin() + first, lines.begin() + last + 1);
  }
  void ShowNewestLine() override { ++shown; }

  std::vector<Line> lines;
  int shown = 0;
};

Run W(std::string s) { return Run{0xFFFFFF, 0, 0, std::move(s)}; }
Run C(TColor text, TColor back, std::string s, std::uint8_t style = 0) {
  return Run{text, back, style, std::move(s)};
}

struct SplitCase {
  const char* name;
  std::vector<std::string> blocks;
  bool strip;
  std::vector<Line> lines;
  std::vector<std::string> recent;
};

// Failures name the case, not its bytes.
void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.name; }

class SplitterTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitterTable, PaneRunsAndRecentLinesMatch) {
  const SplitCase& c = GetParam();
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  for (const std::string& block : c.blocks) splitter.Receive(block, c.strip, 0);
  EXPECT_EQ(pane.lines, c.lines);
  std::vector<std::string> recent(splitter.GetRecentLines().begin(), splitter.GetRecentLines().end());
  EXPECT_EQ(recent, c.recent);
  EXPECT_EQ(pane.shown, static_cast<int>(c.blocks.size()));
}

const std::string Status = "|4|14:30|120,85,0|9|25|60|10|0,0Orc|";

INSTANTIATE_TEST_SUITE_P(
    Receive, SplitterTable,
    ::testing::Values(
        SplitCase{"BlockWithoutCrStaysOnTheLine", {"hello"}, false, {{W("hello")}}, {"hello"}},
        SplitCase{"NextBlockContinuesTheLine", {"ab", "cd"}, false, {{W("ab"), W("cd")}}, {"abcd"}},
        SplitCase{"CrLfEndsALine", {"a\r\nb"}, false, {{W("a")}, {W("b")}}, {"a", "b"}},
        SplitCase{"BareCrEndsALine", {"a\rb"}, false, {{W("a")}, {W("b")}}, {"a", "b"}},
        SplitCase{"LoneLfIsKeptAsText", {"a\nb"}, false, {{W("a\nb")}}, {"a\nb"}},
        SplitCase{"CrLfSplitAcrossBlocksIsOneLineEnd", {"a\r", "\nb"}, false, {{W("a")}, {W("b")}}, {"a", "b"}},
        SplitCase{"LfAfterCrLfIsText", {"a\r\n\nb"}, false, {{W("a")}, {W("\nb")}}, {"a", "\nb"}},
        SplitCase{"EmptyLinesCount", {"\r\n\r\n"}, false, {{}, {}, {}}, {"", "", ""}},
        SplitCase{"RedTextKeepsItsFirstLetters",
                  {"\x1b[31mHello\x1b[0m world"}, false, {{C(0x0000FF, 0, "Hello"), W(" world")}},
                  {"\x1b[31mHello\x1b[0m world"}},
        SplitCase{"EveryForegroundRow",
                  {"\x1b[30ma\x1b[32mb\x1b[33mc\x1b[34md\x1b[35me\x1b[36mf\x1b[37mg"}, false,
                  {{C(0xEEEEEE, 0, "a"), C(0x00FF00, 0, "b"), C(0x00FFFF, 0, "c"), C(0xFF0000, 0, "d"),
                    C(0xFF00FF, 0, "e"), C(0xFFFF00, 0, "f"), C(0xFFFFFF, 0, "g")}},
                  {"\x1b[30ma\x1b[32mb\x1b[33mc\x1b[34md\x1b[35me\x1b[36mf\x1b[37mg"}},
        SplitCase{"Code39IsWhiteBold", {"\x1b[39mX\x1b[31mY\x1b[0mZ"}, false,
                  {{C(0xFFFFFF, 0, "X", fsBold), C(0x0000FF, 0, "Y", fsBold), W("Z")}},
                  {"\x1b[39mX\x1b[31mY\x1b[0mZ"}},
        SplitCase{"BackgroundRowsAreWhiteOnColour",
                  {"\x1b[41ma\x1b[42mb\x1b[44mc\x1b[46md"}, false,
                  {{C(0xFFFFFF, 0x0000FF, "a"), C(0xFFFFFF, 0x00FF00, "b"), C(0xFFFFFF, 0xFF0000, "c"),
                    C(0xFFFFFF, 0xFFFF00, "d")}},
                  {"\x1b[41ma\x1b[42mb\x1b[44mc\x1b[46md"}},
        SplitCase{"ForegroundKeepsTheBackColour", {"\x1b[44m\x1b[33mX"}, false, {{C(0x00FFFF, 0xFF0000, "X")}},
                  {"\x1b[44m\x1b[33mX"}},
        SplitCase{"ReverseIsBlackOnWhite", {"\x1b[7mX"}, false, {{C(0, 0xFFFFFF, "X")}}, {"\x1b[7mX"}},
        SplitCase{"UnknownRowGivesWhiteOnBlack", {"\x1b[44m\x1b[1mX"}, false, {{W("X")}}, {"\x1b[44m\x1b[1mX"}},
        SplitCase{"UnlistedBackgroundShowsNoFinalByte", {"\x1b[43mX"}, false, {{W("X")}}, {"\x1b[43mX"}},
        SplitCase{"LongSequenceIsConsumedWhole", {"\x1b[1;31;40mX"}, false, {{W("X")}}, {"\x1b[1;31;40mX"}},
        SplitCase{"SequenceCutByTheBlockIsCompletedByTheNext", {"a\x1b[3", "2mgreen"}, false,
                  {{W("a"), C(0x00FF00, 0, "green")}}, {"a\x1b[32mgreen"}},
        SplitCase{"EscAloneAtBlockEnd", {"a\x1b", "[34mb"}, false, {{W("a"), C(0xFF0000, 0, "b")}},
                  {"a\x1b[34mb"}},
        SplitCase{"SequenceNeverRunsPastTheLineEnd", {"\x1b[3\r\nX"}, false, {{}, {W("X")}}, {"\x1b[3", "X"}},
        SplitCase{"ShortEscapeIsConsumed", {"\x1b(BX"}, false, {{W("X")}}, {"\x1b(BX"}},
        SplitCase{"ControlByteEndsAMalformedSequence", {"\x1b[3\x07X"}, false, {{W("\x07X")}}, {"\x1b[3\x07X"}},
        SplitCase{"CoordinateLineIsHiddenAndTheTextContinuesItsLine",
                  {"prompt> " + Status + "\r\nYou see a tree.\r\n"}, true,
                  {{W("prompt> "), W("You see a tree.")}, {}},
                  {"prompt> " + Status + "\rYou see a tree.", ""}},
        SplitCase{"CoordinateLineShownWhileHidingIsOff", {"prompt> " + Status + "\r\n"}, false,
                  {{W("prompt> " + Status)}, {}}, {"prompt> " + Status, ""}},
        SplitCase{"ColouredPromptBeforeCoordinates", {"\x1b[32mHP \x1b[0m|4|1|\r\nnext"}, true,
                  {{C(0x00FF00, 0, "HP "), W("next")}}, {"\x1b[32mHP \x1b[0m|4|1|\rnext"}},
        SplitCase{"LineWithSlashIsNotACoordinateLine", {"a|b/c\r\n"}, true, {{W("a|b/c")}, {}}, {"a|b/c", ""}},
        SplitCase{"OnlyTheLastRunDecidesTheLineEnd", {"x|y\x1b[0m plain\r\n"}, true, {{W("x"), W(" plain")}, {}},
                  {"x|y\x1b[0m plain", ""}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(ReceiveSplitter, RecentLinesKeepTheNewest24WithTheOpenLineLast) {
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  std::string block;
  for (int i = 0; i < 30; ++i) block += "line " + std::to_string(i) + "\r\n";
  block += "partial";
  splitter.Receive(block, false, 0);
  const auto& recent = splitter.GetRecentLines();
  ASSERT_EQ(recent.size(), ReceiveSplitter::RecentLineCount);
  EXPECT_EQ(recent.front(), "line 7");
  EXPECT_EQ(recent.back(), "partial");
}

TEST(ReceiveSplitter, LineLimitKeepsTheNewestTenth) {
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  std::string block;
  for (int i = 0; i < 5000; ++i) block += std::to_string(i) + "\r\n";
  splitter.Receive(block, false, 5000);  // 5001 lines with the open one
  ASSERT_EQ(pane.LineCount(), 500);
  EXPECT_EQ(pane.lines.front(), Line{W("4501")});
  EXPECT_TRUE(pane.lines.back().empty());
}

TEST(ReceiveSplitter, LineLimitAtOrUnderTheCountOrDisabledKeepsEverything) {
  for (int limit : {0, -1, 5001}) {
    RecordingPane pane;
    ReceiveSplitter splitter(pane);
    std::string block;
    for (int i = 0; i < 5000; ++i) block += "x\r\n";
    splitter.Receive(block, false, limit);
    EXPECT_EQ(pane.LineCount(), 5001) << limit;
  }
}

TEST(ReceiveSplitter, TinyLineLimitKeepsTheLineBeingReceived) {
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  splitter.Receive("a\r\nb\r\nc", false, 1);
  EXPECT_EQ(pane.lines, (std::vector<Line>{{W("c")}}));
}

TEST(ReceiveSplitter, ALineWithoutEndIsBrokenAtTheBoundAndItsRecentEntryKeepsTheEnd) {
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  const std::size_t bound = MaxPaneLineLength;
  // Two and a half bounds of text in receive-sized blocks, red from the
  // eighth character of the second pane line on, then a prompt.
  const std::string text(bound * 2 + bound / 2, 'x');
  const std::string stream = text.substr(0, bound + 7) + "\x1b[31m" + text.substr(bound + 7) + "Password: ";
  for (std::size_t at = 0; at < stream.size(); at += 32768) splitter.Receive(stream.substr(at, 32768), false, 0);

  ASSERT_EQ(pane.LineCount(), 3);
  EXPECT_EQ(Text(pane.lines[0]), std::string(bound, 'x'));
  EXPECT_EQ(Text(pane.lines[1]), std::string(bound, 'x'));
  EXPECT_EQ(Text(pane.lines[2]), std::string(bound / 2, 'x') + "Password: ");
  EXPECT_EQ(pane.lines[1].front(), W("xxxxxxx"));
  for (const Line* line : {&pane.lines[1], &pane.lines[2]})
    EXPECT_EQ(line->back().text, 0x0000FFu);
  // One recent entry, holding the end of the line: the prompt is seen.
  ASSERT_EQ(splitter.GetRecentLines().size(), 1u);
  const std::string& recent = splitter.GetRecentLines().back();
  EXPECT_EQ(recent.size(), ReceiveSplitter::MaxRecentLineLength);
  EXPECT_EQ(recent, stream.substr(stream.size() - ReceiveSplitter::MaxRecentLineLength));
  EXPECT_TRUE(LineAsksForPassword(pane.LastLine(PasswordTestLength)));

  splitter.Receive("\r\nnext", false, 0);
  EXPECT_EQ(Text(pane.lines.back()), "next");
  EXPECT_EQ(splitter.GetRecentLines().back(), "next");
}

TEST(ReceiveSplitter, PaneTextStaysWithinItsBoundWhateverTheLineLimit) {
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  std::string block;
  for (int i = 0; i < 400; ++i) block += std::string(1000, static_cast<char>('a' + i % 26)) + "\r\n";
  std::size_t most = 0;
  const int blocks = static_cast<int>(ReceiveSplitter::MaxPaneText / block.size()) + 2;
  for (int i = 0; i < blocks; ++i) {
    splitter.Receive(block, false, 0);
    most = std::max(most, pane.TextLength());
  }
  EXPECT_LE(most, ReceiveSplitter::MaxPaneText);
  EXPECT_LT(pane.LineCount(), blocks * 400 + 1);
  // Whole lines go, the oldest first: the newest stay as received.
  ASSERT_GE(pane.LineCount(), 3);
  EXPECT_EQ(Text(pane.lines[pane.lines.size() - 2]), std::string(1000, 'a' + 399 % 26));
  EXPECT_EQ(Text(pane.lines.front()).size(), 1000u);
}

TEST(ReceiveSplitter, ResetStreamDropsAHalfReceivedSequence) {
  RecordingPane pane;
  ReceiveSplitter splitter(pane);
  splitter.Receive("a\x1b[3", false, 0);
  splitter.ResetStream();
  splitter.Receive("2m", false, 0);
  EXPECT_EQ(pane.lines, (std::vector<Line>{{W("a"), W("2m")}}));
}

TEST(IsCoordinateLine, Table) {
  const std::pair<const char*, bool> cases[] = {
      {"|4|14:30|120,85,0|", true}, {"prompt |x", true},  {"no bar", false},  {"| | |", false},
      {"a||b", false},              {"a|b\\c", false},     {"a|b/c", false},   {"a|b..c", false},
      {"|", false},                 {"x|", true},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(IsCoordinateLine(text, true), expected) << text;
    EXPECT_FALSE(IsCoordinateLine(text, false)) << text;
  }
}

TEST(EchoCommand, EndsTheLineUnlessTheCommandReadsAsACoordinateLine) {
  struct EchoCase {
    const char* command;
    bool strip;
    std::vector<Line> lines;
  };
  const EchoCase cases[] = {
      {"look", true, {{W("look")}, {}}},
      {"", true, {{}, {}}},
      // Cut at its "|" like a received coordinate line, and no line end.
      {"a|b", true, {{W("a")}}},
      {"a|b", false, {{W("a|b")}, {}}},
      {"say a|b/c", true, {{W("say a|b/c")}, {}}},
  };
  for (const EchoCase& c : cases) {
    RecordingPane pane;
    pane.AddLine();
    EchoCommand(pane, c.command, c.strip);
    EXPECT_EQ(pane.lines, c.lines) << c.command << " strip " << c.strip;
  }
}

TEST(LineAsksForPassword, AnyCaseAnywhere) {
  EXPECT_TRUE(LineAsksForPassword("Password: "));
  EXPECT_TRUE(LineAsksForPassword("  enter your PaSsWoRd"));
  EXPECT_FALSE(LineAsksForPassword("Pass word"));
  EXPECT_FALSE(LineAsksForPassword(""));
}

TEST(DecodeAnsiSequence, ResetOnlyForExactlyEscBracketZeroM) {
  TTextAttributes bold{0x0000FF, fsBold, 0xFF0000};
  EXPECT_EQ(DecodeAnsiSequence("\x1b[0m", bold), DefaultTextAttributes);
  // ESC[0;1m has no row: white on black, style kept.
  EXPECT_EQ(DecodeAnsiSequence("\x1b[0;1m", bold), (TTextAttributes{0xFFFFFF, fsBold, 0}));
  EXPECT_EQ(DecodeAnsiSequence("\x1b[m", bold), (TTextAttributes{0xFFFFFF, fsBold, 0}));
}

}  // namespace
