#pragma once
// Corners of the camera-facing quad of a sprite, from the model-view matrix
// in force when it is drawn.

#include <array>

#include "objects/geometry_batch.h"

struct SpriteShape {
  float Width = 1.0f;
  float Height = 1.0f;
  float Rotation = 0.0f;  // degrees, counter-clockwise as the camera sees it
  bool MirrorU = false;
  bool MirrorV = false;
};

// `model_view` holds the 16 floats as GL returns them (column after
// column): its first two rows are the camera's right and up axes in the
// object's local space. The quad is Width along the (rotated) right axis
// and Height along the (rotated) up axis, so it keeps its proportions at
// any rotation. An axis that has collapsed (a zero scale) gives a flat
// quad, never NaN. Vertex order: upper right, upper left, lower left,
// lower right; normals are left zero (the sprite sends none).
std::array<GeometryVertex, 4> BuildSpriteQuad(const float (&model_view)[16], const SpriteShape& shape);
