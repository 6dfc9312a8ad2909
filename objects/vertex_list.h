#pragma once
// The vertex list of the free-form mesh: records in the exact layout of
// GL's GL_T2F_C4F_N3F_V3F interleaved format, so that the whole list goes
// to GL as one array without copying.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/update_able_object.h"
#include "engine/vector_types.h"

struct TVertexData {
  TTexPoint TexCoord;   // offset 0
  TVector4f Color;      // offset 8
  TAffineVector Normal;  // offset 24
  TAffineVector Coord;   // offset 36
};
static_assert(sizeof(TVertexData) == 48);
static_assert(offsetof(TVertexData, TexCoord) == 0);
static_assert(offsetof(TVertexData, Color) == 8);
static_assert(offsetof(TVertexData, Normal) == 24);
static_assert(offsetof(TVertexData, Coord) == 36);

class TVertexList : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TVertexList)
public:
  static constexpr int kGrowth = 256;

  explicit TVertexList(TPersistent* owner = nullptr) : TGLUpdateAbleObject(owner) {}

  // Grows by 256 records when full, appends, then notifies.
  void AddVertex(const TAffineVector& vertex, const TAffineVector& normal, const TVector4f& color,
                 const TTexPoint& texPoint);
  // Frees the storage, then notifies.
  void Clear();
  // From another vertex list: its records, without notification.
  void Assign(const TPersistent* source) override;

  int GetCount() const { return static_cast<int>(FData.size()); }
  int GetCapacity() const { return FCapacity; }
  const TVertexData& operator[](int index) const { return FData[static_cast<std::size_t>(index)]; }
  const TVertexData* GetData() const { return FData.data(); }
  // Start addresses of the interleaved arrays.
  const void* FirstTexPoint() const { return FData.empty() ? nullptr : &FData[0].TexCoord; }
  const void* FirstColor() const { return FData.empty() ? nullptr : &FData[0].Color; }
  const void* FirstNormal() const { return FData.empty() ? nullptr : &FData[0].Normal; }
  const void* FirstVertex() const { return FData.empty() ? nullptr : &FData[0].Coord; }

  // Driver-memory locking needs the vertex-array-range extension of another
  // platform's binding; here a list always stays on the heap, unlocked.
  bool GetLocked() const { return false; }
  void SetLocked(bool) {}

private:
  std::vector<TVertexData> FData;
  int FCapacity = 0;
};
