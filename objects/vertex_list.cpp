#include "objects/vertex_list.h"

CLIENT_DEFINE_CLASS(TVertexList, TGLUpdateAbleObject)

void TVertexList::AddVertex(const TAffineVector& vertex, const TAffineVector& normal, const TVector4f& color,
                            const TTexPoint& texPoint) {
  // Capacity follows the 256s; the storage grows geometrically with
  // push_back, so that adding n records copies O(n) in all.
  if (GetCount() == FCapacity) FCapacity += kGrowth;
  FData.push_back(TVertexData{texPoint, color, normal, vertex});
  NotifyChange(this);
}

void TVertexList::Clear() {
  std::vector<TVertexData>().swap(FData);
  FCapacity = 0;
  NotifyChange(this);
}

void TVertexList::Assign(const TPersistent* source) {
  if (const auto* list = dynamic_cast<const TVertexList*>(source)) {
    if (list == this) return;
    FData = list->FData;
    FCapacity = list->GetCount();
    FData.shrink_to_fit();
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}
