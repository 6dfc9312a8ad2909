#include "client/room_maps.h"

#include <gtest/gtest.h>

#include "client/xml_list_dom.h"
#include "world_fixture.h"

namespace {

std::unique_ptr<TXMLListDOM> MapsSection(const std::string& text) {
  auto list = std::make_unique<TXMLListDOM>("MAPS");
  list->LoadFromFile(world_fixture::WriteFile("maps.xml", text));
  return list;
}

TEST(RoomMap, ExitsAndWallsOfTheTwoByTwoExample) {
  const TMap map({"A-A", "| .", "A.A"}, 0, 0);
  EXPECT_EQ(map.height, 2);
  EXPECT_EQ(map.width, 2);
  struct Case {
    int cx, cy, exits, walls;
  } cases[] = {
      {0, 1, kSideSouth | kSideEast, kSideNorth | kSideWest},  // 6, 9
      {1, 1, kSideWest, kSideNorth | kSideEast},                // 8, 5
      {0, 0, kSideNorth, kSideSouth | kSideWest},               // 1, 10
      {1, 0, 0, kSideSouth | kSideEast},                        // 0, 6
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cell " << c.cx << "," << c.cy);
    EXPECT_EQ(map.GetExits(c.cx, c.cy), c.exits);
    EXPECT_EQ(map.GetWalls(c.cx, c.cy), c.walls);
  }
}

TEST(RoomMap, EastWallStandsBesideANonRoomCellInTheLastColumn) {
  // The middle cell's east neighbour is ".", in the last column.
  const TMap map({"A-A ."}, 0, 0);
  EXPECT_EQ(map.width, 3);
  EXPECT_EQ(map.GetWalls(1, 0) & kSideEast, kSideEast);
  EXPECT_EQ(map.GetWalls(0, 0) & kSideEast, 0);
  EXPECT_EQ(map.GetWalls(2, 0), kSideNorth | kSideSouth | kSideEast);
}

TEST(RoomMap, ShortLinesArePaddedAndCellsOutsideReadNothing) {
  const TMap map({"A-A-A", "|", "A"}, 10, 20);
  EXPECT_EQ(map.GetLines()[1], "|    ");
  EXPECT_EQ(map.GetExits(2, 0), 0);
  EXPECT_EQ(map.GetExits(-1, 0), 0);
  EXPECT_EQ(map.GetWalls(3, 0), 0);
  EXPECT_EQ(map.GetWalls(0, 2), 0);
  // A map without text is one cell and no room: walled on every side.
  const TMap empty({}, 0, 0);
  EXPECT_EQ(empty.width, 1);
  EXPECT_EQ(empty.height, 1);
  EXPECT_EQ(empty.GetExits(0, 0), 0);
  EXPECT_EQ(empty.GetWalls(0, 0), kSideNorth | kSideSouth | kSideEast | kSideWest);
}

TEST(RoomMap, RowThatNoLineReachesHoldsNoRoomCell) {
  // Two lines make two rows; the bottom row has no line of its own, so the
  // room above it is walled on the south, its exit leading out there.
  const TMap map({"A", "|"}, 0, 0);
  ASSERT_EQ(map.height, 2);
  struct Case {
    int cy, exits, walls;
  } cases[] = {
      {1, kSideSouth, kSideNorth | kSideSouth | kSideEast | kSideWest},
      {0, kSideNorth, kSideSouth | kSideEast | kSideWest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cy);
    EXPECT_EQ(map.GetExits(0, c.cy), c.exits);
    EXPECT_EQ(map.GetWalls(0, c.cy), c.walls);
  }
  // The same room with the row below drawn as no room walls alike.
  EXPECT_EQ(TMap({"A", "|", "."}, 0, 0).GetWalls(0, 1), map.GetWalls(0, 1));
}

TEST(RoomMap, MapTextIsSplitAsItStandsWithoutTheWhiteSpaceRoundIt) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"A-A\n| .\nA.A", {"A-A", "| .", "A.A"}},
      {"\n  A-A\n  | |\n  A A\n   \n", {"  A-A", "  | |", "  A A"}},  // the first row's blanks are cells
      {"\r\n \r\nA-A   \r\n\r\n| .  \r\nA.A \r\n  ", {"A-A   ", "", "| .  ", "A.A"}},
      {" \n\t\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(MapTextLines(c.text), c.lines);
  }
  // Blanks that end a row within the text widen the map.
  EXPECT_EQ(TMap(MapTextLines("A-A   \n| .\nA.A"), 0, 0).width, 4);
}

TEST(RoomMapList, IndentedMapsLoadWithTheirPlaceAndTheFirstCoveringMapWins) {
  auto section = MapsSection(R"(<MAPS>
  <!-- two maps over the same cells -->
  <MAP x="98" y="103">
A-A
| .
A.A
  </MAP>
  <MAP x="99" y="103">A
|</MAP>
  <MAP x="nowhere" y="1">A</MAP>
</MAPS>)");
  TMapList maps;
  maps.LoadMaps(section.get());
  ASSERT_EQ(maps.GetCount(), 3);
  const TMap* first = maps.MapsGetMap(0);
  EXPECT_EQ(first->x, 98);
  EXPECT_EQ(first->y, 103);
  EXPECT_EQ(first->GetLines(), (std::vector<std::string>{"A-A", "| .", "A.A"}));
  EXPECT_EQ(maps.MapsGetMap(2)->x, -1);
  EXPECT_EQ(maps.MapsGetMap(3), nullptr);

  EXPECT_EQ(maps.MapsFindMap(99, 104), first);
  EXPECT_EQ(maps.MapsFindMap(100, 104), nullptr);
  EXPECT_EQ(maps.MapsGetExitsAt(98, 104), kSideSouth | kSideEast);
  EXPECT_EQ(maps.MapsGetWallsAt(99, 103), kSideSouth | kSideEast);
  EXPECT_EQ(maps.MapsGetExitsAt(0, 0), 0);
  EXPECT_EQ(maps.MapsGetWallsAt(0, 0), 0);
}

TEST(RoomMapList, EmptyOrAbsentSectionGivesNoMaps) {
  TMapList maps;
  maps.LoadMaps(nullptr);
  EXPECT_EQ(maps.GetCount(), 0);
  TXMLListDOM empty("MAPS");
  empty.Assign(nullptr);
  maps.LoadMaps(&empty);
  EXPECT_EQ(maps.GetCount(), 0);
}

}  // namespace
