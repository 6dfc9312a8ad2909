// The demo server's game without sockets: login, walking the world of a
// table (walls, a house the server does not name, flight), the jump, the
// clock, the weather and the monsters, every answer read back through the
// client's own status-line parser.

#include "tools/demo_server/demo_session.h"

#include "shell/core/status_line.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// The status line of an answer as the client reads it.
TStatusReport StatusOf(const std::string& answer) {
  TStatusReport report;
  std::size_t marker = answer.rfind("|4|");
  std::size_t end = answer.find("\r\n", marker);
  if (marker == std::string::npos || end == std::string::npos) {
    ADD_FAILURE() << "no status line in: " << answer;
    return report;
  }
  std::string error;
  EXPECT_EQ(ParseStatusFields(answer.substr(marker + 3, end - marker - 3), report, error), TStatusParse::Parsed)
      << error;
  return report;
}

const DemoWorld& SampleWorld() {
  static const DemoWorld world = DemoWorld::Load(std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/server-map.txt");
  return world;
}

// Three by three cells: a wall in the north-east, a house the server does
// not name in the east (door to the west on its north cell), the square in
// the middle.
const char* const TinyTable = R"(# test world
size 3
undefined 9 9 0
place 1 1 Square|The square|the square
place 2 0 Den|A den|a quiet den
map
.6.a#0
.7=fUa
.5.dU9
)";

struct Player {
  explicit Player(const DemoWorld& world) : session(world, [this] { return now; }) {
    session.Start();
    session.Receive("bob\n");
    welcome = session.Receive("pw\r\n");
  }
  std::string Do(const std::string& command) { return session.Receive(command + "\r\n"); }
  double now = 0;
  DemoSession session;
  std::string welcome;
};

TEST(DemoSession, NegotiatesLikeATelnetServerAndAsksForLoginAndPassword) {
  DemoSession session(SampleWorld());
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
  // The player starts on the village square.
  TStatusReport status = StatusOf(welcome);
  EXPECT_EQ(status.X, 176);
  EXPECT_EQ(status.Y, 174);
}

TEST(DemoSession, AnswersInColourWithAStatusLineAtEachLf) {
  Player player(SampleWorld());
  for (const char* ending : {"\r\n", "\n"}) {
    std::string answer = player.session.Receive(std::string("look") + ending);
    EXPECT_NE(answer.find("\x1b[36mVillage square\x1b[0m"), std::string::npos) << ending;
    EXPECT_EQ(StatusOf(answer).X, 176) << ending;
    // The status line is long enough for the client to take it.
    std::size_t lineStart = answer.rfind("\r\n", answer.rfind("|4|"));
    EXPECT_GT(answer.find("\r\n", answer.rfind("|4|")) - (lineStart == std::string::npos ? 0 : lineStart + 2), 25u);
  }
  EXPECT_NE(player.Do("xyzzy").find("Huh?"), std::string::npos);
  EXPECT_NE(player.Do("say hello").find("hello"), std::string::npos);
  // A bare CR ends no line, as with most game servers: the command waits for
  // its LF, even in a later read.
  EXPECT_EQ(player.session.Receive("look\r"), "");
  EXPECT_NE(player.session.Receive("\n").find("Village square"), std::string::npos);
  EXPECT_EQ(player.session.Receive("say a\rb"), "");
  EXPECT_NE(player.session.Receive("\r\n").find("You say '\x1b[33mab"), std::string::npos);
}

struct Step {
  const char* command;
  int x, y, z, level;
  const char* says;  // a part of the answer
};

TEST(DemoSession, WalksWallsHousesAndTheAir) {
  const DemoWorld world = DemoWorld::Parse(TinyTable);
  Player player(world);
  const Step steps[] = {
      {"look", 1, 1, 0, 9, "The square"},
      {"north", 1, 2, 0, 11, "You walk north"},
      {"east", 1, 2, 0, 11, "A wall blocks your way east"},
      {"south", 1, 1, 0, 9, "Exits: north south east west up"},
      // The house the server does not name: the undefined area, then the phrase.
      {"east", 9, 9, 0, 8, "|\r\n\x1b[36mYou are in a quiet den."},
      {"up", 9, 9, 0, 8, "The ceiling is in the way"},
      {"north", 9, 9, 0, 8, "A wall blocks"},
      {"west", 1, 1, 0, 9, "You walk west"},
      {"up", 1, 1, 1, 10, "rise into the air"},
      {"up", 1, 1, 2, 10, "You climb higher"},
      {"up", 1, 1, 3, 10, ""},
      {"up", 1, 1, 4, 10, ""},
      {"up", 1, 1, 5, 10, ""},
      {"up", 1, 1, 5, 10, "cannot climb any higher"},
      // Flying crosses walls and roofs, the map's edge stops it.
      {"north", 1, 2, 5, 10, "You fly north"},
      {"east", 2, 2, 5, 10, "You fly east"},
      {"east", 2, 2, 5, 10, "edge of the world"},
      {"south", 2, 1, 5, 10, ""},
      {"down", 2, 1, 4, 10, "You sink lower"},
      {"down", 2, 1, 3, 10, ""},
      {"down", 2, 1, 2, 10, ""},
      {"down", 2, 1, 1, 10, ""},
      {"down", 2, 1, 1, 10, "no room to land"},
      {"west", 1, 1, 1, 10, ""},
      {"down", 1, 1, 0, 9, "You land"},
      {"down", 1, 1, 0, 9, "already on the ground"},
      {"goto den", 9, 9, 0, 8, "somewhere else"},
      {"goto nowhere", 9, 9, 0, 8, "Places: Square, Den."},
  };
  for (const Step& step : steps) {
    std::string answer = player.Do(step.command);
    TStatusReport status = StatusOf(answer);
    EXPECT_EQ(status.X, step.x) << step.command;
    EXPECT_EQ(status.Y, step.y) << step.command;
    EXPECT_EQ(status.Z, step.z) << step.command;
    EXPECT_EQ(status.Level, step.level) << step.command;
    EXPECT_NE(answer.find(step.says), std::string::npos) << step.command << ": " << answer;
  }
}

TEST(DemoSession, JumpsToThePlacesOfTheSampleWorld) {
  Player player(SampleWorld());
  for (const DemoPlace& place : SampleWorld().GetPlaces()) {
    TStatusReport status = StatusOf(player.Do("goto " + place.name));
    if (place.name == "Weaver's house") {
      // Inside a house the server does not name.
      EXPECT_EQ(status.X, 1);
      EXPECT_EQ(status.Y, 1);
    } else {
      EXPECT_EQ(status.X, place.x) << place.name;
      EXPECT_EQ(status.Y, place.y) << place.name;
    }
  }
  EXPECT_EQ(StatusOf(player.Do("goto BEACH")).Level, 12) << "sand";
  EXPECT_EQ(StatusOf(player.Do("goto gate")).Level, 9) << "road";
}

TEST(DemoSession, ClockRunsAnHourAMinuteAndTimeSetsIt) {
  Player player(SampleWorld());
  EXPECT_DOUBLE_EQ(StatusOf(player.welcome).Time, 12.0);
  player.now += 90;
  EXPECT_DOUBLE_EQ(StatusOf(player.Do("look")).Time, 13.5);
  EXPECT_DOUBLE_EQ(StatusOf(player.Do("time 21")).Time, 21.0);
  player.now += 60 * 4;
  EXPECT_DOUBLE_EQ(StatusOf(player.Do("look")).Time, 1.0) << "past midnight";
  EXPECT_DOUBLE_EQ(StatusOf(player.Do("time 6:45")).Time, 6.75);
  EXPECT_NE(player.Do("time 25").find("It is 06:45"), std::string::npos);
}

TEST(DemoSession, WeatherOnCommandAndDriftingWithTheHours) {
  Player player(SampleWorld());
  TStatusReport rain = StatusOf(player.Do("weather rain"));
  EXPECT_DOUBLE_EQ(rain.Cloud, 9.0);
  EXPECT_DOUBLE_EQ(rain.Wind, 5.0);
  TStatusReport fog = StatusOf(player.Do("weather fog"));
  EXPECT_DOUBLE_EQ(fog.Fog, 10.0);
  EXPECT_NE(player.Do("weather snow").find("clear, cloudy, rain, fog or storm"), std::string::npos);
  // An hour later the weather has moved a little, never out of its range.
  TStatusReport before = StatusOf(player.Do("weather storm"));
  bool changed = false;
  for (int hour = 0; hour < 24; ++hour) {
    player.now += 60;
    TStatusReport after = StatusOf(player.Do("look"));
    EXPECT_LE(std::abs(after.Cloud - before.Cloud), 2.0);
    EXPECT_LE(std::abs(after.Wind - before.Wind), 1.0);
    for (double value : {after.Cloud, after.Wind}) {
      EXPECT_GE(value, 0);
      EXPECT_LE(value, 10);
    }
    changed |= after.Cloud != before.Cloud || after.Wind != before.Wind;
    before = after;
  }
  EXPECT_TRUE(changed);
}

TEST(DemoSession, MonstersComeWithPlaceAndHourAndFleeWhenAttacked) {
  Player player(SampleWorld());
  EXPECT_EQ(StatusOf(player.Do("look")).Mobs, std::vector<std::string>{"villager"});
  EXPECT_NE(player.Do("kill villager").find("flees"), std::string::npos);
  EXPECT_TRUE(StatusOf(player.Do("look")).Mobs.empty());
  EXPECT_NE(player.Do("kill dragon").find("no dragon here"), std::string::npos);
  player.now += 60;  // the next hour brings them back
  EXPECT_EQ(StatusOf(player.Do("look")).Mobs, std::vector<std::string>{"villager"});
  EXPECT_TRUE(StatusOf(player.Do("time 23")).Mobs.empty()) << "villagers sleep at night";
  // The guard keeps the gate day and night; the client names him with blanks.
  EXPECT_EQ(StatusOf(player.Do("goto gate")).Mobs, std::vector<std::string>{"guard"});
  EXPECT_NE(player.Do("kill Guard").find("flees"), std::string::npos);
  EXPECT_TRUE(StatusOf(player.Do("up")).Mobs.empty()) << "nothing flies";
}

TEST(DemoSession, QuitClosesAndShutdownStopsTheServer) {
  DemoSession quitting(SampleWorld());
  quitting.Start();
  quitting.Receive("a\nb\n");
  quitting.Receive("quit\r\n");
  EXPECT_TRUE(quitting.WantsClose());
  EXPECT_FALSE(quitting.WantsShutdown());

  DemoSession stopping(SampleWorld());
  stopping.Start();
  stopping.Receive("a\nb\nshutdown\nlook\n");
  EXPECT_TRUE(stopping.WantsShutdown());
}

TEST(DemoSession, OverlongLinesAreCut) {
  DemoSession session(SampleWorld());
  session.Start();
  session.Receive(std::string(100000, 'x') + "\r\n");
  EXPECT_EQ(session.GetPlayer().size(), 20u);
}

TEST(DemoWorld, BrokenTablesSayWhichLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"size 3\nmap\n.6.a#0\n", "short"},
      {"size 3\nmap\n.6.a#0\n.7=fUa\n.5.dUx\n", "line 5"},
      {"size 3\nmap\n.6.a\n", "line 3"},
      {"map\n", "before its size"},
      {"size 0\n", "bad size"},
      {"size 3\nplace 1 1 Square\n", "name, a description and a phrase"},
      {"size 3\nplace 7 1 Far|away|far\nmap\n.6.a#0\n.7=fUa\n.5.dU9\n", "off the map"},
      {"size 3\nrooms 4\n", "unknown entry"},
  };
  for (const auto& [table, message] : cases) {
    try {
      DemoWorld::Parse(table);
      ADD_FAILURE() << "read: " << table;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
  const DemoWorld world = DemoWorld::Parse(TinyTable);
  EXPECT_EQ(world.Ground(2, 2), '#');
  EXPECT_EQ(world.Ground(-1, 0), '#');
  EXPECT_EQ(world.Exits(1, 1), DemoWorld::North | DemoWorld::South | DemoWorld::East | DemoWorld::West);
  EXPECT_EQ(world.UnnamedHousePlace(0, 0)->name, "Den");
}

}  // namespace
