#include "client/world_lists.h"

#include <algorithm>

#include "engine/scene_node.h"

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
