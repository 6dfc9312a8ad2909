#pragma once
// A square of map cells whose static objects are drawn together: the
// static pass puts each cell's container into the area of its square, and
// a frame skips an area that is wholly out of the view, beyond the far
// plane, or wholly past the end of a linear fog (which would paint it in
// the fog's own colour over ground and sky of that colour).
//
// The area's box is gathered from its objects the first time a frame needs
// it and again after a container comes or goes; billboards count as any
// turn of themselves, fires as the reach of their flames.
//
// When the static batches (static_batches.h) hold the area, they draw its
// objects with those of the other areas in view, and the area draws only
// what they left: its fires and other objects that draw themselves, and the
// objects of materials that must blend in order, farthest first.

#include <memory>

#include "engine/vector_types.h"
#include "objects/dummy_cube.h"

class TStaticBatches;

class TStaticArea : public TGLDummyCube {
  CLIENT_DECLARE_CLASS(TStaticArea)
public:
  // Cells along each side of an area.
  static constexpr int kCells = 8;

  explicit TStaticArea(TComponent* owner = nullptr);

  // The box of everything the area draws, in scene coordinates.
  const TAABB& Box();
  // Gathers the box again at the next need (after a change inside a
  // container, which the area is not told of).
  void InvalidateBox() { FBoxValid = false; }
  // Whether the last frame skipped the area.
  bool GetCulled() const { return FCulled; }
  // Off, the area is drawn in every frame (the whole map, as without
  // areas); on by default.
  bool GetCulling() const { return FCulling; }
  void SetCulling(bool value) { FCulling = value; }

  // The batches that draw the area's objects (set by them), and the area's
  // place among theirs; nullptr and -1 for none.
  TStaticBatches* GetBatches() const { return FBatches; }
  int GetBatchIndex() const { return FBatchIndex; }
  void SetBatches(TStaticBatches* batches, int index) {
    FBatches = batches;
    FBatchIndex = index;
  }

  // Whether a frame seen through `rci` leaves the box out.
  static bool OutOfView(const TAABB& box, const TRenderContextInfo& rci);

  // The centre of the box: areas are drawn farthest first.
  TVector4f BarycenterAbsolutePosition() override;
  void Render(TRenderContextInfo& rci) override;
  TGLBaseSceneObject* AddChild(std::unique_ptr<TGLBaseSceneObject> child) override;
  TGLBaseSceneObject* Insert(int index, std::unique_ptr<TGLBaseSceneObject> child) override;
  std::unique_ptr<TGLBaseSceneObject> Remove(TGLBaseSceneObject* child, bool keepChildren) override;
  void DeleteChildren() override;

private:
  TAABB FBox{};
  bool FBoxValid = false;
  bool FCulled = false;
  bool FCulling = true;
  TStaticBatches* FBatches = nullptr;
  int FBatchIndex = -1;
};
