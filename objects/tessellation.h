#pragma once
// Flat shapes of several contours through GLU's tessellator, into plain
// data: the boundary loops of the region a set of contours encloses, and
// the triangles that fill it. GLU needs no GL context for either.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/gl_nodes.h"
#include "engine/vector_types.h"
#include "objects/geometry_batch.h"
#include "objects/small_set.h"

// Fixed-size entries handed out page by page and freed all together: the
// vertices a tessellation creates live here until it ends.
class TVectorPool {
public:
  // Both at least 1 (assertion failure otherwise).
  TVectorPool(int entriesPerPage, int entrySize);
  TVectorPool(const TVectorPool&) = delete;
  TVectorPool& operator=(const TVectorPool&) = delete;

  // A new entry of EntrySize bytes; a new page when the current one is full.
  void* GetNewVector();
  int GetEntrySize() const { return FEntrySize; }
  int GetEntriesPerPage() const { return FEntriesPerPage; }
  int GetPageCount() const { return static_cast<int>(FPages.size()); }

private:
  int FEntriesPerPage;
  int FEntrySize;
  int FUsedInPage = 0;
  std::vector<std::unique_ptr<std::byte[]>> FPages;
};

using ContourPoints = std::vector<TAffineVector>;

// The boundary loops of the region of positive winding, the first contour
// an outline and every further one a hole (or, turned the other way from
// the first, an island). The first contour is taken counter-clockwise
// about the normal whichever way it runs, the others relative to it.
std::vector<ContourPoints> TessellateOutline(std::span<const ContourPoints> contours, const TAffineVector& normal);

// The triangles filling the region of positive winding of the contours,
// each vertex with its x, y as texture coordinates and, when given, the
// normal (the tessellator's plane normal too). With invertOrder every
// contour is given last point first, which turns the faces over.
GeometryBatches TessellateFill(std::span<const ContourPoints> contours, const TAffineVector* normal,
                               bool invertOrder);

// One flat contour filled so that it faces along the normal, whichever way
// its points run about it (GLU would fill nothing the other way round).
GeometryBatches TessellateFacing(const ContourPoints& points, const TAffineVector& normal);

// The points of a node-defined contour: the nodes, or with 2 or more
// divisions the cubic spline through them sampled (count - 1) * divisions
// + 1 times, at t = i / divisions.
ContourPoints NodePoints(const TGLNodes& nodes, int splineDivisions);

// The faces of a tessellated flat shape that are drawn.
enum TPolygonPart : std::uint8_t { ppTop, ppBottom };
using TPolygonParts = SmallSet<TPolygonPart>;

// The top face (facing along the normal) and, turned over, the bottom face.
GeometryBatches TessellateFaces(std::span<const ContourPoints> contours, const TAffineVector& normal,
                                TPolygonParts parts);
