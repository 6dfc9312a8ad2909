#include "objects/mesh_utils.h"

#include "platform/base/assertion.h"

namespace {
template <class Vertex>
void AppendStrip(int count, Vertex&& vertex, TAffineVectorList& list) {
  if (count < 3) return;
  list.AdjustCapacityToAtLeast(list.GetCount() + (count - 2) * 3);
  for (int k = 0; k + 2 < count; ++k) {
    if ((k & 1) == 0)
      list.Add(vertex(k), vertex(k + 1), vertex(k + 2));
    else
      list.Add(vertex(k + 2), vertex(k + 1), vertex(k));
  }
}
}  // namespace

void StripToTriangleList(const TAffineVectorList& strip, TAffineVectorList& list) {
  AppendStrip(strip.GetCount(), [&](int k) { return strip[k]; }, list);
}

void IndexedStripToTriangleList(const TAffineVectorList& vertices, const TIntegerList& indices,
                                TAffineVectorList& list) {
  const int n = vertices.GetCount();
  for (int k = 0; k < indices.GetCount(); ++k)
    CLIENT_ASSERT(indices[k] >= 0 && indices[k] < n, "Strip index past the vertices");
  AppendStrip(indices.GetCount(), [&](int k) { return vertices[indices[k]]; }, list);
}
