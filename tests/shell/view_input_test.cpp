#include "shell/core/view_input.h"

#include "client/mud_state.h"
#include "engine/gl_coordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

TEST(ViewInput, KeysTurnPitchAndMoveByTheStep) {
  using K = TViewMove;
  struct Case {
    std::uint16_t key;
    bool shift;
    double speed;
    TViewMove move;
  } cases[] = {
      {VK_LEFT, false, 1, {K::Turn, -5, false}},   {VK_LEFT, true, 1, {K::Turn, -10, false}},
      {VK_RIGHT, false, 1, {K::Turn, 5, false}},   {VK_RIGHT, false, 3, {K::Turn, 15, false}},
      {VK_PRIOR, false, 1, {K::Pitch, -2, false}}, {VK_NEXT, true, 1, {K::Pitch, 4, false}},
      {VK_UP, false, 1, {K::Move, 1, true}},       {VK_A, false, 0.5, {K::Move, 0.5, true}},
      {VK_SHIFT, false, 1, {K::Move, 1, true}},    {VK_DOWN, true, 1, {K::Move, -2, true}},
      {VK_END, false, 1, {K::Move, -1, true}},     {'B', false, 1, {}},
      {36 /* home */, false, 1, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ViewKeyMove(c.key, c.shift, c.speed, true), c.move) << c.key << (c.shift ? " with Shift" : "");
  EXPECT_FALSE(ViewKeyMove(VK_UP, false, 1, false).levelUp) << "without the terrain renderer";
}

TEST(ViewInput, MovesHappenOnlyWhenAllowedAndTurnsAlways) {
  TMudstate state;
  state.GetDirection()->SetVector(0, -1, 0);
  state.GetPosition()->SetPoint(10, 10, 0);

  ApplyViewMove(state, ViewKeyMove(VK_UP, false, 1, true), false);
  EXPECT_EQ(state.GetPosition()->GetY(), 10.0f) << "not in developer mode";
  ApplyViewMove(state, ViewKeyMove(VK_SHIFT, false, 1, true), true);
  EXPECT_NEAR(state.GetPosition()->GetY(), 9.0f, 1e-5) << "Shift alone moves forward";

  // A turn of 90 degrees about Up (0, 0, 1) takes the direction (0, -1, 0)
  // a quarter round; Left (negative) and Right (positive) go opposite ways.
  TMudstate left, right;
  for (TMudstate* s : {&left, &right}) s->GetDirection()->SetVector(0, -1, 0);
  ApplyViewMove(left, {TViewMove::Turn, -90, false}, false);
  ApplyViewMove(right, {TViewMove::Turn, 90, false}, false);
  EXPECT_NEAR(std::fabs(left.GetDirection()->GetX()), 1.0f, 1e-5);
  EXPECT_NEAR(left.GetDirection()->GetX(), -right.GetDirection()->GetX(), 1e-5);

  TMudstate tilted;
  tilted.GetDirection()->SetVector(0, -1, 0);
  ApplyViewMove(tilted, {TViewMove::Pitch, 30, false}, false);
  EXPECT_GT(std::fabs(tilted.GetUp()->GetY()), 0.4f);
  ApplyViewMove(tilted, {TViewMove::Move, 1, true}, true);
  EXPECT_EQ(tilted.GetUp()->GetZ(), 1.0f) << "a move levels the view";
}

TEST(ViewInput, DeveloperModeNeedsCtrlGThenCtrlD) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint16_t, bool>> keys;  // key, Ctrl held
    bool unlocked;
  } cases[] = {
      {"the sequence", {{'G', true}, {'D', true}}, true},
      {"Ctrl let go between", {{'G', true}, {VK_CONTROL, false}, {'D', true}}, true},
      {"G again restarts", {{'G', true}, {'G', true}, {'D', true}}, true},
      {"without Ctrl", {{'G', false}, {'D', true}}, false},
      {"another key between", {{'G', true}, {'X', true}, {'D', true}}, false},
      {"wrong order", {{'D', true}, {'G', true}}, false},
  };
  for (const Case& c : cases) {
    std::uint8_t step = 0;
    bool unlocked = false;
    for (auto [key, ctrl] : c.keys) unlocked = AdvanceGodMode(step, key, ctrl);
    EXPECT_EQ(unlocked, c.unlocked) << c.name;
    if (unlocked) {
      EXPECT_EQ(step, 0) << c.name;
    }
  }
}

TEST(ViewInput, DragDivisorFollowsTheSensitivity) {
  // Round(|s - 9| / 10 * 6), with 1 in place of 0 at sensitivity 9.
  const int expected[11] = {5, 5, 4, 4, 3, 2, 2, 1, 1, 1, 1};
  for (int s = 0; s <= 10; ++s) EXPECT_EQ(DragDivisor(s), expected[s]) << "sensitivity " << s;
}

TEST(ViewInput, DragsPitchOrTurnAndTheFirstMoveDoesNotJump) {
  using K = TViewMove;
  struct Case {
    std::optional<TMousePosition> last;
    int x, y, sensitivity;
    std::optional<TViewMove> move;
  } cases[] = {
      {std::nullopt, 300, 200, 5, std::nullopt},  // first move after start-up
      {{{100, 100}}, 110, 100, 5, {{K::Turn, 5, true}}},
      {{{100, 100}}, 91, 100, 5, {{K::Turn, -4, true}}},  // -9 div 2 truncates toward zero
      {{{100, 100}}, 100, 90, 5, {{K::Pitch, 5, false}}},  // up the screen: dy = 10
      {{{100, 100}}, 103, 103, 0, {{K::Pitch, 0, false}}},  // a tie pitches
      {{{100, 100}}, 140, 100, 9, {{K::Turn, 40, true}}},
      // The mouse held while dragging leaves the view's left or top edge.
      {{{-10, 100}}, -30, 100, 5, {{K::Turn, -10, true}}},
      {{{100, -5}}, 100, -25, 5, {{K::Pitch, 10, false}}},
      {{{-1, -1}}, 9, -1, 5, {{K::Turn, 5, true}}},
  };
  for (const Case& c : cases) {
    const std::string from = c.last ? std::to_string(c.last->X) + "," + std::to_string(c.last->Y) : "nowhere";
    EXPECT_EQ(DragMove(c.last, c.x, c.y, c.sensitivity), c.move) << from << " -> " << c.x << "," << c.y;
  }
}

TEST(ViewInput, DoubleClickRegionsTurnWithTheFacing) {
  // A 400 x 200 view: quarters at x 100 and 300, y 50 and 150.
  struct Case {
    int x, y;
    float dx, dy;
    const char* command;
  } cases[] = {
      {200, 10, 0.5f, 0.5f, "north"},  // top while facing a tie: north
      {10, 100, -1, 0, "south"},       // left of west
      {200, 10, 0, 1, "north"},        {200, 190, 0, 1, "south"},
      {10, 100, 0, 1, "west"},         {390, 100, 0, 1, "east"},
      {200, 10, 1, 0, "east"},         {10, 100, 1, 0, "north"},
      {390, 100, 1, 0, "south"},       {200, 190, 1, 0, "west"},
      {200, 10, 0, -1, "south"},       {390, 100, 0, -1, "west"},
      {200, 100, 0, 1, ""},            // centre
      {10, 10, 0, 1, ""},              // corner
      {100, 100, 0, 1, ""},            // on the quarter line
      {200, 50, 0, 1, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DoubleClickCommand(c.x, c.y, 400, 200, c.dx, c.dy), c.command)
        << c.x << "," << c.y << " facing " << c.dx << "," << c.dy;
}

TEST(ViewInput, RightClickNamesTheMonsterWithoutItsSuffix) {
  EXPECT_EQ(MonsterKillCommand("Town_guardK3Q9Z"), "kill Town guard");
  EXPECT_EQ(MonsterKillCommand("Orc12345"), "kill Orc");
  EXPECT_EQ(MonsterKillCommand("_AB12C"), "kill  ");
  EXPECT_EQ(MonsterKillCommand("AB12C"), "");
  EXPECT_EQ(MonsterKillCommand(""), "");
}
