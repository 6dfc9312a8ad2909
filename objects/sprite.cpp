#include "objects/sprite.h"

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/multitexture.h"

CLIENT_DEFINE_CLASS(TGLSprite, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLSprite);

TGLSprite::TGLSprite(TComponent* owner) : TGL3DSceneObject(owner) {
  FObjectStyle |= sosDirectDraw | sosNoVisibilityCulling;
}

void TGLSprite::SetWidth(float value) {
  if (value == FShape.Width) return;
  FShape.Width = value;
  NotifyChange(this);
}

void TGLSprite::SetHeight(float value) {
  if (value == FShape.Height) return;
  FShape.Height = value;
  NotifyChange(this);
}

void TGLSprite::SetRotation(float value) {
  if (value == FShape.Rotation) return;
  FShape.Rotation = value;
  NotifyChange(this);
}

void TGLSprite::SetAlphaChannel(float value) {
  if (value == FAlphaChannel) return;
  FAlphaChannel = value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
  NotifyChange(this);
}

void TGLSprite::SetNoZWrite(bool value) {
  FNoZWrite = value;
  NotifyChange(this);
}

void TGLSprite::SetMirrorU(bool value) {
  FShape.MirrorU = value;
  NotifyChange(this);
}

void TGLSprite::SetMirrorV(bool value) {
  FShape.MirrorV = value;
  NotifyChange(this);
}

void TGLSprite::SetSize(float width, float height) {
  FShape.Width = width;
  FShape.Height = height;
  NotifyChange(this);
}

void TGLSprite::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSprite*>(source)) {
    FShape.Width = other->FShape.Width;
    FShape.Height = other->FShape.Height;
    FShape.Rotation = other->FShape.Rotation;
    FAlphaChannel = other->FAlphaChannel;
    FNoZWrite = other->FNoZWrite;
  }
  TGL3DSceneObject::Assign(source);
}

void TGLSprite::BuildList(TRenderContextInfo& rci) {
  const GLApi& gl = GL();
  if (FAlphaChannel != 1.0f) SetGLMaterialAlphaChannel(GL_FRONT, FAlphaChannel);
  if (FNoZWrite) gl.glDepthMask(GL_FALSE);
  float modelView[16];
  gl.glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  const auto quad = BuildSpriteQuad(modelView, FShape);
  gl.glBegin(GL_QUADS);
  for (const GeometryVertex& v : quad) {
    xgl::TexCoord2f(v.Tex.S, v.Tex.T);
    gl.glVertex3fv(v.Position.V);
  }
  gl.glEnd();
  if (FNoZWrite) gl.glDepthMask(GL_TRUE);
}
