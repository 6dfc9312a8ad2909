#pragma once
// What the static objects of one cell's container give the batches they are
// drawn in: for each object that can be drawn together with others, the
// material it is drawn with, how it is drawn and its vertices in the
// batches' coordinates; an object that must draw itself (a fire, anything
// with children or effects, a sprite that fades, a face that writes no
// depth, a class the batches do not know) gives no piece and stays a
// leftover, drawn by its own render in its area's turn.
//
// Faces that lie in one plane over each other meet at equal depths, where
// the one drawn later wins (a door under the wall face of its cube side):
// such a face gets a higher layer than the faces of other materials before
// it in the container, and layers are drawn in order, so the later one still
// wins. Geometry only: no GL, testable without a context.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/vector_types.h"
#include "objects/sprite_geometry.h"

class TGLBaseSceneObject;
class TGLMaterial;

enum class TBatchKind : std::uint8_t {
  Faces,          // texture point, normal and position per vertex
  ColouredFaces,  // the same and a colour that drives ambient and diffuse (ground meshes)
  Billboards,     // sprites: their quad faces the camera, so it is made for each view
};
enum class TBatchPrimitive : std::uint8_t { Quads, Triangles };

// Which batch a piece goes into. The material is only compared, never
// followed: the library material the object's material resolves to, or the
// object's own material when it resolves to none.
struct TBatchKey {
  const void* material = nullptr;
  TBatchKind kind = TBatchKind::Faces;
  TBatchPrimitive primitive = TBatchPrimitive::Quads;
  int layer = 0;
  bool operator==(const TBatchKey&) const = default;
  // The same batch but for the layer.
  bool SameBatchAs(const TBatchKey& other) const {
    return material == other.material && kind == other.kind && primitive == other.primitive;
  }
};

// The record the batches draw from: 32 bytes, tightly packed.
struct TBatchVertex {
  TTexPoint Tex;
  TAffineVector Normal;
  TAffineVector Position;
};
static_assert(sizeof(TBatchVertex) == 32);

// A sprite of a batch: where it stands and how it is shaped.
struct TBillboard {
  TMatrix toBatch;  // the sprite's local coordinates to the batches'
  SpriteShape shape;
};

struct TBatchPiece {
  TGLBaseSceneObject* object = nullptr;
  TGLMaterial* material = nullptr;  // the object's own: applying it applies what it resolves to
  TBatchKey key;
  std::vector<TBatchVertex> vertices;  // a billboard: its four corners, made per view
  std::vector<TVector4f> colours;      // ColouredFaces: one per vertex
  std::optional<TBillboard> billboard;
  // A flat piece (a face, a disk): its unit normal, for the layers.
  std::optional<TAffineVector> planeNormal;
  // Hidden, or under a hidden container: drawn as nothing, keeping its place.
  bool hidden = false;
};

struct TContainerPieces {
  std::vector<TBatchPiece> pieces;             // in child order
  std::vector<TGLBaseSceneObject*> leftovers;  // the children that draw themselves
  // The container itself must render as a whole (it has effects, axes or a
  // sorting of its own): no piece, every child a leftover.
  bool whole = false;
};

// The material key of an object's material (see TBatchKey).
const void* BatchMaterialKey(const TGLMaterial& material);

// The pieces of `container`'s children. `batchSpace` is the object the
// batches' coordinates are those of: the container and its ancestors up to
// it are walked for the transformation.
TContainerPieces CollectContainerPieces(TGLBaseSceneObject& container, const TGLBaseSceneObject& batchSpace);

// Raises the layer of every planar piece that lies over an earlier one of
// another batch in the same container (see above).
void AssignLayers(std::vector<TBatchPiece>& pieces);

// The quad of a billboard in the batches' coordinates, for the model-view
// matrix the batches are drawn with (16 floats as GL gives them).
std::array<TBatchVertex, 4> BillboardQuad(const TBillboard& billboard, const float (&batchModelView)[16]);
