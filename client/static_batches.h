#pragma once
// The static areas' objects drawn together: the faces, meshes, spheres,
// disks and sprites of every area put into one vertex array per material
// (and kind and layer, static_batch_pieces.h), an area's share a range of
// each array, in the order the areas were made. A frame draws, for each
// array, the ranges of the areas in view, neighbouring ranges as one call:
// a few hundred draws for a whole map instead of one per object. The
// arrays hold the batches' coordinates, those of the static cube this
// object stands under (it stays at its origin); sprites' quads are made
// again when the view changes.
//
// It draws before everything else under the static cube (it reports itself
// farthest), and only what blends the same in any order under the depth
// test: a material whose fragments can only be clear or opaque. Any other
// (a graded alpha, additive blending, a shader, a second texture,
// generated texture coordinates) is left to the areas, which draw those
// objects one by one farthest first, as they draw their leftovers (fires,
// anything that is not a plain drawable). Picking, and a frame compiled
// into a display list, draw every object by itself.
//
// An area's part is made again when what it holds changes: the objects it
// holds tell this object (TSceneObjectWatcher) when they are shown, hidden,
// moved, reshaped, come or go, or take another material; a change of what
// a material holds (its texture's picture, the brightness of the day) is
// applied at each draw and rebuilds nothing. A hidden object keeps its place
// in its array, drawn as nothing, so showing and hiding a door rewrites
// only its area's part, in place; a change that moves anything in the
// arrays (an object that comes or goes, or takes another material) lays
// them all out again.

#include <cstdint>
#include <vector>

#include "client/static_batch_pieces.h"
#include "engine/scene_node.h"

class TStaticArea;

class TStaticBatches : public TGLBaseSceneObject, private TSceneObjectWatcher {
  CLIENT_DECLARE_CLASS(TStaticBatches)
public:
  explicit TStaticBatches(TComponent* owner = nullptr);
  ~TStaticBatches() override;

  // Appends an area; its objects are drawn from the batches from the next
  // frame on.
  void AddArea(TStaticArea* area);
  // Off, every area draws its objects one by one, as without batches.
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value) { FEnabled = value; }

  // Whether the batches drew in the frame being rendered: the areas then
  // draw only what the batches did not.
  bool DrawsThisFrame() const { return FDrawing; }
  // Whether `object` was drawn from a batch in the frame being rendered.
  bool DrewObject(const TGLBaseSceneObject& object) const;
  // The area's objects the batches did not draw, its containers farthest
  // first as the area orders them, under the area's own placement.
  void RenderLeftovers(TStaticArea& area, TRenderContextInfo& rci);
  // How many times the area's part was made; 0 for an area not held.
  int GetBuilds(const TStaticArea& area) const;

  // Farther than anything: drawn before the rest of the static cube.
  TVector4f BarycenterAbsolutePosition() override;
  void Render(TRenderContextInfo& rci) override;

private:
  struct Range {
    std::uint32_t first = 0, count = 0;
  };
  struct Group {
    TBatchKey key;
    TGLMaterial* material = nullptr;  // the first piece's, applied for all
    std::vector<TBatchVertex> vertices;
    std::vector<TVector4f> colours;
    std::vector<Range> areas;  // by area index
    bool deferred = false;     // left to the areas in this frame
  };
  enum class Role : std::uint8_t { Area, Container, Piece, Leftover };
  struct Watched {
    TGLBaseSceneObject* object = nullptr;
    Role role = Role::Piece;
    std::uint32_t area = 0;
    std::int32_t group = -1;
    TGLMaterial* material = nullptr;  // a piece's own material
    const void* materialKey = nullptr;
    std::uint32_t first = 0, count = 0;
  };
  struct Billboard {
    std::uint32_t watched = 0;
    TBillboard board;
    bool hidden = false;
  };
  struct Area {
    TStaticArea* area = nullptr;
    int builds = 0;
    bool dirty = true;
    std::vector<std::uint32_t> visits;  // watched indices in the order the area was walked
    std::vector<TGLBaseSceneObject*> leftoverContainers;
    std::vector<TGLBaseSceneObject*> wholeContainers;
    // Which containers hold pieces of which group, for groups left to the areas.
    std::vector<std::pair<std::int32_t, TGLBaseSceneObject*>> containerGroups;
    std::vector<std::uint32_t> billboards;
    std::uint64_t billboardView = 0;
  };

  void SceneObjectChanged(TGLBaseSceneObject& object, std::uint32_t tag, TSceneObjectChange change) override;
  // Dirty parts made again, in place while nothing moved in the arrays, or
  // all arrays laid out again.
  void Update();
  void Relayout();
  bool RebuildInPlace(std::uint32_t index);
  void StopWatching();
  std::uint32_t Watch(TGLBaseSceneObject& object, Role role, std::uint32_t area);
  void WritePiece(const Watched& watched, const TBatchPiece& piece);
  void MakeBillboards(Area& area, const float (&modelView)[16]);
  void DrawGroup(Group& group, TRenderContextInfo& rci);
  void RenderContainer(TGLBaseSceneObject& container, bool whole, TRenderContextInfo& rci);

  std::vector<Area> FAreas;
  std::vector<Group> FGroups;
  std::vector<std::uint32_t> FDrawOrder;  // groups by layer
  std::vector<Watched> FWatched;
  std::vector<Billboard> FBillboards;
  std::vector<char> FShown;  // by area, in the frame being rendered
  bool FRelayout = true;
  bool FAnyDirty = true;
  bool FEnabled = true;
  bool FDrawing = false;
  float FView[16]{};
  std::uint64_t FViewVersion = 1;
};
