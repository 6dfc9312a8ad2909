#pragma once
// The three client states and the world lists a status line touches, fed
// through the same received-text handling as the main window's: for the
// status line's tests and fuzz target.

#include "client/mud_state.h"
#include "client/world_positions.h"
#include "shell/core/receive_splitter.h"
#include "shell/core/status_line.h"
#include "tests/support/line_length_pane.h"

#include <string_view>

struct StatusLineClient {
  StatusLineClient() { area.mudposition = {1, 1, 0, 1}; }

  TStatusOutcome Feed(std::string_view block, const TStatusOptions& options) {
    splitter.Receive(block, options.StripCoordinates, 0);
    TStatusTarget target{received, current, previous, area, heights, [this] { ++updates; }};
    return reader.Receive(splitter.GetRecentLines(), splitter.GetDroppedLineCount(), options, target);
  }

  TMudstate received, current, previous;
  TUndefinedarea area{nullptr};
  TGroundHeightList heights;
  int updates = 0;
  LineLengthPane pane;
  ReceiveSplitter splitter{pane};
  StatusLineReader reader;
};
