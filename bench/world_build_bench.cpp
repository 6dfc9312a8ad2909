// The world's objects: the static-object pass over the whole map (the
// sample world's, and a synthetic map filled to 10, 30 and 60 %), and the
// three cell windows for a one-cell step against a jump. No GL: what is
// measured is building the scene objects, not drawing them.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "client/client_globals.h"
#include "client/mud.h"
#include "client/mud_view.h"
#include "client/world_lists.h"
#include "client/xml_list_dom.h"
#include "engine/light_source.h"
#include "engine/material_library.h"
#include "imaging/image_library.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "objects/height_data_bitmap.h"
#include "platform/picture/picture.h"
#include "shell/core/stored_scene.h"

namespace {

const std::string kWorld = std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/";

// The sample world's core, windowless, its maps read from the world's folder.
class SampleCore {
public:
  explicit SampleCore(const Bitmap* staticMap = nullptr) {
    StartImageLibrary();
    AppFolder = kWorld;
    XMLLogFileName = (std::filesystem::temp_directory_path() / "world_build_bench_log.txt").string();
    FStored.LoadHeightPicture(kWorld);
    const char* files[] = {"elevation", "static", "intermediate1", "intermediate2", "intermediate3"};
    for (int i = 0; i < 5; ++i) FMaps[i].LoadFromFile(kWorld + "maps/" + files[i] + ".bmp");
    if (staticMap) FMaps[1].SetBitmap(*staticMap);
    Mud = std::make_unique<TMud>(kWorld + "config.xml", &FViewer, FStored.GetScene(), nullptr,
                                 FStored.GetMaterialLibrary(), FStored.GetFireFXManager(), &FMaps[0], &FMaps[1],
                                 &FMaps[2], &FMaps[3], &FMaps[4], &FPanel, FStored.GetLight(),
                                 FStored.GetHeightSource());
  }

  // The core goes before the scene it built in.
  ~SampleCore() { Mud.reset(); }

  // The static pass again on a clean slate: the containers and the lists
  // of the last pass go first, untimed.
  void PlaceAgain(benchmark::State& state) {
    state.PauseTiming();
    for (auto& column : Mud->StaticObjects)
      for (TGLBaseSceneObject*& object : column)
        if (object) {
          object->GetParent()->Remove(object, false);
          object = nullptr;
        }
    Mud->Doorways = std::make_unique<TDoorwayList>();
    Mud->StaticCubes = std::make_unique<TStaticCubeList>();
    Mud->WallFaces = std::make_unique<TWallFaceList>();
    state.ResumeTiming();
    Mud->PlaceStaticObjects();
  }

  int BuiltCells() const {
    int cells = 0;
    for (const auto& column : Mud->StaticObjects)
      for (const TGLBaseSceneObject* object : column) cells += object != nullptr;
    return cells;
  }

  std::unique_ptr<TMud> Mud;

private:
  StoredScene FStored;
  PlainViewer FViewer;
  PlainControl FPanel;
  Picture FMaps[5];
};

void BM_StaticPassSampleWorld(benchmark::State& state) {
  SampleCore core;
  if (!core.Mud->GetBuilt()) state.SkipWithError(core.Mud->GetCreateError().c_str());
  for (auto _ : state) core.PlaceAgain(state);
  state.counters["cells"] = core.BuiltCells();
  state.counters["cells/s"] = benchmark::Counter(core.BuiltCells(), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StaticPassSampleWorld)->Unit(benchmark::kMillisecond);

// A static map of the sample world's own colours, filled to the percentage.
Bitmap SyntheticStaticMap(int percent) {
  const int32_t colours[] = {HexToColor("ff0000"), HexToColor("0000ff"), HexToColor("4040ff"), HexToColor("608030"),
                             HexToColor("008000"), HexToColor("00a000"), HexToColor("c8b070"), HexToColor("8c8c8c")};
  std::mt19937 random(static_cast<unsigned>(percent));
  Bitmap bitmap(TMud::kMapSize, TMud::kMapSize, pf24bit);
  for (int y = 0; y < TMud::kMapSize; ++y)
    for (int x = 0; x < TMud::kMapSize; ++x) {
      if (static_cast<int>(random() % 100) >= percent) continue;
      const int32_t c = colours[random() % std::size(colours)];
      uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  return bitmap;
}

void BM_StaticPassSynthetic(benchmark::State& state) {
  const Bitmap map = SyntheticStaticMap(static_cast<int>(state.range(0)));
  SampleCore core(&map);
  if (!core.Mud->GetBuilt()) state.SkipWithError(core.Mud->GetCreateError().c_str());
  for (auto _ : state) core.PlaceAgain(state);
  state.counters["cells"] = core.BuiltCells();
  state.counters["cells/s"] = benchmark::Counter(core.BuiltCells(), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StaticPassSynthetic)->Arg(10)->Arg(30)->Arg(60)->Unit(benchmark::kMillisecond);

// The three windows round the village square: a step east and back, or a
// jump to the forest and back.
void WindowMoves(benchmark::State& state, int32_t farX, int32_t farY) {
  SampleCore core;
  if (!core.Mud->GetBuilt()) state.SkipWithError(core.Mud->GetCreateError().c_str());
  TMud& mud = *core.Mud;
  mud.UpdateWindows(176, 174);
  bool there = false;
  for (auto _ : state) {
    there = !there;
    mud.UpdateWindows(there ? farX : 176, there ? farY : 174);
  }
}

void BM_WindowsStep(benchmark::State& state) { WindowMoves(state, 177, 174); }
BENCHMARK(BM_WindowsStep)->Unit(benchmark::kMicrosecond);

void BM_WindowsJump(benchmark::State& state) { WindowMoves(state, 235, 120); }
BENCHMARK(BM_WindowsJump)->Unit(benchmark::kMicrosecond);

}  // namespace
