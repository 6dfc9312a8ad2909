#include "objects/quadric.h"

#include "engine/gl_api.h"

CLIENT_DEFINE_CLASS(TGLQuadricObject, TGL3DSceneObject)

void TGLQuadricObject::SetNormals(TNormalSmoothing value) {
  if (value == FNormals) return;
  FNormals = value;
  StructureChanged();
}

void TGLQuadricObject::SetNormalDirection(TNormalDirection value) {
  if (value == FNormalDirection) return;
  FNormalDirection = value;
  StructureChanged();
}

void TGLQuadricObject::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLQuadricObject*>(source)) {
    FNormals = other->FNormals;
    FNormalDirection = other->FNormalDirection;
  }
  TGL3DSceneObject::Assign(source);
}

void TGLQuadricObject::SetupQuadric(GLUquadric* quadric) const {
  const GLApi& gl = GL();
  gl.gluQuadricDrawStyle(quadric, GLU_FILL);
  gl.gluQuadricNormals(quadric, FNormals == nsFlat ? GLU_FLAT : FNormals == nsSmooth ? GLU_SMOOTH : GLU_NONE);
  ApplyNormalOrientation(quadric);
  gl.gluQuadricTexture(quadric, GL_TRUE);
}

void TGLQuadricObject::ApplyNormalOrientation(GLUquadric* quadric) const {
  GL().gluQuadricOrientation(quadric, FNormalDirection == ndInside ? GLU_INSIDE : GLU_OUTSIDE);
}

void TGLQuadricObject::ApplyInvertedOrientation(GLUquadric* quadric) const {
  GL().gluQuadricOrientation(quadric, FNormalDirection == ndInside ? GLU_OUTSIDE : GLU_INSIDE);
}
