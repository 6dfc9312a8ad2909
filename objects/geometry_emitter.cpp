#include "objects/geometry_emitter.h"

#include "engine/multitexture.h"
#include "engine/vector_geometry.h"

GLenum PrimitiveKindToGL(PrimitiveKind kind) {
  switch (kind) {
    case PrimitiveKind::Quads:
      return GL_QUADS;
    case PrimitiveKind::QuadStrip:
      return GL_QUAD_STRIP;
    case PrimitiveKind::Triangles:
      return GL_TRIANGLES;
    case PrimitiveKind::TriangleStrip:
      return GL_TRIANGLE_STRIP;
    case PrimitiveKind::TriangleFan:
      return GL_TRIANGLE_FAN;
    case PrimitiveKind::Lines:
      return GL_LINES;
    case PrimitiveKind::LineStrip:
      return GL_LINE_STRIP;
  }
  return GL_POINTS;
}

void EmitGeometryBatch(const GeometryBatch& batch, EmitOptions options) {
  const GLApi& gl = GL();
  gl.glBegin(PrimitiveKindToGL(batch.Kind));
  const TAffineVector* lastNormal = nullptr;
  const bool colors = batch.Colors.size() == batch.Vertices.size();
  for (std::size_t i = 0; i < batch.Vertices.size(); ++i) {
    const GeometryVertex& v = batch.Vertices[i];
    if (colors) gl.glColor4fv(batch.Colors[i].V);
    if (options.Normals && (!lastNormal || !AffineVectorEquals(*lastNormal, v.Normal))) {
      gl.glNormal3fv(v.Normal.V);
      lastNormal = &v.Normal;
    }
    if (options.TexCoords) xgl::TexCoord2f(v.Tex.S, v.Tex.T);
    gl.glVertex3fv(v.Position.V);
  }
  gl.glEnd();
}

void EmitGeometry(std::span<const GeometryBatch> batches, EmitOptions options) {
  for (const GeometryBatch& batch : batches) EmitGeometryBatch(batch, options);
}
