#include "engine/fog_environment.h"

#include "engine/context.h"
#include "engine/gl_api.h"
#include "platform/base/assertion.h"

CLIENT_DEFINE_CLASS(TGLFogEnvironment, TGLUpdateAbleObject)

namespace {
constexpr GLenum kFogDistanceMode = 0x855A;  // GL_FOG_DISTANCE_MODE_NV
constexpr GLint kEyeRadial = 0x855B;         // GL_EYE_RADIAL_NV
constexpr GLint kEyePlaneAbsolute = 0x855C;  // GL_EYE_PLANE_ABSOLUTE_NV
}  // namespace

TGLFogEnvironment::TGLFogEnvironment(TPersistent* owner)
    : TGLUpdateAbleObject(owner), FFogColor(std::make_unique<TGLColor>(this, clrBlack)) {}

void TGLFogEnvironment::SetFogColor(const TGLColor* value) {
  if (!value) return;
  FFogColor->Assign(value);
}

void TGLFogEnvironment::SetFogStart(float value) {
  if (value == FFogStart) return;
  FFogStart = value;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogEnd(float value) {
  if (value == FFogEnd) return;
  FFogEnd = value;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogMode(TFogMode value) {
  if (value == FFogMode) return;
  FFogMode = value;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogDistance(TFogDistance value) {
  if (value == FFogDistance) return;
  FFogDistance = value;
  NotifyChange(this);
}

void TGLFogEnvironment::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLFogEnvironment*>(source)) {
    FFogColor->Initialize(other->FFogColor->GetColor());
    FFogStart = other->FFogStart;
    FFogEnd = other->FFogEnd;
    FFogMode = other->FFogMode;
    FFogDistance = other->FFogDistance;
    FChanged = true;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

void TGLFogEnvironment::NotifyChange(TObject* sender) {
  FChanged = true;
  TGLUpdateAbleObject::NotifyChange(sender);
}

bool TGLFogEnvironment::IsAtDefaultValues() const {
  const TVector4f& c = FFogColor->GetColor();
  return c[0] == 0 && c[1] == 0 && c[2] == 0 && c[3] == 1 && FFogStart == 10.0f && FFogEnd == 1000.0f &&
         FFogMode == fmLinear && FFogDistance == fdDefault;
}

void TGLFogEnvironment::ApplyFog(TGLContext* context) {
  if (!FChanged || !context) return;
  context->Activate();
  struct Deactivate {
    TGLContext* c;
    ~Deactivate() { c->Deactivate(); }
  } deactivate{context};
  const GLApi& gl = GL();
  switch (FFogMode) {
    case fmLinear:
      gl.glFogi(GL_FOG_MODE, GL_LINEAR);
      break;
    case fmExp:
      gl.glFogi(GL_FOG_MODE, GL_EXP);
      gl.glFogf(GL_FOG_DENSITY, FFogColor->GetAlpha());
      break;
    case fmExp2:
      gl.glFogi(GL_FOG_MODE, GL_EXP2);
      gl.glFogf(GL_FOG_DENSITY, FFogColor->GetAlpha());
      break;
  }
  gl.glFogfv(GL_FOG_COLOR, FFogColor->GetAsAddress());
  gl.glFogf(GL_FOG_START, FFogStart);
  gl.glFogf(GL_FOG_END, FFogEnd);
  if (gl.Extensions.NV_fog_distance) {
    switch (FFogDistance) {
      case fdDefault:
        if (FInitialDistanceMode < 0)
          gl.glGetIntegerv(kFogDistanceMode, &FInitialDistanceMode);
        else
          gl.glFogi(kFogDistanceMode, FInitialDistanceMode);
        break;
      case fdEyeRadial:
        gl.glFogi(kFogDistanceMode, kEyeRadial);
        break;
      case fdEyePlane:
        gl.glFogi(kFogDistanceMode, kEyePlaneAbsolute);
        break;
    }
  }
  FChanged = false;
}
