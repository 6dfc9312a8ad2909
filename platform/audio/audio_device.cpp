#include "platform/audio/audio_device.h"

#include "platform/audio/openal_device.h"

namespace audio {

DeviceFactory& PlaybackDeviceFactory() {
  static DeviceFactory factory = [] { return std::make_unique<OpenALDevice>(); };
  return factory;
}

std::unique_ptr<AudioDevice> CreatePlaybackDevice() {
  const DeviceFactory& factory = PlaybackDeviceFactory();
  return factory ? factory() : nullptr;
}

bool PlaybackDeviceAvailable() {
  std::unique_ptr<AudioDevice> device = CreatePlaybackDevice();
  return device && device->Probe();
}

}  // namespace audio
