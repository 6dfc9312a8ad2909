// The environment: one client state turned into the look of the scene (sky
// bands and stars by time of day and cloud, background, clouds plane, fog,
// light, sea colour, camera place and height by terrain type), then the cell
// windows, monsters and texture preloading, and the textures' brightness.
#include <algorithm>
#include <cmath>

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/mud_view.h"
#include "engine/camera.h"
#include "engine/face_properties.h"
#include "engine/fog_environment.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/light_source.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene_buffer.h"
#include "engine/texture.h"
#include "engine/vector_geometry.h"
#include "objects/dummy_cube.h"
#include "objects/plane.h"
#include "objects/sky_dome.h"
#include "platform/picture/picture_formats.h"

namespace {

// Sky colours, the horizon first, and the background that goes with each.
constexpr TSkyColours kDaySky = {0xB4936C, 0xB4936C, 0xB4936C, 0xB4936C, 0xB4936C, 0xAA7A46, 0x7C431C};
constexpr TSkyColours kSunsetSky = {0x3355A3, 0x287AD1, 0x4A96C8, 0x849191, 0x9F7353, 0x604210, 0x000000};
constexpr TSkyColours kSunriseSky = {0xFFFFFF, 0xFEFFF6, 0xFDF5D8, 0xFDF5D8, 0xF6EAC0, 0xB4936C, 0x7C431C};
constexpr TSkyColours kNightSky = {0x111111, 0x111111, 0x111111, 0x111111, 0x111111, 0x111111, 0x111111};

constexpr int32_t kDayBackground = 0xA88760;
constexpr int32_t kSunsetBackground = 0x64523E;
constexpr int32_t kSunriseBackground = 0x745526;
constexpr int32_t kNightBackground = 0x111111;

constexpr int32_t kNightLight = 0x575757;
constexpr int32_t kTwilightLight = 0xAAAAAA;
constexpr int32_t kDayLight = 0xFFFFFF;

constexpr int32_t kDayFog = 0xAAAAAA;
constexpr int32_t kTwilightFog = 0xBBBBBB;
constexpr int32_t kNightFog = 0x000000;
constexpr int32_t kGrey = 0x808080;

// The default band angles, in degrees.
constexpr float kBandAngles[6][2] = {{0, 2}, {2, 3}, {3, 4}, {4, 6}, {6, 20}, {20, 90}};
// The most stars the sky shows (a clear night).
constexpr int kMostStars = 1000;

TSkyColours Uniform(int32_t colour) {
  TSkyColours colours;
  colours.fill(colour);
  return colours;
}

int RoundInt(double value) { return static_cast<int>(std::clamp<int64_t>(Round(value), -1000000, 1000000)); }

// The blend factor of a time within a part of the day; a part without length
// (two hours of the world description equal) counts as passed.
int BlendFactor(double t, double start, double end) {
  if (!(end > start)) return 63;
  return RoundInt((t - start) * 63 / (end - start));
}

// A time of day outside 0..24 is the same hour of another day.
double TimeOfDay(double t) {
  if (!std::isfinite(t)) return 0.0;
  if (t >= 0.0 && t <= 24.0) return t;
  const double wrapped = std::fmod(t, 24.0);
  return wrapped < 0.0 ? wrapped + 24.0 : wrapped;
}

// Colours and angles are set only where they differ, so an unchanged sky
// does not rebuild the dome.
void SetWinColor(TGLColor* color, int32_t value) {
  if (color->GetAsWinColor() != value || color->GetAlpha() != 1.0f) color->SetAsWinColor(value);
}

void SetBandAngles(TSkyDomeBand& band, float start, float stop) {
  if (band.GetStartAngle() == start && band.GetStopAngle() == stop) return;
  // The band keeps start <= stop; set first the end that cannot cross.
  if (start > band.GetStopAngle()) {
    band.SetStopAngle(stop);
    band.SetStartAngle(start);
  } else {
    band.SetStartAngle(start);
    band.SetStopAngle(stop);
  }
}

}  // namespace

// ----------------------------------------------------------------- phases

bool TMud::IsNight(double t) const {
  const auto& times = Config->environment.times;
  return (t >= times.nightstart && t <= 24) || (t >= 0 && t < times.nightend);
}

bool TMud::IsDawn(double t) const {
  const auto& times = Config->environment.times;
  return t >= times.nightend && t < times.daystart;
}

bool TMud::IsDay(double t) const {
  const auto& times = Config->environment.times;
  return t >= times.daystart && t < times.dayend;
}

bool TMud::IsDusk(double t) const {
  const auto& times = Config->environment.times;
  return t >= times.dayend && t < times.nightstart;
}

int32_t TMud::PhaseGrey(double t) const {
  const auto& times = Config->environment.times;
  if (IsDay(t)) return kGrey;
  if (IsDawn(t)) return BlendColor(0, kGrey, BlendFactor(t, times.nightend, times.daystart));
  if (IsDusk(t)) return BlendColor(kGrey, 0, BlendFactor(t, times.dayend, times.nightstart));
  // Night, and times outside the day.
  return 0;
}

// -------------------------------------------------------------- sky dome

void TMud::SetSkyBands(const TSkyColours& table) {
  TSkyDomeBands& bands = *SkyDome->GetBands();
  for (int i = 0; i < 6 && i < bands.GetCount(); ++i) {
    TSkyDomeBand& band = *bands.GetItems(i);
    SetWinColor(band.GetStartColor(), table[static_cast<size_t>(i)]);
    SetWinColor(band.GetStopColor(), table[static_cast<size_t>(i) + 1]);
  }
}

void TMud::BlendSkyBands(const TSkyColours& a, const TSkyColours& b, int k) {
  TSkyColours blend;
  for (size_t i = 0; i < blend.size(); ++i) blend[i] = BlendColor(a[i], b[i], k);
  SetSkyBands(blend);
}

TSkyColours TMud::GetSkyBandColours() const {
  TSkyColours colours{};
  const TSkyDomeBands& bands = *SkyDome->GetBands();
  const int count = std::min(bands.GetCount(), 6);
  for (int i = 0; i < count; ++i) colours[static_cast<size_t>(i)] = bands.GetItems(i)->GetStartColor()->GetAsWinColor();
  if (count > 0) colours[static_cast<size_t>(count)] = bands.GetItems(count - 1)->GetStopColor()->GetAsWinColor();
  return colours;
}

void TMud::SetBackgroundColour(int32_t c) {
  if (Viewer) Viewer->GetBuffer()->SetBackgroundColor(c);
  SetWinColor(SeaPlane->GetMaterial()->GetFrontProperties()->GetEmission(), DarkenColor(c, 8));
}

void TMud::SetStarCount(int n) {
  TSkyDomeStars& stars = *SkyDome->GetStars();
  n = std::max(n, 0);
  if (n == stars.GetCount()) return;
  stars.BeginUpdate();
  if (n < stars.GetCount()) {
    while (stars.GetCount() > n) stars.Delete(0);
  } else {
    while (stars.GetCount() < n) {
      stars.AddRandomStars(7, 0xFFFFFF, true);
      stars.AddRandomStars(1, 0xC8C8FF, true);  // RGB(255, 200, 200)
      stars.AddRandomStars(1, 0xFFC8C8, true);  // RGB(200, 200, 255)
      stars.AddRandomStars(1, 0xC8FFFF, true);  // RGB(255, 255, 200)
    }
  }
  stars.EndUpdate();
}

// ------------------------------------------------------------ the update

void TMud::Update() {
  if (!FBuilt) return;
  ++UpdateCount;
  const TMudstate& state = *CurrentState;
  ApplyState(state.GetPosition()->AsVector(), state.GetDirection()->AsVector(), state.GetUp()->AsVector(),
             state.Level, state.Time, state.Cloud, state.Wind, state.Fog, state.Mobs());
}

// One application of a state: the steps of ApplyState in their order, each
// a function of its own. What a step works out (the day's phase, the light
// level, the clouds' alpha, the stars asked for, the band angles, the place
// the camera looks from) is handed on to the steps after it.
class TStateSteps {
public:
  TStateSteps(TMud& mud, const TVector4f& position, const TVector4f& direction, int32_t level, double time,
              double cloud, double fog, const TMobsquare& mobs)
      : mud(mud),
        times(mud.Config->environment.times),
        area(mud.Config->GetUndefinedArea()),
        position(position),
        direction(direction),
        level(level),
        t(TimeOfDay(time)),
        cloud(TMud::ViewCloud(cloud)),
        fog(TMud::ViewFog(fog)),
        mobs(mobs),
        v(mud.VisualScale),
        night(mud.IsNight(t)),
        earlyDawn(mud.IsDawn(t) && t < times.sunrise),
        lateDawn(mud.IsDawn(t) && t >= times.sunrise),
        earlyDusk(mud.IsDusk(t) && t < times.sunset),
        lateDusk(mud.IsDusk(t) && t >= times.sunset),
        buffer(mud.Viewer ? mud.Viewer->GetBuffer() : nullptr),
        fogEnvironment(buffer ? buffer->GetFogEnvironment() : nullptr) {}

  void Run() {
    UndefinedArea();
    LightLevel();
    Clouds();
    Background();
    SkyAndStars();
    BandAngles();
    Fog();
    CloudsAlpha();
    Stars();
    if (HiddenView()) return;
    TargetAndAreaFog();
    CameraPlace();
    CameraHeight();
    AreaLook();
    WorldRoundThePlayer();
    Brightness();
  }

private:
  // A colour of the day's phases: night, day, and blends through the dawn
  // colour at sunrise and the dusk colour at sunset.
  int32_t ByPhase(int32_t nightColour, int32_t dawn, int32_t day, int32_t dusk) const {
    if (mud.IsDay(t)) return day;
    if (earlyDawn) return BlendColor(nightColour, dawn, BlendFactor(t, times.nightend, times.sunrise));
    if (lateDawn) return BlendColor(dawn, day, BlendFactor(t, times.sunrise, times.daystart));
    if (earlyDusk) return BlendColor(day, dusk, BlendFactor(t, times.dayend, times.sunset));
    if (lateDusk) return BlendColor(dusk, nightColour, BlendFactor(t, times.sunset, times.nightstart));
    return nightColour;
  }

  // 1. The undefined area. The band angles start from their defaults: the
  // sun's phases narrow the lower bands by a divisor and end band 4 at 15.
  void UndefinedArea() {
    at = area.IsAtVector(position);
    bandDivisor = 1.0;
    band4Stop = kBandAngles[4][1];
  }

  // 2. The light level.
  void LightLevel() { light = ByPhase(kNightLight, kTwilightLight, kDayLight, kTwilightLight); }

  // 3. The clouds plane: grey toward 5, darker toward 10, black above;
  // brightening at dawn and darkening at dusk.
  void Clouds() {
    const bool visible = cloud != 0 && !night;
    mud.CloudsPlane->SetVisible(visible);
    if (!visible) return;
    int32_t colour = 0;
    if (cloud <= 5) colour = BlendColor(0, kGrey, RoundInt(63 * cloud / 5));
    else if (cloud <= 10) colour = BlendColor(kGrey, 0x333333, RoundInt((cloud - 5) * 63 / 5));
    if (earlyDawn) colour = BlendColor(0, colour, BlendFactor(t, times.nightend, times.sunrise));
    if (lateDusk) colour = BlendColor(colour, 0, BlendFactor(t, times.sunset, times.nightstart));
    SetWinColor(mud.CloudsMaterial->GetMaterial()->GetFrontProperties()->GetEmission(), colour);
    cloudsAlpha = std::min(cloud / 0.5, 1.0);
  }

  // 4. The background, darkened by heavy cloud.
  void Background() {
    background = ByPhase(kNightBackground, kSunriseBackground, kDayBackground, kSunsetBackground);
    if (cloud > 5) background = DarkenColor(background, RoundInt((cloud - 5) * 4));
    mud.SetBackgroundColour(background);
  }

  // 5. The sky's bands and the stars asked for; an overcast sky is one grey
  // of the hour and leaves the light as it was.
  void SkyAndStars() {
    stars = mud.SkyDome->GetStars()->GetCount();
    if (cloud >= 7.5) {
      stars = 0;
      mud.SetSkyBands(Uniform(mud.PhaseGrey(t)));
      return;
    }
    mud.Light->SetShining(night);
    if (night) {
      stars = cloud < 2.5 ? kMostStars - RoundInt(cloud / 2.5 * kMostStars) : 0;
      mud.SetSkyBands(kNightSky);
    } else if (earlyDawn) {
      // The hours 5 and 2 are the sky's own, not the world description's.
      mud.BlendSkyBands(kNightSky, kSunriseSky, RoundInt((t - 5) * 63 / 2));
      stars = t < 6 ? RoundInt(std::fabs(t - 6) * 1000) : 0;
    } else if (t >= times.sunrise && t <= times.daystart) {
      // Late dawn, its last instant included.
      bandDivisor =
          times.daystart > times.sunrise ? (t - times.sunrise) * 2 / (times.daystart - times.sunrise) + 1 : 3;
      band4Stop = 15;
      stars = 0;
      mud.BlendSkyBands(kSunriseSky, kDaySky, BlendFactor(t, times.sunrise, times.daystart));
    } else if (mud.IsDay(t)) {
      stars = 0;
      mud.SetSkyBands(kDaySky);
    } else if (earlyDusk) {
      stars = 0;
      mud.BlendSkyBands(kDaySky, kSunsetSky, BlendFactor(t, times.dayend, times.sunset));
    } else if (lateDusk && t < times.sunset + 0.5) {
      bandDivisor = (t - times.sunset) * 2 / 0.5 + 1;
      band4Stop = 15;
      mud.SetSkyBands(kSunsetSky);
    } else if (lateDusk) {
      const double afterglow = times.sunset + 0.5;
      const int d = RoundInt((t - afterglow) * 64 / (times.nightstart - afterglow));
      TSkyColours darkened;
      for (size_t i = 0; i < darkened.size(); ++i) darkened[i] = DarkenColor(kSunsetSky[i], d);
      mud.SetSkyBands(darkened);
      bandDivisor = d / 3.0 + 3;
      band4Stop = 15;
      // The stars come out over (sunset - dayend - 0.5) hours; a world whose
      // dusk is too short for that brings them out over the rest of the dusk.
      double span = times.sunset - times.dayend - 0.5;
      if (!(span > 0)) span = times.nightstart - afterglow;
      stars = cloud < 2.5 ? RoundInt((1 - cloud / 2.5) * 1000 * (t - afterglow) / span) : 0;
    }
    if (!night && cloud > 5)
      mud.BlendSkyBands(mud.GetSkyBandColours(), Uniform(mud.PhaseGrey(t)), RoundInt((cloud - 5) * 63 / 2.5));
  }

  // The band angles steps 1 and 5 decided.
  void BandAngles() {
    TSkyDomeBands& bands = *mud.SkyDome->GetBands();
    for (int i = 0; i < 6 && i < bands.GetCount(); ++i) {
      const float start = static_cast<float>(i < 5 ? kBandAngles[i][0] / bandDivisor : band4Stop);
      const float stop =
          static_cast<float>(i < 4 ? kBandAngles[i][1] / bandDivisor : i == 4 ? band4Stop : kBandAngles[i][1]);
      SetBandAngles(*bands.GetItems(i), start, stop);
    }
  }

  // 6. Fog: under ground the undersea fog, elsewhere the weather's.
  void Fog() {
    if (at || !buffer) return;
    if (TMud::IsUndergroundType(level))
      UnderseaFog();
    else
      WeatherFog();
  }

  void UnderseaFog() {
    const auto& undersea = mud.Config->environment.undersea;
    int32_t colour = kNightBackground;
    if (mud.IsDay(t))
      colour = undersea.fogcolor;
    else if (mud.IsDusk(t))
      colour = BlendColor(undersea.fogcolor, kNightBackground, BlendFactor(t, times.dayend, times.nightstart));
    else if (mud.IsDawn(t))
      colour = BlendColor(kNightBackground, undersea.fogcolor, BlendFactor(t, times.nightend, times.daystart));
    fogEnvironment->SetFogStart(static_cast<float>(undersea.fogstart * v));
    fogEnvironment->SetFogEnd(static_cast<float>(undersea.fogend * v));
    buffer->SetFogEnable(true);
    SetWinColor(fogEnvironment->GetFogColor(), colour);
    buffer->SetBackgroundColor(colour);
  }

  void WeatherFog() {
    if (buffer->GetFogEnable() != (fog > 0)) buffer->SetFogEnable(fog > 0);
    if (fog <= 0) return;
    // 6.1 to 6.2: fog thins the clouds and hides stars.
    if (cloud != 0 && cloudsAlpha >= 0) cloudsAlpha /= fog;
    stars = RoundInt((10 - fog) * stars / 10);
    // 6.3 The fog's colour by the hour.
    int32_t colour = kNightFog;
    if (mud.IsDay(t)) colour = kDayFog;
    else if (earlyDusk) colour = BlendColor(kDayFog, kTwilightFog, BlendFactor(t, times.dayend, times.sunset));
    else if (lateDusk) colour = BlendColor(kTwilightFog, kNightFog, BlendFactor(t, times.sunset, times.nightstart));
    else if (earlyDawn) colour = BlendColor(kNightFog, kTwilightFog, BlendFactor(t, times.nightend, times.sunrise));
    else if (lateDawn) colour = BlendColor(kTwilightFog, kDayFog, BlendFactor(t, times.sunrise, times.daystart));
    // 6.4 to 6.5 The sky toward the fog, the lower bands fading first.
    const TSkyColours sky = mud.GetSkyBandColours();
    mud.BlendSkyBands(sky, Uniform(colour), RoundInt(fog / 10 * 63));
    TSkyDomeBands& bands = *mud.SkyDome->GetBands();
    auto lower = [&](int band, int32_t start, int32_t stop) {
      SetWinColor(bands.GetItems(band)->GetStartColor(), start);
      if (stop != -1) SetWinColor(bands.GetItems(band)->GetStopColor(), stop);
    };
    if (fog <= 2) {
      const int w = RoundInt(63 - 63 * fog / 2);
      for (size_t i = 0; i < 3; ++i)
        lower(static_cast<int>(i), BlendColor(colour, sky[i], w), BlendColor(colour, sky[i + 1], w));
      lower(3, BlendColor(colour, sky[3], w), -1);
    } else {
      for (int i = 0; i < 3; ++i) lower(i, colour, colour);
      lower(3, colour, -1);
    }
    // 6.6 The sea keeps the emission of the background; the view takes the
    // fog's colour.
    mud.SetBackgroundColour(background);
    SetWinColor(fogEnvironment->GetFogColor(), colour);
    buffer->SetBackgroundColor(colour);
    // 6.7 The fog's distances.
    if (fog <= 5) {
      fogEnvironment->SetFogEnd(static_cast<float>((1 - fog / 5) * (512 * v - 15 * v) + 15 * v));
      fogEnvironment->SetFogStart(static_cast<float>(fog <= 2 ? (1 - fog / 2) * (500 * v - 2 * v) + 2 * v : 2 * v));
    } else {
      fogEnvironment->SetFogStart(static_cast<float>((1 - (fog - 5) / 5) * (2 * v - 1.4 * v) + 1.4 * v));
      fogEnvironment->SetFogEnd(static_cast<float>((1 - (fog - 5) / 5) * (15 * v - 1.8 * v) + 1.8 * v));
    }
  }

  // 7. The clouds' transparency.
  void CloudsAlpha() {
    if (cloudsAlpha < 0) return;
    TGLColor& diffuse = *mud.CloudsMaterial->GetMaterial()->GetFrontProperties()->GetDiffuse();
    if (diffuse.GetAlpha() != static_cast<float>(cloudsAlpha)) diffuse.SetAlpha(static_cast<float>(cloudsAlpha));
  }

  // 8. The stars; a night sky never holds more than a clear night's.
  void Stars() { mud.SetStarCount(std::clamp(stars, 0, kMostStars)); }

  // 9. A terrain type without a view: the black panel in its place, and
  // nothing more.
  bool HiddenView() {
    if (!TMud::IsHiddenViewType(level)) return false;
    if (mud.Viewer && mud.Viewer->GetVisible()) {
      mud.Viewer->SetVisible(false);
      if (mud.BlackPanel) mud.BlackPanel->SetVisible(true);
    }
    return true;
  }

  // 10.1 The undefined area without a look of its own puts the player at
  // its target, in its fog.
  void TargetAndAreaFog() {
    areaHasLook = !area.texture.empty() || area.colour != -1;
    target = position;
    if (!at || areaHasLook) return;
    target = area.targetposition;
    if (!buffer) return;
    if (area.fog) {
      buffer->SetFogEnable(true);
      SetWinColor(fogEnvironment->GetFogColor(), kDayFog);
      buffer->SetBackgroundColor(kDayFog);
      fogEnvironment->SetFogStart(1.0f);
      fogEnvironment->SetFogEnd(5.0f);
      mud.SetSkyBands(Uniform(kDayFog));
    } else {
      buffer->SetFogEnable(false);
    }
  }

  // 10.2 The camera a little behind the player, looking the way it walks.
  void CameraPlace() {
    const float offset = static_cast<float>(mud.Config->positionoffset);
    eye = {target[0] - offset * direction[0], target[1] - offset * direction[1], target[2] - offset * direction[2], 0};
    if (mud.Viewer && !mud.Viewer->GetVisible()) {
      mud.Viewer->SetVisible(true);
      if (mud.BlackPanel) mud.BlackPanel->SetVisible(false);
    }
    mud.Camera->GetDirection()->SetVector(direction[0], direction[2], -direction[1]);
    scene = mud.MudToScene(eye);
  }

  // 10.3 The camera's height by terrain type.
  void CameraHeight() {
    const double h = mud.GetSmoothedHeight(eye[0], eye[1]);
    const double o = mud.Config->cameraheightoffset * v;
    const double s = mud.GetSeaLevel();
    const double z = target[2];
    const double flight = mud.Config->flightfactor;
    if (TMud::IsFlightType(level)) {
      if (s <= h) {
        const int32_t g = mud.Config->GetGroundHeights().GetNearestHeight(static_cast<int32_t>(Round(target[0])),
                                                                           static_cast<int32_t>(Round(target[1])));
        cameraY = g != -1 && z >= g ? h + o + (z - g) * flight * v : h + o + v;
      } else {
        cameraY = h + o + (z - mud.Config->environment.sea.mudheight) * flight * v;
      }
    } else if (TMud::IsAboveGroundType(level)) {
      cameraY = h + o + flight * v;
    } else if (TMud::IsSeaLevelType(level)) {
      cameraY = s + o;
    } else if (TMud::IsUndergroundType(level)) {
      cameraY = h + o;
    } else {
      cameraY = s > h ? s + o : h + o;
    }
    mud.Camera->GetPosition()->SetPoint(scene[0], static_cast<float>(cameraY), scene[2]);
  }

  // 10.4 The undefined area's own look, or the ordinary clouds.
  void AreaLook() {
    TGLLibMaterial& cloudsMaterial = *mud.CloudsMaterial;
    TGLMaterial& clouds = *cloudsMaterial.GetMaterial();
    if (at && areaHasLook) {
      mud.NullCube->GetPosition()->SetPoint(scene[0], static_cast<float>(cameraY - 0.15 * v), scene[2]);
      mud.NullCube->SetVisible(true);
      if (UpperCaseAscii(area.texture) == UpperCaseAscii(mud.Config->environment.clouds.texture)) {
        // The area wears the clouds texture: drawn solid, stretched once, and
        // drifting as the time goes by.
        clouds.SetBlendingMode(bmTransparency);
        SetWinColor(clouds.GetFrontProperties()->GetEmission(), 0xFFFFFF);
        clouds.GetFrontProperties()->GetDiffuse()->SetAlpha(1.0f);
        cloudsMaterial.GetTextureScale()->SetVector(1, 1, 1);
        clouds.GetTexture()->SetMagFilter(maLinear);
        clouds.GetTexture()->SetMinFilter(miLinear);
        if (mud.PreviousState->Time != mud.CurrentState->Time)
          cloudsMaterial.GetTextureOffset()->AddScaledVector(0.3f, XHmgVector);
      }
      return;
    }
    if (clouds.GetBlendingMode() != bmAdditive) {
      clouds.SetBlendingMode(bmAdditive);
      const float scale = static_cast<float>(mud.Config->environment.clouds.scale);
      cloudsMaterial.GetTextureScale()->SetVector(scale, scale, scale);
      clouds.GetTexture()->SetMagFilter(maNearest);
      clouds.GetTexture()->SetMinFilter(miNearest);
    }
    mud.NullCube->SetVisible(false);
  }

  // 10.5 to 10.6 The world round the player: doorways and cell windows
  // (not in the undefined area, not in flight), monsters, textures.
  void WorldRoundThePlayer() {
    const int32_t cellX = static_cast<int32_t>(Round(target[0]));
    const int32_t cellY = static_cast<int32_t>(Round(target[1]));
    const bool windows = !at && !TMud::IsFlightType(level);
    if (windows) {
      mud.UpdateDoorways(cellX, cellY);
      mud.UpdateWindows(cellX, cellY);
    }
    for (TGLDummyCube* cube : mud.IntermediateCubes) cube->SetVisible(windows);
    mud.UpdateMobs(cellX, cellY, mobs);
    mud.PreloadTextures(cellX, cellY);
  }

  // 10.7 Brightness.
  void Brightness() {
    if (mud.AerialMaterial)
      SetWinColor(mud.AerialMaterial->GetMaterial()->GetFrontProperties()->GetEmission(), light);
    mud.ApplyLightLevel(light);
  }

  TMud& mud;
  const decltype(TEnvironment::times)& times;
  const TUndefinedarea& area;
  const TVector4f position;
  const TVector4f direction;
  const int32_t level;
  const double t, cloud, fog;
  const TMobsquare& mobs;
  const double v;
  const bool night, earlyDawn, lateDawn, earlyDusk, lateDusk;
  TGL3DSceneBuffer* const buffer;
  TGLFogEnvironment* const fogEnvironment;

  bool at = false;
  double bandDivisor = 1.0;
  float band4Stop = kBandAngles[4][1];
  int32_t light = 0;
  double cloudsAlpha = -1.0;  // < 0: not computed
  int32_t background = 0;
  int stars = 0;
  bool areaHasLook = false;
  TVector4f target{};
  TVector4f eye{};    // the camera's place in map space
  TVector4f scene{};  // the same in the scene
  double cameraY = 0;
};

void TMud::ApplyState(const TVector4f& position, const TVector4f& direction, const TVector4f& /*up*/, int32_t level,
                      double time, double cloud, double /*wind*/, double fog, const TMobsquare& mobs) {
  if (!FBuilt) return;
  TStateSteps(*this, position, direction, level, time, cloud, fog, mobs).Run();
}

// ------------------------------------------------------------- brightness

void TMud::ApplyLightLevel(int32_t light) {
  // A material's brightness depends only on the light level and its name;
  // walk the textures only when the level changes (new textures take the
  // level as they are loaded).
  if (FLightLevel && *FLightLevel == light) return;
  FLightLevel = light;
  TGLLibMaterials& materials = *MaterialLibrary->GetMaterials();
  for (int i = CloudsMaterialNumber; i < materials.GetCount(); ++i) SetTextureBrightness(materials.GetItems(i));
}

void TMud::SetTextureBrightness(TGLLibMaterial* material) {
  if (!FLightLevel || !material || material->GetIndex() < CloudsMaterialNumber) return;
  auto found = FTextureLight.find(material->GetName());
  if (found == FTextureLight.end())
    found = FTextureLight
                .emplace(material->GetName(), std::pair{Config->GetTextureEmission(material->GetName()),
                                                        Config->GetTerrainBrightnessFactor(material->GetName())})
                .first;
  const auto [emission, factor] = found->second;
  const int32_t light = *FLightLevel;
  int32_t e = emission;
  if (e == -1) e = LightenColor(light, factor != -1 ? factor : 30);
  material->GetMaterial()->GetTexture()->SetImageBrightness(static_cast<float>(e / 16777215.0));
}
