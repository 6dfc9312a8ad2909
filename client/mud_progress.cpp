// The per-frame step: the displayed weather eased toward the received one,
// the clouds drifting with the wind, rain about the camera and the textures
// the world description makes scroll.
#include <algorithm>
#include <cmath>

#include "client/client_globals.h"
#include "client/config_xml.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/camera.h"
#include "engine/gl_coordinates.h"
#include "engine/material_library.h"
#include "engine/vector_geometry.h"
#include "objects/dummy_cube.h"
#include "objects/lines.h"

namespace {

// Texture keys of the world description are written with doubled
// backslashes; the materials bear the names as the objects give them.
std::string SingleBackslashes(const std::string& name) {
  std::string result;
  result.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    result += name[i];
    if (name[i] == '\\' && i + 1 < name.size() && name[i + 1] == '\\') ++i;
  }
  return result;
}

constexpr double kUnsetWeather = -1.0;

// An unset wind (-1) blows no clouds and slants no rain.
double WindOf(const TMudstate& state) { return state.Wind < 0 ? 0.0 : state.Wind; }

}  // namespace

double TMud::Approach(double current, double target, double rate, double deltaTime) {
  const double d = rate * deltaTime;
  if (current < target) return std::min(current + d, target);
  if (current == target) return current;
  if (current < 0.0001) current = 0;
  // The last half unit toward nothing falls geometrically.
  const double result = target == 0 && current < 0.5 ? current / 1.5 : current - d;
  return std::max(result, target);
}

void TMud::Progress(double deltaTime) {
  if (!FBuilt) return;
  // A clock that stepped back or failed moves nothing.
  if (!std::isfinite(deltaTime) || deltaTime < 0) deltaTime = 0;
  const double dt = std::min(deltaTime, 1.0);
  TMudstate& current = *CurrentState;
  const TMudstate& received = *ReceivedState;

  // An unset received value (-1) is no weather to move toward; the others
  // are eased toward as far as the view can show them.
  auto ease = [&](double& value, double received, double target) {
    if (received == kUnsetWeather || std::isnan(received) || value == target) return false;
    const double next = Approach(value, target, 0.125, dt);
    if (next == value) return false;
    value = next;
    return true;
  };
  const bool cloudMoved = ease(current.Cloud, received.Cloud, EasedCloud(received.Cloud));
  const bool fogMoved = ease(current.Fog, received.Fog, ViewFog(received.Fog));
  if (cloudMoved || fogMoved) Update();
  // The view takes no wind below nothing (WindOf).
  ease(current.Wind, received.Wind, std::max(received.Wind, 0.0));

  const double wind = WindOf(current);
  if (wind != 0 && current.Cloud > 0 && !IsNight(current.Time) &&
      !Config->GetUndefinedArea().IsAtVector(current.GetPosition()->AsVector()))
    CloudsMaterial->GetTextureOffset()->AddScaledVector(static_cast<float>(deltaTime * wind / 10 * 0.1), XHmgVector);

  if (current.Rain > 0) MoveRain();

  if (!FScrollingTextures) ReadScrollingTextures();
  for (const TScrollingTexture& scrolling : *FScrollingTextures) {
    TGLLibMaterial* material = MaterialLibrary->LibMaterialByName(scrolling.material);
    if (!material) continue;
    material->GetTextureOffset()->AddScaledVector(static_cast<float>(scrolling.speed * deltaTime),
                                                  scrolling.axis == 0 ? XHmgVector : YHmgVector);
  }
}

void TMud::MoveRain() {
  const TMudstate& current = *CurrentState;
  TVector4f place = Camera->GetPosition()->AsVector();
  const TVector4f& look = Camera->GetDirection()->AsVector();
  for (int i = 0; i < 3; ++i) place[i] += 0.25f * look[i];
  RainCube->GetPosition()->SetPoint(place);

  const double share = 20 * current.Rain / 10;
  const size_t lines = static_cast<size_t>(std::clamp<int64_t>(Round(share), 0, 20));
  const float slant = static_cast<float>(WindOf(current) / 10);
  std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
  for (size_t i = 0; i < RainLines.size(); ++i) {
    TGLLines* line = RainLines[i];
    if (!line) continue;
    line->SetVisible(static_cast<double>(i + 1) < share);
    if (i >= lines) continue;
    // New streaks every frame, slanting with the wind.
    const float x = uniform(FRainRandom) - 0.5f;
    const float z = uniform(FRainRandom) - 0.5f;
    TGLLinesNodes& nodes = *line->GetNodes();
    while (nodes.GetCount() < 2) line->AddNode(0, 0, 0);
    TGLNode& top = *nodes.GetItems(0);
    TGLNode& bottom = *nodes.GetItems(1);
    top.SetDirect({x, -1.0f, z, top.GetW()});
    bottom.SetDirect({x - slant, -1.0f + 3.0f, z, bottom.GetW()});
    nodes.NotifyChange();
  }
}

void TMud::ReadScrollingTextures() {
  FScrollingTextures.emplace();
  TXMLListDOM* textures = Config->GetTextures();
  if (!textures || textures->IsEmpty()) return;
  for (int i = 0; i < textures->GetCount(); ++i) {
    TXMLListDOM* element = TConfigXML::GetTextureItem(textures, i);
    if (!element || element->IsEmpty()) continue;
    const std::string name = element->GetString("texture");
    const std::string x = element->GetString("addscaledvectorx");
    const std::string y = element->GetString("addscaledvectory");
    if (name.empty() || (x.empty() && y.empty())) continue;
    // Either axis given: X wins.
    const int axis = x.empty() ? 1 : 0;
    try {
      FScrollingTextures->push_back({SingleBackslashes(name), axis, StrToFloat(axis == 0 ? x : y)});
    } catch (const EConvertError& e) {
      LogLine(std::string("Texture ") + name + " does not scroll: " + e.what());
    }
  }
}
