#pragma once
// A sky dome coloured by a simple sun-and-haze model in place of colour
// bands: the sun's elevation and the air's turbidity give a sun, a sky and
// a haze colour, and each vertex blends them by its angle to the sun and
// its height above the horizon. Stars and the camera-centred frame are the
// sky dome's.

#include <memory>
#include <vector>

#include "objects/sky_dome.h"

// The colours of the model for a sun elevation and a turbidity.
struct EarthSkyModel {
  TVector4f SunColor;
  TVector4f SkyColor;
  TVector4f HazeColor;
  float HazeTurbidity = 0;
  float SunTurbidity = 0;
  // Unit, at azimuth 0 (dome +X) and the sun's elevation.
  TAffineVector SunDirection;
};
EarthSkyModel EarthSkyModelFor(float sunElevation, float turbidity);

// The colour of the dome at the unit direction p, `elevation` radians
// above the horizon.
TVector4f EarthSkyColor(const EarthSkyModel& model, const TAffineVector& p, float elevation);

// Rings from the horizon up, closer together near the horizon where the
// colours change fastest; a fan about the zenith at the top.
std::vector<TSkyDomePrimitive> BuildEarthSkyGeometry(const EarthSkyModel& model, int slices, int stacks);

class TGLEarthSkyDome : public TGLSkyDome {
  CLIENT_DECLARE_CLASS(TGLEarthSkyDome)
public:
  explicit TGLEarthSkyDome(TComponent* owner = nullptr);
  ~TGLEarthSkyDome() override;

  float GetSunElevation() const { return FSunElevation; }
  // Clamped to -90..90.
  void SetSunElevation(float value);
  float GetTurbidity() const { return FTurbidity; }
  // Clamped to 1..120.
  void SetTurbidity(float value);
  TGLColor* GetSunZenithColor() const { return FSunZenithColor.get(); }
  void SetSunZenithColor(const TGLColor* value) { FSunZenithColor->Assign(value); }
  TGLColor* GetSunDawnColor() const { return FSunDawnColor.get(); }
  void SetSunDawnColor(const TGLColor* value) { FSunDawnColor->Assign(value); }
  TGLColor* GetHazeColor() const { return FHazeColor.get(); }
  void SetHazeColor(const TGLColor* value) { FHazeColor->Assign(value); }
  TGLColor* GetSkyColor() const { return FSkyColor.get(); }
  void SetSkyColor(const TGLColor* value) { FSkyColor->Assign(value); }
  TGLColor* GetNightColor() const { return FNightColor.get(); }
  void SetNightColor(const TGLColor* value) { FNightColor->Assign(value); }
  int GetSlices() const { return FSlices; }
  // At least 6.
  void SetSlices(int value);
  int GetStacks() const { return FStacks; }
  // At least 1.
  void SetStacks(int value);

  // The present colours of the model.
  const EarthSkyModel& Model() const { return FModel; }

  // Elevation, turbidity, the five colours, slices and stacks; then the
  // sky dome's part.
  void Assign(const TPersistent* source) override;
  // The coloured dome, then the bands (normally none) and the stars.
  void BuildList(TRenderContextInfo& rci) override;

private:
  void Recompute();

  float FSunElevation = 75;
  float FTurbidity = 15;
  std::unique_ptr<TGLColor> FSunZenithColor, FSunDawnColor, FHazeColor, FSkyColor, FNightColor;
  int FSlices = 48;
  int FStacks = 24;
  EarthSkyModel FModel;
};
