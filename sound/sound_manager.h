#pragma once
// The sound manager: owns the playing sources, follows a listener scene
// object and updates the audio device a fixed number of times per second
// from the cadencer. This base holds the logic; a concrete manager
// (TGLSMBASS) talks to the device. One manager is active at a time.

#include <functional>
#include <memory>
#include <string>

#include "engine/component.h"
#include "engine/vector_types.h"
#include "sound/sound_source.h"

class TGLBaseSceneObject;
class TGLCadencer;
class TGLSoundFile;

// The acoustic environments, in the order of the reverb presets.
enum TGLSoundEnvironment {
  seDefault,
  sePaddedCell,
  seRoom,
  seBathroom,
  seLivingRoom,
  seStoneroom,
  seAuditorium,
  seConcertHall,
  seCave,
  seArena,
  seHangar,
  seCarpetedHallway,
  seHallway,
  seStoneCorridor,
  seAlley,
  seForest,
  seCity,
  seMountains,
  seQuarry,
  sePlain,
  seParkingLot,
  seSewerPipe,
  seUnderWater,
  seDrugged,
  seDizzy,
  sePsychotic,
};

// Where the listener is, as the concrete manager passes it on.
struct TGLListenerCoordinates {
  TVector4f Position{0, 0, 0, 1};
  TVector4f Velocity{0, 0, 0, 0};
  TVector4f Direction{0, 0, 1, 0};
  TVector4f Up{0, 1, 0, 0};
};

class TGLSoundManager : public TGLCadenceAbleComponent {
  CLIENT_DECLARE_CLASS(TGLSoundManager)
public:
  explicit TGLSoundManager(TComponent* owner = nullptr);
  // Deactivates, drops the listener, frees the sources. A concrete manager
  // deactivates in its own destructor, while its device calls still work.
  ~TGLSoundManager() override;

  bool GetActive() const { return FActive; }
  // While designed or loaded only stores the flag (Loaded activates then).
  // On: the active manager, if any, is turned off, then DoActivate; only on
  // success is this manager active. Off: every source is freed (last
  // first), then DoDeActivate.
  void SetActive(bool value);
  bool GetMute() const { return FMute; }
  void SetMute(bool value);
  bool GetPause() const { return FPause; }
  void SetPause(bool value);
  float GetMasterVolume() const { return FMasterVolume; }
  // Kept in 0..1.
  void SetMasterVolume(float value);
  TGLBaseSceneObject* GetListener() const { return FListener; }
  // Forgotten when the object is destroyed.
  void SetListener(TGLBaseSceneObject* value);
  TGLSoundSources& Sources() { return *FSources; }
  void SetSources(const TGLSoundSources& value) { FSources->Assign(&value); }
  int GetMaxChannels() const { return FMaxChannels; }
  // Never below 1.
  void SetMaxChannels(int value);
  int GetOutputFrequency() const { return FOutputFrequency; }
  // Never below 11025.
  void SetOutputFrequency(int value);
  float GetUpdateFrequency() const { return FUpdateFrequency; }
  // Kept in 1..60 updates per second.
  void SetUpdateFrequency(float value);
  float GetDistanceFactor() const { return FDistanceFactor; }
  void SetDistanceFactor(float value);
  float GetRollOffFactor() const { return FRollOffFactor; }
  void SetRollOffFactor(float value);
  float GetDopplerFactor() const { return FDopplerFactor; }
  void SetDopplerFactor(float value);
  bool IsDopplerFactorStored() const { return FDopplerFactor != 1.0f; }
  TGLSoundEnvironment GetEnvironment() const { return FEnvironment; }
  void SetEnvironment(TGLSoundEnvironment value);
  TGLCadencer* GetCadencer() const { return FCadencer; }
  // Unsubscribes from the old cadencer, subscribes to the new one.
  void SetCadencer(TGLCadencer* value);

  // While active: UpdateSources when more than 1 / UpdateFrequency seconds
  // have passed since the last update.
  void DoProgress(const TProgressTimes& progressTimes) override;
  void Loaded() override;

  // Frees what the manager holds for the source (its record).
  virtual void ReleaseSource(TGLBaseSoundSource* source) {}
  // The base only clears the source's change flags.
  virtual void UpdateSource(TGLBaseSoundSource* source);
  virtual void MuteSource(TGLBaseSoundSource* source, bool muted) {}
  virtual void PauseSource(TGLBaseSoundSource* source, bool paused) {}
  // UpdateSource for each source, last to first (a source may free itself).
  virtual void UpdateSources();
  // The file is going or its bytes changed: whatever the manager made of
  // them must go (the sources playing them start again from the new bytes).
  virtual void SoundFileChanged(const TGLSoundFile* file) {}
  // -1 when unknown.
  virtual float CPUUsage() { return -1.0f; }

  // The listener's absolute position, its velocity since the last update,
  // its absolute Z and Y vectors (a camera with a target: the view direction
  // and its up); without a listener the origin facing +Z, up +Y, standing.
  // Moves the last position on.
  TGLListenerCoordinates ListenerCoordinates();
  double LastUpdateTime() const { return FLastUpdateTime; }
  double LastDeltaTime() const { return FLastDeltaTime; }

protected:
  virtual bool DoActivate() { return true; }
  virtual void DoDeActivate() {}
  // MuteSource (source, True) for each source not muted itself.
  virtual bool DoMute();
  virtual void DoUnMute();
  virtual bool DoPause();
  virtual void DoUnPause();
  virtual void UpdateMasterVolume() {}
  virtual void Update3DFactors() {}
  virtual void UpdateEnvironment() {}
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool FActive = false;
  bool FMute = false;
  bool FPause = false;
  float FMasterVolume = 1.0f;
  TGLBaseSceneObject* FListener = nullptr;
  std::unique_ptr<TGLSoundSources> FSources;
  int FMaxChannels = 8;
  int FOutputFrequency = 44100;
  float FUpdateFrequency = 10.0f;
  float FDistanceFactor = 1.0f;
  float FRollOffFactor = 1.0f;
  float FDopplerFactor = 1.0f;
  TGLSoundEnvironment FEnvironment = seDefault;
  TGLCadencer* FCadencer = nullptr;
  double FLastUpdateTime = -1e30;
  double FLastDeltaTime = 0.0;
  TVector4f FLastListenerPosition{0, 0, 0, 1};
};

// The active manager; nullptr when none.
TGLSoundManager* ActiveSoundManager();

// Whether the sound classes tell the user about a misuse (an emitter played
// without an active manager); on by default.
bool& VerboseSoundErrors();
// Where such messages go; stderr unless replaced.
std::function<void(const std::string& message)>& SoundMessageHandler();
