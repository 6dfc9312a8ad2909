#include "objects/roam_patch.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "engine/gl_api.h"
#include "engine/multitexture.h"
#include "objects/height_data.h"

CLIENT_DEFINE_CLASS(TGLROAMPatch, TObject)

// ---------------------------------------------------------------------------
// Triangle pool

namespace {

struct TrianglePool {
  std::vector<TROAMTriangleNode> Nodes;
  int Next = 0;
  int Free() const { return int(Nodes.size()) - Next; }
};

TrianglePool& Pool() {
  static TrianglePool pool;
  return pool;
}

// Nearest integer, halves to even, held in the 32-bit range.
long long RoundClamped(float v, long long lo, long long hi) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(double(v));
  if (r <= double(lo)) return lo;
  if (r >= double(hi)) return hi;
  return static_cast<long long>(r);
}

// Forced split of a triangle along its hypotenuse, after its base neighbour
// forms a diamond with it. A split takes its two children and, when its
// diamond partner is not split yet, the partner's two as well: the pool is
// checked for all four at once, so running out of nodes never leaves half a
// diamond (a crack) behind, only a coarser mesh.
bool Split(TROAMTriangleNode* tri) {
  if (tri->LeftChild) return true;
  if (tri->BaseNeighbor && tri->BaseNeighbor->BaseNeighbor != tri) Split(tri->BaseNeighbor);
  TROAMTriangleNode* base = tri->BaseNeighbor;
  if (base && base->BaseNeighbor != tri) return false;  // the forced split above ran out of nodes
  TrianglePool& pool = Pool();
  const int needed = (base && !base->LeftChild) ? 4 : 2;
  if (pool.Free() < needed) return false;
  TROAMTriangleNode* lc = AllocTriangleNode();
  TROAMTriangleNode* rc = AllocTriangleNode();
  tri->LeftChild = lc;
  tri->RightChild = rc;
  rc->BaseNeighbor = tri->RightNeighbor;
  rc->RightNeighbor = lc;
  lc->BaseNeighbor = tri->LeftNeighbor;
  lc->LeftNeighbor = rc;
  if (TROAMTriangleNode* left = tri->LeftNeighbor) {
    if (left->BaseNeighbor == tri)
      left->BaseNeighbor = lc;
    else if (left->LeftNeighbor == tri)
      left->LeftNeighbor = lc;
    else
      left->RightNeighbor = lc;
  }
  if (TROAMTriangleNode* right = tri->RightNeighbor) {
    if (right->BaseNeighbor == tri)
      right->BaseNeighbor = rc;
    else if (right->RightNeighbor == tri)
      right->RightNeighbor = rc;
    else
      right->LeftNeighbor = rc;
  }
  if (base) {
    if (base->LeftChild) {
      base->LeftChild->RightNeighbor = rc;
      rc->LeftNeighbor = base->LeftChild;
      base->RightChild->LeftNeighbor = lc;
      lc->RightNeighbor = base->RightChild;
    } else {
      Split(base);
    }
  } else {
    lc->RightNeighbor = nullptr;
    rc->LeftNeighbor = nullptr;
  }
  return true;
}

}  // namespace

void SetTrianglePoolCapacity(int n) {
  TrianglePool& pool = Pool();
  pool.Next = 0;
  n = std::max(n, 0);
  if (n != int(pool.Nodes.size())) {
    pool.Nodes.assign(std::size_t(n), TROAMTriangleNode{});
    pool.Nodes.shrink_to_fit();
  }
}

TROAMTriangleNode* AllocTriangleNode() {
  TrianglePool& pool = Pool();
  if (pool.Next >= int(pool.Nodes.size())) return nullptr;
  TROAMTriangleNode* node = &pool.Nodes[std::size_t(pool.Next++)];
  node->LeftChild = nullptr;
  node->RightChild = nullptr;
  return node;
}

int GetTrianglePoolCapacity() { return int(Pool().Nodes.size()); }
int GetTrianglePoolUsed() { return Pool().Next; }

// ---------------------------------------------------------------------------
// Patch

TGLROAMPatch::TGLROAMPatch() : FListHandle(std::make_unique<TGLListHandle>()) {}

TGLROAMPatch::~TGLROAMPatch() = default;

void TGLROAMPatch::SetHeightData(THeightData* heightData) {
  FHeightData = heightData;
  FPatchSize = heightData ? heightData->GetSize() - 1 : 0;
  FHeightRaster = heightData ? heightData->SmallIntRaster() : nullptr;
  FTLVariance.clear();
  FBRVariance.clear();
  FTLVarianceCount = FBRVarianceCount = 0;
  FPrecision = 0;
}

int TGLROAMPatch::GetVariance(int tree, int node) const {
  const std::vector<int>& t = tree == 0 ? FTLVariance : FBRVariance;
  const int count = tree == 0 ? FTLVarianceCount : FBRVarianceCount;
  return node >= 0 && node < count ? t[std::size_t(node)] : 0;
}

int TGLROAMPatch::ComputeNodeVariance(std::vector<int>& tree, int ax, int ay, int bx, int by, int cx, int cy,
                                      int node) const {
  const int mx = (ax + bx) >> 1;
  const int my = (ay + by) >> 1;
  const int az = Sample(ax, ay) * 256;
  const int bz = Sample(bx, by) * 256;
  const int mz = Sample(mx, my) * 256;
  const int avg = (az + bz) / 2;
  const float inv = 1.0f / float(FPrecision);
  int v = int(RoundClamped(float(std::abs(avg - mz)) * inv, 0, std::numeric_limits<int>::max()));
  if (2 * node < FMaxDepth) {
    v = std::max(v, ComputeNodeVariance(tree, cx, cy, ax, ay, mx, my, 2 * node));
    v = std::max(v, ComputeNodeVariance(tree, bx, by, cx, cy, mx, my, 2 * node + 1));
  }
  tree[std::size_t(node)] = v;
  return v;
}

void TGLROAMPatch::ScaleVarianceTree(std::vector<int>& tree, int& count) const {
  int highest = -1;
  for (int node = 1; node < FMaxDepth; ++node) {
    const int shift = FRootDepthShift - (std::bit_width(unsigned(node)) - 1);
    std::uint32_t v = std::uint32_t(tree[std::size_t(node)]);
    if (shift >= 0)
      v <<= (shift >> 1);
    else
      v >>= ((-shift) >> 1);
    tree[std::size_t(node)] = int(std::min<std::uint32_t>(v, std::numeric_limits<int>::max()));
    if (v != 0) highest = node;
  }
  count = highest + 1;
  tree.resize(std::size_t(count));
}

void TGLROAMPatch::ComputeVariance(int precision) {
  // A precision at or below 0 would divide by zero or turn every variance
  // negative (huge once shifted as unsigned) and flood the pool.
  FPrecision = std::max(precision, 1);
  FTLVariance.clear();
  FBRVariance.clear();
  FTLVarianceCount = FBRVarianceCount = 0;
  FMaxDepth = 0;
  if (!Usable()) return;
  FMaxDepth = 1;
  int multiplications = 0;
  const long long cells = static_cast<long long>(FPatchSize) * FPatchSize;
  do {
    FMaxDepth *= 4;
    ++multiplications;
  } while (FMaxDepth < cells);
  FRootDepthShift = -9 + multiplications;
  const int p = FPatchSize;
  FTLVariance.assign(std::size_t(FMaxDepth), 0);
  FBRVariance.assign(std::size_t(FMaxDepth), 0);
  ComputeNodeVariance(FTLVariance, 0, p, p, 0, 0, 0, 1);
  ComputeNodeVariance(FBRVariance, p, 0, 0, p, p, p, 1);
  ScaleVarianceTree(FTLVariance, FTLVarianceCount);
  ScaleVarianceTree(FBRVariance, FBRVarianceCount);
}

void TGLROAMPatch::ResetTessellation() {
  FTLNode = AllocTriangleNode();
  FBRNode = AllocTriangleNode();
  if (!FTLNode || !FBRNode) {
    FTLNode = FBRNode = nullptr;
  } else {
    FTLNode->BaseNeighbor = FBRNode;
    FBRNode->BaseNeighbor = FTLNode;
    FTLNode->LeftNeighbor = FTLNode->RightNeighbor = nullptr;
    FBRNode->LeftNeighbor = FBRNode->RightNeighbor = nullptr;
  }
  FNorth = FSouth = FWest = FEast = nullptr;
}

void TGLROAMPatch::ConnectToWest(TGLROAMPatch* westPatch) {
  if (!westPatch) return;
  if (!FHighResolution && !westPatch->FHighResolution && HasRoots() && westPatch->HasRoots()) {
    FTLNode->LeftNeighbor = westPatch->FBRNode;
    westPatch->FBRNode->LeftNeighbor = FTLNode;
  }
  FWest = westPatch;
  westPatch->FEast = this;
}

void TGLROAMPatch::ConnectToNorth(TGLROAMPatch* northPatch) {
  if (!northPatch) return;
  if (!FHighResolution && !northPatch->FHighResolution && HasRoots() && northPatch->HasRoots()) {
    FTLNode->RightNeighbor = northPatch->FBRNode;
    northPatch->FBRNode->RightNeighbor = FTLNode;
  }
  FNorth = northPatch;
  northPatch->FSouth = this;
}

int TGLROAMPatch::Metric(int x, int y) const {
  const long long dx = x - FObserverX;
  const long long dy = y - FObserverY;
  const long long d2 = dx * dx + dy * dy + FZTerm;
  const float d = float(d2);
  return int(RoundClamped(std::sqrt(d) + d * 0.01f, 0, std::numeric_limits<int>::max()));
}

void TGLROAMPatch::RecursTessellate(TROAMTriangleNode* tri, std::uint32_t p, std::uint32_t q, std::uint32_t r,
                                    int node, const std::vector<int>& tree, int count) {
  const std::uint32_t mid = (p + r) >> 1;
  const int variance = node < count ? tree[std::size_t(node)] : 0;
  if (mid < std::uint32_t(variance) && Split(tri) && 2 * node < count) {
    RecursTessellate(tri->LeftChild, q, mid, p, 2 * node, tree, count);
    RecursTessellate(tri->RightChild, r, mid, q, 2 * node + 1, tree, count);
  }
}

void TGLROAMPatch::FullSplitLeft(TROAMTriangleNode* tri, int node) {
  if (Split(tri) && 2 * node < FMaxDepth) FullSplitBase(tri->LeftChild, 2 * node);
}

void TGLROAMPatch::FullSplitRight(TROAMTriangleNode* tri, int node) {
  if (Split(tri) && 2 * node < FMaxDepth) FullSplitBase(tri->RightChild, 2 * node);
}

void TGLROAMPatch::FullSplitBase(TROAMTriangleNode* tri, int node) {
  if (Split(tri) && 2 * node < FMaxDepth) {
    FullSplitRight(tri->LeftChild, 2 * node);
    FullSplitLeft(tri->RightChild, 2 * node);
  }
}

void TGLROAMPatch::Tesselate() {
  if (FHighResolution || !HasRoots() || !Usable()) return;
  constexpr long long kLimit = 1LL << 30;
  FObserverX = int(RoundClamped(FObserverPosition[0], -kLimit, kLimit));
  FObserverY = int(RoundClamped(FObserverPosition[1], -kLimit, kLimit));
  if (FObserverPosition[2] > 0) {
    const float z = FObserverPosition[2] * 0.0625f;
    FZTerm = RoundClamped(z * z, 0, kLimit * kLimit);
  } else {
    FZTerm = 0;
  }
  // Full-resolution neighbours draw every sample of the shared edge.
  if (FNorth && FNorth->FHighResolution) FullSplitRight(FTLNode, 1);
  if (FSouth && FSouth->FHighResolution) FullSplitRight(FBRNode, 1);
  if (FEast && FEast->FHighResolution) FullSplitLeft(FBRNode, 1);
  if (FWest && FWest->FHighResolution) FullSplitLeft(FTLNode, 1);
  const int p = FPatchSize;
  RecursTessellate(FTLNode, std::uint32_t(Metric(0, p)), std::uint32_t(Metric(0, 0)), std::uint32_t(Metric(p, 0)), 1,
                   FTLVariance, FTLVarianceCount);
  RecursTessellate(FBRNode, std::uint32_t(Metric(p, 0)), std::uint32_t(Metric(p, p)), std::uint32_t(Metric(0, p)), 1,
                   FBRVariance, FBRVarianceCount);
}

namespace {

struct MeshVertex {
  int Index;
  int X;
  int Y;
};

struct MeshWalker {
  std::int16_t* const* Raster;
  TAffineVectorList& Vertices;
  TIntegerList& Indices;
  TTexPointList& TexPoints;

  MeshVertex Add(int x, int y) {
    const int index = Vertices.Add(TAffineVector{float(x), float(y), float(Raster[y][x])});
    TexPoints.Add(TTexPoint{float(x), float(y)});
    return {index, x, y};
  }

  void Walk(const TROAMTriangleNode* tri, const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
    if (tri->LeftChild) {
      // Each split adds its own copy of the midpoint; shared ones are not merged.
      const MeshVertex m = Add((a.X + b.X) >> 1, (a.Y + b.Y) >> 1);
      Walk(tri->LeftChild, c, a, m);
      Walk(tri->RightChild, b, c, m);
    } else {
      Indices.Add(a.Index, c.Index, b.Index);
    }
  }
};

}  // namespace

void TGLROAMPatch::ApplyTransforms(TAffineVectorList& vertices, TTexPointList& texPoints) const {
  vertices.Translate(FVertexOffset);
  texPoints.ScaleAndTranslate(TTexPoint{FTextureScale[0], FTextureScale[1]},
                              TTexPoint{FTextureOffset[0], FTextureOffset[1]});
}

void TGLROAMPatch::BuildMesh(TAffineVectorList& vertices, TIntegerList& vertexIndices, TTexPointList& texPoints) {
  vertices.Flush();
  texPoints.Flush();
  vertexIndices.Flush();
  FTriangleCount = 0;
  if (!Usable() || !HasRoots()) return;
  const int p = FPatchSize;
  vertexIndices.AdjustCapacityToAtLeast(int(std::min<long long>(static_cast<long long>(p) * p * 6, 1 << 28)));
  // At most one vertex per split node of the pool.
  const int bound = 4 + GetTrianglePoolUsed() / 2;
  vertices.AdjustCapacityToAtLeast(bound);
  texPoints.AdjustCapacityToAtLeast(bound);
  MeshWalker walker{FHeightRaster, vertices, vertexIndices, texPoints};
  const MeshVertex v00 = walker.Add(0, 0);
  const MeshVertex vp0 = walker.Add(p, 0);
  const MeshVertex v0p = walker.Add(0, p);
  const MeshVertex vpp = walker.Add(p, p);
  walker.Walk(FTLNode, v0p, vp0, v00);
  walker.Walk(FBRNode, vp0, v0p, vpp);
  ApplyTransforms(vertices, texPoints);
  FTriangleCount = vertexIndices.GetCount() / 3;
}

void TGLROAMPatch::BuildFullResolutionStrip(TAffineVectorList& vertices, TIntegerList& vertexIndices,
                                            TTexPointList& texPoints) {
  vertices.Flush();
  texPoints.Flush();
  vertexIndices.Flush();
  FTriangleCount = 0;
  if (!Usable()) return;
  const int p = FPatchSize;
  const int n = p + 1;
  vertices.AdjustCapacityToAtLeast(n * n);
  texPoints.AdjustCapacityToAtLeast(n * n);
  vertexIndices.AdjustCapacityToAtLeast((2 * n + 2) * p);
  for (int y = 0; y <= p; ++y) {
    for (int x = 0; x <= p; ++x) {
      vertices.Add(TAffineVector{float(x), float(y), float(Sample(x, y))});
      texPoints.Add(TTexPoint{float(x), float(y)});
    }
  }
  // Rows past the last one (an odd PatchSize) fold onto it: degenerate
  // triangles, never an index outside the vertices.
  auto v = [&](int row, int x) { return std::min(row, p) * n + x; };
  for (int y = 0; y < p; y += 2) {
    if (y > 0) vertexIndices.Add(v(y, p));
    for (int x = p; x >= 0; --x) vertexIndices.Add(v(y, x), v(y + 1, x));
    vertexIndices.Add(v(y + 1, 0), v(y + 2, 0));
    for (int x = 0; x <= p; ++x) vertexIndices.Add(v(y + 2, x), v(y + 1, x));
    vertexIndices.Add(v(y + 1, p));
  }
  vertexIndices.SetCount(vertexIndices.GetCount() - 1);
  ApplyTransforms(vertices, texPoints);
  FTriangleCount = vertexIndices.GetCount() - 2 * p;
}

void TGLROAMPatch::Render(TAffineVectorList& vertices, TIntegerList& vertexIndices, TTexPointList& texPoints) {
  const GLApi& gl = GL();
  auto pointArrays = [&] {
    // The lists may have moved while they grew: point the arrays again.
    gl.glVertexPointer(3, GL_FLOAT, 0, vertices.List());
    xgl::TexCoordPointer(2, GL_FLOAT, 0, texPoints.List());
  };
  if (!FHighResolution) {
    BuildMesh(vertices, vertexIndices, texPoints);
    if (vertexIndices.GetCount() == 0) return;
    pointArrays();
    const bool lock = gl.Extensions.EXT_compiled_vertex_array && gl.glLockArraysEXT && gl.glUnlockArraysEXT;
    if (lock) gl.glLockArraysEXT(0, vertices.GetCount());
    gl.glDrawElements(GL_TRIANGLES, vertexIndices.GetCount(), GL_UNSIGNED_INT, vertexIndices.List());
    if (lock) gl.glUnlockArraysEXT();
    return;
  }
  if (FListHandle->GetHandle() == 0) {
    BuildFullResolutionStrip(vertices, vertexIndices, texPoints);
    if (vertexIndices.GetCount() == 0) return;
    pointArrays();
    FListHandle->AllocateHandle();
    gl.glNewList(FListHandle->GetHandle(), GL_COMPILE);
    gl.glDrawElements(GL_TRIANGLE_STRIP, vertexIndices.GetCount(), GL_UNSIGNED_INT, vertexIndices.List());
    gl.glEndList();
  }
  gl.glCallList(FListHandle->GetHandle());
}
