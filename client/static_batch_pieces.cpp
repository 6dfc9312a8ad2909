#include "client/static_batch_pieces.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "engine/custom_scene_object.h"
#include "engine/effects.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene_node.h"
#include "objects/disk.h"
#include "objects/dummy_cube.h"
#include "objects/mesh.h"
#include "objects/plane.h"
#include "objects/sphere.h"
#include "objects/sprite.h"

namespace {

// Row vectors, translation in row 3, as the engine keeps its matrices; in
// double, so that a chain of placements loses nothing on the way.
struct Placement {
  double m[4][4]{};

  static Placement Identity() {
    Placement p;
    for (int i = 0; i < 4; ++i) p.m[i][i] = 1;
    return p;
  }
  static Placement Of(const TMatrix& matrix) {
    Placement p;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) p.m[i][j] = matrix[i][j];
    return p;
  }
  // This placement first, then `then`.
  Placement Then(const Placement& then) const {
    Placement r;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) r.m[i][j] += m[i][k] * then.m[k][j];
    return r;
  }
  TAffineVector Point(const TAffineVector& v) const {
    TAffineVector r;
    for (int j = 0; j < 3; ++j) r[j] = static_cast<float>(v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j] + m[3][j]);
    return r;
  }
  // A normal goes through the inverse transpose of the linear part; its
  // length does not matter (GL normalises it).
  TAffineVector Normal(const TAffineVector& n) const {
    const double a = m[0][0], b = m[0][1], c = m[0][2], d = m[1][0], e = m[1][1], f = m[1][2], g = m[2][0],
                 h = m[2][1], i = m[2][2];
    // The cofactor matrix is the inverse transpose up to the determinant.
    const double cof[3][3] = {{e * i - f * h, f * g - d * i, d * h - e * g},
                              {c * h - b * i, a * i - c * g, b * g - a * h},
                              {b * f - c * e, c * d - a * f, a * e - b * d}};
    const double det = a * cof[0][0] + b * cof[0][1] + c * cof[0][2];
    const double s = det < 0 ? -1.0 : 1.0;
    TAffineVector r;
    for (int j = 0; j < 3; ++j) r[j] = static_cast<float>(s * (n[0] * cof[0][j] + n[1] * cof[1][j] + n[2] * cof[2][j]));
    return r;
  }
  TMatrix AsMatrix() const {
    TMatrix r;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) r[i][j] = static_cast<float>(m[i][j]);
    return r;
  }
};

TAffineVector Unit(TAffineVector v) {
  const double length = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  if (length > 0)
    for (int k = 0; k < 3; ++k) v[k] = static_cast<float>(v[k] / length);
  return v;
}

// The vertices of generated geometry as one primitive: quads stay quads
// (GL splits them as it splits the object's own) unless they come with
// triangles, strips and fans become triangles; nothing for lines or colours.
bool Assemble(std::span<const GeometryBatch> batches, TBatchPrimitive& primitive,
              std::vector<GeometryVertex>& out) {
  bool quads = false, triangles = false;
  for (const GeometryBatch& batch : batches) {
    const bool quad = batch.Kind == PrimitiveKind::Quads || batch.Kind == PrimitiveKind::QuadStrip;
    (quad ? quads : triangles) = true;
  }
  if (quads && triangles) {
    // A disk's rings round a fan: every quad as two triangles.
    std::vector<GeometryBatch> split(batches.begin(), batches.end());
    for (GeometryBatch& batch : split) {
      if (batch.Kind != PrimitiveKind::Quads && batch.Kind != PrimitiveKind::QuadStrip) continue;
      std::vector<GeometryVertex> corners;
      TBatchPrimitive ignored;
      if (!Assemble({&batch, 1}, ignored, corners)) return false;
      batch.Kind = PrimitiveKind::Triangles;
      batch.Vertices.clear();
      for (size_t i = 0; i + 3 < corners.size(); i += 4)
        batch.Vertices.insert(batch.Vertices.end(),
                              {corners[i], corners[i + 1], corners[i + 2], corners[i], corners[i + 2], corners[i + 3]});
    }
    return Assemble(split, primitive, out);
  }
  for (const GeometryBatch& batch : batches) {
    if (!batch.Colors.empty()) return false;
    const auto& v = batch.Vertices;
    const size_t n = v.size();
    switch (batch.Kind) {
      case PrimitiveKind::Quads:
        quads = true;
        out.insert(out.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n / 4 * 4));
        break;
      case PrimitiveKind::QuadStrip:
        quads = true;
        for (size_t i = 0; i + 3 < n; i += 2) out.insert(out.end(), {v[i], v[i + 1], v[i + 3], v[i + 2]});
        break;
      case PrimitiveKind::Triangles:
        triangles = true;
        out.insert(out.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n / 3 * 3));
        break;
      case PrimitiveKind::TriangleStrip:
        triangles = true;
        // Every second triangle of a strip turns the other way round.
        for (size_t i = 0; i + 2 < n; ++i)
          if (i % 2 == 0)
            out.insert(out.end(), {v[i], v[i + 1], v[i + 2]});
          else
            out.insert(out.end(), {v[i + 1], v[i], v[i + 2]});
        break;
      case PrimitiveKind::TriangleFan:
        triangles = true;
        for (size_t i = 1; i + 1 < n; ++i) out.insert(out.end(), {v[0], v[i], v[i + 1]});
        break;
      case PrimitiveKind::Lines:
      case PrimitiveKind::LineStrip:
        return false;
    }
  }
  primitive = triangles ? TBatchPrimitive::Triangles : TBatchPrimitive::Quads;
  return true;
}

// The mesh's primitive in the same terms; its vertices as generated vertices.
bool AssembleMesh(const TGLMesh& mesh, TBatchPrimitive& primitive, std::vector<GeometryVertex>& out,
                  std::vector<TVector4f>& colours) {
  const TVertexList& list = *mesh.GetVertices();
  GeometryBatch batch;
  for (int i = 0; i < list.GetCount(); ++i) {
    const TVertexData& d = list.GetData()[i];
    if (d.Color[3] != 1.0f) return false;  // it would blend through COLOR_MATERIAL
    batch.Vertices.push_back({d.TexCoord, d.Normal, d.Coord});
  }
  switch (mesh.GetMode()) {
    case mmQuads: batch.Kind = PrimitiveKind::Quads; break;
    case mmQuadStrip: batch.Kind = PrimitiveKind::QuadStrip; break;
    case mmTriangles: batch.Kind = PrimitiveKind::Triangles; break;
    case mmTriangleStrip: batch.Kind = PrimitiveKind::TriangleStrip; break;
    case mmTriangleFan:
    case mmPolygon: batch.Kind = PrimitiveKind::TriangleFan; break;  // a polygon GL draws is convex
  }
  // The colours follow the vertices through the same assembly.
  std::vector<GeometryVertex> indexed;
  GeometryBatch tagged = batch;
  for (size_t i = 0; i < tagged.Vertices.size(); ++i) tagged.Vertices[i].Tex = {static_cast<float>(i), 0};
  if (!Assemble({&tagged, 1}, primitive, indexed)) return false;
  for (const GeometryVertex& v : indexed) {
    const auto i = static_cast<size_t>(v.Tex.S);
    out.push_back(batch.Vertices[i]);
    colours.push_back(list.GetData()[i].Color);
  }
  return true;
}

template <class T>
bool Is(const TGLBaseSceneObject& object) {
  return &object.ClassType() == &T::StaticClass();
}

// What an object must be to be drawn from a batch: one of the kinds below
// and nothing drawn besides its own geometry.
bool DrawsOnlyItself(TGLBaseSceneObject& object) {
  if (object.GetCount() > 0 || object.GetShowAxes()) return false;
  if (object.GetObjectStyle() & sosIgnoreDepthBuffer) return false;
  const TGLObjectEffects* effects = object.GetEffectsIfAny();
  return !effects || effects->GetCount() == 0;
}

std::optional<TBatchPiece> PieceOf(TGLBaseSceneObject& object, const Placement& toBatch) {
  if (!DrawsOnlyItself(object)) return std::nullopt;
  auto* custom = dynamic_cast<TGLCustomSceneObject*>(&object);
  if (!custom) return std::nullopt;
  TBatchPiece piece;
  piece.object = &object;
  piece.material = custom->GetMaterial();
  piece.key.material = BatchMaterialKey(*piece.material);
  std::vector<GeometryVertex> vertices;
  bool flat = false;

  if (Is<TGLSprite>(object)) {
    const auto& sprite = static_cast<const TGLSprite&>(object);
    if (sprite.GetAlphaChannel() != 1.0f || sprite.GetNoZWrite()) return std::nullopt;
    piece.key.kind = TBatchKind::Billboards;
    piece.key.primitive = TBatchPrimitive::Quads;
    piece.billboard = TBillboard{toBatch.AsMatrix(), sprite.Shape()};
    piece.vertices.resize(4);
    return piece;
  }
  if (Is<TGLPlane>(object)) {
    const auto& plane = static_cast<const TGLPlane&>(object);
    if (plane.GetNoZWrite()) return std::nullopt;
    if (!Assemble(BuildPlaneGeometry(plane.Shape()), piece.key.primitive, vertices)) return std::nullopt;
    flat = true;
  } else if (Is<TGLSphere>(object)) {
    const auto& sphere = static_cast<const TGLSphere&>(object);
    // An inside-out sphere turns GL's front face round: it draws itself.
    if (sphere.GetNormalDirection() != ndOutside) return std::nullopt;
    if (!Assemble(BuildSphereGeometry(sphere.Shape()), piece.key.primitive, vertices)) return std::nullopt;
  } else if (Is<TGLDisk>(object)) {
    const auto& disk = static_cast<const TGLDisk&>(object);
    if (disk.GetNormals() == nsNone) return std::nullopt;  // it would take GL's current normal
    if (!Assemble(BuildDiskGeometry(disk.Shape()), piece.key.primitive, vertices)) return std::nullopt;
    flat = true;
  } else if (Is<TGLMesh>(object)) {
    const auto& mesh = static_cast<const TGLMesh&>(object);
    if (mesh.GetVertexMode() != vmVNCT) return std::nullopt;
    if (!AssembleMesh(mesh, piece.key.primitive, vertices, piece.colours)) return std::nullopt;
    piece.key.kind = TBatchKind::ColouredFaces;
  } else {
    return std::nullopt;
  }
  piece.vertices.reserve(vertices.size());
  for (const GeometryVertex& v : vertices)
    piece.vertices.push_back({v.Tex, toBatch.Normal(v.Normal), toBatch.Point(v.Position)});
  if (flat) piece.planeNormal = Unit(toBatch.Normal({0, 0, 1}));
  return piece;
}

}  // namespace

const void* BatchMaterialKey(const TGLMaterial& material) {
  if (const TGLLibMaterial* library = material.GetLibMaterial()) return library;
  return &material;
}

TContainerPieces CollectContainerPieces(TGLBaseSceneObject& container, const TGLBaseSceneObject& batchSpace) {
  TContainerPieces result;
  const TGLObjectsSorting sorting = container.GetObjectsSorting();
  const TGLObjectEffects* effects = container.GetEffectsIfAny();
  const auto* cube = dynamic_cast<const TGLDummyCube*>(&container);
  if (!Is<TGLDummyCube>(container) || cube->GetAmalgamate() || cube->GetVisibleAtRunTime() ||
      container.GetShowAxes() || (container.GetObjectStyle() & sosIgnoreDepthBuffer) ||
      (effects && effects->GetCount() > 0) || (sorting != osNone && container.GetCount() > 1)) {
    // Its children are drawn in an order of its own making, or with
    // something of its own: it renders as it stands.
    result.whole = true;
    for (int i = 0; i < container.GetCount(); ++i) result.leftovers.push_back(container.GetChild(i));
    return result;
  }
  Placement toBatch = Placement::Identity();
  for (TGLBaseSceneObject* step = &container; step && step != &batchSpace; step = step->GetParent())
    toBatch = toBatch.Then(Placement::Of(step->GetMatrix()));
  const bool shown = container.GetVisible();
  for (int i = 0; i < container.GetCount(); ++i) {
    TGLBaseSceneObject& child = *container.GetChild(i);
    std::optional<TBatchPiece> piece = PieceOf(child, Placement::Of(child.GetMatrix()).Then(toBatch));
    if (!piece) {
      result.leftovers.push_back(&child);
      continue;
    }
    piece->hidden = !shown || !child.GetVisible();
    result.pieces.push_back(std::move(*piece));
  }
  AssignLayers(result.pieces);
  return result;
}

void AssignLayers(std::vector<TBatchPiece>& pieces) {
  // Within a cell's size: a hundredth of a millimetre, well above float
  // noise, well below anything the builder offsets a face by (0.05).
  constexpr float kSame = 1e-3f;
  struct Flat {
    TAffineVector normal;
    double offset;
    TAABB box;
  };
  std::vector<std::optional<Flat>> flats(pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    const TBatchPiece& p = pieces[i];
    if (!p.planeNormal || p.vertices.empty()) continue;
    Flat f{*p.planeNormal, 0, {p.vertices[0].Position, p.vertices[0].Position}};
    for (int k = 0; k < 3; ++k) f.offset += double(f.normal[k]) * p.vertices[0].Position[k];
    for (const TBatchVertex& v : p.vertices)
      for (int k = 0; k < 3; ++k) {
        f.box.Min[k] = std::min(f.box.Min[k], v.Position[k]);
        f.box.Max[k] = std::max(f.box.Max[k], v.Position[k]);
      }
    flats[i] = f;
  }
  // Two flat pieces meet at equal depths when they lie in one plane (either
  // way round) and overlap over an area, not only along an edge.
  auto overlap = [&](const Flat& a, const Flat& b) {
    double dot = 0;
    for (int k = 0; k < 3; ++k) dot += double(a.normal[k]) * b.normal[k];
    if (std::fabs(dot) < 1 - 1e-5) return false;
    if (std::fabs(a.offset - (dot > 0 ? b.offset : -b.offset)) > kSame) return false;
    int wide = 0;
    for (int k = 0; k < 3; ++k) {
      const float common = std::min(a.box.Max[k], b.box.Max[k]) - std::max(a.box.Min[k], b.box.Min[k]);
      if (common < -kSame) return false;
      wide += common > kSame;
    }
    return wide >= 2;
  };
  for (size_t j = 0; j < pieces.size(); ++j) {
    if (!flats[j]) continue;
    for (size_t i = 0; i < j; ++i) {
      if (!flats[i] || !overlap(*flats[i], *flats[j])) continue;
      // The same batch keeps the container's order within its array.
      const int after = pieces[i].key.layer + (pieces[i].key.SameBatchAs(pieces[j].key) ? 0 : 1);
      pieces[j].key.layer = std::max(pieces[j].key.layer, after);
    }
  }
}

std::array<TBatchVertex, 4> BillboardQuad(const TBillboard& billboard, const float (&batchModelView)[16]) {
  // The sprite's own model-view matrix, as GL would hold it while it drew.
  const TMatrix& toBatch = billboard.toBatch;
  float modelView[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += double(toBatch[i][k]) * batchModelView[k * 4 + j];
      modelView[i * 4 + j] = static_cast<float>(sum);
    }
  const Placement place = Placement::Of(toBatch);
  std::array<TBatchVertex, 4> quad;
  const std::array<GeometryVertex, 4> corners = BuildSpriteQuad(modelView, billboard.shape);
  for (size_t i = 0; i < 4; ++i) quad[i] = {corners[i].Tex, {}, place.Point(corners[i].Position)};
  return quad;
}
