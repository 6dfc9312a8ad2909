#include "engine/light_source.h"

#include "engine/gl_api.h"
#include "engine/scene.h"

CLIENT_DEFINE_CLASS(TGLLightSource, TGLBaseSceneObject)
CLIENT_REGISTER_CLASS(TGLLightSource);

TGLLightSource::TGLLightSource(TComponent* owner)
    : TGLBaseSceneObject(owner),
      FSpotDirection(std::make_unique<TGLCoordinates>(this, TVector4f{0, 0, -1, 0}, csVector)),
      FAmbient(std::make_unique<TGLColor>(this, clrBlack)),
      FDiffuse(std::make_unique<TGLColor>(this, clrWhite)),
      FSpecular(std::make_unique<TGLColor>(this, clrBlack)) {}

TGLLightSource::~TGLLightSource() {
  if (GetScene()) GetScene()->RemoveLight(this);
}

void TGLLightSource::SetSpotDirection(const TGLCoordinates* value) {
  if (!value) return;
  FSpotDirection->SetDirectVector({value->GetX(), value->GetY(), value->GetZ(), 0.0f});
  NotifyChange(this);
}

#define CLIENT_LIGHT_SETTER(Name, Field, Type) \
  void TGLLightSource::Set##Name(Type value) { \
    if (value == Field) return;                \
    Field = value;                             \
    NotifyChange(this);                        \
  }
CLIENT_LIGHT_SETTER(SpotExponent, FSpotExponent, float)
CLIENT_LIGHT_SETTER(ConstAttenuation, FConstAttenuation, float)
CLIENT_LIGHT_SETTER(LinearAttenuation, FLinearAttenuation, float)
CLIENT_LIGHT_SETTER(QuadraticAttenuation, FQuadraticAttenuation, float)
CLIENT_LIGHT_SETTER(Shining, FShining, bool)
CLIENT_LIGHT_SETTER(LightStyle, FLightStyle, TLightStyle)
#undef CLIENT_LIGHT_SETTER

void TGLLightSource::SetSpotCutOff(float value) {
  if (!((value >= 0 && value <= 90) || value == 180)) return;
  FSpotCutOff = value;
  NotifyChange(this);
}

void TGLLightSource::SetAmbient(const TGLColor* value) {
  if (value) FAmbient->Initialize(value->GetColor());
  NotifyChange(this);
}

void TGLLightSource::SetDiffuse(const TGLColor* value) {
  if (value) FDiffuse->Initialize(value->GetColor());
  NotifyChange(this);
}

void TGLLightSource::SetSpecular(const TGLColor* value) {
  if (value) FSpecular->Initialize(value->GetColor());
  NotifyChange(this);
}

void TGLLightSource::CoordinateChanged(TGLCoordinates* sender) {
  TGLBaseSceneObject::CoordinateChanged(sender);
  if (sender == FSpotDirection.get()) TransformationChanged();
}

void TGLLightSource::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderChildren) RenderChildren(0, GetCount() - 1, rci);
}

void TGLLightSource::ApplyTo(GLenum light) {
  const GLApi& gl = GL();
  if (FLightStyle == lsParallel) {
    gl.glMultMatrixf(GetAbsoluteMatrix()[0].V);
    const TVector4f direction{FSpotDirection->GetX(), FSpotDirection->GetY(), FSpotDirection->GetZ(), 0.0f};
    gl.glLightfv(light, GL_POSITION, direction.V);
  } else {
    if (GetParent()) gl.glMultMatrixf(GetParent()->GetAbsoluteMatrix()[0].V);
    const TVector4f position{GetPosition()->GetX(), GetPosition()->GetY(), GetPosition()->GetZ(), 1.0f};
    gl.glLightfv(light, GL_POSITION, position.V);
  }
  gl.glLightfv(light, GL_AMBIENT, FAmbient->GetAsAddress());
  gl.glLightfv(light, GL_DIFFUSE, FDiffuse->GetAsAddress());
  gl.glLightfv(light, GL_SPECULAR, FSpecular->GetAsAddress());
  if (FLightStyle == lsSpot) {
    if (FSpotCutOff != 180.0f) {
      gl.glLightfv(light, GL_SPOT_DIRECTION, FSpotDirection->AsAddress());
      gl.glLightf(light, GL_SPOT_EXPONENT, FSpotExponent);
    }
    gl.glLightf(light, GL_SPOT_CUTOFF, FSpotCutOff);
  } else {
    gl.glLightf(light, GL_SPOT_CUTOFF, 180.0f);
  }
  gl.glLightf(light, GL_CONSTANT_ATTENUATION, FConstAttenuation);
  gl.glLightf(light, GL_LINEAR_ATTENUATION, FLinearAttenuation);
  gl.glLightf(light, GL_QUADRATIC_ATTENUATION, FQuadraticAttenuation);
}
