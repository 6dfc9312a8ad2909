// The Control window's values without the window: filling from a state, OK
// that reads every number before it changes anything, default times and the
// location list.

#include "shell/core/control_values.h"

#include "client/mud_state.h"
#include "client/xml_list_dom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Snapshot {
  double time, cloud, wind, fog, rain;
  float x, y, z;
  int level;
  std::vector<std::string> mobs;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Of(const TMudstate& s) {
  const TVector4f& p = s.GetPosition()->AsVector();
  return {s.Time, s.Cloud, s.Wind, s.Fog, s.Rain, p[0], p[1], p[2], s.Level, s.Mobs().Cell(0, 0)};
}

TEST(ControlValues, FillShowsTwoDecimalsAndTheNearestBarPosition) {
  TMudstate state;
  state.Time = 14.5;
  state.Cloud = 2.5;  // halves go to the even neighbour
  state.Wind = -1;    // unset
  state.Fog = 7.6;
  state.Rain = 12;    // beyond the bar
  state.GetPosition()->SetPoint(120.5f, 85, 3);
  TControlValues values;
  values.Level = "9";
  FillControlValues(state, values);
  EXPECT_EQ(values.Time, "14.50");
  EXPECT_EQ(values.Clouds, 2);
  EXPECT_EQ(values.Wind, 0);
  EXPECT_EQ(values.Fog, 8);
  EXPECT_EQ(values.Rain, 10);
  EXPECT_EQ(values.X, "120.50");
  EXPECT_EQ(values.Y, "85.00");
  EXPECT_EQ(values.Level, "9") << "the terrain type is not filled from the state";
}

TEST(ControlValues, OkSetsTheStatesInOrder) {
  TMudstate current, received;
  current.Level = 9;
  current.Mobs().Cell(0, 0) = {"Orc"};
  current.GetPosition()->SetPoint(1, 2, 3);
  TControlValues values{"21.25", 3, 4, 5, 6, "120.5", " 85 ", "11", false, "Wolf"};
  std::string error;
  ASSERT_TRUE(ApplyControlValues(values, current, received, error)) << error;
  EXPECT_EQ(Of(current), (Snapshot{21.25, 3, 4, 5, 6, 120.5f, 85, 3, 11, {"Orc", "Wolf"}}));
  // The received state is copied before the terrain type and the monsters change.
  EXPECT_EQ(Of(received), (Snapshot{21.25, 3, 4, 5, 6, 120.5f, 85, 3, 9, {"Orc"}}));
}

TEST(ControlValues, LevelOnlyWhenANumberAndObjectsClearedOrAdded) {
  const struct {
    const char* level;
    bool clear;
    const char* object;
    int expectedLevel;
    std::vector<std::string> expectedMobs;
  } cases[] = {
      {"abc", true, "", 9, {}},           // Clear empties the list
      {"", false, "", 9, {"Orc"}},        // Add with nothing to add
      {"-3", false, "Rat", 9, {"Orc", "Rat"}},
      {"99999999999", true, "Rat", 9, {}},
      {"13", true, "Rat", 13, {}},
  };
  for (const auto& c : cases) {
    TMudstate current, received;
    current.Level = 9;
    current.Mobs().Cell(0, 0) = {"Orc"};
    TControlValues values;
    values.Level = c.level;
    values.ClearObjects = c.clear;
    values.Object = c.object;
    std::string error;
    ASSERT_TRUE(ApplyControlValues(values, current, received, error)) << error;
    EXPECT_EQ(current.Level, c.expectedLevel) << c.level;
    EXPECT_EQ(current.Mobs().Cell(0, 0), c.expectedMobs) << c.level;
  }
}

TEST(ControlValues, ClearWorksBeforeAnyStatusLine) {
  TMudstate current, received;
  std::string error;
  ASSERT_TRUE(ApplyControlValues(TControlValues{}, current, received, error));
  EXPECT_TRUE(current.Mobs().Cell(0, 0).empty());
}

TEST(ControlValues, OneBadNumberChangesNothing) {
  const struct {
    const char* time;
    const char* x;
    const char* y;
    const char* named;
  } cases[] = {
      {"abc", "1", "2", "abc"}, {"12", "", "2", "''"},   {"12", "1", "1,5", "1,5"},
      {"24", "1", "2", "24"},   {"-1", "1", "2", "-1"},  {"12", "1", "nan", "nan"},
  };
  for (const auto& c : cases) {
    TMudstate current, received;
    current.Time = 5;
    current.Mobs().Cell(0, 0) = {"Orc"};
    current.GetPosition()->SetPoint(7, 8, 0);
    const Snapshot before = Of(current), receivedBefore = Of(received);
    TControlValues values{c.time, 3, 4, 5, 6, c.x, c.y, "11", true, ""};
    std::string error;
    EXPECT_FALSE(ApplyControlValues(values, current, received, error)) << c.named;
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    ASSERT_TRUE(CheckControlValues(values)) << c.named;
    EXPECT_EQ(Of(current), before) << c.named;
    EXPECT_EQ(Of(received), receivedBefore) << c.named;
  }
}

TEST(ControlValues, DefaultTimes) {
  EXPECT_EQ(DefaultMudTime(dtDay, 6, 19.5), "12");
  EXPECT_EQ(DefaultMudTime(dtNight, 6, 19.5), "0");
  EXPECT_EQ(DefaultMudTime(dtMorning, 6, 19.5), "6.00");
  EXPECT_EQ(DefaultMudTime(dtSunset, 6, 19.5), "19.50");
}

TEST(ControlValues, LocationLinesNameDescriptionOrNameAndTheAttributesAsTheyStand) {
  TXMLListDOM locations("GODMODELOCATIONS");
  locations.SetElement(xml::Document::ParseText(R"(<GODMODELOCATIONS>
      <LOCATION x="120" y="85" name="harbour" description="Harbour"/>
      <LOCATION x="3" y="04" name="Quay"/>
      <LOCATION name="Nowhere"/>
    </GODMODELOCATIONS>)"));
  std::vector<TMudLocation> lines = MudLocations(&locations);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Line, "Harbour  (x=120  y=85)");
  EXPECT_EQ(lines[1].Line, "Quay  (x=3  y=04)");
  EXPECT_EQ(lines[1].Y, "04");
  EXPECT_EQ(lines[2].Line, "Nowhere  (x=  y=)");
  EXPECT_TRUE(MudLocations(nullptr).empty());
}

}  // namespace
