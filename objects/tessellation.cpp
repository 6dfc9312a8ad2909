#include "objects/tessellation.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/gl_api.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

TVectorPool::TVectorPool(int entriesPerPage, int entrySize) : FEntriesPerPage(entriesPerPage), FEntrySize(entrySize) {
  CLIENT_ASSERT(entriesPerPage >= 1);
  CLIENT_ASSERT(entrySize >= 1);
  FPages.push_back(std::make_unique<std::byte[]>(static_cast<std::size_t>(entriesPerPage) * entrySize));
}

void* TVectorPool::GetNewVector() {
  if (FUsedInPage == FEntriesPerPage) {
    FPages.push_back(std::make_unique<std::byte[]>(static_cast<std::size_t>(FEntriesPerPage) * FEntrySize));
    FUsedInPage = 0;
  }
  return FPages.back().get() + static_cast<std::size_t>(FUsedInPage++) * FEntrySize;
}

namespace {

// What the callbacks fill. They never throw through GLU: an error is noted
// and raised once the tessellator is gone.
struct TessRun {
  explicit TessRun(int entries) : pool(std::max(entries, 1), sizeof(TAffineVector)) {}
  TVectorPool pool;
  GLenum error = 0;
  bool outline = false;
  std::vector<ContourPoints>* loops = nullptr;
  GeometryBatches* batches = nullptr;
  TAffineVector normal{0, 0, 0};

  TAffineVector* NewVector(const TAffineVector& v) {
    auto* entry = static_cast<TAffineVector*>(pool.GetNewVector());
    *entry = v;
    return entry;
  }
};

PrimitiveKind KindOf(GLenum mode) {
  switch (mode) {
    case GL_TRIANGLE_FAN:
      return PrimitiveKind::TriangleFan;
    case GL_TRIANGLE_STRIP:
      return PrimitiveKind::TriangleStrip;
    default:
      return PrimitiveKind::Triangles;
  }
}

void GLAPIENTRY OnBegin(GLenum mode, void* data) {
  auto* run = static_cast<TessRun*>(data);
  if (run->outline)
    run->loops->emplace_back();
  else
    run->batches->push_back({KindOf(mode), {}});
}

void GLAPIENTRY OnVertex(void* vertex, void* data) {
  auto* run = static_cast<TessRun*>(data);
  const auto& v = *static_cast<const TAffineVector*>(vertex);
  if (run->outline) {
    if (!run->loops->empty()) run->loops->back().push_back(v);
  } else if (!run->batches->empty()) {
    run->batches->back().Vertices.push_back({{v[0], v[1]}, run->normal, v});
  }
}

void GLAPIENTRY OnEnd(void*) {}

void GLAPIENTRY OnError(GLenum error, void* data) {
  auto* run = static_cast<TessRun*>(data);
  if (run->error == 0) run->error = error;
}

void GLAPIENTRY OnCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
  auto* run = static_cast<TessRun*>(data);
  *out = run->NewVector(
      {static_cast<float>(coords[0]), static_cast<float>(coords[1]), static_cast<float>(coords[2])});
}

// Twice the signed area of the contour seen from the normal's side.
double SignedArea(const ContourPoints& points, const TAffineVector& normal) {
  double x = 0, y = 0, z = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TAffineVector& a = points[i];
    const TAffineVector& b = points[(i + 1) % points.size()];
    x += (static_cast<double>(a[1]) - b[1]) * (static_cast<double>(a[2]) + b[2]);
    y += (static_cast<double>(a[2]) - b[2]) * (static_cast<double>(a[0]) + b[0]);
    z += (static_cast<double>(a[0]) - b[0]) * (static_cast<double>(a[1]) + b[1]);
  }
  return x * normal[0] + y * normal[1] + z * normal[2];
}

// Runs one tessellation: every contour, each in the order asked for.
void Run(TessRun& run, std::span<const ContourPoints> contours, const std::vector<bool>& reversed,
         const TAffineVector* normal, bool boundaryOnly) {
  const GLApi& gl = GL();
  GLUtesselator* tess = gl.gluNewTess();
  if (!tess) return;
  gl.gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&OnBegin));
  gl.gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&OnVertex));
  gl.gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&OnEnd));
  gl.gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&OnError));
  gl.gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&OnCombine));
  if (normal) gl.gluTessNormal(tess, (*normal)[0], (*normal)[1], (*normal)[2]);
  gl.gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_POSITIVE);
  if (boundaryOnly) gl.gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
  gl.gluTessBeginPolygon(tess, &run);
  for (std::size_t c = 0; c < contours.size(); ++c) {
    gl.gluTessBeginContour(tess);
    const ContourPoints& points = contours[c];
    for (std::size_t k = 0; k < points.size(); ++k) {
      const TAffineVector& p = points[reversed[c] ? points.size() - 1 - k : k];
      GLdouble location[3] = {p[0], p[1], p[2]};
      gl.gluTessVertex(tess, location, run.NewVector(p));
    }
    gl.gluTessEndContour(tess);
  }
  gl.gluTessEndPolygon(tess);
  gl.gluDeleteTess(tess);
  if (run.error != 0) {
    const GLubyte* text = gl.gluErrorString(run.error);
    const std::string message =
        std::to_string(run.error) + " : " + (text ? reinterpret_cast<const char*>(text) : "");
    CLIENT_ASSERT(false, message.c_str());
  }
}

int PointCount(std::span<const ContourPoints> contours) {
  std::size_t n = 0;
  for (const ContourPoints& c : contours) n += c.size();
  return static_cast<int>(std::min<std::size_t>(n, 1u << 30));
}

}  // namespace

std::vector<ContourPoints> TessellateOutline(std::span<const ContourPoints> contours, const TAffineVector& normal) {
  std::vector<ContourPoints> loops;
  if (contours.empty() || contours.front().size() < 3) return loops;
  // The first contour counter-clockwise; the others turned against it, so
  // that a contour running its way is a hole.
  const bool firstBackwards = SignedArea(contours.front(), normal) < 0;
  std::vector<bool> reversed(contours.size(), !firstBackwards);
  reversed[0] = firstBackwards;
  TessRun run(PointCount(contours));
  run.outline = true;
  run.loops = &loops;
  Run(run, contours, reversed, &normal, true);
  std::erase_if(loops, [](const ContourPoints& loop) { return loop.empty(); });
  return loops;
}

GeometryBatches TessellateFill(std::span<const ContourPoints> contours, const TAffineVector* normal,
                               bool invertOrder) {
  GeometryBatches batches;
  if (contours.empty() || contours.front().size() < 2) return batches;
  TessRun run(PointCount(contours));
  run.batches = &batches;
  if (normal) run.normal = *normal;
  Run(run, contours, std::vector<bool>(contours.size(), invertOrder), normal, false);
  std::erase_if(batches, [](const GeometryBatch& b) { return b.Vertices.size() < 3; });
  return batches;
}

GeometryBatches TessellateFacing(const ContourPoints& points, const TAffineVector& normal) {
  if (points.size() < 3) return {};
  const ContourPoints* one = &points;
  return TessellateFill(std::span<const ContourPoints>(one, 1), &normal, SignedArea(points, normal) < 0);
}

ContourPoints NodePoints(const TGLNodes& nodes, int splineDivisions) {
  ContourPoints points;
  const int count = nodes.GetCount();
  if (splineDivisions < 2 || count < 2) {
    for (int i = 0; i < count; ++i) points.push_back(nodes.GetItems(i)->GetAsAffineVector());
    return points;
  }
  const auto spline = nodes.CreateNewCubicSpline();
  const int last = splineDivisions * (count - 1);
  points.reserve(static_cast<std::size_t>(last) + 1);
  for (int i = 0; i <= last; ++i)
    points.push_back(spline->SplineAffineVector(static_cast<float>(i) / static_cast<float>(splineDivisions)));
  return points;
}

GeometryBatches TessellateFaces(std::span<const ContourPoints> contours, const TAffineVector& normal,
                                TPolygonParts parts) {
  GeometryBatches faces;
  if (parts.Contains(ppTop)) faces = TessellateFill(contours, &normal, false);
  if (parts.Contains(ppBottom)) {
    const TAffineVector down{-normal[0], -normal[1], -normal[2]};
    GeometryBatches bottom = TessellateFill(contours, &down, true);
    faces.insert(faces.end(), std::make_move_iterator(bottom.begin()), std::make_move_iterator(bottom.end()));
  }
  return faces;
}
