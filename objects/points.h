#pragma once
// A cloud of GL points: positions, none, one or per-point colours, a size,
// a shape and blending style, and distance-dependent point sizes where the
// driver has point parameters.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/direct_opengl.h"
#include "engine/gl_coordinates.h"
#include "engine/update_able_object.h"
#include "engine/vector_lists.h"

class TGLPointParameters : public TGLUpdateAbleObject {
  CLIENT_DECLARE_CLASS(TGLPointParameters)
public:
  explicit TGLPointParameters(TPersistent* owner = nullptr);
  ~TGLPointParameters() override;

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // The three sizes store 0 for a negative value.
  float GetMinSize() const { return FMinSize; }
  void SetMinSize(float value);
  float GetMaxSize() const { return FMaxSize; }
  void SetMaxSize(float value);
  float GetFadeTresholdSize() const { return FFadeTresholdSize; }
  void SetFadeTresholdSize(float value);
  // Constant, linear and quadratic attenuation coefficients.
  TGLCoordinates* GetDistanceAttenuation() const { return FDistanceAttenuation.get(); }
  void SetDistanceAttenuation(const TGLCoordinates* value) { FDistanceAttenuation->Assign(value); }

  // The "PointParams" property: minimum, maximum and fade threshold as
  // little-endian Singles, stored only when not all at (0, 128, 1).
  std::optional<std::array<std::uint8_t, 12>> WritePointParamsData() const;
  // Exactly 12 bytes, else nothing changes and false is returned.
  bool ReadPointParamsData(std::span<const std::uint8_t> data);

  // From other parameters: the sizes and the attenuation (not Enabled).
  void Assign(const TPersistent* source) override;

  // Sent to GL only when enabled and the driver has point parameters;
  // UnApply puts GL's defaults back.
  void Apply() const;
  void UnApply() const;

private:
  void StoreSize(float& field, float value);

  bool FEnabled = false;
  float FMinSize = 0.0f;
  float FMaxSize = 128.0f;
  float FFadeTresholdSize = 1.0f;
  std::unique_ptr<TGLCoordinates> FDistanceAttenuation;
};

enum TGLPointStyle : std::uint8_t { psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive };

// What a draw of the points sends: how many points, and where their colour
// comes from.
struct PointsDrawPlan {
  enum class ColorSource : std::uint8_t { White, One, PerPoint };
  int Count = 0;
  ColorSource Colors = ColorSource::White;
  // No positions: a single point at the origin.
  bool AtOrigin = false;
};

// With per-point colours, no more points than colours.
PointsDrawPlan PlanPoints(int positions, int colors);

class TGLPoints : public TGLImmaterialSceneObject {
  CLIENT_DECLARE_CLASS(TGLPoints)
public:
  explicit TGLPoints(TComponent* owner = nullptr);
  ~TGLPoints() override;

  TAffineVectorList* GetPositions() const { return FPositions.get(); }
  // Copied; a change of structure.
  void SetPositions(const TAffineVectorList* value);
  TVectorList* GetColors() const { return FColors.get(); }
  void SetColors(const TVectorList* value);
  float GetSize() const { return FSize; }
  void SetSize(float value);
  bool IsSizeStored() const { return FSize != 1.0f; }
  TGLPointStyle GetStyle() const { return FStyle; }
  void SetStyle(TGLPointStyle value);
  TGLPointParameters* GetPointParameters() const { return FPointParameters.get(); }
  void SetPointParameters(const TGLPointParameters* value) { FPointParameters->Assign(value); }
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool value);
  // Compiled into the display list instead of drawn every frame.
  bool GetStatic() const { return FStatic; }
  void SetStatic(bool value);

  // From other points: size, style, positions and colours; then the
  // scene object.
  void Assign(const TPersistent* source) override;
  void BuildList(TRenderContextInfo& rci) override;

private:
  std::unique_ptr<TAffineVectorList> FPositions;
  std::unique_ptr<TVectorList> FColors;
  float FSize = 1.0f;
  TGLPointStyle FStyle = psSquare;
  std::unique_ptr<TGLPointParameters> FPointParameters;
  bool FNoZWrite = false;
  bool FStatic = false;
};
