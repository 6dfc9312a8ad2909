#include "client/static_batches.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "client/static_area.h"
#include "engine/face_properties.h"
#include "engine/gl_api.h"
#include "engine/gl_color.h"
#include "engine/gl_state_cache.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "engine/render_context_info.h"
#include "engine/texture.h"

CLIENT_DEFINE_CLASS(TStaticBatches, TGLBaseSceneObject)

namespace {

// A multi-pass material asks for its passes through UnApply; one that never
// stops asking is cut off.
constexpr int kMaxPasses = 64;

// The material that is applied in the end (a library material may refer to
// another) when the batch may draw with it: nothing that depends on the
// object it is drawn for (generated texture coordinates, a shader, a second
// texture unit).
TGLMaterial* MaterialDrawnTogether(TGLMaterial& material) {
  TGLMaterial* applied = &material;
  for (int depth = 0; TGLLibMaterial* library = applied->GetLibMaterial(); ++depth) {
    if (depth >= 16 || library->GetShader() || !library->GetTexture2Name().empty()) return nullptr;
    applied = library->GetMaterial();
  }
  if (applied->HasTexture() && applied->GetTexture()->GetEnabled()) {
    TGLTexture& texture = *applied->GetTexture();
    if (texture.GetMappingMode() != tmmUser || texture.GetImage()->NativeTextureTarget() != GL_TEXTURE_2D)
      return nullptr;
  }
  return applied;
}

// Whether what the material draws blends the same whatever is drawn before
// it: nothing blends, or every fragment is clear (thrown away by the alpha
// test or adding nothing) or opaque. Asked once the material is applied, so
// that its texture has been uploaded.
bool BlendsInAnyOrder(TGLMaterial& applied, const TRenderContextInfo& rci) {
  if (rci.ignoreBlendingRequests) return true;
  switch (applied.GetBlendingMode()) {
    case bmOpaque:
    case bmAlphaTest50:
    case bmAlphaTest100: return true;
    case bmAdditive: return false;  // each adds to what lies behind, seen or not
    case bmTransparency: break;
  }
  if (applied.GetFrontProperties()->GetDiffuse()->GetAlpha() != 1.0f) return false;
  if (!applied.HasTexture() || applied.GetTexture()->GetDisabled()) return true;
  return applied.GetTexture()->SamplesClearOrOpaqueOnly();
}

// The model-view matrix times `matrix` while it lives.
class MatrixPushed {
public:
  explicit MatrixPushed(const TMatrix& matrix) {
    GL().glPushMatrix();
    GL().glMultMatrixf(matrix[0].V);
  }
  ~MatrixPushed() { GL().glPopMatrix(); }
  MatrixPushed(const MatrixPushed&) = delete;
  MatrixPushed& operator=(const MatrixPushed&) = delete;
};

// A hidden object's vertices: all on one point, which draws nothing.
void Collapse(TBatchVertex* vertices, std::size_t count) {
  for (std::size_t i = 1; i < count; ++i) vertices[i].Position = vertices[0].Position;
}

}  // namespace

TStaticBatches::TStaticBatches(TComponent* owner) : TGLBaseSceneObject(owner) {
  FObjectStyle |= sosDirectDraw | sosNoVisibilityCulling;
}

TStaticBatches::~TStaticBatches() {
  StopWatching();
  for (Area& area : FAreas)
    if (area.area) area.area->SetBatches(nullptr, -1);
}

void TStaticBatches::AddArea(TStaticArea* area) {
  area->SetBatches(this, static_cast<int>(FAreas.size()));
  FAreas.emplace_back().area = area;
  FRelayout = true;
}

bool TStaticBatches::DrewObject(const TGLBaseSceneObject& object) const {
  if (!FDrawing || object.GetWatcher() != this) return false;
  const Watched& watched = FWatched[object.GetWatcherTag()];
  return watched.group >= 0 && !FGroups[static_cast<std::size_t>(watched.group)].deferred;
}

int TStaticBatches::GetBuilds(const TStaticArea& area) const {
  const int index = area.GetBatchIndex();
  if (area.GetBatches() != this || index < 0 || index >= static_cast<int>(FAreas.size())) return 0;
  return FAreas[static_cast<std::size_t>(index)].builds;
}

TVector4f TStaticBatches::BarycenterAbsolutePosition() { return {1e15f, 1e15f, 1e15f, 1}; }

// --- what the areas hold ---------------------------------------------------

void TStaticBatches::SceneObjectChanged(TGLBaseSceneObject& object, std::uint32_t tag, TSceneObjectChange change) {
  if (tag >= FWatched.size() || FWatched[tag].object != &object) return;
  Watched& watched = FWatched[tag];
  switch (change) {
    case TSceneObjectChange::Gone:
      watched.object = nullptr;
      if (watched.role == Role::Area) FAreas[watched.area].area = nullptr;
      FRelayout = true;
      return;
    case TSceneObjectChange::Material:
      // Only which material a piece is drawn with is kept.
      if (watched.role != Role::Piece || BatchMaterialKey(*watched.material) == watched.materialKey) return;
      break;
    case TSceneObjectChange::Shape:
      break;
  }
  FAreas[watched.area].dirty = true;
  FAnyDirty = true;
}

std::uint32_t TStaticBatches::Watch(TGLBaseSceneObject& object, Role role, std::uint32_t area) {
  const auto index = static_cast<std::uint32_t>(FWatched.size());
  Watched& watched = FWatched.emplace_back();
  watched.object = &object;
  watched.role = role;
  watched.area = area;
  object.SetWatcher(this, index);
  return index;
}

void TStaticBatches::StopWatching() {
  for (const Watched& watched : FWatched)
    if (watched.object && watched.object->GetWatcher() == this) watched.object->SetWatcher(nullptr);
  FWatched.clear();
}

void TStaticBatches::WritePiece(const Watched& watched, const TBatchPiece& piece) {
  Group& group = FGroups[static_cast<std::size_t>(watched.group)];
  TBatchVertex* out = group.vertices.data() + watched.first;
  std::copy(piece.vertices.begin(), piece.vertices.end(), out);
  if (piece.hidden) Collapse(out, piece.vertices.size());
  if (!piece.colours.empty()) std::copy(piece.colours.begin(), piece.colours.end(), group.colours.begin() + watched.first);
}

void TStaticBatches::Relayout() {
  StopWatching();
  FGroups.clear();
  FBillboards.clear();
  std::erase_if(FAreas, [](const Area& area) { return area.area == nullptr; });
  std::map<std::tuple<const void*, TBatchKind, TBatchPrimitive, int>, std::size_t> groupOf;
  const TGLBaseSceneObject& batchSpace = GetParent() ? *GetParent() : *this;
  for (std::size_t a = 0; a < FAreas.size(); ++a) {
    Area& record = FAreas[a];
    TStaticArea& area = *record.area;
    area.SetBatches(this, static_cast<int>(a));
    const auto index = static_cast<std::uint32_t>(a);
    record.visits.assign(1, Watch(area, Role::Area, index));
    record.leftoverContainers.clear();
    record.wholeContainers.clear();
    record.containerGroups.clear();
    record.billboards.clear();
    for (int c = 0; c < area.GetCount(); ++c) {
      TGLBaseSceneObject& container = *area.GetChild(c);
      record.visits.push_back(Watch(container, Role::Container, index));
      TContainerPieces pieces = CollectContainerPieces(container, batchSpace);
      if (pieces.whole) record.wholeContainers.push_back(&container);
      if (pieces.whole || !pieces.leftovers.empty()) record.leftoverContainers.push_back(&container);
      for (TGLBaseSceneObject* leftover : pieces.leftovers)
        record.visits.push_back(Watch(*leftover, Role::Leftover, index));
      for (const TBatchPiece& piece : pieces.pieces) {
        const auto key = std::make_tuple(piece.key.material, piece.key.kind, piece.key.primitive, piece.key.layer);
        auto found = groupOf.find(key);
        if (found == groupOf.end()) {
          found = groupOf.emplace(key, FGroups.size()).first;
          Group& made = FGroups.emplace_back();
          made.key = piece.key;
          made.material = piece.material;
          made.areas.resize(FAreas.size());
        }
        Group& group = FGroups[found->second];
        const std::uint32_t w = Watch(*piece.object, Role::Piece, index);
        Watched& watched = FWatched[w];
        watched.group = static_cast<std::int32_t>(found->second);
        watched.material = piece.material;
        watched.materialKey = piece.key.material;
        watched.first = static_cast<std::uint32_t>(group.vertices.size());
        watched.count = static_cast<std::uint32_t>(piece.vertices.size());
        // Areas are laid out in order, so an area's share of a group is one range.
        Range& range = group.areas[a];
        if (range.count == 0) range.first = watched.first;
        range.count += watched.count;
        group.vertices.resize(group.vertices.size() + piece.vertices.size());
        if (!piece.colours.empty()) group.colours.resize(group.vertices.size());
        WritePiece(watched, piece);
        if (record.containerGroups.empty() || record.containerGroups.back() != std::pair{watched.group, &container})
          record.containerGroups.emplace_back(watched.group, &container);
        if (piece.billboard) {
          record.billboards.push_back(static_cast<std::uint32_t>(FBillboards.size()));
          FBillboards.push_back({w, *piece.billboard, piece.hidden});
        }
        record.visits.push_back(w);
      }
    }
    ++record.builds;
    record.dirty = false;
    record.billboardView = 0;
  }
  FDrawOrder.resize(FGroups.size());
  for (std::size_t g = 0; g < FGroups.size(); ++g) FDrawOrder[g] = static_cast<std::uint32_t>(g);
  std::stable_sort(FDrawOrder.begin(), FDrawOrder.end(),
                   [this](std::uint32_t a, std::uint32_t b) { return FGroups[a].key.layer < FGroups[b].key.layer; });
  FRelayout = false;
  FAnyDirty = false;
}

bool TStaticBatches::RebuildInPlace(std::uint32_t index) {
  Area& record = FAreas[index];
  if (!record.area) return false;
  TStaticArea& area = *record.area;
  // The area is walked as Relayout walked it; anything that no longer
  // matches (another object, another batch, another size) moves the arrays.
  std::size_t visit = 0;
  auto next = [&](const TGLBaseSceneObject* object, Role role) -> Watched* {
    if (visit >= record.visits.size()) return nullptr;
    Watched& watched = FWatched[record.visits[visit]];
    if (watched.object != object || watched.role != role) return nullptr;
    ++visit;
    return &watched;
  };
  if (!next(&area, Role::Area)) return false;
  const TGLBaseSceneObject& batchSpace = GetParent() ? *GetParent() : *this;
  std::vector<std::pair<Watched*, TBatchPiece>> writes;
  for (int c = 0; c < area.GetCount(); ++c) {
    TGLBaseSceneObject& container = *area.GetChild(c);
    if (!next(&container, Role::Container)) return false;
    TContainerPieces pieces = CollectContainerPieces(container, batchSpace);
    const bool wasWhole = std::find(record.wholeContainers.begin(), record.wholeContainers.end(), &container) !=
                          record.wholeContainers.end();
    if (pieces.whole != wasWhole) return false;
    for (TGLBaseSceneObject* leftover : pieces.leftovers)
      if (!next(leftover, Role::Leftover)) return false;
    for (TBatchPiece& piece : pieces.pieces) {
      Watched* watched = next(piece.object, Role::Piece);
      if (!watched || !(FGroups[static_cast<std::size_t>(watched->group)].key == piece.key) ||
          watched->count != piece.vertices.size())
        return false;
      writes.emplace_back(watched, std::move(piece));
    }
  }
  if (visit != record.visits.size()) return false;
  for (auto& [watched, piece] : writes) {
    watched->material = piece.material;
    WritePiece(*watched, piece);
    if (piece.billboard)
      for (std::uint32_t b : record.billboards)
        if (FWatched[FBillboards[b].watched].object == piece.object) {
          FBillboards[b].board = *piece.billboard;
          FBillboards[b].hidden = piece.hidden;
        }
  }
  ++record.builds;
  record.dirty = false;
  record.billboardView = 0;
  return true;
}

void TStaticBatches::Update() {
  if (!FRelayout && FAnyDirty) {
    FAnyDirty = false;
    for (std::uint32_t a = 0; a < FAreas.size() && !FRelayout; ++a)
      if (FAreas[a].dirty && !RebuildInPlace(a)) FRelayout = true;
  }
  if (FRelayout) Relayout();
}

// --- drawing -----------------------------------------------------------------

void TStaticBatches::MakeBillboards(Area& area, const float (&modelView)[16]) {
  for (std::uint32_t b : area.billboards) {
    const Billboard& billboard = FBillboards[b];
    const Watched& watched = FWatched[billboard.watched];
    TBatchVertex* out = FGroups[static_cast<std::size_t>(watched.group)].vertices.data() + watched.first;
    const std::array<TBatchVertex, 4> quad = BillboardQuad(billboard.board, modelView);
    std::copy(quad.begin(), quad.end(), out);
    if (billboard.hidden) Collapse(out, quad.size());
  }
  area.billboardView = FViewVersion;
}

void TStaticBatches::DrawGroup(Group& group, TRenderContextInfo& rci) {
  bool inView = false;
  for (std::size_t a = 0; a < FAreas.size() && !inView; ++a) inView = FShown[a] && group.areas[a].count > 0;
  if (!inView) return;
  TGLMaterial* applied = nullptr;
  if (!rci.ignoreMaterials) {
    applied = MaterialDrawnTogether(*group.material);
    if (!applied) {
      group.deferred = true;
      return;
    }
    group.material->Apply(rci);
    if (!BlendsInAnyOrder(*applied, rci)) {
      group.material->UnApply(rci);
      group.deferred = true;
      return;
    }
  }
  const GLApi& gl = GL();
  constexpr GLsizei stride = sizeof(TBatchVertex);
  const TBatchVertex* v = group.vertices.data();
  gl.glVertexPointer(3, GL_FLOAT, stride, &v->Position);
  xgl::TexCoordPointer(2, GL_FLOAT, stride, &v->Tex);
  if (group.key.kind == TBatchKind::Billboards) {
    // A sprite sends no normal: it faces the camera.
    gl.glDisableClientState(GL_NORMAL_ARRAY);
    gl.glNormal3f(FView[2], FView[6], FView[10]);
  } else {
    gl.glNormalPointer(GL_FLOAT, stride, &v->Normal);
    gl.glEnableClientState(GL_NORMAL_ARRAY);
  }
  const bool coloured = group.key.kind == TBatchKind::ColouredFaces;
  const GLenum mode = group.key.primitive == TBatchPrimitive::Quads ? GL_QUADS : GL_TRIANGLES;
  auto drawRuns = [&] {
    if (coloured) {
      // As a mesh draws: the vertex colours drive ambient and diffuse.
      gl.glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
      gl.glColorPointer(4, GL_FLOAT, 0, group.colours.data());
      gl.glEnableClientState(GL_COLOR_ARRAY);
      gl.glEnable(GL_COLOR_MATERIAL);
      gl.glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
      ResetGLMaterialColors();
    }
    // Neighbouring areas' shares lie one after the other: one call for each
    // run of them in view.
    std::uint32_t start = 0, end = 0;
    for (std::size_t a = 0; a < FAreas.size(); ++a) {
      const Range& range = group.areas[a];
      if (!FShown[a] || range.count == 0) continue;
      if (end > start && range.first == end) {
        end += range.count;
        continue;
      }
      if (end > start) gl.glDrawArrays(mode, static_cast<GLint>(start), static_cast<GLsizei>(end - start));
      start = range.first;
      end = range.first + range.count;
    }
    if (end > start) gl.glDrawArrays(mode, static_cast<GLint>(start), static_cast<GLsizei>(end - start));
    if (coloured) {
      gl.glDisableClientState(GL_COLOR_ARRAY);
      gl.glPopAttrib();
    }
  };
  for (int pass = 0;; ++pass) {
    try {
      drawRuns();
    } catch (...) {
      // The material comes off before the frame reports the failure.
      for (int more = 0; applied && more < kMaxPasses && group.material->UnApply(rci); ++more) {
      }
      throw;
    }
    if (!applied || !group.material->UnApply(rci) || pass + 1 >= kMaxPasses) break;
  }
}

void TStaticBatches::Render(TRenderContextInfo& rci) {
  FDrawing = false;
  if (!GetVisible() || !FEnabled || rci.drawState == rdsPicking || rci.amalgamating) return;
  Update();
  FShown.assign(FAreas.size(), 0);
  for (std::size_t a = 0; a < FAreas.size(); ++a) {
    TStaticArea* area = FAreas[a].area;
    // The test the area makes itself: it draws what is left in its turn.
    FShown[a] = area && area->GetVisible() && !(area->GetCulling() && TStaticArea::OutOfView(area->Box(), rci));
  }
  for (Group& group : FGroups) group.deferred = false;
  FDrawing = true;

  const GLApi& gl = GL();
  const MatrixPushed placed(GetMatrix());
  if (!FBillboards.empty()) {
    float view[16];
    gl.glGetFloatv(GL_MODELVIEW_MATRIX, view);
    if (std::memcmp(view, FView, sizeof view) != 0) {
      std::memcpy(FView, view, sizeof view);
      ++FViewVersion;
    }
    for (std::size_t a = 0; a < FAreas.size(); ++a)
      if (FShown[a] && FAreas[a].billboardView != FViewVersion) MakeBillboards(FAreas[a], FView);
  }
  // The arrays leave GL's current normal, colour and texture point
  // undefined, and their client state set: both go back afterwards.
  const ScopedGLAttribs current(GL_CURRENT_BIT, rci.GLStates);
  gl.glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  struct PopClient {
    ~PopClient() { GL().glPopClientAttrib(); }
  } popClient;
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  xgl::EnableClientState(GL_TEXTURE_COORD_ARRAY);
  for (std::uint32_t g : FDrawOrder) DrawGroup(FGroups[g], rci);
  xgl::DisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void TStaticBatches::RenderContainer(TGLBaseSceneObject& container, bool whole, TRenderContextInfo& rci) {
  if (whole) {
    container.Render(rci);
    return;
  }
  if (!container.GetVisible()) return;
  const MatrixPushed placed(container.GetMatrix());
  for (int i = 0; i < container.GetCount(); ++i) {
    TGLBaseSceneObject& child = *container.GetChild(i);
    if (!DrewObject(child)) child.Render(rci);
  }
}

void TStaticBatches::RenderLeftovers(TStaticArea& area, TRenderContextInfo& rci) {
  const int index = area.GetBatchIndex();
  if (area.GetBatches() != this || index < 0 || index >= static_cast<int>(FAreas.size())) return;
  const Area& record = FAreas[static_cast<std::size_t>(index)];
  std::vector<TGLBaseSceneObject*> containers = record.leftoverContainers;
  for (const auto& [group, container] : record.containerGroups)
    if (FGroups[static_cast<std::size_t>(group)].deferred) containers.push_back(container);
  if (containers.empty()) return;
  const MatrixPushed placed(area.GetMatrix());
  // In the area's child order, then farthest first as the area sorts its
  // children (the largest key first, equal keys the later child first).
  std::vector<std::pair<int, TGLBaseSceneObject*>> ordered;
  for (TGLBaseSceneObject* container : containers) ordered.emplace_back(container->GetIndex(), container);
  std::sort(ordered.begin(), ordered.end());
  ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
  auto isWhole = [&](const TGLBaseSceneObject* container) {
    return std::find(record.wholeContainers.begin(), record.wholeContainers.end(), container) !=
           record.wholeContainers.end();
  };
  if (area.GetCount() == 1) {
    RenderContainer(*ordered.front().second, isWhole(ordered.front().second), rci);
    return;
  }
  std::vector<std::pair<float, TGLBaseSceneObject*>> keyed;
  for (const auto& [order, container] : ordered)
    if (container->GetVisible()) keyed.emplace_back(container->BarycenterSqrDistanceTo(rci.cameraPosition) + 1.0f, container);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto it = keyed.rbegin(); it != keyed.rend(); ++it) RenderContainer(*it->second, isWhole(it->second), rci);
}
