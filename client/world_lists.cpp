#include "client/world_lists.h"

#include <algorithm>

#include "client/config_xml.h"
#include "client/mud.h"
#include "client/object_catalog.h"
#include "client/static_area.h"
#include "client/static_batches.h"
#include "engine/scene_node.h"
#include "objects/dummy_cube.h"

void TDoorwayList::Add(int32_t key, TGLBaseSceneObject* object) {
  const int32_t index = object != nullptr && object->HasParent() ? object->GetIndex() : -1;
  FFirstByKey.emplace(key, FItems.size());
  FItems.push_back({key, object, index});
}

TGLBaseSceneObject* TDoorwayList::ShowDoorway(int32_t key) {
  const auto found = FFirstByKey.find(key);
  if (found == FFirstByKey.end()) return nullptr;
  TGLBaseSceneObject* object = FItems[found->second].object;
  if (object != nullptr) object->SetVisible(true);
  return object;
}

void TDoorwayList::HideAll() {
  for (const TDoorway& door : FItems) {
    if (door.object != nullptr && door.object->GetVisible()) door.object->SetVisible(false);
  }
}

void TDoorwayList::ShowOnly(const std::vector<int32_t>& keys) {
  for (const TDoorway& door : FItems) {
    if (door.object == nullptr) continue;
    const bool show = std::find(keys.begin(), keys.end(), door.key) != keys.end();
    if (door.object->GetVisible() != show) door.object->SetVisible(show);
  }
}

// --- the static-object map ---------------------------------------------------

TStaticArea* TMud::StaticAreaAt(int32_t x, int32_t y) {
  constexpr size_t kAreas = (kMapSize + TStaticArea::kCells - 1) / TStaticArea::kCells;
  if (StaticAreas.empty()) StaticAreas.assign(kAreas, std::vector<TStaticArea*>(kAreas, nullptr));
  TStaticArea*& area =
      StaticAreas[static_cast<size_t>(x / TStaticArea::kCells)][static_cast<size_t>(y / TStaticArea::kCells)];
  if (!area) {
    // Appended: the static cube's other children keep their matrices.
    if (!StaticBatches) {
      auto batches = std::make_unique<TStaticBatches>();
      batches->SetOwnerComponent(StaticCube);
      StaticBatches = static_cast<TStaticBatches*>(StaticCube->Insert(StaticCube->GetCount(), std::move(batches)));
    }
    auto made = std::make_unique<TStaticArea>();
    made->SetOwnerComponent(StaticCube);
    area = static_cast<TStaticArea*>(StaticCube->Insert(StaticCube->GetCount(), std::move(made)));
    StaticBatches->AddArea(area);
  }
  return area;
}

void TMud::PlaceStaticObjects() {
  for (int32_t x = 0; x < kMapSize; ++x) {
    for (int32_t y = 0; y < kMapSize; ++y) {
      const int32_t colour = GetPixel(1, x, y);
      if (IsBackgroundColour(colour)) {
        StaticObjects[static_cast<size_t>(x)][static_cast<size_t>(y)] = nullptr;
        continue;
      }
      StaticObjects[static_cast<size_t>(x)][static_cast<size_t>(y)] =
          BuildObject(StaticAreaAt(x, y), colour, "", x, y, true, nullptr, -1);
      const TObjectEntries& entries = ObjectCatalog->Find(colour, "");
      if (!entries.cubes.empty() && StaticCubes->Find(x, y).x == -1) {
        const TCubeDescription& cube = entries.cubes.front();
        StaticCubes->Add(x, y, cube.height, cube.width);
      }
      if (entries.wall && entries.wall->inner && WallFaces->Find(x, y).x == -1)
        WallFaces->Add(x, y, Config->MapsGetWallsAt(x, y), entries.wall->innerTexture);
    }
  }
}
