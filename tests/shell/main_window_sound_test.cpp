// The main window's sound at start-up under Xvfb: the sound manager is on
// exactly when sound is available (a playback device opens and "No Sound"
// is not checked). A forced "no device" leaves it off while the client runs;
// OpenAL's loopback device stands in for a sound card.

#include "shell/application.h"
#include "shell/main_window.h"
#include "shell/options_window.h"
#include "shell/scene_viewer.h"

#include "client/mud.h"
#include "client/mud_state.h"
#include "engine/cadencer.h"
#include "engine/camera.h"
#include "platform/audio/openal_device.h"
#include "platform/ini/ini_file.h"
#include "shell/core/client_settings.h"
#include "sound/bass_sound_manager.h"
#include "sound/sound_emitter.h"
#include "sound/sound_library.h"
#include "tests/shell/gui_test_support.h"
#include "tests/shell/main_window_on_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>
#include <optional>
#include <utility>

namespace {

using gui_test::GuiApplication;
using gui_test::PinGLDriver;

enum class Device { None, Loopback };

// The window opens in each test, once its sound device and settings are set.
class MainWindowSound : public MainWindowOnScreen {
protected:
  void SetUp() override {
    if (!GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    PinGLDriver();
    saved_ = audio::PlaybackDeviceFactory();
  }
  void TearDown() override {
    MainWindowOnScreen::TearDown();
    audio::PlaybackDeviceFactory() = saved_;
  }

  void Start(Device device, bool noSound = false) {
    audio::PlaybackDeviceFactory() = [device]() -> std::unique_ptr<audio::AudioDevice> {
      if (device == Device::None) return nullptr;
      return std::make_unique<audio::OpenALDevice>(audio::OpenALDevice::Output::Loopback);
    };
    // "No Sound" comes from the settings file at the first activation.
    IniFile settings(SettingsFilePath());
    settings.WriteBool(SettingsSection, "nosound", noSound);
    settings.UpdateFile();
    Open();
  }

  // The view has drawn a frame and the frame loop and the timer go on.
  bool Runs() {
    TGLCadencer& cadencer = *main->GetView()->GetCadencer();
    const double time = cadencer.CurrentTime();
    return main->timer->isActive() && QTest::qWaitFor([&] { return viewer->FrameCount() > 0; }, 5000) &&
           QTest::qWaitFor([&] { return cadencer.CurrentTime() > time + 0.1; }, 5000);
  }

private:
  audio::DeviceFactory saved_;
};

TEST_F(MainWindowSound, WithNoDeviceSoundStaysOffAndTheClientRuns) {
  Start(Device::None);
  EXPECT_FALSE(main->SoundAvailable());
  EXPECT_FALSE(main->GetSoundManager()->GetActive());
  EXPECT_EQ(ActiveSoundManager(), nullptr);
  EXPECT_TRUE(Runs());
}

TEST_F(MainWindowSound, NoSoundKeepsTheManagerOffThoughADeviceExists) {
  Start(Device::Loopback, true);
  EXPECT_FALSE(main->SoundAvailable());
  EXPECT_FALSE(main->GetSoundManager()->GetActive());
  EXPECT_TRUE(Runs());
}

TEST_F(MainWindowSound, WithADeviceTheCadencerPlaysSoundsAtTheCamera) {
  Start(Device::Loopback);
  TGLSMBASS& manager = *main->GetSoundManager();
  ASSERT_TRUE(manager.GetActive());
  EXPECT_EQ(ActiveSoundManager(), &manager);
  EXPECT_EQ(manager.GetListener(), main->GetView()->GetCamera());
  EXPECT_EQ(manager.GetMaxChannels(), 32);
  EXPECT_EQ(manager.GetEnvironment(), seForest);

  // The sample world's wind, from the program folder, on the frame loop.
  TGLSoundSample* wind =
      main->GetSoundLibrary()->Samples().AddFile(std::string(CLIENT_PROGRAM_DIR) + "/sounds/wind2.wav");
  ASSERT_NE(wind->GetData(), nullptr);
  TGLSoundSource* source = manager.Sources().Add();
  source->SetSoundLibrary(main->GetSoundLibrary());
  source->SetSoundName(wind->GetName());
  source->SetNbLoops(10000);
  // Sounding where the listener stands, wherever the start-up put the camera.
  source->SetOrigin(main->GetView()->GetCamera());
  ASSERT_TRUE(QTest::qWaitFor([&] { return source->GetChanges() == 0; }, 5000)) << "no update from the cadencer";
  auto* device = dynamic_cast<audio::OpenALDevice*>(manager.GetDevice());
  ASSERT_NE(device, nullptr);
  std::vector<float> out(2 * 4410);
  ASSERT_TRUE(device->RenderStereo(out.data(), 4410));
  float peak = 0;
  for (float v : out) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 0.01f);
  EXPECT_TRUE(Runs());
}

TEST_F(MainWindowSound, TheTimerSetsTheWeatherSoundsFromTheState) {
  Start(Device::Loopback);
  TMud& core = *main->GetMud();
  ASSERT_NE(core.WindEmitter, nullptr);
  TMudstate& state = *core.CurrentState;
  main->WeatherRandom = [] { return 0.5; };
  struct Case {
    double wind, rain;
    int level;
    std::optional<float> windVolume, rainVolume;  // none: silent
    bool wings;
  } cases[] = {
      {5, 0, 9, 0.375f, std::nullopt, false},  // (0.5 x 0.5 + 0.5) x 5 / 10
      {5, 8, 1, std::nullopt, std::nullopt, false},  // indoors
      {2, 8, 10, 0.15f, 0.6f, true},  // in flight
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "wind " << c.wind << " rain " << c.rain << " level " << c.level);
    state.Wind = c.wind;
    state.Rain = c.rain;
    state.Level = c.level;
    main->timerTimer();
    for (auto [emitter, volume] : {std::pair{core.WindEmitter, c.windVolume}, std::pair{core.RainEmitter, c.rainVolume}}) {
      ASSERT_EQ(emitter->GetPlaying(), volume.has_value());
      if (volume) {
        EXPECT_FLOAT_EQ(emitter->PlayingSource()->GetVolume(), *volume);
      }
    }
    EXPECT_EQ(core.WingFlapEmitter->GetPlaying(), c.wings);
  }
}

}  // namespace
