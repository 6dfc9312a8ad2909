#pragma once
// Sends generated geometry to GL in immediate mode: one glBegin/glEnd per
// batch, a normal only where it changes, texture coordinates through the
// multitexture mapping so that every mapped unit receives them.

#include <span>

#include "engine/gl_api.h"
#include "objects/geometry_batch.h"

struct EmitOptions {
  bool Normals = true;
  bool TexCoords = true;
};

GLenum PrimitiveKindToGL(PrimitiveKind kind);

void EmitGeometry(std::span<const GeometryBatch> batches, EmitOptions options = {});
void EmitGeometryBatch(const GeometryBatch& batch, EmitOptions options = {});
