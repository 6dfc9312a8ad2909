#include "platform/audio/audio_device.h"

#include "platform/audio/openal_device.h"

namespace audio {

PlaybackDeviceSource& PlaybackDeviceSource::operator=(DeviceFactory factory) {
  FFactory = std::move(factory);
  FAvailable.reset();
  FProbed.reset();
  return *this;
}

std::unique_ptr<AudioDevice> PlaybackDeviceSource::Create() {
  if (FProbed) return std::move(FProbed);
  return FFactory ? FFactory() : nullptr;
}

bool PlaybackDeviceSource::Available() {
  if (!FAvailable) {
    std::unique_ptr<AudioDevice> device = FFactory ? FFactory() : nullptr;
    FAvailable = device && device->Probe();
    if (*FAvailable) FProbed = std::move(device);
  }
  return *FAvailable;
}

PlaybackDeviceSource& PlaybackDeviceFactory() {
  static PlaybackDeviceSource source = [] {
    PlaybackDeviceSource s;
    s = [] { return std::make_unique<OpenALDevice>(); };
    return s;
  }();
  return source;
}

std::unique_ptr<AudioDevice> CreatePlaybackDevice() { return PlaybackDeviceFactory().Create(); }

bool PlaybackDeviceAvailable() { return PlaybackDeviceFactory().Available(); }

}  // namespace audio
