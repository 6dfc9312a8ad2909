#include "sound/bass_sound_manager.h"

#include <cmath>
#include <string>
#include <utility>

#include "engine/scene_node.h"
#include "platform/base/assertion.h"
#include "sound/sound_library.h"

CLIENT_DEFINE_CLASS(TGLSMBASS, TGLSoundManager)
CLIENT_REGISTER_CLASS(TGLSMBASS);

namespace {

// The device's channel and sample of one source.
struct TSMBASSRecord : TGLSoundSourceRecord {
  audio::Handle channel = 0;
  audio::Handle sample = 0;
};

// Halves go to the even neighbour.
int Round(float value) { return static_cast<int>(std::nearbyint(value)); }

audio::Vec3 ToDevice(const TVector4f& v) { return {v[0], v[1], v[2]}; }

TSMBASSRecord* RecordOf(TGLBaseSoundSource* source) {
  return dynamic_cast<TSMBASSRecord*>(source->GetManagerRecord());
}

// Every sample is placed in 3D, software-mixed, and when all its playbacks
// are taken the farthest one gives way.
constexpr std::uint32_t kSampleFlags = audio::kSampleOverrideFarthest | audio::kSampleSoftware | audio::kSample3D;

}  // namespace

TGLSMBASS::TGLSMBASS(TComponent* owner) : TGLSoundManager(owner) { SetMaxChannels(32); }

TGLSMBASS::~TGLSMBASS() {
  MarkDestroying();
  SetActive(false);
}

void TGLSMBASS::SetDevice(std::unique_ptr<audio::AudioDevice> device) {
  CLIENT_ASSERT(!GetActive());
  FDevice = std::move(device);
}

void TGLSMBASS::RaiseError() const {
  RaiseAssertion(("BASS Error " + std::to_string(FDevice ? Device().ErrorGetCode() : audio::kErrorInit)).c_str(),
                 __FILE__, __LINE__);
}

bool TGLSMBASS::DoActivate() {
  if (!FDevice) FDevice = audio::CreatePlaybackDevice();
  if (!FDevice) return false;
  if (!Device().Init(GetOutputFrequency())) return false;
  // A device that opened but does not start is closed again, so that the
  // next activation can open it.
  if (!Device().Start()) {
    Device().Free();
    return false;
  }
  FRunning = true;
  Device().Set3DAlgorithm(static_cast<audio::Algorithm3D>(FAlgorithm3D));
  UpdateMasterVolume();
  // Factors set before activation take effect now.
  Update3DFactors();
  if (GetEnvironment() != seDefault) UpdateEnvironment();
  return true;
}

void TGLSMBASS::DoDeActivate() {
  FRunning = false;
  if (!FDevice) return;
  for (const auto& [key, sample] : FSamples) Device().SampleFree(sample);
  FSamples.clear();
  Device().Stop();
  Device().Free();
}

void TGLSMBASS::UpdateMasterVolume() {
  if (FRunning) Device().SetVolume(Round(GetMasterVolume() * 100.0f));
}

void TGLSMBASS::Update3DFactors() {
  if (FRunning) Device().Set3DFactors(GetDistanceFactor(), GetRollOffFactor(), GetDopplerFactor());
}

void TGLSMBASS::UpdateEnvironment() {
  if (FRunning) Device().SetEnvironment(static_cast<int>(GetEnvironment()));
}

bool TGLSMBASS::EAXSupported() { return FRunning && Device().HasEnvironment(); }

float TGLSMBASS::CPUUsage() {
  if (!FRunning) return -1.0f;
  const float cpu = Device().GetCPU();
  return cpu < 0 ? -1.0f : cpu * 100.0f;
}

void TGLSMBASS::ReleaseSource(TGLBaseSoundSource* source) {
  TSMBASSRecord* record = RecordOf(source);
  if (!record) return;
  // Runs while the source is destroyed, so nothing is raised: a channel the
  // device already took back has nothing left to stop.
  if (FRunning && record->channel) Device().ChannelStop(record->channel);
  source->SetManagerRecord(nullptr);
}

audio::Handle TGLSMBASS::SampleOf(const TGLSoundFile& file, bool loop) {
  const auto key = std::pair{&file, loop};
  if (auto found = FSamples.find(key); found != FSamples.end()) return found->second;
  const std::uint32_t flags = kSampleFlags | (loop ? audio::kSampleLoop : 0);
  const audio::Handle sample = Device().SampleLoad(file.HeldData(), file.HeldDataSize(), GetMaxChannels(), flags);
  if (sample) FSamples[key] = sample;
  return sample;
}

void TGLSMBASS::SoundFileChanged(const TGLSoundFile* file) {
  for (auto it = FSamples.begin(); it != FSamples.end();) {
    if (it->first.first != file) {
      ++it;
      continue;
    }
    for (int i = 0; i < Sources().GetCount(); ++i) {
      TSMBASSRecord* record = RecordOf(Sources().GetItems(i));
      if (!record || record->sample != it->second) continue;
      if (record->channel) Device().ChannelStop(record->channel);
      record->channel = record->sample = 0;
    }
    Device().SampleFree(it->second);
    it = FSamples.erase(it);
  }
}

void TGLSMBASS::UpdateSource(TGLBaseSoundSource* source) {
  TGLSoundSample* sample = source->Sample();
  TGLSoundFile* data = sample ? sample->GetData() : nullptr;
  if (FRunning && data && data->HeldData() && !data->GetUnplayable()) {
    TSMBASSRecord* record = RecordOf(source);
    if (record && record->channel && !Device().ChannelIsActive(record->channel)) {
      // A sound that does not loop has ended: the source goes. The device
      // keeps an ended channel, and counts it among the sample's playbacks,
      // until it is stopped, so it is given back here.
      Device().ChannelStop(std::exchange(record->channel, 0));
      if (auto* s = dynamic_cast<TGLSoundSource*>(source))
        s->Free();
      else
        TGLSoundManager::UpdateSource(source);
      return;
    }
    if (!record) {
      auto created = std::make_unique<TSMBASSRecord>();
      record = created.get();
      source->SetManagerRecord(std::move(created));
      if (source->GetFrequency() <= 0) source->SetFrequency(-1);
    }
    if (!record->sample) {
      record->sample = SampleOf(*data, source->GetNbLoops() > 1);
      if (!record->sample) {
        // Said once: the sample stays silent until it is loaded anew.
        source->SetManagerRecord(nullptr);
        data->SetUnplayable(true);
        RaiseError();
      }
    }

    audio::Vec3 position, direction{0, 0, 1}, velocity;
    if (auto* s = dynamic_cast<TGLSoundSource*>(source); s && s->GetOrigin()) {
      position = ToDevice(s->GetOrigin()->GetAbsolutePosition());
      direction = ToDevice(s->GetOrigin()->GetAbsoluteZVector());
    }
    if (!record->channel) {
      record->channel = Device().SamplePlay3D(record->sample, position, direction, velocity);
      if (!record->channel) RaiseError();
      Device().ChannelSet3DAttributes(record->channel, audio::kMode3DNormal, source->GetMinDistance(),
                                      source->GetMaxDistance(), Round(source->GetInsideConeAngle()),
                                      Round(source->GetOutsideConeAngle()),
                                      Round(source->GetConeOutsideVolume() * 100.0f));
      // A source that starts while it or the manager is paused waits.
      if (source->GetPause() || GetPause()) Device().ChannelPause(record->channel);
    } else {
      Device().ChannelSet3DPosition(record->channel, position, direction, velocity);
    }
    // A muted source stays silent: the volume follows the mute of the source
    // and of the manager at every update.
    const int volume = source->GetMute() || GetMute() ? 0 : Round(source->GetVolume() * 100.0f);
    if (!Device().ChannelSetAttributes(record->channel, source->GetFrequency(), volume, -101)) RaiseError();
  }
  TGLSoundManager::UpdateSource(source);
}

void TGLSMBASS::MuteSource(TGLBaseSoundSource* source, bool muted) {
  TSMBASSRecord* record = RecordOf(source);
  if (!FRunning || !record || !record->channel) return;
  if (!Device().ChannelSetAttributes(record->channel, -1, muted ? 0 : Round(source->GetVolume() * 100.0f), -101))
    RaiseError();
}

void TGLSMBASS::PauseSource(TGLBaseSoundSource* source, bool paused) {
  TSMBASSRecord* record = RecordOf(source);
  if (!FRunning || !record || !record->channel) return;
  if (paused)
    Device().ChannelPause(record->channel);
  else
    Device().ChannelResume(record->channel);
}

void TGLSMBASS::UpdateSources() {
  if (!FRunning) return;
  const TGLListenerCoordinates listener = ListenerCoordinates();
  if (!Device().Set3DPosition(ToDevice(listener.Position), ToDevice(listener.Velocity), ToDevice(listener.Direction),
                              ToDevice(listener.Up)))
    RaiseError();
  TGLSoundManager::UpdateSources();
  if (!Device().Apply3D()) RaiseError();
}
