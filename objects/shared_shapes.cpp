#include "objects/shared_shapes.h"

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "objects/geometry_emitter.h"
#include "objects/shared_shapes_geometry.h"

void WireCubeBuildList(bool stipple, const TVector4f& colour, float size) {
  const GLApi& gl = GL();
  // Enable, current, lighting, line and colour buffer groups (0x6045).
  gl.glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT);
  gl.glDisable(GL_LIGHTING);
  gl.glEnable(GL_LINE_SMOOTH);
  if (stipple) {
    gl.glEnable(GL_LINE_STIPPLE);
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.glLineStipple(1, 0xCCCC);
  }
  gl.glLineWidth(1.0f);
  ResetGLMaterialColors();
  gl.glColorMaterial(GL_FRONT, GL_EMISSION);
  gl.glEnable(GL_COLOR_MATERIAL);
  gl.glColor4fv(colour.V);
  EmitGeometry(WireCubeGeometry(size), {false, false});
  gl.glPopAttrib();
}

void SolidDodecahedronBuildList() {
  static const GeometryBatches faces = SolidDodecahedronGeometry();
  EmitGeometry(faces, {true, false});
}
