#include "objects/geometry_batch.h"

#include "engine/matrix_geometry.h"
#include "engine/vector_geometry.h"

ObjectFrame ObjectFrame::FromMatrix(const TMatrix& local_to_absolute) {
  ObjectFrame frame;
  frame.LocalToAbsolute = local_to_absolute;
  frame.AbsoluteToLocal = MatrixInvert(local_to_absolute);
  return frame;
}

TVector4f ObjectFrame::PointToLocal(const TVector4f& p) const {
  return VectorTransform(TVector4f{p[0], p[1], p[2], 1.0f}, AbsoluteToLocal);
}

TVector4f ObjectFrame::VectorToLocal(const TVector4f& v) const {
  return VectorTransform(TVector4f{v[0], v[1], v[2], 0.0f}, AbsoluteToLocal);
}

TVector4f ObjectFrame::PointToAbsolute(const TVector4f& p) const {
  return VectorTransform(TVector4f{p[0], p[1], p[2], 1.0f}, LocalToAbsolute);
}

TVector4f ObjectFrame::NormalToAbsolute(const TAffineVector& n) const {
  // Row vectors: a normal goes through the transpose of the inverse, that is
  // n'[j] = sum over i of inverse[j][i] * n[i].
  TAffineVector r;
  for (int j = 0; j < 3; ++j)
    r[j] = AbsoluteToLocal[j][0] * n[0] + AbsoluteToLocal[j][1] * n[1] + AbsoluteToLocal[j][2] * n[2];
  NormalizeAffineVector(r);
  return VectorMakeFromAffine(r, 0.0f);
}

TVector4f ObjectFrame::AbsoluteDirection() const {
  TAffineVector z = AffineVectorMake(LocalToAbsolute[2]);
  NormalizeAffineVector(z);
  return VectorMakeFromAffine(z, 0.0f);
}

bool ReportRayHit(const std::optional<RayHit>& hit, TVector4f* intersectPoint, TVector4f* intersectNormal) {
  if (!hit) return false;
  if (intersectPoint) *intersectPoint = hit->Point;
  if (intersectNormal) *intersectNormal = hit->Normal;
  return true;
}

std::optional<RayHit> NearestHit::ToAbsolute(const ObjectFrame& frame) const {
  if (!t_) return std::nullopt;
  return RayHit{frame.PointToAbsolute(PointMake(point_)), frame.NormalToAbsolute(normal_)};
}
