#pragma once
// The fog parameters of one scene buffer. Changes are kept (the changed
// flag) until the fog is applied in the buffer's context, so values set
// before the context exists reach GL at the first render.

#include <cstdint>
#include <memory>

#include "engine/gl_color.h"

class TGLContext;

enum TFogMode : std::uint8_t { fmLinear, fmExp, fmExp2 };
enum TFogDistance : std::uint8_t { fdDefault, fdEyeRadial, fdEyePlane };

class TGLFogEnvironment : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLFogEnvironment)
public:
  explicit TGLFogEnvironment(TPersistent* owner = nullptr);

  TGLColor* GetFogColor() const { return FFogColor.get(); }
  // A null source is ignored.
  void SetFogColor(const TGLColor* value);
  float GetFogStart() const { return FFogStart; }
  void SetFogStart(float value);
  float GetFogEnd() const { return FFogEnd; }
  void SetFogEnd(float value);
  TFogMode GetFogMode() const { return FFogMode; }
  void SetFogMode(TFogMode value);
  TFogDistance GetFogDistance() const { return FFogDistance; }
  void SetFogDistance(TFogDistance value);
  bool Changed() const { return FChanged; }

  // Copies the five values and marks the fog changed.
  void Assign(const TPersistent* source) override;
  void NotifyChange(TObject* sender) override;
  // Whether the environment differs from the defaults (it is stored then).
  bool IsAtDefaultValues() const;

  // Sends the fog to GL when it changed, in `context` (activated around
  // it); nothing without a context. Density is the colour's alpha for the
  // exponential modes.
  void ApplyFog(TGLContext* context);

private:
  std::unique_ptr<TGLColor> FFogColor;
  float FFogStart = 10.0f;
  float FFogEnd = 1000.0f;
  TFogMode FFogMode = fmLinear;
  TFogDistance FFogDistance = fdDefault;
  bool FChanged = false;
  // GL's own fog distance mode, read at the first apply (-1 before).
  int FInitialDistanceMode = -1;
};
