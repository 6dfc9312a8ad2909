#include "objects/earth_sky_dome.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/vector_geometry.h"
#include "objects/ring_table.h"

CLIENT_DEFINE_CLASS(TGLEarthSkyDome, TGLSkyDome)
CLIENT_REGISTER_CLASS(TGLEarthSkyDome);

namespace {

constexpr double kHalfPi = std::numbers::pi / 2;

}  // namespace

EarthSkyModel EarthSkyModelFor(float sunElevation, float turbidity) {
  EarthSkyModel m;
  // The sun's zenith angle.
  const double ts = (90.0 - sunElevation) * std::numbers::pi / 180;
  m.SunColor = VectorLerp(clrWhite, {1, 1, 0, 1}, static_cast<float>(std::exp(-3 * (kHalfPi - ts))));
  const double g = 1 - std::cos(ts - 0.5);
  m.HazeColor = VectorLerp(clrWhite, clrBlack, static_cast<float>(g));
  m.SkyColor = VectorLerp(clrBlue, clrBlack, static_cast<float>(g));
  m.HazeTurbidity = static_cast<float>(-2 * std::sqrt(121.0 - turbidity));
  m.SunTurbidity = -(121.0f - turbidity);
  const double e = sunElevation * std::numbers::pi / 180;
  m.SunDirection = {static_cast<float>(std::cos(e)), 0, static_cast<float>(std::sin(e))};
  return m;
}

TVector4f EarthSkyColor(const EarthSkyModel& model, const TAffineVector& p, float elevation) {
  const double s = 1 - AffineVectorDot(model.SunDirection, p);
  const TVector4f c = VectorLerp(model.SkyColor, model.HazeColor, std::exp(model.HazeTurbidity * elevation));
  return VectorLerp(c, model.SunColor, static_cast<float>(std::exp(model.SunTurbidity * s * (1 + elevation))));
}

std::vector<TSkyDomePrimitive> BuildEarthSkyGeometry(const EarthSkyModel& model, int slices, int stacks) {
  const RingTable ring = MakeRingTable(slices);
  const std::vector<double>&sines = ring.Sines, &cosines = ring.Cosines;
  // Ring i at elevation 90 (1 - cos(i / stacks x 90)) degrees: dense at the
  // horizon, wide near the zenith.
  auto elevation = [&](int i) { return i == stacks ? kHalfPi : kHalfPi * (1 - std::cos(kHalfPi * i / stacks)); };
  auto point = [&](double e, int k) {
    return TAffineVector{static_cast<float>(std::cos(e) * cosines[k]), static_cast<float>(std::cos(e) * sines[k]),
                         static_cast<float>(std::sin(e))};
  };
  std::vector<TSkyDomePrimitive> primitives;
  for (int i = 0; i < stacks; ++i) {
    const double low = elevation(i), high = elevation(i + 1);
    TSkyDomePrimitive p;
    auto add = [&](const TAffineVector& v, double e) {
      p.Vertices.push_back({v[0], v[1], v[2], 1});
      p.Colors.push_back(EarthSkyColor(model, v, static_cast<float>(e)));
    };
    // Every face winds towards the centre, where the camera is, as the
    // bands of the plain dome do.
    if (i + 1 == stacks) {
      p.Mode = GL_TRIANGLE_FAN;
      add({0, 0, 1}, kHalfPi);
      for (int k = slices; k >= 0; --k) add(point(low, k), low);
    } else {
      p.Mode = GL_TRIANGLE_STRIP;
      for (int k = 0; k <= slices; ++k) {
        add(point(low, k), low);
        add(point(high, k), high);
      }
    }
    primitives.push_back(std::move(p));
  }
  return primitives;
}

TGLEarthSkyDome::TGLEarthSkyDome(TComponent* owner) : TGLSkyDome(owner) {
  GetBands()->Clear();
  auto colour = [this](const TVector4f& value) {
    return std::make_unique<TGLColor>(this, value, [this](TObject*) { Recompute(); });
  };
  FSunZenithColor = colour(clrWhite);
  FSunDawnColor = colour({1, 0.498039f, 0, 1});
  FHazeColor = colour(clrWhite);
  FSkyColor = colour(clrBlue);
  FNightColor = colour(clrBlack);
  Recompute();
}

TGLEarthSkyDome::~TGLEarthSkyDome() = default;

void TGLEarthSkyDome::Recompute() {
  FModel = EarthSkyModelFor(FSunElevation, FTurbidity);
  StructureChanged();
}

void TGLEarthSkyDome::SetSunElevation(float value) {
  FSunElevation = std::clamp(value, -90.0f, 90.0f);
  Recompute();
}

void TGLEarthSkyDome::SetTurbidity(float value) {
  FTurbidity = std::clamp(value, 1.0f, 120.0f);
  Recompute();
}

void TGLEarthSkyDome::SetSlices(int value) {
  FSlices = std::max(value, 6);
  StructureChanged();
}

void TGLEarthSkyDome::SetStacks(int value) {
  FStacks = std::max(value, 1);
  StructureChanged();
}

void TGLEarthSkyDome::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TGLEarthSkyDome*>(source)) {
    FSunElevation = other->FSunElevation;
    FTurbidity = other->FTurbidity;
    FSunZenithColor->Initialize(other->FSunZenithColor->GetColor());
    FSunDawnColor->Initialize(other->FSunDawnColor->GetColor());
    FHazeColor->Initialize(other->FHazeColor->GetColor());
    FSkyColor->Initialize(other->FSkyColor->GetColor());
    FNightColor->Initialize(other->FNightColor->GetColor());
    FSlices = other->FSlices;
    FStacks = other->FStacks;
    Recompute();
  }
  TGLSkyDome::Assign(source);
}

void TGLEarthSkyDome::BuildList(TRenderContextInfo& rci) {
  EmitSkyDomePrimitives(BuildEarthSkyGeometry(FModel, FSlices, FStacks));
  TGLSkyDome::BuildList(rci);
}
