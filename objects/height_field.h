#pragma once
// Function graphs: how one axis is sampled (TGLSamplingScale) and the
// surface z = f(x, y) drawn over two sampling scales, asking an event for
// each sample's height, colour and texture point (TGLHeightField).

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/custom_scene_object.h"
#include "engine/update_able_object.h"
#include "objects/height_field_geometry.h"
#include "objects/small_set.h"

// A range, an origin the samples align to, and a step.
class TGLSamplingScale : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLSamplingScale)
public:
  explicit TGLSamplingScale(TPersistent* owner = nullptr) : TGLUpdateAbleObject(owner) {}

  float GetMin() const { return FMin; }
  // Max follows when it would be below.
  void SetMin(float value);
  float GetMax() const { return FMax; }
  // Min follows when it would be above.
  void SetMax(float value);
  float GetOrigin() const { return FOrigin; }
  void SetOrigin(float value);
  float GetStep() const { return FStep; }
  // 1 for a step that is not above 0.
  void SetStep(float value);

  void Assign(const TPersistent* source) override;

  // The first sample: the first value Origin + k Step (k whole) that is not
  // below Min.
  float SampleBase() const;
  // (Max - Min) / Step + 0.5, to the nearest (halves to even).
  int SampleCount() const;
  bool HasRange() const { return FMax != FMin; }
  // Enabled: from the first sample to Max (and a hair beyond, so that a
  // sample landing on Max is kept); disabled: Origin alone.
  void GetSamplingRange(float& base, float& step, float& max, bool samplingEnabled) const;
  SamplingRange Range(bool samplingEnabled) const;

private:
  float FMin = 0;
  float FMax = 0;
  float FOrigin = 0;
  float FStep = 0.1f;
};

enum THeightFieldOption : std::uint8_t { hfoTextureCoordinates, hfoTwoSided };
using THeightFieldOptions = SmallSet<THeightFieldOption>;
enum THeightFieldColorMode : std::uint8_t { hfcmNone, hfcmEmission, hfcmAmbient, hfcmDiffuse, hfcmAmbientAndDiffuse };

using THeightFieldGetHeightEvent =
    std::function<void(float x, float y, float& z, TVector4f& color, TTexPoint& texPoint)>;
using THeightFieldGetHeight2Event =
    std::function<void(TObject* sender, float x, float y, float& z, TVector4f& color, TTexPoint& texPoint)>;

class TGLHeightField : public TGL3DSceneObject {
  CLIENT_DECLARE_CLASS(TGLHeightField)
public:
  explicit TGLHeightField(TComponent* owner = nullptr);
  ~TGLHeightField() override;

  TGLSamplingScale* GetXSamplingScale() const { return FXSamplingScale.get(); }
  void SetXSamplingScale(const TGLSamplingScale* value) { FXSamplingScale->Assign(value); }
  TGLSamplingScale* GetYSamplingScale() const { return FYSamplingScale.get(); }
  void SetYSamplingScale(const TGLSamplingScale* value) { FYSamplingScale->Assign(value); }
  THeightFieldOptions GetOptions() const { return FOptions; }
  void SetOptions(THeightFieldOptions value);
  THeightFieldColorMode GetColorMode() const { return FColorMode; }
  void SetColorMode(THeightFieldColorMode value);
  const THeightFieldGetHeightEvent& GetOnGetHeight() const { return FOnGetHeight; }
  void SetOnGetHeight(THeightFieldGetHeightEvent value);
  const THeightFieldGetHeight2Event& GetOnGetHeight2() const { return FOnGetHeight2; }
  void SetOnGetHeight2(THeightFieldGetHeight2Event value);

  // A sampling scale's change is a change of the surface.
  void NotifyChange(TObject* sender) override;
  // From another height field: the scales, the height events, options and
  // colour mode, and nothing of the scene object.
  void Assign(const TPersistent* source) override;
  // Nothing unless both scales have a range.
  void BuildList(TRenderContextInfo& rci) override;

private:
  std::unique_ptr<TGLSamplingScale> FXSamplingScale;
  std::unique_ptr<TGLSamplingScale> FYSamplingScale;
  THeightFieldOptions FOptions{hfoTwoSided};
  THeightFieldColorMode FColorMode = hfcmNone;
  THeightFieldGetHeightEvent FOnGetHeight;
  THeightFieldGetHeight2Event FOnGetHeight2;
};
