#include "engine/geometry_bb.h"

#include <algorithm>
#include <cmath>

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"

void AddAABB(TAABB& aabb, const TAABB& other) {
  for (int i = 0; i < 3; ++i) {
    aabb.Min[i] = std::min(aabb.Min[i], other.Min[i]);
    aabb.Max[i] = std::max(aabb.Max[i], other.Max[i]);
  }
}

void SetAABB(TAABB& bb, const TVector4f& dimensions) {
  for (int i = 0; i < 3; ++i) {
    bb.Max[i] = std::fabs(dimensions[i]);
    bb.Min[i] = -bb.Max[i];
  }
}

void AABBTransform(TAABB& bb, const TMatrix& m) {
  const TAABB old = bb;
  for (int corner = 0; corner < 8; ++corner) {
    const TAffineVector p{(corner & 1) ? old.Max[0] : old.Min[0], (corner & 2) ? old.Max[1] : old.Min[1],
                          (corner & 4) ? old.Max[2] : old.Min[2]};
    const TAffineVector t = AffineVectorTransform(p, m);
    if (corner == 0) {
      bb.Min = bb.Max = t;
    } else {
      AABBInclude(bb, t);
    }
  }
}

void AABBScale(TAABB& bb, const TAffineVector& scale) {
  bb.Min = AffineVectorMultiply(bb.Min, scale);
  bb.Max = AffineVectorMultiply(bb.Max, scale);
}

void AABBInclude(TAABB& bb, const TAffineVector& p) {
  for (int i = 0; i < 3; ++i) {
    bb.Min[i] = std::min(bb.Min[i], p[i]);
    bb.Max[i] = std::max(bb.Max[i], p[i]);
  }
}
