// The client core's weather sounds: with a playback device the three sound
// files of the program folder join the sound library and three looping
// emitters sit on the camera; with none nothing is read. A sound file that
// cannot be read is logged and silent, and the world is built all the same.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/behaviour.h"
#include "engine/camera.h"
#include "mud_fixture.h"
#include "platform/audio/openal_device.h"
#include "sound/bass_sound_manager.h"
#include "sound/sound_emitter.h"
#include "sound/sound_library.h"

namespace {

using mud_fixture::World;
namespace fs = std::filesystem;

enum class Device { None, Loopback };

// The playback device for the test's duration.
class DeviceScope {
public:
  explicit DeviceScope(Device device) : saved_(audio::PlaybackDeviceFactory()) {
    audio::PlaybackDeviceFactory() = [device]() -> std::unique_ptr<audio::AudioDevice> {
      if (device == Device::None) return nullptr;
      return std::make_unique<audio::OpenALDevice>(audio::OpenALDevice::Output::Loopback);
    };
  }
  ~DeviceScope() { audio::PlaybackDeviceFactory() = saved_; }

private:
  audio::DeviceFactory saved_;
};

// The sample world's sounds, copied into the world's program folder.
void CopySounds(const World& world) {
  fs::create_directories(world.Folder() / "sounds");
  for (const char* name : {"wind2.wav", "wingflap2.mp3", "rain2.wav"})
    fs::copy_file(fs::path(CLIENT_SOURCE_DIR) / "data/sample-world/sounds" / name, world.Folder() / "sounds" / name);
}

bool Logged(const World& world, const std::string& message) {
  const std::vector<std::string> log = world.LogMessages();
  return std::find(log.begin(), log.end(), message) != log.end();
}

TEST(MudSounds, WithADeviceTheSoundsLoadAndThreeEmittersSitOnTheCamera) {
  DeviceScope device(Device::Loopback);
  World world;
  CopySounds(world);
  TGLSoundLibrary library;
  std::unique_ptr<TMud> mud = world.Create({}, &library);
  ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  EXPECT_TRUE(Logged(world, "Sounds set"));

  struct Expected {
    const char* name;
    const TClassInfo& fileClass;
    TGLBSoundEmitter* emitter;
  } const expected[] = {{"sounds/wind2.wav", TGLWAVFile::StaticClass(), mud->WindEmitter},
                        {"sounds/wingflap2.mp3", TGLMP3File::StaticClass(), mud->WingFlapEmitter},
                        {"sounds/rain2.wav", TGLWAVFile::StaticClass(), mud->RainEmitter}};
  ASSERT_EQ(library.Samples().GetCount(), 3);
  ASSERT_EQ(mud->Camera->GetBehaviours()->GetCount(), 3);
  for (int i = 0; i < 3; ++i) {
    const Expected& e = expected[i];
    SCOPED_TRACE(e.name);
    TGLSoundSample* sample = library.Samples().GetItems(i);
    EXPECT_EQ(sample->GetName(), e.name);
    ASSERT_NE(sample->GetData(), nullptr);
    EXPECT_EQ(&sample->GetData()->ClassType(), &e.fileClass);
    EXPECT_EQ(sample->GetData()->HeldDataSize(), fs::file_size(world.Folder() / e.name));
    ASSERT_NE(e.emitter, nullptr);
    EXPECT_EQ(mud->Camera->GetBehaviours()->GetItems(i), e.emitter);
    EXPECT_EQ(e.emitter->Source().GetSoundLibrary(), &library);
    EXPECT_EQ(e.emitter->Source().GetSoundName(), e.name);
    EXPECT_EQ(e.emitter->Source().GetNbLoops(), 10000);
    EXPECT_EQ(e.emitter->Source().GetVolume(), 1.0f);
    EXPECT_FALSE(e.emitter->GetPlaying());
  }

  // Played by an active manager, the wind is heard at the camera.
  TGLSMBASS manager;
  manager.SetListener(mud->Camera);
  manager.SetActive(true);
  ASSERT_TRUE(manager.GetActive());
  mud->WindEmitter->SetPlaying(true);
  ASSERT_EQ(manager.Sources().GetCount(), 1);
  EXPECT_EQ(manager.Sources().GetItems(0)->GetOrigin(), mud->Camera);
  manager.UpdateSources();
  std::vector<float> out(2 * 4410);
  ASSERT_TRUE(dynamic_cast<audio::OpenALDevice*>(manager.GetDevice())->RenderStereo(out.data(), 4410));
  EXPECT_GT(*std::max_element(out.begin(), out.end()), 0.01f);

  // The core takes its emitters along when it goes, and their sounds stop.
  mud.reset();
  EXPECT_EQ(world.stored.GetCamera()->GetBehaviours()->GetCount(), 0);
  EXPECT_EQ(manager.Sources().GetCount(), 0);
}

TEST(MudSounds, WithNoDeviceNoSoundIsReadAndTheEmittersStayNil) {
  DeviceScope device(Device::None);
  World world;
  CopySounds(world);
  TGLSoundLibrary library;
  std::unique_ptr<TMud> mud = world.Create({}, &library);
  EXPECT_TRUE(mud->GetBuilt());
  EXPECT_TRUE(Logged(world, "Sounds set"));
  EXPECT_EQ(library.Samples().GetCount(), 0);
  EXPECT_EQ(mud->WindEmitter, nullptr);
  EXPECT_EQ(mud->WingFlapEmitter, nullptr);
  EXPECT_EQ(mud->RainEmitter, nullptr);
}

TEST(MudSounds, ABadSoundFileIsLoggedAndSilentAndTheWorldIsBuilt) {
  DeviceScope device(Device::Loopback);
  World world;
  CopySounds(world);
  // The wind is cut inside its format chunk; the wing beats are missing.
  fs::resize_file(world.Folder() / "sounds/wind2.wav", 30);
  fs::remove(world.Folder() / "sounds/wingflap2.mp3");
  TGLSoundLibrary library;
  std::unique_ptr<TMud> mud = world.Create({}, &library);
  EXPECT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
  EXPECT_TRUE(Logged(world, "Sound sounds/wind2.wav: WAV data chunk missing"));
  const std::vector<std::string> log = world.LogMessages();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.rfind("Sound sounds/wingflap2.mp3: Cannot open file", 0) == 0;
  }));
  ASSERT_EQ(library.Samples().GetCount(), 3);
  EXPECT_EQ(library.Samples().GetByName("sounds/wind2.wav")->GetData(), nullptr);
  EXPECT_EQ(library.Samples().GetByName("sounds/wingflap2.mp3")->GetData(), nullptr);
  EXPECT_NE(library.Samples().GetByName("sounds/rain2.wav")->GetData(), nullptr);
  ASSERT_NE(mud->WindEmitter, nullptr);

  // The silent wind plays nothing and raises nothing.
  TGLSMBASS manager;
  manager.SetActive(true);
  mud->WindEmitter->SetPlaying(true);
  EXPECT_NO_THROW(manager.UpdateSources());
  EXPECT_NO_THROW(manager.UpdateSources());
}

// A reload destroys the core and builds a new one on the same library: the
// weather sounds are in it once each time, and what the library held of
// its own stays. A library that goes before the core is left alone.
TEST(MudSounds, AReloadPutsTheWeatherSoundsInOnceAndTheCoreTakesThemOut) {
  DeviceScope device(Device::Loopback);
  World world;
  CopySounds(world);
  auto library = std::make_unique<TGLSoundLibrary>();
  library->Samples().Add()->SetName("sounds/own.wav");
  auto names = [&] {
    std::vector<std::string> held;
    for (int i = 0; i < library->Samples().GetCount(); ++i) held.push_back(library->Samples().GetItems(i)->GetName());
    return held;
  };
  const std::vector<std::string> withWeather = {"sounds/own.wav", "sounds/wind2.wav", "sounds/wingflap2.mp3",
                                                "sounds/rain2.wav"};
  for (int reload = 0; reload < 3; ++reload) {
    SCOPED_TRACE(reload);
    std::unique_ptr<TMud> mud = world.Create({}, library.get());
    ASSERT_TRUE(mud->GetBuilt()) << mud->GetCreateError();
    EXPECT_EQ(names(), withWeather);
    mud.reset();
    EXPECT_EQ(names(), std::vector<std::string>{"sounds/own.wav"});
  }
  std::unique_ptr<TMud> mud = world.Create({}, library.get());
  library.reset();
  mud.reset();
}

}  // namespace
