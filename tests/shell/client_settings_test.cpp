#include "shell/core/client_settings.h"

#include "client/mud_state.h"
#include "engine/gl_coordinates.h"
#include "platform/ini/ini_file.h"

#include <gtest/gtest.h>

#include <charconv>
#include <functional>
#include <string>

namespace {

IniFile FromText(const std::string& text) {
  IniFile ini;
  ini.SetText(text);
  return ini;
}

const TStartPosition kHarbour{"120", "85"};
// What a screen of 1280 x 1024 leaves for the panels.
const TPanelRoom kScreen{1180, 760};

}  // namespace

TEST(ClientSettings, WithoutAFileEveryKeyHasItsDefault) {
  IniFile empty;
  TClientSettings s = ReadClientSettings(empty, kHarbour, kScreen);
  EXPECT_FALSE(s.NoSound);
  EXPECT_EQ(s.Speed, "1");
  EXPECT_EQ(s.Level, "11");
  EXPECT_EQ(s.Time, "12");
  EXPECT_FALSE(s.Fly);
  EXPECT_EQ(s.X, "120");
  EXPECT_EQ(s.Y, "85");
  EXPECT_FALSE(s.ShowMudXY);
  EXPECT_TRUE(s.StripTelnetCoords);
  EXPECT_FALSE(s.ShowStats);
  EXPECT_TRUE(s.FogEnabled);
  EXPECT_TRUE(s.MouseMove);
  EXPECT_EQ(s.MaxTelnetLines, "5000");
  EXPECT_FALSE(s.Map);
  EXPECT_FALSE(s.GodMode);
  EXPECT_EQ(s.MouseSensitivity, 5);
  EXPECT_EQ(s.ViewerHeight, 209);
  EXPECT_EQ(s.RightWidth, 1);

  TMudstate state;
  ApplyClientSettings(s, state);
  EXPECT_EQ(state.Level, 11);
  EXPECT_EQ(state.Time, 12.0);
  EXPECT_EQ(state.Rain, 0.0);
  EXPECT_EQ(state.Cloud, 0.0);
  EXPECT_EQ(state.Wind, 0.0);
  EXPECT_EQ(state.Fog, 0.0);
  EXPECT_EQ(state.GetPosition()->GetX(), 120.0f);
  EXPECT_EQ(state.GetPosition()->GetY(), 85.0f);
  EXPECT_EQ(state.GetPosition()->GetZ(), 0.0f);

  TClientSettings noLocation = ReadClientSettings(FromText("[3dclient]\nx=7\ny=8\n"), std::nullopt, kScreen);
  EXPECT_EQ(noLocation.X, "0") << "x is not read without a god-mode location";
  EXPECT_EQ(noLocation.Y, "0");
}

TEST(ClientSettings, StoredValuesAreReadAndUnreadableOnesFallBack) {
  struct Case {
    const char* line;
    std::function<void(const TClientSettings&, const TMudstate&)> check;
  } cases[] = {
      {"x=40.25\ny=50", [](auto& s, auto& m) { EXPECT_EQ(s.X, "40.25"); EXPECT_EQ(m.GetPosition()->GetX(), 40.25f);
                                               EXPECT_EQ(m.GetPosition()->GetY(), 50.0f); }},
      {"x=abc\ny=", [](auto& s, auto& m) { EXPECT_EQ(s.X, "120"); EXPECT_EQ(s.Y, "85"); }},
      {"viewerheight=6", [](auto& s, auto&) { EXPECT_EQ(s.ViewerHeight, 6); }},
      {"level=abc", [](auto& s, auto& m) { EXPECT_EQ(s.Level, "abc"); EXPECT_EQ(m.Level, 0); }},
      {"level=9", [](auto&, auto& m) { EXPECT_EQ(m.Level, 9); }},
      {"time=noon", [](auto& s, auto& m) { EXPECT_EQ(s.Time, "noon"); EXPECT_EQ(m.Time, 12.0); }},
      {"time=14.5", [](auto& s, auto& m) { EXPECT_EQ(s.Time, "14.5"); EXPECT_EQ(m.Time, 14.5); }},
      {"rain=wet\ncloud=6\nwind=2.5\nfog=-1",
       [](auto&, auto& m) { EXPECT_EQ(m.Rain, 0.0); EXPECT_EQ(m.Cloud, 6.0); EXPECT_EQ(m.Wind, 2.5);
                            EXPECT_EQ(m.Fog, -1.0); }},
      {"mousesensitivity=high\nnosound=yes", [](auto& s, auto&) { EXPECT_EQ(s.MouseSensitivity, 5);
                                                                 EXPECT_FALSE(s.NoSound); }},
      {"striptelnetcoords=0\nfogenabled=0\nmousemove=0\ngodmode=2\nmap=1",
       [](auto& s, auto&) { EXPECT_FALSE(s.StripTelnetCoords); EXPECT_FALSE(s.FogEnabled); EXPECT_FALSE(s.MouseMove);
                            EXPECT_TRUE(s.GodMode); EXPECT_TRUE(s.Map); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TClientSettings s = ReadClientSettings(FromText(std::string("[3DClient]\n") + c.line + "\n"), kHarbour, kScreen);
    TMudstate state;
    ApplyClientSettings(s, state);
    c.check(s, state);
  }
  // A start position that is itself no number gives 0.
  TClientSettings broken = ReadClientSettings(FromText("[3dclient]\nx=?\n"), TStartPosition{"far", ""}, kScreen);
  EXPECT_EQ(broken.X, "0");
  EXPECT_EQ(broken.Y, "0");
}

// What the program takes of a key: the text an edit shows and the number
// it gives, the panel sizes, the bar's position, the state's values.
std::string Used(const std::string& key, const IniFile& ini, const TClientSettings& s, const TMudstate& m) {
  auto number = [](double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
  };
  if (key == "speed") return s.Speed + ", step " + number(MovementStep(s.Speed));
  if (key == "level") return s.Level + ", type " + std::to_string(m.Level);
  if (key == "time") return s.Time + ", hour " + number(m.Time);
  if (key == "x") return number(m.GetPosition()->GetX());
  if (key == "mousesensitivity") return std::to_string(s.MouseSensitivity);
  if (key == "viewerheight") return std::to_string(s.ViewerHeight);
  if (key == "rightwidth") return std::to_string(s.RightWidth);
  if (key == "telnetheight") return std::to_string(ReadTelnetHeight(ini, kScreen));
  if (key == "rain") return number(m.Rain);
  if (key == "cloud") return number(m.Cloud);
  if (key == "wind") return number(m.Wind);
  if (key == "fog") return number(m.Fog);
  ADD_FAILURE() << "no use known for " << key;
  return {};
}

TEST(ClientSettings, NumbersOutOfWhatTheWindowCanUseFallBackAndWhatIsUsedIsWrittenBack) {
  struct Case {
    const char* stored;   // "key=value"
    std::string used;
    const char* written;  // the key's value after the close; nullptr: never written
  } cases[] = {
      {"rightwidth=200", "200", "200"},
      {"rightwidth=1180", "1180", "1180"},  // the window just fits on the screen
      {"rightwidth=1181", "1", "1"},
      {"rightwidth=5000", "1", "1"},
      {"rightwidth=100000000", "1", "1"},
      {"rightwidth=-3", "1", "1"},
      {"viewerheight=760", "760", "760"},
      {"viewerheight=761", "209", "209"},
      {"viewerheight=100000", "209", "209"},
      {"viewerheight=6", "6", "6"},
      {"viewerheight=5", "209", "209"},
      {"viewerheight=-40", "209", "209"},
      {"telnetheight=400", "400", nullptr},
      {"telnetheight=100000", "331", nullptr},
      {"telnetheight=0", "331", nullptr},
      {"mousesensitivity=10", "10", "10"},
      {"mousesensitivity=11", "5", "5"},
      {"mousesensitivity=-1", "5", "5"},
      {"x=358", "358", "358.00"},
      {"x=358.5", "120", "120.00"},
      {"x=-0.5", "120", "120.00"},
      {"x=1e308", "120", "120.00"},
      {"x=1e400", "120", "120.00"},
      {"x=inf", "120", "120.00"},
      {"time=23.99", "23.99, hour 23.99", "23.99"},
      {"time=0", "0, hour 0", "0"},
      {"time=24", "12, hour 12", "12"},
      {"time=-1", "12, hour 12", "12"},
      {"time=1e308", "12, hour 12", "12"},
      {"time=1e400", "12, hour 12", "12"},
      {"time=noon", "noon, hour 12", "noon"},  // no number: the text is the user's
      {"speed=2.5", "2.5, step 2.5", "2.5"},
      {"speed=-358", "-358, step -358", "-358"},
      {"speed=1e308", "1, step 1", "1"},
      {"speed=fast", "fast, step 1", "fast"},
      {"level=2147483647", "2147483647, type 2147483647", "2147483647"},
      {"level=99999999999", "11, type 11", "11"},
      {"level=abc", "abc, type 0", "abc"},
      {"rain=10", "10", "10"},
      {"rain=1e308", "0", "0"},
      {"rain=10.5", "0", "0"},
      {"cloud=30", "30", "30"},
      {"cloud=-1", "-1", "-1"},
      {"cloud=1e308", "0", "0"},
      {"wind=-1.5", "0", "0"},
      {"wind=1e308", "0", "0"},
      {"fog=11", "0", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::string key = std::string(c.stored).substr(0, std::string(c.stored).find('='));
    IniFile ini = FromText(std::string("[3dclient]\n") + c.stored + "\n");
    TClientSettings s = ReadClientSettings(ini, kHarbour, kScreen);
    TMudstate state;
    ApplyClientSettings(s, state);
    EXPECT_EQ(Used(key, ini, s, state), c.used);
    WriteClientSettings(ini, s, true, state);
    if (c.written)
      EXPECT_EQ(ini.Find("3dclient", key), c.written);
    else
      EXPECT_EQ(ini.Find("3dclient", key), std::string(c.stored).substr(key.size() + 1));
    // Read again, the file gives what was used.
    TClientSettings again = ReadClientSettings(ini, kHarbour, kScreen);
    TMudstate againState;
    ApplyClientSettings(again, againState);
    EXPECT_EQ(Used(key, ini, again, againState), c.used);
  }
}

TEST(ClientSettings, WritesEveryKeyInItsOrderIntoANewFile) {
  TClientSettings s;
  s.Speed = "2";
  s.Time = "14.50";
  s.Map = true;
  s.RightWidth = 200;
  s.MaxTelnetLines = "800";
  TMudstate state;
  state.GetPosition()->SetPoint(120.5f, 85.0f, 0.0f);
  state.Rain = 2.5;
  state.Cloud = 6;
  state.Wind = -1;
  state.Fog = 10;
  IniFile ini;
  WriteClientSettings(ini, s, true, state);
  EXPECT_EQ(ini.GetText(),
            "[3dclient]\n"
            "speed=2\ntime=14.50\nlevel=11\nfly=0\nmap=1\nx=120.50\ny=85.00\nshowmudxy=0\nviewerheight=209\n"
            "rightwidth=200\nstriptelnetcoords=1\nshowstats=0\nmousemove=1\nfogenabled=1\nnosound=0\n"
            "mousesensitivity=5\nmaxtelnetlines=800\nrain=2.5\ncloud=6\nwind=-1\nfog=10\n");
}

TEST(ClientSettings, ConditionalKeysKeepTheirStoredValues) {
  // Position (0, 0, 0), the 3D window hidden and developer mode off: x, y,
  // viewerheight and godmode keep what the file holds.
  IniFile ini = FromText("[3dclient]\nx=33.00\ny=44.00\nviewerheight=300\ngodmode=1\n");
  TClientSettings s;
  s.ViewerHeight = 150;
  TMudstate state;
  WriteClientSettings(ini, s, false, state);
  EXPECT_EQ(ini.Find("3dclient", "x"), "33.00");
  EXPECT_EQ(ini.Find("3dclient", "y"), "44.00");
  EXPECT_EQ(ini.Find("3dclient", "viewerheight"), "300");
  EXPECT_EQ(ini.Find("3dclient", "godmode"), "1");

  IniFile fresh;
  WriteClientSettings(fresh, s, false, state);
  EXPECT_FALSE(fresh.ValueExists("3dclient", "godmode")) << "never written off";
  s.GodMode = true;
  state.GetPosition()->SetZ(2.0f);
  WriteClientSettings(fresh, s, true, state);
  EXPECT_EQ(fresh.Find("3dclient", "godmode"), "1");
  EXPECT_EQ(fresh.Find("3dclient", "x"), "0.00") << "a position off the ground is not (0, 0, 0)";
  EXPECT_EQ(fresh.Find("3dclient", "viewerheight"), "150");
}

TEST(ClientSettings, MovementStepIsTheSpeedOrOne) {
  EXPECT_EQ(MovementStep("2.5"), 2.5);
  EXPECT_EQ(MovementStep(" 3 "), 3.0);
  EXPECT_EQ(MovementStep("fast"), 1.0);
  EXPECT_EQ(MovementStep(""), 1.0);
}
