#pragma once
// A light source: one of the fixed-function GL lights. The scene gives it
// its GL light (the first free of its eight slots) when it enters the
// scene; a ninth light gets none and stays dark.

#include <cstdint>
#include <memory>

#include <GL/gl.h>

#include "engine/gl_color.h"
#include "engine/scene_node.h"

enum TLightStyle : std::uint8_t { lsSpot, lsOmni, lsParallel };

class TGLLightSource : public TGLBaseSceneObject {
  CLIENT_DECLARE_CLASS(TGLLightSource)
public:
  explicit TGLLightSource(TComponent* owner = nullptr);
  ~TGLLightSource() override;

  // GL_LIGHT0 + slot, 0 while the scene has given it none.
  GLenum GetLightID() const { return FLightID; }
  void SetLightID(GLenum id) { FLightID = id; }

  TGLCoordinates* GetSpotDirection() const { return FSpotDirection.get(); }
  // X, Y, Z copied, W 0.
  void SetSpotDirection(const TGLCoordinates* value);
  float GetSpotExponent() const { return FSpotExponent; }
  void SetSpotExponent(float value);
  float GetSpotCutOff() const { return FSpotCutOff; }
  // Taken only in 0..90 or exactly 180 (what GL accepts).
  void SetSpotCutOff(float value);
  float GetConstAttenuation() const { return FConstAttenuation; }
  void SetConstAttenuation(float value);
  float GetLinearAttenuation() const { return FLinearAttenuation; }
  void SetLinearAttenuation(float value);
  float GetQuadraticAttenuation() const { return FQuadraticAttenuation; }
  void SetQuadraticAttenuation(float value);
  bool GetShining() const { return FShining; }
  void SetShining(bool value);
  TLightStyle GetLightStyle() const { return FLightStyle; }
  void SetLightStyle(TLightStyle value);
  TGLColor* GetAmbient() const { return FAmbient.get(); }
  TGLColor* GetDiffuse() const { return FDiffuse.get(); }
  TGLColor* GetSpecular() const { return FSpecular.get(); }
  void SetAmbient(const TGLColor* value);
  void SetDiffuse(const TGLColor* value);
  void SetSpecular(const TGLColor* value);

  void CoordinateChanged(TGLCoordinates* sender) override;
  GLuint GetHandle(TRenderContextInfo&) override { return 0; }
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr, TVector4f* = nullptr) override {
    return false;
  }

  // Sends the light's parameters to its GL light; the model-view matrix is
  // the camera's view transform (ApplyLights arranges it).
  void ApplyTo(GLenum light);

private:
  GLenum FLightID = 0;
  std::unique_ptr<TGLCoordinates> FSpotDirection;
  float FSpotExponent = 0.0f;
  float FSpotCutOff = 180.0f;
  float FConstAttenuation = 1.0f;
  float FLinearAttenuation = 0.0f;
  float FQuadraticAttenuation = 0.0f;
  bool FShining = true;
  std::unique_ptr<TGLColor> FAmbient, FDiffuse, FSpecular;
  TLightStyle FLightStyle = lsSpot;
};
