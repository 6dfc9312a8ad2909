#include "client/mud.h"

#include "client/client_globals.h"
#include "engine/behaviour.h"
#include "engine/camera.h"
#include "platform/audio/audio_device.h"
#include "sound/sound_emitter.h"
#include "sound/sound_library.h"

namespace {

// The weather sounds, named as the timer's emitters ask for them.
constexpr const char* kWindSound = "sounds/wind2.wav";
constexpr const char* kWingFlapSound = "sounds/wingflap2.mp3";
constexpr const char* kRainSound = "sounds/rain2.wav";

}  // namespace

// Only with a playback device: the three sounds join the library and three
// looping emitters sit on the camera. A sound file that cannot be read is
// logged and stays silent; the world is built all the same.
void TMud::SetUpSounds(TGLSoundLibrary* soundLibrary) {
  if (!soundLibrary || !audio::PlaybackDeviceAvailable()) return;
  FSoundLibrary = soundLibrary;
  for (const char* name : {kWindSound, kWingFlapSound, kRainSound}) {
    TGLSoundSample* sample = soundLibrary->Samples().Add();
    FSoundSamples.push_back(sample);
    try {
      sample->LoadFromFile(ProgramPath(name));
    } catch (const std::exception& e) {
      LogLine(std::string("Sound ") + name + ": " + e.what());
    }
    // Named by the path below the program folder, whatever the folder's own
    // path looks like.
    sample->SetName(name);
  }
  auto addEmitter = [&](const char* name) {
    auto& emitter = Camera->GetBehaviours()->AddNew<TGLBSoundEmitter>();
    emitter.Source().SetSoundLibrary(soundLibrary);
    emitter.Source().SetSoundName(name);
    emitter.Source().SetNbLoops(10000);
    return &emitter;
  };
  WindEmitter = addEmitter(kWindSound);
  WingFlapEmitter = addEmitter(kWingFlapSound);
  WingFlapEmitter->Source().SetVolume(1.0f);
  RainEmitter = addEmitter(kRainSound);
}

void TMud::FreeSounds() {
  // Each leaves the camera's behaviours and stops its sound.
  for (TGLBSoundEmitter** emitter : {&WindEmitter, &WingFlapEmitter, &RainEmitter}) {
    delete *emitter;
    *emitter = nullptr;
  }
  // The library belongs to the main window and may have gone first.
  if (FSoundLibrary && IsSoundLibraryAlive(FSoundLibrary)) {
    TGLSoundSamples& samples = FSoundLibrary->Samples();
    for (TGLSoundSample* sample : FSoundSamples)
      if (const int index = samples.IndexOf(sample); index >= 0) samples.Delete(index);
  }
  FSoundSamples.clear();
  FSoundLibrary = nullptr;
}
