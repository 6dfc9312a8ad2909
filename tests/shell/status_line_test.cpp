// The status line from received blocks to the client's states: the grammar,
// lines split across blocks and line ends, monster tokens, phrases for the
// undefined area, ground heights, the merge, the walking direction and the
// map spot. No window, no GL.

#include "tests/support/status_line_client.h"

#include "client/mud.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Client : StatusLineClient {
  TStatusOutcome Feed(const std::string& block, bool strip = true, bool fog = true) {
    return StatusLineClient::Feed(block, TStatusOptions{fog, strip});
  }
};

// What a state holds of a status line.
struct Seen {
  double time;
  float x, y, z;
  int level;
  double wind, cloud, fog;
  std::vector<std::string> mobs;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
  out << "{time " << s.time << " at " << s.x << "," << s.y << "," << s.z << " level " << s.level << " wind "
      << s.wind << " cloud " << s.cloud << " fog " << s.fog << " mobs";
  for (const std::string& m : s.mobs) out << " [" << m << "]";
  return out << "}";
}

Seen Of(const TMudstate& state) {
  const TVector4f& p = state.GetPosition()->AsVector();
  return Seen{state.Time, p[0],       p[1],        p[2],     state.Level,
              state.Wind, state.Cloud, state.Fog, state.Mobs().Cell(0, 0)};
}

// A new state: nothing received.
const Seen Fresh{0, 0, 0, 0, 0, -1, -1, -1, {}};
const std::string Example = "Hp 30 |4|14:30|120,85,0|9|25|60|2|0,0Orc|0,0Town_guard|";
const Seen ExampleSeen{14.5, 120, 85, 0, 9, 2.5, 6.0, 10, {"Orc", "Town_guard"}};

template <class Change>
Seen With(Seen s, Change change) {
  change(s);
  return s;
}
Seen Mobs(std::vector<std::string> mobs) {
  return With(ExampleSeen, [&](Seen& s) { s.mobs = std::move(mobs); });
}

struct GrammarCase {
  const char* name;
  std::vector<std::string> blocks;
  Seen received;
  bool strip = true;
  bool fog = true;
};
void PrintTo(const GrammarCase& c, std::ostream* out) { *out << c.name; }

class StatusGrammar : public ::testing::TestWithParam<GrammarCase> {};

TEST_P(StatusGrammar, BlocksGiveTheReceivedStateOrLeaveItUnchanged) {
  const GrammarCase& c = GetParam();
  Client client;
  for (const std::string& block : c.blocks) client.Feed(block, c.strip, c.fog);
  EXPECT_EQ(Of(client.received), c.received);
}

const std::string Fields = "|4|14:30|120,85,0|9|25|60|2|";
const std::string Noon = "Hp 30 |4|12:00|120,85,0|9|25|60|2|";
const std::string Late = "Hp 30 |4|23:00|121,85,0|9|25|60|2|";
const Seen LateSeen = With(Mobs({}), [](Seen& s) {
  s.time = 23;
  s.x = 121;
});

INSTANTIATE_TEST_SUITE_P(
    Lines, StatusGrammar,
    ::testing::Values(
        GrammarCase{"ExampleLine", {Example}, ExampleSeen},
        GrammarCase{"ExampleLineEndedByCrLf", {Example + "\r\n"}, ExampleSeen, false},
        GrammarCase{"BarBeforeTheMarker", {"HP|30 |4|14:30|120,85,0|9|25|60|2|0,0Orc|0,0Town_guard|"}, ExampleSeen},
        GrammarCase{"FogFieldIgnoredWhileFogIsOff", {Example}, With(ExampleSeen, [](Seen& s) { s.fog = -1; }), true,
                    false},
        GrammarCase{"OneDigitHourIsRejected", {"Hp 30 |4|9:05|120,85,0|9|25|60|2|"}, Fresh},
        GrammarCase{"OneDigitMinute", {"Hp 30 |4|14:3|120,85,0|9|25|60|2|"},
                    With(Mobs({}), [](Seen& s) { s.time = 14 + 3 / 60.0; })},
        GrammarCase{"AnySeparatorInTheTime", {"Hp 30 |4|14h30|120,85,0|9|25|60|2|"}, Mobs({})},
        // The hour wraps where the time of day is used.
        GrammarCase{"MidnightAsTwentyFour", {"Hp 30 |4|24:00|120,85,0|9|25|60|2|"},
                    With(Mobs({}), [](Seen& s) { s.time = 24; })},
        GrammarCase{"MinutesPastTheHour", {"Hp 30 |4|12:75|120,85,0|9|25|60|2|"},
                    With(Mobs({}), [](Seen& s) { s.time = 13.25; })},
        GrammarCase{"PositionWithoutHeightIsRejected", {"Hp 30 |4|14:30|120,85|9|25|60|2|"}, Fresh},
        GrammarCase{"FractionIsRejected", {"Hp 30 |4|14:30|120,85,0|9|2.5|60|2|"}, Fresh},
        GrammarCase{"NumberBeyondThirtyTwoBitsIsRejected", {"Hp 30 |4|14:30|120,85,0|99999999999|25|60|2|"}, Fresh},
        GrammarCase{"NegativeNumbers", {"Hp 30 |4|14:30|120,85,-2|9|-25|60|2|"},
                    With(Mobs({}), [](Seen& s) {
                      s.z = -2;
                      s.wind = -2.5;
                    })},
        GrammarCase{"LineCutInTheWindFieldWaits", {"Hp 30 |4|14:30|120,85,0|9|2"}, Fresh},
        GrammarCase{"CutLineCompletedByTheNextBlock",
                    {"Hp 30 |4|14:30|120,85,0|9|2", "5|60|2|0,0Orc|0,0Town_guard|"}, ExampleSeen},
        GrammarCase{"MonsterStillArrivingIsNotOne", {"Hp 30 " + Fields + "0,0Orc|0,0Town_gu"}, Mobs({"Orc"})},
        GrammarCase{"TextAfterTheLineOnItsPaneLineIsNotAMonster", {Example + "\r\nYou float in the void.\r\n"},
                    ExampleSeen},
        // A table of the game's own after the status line: its line ends
        // with "|", but the status line had ended before it.
        GrammarCase{"TextAfterTheLineIsNotJoinedToIt", {Example + "\r\nYou see a table.\r\n| Name: Bob |\r\n"},
                    ExampleSeen},
        GrammarCase{"TextAfterTheLineIsNotJoinedToItWhileShown",
                    {Example + "\r\nYou see a table.\r\n| Name: Bob |\r\n"}, ExampleSeen, false},
        GrammarCase{"LineEndClosesTheLastMonster", {"Hp 30 " + Fields + "0,0Orc|0,0Town_guard\r\n"}, ExampleSeen,
                    false},
        GrammarCase{"HiddenLineEndClosesTheLastMonster", {"Hp 30 " + Fields + "0,0Orc|0,0Town_guard\r\nYou see.\r\n"},
                    ExampleSeen},
        GrammarCase{"LineEndClosesTheFogField", {"Hp 30 |4|14:30|120,85,0|9|25|60|2\r\n"}, Mobs({}), false},
        GrammarCase{"LineEndedBeforeItsFieldsIsRejected", {"Hp 30 |4|14:30|120,85,0|9|25\r\n"}, Fresh, false},
        GrammarCase{"EmptyNamesAreNotMonsters", {"Hp 30 " + Fields + "0,0|''|0,0Rat|"}, Mobs({"Rat"})},
        GrammarCase{"ApostrophesLeaveTheName", {"Hp 30 " + Fields + "0,0Orc's_mate|"}, Mobs({"Orcs_mate"})},
        GrammarCase{"PrefixThatIsNoCellBelongsToTheName", {"Hp 30 " + Fields + "Orc,the_great|-1,0Orc|"},
                    Mobs({"Orc,the_great", "-1,0Orc"})},
        GrammarCase{"TokenForAnotherCellIsIgnored", {"Hp 30 " + Fields + "0,12Orc7|1,0Elf|0,0Rat|"}, Mobs({"Rat"})},
        GrammarCase{"PrefixWithoutDigitsAfterItsCommaIsIgnored", {"Hp 30 " + Fields + "0,Orc|0,0Rat|"},
                    Mobs({"Rat"})},
        GrammarCase{"EmptyFieldEndsTheMonsters", {"Hp 30 " + Fields + "0,0Orc||0,0Rat|"}, Mobs({"Orc"})},
        GrammarCase{"LineBrokenByALineEndIsJoined", {"Hp 30 " + Fields + "0,0Orc|0,0To\r\nwn_guard|\r\n"},
                    ExampleSeen, false},
        GrammarCase{"LineBrokenByALineEndWhileHidden", {"Hp 30 " + Fields + "0,0Orc|0,0To\r\nwn_guard|\r\n"},
                    ExampleSeen, true},
        GrammarCase{"LengthIsTestedBeforeTheJoin", {"|4|12:00|1,2,0|9|0|0\r\n0|0,0Orc|\r\n"}, Fresh, false},
        GrammarCase{"TwentyFiveCharactersAreTooFew", {"xx|4|12:00|1,2,0|9|0|0|0|"}, Fresh},
        GrammarCase{"TwentySixCharactersAreEnough", {"xxx|4|12:00|1,2,0|9|0|0|0|"},
                    Seen{12, 1, 2, 0, 9, 0, 0, 0, {}}},
        GrammarCase{"NewestLineWins", {Example + "\r\nHp 30 |4|15:00|121,85,0|9|25|60|2|\r\n"},
                    With(Mobs({}), [](Seen& s) {
                      s.time = 15;
                      s.x = 121;
                    }),
                    false},
        // A server that sends a status line of its own (a change of weather
        // or time) with nothing between it and the last one.
        GrammarCase{"NewerLineOnTheSameHiddenLine", {Noon + "\r\n" + Late + "\r\n"}, LateSeen},
        GrammarCase{"NewerLineInTheNextBlockOnTheSameHiddenLine", {Noon + "\r\n", Late + "\r\n"}, LateSeen},
        GrammarCase{"NewerLineInTheNextBlockWhileShown", {Noon + "\r\n", Late + "\r\n"}, LateSeen, false},
        GrammarCase{"WholeLineStandsWhileTheNewerArrives", {Noon + "\r\n" + Late.substr(0, 30)},
                    With(Mobs({}), [](Seen& s) { s.time = 12; })},
        GrammarCase{"NewestLineMalformedLeavesTheState", {Example + "\r\nHp 30 |4|xx:00|121,85,0|9|25|60|2|\r\n"},
                    Fresh, false}),
    [](const ::testing::TestParamInfo<GrammarCase>& info) { return std::string(info.param.name); });

// What follows a status line's last "|" up to its line end: a monster only
// when it is text of the status line's own, never a control sequence or
// blanks, and never what arrives in a later block once the status line stood
// whole (a prompt that the next line's text continues on the same line).
struct TailCase {
  const char* name;
  std::vector<std::string> blocks;
  std::vector<std::string> mobs;
};
void PrintTo(const TailCase& c, std::ostream* out) { *out << c.name; }

class WhatFollowsTheLastBar : public ::testing::TestWithParam<TailCase> {};

TEST_P(WhatFollowsTheLastBar, IsAMonsterOnlyWhenTheStatusLineSentIt) {
  const TailCase& c = GetParam();
  for (bool strip : {false, true}) {
    Client client;
    for (const std::string& block : c.blocks) client.Feed(block, strip);
    EXPECT_EQ(Of(client.received), Mobs(c.mobs)) << (strip ? "coordinates hidden" : "coordinates shown");
  }
}

const std::string Cell = "Hp 30 " + Fields;  // a status line up to its monsters

INSTANTIATE_TEST_SUITE_P(
    Tails, WhatFollowsTheLastBar,
    ::testing::Values(
        // A server that colours the line ends it with a reset of the colours.
        TailCase{"ColourResetAfterTheLastBar", {"\x1b[32m" + Cell + "0,0Orc|\x1b[0m\r\n"}, {"Orc"}},
        TailCase{"ColourResetThenALineEndingInABar", {"\x1b[32m" + Cell + "0,0Orc|\x1b[0m\r\n| Bob |\r\n"}, {"Orc"}},
        TailCase{"BlankAfterTheLastBar", {Cell + "0,0Orc| \r\n"}, {"Orc"}},
        TailCase{"NextLinesTextInTheNextBlock", {Cell + "0,0Orc|", "You are hungry.\r\n"}, {"Orc"}},
        TailCase{"NextLinesTextOverTwoMoreBlocks", {Cell + "0,0Orc|", "You are ", "hungry.\r\n"}, {"Orc"}},
        TailCase{"NextLinesTextAfterABlankInTheNextBlock", {Cell + "0,0Orc| ", "You are hungry.\r\n"}, {"Orc"}},
        TailCase{"NextLinesTextAfterTheFogField", {Cell, "A rat arrives.\r\n"}, {}},
        TailCase{"LastTokenWithoutItsBar", {Cell + "0,0Orc|Bob\r\n"}, {"Orc", "Bob"}},
        TailCase{"ColouredLastTokenWithoutItsBar", {Cell + "0,0Orc|\x1b[31mBob\x1b[0m \r\n"}, {"Orc", "Bob"}},
        TailCase{"ColouredMonster", {Cell + "\x1b[31m0,0Orc\x1b[0m|\r\n"}, {"Orc"}},
        TailCase{"BlankFieldIsNoMonster", {Cell + "0,0Orc| |0,0Rat|\r\n"}, {"Orc", "Rat"}},
        TailCase{"LastTokenCutByTheBlock", {Cell + "0,0Orc|Bo", "b\r\n"}, {"Orc", "Bob"}},
        TailCase{"ClosedMonsterInTheNextBlock", {Cell + "0,0Orc|", "0,0Rat|Bob\r\n"}, {"Orc", "Rat", "Bob"}},
        // The same status line again, sent whole with a last token of its own.
        TailCase{"SameLineAgainWithItsOwnLastToken", {Cell + "0,0Orc|", "\r\n" + Cell + "0,0Orc|Bob\r\n"},
                 {"Orc", "Bob"}}),
    [](const ::testing::TestParamInfo<TailCase>& info) { return std::string(info.param.name); });

TEST(StatusLine, LineSplitAtAnyByteGivesTheWholeLinesValues) {
  const std::string text = Example + "\r\n";
  for (bool strip : {false, true}) {
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      Client client;
      client.Feed(text.substr(0, cut), strip);
      client.Feed(text.substr(cut), strip);
      EXPECT_EQ(Of(client.received), ExampleSeen) << "cut at " << cut << (strip ? " hidden" : "");
      EXPECT_EQ(Of(client.current).mobs, ExampleSeen.mobs) << "cut at " << cut;
    }
  }
}

TEST(StatusLine, MalformedLineIsReportedOnceAndChangesNothing) {
  Client client;
  TStatusOutcome first = client.Feed("Hp 30 |4|14:30|120,85|9|25|60|2|", false);
  EXPECT_FALSE(first.Merged);
  EXPECT_NE(first.Rejected.find("position"), std::string::npos) << first.Rejected;
  // Parsed again with the next block while it is the newest: said once.
  EXPECT_TRUE(client.Feed("\r\n", false).Rejected.empty());
  EXPECT_EQ(client.updates, 0);
  EXPECT_EQ(Of(client.current), Fresh);
}

struct PhraseCase {
  const char* name;
  std::string blocks;
  bool strip;
  float x, y;
};
void PrintTo(const PhraseCase& c, std::ostream* out) { *out << c.name; }

class UndefinedAreaPhrases : public ::testing::TestWithParam<PhraseCase> {};

TEST_P(UndefinedAreaPhrases, PlaceThePlayer) {
  const PhraseCase& c = GetParam();
  Client client;
  client.area.phrases.Add(5, 6, "the void");
  client.area.phrases.Add(7, 8, "void");
  client.Feed(c.blocks, c.strip);
  const TVector4f& p = client.current.GetPosition()->AsVector();
  EXPECT_EQ(p[0], c.x);
  EXPECT_EQ(p[1], c.y);
  // The undefined area teaches no ground height.
  EXPECT_FALSE(client.heights.FindHeight(1, 1));
}

const std::string AtArea = "Hp 30 |4|12:00|1,1,0|9|0|0|0|";

INSTANTIATE_TEST_SUITE_P(
    Phrases, UndefinedAreaPhrases,
    ::testing::Values(PhraseCase{"HiddenLineKeepsTheNextTextOnItsLine", AtArea + "\r\nYou enter the void.\r\n",
                                 true, 5, 6},
                      PhraseCase{"FirstPhraseInListOrderWins", AtArea + "\r\nA void.\r\n", true, 7, 8},
                      PhraseCase{"ShownLineLooksAtTheNextLine", AtArea + "\r\nYou enter the void.\r\n", false, 5, 6},
                      PhraseCase{"ShownLineIgnoresItsOwnText", "the void " + AtArea + "\r\nNothing.\r\n", false, 1, 1},
                      PhraseCase{"HiddenLineIgnoresLaterLines", AtArea + "\r\nA path.\r\nthe void\r\n", true, 1, 1},
                      PhraseCase{"JoinedLineLooksPastItsSecondPart",
                                 "Hp 30 |4|12:00|1,1,0|9|0|0|0|0,0Or\r\nc|\r\nYou enter the void.\r\n", false, 5, 6},
                      PhraseCase{"PhrasesAreCaseSensitive", AtArea + "\r\nThe Void.\r\n", true, 1, 1},
                      PhraseCase{"NoPhraseKeepsTheAreasPosition", AtArea + "\r\nFog.\r\n", true, 1, 1},
                      PhraseCase{"PositionOutsideTheAreaIsKept", "Hp 30 |4|12:00|2,1,0|9|0|0|0|\r\nthe void\r\n",
                                 true, 2, 1}),
    [](const ::testing::TestParamInfo<PhraseCase>& info) { return std::string(info.param.name); });

// As a game server sends it: an answer, then the status line as the prompt.
std::string Line(int x, int y, int z, int level) {
  return "You move.\r\nHp 30 |4|12:00|" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z) +
         "|" + std::to_string(level) + "|0|0|0|";
}

TEST(StatusLine, GroundHeightsAreLearntOnTheGroundAndTheFirstStays) {
  Client client;
  client.Feed(Line(10, 10, 2, 9));
  client.Feed(Line(10, 10, 5, 9));
  client.Feed(Line(11, 10, 3, 10));  // flying
  client.Feed(Line(12, 10, 1, 7));   // swimming
  client.Feed(Line(13, 10, 4, 22));
  EXPECT_EQ(client.heights.FindHeight(10, 10), 2);
  EXPECT_FALSE(client.heights.FindHeight(11, 10));
  EXPECT_FALSE(client.heights.FindHeight(12, 10));
  EXPECT_EQ(client.heights.FindHeight(13, 10), 4);
}

struct Place {
  int x, y, z, level;
};
struct MoveCase {
  const char* name;
  std::vector<Place> path;
  TAffineVector direction;  // of the current state afterwards
  int updates;
};
void PrintTo(const MoveCase& c, std::ostream* out) { *out << c.name; }

class WalkingDirection : public ::testing::TestWithParam<MoveCase> {};

TEST_P(WalkingDirection, FollowsMovesAcrossTheMap) {
  const MoveCase& c = GetParam();
  Client client;
  client.current.GetDirection()->SetVector(0, -1, 0);  // as start-up leaves it
  for (const Place& p : c.path) client.Feed(Line(p.x, p.y, p.z, p.level));
  const TVector4f& d = client.current.GetDirection()->AsVector();
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(d[i], c.direction[i], 1e-6) << i;
  EXPECT_EQ(client.updates, c.updates);
  const TVector4f& up = client.current.GetUp()->AsVector();
  EXPECT_NEAR(up[2], 1.0, 1e-6) << "Up stays (0, 0, 1)";
}

const float JumpX = 56 / std::hypot(56.0f, 89.0f), JumpY = 89 / std::hypot(56.0f, 89.0f);

INSTANTIATE_TEST_SUITE_P(
    Moves, WalkingDirection,
    ::testing::Values(
        MoveCase{"StepEast", {{10, 10, 0, 9}, {11, 10, 0, 9}}, {1, 0, 0}, 2},
        MoveCase{"StepNorth", {{10, 10, 0, 9}, {10, 11, 0, 9}}, {0, 1, 0}, 2},
        MoveCase{"JumpFacesWhereItWent", {{120, 85, 0, 9}, {176, 174, 0, 9}}, {JumpX, JumpY, 0}, 2},
        MoveCase{"FirstPositionKeepsTheStartDirection", {{120, 85, 0, 9}}, {0, -1, 0}, 1},
        MoveCase{"LevelOnlyChangeKeepsTheDirection", {{10, 10, 0, 9}, {10, 10, 0, 11}}, {0, -1, 0}, 2},
        MoveCase{"HeightOnlyChangeKeepsTheDirection", {{10, 10, 0, 9}, {10, 10, 1, 9}}, {0, -1, 0}, 2},
        MoveCase{"FlyingUpKeepsTheDirection", {{10, 10, 0, 9}, {10, 11, 0, 9}, {10, 11, 1, 10}, {10, 11, 2, 10}},
                 {0, 1, 0}, 4},
        MoveCase{"ClimbingStepTurnsOnlyAcrossTheMap", {{10, 10, 1, 10}, {10, 11, 3, 10}}, {0, 1, 0}, 2},
        MoveCase{"SameLineAgainChangesNothing", {{10, 10, 0, 9}, {10, 10, 0, 9}}, {0, -1, 0}, 1},
        MoveCase{"FirstLineInTheUndefinedAreaUpdates", {{1, 1, 0, 9}}, {0, -1, 0}, 1},
        MoveCase{"LeavingTheUndefinedAreaWaitsForTheNextChange", {{1, 1, 0, 9}, {10, 10, 0, 9}}, {0, -1, 0}, 1},
        MoveCase{"AfterLeavingTheNextStepMoves", {{1, 1, 0, 9}, {10, 10, 0, 9}, {11, 10, 0, 9}}, {1, 0, 0}, 2}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

// A status line of the cell where the player stands, at a time, with
// monsters, as the prompt after an answer.
std::string StandingLine(const std::string& answer, const std::string& time, const std::string& monsters = "",
                         const std::string& cloud = "60") {
  return answer + "\r\nHp 30 |4|" + time + "|10,10,0|9|25|" + cloud + "|2|" + monsters;
}

struct StandingCase {
  const char* name;
  std::vector<std::string> blocks;
  int updates;
};
void PrintTo(const StandingCase& c, std::ostream* out) { *out << c.name; }

class StandingStill : public ::testing::TestWithParam<StandingCase> {};

TEST_P(StandingStill, UpdatesTheViewWhenWhatItShowsChangedAndKeepsTheDirection) {
  const StandingCase& c = GetParam();
  Client client;
  client.current.GetDirection()->SetVector(0, -1, 0);  // as start-up leaves it
  for (const std::string& block : c.blocks) client.Feed(block);
  EXPECT_EQ(client.updates, c.updates);
  const TVector4f& d = client.current.GetDirection()->AsVector();
  EXPECT_NEAR(d[0], 0, 1e-6);
  EXPECT_NEAR(d[1], -1, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    SameCell, StandingStill,
    ::testing::Values(
        StandingCase{"SameLineAgainChangesNothing",
                     {StandingLine("You wait.", "12:00"), StandingLine("You wait.", "12:00")}, 1},
        StandingCase{"NightFalls", {StandingLine("You wait.", "12:00"), StandingLine("You wait.", "23:00")}, 2},
        StandingCase{"AMonsterArrives",
                     {StandingLine("You wait.", "12:00"), StandingLine("A villager arrives.", "12:00", "0,0villager|")},
                     2},
        StandingCase{"AMonsterLeaves",
                     {StandingLine("You wait.", "12:00", "0,0villager|"),
                      StandingLine("You wait.", "12:00", "0,0villager|"),
                      StandingLine("The villager leaves.", "12:00")},
                     2},
        StandingCase{"AnotherMonsterInItsPlace",
                     {StandingLine("You wait.", "12:00", "0,0villager|"),
                      StandingLine("You wait.", "12:00", "0,0guard|")},
                     2},
        // A cloud field of -10 leaves the cloud unset; the next one is taken.
        StandingCase{"CloudTakenOnceSet",
                     {StandingLine("You wait.", "12:00", "", "-10"), StandingLine("You wait.", "12:00", "", "60"),
                      StandingLine("You wait.", "12:00", "", "70")},
                     2},
        // The undefined area's cell.
        StandingCase{"NightFallsInTheUndefinedArea",
                     {"Hp 30 |4|12:00|1,1,0|9|25|60|2|\r\n", "Hp 30 |4|23:00|1,1,0|9|25|60|2|\r\n"}, 2},
        StandingCase{"UndefinedAreaUnchangedChangesNothing",
                     {"Hp 30 |4|12:00|1,1,0|9|25|60|2|\r\n", "Hp 30 |4|12:00|1,1,0|9|25|60|2|\r\n"}, 1}),
    [](const ::testing::TestParamInfo<StandingCase>& info) { return std::string(info.param.name); });

TEST(StatusLine, MergeTakesPlaceTimeAndMonstersAndWeatherOnlyWhileUnset) {
  Client client;
  client.current.Fog = 3;
  client.current.Rain = 4;
  client.Feed(Example + "\r\n");
  EXPECT_EQ(Of(client.current), With(ExampleSeen, [](Seen& s) { s.fog = 3; }));
  EXPECT_EQ(client.current.Rain, 4);

  client.Feed("You wait.\r\nHp 30 |4|15:00|121,85,0|11|80|30|4|");
  EXPECT_EQ(Of(client.received), (Seen{15, 121, 85, 0, 11, 8, 3, 20, {}}));
  // Cloud and wind now ease toward the received values frame by frame.
  EXPECT_EQ(Of(client.current), (Seen{15, 121, 85, 0, 11, 2.5, 6, 3, {}}));
  EXPECT_EQ(client.current.Rain, 4);
  // The previous state is a copy of the current one.
  EXPECT_EQ(Of(client.previous), Of(client.current));
  client.received.Mobs().Cell(0, 0).push_back("Ghost");
  EXPECT_TRUE(client.current.Mobs().Cell(0, 0).empty());
}

// A cloud taken directly, while the current one is unset, is taken within
// the range the per-frame step eases in: a heavier one looks no different,
// and would have the whole environment applied every frame for minutes.
TEST(StatusLine, CloudTakenDirectlyIsTakenWithinTheEasingsRange) {
  const struct {
    const char* field;
    double taken;
  } cases[] = {{"60", 6.0}, {"300", TMud::kDarkestCloud}, {"400", TMud::kDarkestCloud},
               {"-5", 0.0}, {"-10", -1.0}};  // -1: unset still, the next line's is taken
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    Client client;
    client.Feed(std::string("Hp 30 |4|14:30|120,85,0|9|25|") + c.field + "|2|");
    EXPECT_EQ(client.received.Cloud, std::atof(c.field) / 10);
    EXPECT_EQ(client.current.Cloud, c.taken);
  }
}

TEST(StatusLine, MapSpotShowsFromTheSecondLineOn) {
  Client client;
  EXPECT_FALSE(client.Feed(Line(120, 85, 0, 9)).SpotShown);
  TStatusOutcome second = client.Feed(Line(121, 87, 0, 9));
  ASSERT_TRUE(second.SpotShown);
  // Half scale, north up, halves to the even neighbour: 60.5 -> 60, 43.5 -> 44.
  EXPECT_EQ(second.Spot.Left, 60);
  EXPECT_EQ(second.Spot.Top, 179 - 44);
  EXPECT_FALSE(client.Feed(Line(0, 0, 0, 9)).SpotShown);
}

TEST(MapSpotOffset, HalfScaleNorthUpHalvesToEven) {
  const struct {
    double x, y;
    int left, top;
  } cases[] = {{0, 0, 0, 179}, {120, 85, 60, 137}, {357, 357, 178, 1}, {1, 1, 0, 179}, {3, 3, 2, 177}};
  for (const auto& c : cases) {
    TMapSpotOffset spot = MapSpotOffset(c.x, c.y);
    EXPECT_EQ(spot.Left, c.left) << c.x;
    EXPECT_EQ(spot.Top, c.top) << c.y;
  }
}

}  // namespace
