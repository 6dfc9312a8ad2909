#pragma once
// One height tile as a continuous-level-of-detail mesh (real-time optimal
// adaptive meshing): the square is two right isosceles triangles, each split
// along its hypotenuse wherever the local roughness (a precomputed variance
// tree) outweighs the distance to the observer. Splits propagate across
// neighbour links, so shared edges of neighbouring patches stay free of
// cracks. Near the viewer a patch can instead be drawn at full resolution as
// one triangle strip compiled into a display list.
//
// Patch coordinates: sample (x, y) of the tile, 0 <= x, y <= PatchSize, with
// PatchSize = tile size - 1. Heights are the tile's small-int samples.
//
// The mesh is built into plain lists (BuildMesh, BuildFullResolutionStrip)
// apart from the GL calls that send it (Render), so it tests without a
// context. The triangle pool is process-wide and used on the rendering
// thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/class_registry.h"
#include "engine/context_handle.h"
#include "engine/vector_lists.h"
#include "engine/vector_types.h"

class THeightData;

// A node of the triangle pool; split exactly when LeftChild is set.
struct TROAMTriangleNode {
  TROAMTriangleNode* BaseNeighbor = nullptr;
  TROAMTriangleNode* LeftNeighbor = nullptr;
  TROAMTriangleNode* RightNeighbor = nullptr;
  TROAMTriangleNode* LeftChild = nullptr;
  TROAMTriangleNode* RightChild = nullptr;
};

// Frees every node and sizes the pool to n nodes (n < 0 counts as 0).
void SetTrianglePoolCapacity(int n);
// The next free node with its links cleared, or nullptr when the pool is used up.
TROAMTriangleNode* AllocTriangleNode();
// Nodes the pool holds and nodes handed out since the last reset (ours).
int GetTrianglePoolCapacity();
int GetTrianglePoolUsed();

class TGLROAMPatch : public TObject {
  CLIENT_DECLARE_CLASS(TGLROAMPatch)
public:
  // The largest PatchSize a patch accepts: its variance trees hold
  // PatchSize^2 entries each. A larger tile gives an empty patch.
  static constexpr int kMaxPatchSize = 2048;

  TGLROAMPatch();
  ~TGLROAMPatch() override;

  THeightData* GetHeightData() const { return FHeightData; }
  // Reads the tile's small-int samples; the tile must hold them and outlive
  // the patch (the terrain renderer keeps the patch on its tile).
  void SetHeightData(THeightData* heightData);

  // Builds both variance trees; a precision below 1 counts as 1.
  void ComputeVariance(int precision);
  // The precision the trees were built with; 0 before ComputeVariance (ours).
  int GetPrecision() const { return FPrecision; }

  // Takes both roots from the pool and forgets the neighbours. Without two
  // free nodes the patch has no roots and draws nothing this frame.
  void ResetTessellation();
  bool HasRoots() const { return FTLNode != nullptr && FBRNode != nullptr; }
  void ConnectToWest(TGLROAMPatch* westPatch);
  void ConnectToNorth(TGLROAMPatch* northPatch);
  // Splits the roots against the observer (nothing at full resolution).
  void Tesselate();

  // The ROAM mesh (independent triangles) with VertexOffset and the texture
  // transform applied; sets TriangleCount.
  void BuildMesh(TAffineVectorList& vertices, TIntegerList& vertexIndices, TTexPointList& texPoints);
  // The full-resolution strip with the same transforms; sets TriangleCount.
  void BuildFullResolutionStrip(TAffineVectorList& vertices, TIntegerList& vertexIndices, TTexPointList& texPoints);
  // Sends the patch: the lists are the renderer's shared buffers, used as
  // the vertex and texture-coordinate arrays (enabled by the caller).
  void Render(TAffineVectorList& vertices, TIntegerList& vertexIndices, TTexPointList& texPoints);

  int GetPatchSize() const { return FPatchSize; }
  int GetTriangleCount() const { return FTriangleCount; }
  int GetMaxDepth() const { return FMaxDepth; }
  // Depth shift of the root in the variance scaling (ours: for tests).
  int GetRootDepthShift() const { return FRootDepthShift; }
  // Used length of the two variance trees and their entries (ours).
  int GetVarianceCount(int tree) const { return tree == 0 ? FTLVarianceCount : FBRVarianceCount; }
  int GetVariance(int tree, int node) const;

  TAffineVector GetObserverPosition() const { return FObserverPosition; }
  void SetObserverPosition(const TAffineVector& position) { FObserverPosition = position; }
  TGLROAMPatch* GetNorth() const { return FNorth; }
  TGLROAMPatch* GetSouth() const { return FSouth; }
  TGLROAMPatch* GetWest() const { return FWest; }
  TGLROAMPatch* GetEast() const { return FEast; }
  bool GetHighResolution() const { return FHighResolution; }
  void SetHighResolution(bool value) { FHighResolution = value; }
  TAffineVector GetVertexScale() const { return FVertexScale; }
  void SetVertexScale(const TAffineVector& scale) { FVertexScale = scale; }
  TAffineVector GetVertexOffset() const { return FVertexOffset; }
  void SetVertexOffset(const TAffineVector& offset) { FVertexOffset = offset; }
  TAffineVector GetTextureScale() const { return FTextureScale; }
  void SetTextureScale(const TAffineVector& scale) { FTextureScale = scale; }
  TAffineVector GetTextureOffset() const { return FTextureOffset; }
  void SetTextureOffset(const TAffineVector& offset) { FTextureOffset = offset; }
  // The full-resolution display list (compiled at the first full draw).
  TGLListHandle& GetListHandle() { return *FListHandle; }

private:
  int Sample(int x, int y) const { return FHeightRaster[y][x]; }
  int ComputeNodeVariance(std::vector<int>& tree, int ax, int ay, int bx, int by, int cx, int cy, int node) const;
  void ScaleVarianceTree(std::vector<int>& tree, int& count) const;
  int Metric(int x, int y) const;
  void RecursTessellate(TROAMTriangleNode* tri, std::uint32_t p, std::uint32_t q, std::uint32_t r, int node,
                        const std::vector<int>& tree, int count);
  void FullSplitLeft(TROAMTriangleNode* tri, int node);
  void FullSplitRight(TROAMTriangleNode* tri, int node);
  void FullSplitBase(TROAMTriangleNode* tri, int node);
  void ApplyTransforms(TAffineVectorList& vertices, TTexPointList& texPoints) const;
  bool Usable() const { return FHeightRaster != nullptr && FPatchSize >= 1 && FPatchSize <= kMaxPatchSize; }

  THeightData* FHeightData = nullptr;
  std::int16_t* const* FHeightRaster = nullptr;
  TROAMTriangleNode* FTLNode = nullptr;
  TROAMTriangleNode* FBRNode = nullptr;
  std::vector<int> FTLVariance;
  std::vector<int> FBRVariance;
  int FTLVarianceCount = 0;
  int FBRVarianceCount = 0;
  int FPatchSize = 0;
  int FTriangleCount = 0;
  std::unique_ptr<TGLListHandle> FListHandle;
  TAffineVector FObserverPosition;
  TGLROAMPatch* FNorth = nullptr;
  TGLROAMPatch* FSouth = nullptr;
  TGLROAMPatch* FWest = nullptr;
  TGLROAMPatch* FEast = nullptr;
  bool FHighResolution = false;
  int FMaxDepth = 0;
  int FRootDepthShift = 0;
  int FPrecision = 0;
  // Tessellation scratch.
  int FObserverX = 0;
  int FObserverY = 0;
  long long FZTerm = 0;
  TAffineVector FVertexScale{1, 1, 1};
  TAffineVector FVertexOffset;
  TAffineVector FTextureScale{1, 1, 1};
  TAffineVector FTextureOffset;
};
