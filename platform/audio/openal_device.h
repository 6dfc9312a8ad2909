#pragma once
// The audio device on OpenAL Soft: the default playback device, or the
// loopback device (ALC_SOFT_loopback) that mixes only when asked, which
// renders offline and needs no hardware.
//
// OpenAL's space is right-handed like the engine's (x right, y up, z toward
// the viewer), so positions and directions pass unchanged. Each sample is
// an OpenAL buffer (3D samples mixed down to mono, since only mono is
// placed), each channel an OpenAL source; the environment is an EFX reverb
// from OpenAL's preset table, in the order of the environment list.
// Every call makes this device's context current first, so several devices
// can live side by side on the main thread.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/audio/audio_device.h"

typedef struct ALCdevice_struct ALCdevice;
typedef struct ALCcontext_struct ALCcontext;

namespace audio {

class OpenALDevice : public AudioDevice {
public:
  enum class Output { Playback, Loopback };
  explicit OpenALDevice(Output output = Output::Playback);
  ~OpenALDevice() override;
  OpenALDevice(const OpenALDevice&) = delete;
  OpenALDevice& operator=(const OpenALDevice&) = delete;

  bool Probe() override;
  bool Init(int frequency) override;
  bool Start() override;
  bool Stop() override;
  bool Free() override;
  bool Set3DAlgorithm(Algorithm3D algorithm) override;
  bool SetVolume(int volume) override;
  bool Set3DFactors(float distance, float rollOff, float doppler) override;
  bool SetEnvironment(int preset) override;
  bool HasEnvironment() override;
  Handle SampleLoad(const void* data, std::size_t size, int maxPlaybacks, std::uint32_t flags) override;
  bool SampleFree(Handle sample) override;
  Handle SamplePlay3D(Handle sample, const Vec3& position, const Vec3& orientation, const Vec3& velocity) override;
  bool ChannelIsActive(Handle channel) override;
  bool ChannelSet3DPosition(Handle channel, const Vec3& position, const Vec3& orientation,
                            const Vec3& velocity) override;
  bool ChannelSet3DAttributes(Handle channel, int mode, float minDistance, float maxDistance, int insideAngle,
                              int outsideAngle, int outsideVolume) override;
  bool ChannelSetAttributes(Handle channel, int frequency, int volume, int pan) override;
  bool ChannelStop(Handle channel) override;
  bool ChannelPause(Handle channel) override;
  bool ChannelResume(Handle channel) override;
  bool Set3DPosition(const Vec3& position, const Vec3& velocity, const Vec3& front, const Vec3& top) override;
  bool Apply3D() override;
  float GetCPU() override { return -1.0f; }
  int ErrorGetCode() override { return FError; }

  // Loopback only: mixes `frames` stereo frames of 32-bit floats (left,
  // right) into `out`. False for a playback device or before Init.
  bool RenderStereo(float* out, int frames);
  // The channels the device holds, each an OpenAL source: an ended one
  // stays until it is stopped.
  std::size_t ChannelCount() const { return FChannels.size(); }

private:
  struct Sample {
    unsigned buffer = 0;
    int frequency = 0;
    int maxPlaybacks = 1;
    std::uint32_t flags = 0;
  };
  struct Channel {
    unsigned source = 0;
    Handle sample = 0;
    bool pending = true;  // starts with the next Apply3D
    bool paused = false;
    int mode = kMode3DNormal;
  };

  bool Fail(int code);
  // The context is current; false (kErrorInit) before Init.
  bool Current();
  Channel* FindChannel(Handle channel);
  void DeleteChannel(std::map<Handle, Channel>::iterator it);
  void AttachSend(unsigned source);
  // The context's attributes: rate, loopback format, head-related filtering.
  std::vector<int> ContextAttributes() const;

  Output FOutput;
  ALCdevice* FDevice = nullptr;
  ALCcontext* FContext = nullptr;
  int FFrequency = 44100;
  Algorithm3D FAlgorithm = Algorithm3D::Default;
  bool FEfx = false;
  unsigned FEffect = 0;
  unsigned FEffectSlot = 0;
  float FRollOff = 1.0f;
  Vec3 FListenerPosition;
  Handle FNextHandle = 1;
  std::map<Handle, Sample> FSamples;
  std::map<Handle, Channel> FChannels;
  int FError = kOk;
};

}  // namespace audio
