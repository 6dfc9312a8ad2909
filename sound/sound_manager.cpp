#include "sound/sound_manager.h"

#include <algorithm>
#include <iostream>

#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/vector_geometry.h"

CLIENT_DEFINE_CLASS(TGLSoundManager, TGLCadenceAbleComponent)

namespace {

TGLSoundManager*& ActiveManager() {
  static TGLSoundManager* active = nullptr;
  return active;
}

// When the sound unit stops, the manager still active is turned off.
struct ActiveManagerStop {
  ~ActiveManagerStop() {
    if (TGLSoundManager* manager = ActiveManager()) manager->SetActive(false);
  }
} active_manager_stop;

// Stores a value that differs; whether it did.
template <class T>
bool StoreChanged(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

TGLSoundManager* ActiveSoundManager() { return ActiveManager(); }

bool& VerboseSoundErrors() {
  static bool verbose = true;
  return verbose;
}

std::function<void(const std::string& message)>& SoundMessageHandler() {
  static std::function<void(const std::string&)> handler = [](const std::string& message) {
    std::cerr << message << '\n';
  };
  return handler;
}

TGLSoundManager::TGLSoundManager(TComponent* owner)
    : TGLCadenceAbleComponent(owner), FSources(std::make_unique<TGLSoundSources>(this)) {}

TGLSoundManager::~TGLSoundManager() {
  MarkDestroying();
  SetActive(false);
  SetListener(nullptr);
  SetCadencer(nullptr);
  FSources.reset();
}

void TGLSoundManager::SetActive(bool value) {
  if (IsDesigning() || IsLoading()) {
    FActive = value;
    return;
  }
  if (value == FActive) return;
  if (value) {
    if (TGLSoundManager* active = ActiveManager(); active && active != this) active->SetActive(false);
    if (DoActivate()) {
      FActive = true;
      ActiveManager() = this;
    }
  } else {
    for (int i = FSources->GetCount() - 1; i >= 0; --i) FSources->Delete(i);
    DoDeActivate();
    FActive = false;
    if (ActiveManager() == this) ActiveManager() = nullptr;
  }
}

void TGLSoundManager::Loaded() {
  TGLCadenceAbleComponent::Loaded();
  if (FActive && !IsDesigning()) {
    FActive = false;
    SetActive(true);
  }
}

void TGLSoundManager::SetMute(bool value) {
  if (value == FMute) return;
  if (value) {
    if (DoMute()) FMute = true;
  } else {
    DoUnMute();
    FMute = false;
  }
}

void TGLSoundManager::SetPause(bool value) {
  if (value == FPause) return;
  if (value) {
    if (DoPause()) FPause = true;
  } else {
    DoUnPause();
    FPause = false;
  }
}

bool TGLSoundManager::DoMute() {
  for (int i = 0; i < FSources->GetCount(); ++i)
    if (!FSources->GetItems(i)->GetMute()) MuteSource(FSources->GetItems(i), true);
  return true;
}

void TGLSoundManager::DoUnMute() {
  for (int i = 0; i < FSources->GetCount(); ++i)
    if (!FSources->GetItems(i)->GetMute()) MuteSource(FSources->GetItems(i), false);
}

bool TGLSoundManager::DoPause() {
  for (int i = 0; i < FSources->GetCount(); ++i)
    if (!FSources->GetItems(i)->GetPause()) PauseSource(FSources->GetItems(i), true);
  return true;
}

void TGLSoundManager::DoUnPause() {
  for (int i = 0; i < FSources->GetCount(); ++i)
    if (!FSources->GetItems(i)->GetPause()) PauseSource(FSources->GetItems(i), false);
}

void TGLSoundManager::SetMasterVolume(float value) {
  if (StoreChanged(FMasterVolume, std::clamp(value, 0.0f, 1.0f))) UpdateMasterVolume();
}

void TGLSoundManager::SetListener(TGLBaseSceneObject* value) {
  if (value == FListener) return;
  if (FListener) RemoveFreeNotification(FListener);
  FListener = value;
  if (FListener) FreeNotification(FListener);
}

void TGLSoundManager::SetCadencer(TGLCadencer* value) {
  if (value == FCadencer) return;
  if (FCadencer) {
    FCadencer->UnSubscribe(this);
    RemoveFreeNotification(FCadencer);
  }
  FCadencer = value;
  if (FCadencer) {
    FCadencer->Subscribe(this);
    FreeNotification(FCadencer);
  }
}

void TGLSoundManager::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    if (component == FListener) FListener = nullptr;
    if (component == FCadencer) FCadencer = nullptr;
  }
  TGLCadenceAbleComponent::Notification(component, operation);
}

void TGLSoundManager::SetMaxChannels(int value) { FMaxChannels = std::max(value, 1); }
void TGLSoundManager::SetOutputFrequency(int value) { FOutputFrequency = std::max(value, 11025); }
void TGLSoundManager::SetUpdateFrequency(float value) { FUpdateFrequency = std::clamp(value, 1.0f, 60.0f); }

void TGLSoundManager::SetDistanceFactor(float value) {
  if (StoreChanged(FDistanceFactor, value)) Update3DFactors();
}

void TGLSoundManager::SetRollOffFactor(float value) {
  if (StoreChanged(FRollOffFactor, value)) Update3DFactors();
}

void TGLSoundManager::SetDopplerFactor(float value) {
  if (StoreChanged(FDopplerFactor, value)) Update3DFactors();
}

void TGLSoundManager::SetEnvironment(TGLSoundEnvironment value) {
  if (StoreChanged(FEnvironment, value)) UpdateEnvironment();
}

void TGLSoundManager::DoProgress(const TProgressTimes& progressTimes) {
  if (!FActive) return;
  const double elapsed = progressTimes.newTime - FLastUpdateTime;
  if (elapsed > 1.0 / FUpdateFrequency) {
    FLastDeltaTime = elapsed;
    FLastUpdateTime = progressTimes.newTime;
    UpdateSources();
  }
}

void TGLSoundManager::UpdateSource(TGLBaseSoundSource* source) { source->SetChanges(0); }

void TGLSoundManager::UpdateSources() {
  for (int i = FSources->GetCount() - 1; i >= 0; --i)
    if (i < FSources->GetCount()) UpdateSource(FSources->GetItems(i));
}

TGLListenerCoordinates TGLSoundManager::ListenerCoordinates() {
  TGLListenerCoordinates c;
  if (!FListener) return c;
  c.Position = FListener->GetAbsolutePosition();
  if (FLastDeltaTime > 0)
    c.Velocity = VectorScale(VectorSubtract(c.Position, FLastListenerPosition), static_cast<float>(1.0 / FLastDeltaTime));
  c.Velocity[3] = 0.0f;
  FLastListenerPosition = c.Position;
  auto* camera = dynamic_cast<TGLCamera*>(FListener);
  if (camera && camera->GetTargetObject()) {
    c.Direction = camera->AbsoluteVectorToTarget();
    c.Up = camera->GetAbsoluteUp();
  } else {
    c.Direction = FListener->GetAbsoluteZVector();
    c.Up = FListener->GetAbsoluteYVector();
  }
  return c;
}
