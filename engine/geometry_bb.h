#pragma once
// Axis-aligned bounding boxes.

#include "engine/vector_types.h"

// Union of the two boxes into the first.
void AddAABB(TAABB& aabb, const TAABB& other);
// From dimensions: max = |dims| per component, min = -max.
void SetAABB(TAABB& bb, const TVector4f& dimensions);
// Transforms the eight corners as points and takes their extent.
void AABBTransform(TAABB& bb, const TMatrix& m);
// Min and max multiplied per component by the scale.
void AABBScale(TAABB& bb, const TAffineVector& scale);
// Grows the box to contain the point.
void AABBInclude(TAABB& bb, const TAffineVector& p);
