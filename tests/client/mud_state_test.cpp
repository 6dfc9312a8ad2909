// The received state: start values (the direction among them) and a deep copy.
#include "client/mud_state.h"

#include <gtest/gtest.h>

#include "platform/base/assertion.h"

namespace {

TEST(MudState, StartValues) {
  TMudstate state;
  EXPECT_EQ(state.Time, 0.0);
  EXPECT_EQ(state.Cloud, -1.0);
  EXPECT_EQ(state.Wind, -1.0);
  EXPECT_EQ(state.Fog, -1.0);
  EXPECT_EQ(state.Rain, -1.0);
  EXPECT_EQ(state.Level, 0);
  EXPECT_TRUE(state.GetPosition()->Equals({0, 0, 0, 1}));
  EXPECT_TRUE(state.GetUp()->Equals({0, 0, 1, 0}));
  // Up along the node's default direction turns the direction onto +X.
  EXPECT_TRUE(state.GetDirection()->Equals({1, 0, 0, 0}));
  EXPECT_TRUE(state.Mobs().Cell().empty());
  EXPECT_EQ(state.GetScene(), nullptr);
}

TEST(MudState, AssignCopiesEverythingAndTheMonstersDeeply) {
  TMudstate source;
  source.Time = 13.5;
  source.Cloud = 0.3;
  source.Wind = 0.7;
  source.Fog = 0.1;
  source.Rain = 0.0;
  source.Level = 4;
  source.GetPosition()->SetPoint(10, 20, 1);
  source.GetDirection()->SetVector(0, -1, 0);
  source.Mobs().Cell().push_back("orc");
  TMudstate copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Time, 13.5);
  EXPECT_EQ(copy.Cloud, 0.3);
  EXPECT_EQ(copy.Wind, 0.7);
  EXPECT_EQ(copy.Fog, 0.1);
  EXPECT_EQ(copy.Rain, 0.0);
  EXPECT_EQ(copy.Level, 4);
  EXPECT_TRUE(copy.GetPosition()->Equals(source.GetPosition()->AsVector()));
  EXPECT_TRUE(copy.GetDirection()->Equals(source.GetDirection()->AsVector()));
  EXPECT_TRUE(copy.GetUp()->Equals(source.GetUp()->AsVector()));
  source.Mobs().Cell().push_back("troll");
  source.Mobs().Cell()[0] = "goblin";
  EXPECT_EQ(copy.Mobs().Cell(), (std::vector<std::string>{"orc"}));
}

TEST(MudState, MonsterSquareHasOneCell) {
  TMobsquare mobs;
  EXPECT_THROW(mobs.Cell(1, 0), EAssertionFailed);
  mobs.Cell().push_back("rat");
  mobs.Clear();
  EXPECT_TRUE(mobs.Cell().empty());
}

}  // namespace
