#include "engine/direct_opengl.h"

#include "engine/multitexture.h"

CLIENT_DEFINE_CLASS(TGLImmaterialSceneObject, TGLBaseSceneObject)
CLIENT_DEFINE_CLASS(TGLDirectOpenGL, TGLImmaterialSceneObject)
CLIENT_REGISTER_CLASS(TGLDirectOpenGL);

void TGLImmaterialSceneObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  TGLBaseSceneObject::DoRender(rci, renderSelf, renderChildren);
}

TGLDirectOpenGL::TGLDirectOpenGL(TComponent* owner) : TGLImmaterialSceneObject(owner) {
  // The handler may change any state behind the caches' back.
  FObjectStyle |= sosDirectDraw | sosResetsGLStateCaches;
}

void TGLDirectOpenGL::SetUseBuildList(bool value) {
  if (value == FUseBuildList) return;
  FUseBuildList = value;
  if (value)
    FObjectStyle &= static_cast<TSceneObjectStyle>(~sosDirectDraw);
  else
    FObjectStyle |= sosDirectDraw;
  StructureChanged();
}

void TGLDirectOpenGL::SetBlend(bool value) {
  if (value == FBlend) return;
  FBlend = value;
  NotifyChange(this);
}

void TGLDirectOpenGL::SetOnRender(TDirectRenderEvent event) {
  FOnRender = std::move(event);
  StructureChanged();
}

void TGLDirectOpenGL::BuildList(TRenderContextInfo& rci) {
  if (!FOnRender) return;
  // The handler's texture coordinates go to the main unit, whatever the
  // drawable before it left mapped.
  xgl::MapTexCoordToMain();
  FOnRender(this, rci);
}

void TGLDirectOpenGL::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLDirectOpenGL*>(source)) {
    FUseBuildList = other->FUseBuildList;
    FObjectStyle = other->FObjectStyle;
    FOnRender = other->FOnRender;
    FBlend = other->FBlend;
  }
  TGLImmaterialSceneObject::Assign(source);
}
