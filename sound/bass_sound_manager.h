#pragma once
// TGLSMBASS: the client's sound manager. It plays the sources in 3D on an
// audio device (OpenAL Soft's default playback device unless another is
// given), with the listener object (the camera) as the ears.
//
// Each sound file is loaded into the device (and decoded) once, at the
// first update of a source that plays it, and stays loaded while the
// manager is active and the file's bytes stay; every source plays it on a
// channel of its own. A source is started at its first update and then
// moved, turned and set to its volume at every update; a sound that does
// not loop and has ended frees its source. OpenAL's space has the engine's
// handedness, so vectors pass unchanged.

#include <map>
#include <memory>
#include <utility>

#include "platform/audio/audio_device.h"
#include "sound/sound_manager.h"

enum TBASS3DAlgorithm { algDefault, algOff, algFull, algLight };

class TGLSMBASS : public TGLSoundManager {
  CLIENT_DECLARE_CLASS(TGLSMBASS)
public:
  explicit TGLSMBASS(TComponent* owner = nullptr);
  // Deactivates while the device calls still reach this class.
  ~TGLSMBASS() override;

  TBASS3DAlgorithm GetAlgorithm3D() const { return FAlgorithm3D; }
  void SetAlgorithm3D(TBASS3DAlgorithm value) { FAlgorithm3D = value; }
  // The device to play on, for tests; without one, activation takes one
  // from the playback device factory. Only while inactive.
  void SetDevice(std::unique_ptr<audio::AudioDevice> device);
  audio::AudioDevice* GetDevice() const { return FDevice.get(); }
  bool Running() const { return FRunning; }

  // Stops the source's channel and frees its record; the sample stays
  // loaded for the next source that plays it.
  void ReleaseSource(TGLBaseSoundSource* source) override;
  // Only for a source whose sample holds data the device can play; raises
  // an assertion "BASS Error <code>" once for data the device refuses.
  void UpdateSource(TGLBaseSoundSource* source) override;
  void MuteSource(TGLBaseSoundSource* source, bool muted) override;
  void PauseSource(TGLBaseSoundSource* source, bool paused) override;
  // The listener first, then every source, then the 3D changes applied.
  void UpdateSources() override;
  float CPUUsage() override;
  // Whether the device has the reverb environments.
  bool EAXSupported();
  // Frees the file's samples; the sources that played them start again.
  void SoundFileChanged(const TGLSoundFile* file) override;

protected:
  bool DoActivate() override;
  void DoDeActivate() override;
  void UpdateMasterVolume() override;
  void Update3DFactors() override;
  void UpdateEnvironment() override;

private:
  audio::AudioDevice& Device() const { return *FDevice; }
  [[noreturn]] void RaiseError() const;
  // The device's sample of the file (looping or not), loaded on first use;
  // 0 when the device refuses the bytes.
  audio::Handle SampleOf(const TGLSoundFile& file, bool loop);

  std::unique_ptr<audio::AudioDevice> FDevice;
  // Loaded samples by file and loop flag.
  std::map<std::pair<const TGLSoundFile*, bool>, audio::Handle> FSamples;
  TBASS3DAlgorithm FAlgorithm3D = algDefault;
  bool FRunning = false;
};
