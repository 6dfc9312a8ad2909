#include "objects/line_base.h"

#include "engine/gl_api.h"

CLIENT_DEFINE_CLASS(TGLLineBase, TGLImmaterialSceneObject)

TGLLineBase::TGLLineBase(TComponent* owner)
    : TGLImmaterialSceneObject(owner), FLineColor(std::make_unique<TGLColor>(this, clrWhite)) {}

TGLLineBase::~TGLLineBase() = default;

void TGLLineBase::SetLineColor(const TGLColor* value) {
  if (value) FLineColor->Initialize(value->GetColor());
  StructureChanged();
}

void TGLLineBase::SetLinePattern(std::uint16_t value) {
  if (value == FLinePattern) return;
  FLinePattern = value;
  StructureChanged();
}

void TGLLineBase::SetLineWidth(float value) {
  if (value == FLineWidth) return;
  FLineWidth = value;
  StructureChanged();
}

void TGLLineBase::SetAntiAliased(bool value) {
  if (value == FAntiAliased) return;
  FAntiAliased = value;
  StructureChanged();
}

void TGLLineBase::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLLineBase*>(source)) {
    FLinePattern = other->FLinePattern;
    FLineWidth = other->FLineWidth;
    FAntiAliased = other->FAntiAliased;
    FLineColor->Assign(other->FLineColor.get());
    return;
  }
  TGLImmaterialSceneObject::Assign(source);
}

// Enable, colour buffer, line and current groups (0x6005).
LineStyleScope::LineStyleScope(const TGLLineBase& line, TRenderContextInfo& rci)
    : attribs_(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_LINE_BIT | GL_CURRENT_BIT, rci.GLStates) {
  const GLApi& gl = GL();
  UnSetGLState(rci.GLStates, stLighting);
  if (line.GetLinePattern() != 0xFFFF) {
    SetGLState(rci.GLStates, stLineStipple);
    SetGLState(rci.GLStates, stBlend);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.glLineStipple(1, line.GetLinePattern());
  }
  if (line.GetAntiAliased())
    SetGLState(rci.GLStates, stLineSmooth);
  else
    UnSetGLState(rci.GLStates, stLineSmooth);
  gl.glLineWidth(line.GetLineWidth());
  const TGLColor& colour = *line.GetLineColor();
  if (colour.GetAlpha() == 1.0f) {
    gl.glColor3fv(colour.GetAsAddress());
  } else {
    SetGLState(rci.GLStates, stBlend);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.glColor4fv(colour.GetAsAddress());
  }
}
