// One status line to an updated view, without drawing: the newest line found
// among the recent lines, parsed, merged into the client core's states and
// applied to the scene (sky, fog, light, camera, cell windows, monsters) on
// the sample world. A step moves one cell east and back, a jump goes
// between two places far apart.
#include <benchmark/benchmark.h>

#include <deque>
#include <memory>
#include <string>

#include "bench/synthetic_world.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "shell/core/status_line.h"
#include "tests/support/windowless_core.h"

namespace {

std::string Line(int x, int y) {
  return "Hp 30 Mv 80 |4|14:30|" + std::to_string(x) + "," + std::to_string(y) + ",0|9|25|30|0|0,0wolf|";
}

void StatusLineToView(benchmark::State& state, int x1, int y1, int x2, int y2) {
  const std::string folder = synthetic_world::SampleWorldFolder();
  windowless_core::ProgramFolderScope scope(folder, "/dev/null");
  windowless_core::Core core;
  core.LoadWorldPictures(folder);
  std::unique_ptr<TMud> mud = core.Create(AppFolder + "config.xml");
  if (!mud->GetBuilt()) {
    state.SkipWithError(mud->GetCreateError().c_str());
    return;
  }
  TStatusTarget target{*mud->ReceivedState,
                       *mud->CurrentState,
                       *mud->PreviousState,
                       mud->Config->GetUndefinedArea(),
                       mud->Config->GetGroundHeights(),
                       [&] { mud->Update(); }};
  const TStatusOptions options;
  StatusLineReader reader;
  // The recent lines as a game server leaves them: an answer, then the line.
  const std::deque<std::string> there{"You walk.", Line(x1, y1)}, back{"You walk.", Line(x2, y2)};
  // Both places seen once, so that the cells' objects are built before timing.
  reader.Receive(there, 0, options, target);
  reader.Receive(back, 0, options, target);
  bool forth = true;
  int updates = 0;
  for (auto _ : state) {
    updates += reader.Receive(forth ? there : back, 0, options, target).Updated;
    forth = !forth;
  }
  if (updates != static_cast<int>(state.iterations())) state.SkipWithError("a line did not update the view");
}

void StatusLineStep(benchmark::State& state) { StatusLineToView(state, 176, 174, 177, 174); }
BENCHMARK(StatusLineStep)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void StatusLineJump(benchmark::State& state) { StatusLineToView(state, 176, 174, 255, 255); }
BENCHMARK(StatusLineJump)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
