#include "engine/face_properties.h"

#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"

CLIENT_DEFINE_CLASS(TGLFaceProperties, TGLUpdateAbleObject)

GLenum GLPolygonModeOf(TPolygonMode mode) {
  switch (mode) {
    case pmLines: return GL_LINE;
    case pmPoints: return GL_POINT;
    default: return GL_FILL;
  }
}

TGLFaceProperties::TGLFaceProperties(TPersistent* owner)
    : TGLUpdateAbleObject(owner),
      FAmbient(std::make_unique<TGLColor>(this, clrGray20)),
      FDiffuse(std::make_unique<TGLColor>(this, clrGray80)),
      FSpecular(std::make_unique<TGLColor>(this, clrBlack)),
      FEmission(std::make_unique<TGLColor>(this, clrBlack)) {}

void TGLFaceProperties::CopyColor(TGLColor& target, const TGLColor* value) {
  if (value) target.Initialize(value->GetColor());
  NotifyChange(this);
}

void TGLFaceProperties::SetAmbient(const TGLColor* value) { CopyColor(*FAmbient, value); }
void TGLFaceProperties::SetDiffuse(const TGLColor* value) { CopyColor(*FDiffuse, value); }
void TGLFaceProperties::SetSpecular(const TGLColor* value) { CopyColor(*FSpecular, value); }
void TGLFaceProperties::SetEmission(const TGLColor* value) { CopyColor(*FEmission, value); }

void TGLFaceProperties::SetPolygonMode(TPolygonMode value) {
  if (value == FPolygonMode) return;
  FPolygonMode = value;
  NotifyChange(this);
}

void TGLFaceProperties::SetShininess(TShininess value) {
  if (value > 128) value = 128;
  if (value == FShininess) return;
  FShininess = value;
  NotifyChange(this);
}

void TGLFaceProperties::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLFaceProperties*>(source)) {
    FAmbient->Initialize(other->FAmbient->GetColor());
    FDiffuse->Initialize(other->FDiffuse->GetColor());
    FSpecular->Initialize(other->FSpecular->GetColor());
    FEmission->Initialize(other->FEmission->GetColor());
    FShininess = other->FShininess;
    FPolygonMode = other->FPolygonMode;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLFaceProperties::Apply(GLenum face, bool lighting) const {
  if (lighting)
    SetGLMaterialColors(face, FEmission->GetColor(), FAmbient->GetColor(), FDiffuse->GetColor(),
                        FSpecular->GetColor(), FShininess);
  else
    GL().glColor4fv(FDiffuse->GetAsAddress());
  SetGLPolygonMode(face, GLPolygonModeOf(FPolygonMode));
}
