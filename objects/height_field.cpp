#include "objects/height_field.h"

#include <cmath>

#include "engine/face_properties.h"
#include "engine/gl_api.h"
#include "engine/gl_state_cache.h"
#include "engine/material.h"
#include "engine/multitexture.h"
#include "engine/vector_geometry.h"

CLIENT_DEFINE_CLASS(TGLSamplingScale, TGLUpdateAbleObject)
CLIENT_DEFINE_CLASS(TGLHeightField, TGL3DSceneObject)
CLIENT_REGISTER_CLASS(TGLHeightField);

// --- TGLSamplingScale -------------------------------------------------------------
void TGLSamplingScale::SetMin(float value) {
  FMin = value;
  if (FMax < FMin) FMax = FMin;
  NotifyChange(this);
}

void TGLSamplingScale::SetMax(float value) {
  FMax = value;
  if (FMin > FMax) FMin = FMax;
  NotifyChange(this);
}

void TGLSamplingScale::SetOrigin(float value) {
  FOrigin = value;
  NotifyChange(this);
}

void TGLSamplingScale::SetStep(float value) {
  FStep = value > 0 ? value : 1.0f;
  NotifyChange(this);
}

void TGLSamplingScale::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLSamplingScale*>(source)) {
    FMin = other->FMin;
    FMax = other->FMax;
    FOrigin = other->FOrigin;
    FStep = other->FStep;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(source);
}

float TGLSamplingScale::SampleBase() const {
  if (FOrigin == FMin) return FMin;
  // The whole number of steps from the origin up to Min, rounded up: an
  // origin below Min by an exact number of steps starts at Min itself.
  const double k = std::ceil((static_cast<double>(FMin) - FOrigin) / FStep);
  return static_cast<float>(FOrigin + k * FStep);
}

int TGLSamplingScale::SampleCount() const {
  return static_cast<int>(Round((static_cast<double>(FMax) - FMin) / FStep + 0.5));
}

void TGLSamplingScale::GetSamplingRange(float& base, float& step, float& max, bool samplingEnabled) const {
  step = FStep;
  if (samplingEnabled) {
    base = SampleBase();
    max = FMax + 0.000001f * (FMax - base) / step;
  } else {
    base = max = FOrigin;
  }
}

SamplingRange TGLSamplingScale::Range(bool samplingEnabled) const {
  SamplingRange range;
  GetSamplingRange(range.Base, range.Step, range.Max, samplingEnabled);
  return range;
}

// --- TGLHeightField ------------------------------------------------------------------
TGLHeightField::TGLHeightField(TComponent* owner)
    : TGL3DSceneObject(owner),
      FXSamplingScale(std::make_unique<TGLSamplingScale>(this)),
      FYSamplingScale(std::make_unique<TGLSamplingScale>(this)) {
  FObjectStyle |= sosResetsGLStateCaches;
}

TGLHeightField::~TGLHeightField() = default;

void TGLHeightField::SetOptions(THeightFieldOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  StructureChanged();
}

void TGLHeightField::SetColorMode(THeightFieldColorMode value) {
  if (value == FColorMode) return;
  FColorMode = value;
  StructureChanged();
}

void TGLHeightField::SetOnGetHeight(THeightFieldGetHeightEvent value) {
  FOnGetHeight = std::move(value);
  StructureChanged();
}

void TGLHeightField::SetOnGetHeight2(THeightFieldGetHeight2Event value) {
  FOnGetHeight2 = std::move(value);
  StructureChanged();
}

void TGLHeightField::NotifyChange(TObject* sender) {
  if (sender && sender->Is<TGLSamplingScale>()) StructureChanged();
  TGL3DSceneObject::NotifyChange(sender);
}

void TGLHeightField::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLHeightField*>(source)) {
    FXSamplingScale->Assign(other->FXSamplingScale.get());
    FYSamplingScale->Assign(other->FYSamplingScale.get());
    FOnGetHeight = other->FOnGetHeight;
    FOnGetHeight2 = other->FOnGetHeight2;
    FOptions = other->FOptions;
    FColorMode = other->FColorMode;
    StructureChanged();
    return;
  }
  TGL3DSceneObject::Assign(source);
}

void TGLHeightField::BuildList(TRenderContextInfo&) {
  if (!FXSamplingScale->HasRange() || !FYSamplingScale->HasRange()) return;
  HeightFieldFunction function = BuiltInHeightFunction;
  if (!IsDesigning()) {
    if (FOnGetHeight)
      function = FOnGetHeight;
    else if (FOnGetHeight2)
      function = [this](float x, float y, float& z, TVector4f& color, TTexPoint& texPoint) {
        FOnGetHeight2(this, x, y, z, color, texPoint);
      };
  }
  const auto strips = BuildHeightFieldStrips(FXSamplingScale->Range(true), FXSamplingScale->SampleCount() + 1,
                                             FYSamplingScale->Range(true), function);
  const GLApi& gl = GL();
  const bool twoSided = FOptions.Contains(hfoTwoSided);
  const bool colored = FColorMode != hfcmNone;
  const bool pushed = twoSided || colored;
  // The polygon modes are pushed with the enables, so that neither face's
  // mode outlives the surface.
  if (pushed) gl.glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
  struct Pop {
    bool active;
    ~Pop() {
      if (active) GL().glPopAttrib();
    }
  } pop{pushed};
  if (twoSided) {
    gl.glDisable(GL_CULL_FACE);
    gl.glPolygonMode(GL_FRONT_AND_BACK, GLPolygonModeOf(GetMaterial()->GetFrontProperties()->GetPolygonMode()));
  }
  if (colored) {
    static constexpr GLenum kColorMaterial[] = {0, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_AMBIENT_AND_DIFFUSE};
    gl.glEnable(GL_COLOR_MATERIAL);
    gl.glColorMaterial(GL_FRONT_AND_BACK, kColorMaterial[FColorMode]);
    ResetGLMaterialColors();
  }
  const bool texCoords = FOptions.Contains(hfoTextureCoordinates);
  for (const auto& strip : strips) {
    gl.glBegin(GL_TRIANGLE_STRIP);
    for (const HeightFieldVertex& v : strip) {
      gl.glNormal3fv(v.Normal.V);
      if (colored) gl.glColor4fv(v.Color.V);
      if (texCoords) xgl::TexCoord2f(v.TexPoint.S, v.TexPoint.T);
      gl.glVertex4fv(v.Position.V);
    }
    gl.glEnd();
  }
}
