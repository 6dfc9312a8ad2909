#pragma once
// Geometry of the function graphs as plain data: how an axis is sampled,
// the triangle strips of a height field z = f(x, y) with their normals,
// colours and texture points, and the lines of an axis grid.
//
// Samples are counted by index (value = base + i * step), so that rounding
// in the sum can neither add samples past the rows' records nor loop
// forever on a step too small to move the value.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/vector_types.h"
#include "objects/geometry_batch.h"

// The samples base, base + step, ... that do not exceed max.
struct SamplingRange {
  float Base = 0;
  float Step = 1;
  float Max = 0;
  // How many, but never more than `limit`.
  int Count(int limit) const;
  float At(int i) const { return Base + static_cast<float>(i) * Step; }
};

// What the height function fills for one sample (the texture point comes
// preset to (x, y), the height and colour to zero).
using HeightFieldFunction = std::function<void(float x, float y, float& z, TVector4f& color, TTexPoint& texPoint)>;

// The surface's own function when no event is given: a ripple of height
// 0.5 at the origin, light grey.
void BuiltInHeightFunction(float x, float y, float& z, TVector4f& color, TTexPoint& texPoint);

struct HeightFieldVertex {
  TAffineVector Normal;
  TVector4f Color;
  TTexPoint TexPoint;
  TVector4f Position;  // (x, y, z, 1)
};

// One triangle strip per pair of neighbouring rows, lower row (smaller y)
// and upper row alternating from the upper row's first sample, 2 n
// vertices for n samples a row. A row's normals come from the differences
// to its neighbours in x and in the rows before and after it. `xRecords`
// bounds the samples of a row; a single row draws nothing.
std::vector<std::vector<HeightFieldVertex>> BuildHeightFieldStrips(const SamplingRange& x, int xRecords,
                                                                   const SamplingRange& y,
                                                                   const HeightFieldFunction& function);

// Lines parallel to the axes: for each enabled axis, a line strip through
// every sample of that axis (or only from its low to its high end) at each
// sample of the two other axes.
struct XYZGridLayout {
  SamplingRange Axes[3];
  float AxisMin[3] = {0, 0, 0};
  float AxisMax[3] = {0, 0, 0};
  bool Parts[3] = {true, true, false};
  bool Segments = true;
};
GeometryBatches BuildXYZGridLines(const XYZGridLayout& layout);
