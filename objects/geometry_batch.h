#pragma once
// Geometry of the drawable primitives as plain data: the generators fill
// these records, EmitGeometry (geometry_emitter.h) sends them to GL, and the
// tests read them without a context.
//
// Ray casts of the primitives work on an ObjectFrame (the object's absolute
// matrix and its inverse), so that they can be checked against any parent
// transformation without a scene graph.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/vector_types.h"

enum class PrimitiveKind : std::uint8_t { Quads, QuadStrip, Triangles, TriangleStrip, TriangleFan, Lines, LineStrip };

struct GeometryVertex {
  TTexPoint Tex;
  TAffineVector Normal;
  TAffineVector Position;
};

// One glBegin/glEnd block.
struct GeometryBatch {
  PrimitiveKind Kind = PrimitiveKind::Triangles;
  std::vector<GeometryVertex> Vertices;
  // Empty, or one colour per vertex (sent before it).
  std::vector<TVector4f> Colors{};
};

using GeometryBatches = std::vector<GeometryBatch>;

// What a silhouette generator hands to the engine's silhouette object:
// points (w = 1), two indices per edge, three per cap triangle.
struct SilhouetteGeometry {
  std::vector<TVector4f> Vertices;
  std::vector<int> Indices;
  std::vector<int> CapIndices;
};

// The styles a silhouette can be asked for (the parameters' 0 and 1), and
// anything else.
enum class SilhouetteLightStyle : std::uint8_t { Omni, Parallel, Unknown };

// Where an object sits: local to absolute and back.
struct ObjectFrame {
  TMatrix LocalToAbsolute = IdentityHmgMatrix;
  TMatrix AbsoluteToLocal = IdentityHmgMatrix;

  static ObjectFrame FromMatrix(const TMatrix& local_to_absolute);

  TVector4f PointToLocal(const TVector4f& p) const;    // w taken as 1
  TVector4f VectorToLocal(const TVector4f& v) const;   // w taken as 0
  TVector4f PointToAbsolute(const TVector4f& p) const;  // w taken as 1
  // A surface normal given in local space, in absolute space: through the
  // inverse transpose, so it stays perpendicular under uneven scales; unit
  // length, w = 0.
  TVector4f NormalToAbsolute(const TAffineVector& local_normal) const;
  // The normalised local Z axis in absolute space (the object's absolute
  // direction), w = 0.
  TVector4f AbsoluteDirection() const;
};

struct RayHit {
  TVector4f Point;   // absolute, w = 1
  TVector4f Normal;  // absolute, unit, w = 0
};

// The nearest of the hits a ray cast offers, kept in local coordinates.
class NearestHit {
public:
  void Offer(double t, const TAffineVector& point, const TAffineVector& normal) {
    if (t_ && t >= *t_) return;
    t_ = t;
    point_ = point;
    normal_ = normal;
  }
  // In absolute coordinates (a unit normal); nothing when none was offered.
  std::optional<RayHit> ToAbsolute(const ObjectFrame& frame) const;

private:
  std::optional<double> t_;
  TAffineVector point_{};
  TAffineVector normal_{};
};

// What a scene object's ray cast hands back: the hit's point and normal
// written where asked, true for a hit.
bool ReportRayHit(const std::optional<RayHit>& hit, TVector4f* intersectPoint, TVector4f* intersectNormal);
