// The three cell windows of the intermediate maps, the doorways near the
// player and the monsters of the current place.
#include <algorithm>

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/object_catalog.h"
#include "client/texture_cache.h"
#include "client/world_lists.h"
#include "engine/gl_coordinates.h"
#include "engine/light_source.h"
#include "objects/dummy_cube.h"

namespace {

// Cells on the map's first row and column, and off the map, stay empty.
bool InWindowRange(int32_t x, int32_t y) { return x > 0 && x < TMud::kMapSize && y > 0 && y < TMud::kMapSize; }

// A slot's object stands on the terrain of its own cell, one cell per slot
// from the window's container.
void PlaceInWindow(const TMud& mud, TGLBaseSceneObject* object, const TGLDummyCube* container, int32_t X, int32_t Y,
                   int32_t a, int32_t b) {
  object->GetPosition()->SetPoint(static_cast<float>(a * mud.VisualScale),
                                  static_cast<float>(mud.GetTerrainHeight(X, Y) - container->GetPosition()->GetY()),
                                  static_cast<float>(-b * mud.VisualScale));
}

}  // namespace

void TMud::UpdateWindows(int32_t x, int32_t y) {
  for (size_t i = 0; i < CellWindows.size(); ++i)
    UpdateCellWindow(CellWindows[i], IntermediateCubes[i], static_cast<int>(i) + 2, x, y);
  // Position 0 of the scene root is the sky dome.
  const std::array<TGLDummyCube*, 4> order =
      HasIntermediateObject(x, y)
          ? std::array<TGLDummyCube*, 4>{StaticCube, IntermediateCubes[0], IntermediateCubes[1], IntermediateCubes[2]}
          : std::array<TGLDummyCube*, 4>{IntermediateCubes[1], IntermediateCubes[2], StaticCube, IntermediateCubes[0]};
  for (size_t i = 0; i < order.size(); ++i) order[i]->SetIndex(static_cast<int>(i) + 1);
}

void TMud::UpdateCellWindow(TCellWindow& window, TGLDummyCube* container, int k, int32_t x, int32_t y) {
  container->GetPosition()->SetPoint(CellToScene(x, y));
  const int32_t h = window.Half();
  const int32_t dx = x - window.lastX;
  const int32_t dy = y - window.lastY;
  const bool step = window.lastX != -1 && std::abs(dx) + std::abs(dy) == 1;
  if (window.lastX != -1 && dx == 0 && dy == 0) return;

  // A cell of the window is emptied and built again for the cell it now
  // stands for; the same rule for a rebuild and for the edge a step enters.
  auto refill = [&](int32_t a, int32_t b) {
    TCellSlot& slot = window.Slot(a, b);
    if (slot.object) slot.object->DeleteChildren();
    if (InWindowRange(x + a, y + b))
      BuildCell(window, container, k, x + a, y + b, a, b, slot.object);
    else
      slot.colour = -1;
  };

  if (!step) {
    for (int32_t a = -h; a <= h; ++a)
      for (int32_t b = -h; b <= h; ++b) refill(a, b);
  } else {
    // The slots turn round by one along the step: slot (a, b) takes the
    // one of (a + dx, b + dy), and the edge that leaves comes round as the
    // edge that enters, to be refilled; the kept objects only move.
    const TCellWindow before = window;
    auto wrap = [h](int32_t i) { return i > h ? -h : i < -h ? h : i; };
    for (int32_t a = -h; a <= h; ++a)
      for (int32_t b = -h; b <= h; ++b) window.Slot(a, b) = before.Slot(wrap(a + dx), wrap(b + dy));
    for (int32_t a = -h; a <= h; ++a) {
      for (int32_t b = -h; b <= h; ++b) {
        const bool entering = (dx != 0 && a == h * dx) || (dy != 0 && b == h * dy);
        if (entering) {
          refill(a, b);
        } else if (TCellSlot& slot = window.Slot(a, b); slot.object) {
          PlaceInWindow(*this, slot.object, container, x + a, y + b, a, b);
        }
      }
    }
  }
  window.lastX = x;
  window.lastY = y;
}

void TMud::BuildCell(TCellWindow& window, TGLDummyCube* container, int k, int32_t X, int32_t Y, int a, int b,
                     TGLBaseSceneObject* oldObject) {
  TCellSlot& slot = window.Slot(a, b);
  const int32_t colour = GetPixel(k, X, Y);
  slot.colour = colour;
  if (Light && Light->GetShining() && LightSourceColours.IndexOf(colour) >= 0) {
    Light->GetPosition()->SetPoint(CellToScene(X, Y));
    return;
  }
  if (IsBackgroundColour(colour)) return;
  const std::vector<std::string>* names = IntermediateTextures ? IntermediateTextures->GetNames(colour) : nullptr;
  // A described colour without textures (a fire) is built too.
  if (!names && ObjectCatalog->Find(colour, "").IsEmpty()) return;
  if (names)
    for (const std::string& name : *names) LoadTexture(name);
  // A slot holds only containers the builder made.
  TGLDummyCube* object = BuildObject(container, colour, "", X, Y, false, static_cast<TGLDummyCube*>(oldObject), -1);
  if (!object) return;
  slot.object = object;
  PlaceInWindow(*this, object, container, X, Y, a, b);
}

bool TMud::HasIntermediateObject(int32_t x, int32_t y) const { return !IsBackgroundColour(GetPixel(3, x, y)); }

void TMud::UpdateDoorways(int32_t x, int32_t y) {
  if (!Doorways || Doorways->IsEmpty()) return;
  if (HasIntermediateObject(x, y)) {
    Doorways->HideAll();
    return;
  }
  std::vector<int32_t> near;
  for (int32_t i = -1; i <= 1; ++i)
    for (int32_t j = -1; j <= 1; ++j) {
      const int32_t colour = GetPixel(1, x + i, y + j);
      if (Doorways->ShowDoorway(colour)) near.push_back(colour);
    }
  Doorways->ShowOnly(near);
}

void TMud::UpdateMobs(int32_t x, int32_t y, const TMobsquare& mobs) {
  const std::vector<std::string>& names = mobs.Cell(0, 0);
  // Seeded by place and order, the same names in the same cell build the
  // same monsters: the frames of the weather rebuild none.
  if (FMobsBuilt && FMobsBuilt->x == x && FMobsBuilt->y == y && FMobsBuilt->names == names) return;
  FMobsBuilt.reset();
  MobSquare->DeleteChildren();
  MobSquare->GetPosition()->SetPoint(CellToScene(x, y));
  MobSquare->GetPosition()->SetY(static_cast<float>(GetSmoothedHeight(x, y)));
  for (size_t n = 0; n < names.size(); ++n) {
    const std::string& name = names[n];
    // A name no entry carries builds nothing, not even an empty container.
    if (name.empty() || ObjectCatalog->Find(0, name).IsEmpty()) continue;
    for (const std::string& texture : ObjectCatalog->TexturesOfName(name)) LoadTexture(texture);
    const int64_t seed = int64_t(n + 1) * 10 * (x + 1) * (y + 1);
    BuildObject(MobSquare, 0, name, x, y, false, nullptr, static_cast<int32_t>(seed));
  }
  FMobsBuilt = TMobsPlace{x, y, names};
}
