#pragma once
// TGLSMBASS: the client's sound manager. It plays the sources in 3D on an
// audio device (OpenAL Soft's default playback device unless another is
// given), with the listener object (the camera) as the ears.
//
// Per source it keeps the device's channel and sample. A source is loaded
// and started at its first update and then moved, turned and set to its
// volume at every update; a sound that does not loop and has ended frees
// its source. OpenAL's space has the engine's handedness, so vectors pass
// unchanged.

#include <memory>

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

  // Stops the source's channel, frees its sample and its record.
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

protected:
  bool DoActivate() override;
  void DoDeActivate() override;
  void UpdateMasterVolume() override;
  void Update3DFactors() override;
  void UpdateEnvironment() override;

private:
  audio::AudioDevice& Device() const { return *FDevice; }
  [[noreturn]] void RaiseError() const;

  std::unique_ptr<audio::AudioDevice> FDevice;
  TBASS3DAlgorithm FAlgorithm3D = algDefault;
  bool FRunning = false;
};
