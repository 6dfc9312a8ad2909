#include "client/world_lists.h"

#include <gtest/gtest.h>

#include "client/room_maps.h"
#include "objects/dummy_cube.h"

namespace {

TEST(StaticCubeList, FindGivesTheFirstRecordOfTheCellOrAnEmptyRecord) {
  TStaticCubeList cubes;
  cubes.Add(3, 4, 2.0, -1.0);
  cubes.Add(4, 3, 1.5, 0.7);
  cubes.Add(3, 4, 9.0, 9.0);
  cubes.Add(-1, 1, 5.0, 5.0);
  EXPECT_EQ(cubes.GetCount(), 4);
  struct Case {
    int32_t x, y, foundX, foundY;
    double height, width;
  } cases[] = {
      {3, 4, 3, 4, 2.0, -1.0},  // the first of two records wins
      {4, 3, 4, 3, 1.5, 0.7},
      {-1, 1, -1, 1, 5.0, 5.0},
      {1, -1, -1, -1, 0.0, 0.0},  // no record: x = y = -1, nothing left unset
      {4, 4, -1, -1, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    const TStaticCube found = cubes.Find(c.x, c.y);
    EXPECT_EQ(found.x, c.foundX);
    EXPECT_EQ(found.y, c.foundY);
    EXPECT_EQ(found.height, c.height);
    EXPECT_EQ(found.width, c.width);
  }
}

TEST(WallFaceList, FindGivesTheFirstRecordOfTheCellOrNoWalls) {
  TWallFaceList walls;
  walls.Add(10, 20, kSideNorth | kSideWest, "textures\\plaster.bmp");
  walls.Add(10, 20, kSideSouth, "other");
  const TWallFaces found = walls.Find(10, 20);
  EXPECT_EQ(found.wallSet, kSideNorth | kSideWest);
  EXPECT_EQ(found.texture, "textures\\plaster.bmp");
  const TWallFaces missing = walls.Find(20, 10);
  EXPECT_EQ(missing.x, -1);
  EXPECT_EQ(missing.y, -1);
  EXPECT_EQ(missing.wallSet, 0);
  EXPECT_EQ(missing.texture, "");
}

TEST(DoorwayList, ShowsTheFirstDoorOfAColourAndHidesOrShowsByColour) {
  TGLDummyCube parent;
  parent.AddNewChild<TGLDummyCube>();
  TGLBaseSceneObject* doors[] = {parent.AddNewChild<TGLDummyCube>(), parent.AddNewChild<TGLDummyCube>(),
                                 parent.AddNewChild<TGLDummyCube>()};
  for (TGLBaseSceneObject* door : doors) door->SetVisible(false);
  TDoorwayList list;
  EXPECT_TRUE(list.IsEmpty());
  list.Add(0xff, doors[0]);
  list.Add(0xff, doors[1]);
  list.Add(0xff00, doors[2]);
  EXPECT_EQ(list.GetItem(1).index, 2);  // its place among the parent's children
  EXPECT_EQ(list.GetItem(2).key, 0xff00);

  EXPECT_EQ(list.ShowDoorway(0xff), doors[0]);
  EXPECT_EQ(list.ShowDoorway(0x1234), nullptr);
  EXPECT_TRUE(doors[0]->GetVisible());
  EXPECT_FALSE(doors[1]->GetVisible());

  list.ShowOnly({0xff00, 0x1234});
  EXPECT_FALSE(doors[0]->GetVisible());
  EXPECT_FALSE(doors[1]->GetVisible());
  EXPECT_TRUE(doors[2]->GetVisible());
  list.ShowOnly({0xff});
  EXPECT_TRUE(doors[0]->GetVisible());
  EXPECT_TRUE(doors[1]->GetVisible());
  EXPECT_FALSE(doors[2]->GetVisible());

  list.HideAll();
  for (TGLBaseSceneObject* door : doors) EXPECT_FALSE(door->GetVisible());
}

}  // namespace
