#pragma once
// Triangle strips turned into plain triangle lists, three entries per
// triangle. Odd triangles are taken in reverse order, so that every triangle
// keeps the winding of the strip.

#include "engine/vector_lists.h"

// Appends the triangles of the strip to `list`; a strip of fewer than three
// entries appends nothing.
void StripToTriangleList(const TAffineVectorList& strip, TAffineVectorList& list);
// The same over indexed vertices. Every index must name a vertex (assertion
// failure otherwise, before anything is appended).
void IndexedStripToTriangleList(const TAffineVectorList& vertices, const TIntegerList& indices,
                                TAffineVectorList& list);
