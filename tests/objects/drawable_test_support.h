#pragma once
// Helpers for the drawable tests: a subclass that counts the change
// signals a drawable sends, and a parent that scales and turns.

#include <memory>

#include "engine/scene_node.h"
#include "objects/dummy_cube.h"
#include "tests/objects/geometry_expect.h"

template <class T>
class Counting : public T {
public:
  using T::T;
  int structure = 0;
  int notify = 0;
  void StructureChanged() override {
    ++structure;
    T::StructureChanged();
  }
  void NotifyChange(TObject* sender) override {
    ++notify;
    T::NotifyChange(sender);
  }
  void ResetCounts() {
    structure = 0;
    notify = 0;
  }
};

// A dummy cube that doubles its children and turns them so that their
// local X goes to -Z, Y to +Y and Z to +X, centred at (5, 0, 0).
inline std::unique_ptr<TGLDummyCube> TurnedParent() {
  auto parent = std::make_unique<TGLDummyCube>();
  parent->SetMatrix(FrameRows({0, 0, -2}, {0, 2, 0}, {2, 0, 0}, {5, 0, 0}));
  return parent;
}
