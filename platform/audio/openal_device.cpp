#include "platform/audio/openal_device.h"

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx-presets.h>
#include <AL/efx.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "platform/audio/sound_decoder.h"

namespace audio {
namespace {

// The environment presets, in the order of the environment list.
const EFXEAXREVERBPROPERTIES kPresets[kEnvironmentCount] = {
    EFX_REVERB_PRESET_GENERIC,        EFX_REVERB_PRESET_PADDEDCELL,     EFX_REVERB_PRESET_ROOM,
    EFX_REVERB_PRESET_BATHROOM,       EFX_REVERB_PRESET_LIVINGROOM,     EFX_REVERB_PRESET_STONEROOM,
    EFX_REVERB_PRESET_AUDITORIUM,     EFX_REVERB_PRESET_CONCERTHALL,    EFX_REVERB_PRESET_CAVE,
    EFX_REVERB_PRESET_ARENA,          EFX_REVERB_PRESET_HANGAR,         EFX_REVERB_PRESET_CARPETEDHALLWAY,
    EFX_REVERB_PRESET_HALLWAY,        EFX_REVERB_PRESET_STONECORRIDOR,  EFX_REVERB_PRESET_ALLEY,
    EFX_REVERB_PRESET_FOREST,         EFX_REVERB_PRESET_CITY,           EFX_REVERB_PRESET_MOUNTAINS,
    EFX_REVERB_PRESET_QUARRY,         EFX_REVERB_PRESET_PLAIN,          EFX_REVERB_PRESET_PARKINGLOT,
    EFX_REVERB_PRESET_SEWERPIPE,      EFX_REVERB_PRESET_UNDERWATER,     EFX_REVERB_PRESET_DRUGGED,
    EFX_REVERB_PRESET_DIZZY,          EFX_REVERB_PRESET_PSYCHOTIC,
};

constexpr float kSpeedOfSound = 343.3f;  // metres per second

void LoadPreset(ALuint effect, const EFXEAXREVERBPROPERTIES& p) {
  alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
  if (alGetError() == AL_NO_ERROR) {
    alEffectf(effect, AL_EAXREVERB_DENSITY, p.flDensity);
    alEffectf(effect, AL_EAXREVERB_DIFFUSION, p.flDiffusion);
    alEffectf(effect, AL_EAXREVERB_GAIN, p.flGain);
    alEffectf(effect, AL_EAXREVERB_GAINHF, p.flGainHF);
    alEffectf(effect, AL_EAXREVERB_GAINLF, p.flGainLF);
    alEffectf(effect, AL_EAXREVERB_DECAY_TIME, p.flDecayTime);
    alEffectf(effect, AL_EAXREVERB_DECAY_HFRATIO, p.flDecayHFRatio);
    alEffectf(effect, AL_EAXREVERB_DECAY_LFRATIO, p.flDecayLFRatio);
    alEffectf(effect, AL_EAXREVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
    alEffectf(effect, AL_EAXREVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
    alEffectfv(effect, AL_EAXREVERB_REFLECTIONS_PAN, p.flReflectionsPan);
    alEffectf(effect, AL_EAXREVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
    alEffectf(effect, AL_EAXREVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
    alEffectfv(effect, AL_EAXREVERB_LATE_REVERB_PAN, p.flLateReverbPan);
    alEffectf(effect, AL_EAXREVERB_ECHO_TIME, p.flEchoTime);
    alEffectf(effect, AL_EAXREVERB_ECHO_DEPTH, p.flEchoDepth);
    alEffectf(effect, AL_EAXREVERB_MODULATION_TIME, p.flModulationTime);
    alEffectf(effect, AL_EAXREVERB_MODULATION_DEPTH, p.flModulationDepth);
    alEffectf(effect, AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
    alEffectf(effect, AL_EAXREVERB_HFREFERENCE, p.flHFReference);
    alEffectf(effect, AL_EAXREVERB_LFREFERENCE, p.flLFReference);
    alEffectf(effect, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
    alEffecti(effect, AL_EAXREVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
    return;
  }
  // The standard reverb holds the part of the preset it knows.
  alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
  alEffectf(effect, AL_REVERB_DENSITY, p.flDensity);
  alEffectf(effect, AL_REVERB_DIFFUSION, p.flDiffusion);
  alEffectf(effect, AL_REVERB_GAIN, p.flGain);
  alEffectf(effect, AL_REVERB_GAINHF, p.flGainHF);
  alEffectf(effect, AL_REVERB_DECAY_TIME, p.flDecayTime);
  alEffectf(effect, AL_REVERB_DECAY_HFRATIO, p.flDecayHFRatio);
  alEffectf(effect, AL_REVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
  alEffectf(effect, AL_REVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
  alEffectf(effect, AL_REVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
  alEffectf(effect, AL_REVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
  alEffectf(effect, AL_REVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
  alEffectf(effect, AL_REVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
  alEffecti(effect, AL_REVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
}

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float DistanceSquared(const Vec3& a, const Vec3& b) {
  const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return dx * dx + dy * dy + dz * dz;
}

}  // namespace

OpenALDevice::OpenALDevice(Output output) : FOutput(output) {}

OpenALDevice::~OpenALDevice() { Free(); }

bool OpenALDevice::Fail(int code) {
  FError = code;
  return false;
}

bool OpenALDevice::Current() {
  if (!FContext) return Fail(kErrorInit);
  if (alcGetCurrentContext() != FContext) alcMakeContextCurrent(FContext);
  alGetError();  // a stale error of another caller is not ours
  return true;
}

bool OpenALDevice::Probe() {
  if (FOutput == Output::Loopback) return alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_TRUE;
  // Kept open for Init: opening it again would cost as much again.
  if (!FDevice) FDevice = alcOpenDevice(nullptr);
  return FDevice != nullptr;
}

bool OpenALDevice::Init(int frequency) {
  if (FContext) return Fail(kErrorAlready);
  FFrequency = std::clamp(frequency, 8000, 192000);
  if (FOutput == Output::Loopback) {
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) return Fail(kErrorNotAvailable);
    FDevice = alcLoopbackOpenDeviceSOFT(nullptr);
  } else if (!FDevice) {
    FDevice = alcOpenDevice(nullptr);
  }
  if (!FDevice) return Fail(kErrorDevice);
  const std::vector<ALCint> attributes = ContextAttributes();
  FContext = alcCreateContext(FDevice, attributes.data());
  if (!FContext) {
    alcCloseDevice(FDevice);
    FDevice = nullptr;
    return Fail(kErrorDevice);
  }
  alcMakeContextCurrent(FContext);
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  FEfx = alcIsExtensionPresent(FDevice, "ALC_EXT_EFX") == ALC_TRUE;
  FListenerPosition = {};
  FError = kOk;
  return true;
}

bool OpenALDevice::Start() {
  if (!Current()) return false;
  if (alcIsExtensionPresent(FDevice, "ALC_SOFT_pause_device")) alcDeviceResumeSOFT(FDevice);
  return true;
}

bool OpenALDevice::Stop() {
  if (!Current()) return false;
  if (alcIsExtensionPresent(FDevice, "ALC_SOFT_pause_device")) alcDevicePauseSOFT(FDevice);
  return true;
}

bool OpenALDevice::Free() {
  if (!FContext) {
    // Opened by Probe alone.
    if (!FDevice) return Fail(kErrorInit);
    alcCloseDevice(FDevice);
    FDevice = nullptr;
    return true;
  }
  Current();
  for (auto& [handle, channel] : FChannels) alDeleteSources(1, &channel.source);
  FChannels.clear();
  for (auto& [handle, sample] : FSamples) alDeleteBuffers(1, &sample.buffer);
  FSamples.clear();
  if (FEffectSlot) alDeleteAuxiliaryEffectSlots(1, &FEffectSlot);
  if (FEffect) alDeleteEffects(1, &FEffect);
  FEffectSlot = FEffect = 0;
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(FContext);
  alcCloseDevice(FDevice);
  FContext = nullptr;
  FDevice = nullptr;
  FError = kOk;
  return true;
}

std::vector<int> OpenALDevice::ContextAttributes() const {
  std::vector<ALCint> attributes{ALC_FREQUENCY, FFrequency};
  if (FOutput == Output::Loopback)
    attributes.insert(attributes.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT});
  // Head-related filtering only when asked for; loopback output is plain
  // stereo unless asked.
  if (FAlgorithm == Algorithm3D::Full)
    attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_TRUE});
  else if (FAlgorithm != Algorithm3D::Default || FOutput == Output::Loopback)
    attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_FALSE});
  attributes.push_back(0);
  return attributes;
}

bool OpenALDevice::Set3DAlgorithm(Algorithm3D algorithm) {
  if (!Current()) return false;
  if (algorithm == FAlgorithm) return true;
  FAlgorithm = algorithm;
  if (!alcIsExtensionPresent(FDevice, "ALC_SOFT_HRTF")) return true;
  return alcResetDeviceSOFT(FDevice, ContextAttributes().data()) == ALC_TRUE || Fail(kErrorNotAvailable);
}

bool OpenALDevice::SetVolume(int volume) {
  if (!Current()) return false;
  alListenerf(AL_GAIN, static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f);
  return true;
}

bool OpenALDevice::Set3DFactors(float distance, float rollOff, float doppler) {
  if (!Current()) return false;
  if (distance > 0 && std::isfinite(distance)) alSpeedOfSound(kSpeedOfSound / distance);
  if (doppler >= 0 && std::isfinite(doppler)) alDopplerFactor(doppler);
  if (rollOff >= 0 && std::isfinite(rollOff)) {
    FRollOff = rollOff;
    for (auto& [handle, channel] : FChannels) alSourcef(channel.source, AL_ROLLOFF_FACTOR, FRollOff);
  }
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

bool OpenALDevice::HasEnvironment() { return Current() && FEfx; }

void OpenALDevice::AttachSend(unsigned source) {
  if (FEffectSlot) alSource3i(source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(FEffectSlot), 0, AL_FILTER_NULL);
}

bool OpenALDevice::SetEnvironment(int preset) {
  if (!Current()) return false;
  if (!FEfx) return Fail(kErrorNotAvailable);
  if (preset < 0 || preset >= kEnvironmentCount) return Fail(kErrorUnknown);
  if (!FEffect) {
    alGenEffects(1, &FEffect);
    alGenAuxiliaryEffectSlots(1, &FEffectSlot);
    if (alGetError() != AL_NO_ERROR) {
      if (FEffect) alDeleteEffects(1, &FEffect);
      FEffect = FEffectSlot = 0;
      return Fail(kErrorNotAvailable);
    }
    for (auto& [handle, channel] : FChannels) AttachSend(channel.source);
  }
  LoadPreset(FEffect, kPresets[preset]);
  alAuxiliaryEffectSloti(FEffectSlot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(FEffect));
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

Handle OpenALDevice::SampleLoad(const void* data, std::size_t size, int maxPlaybacks, std::uint32_t flags) {
  if (!Current()) return 0;
  std::optional<DecodedSound> sound = DecodeSound(data, size);
  if (!sound) return Fail(kErrorFileFormat), 0;
  // Only a mono buffer is placed in 3D; more than two channels has no format.
  if (sound->channels > 2 || ((flags & kSample3D) && sound->channels > 1)) sound = MixToMono(*sound);
  Sample sample;
  sample.frequency = sound->frequency;
  sample.maxPlaybacks = std::max(1, maxPlaybacks);
  sample.flags = flags;
  alGenBuffers(1, &sample.buffer);
  alBufferData(sample.buffer, sound->channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, sound->samples.data(),
               static_cast<ALsizei>(sound->samples.size() * sizeof(std::int16_t)), sound->frequency);
  if (alGetError() != AL_NO_ERROR) {
    if (alIsBuffer(sample.buffer)) alDeleteBuffers(1, &sample.buffer);
    return Fail(kErrorMemory), 0;
  }
  const Handle handle = FNextHandle++;
  FSamples[handle] = sample;
  return handle;
}

void OpenALDevice::DeleteChannel(std::map<Handle, Channel>::iterator it) {
  alSourceStop(it->second.source);
  alDeleteSources(1, &it->second.source);
  FChannels.erase(it);
}

bool OpenALDevice::SampleFree(Handle sample) {
  if (!Current()) return false;
  auto found = FSamples.find(sample);
  if (found == FSamples.end()) return Fail(kErrorHandle);
  for (auto it = FChannels.begin(); it != FChannels.end();) {
    if (it->second.sample == sample)
      DeleteChannel(it++);
    else
      ++it;
  }
  alDeleteBuffers(1, &found->second.buffer);
  FSamples.erase(found);
  return true;
}

Handle OpenALDevice::SamplePlay3D(Handle sample, const Vec3& position, const Vec3& orientation,
                                  const Vec3& velocity) {
  if (!Current()) return 0;
  auto found = FSamples.find(sample);
  if (found == FSamples.end()) return Fail(kErrorHandle), 0;
  const Sample& s = found->second;
  std::vector<std::map<Handle, Channel>::iterator> playing;
  for (auto it = FChannels.begin(); it != FChannels.end(); ++it)
    if (it->second.sample == sample) playing.push_back(it);
  if (static_cast<int>(playing.size()) >= s.maxPlaybacks) {
    if ((s.flags & kSampleOverrideFarthest) != kSampleOverrideFarthest) return Fail(kErrorNoChannel), 0;
    auto farthest = std::max_element(playing.begin(), playing.end(), [this](auto a, auto b) {
      ALfloat pa[3], pb[3];
      alGetSourcefv(a->second.source, AL_POSITION, pa);
      alGetSourcefv(b->second.source, AL_POSITION, pb);
      return DistanceSquared({pa[0], pa[1], pa[2]}, FListenerPosition) <
             DistanceSquared({pb[0], pb[1], pb[2]}, FListenerPosition);
    });
    DeleteChannel(*farthest);
  }
  Channel channel;
  channel.sample = sample;
  alGenSources(1, &channel.source);
  if (alGetError() != AL_NO_ERROR) return Fail(kErrorNoChannel), 0;
  alSourcei(channel.source, AL_BUFFER, static_cast<ALint>(s.buffer));
  alSourcei(channel.source, AL_LOOPING, (s.flags & kSampleLoop) ? AL_TRUE : AL_FALSE);
  alSourcef(channel.source, AL_ROLLOFF_FACTOR, FRollOff);
  AttachSend(channel.source);
  const Handle handle = FNextHandle++;
  FChannels[handle] = channel;
  if (s.flags & kSample3D) {
    ChannelSet3DAttributes(handle, kMode3DNormal, -1, -1, -1, -1, -1);
    ChannelSet3DPosition(handle, position, orientation, velocity);
  } else {
    ChannelSet3DAttributes(handle, kMode3DOff, -1, -1, -1, -1, -1);
  }
  return handle;
}

OpenALDevice::Channel* OpenALDevice::FindChannel(Handle channel) {
  auto it = FChannels.find(channel);
  if (it == FChannels.end()) {
    FError = kErrorHandle;
    return nullptr;
  }
  return &it->second;
}

bool OpenALDevice::ChannelIsActive(Handle channel) {
  if (!Current()) return false;
  Channel* c = FindChannel(channel);
  if (!c) return false;
  if (c->pending) return true;
  ALint state = AL_STOPPED;
  alGetSourcei(c->source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING || state == AL_PAUSED;
}

bool OpenALDevice::ChannelSet3DPosition(Handle channel, const Vec3& position, const Vec3& orientation,
                                        const Vec3& velocity) {
  if (!Current()) return false;
  Channel* c = FindChannel(channel);
  if (!c) return false;
  if (!Finite(position) || !Finite(orientation) || !Finite(velocity)) return Fail(kErrorUnknown);
  // A channel that is not placed stays at the listener.
  if (c->mode == kMode3DOff) return true;
  alSource3f(c->source, AL_POSITION, position.x, position.y, position.z);
  alSource3f(c->source, AL_DIRECTION, orientation.x, orientation.y, orientation.z);
  alSource3f(c->source, AL_VELOCITY, velocity.x, velocity.y, velocity.z);
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

bool OpenALDevice::ChannelSet3DAttributes(Handle channel, int mode, float minDistance, float maxDistance,
                                          int insideAngle, int outsideAngle, int outsideVolume) {
  if (!Current()) return false;
  Channel* c = FindChannel(channel);
  if (!c) return false;
  // Negative values leave a setting as it is.
  if (mode >= kMode3DNormal && mode <= kMode3DOff) {
    c->mode = mode;
    alSourcei(c->source, AL_SOURCE_RELATIVE, mode == kMode3DNormal ? AL_FALSE : AL_TRUE);
    if (mode == kMode3DOff) {
      alSource3f(c->source, AL_POSITION, 0, 0, 0);
      alSource3f(c->source, AL_VELOCITY, 0, 0, 0);
    }
  }
  if (minDistance > 0 && std::isfinite(minDistance)) alSourcef(c->source, AL_REFERENCE_DISTANCE, minDistance);
  if (maxDistance > 0 && std::isfinite(maxDistance)) alSourcef(c->source, AL_MAX_DISTANCE, maxDistance);
  if (insideAngle >= 0) alSourcef(c->source, AL_CONE_INNER_ANGLE, static_cast<float>(std::min(insideAngle, 360)));
  if (outsideAngle >= 0) alSourcef(c->source, AL_CONE_OUTER_ANGLE, static_cast<float>(std::min(outsideAngle, 360)));
  if (outsideVolume >= 0)
    alSourcef(c->source, AL_CONE_OUTER_GAIN, static_cast<float>(std::min(outsideVolume, 100)) / 100.0f);
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

bool OpenALDevice::ChannelSetAttributes(Handle channel, int frequency, int volume, int pan) {
  if (!Current()) return false;
  Channel* c = FindChannel(channel);
  if (!c) return false;
  if (frequency == 0) {
    alSourcef(c->source, AL_PITCH, 1.0f);
  } else if (frequency > 0) {
    const float rate = static_cast<float>(FSamples[c->sample].frequency);
    alSourcef(c->source, AL_PITCH, std::clamp(static_cast<float>(frequency) / rate, 0.01f, 100.0f));
  }
  if (volume >= 0) alSourcef(c->source, AL_GAIN, static_cast<float>(std::min(volume, 100)) / 100.0f);
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

bool OpenALDevice::ChannelStop(Handle channel) {
  if (!Current()) return false;
  auto it = FChannels.find(channel);
  if (it == FChannels.end()) return Fail(kErrorHandle);
  DeleteChannel(it);
  return true;
}

bool OpenALDevice::ChannelPause(Handle channel) {
  if (!Current()) return false;
  Channel* c = FindChannel(channel);
  if (!c) return false;
  c->paused = true;
  if (!c->pending) alSourcePause(c->source);
  return true;
}

bool OpenALDevice::ChannelResume(Handle channel) {
  if (!Current()) return false;
  Channel* c = FindChannel(channel);
  if (!c) return false;
  if (!c->paused) return true;
  c->paused = false;
  ALint state = AL_STOPPED;
  alGetSourcei(c->source, AL_SOURCE_STATE, &state);
  if (!c->pending && state == AL_PAUSED) alSourcePlay(c->source);
  return true;
}

bool OpenALDevice::Set3DPosition(const Vec3& position, const Vec3& velocity, const Vec3& front, const Vec3& top) {
  if (!Current()) return false;
  if (!Finite(position) || !Finite(velocity) || !Finite(front) || !Finite(top)) return Fail(kErrorUnknown);
  FListenerPosition = position;
  alListener3f(AL_POSITION, position.x, position.y, position.z);
  alListener3f(AL_VELOCITY, velocity.x, velocity.y, velocity.z);
  // A front along the top (or of no length) has no orientation: keep the last.
  const Vec3 side{front.y * top.z - front.z * top.y, front.z * top.x - front.x * top.z,
                  front.x * top.y - front.y * top.x};
  if (DistanceSquared(side, {}) > 1e-12f) {
    const ALfloat orientation[6] = {front.x, front.y, front.z, top.x, top.y, top.z};
    alListenerfv(AL_ORIENTATION, orientation);
  }
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

bool OpenALDevice::Apply3D() {
  if (!Current()) return false;
  for (auto& [handle, channel] : FChannels) {
    if (!channel.pending || channel.paused) continue;
    channel.pending = false;
    alSourcePlay(channel.source);
  }
  return alGetError() == AL_NO_ERROR || Fail(kErrorUnknown);
}

bool OpenALDevice::RenderStereo(float* out, int frames) {
  if (FOutput != Output::Loopback || !Current()) return false;
  alcRenderSamplesSOFT(FDevice, out, frames);
  return true;
}

}  // namespace audio
