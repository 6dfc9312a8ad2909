#include "client/cell_window.h"

#include <gtest/gtest.h>

#include "platform/base/exception.h"

namespace {

TEST(CellWindow, SizeFromTheWorldIsHeldWithinTheSevenBySevenGrid) {
  struct Case {
    const char* text;
    int32_t defaultSize, size, half;
  } cases[] = {
      {"", 7, 7, 3}, {"", 5, 5, 2}, {"5", 7, 5, 2}, {" 3 ", 7, 3, 1}, {"9", 7, 7, 3},
      {"1000", 7, 7, 3}, {"0", 7, 1, 0}, {"-4", 7, 1, 0}, {"", 12, 7, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.text << "' default " << c.defaultSize);
    TCellWindow window;
    SetCellWindowSize(window, c.text, c.defaultSize);
    EXPECT_EQ(window.size, c.size);
    EXPECT_EQ(window.Half(), c.half);
  }
  TCellWindow window;
  EXPECT_THROW(SetCellWindowSize(window, "wide", 7), EConvertError);
  EXPECT_EQ(window.lastX, -1);
}

}  // namespace
