// The sound manager, sources and emitters against a recording device: the
// calls that activation, play, update, mute, pause and the end of a sound
// make, in order and with their values, and the listener that follows the
// camera.

#include "sound/bass_sound_manager.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/behaviour.h"
#include "engine/cadencer.h"
#include "engine/camera.h"
#include "engine/scene.h"
#include "recording_device.h"
#include "sound/sound_emitter.h"
#include "sound/sound_library.h"
#include "wav_bytes.h"

using Calls = std::vector<std::string>;

namespace {

// 1000 bytes of samples: the file holds 1044 bytes.
constexpr std::size_t kWavSize = 1044;

void SetWav(TGLSoundSample& sample, std::size_t dataBytes = 1000) {
  TGLWAVFile wav;
  TMemoryStream stream(wav_bytes::Riff({{"fmt ", wav_bytes::Format(1, 1, 22050, 16)},
                                        {"data", wav_bytes::Bytes(dataBytes, 0)}})
                           .bytes);
  wav.LoadFromStream(stream);
  sample.SetData(&wav);
}

// A scene with a camera (the listener) and an object at (3, 0, 0), a
// library with "wind.wav", and a manager on a recording device.
struct Rig {
  TGL3DScene scene;
  TGLCamera* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  TGLBaseSceneObject* object = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  TGLSoundLibrary library;
  std::unique_ptr<TGLSMBASS> manager = std::make_unique<TGLSMBASS>();
  RecordingDevice* device = nullptr;

  Rig() {
    library.SetName("GLSoundLibrary");
    TGLSoundSample* sample = library.Samples().Add();
    sample->SetName("wind.wav");
    SetWav(*sample);
    object->GetPosition()->SetPoint(3, 0, 0);
    auto recording = std::make_unique<RecordingDevice>();
    device = recording.get();
    manager->SetDevice(std::move(recording));
    manager->SetListener(camera);
  }

  TGLSoundSource* AddSource(float volume = 0.5f, int loops = 1) {
    TGLSoundSource* source = manager->Sources().Add();
    source->SetSoundLibrary(&library);
    source->SetSoundName("wind.wav");
    source->SetVolume(volume);
    source->SetNbLoops(loops);
    source->SetOrigin(object);
    return source;
  }
};

// A new camera stands at the origin looking down -Z.
const std::string kListenerAtOrigin = "Set3DPosition((0 0 0), (0 0 0), (0 0 -1), (0 1 0))";

TEST(SoundManager, ActivationOpensStartsAndSetsUpTheDevice) {
  Rig rig;
  rig.manager->SetEnvironment(seForest);
  rig.manager->SetMasterVolume(0.5f);
  EXPECT_TRUE(rig.device->Take().empty()) << "nothing reaches a device that is not running";
  rig.manager->SetActive(true);
  EXPECT_TRUE(rig.manager->GetActive());
  EXPECT_EQ(ActiveSoundManager(), rig.manager.get());
  // Master volume 0.5 is 50 of 100; seForest is the 16th environment.
  EXPECT_EQ(rig.device->Take(), (Calls{"Init(44100)", "Start()", "Set3DAlgorithm(0)", "SetVolume(50)",
                                       "Set3DFactors(1, 1, 1)", "SetEnvironment(15)"}));
  rig.manager->SetActive(false);
  EXPECT_EQ(rig.device->Take(), (Calls{"Stop()", "Free()"}));
  EXPECT_EQ(ActiveSoundManager(), nullptr);
}

TEST(SoundManager, ADeviceThatDoesNotStartIsClosedAndCanBeActivatedLater) {
  Rig rig;
  rig.device->failStart = true;
  rig.manager->SetActive(true);
  EXPECT_FALSE(rig.manager->GetActive());
  EXPECT_EQ(ActiveSoundManager(), nullptr);
  EXPECT_EQ(rig.device->Take(), (Calls{"Init(44100)", "Start()", "Free()"}));
  rig.device->failStart = false;
  rig.manager->SetActive(true);
  EXPECT_TRUE(rig.manager->GetActive());
  rig.manager->SetActive(false);
}

TEST(SoundManager, NoDeviceLeavesTheManagerOff) {
  audio::DeviceFactory saved = audio::PlaybackDeviceFactory();
  audio::PlaybackDeviceFactory() = [] { return std::unique_ptr<audio::AudioDevice>(); };
  EXPECT_FALSE(audio::PlaybackDeviceAvailable());
  TGLSMBASS manager;
  manager.SetActive(true);
  EXPECT_FALSE(manager.GetActive());
  EXPECT_EQ(ActiveSoundManager(), nullptr);
  audio::PlaybackDeviceFactory() = saved;
}

// A device that counts how often the hardware is asked to open: by Probe
// or by Init, unless the device is open already.
class OpeningDevice : public RecordingDevice {
public:
  OpeningDevice(bool hardware, int& opens) : hardware_(hardware), opens_(opens) {}
  bool Probe() override { return Open(); }
  bool Init(int) override { return Open(); }
  bool Free() override { return !(open_ = false); }

private:
  bool Open() {
    if (!open_) {
      ++opens_;
      open_ = hardware_;
    }
    return open_;
  }
  bool hardware_;
  int& opens_;
  bool open_ = false;
};

TEST(SoundManager, StartUpOpensThePlaybackDeviceOnceWithOrWithoutSound) {
  for (bool hardware : {true, false}) {
    SCOPED_TRACE(hardware ? "a machine with sound" : "a machine without");
    const audio::DeviceFactory saved = audio::PlaybackDeviceFactory();
    int opens = 0;
    audio::PlaybackDeviceFactory() = [&] { return std::make_unique<OpeningDevice>(hardware, opens); };
    TGLSMBASS manager;
    // The main window activates the manager when there is sound; the client
    // core then asks again before it loads the sounds.
    manager.SetActive(audio::PlaybackDeviceAvailable());
    EXPECT_EQ(audio::PlaybackDeviceAvailable(), hardware);
    EXPECT_EQ(manager.GetActive(), hardware);
    EXPECT_EQ(opens, 1);
    manager.SetActive(false);
    audio::PlaybackDeviceFactory() = saved;
  }
}

TEST(SoundManager, ASecondManagerTurnsTheFirstOffAndFreesItsSources) {
  Rig first;
  first.manager->SetActive(true);
  first.AddSource();
  first.manager->UpdateSources();
  first.device->Take();
  TGLSMBASS second;
  second.SetDevice(std::make_unique<RecordingDevice>());
  second.SetActive(true);
  EXPECT_FALSE(first.manager->GetActive());
  EXPECT_EQ(first.manager->Sources().GetCount(), 0);
  EXPECT_EQ(first.device->Take(), (Calls{"ChannelStop(201)", "SampleFree(101)", "Stop()", "Free()"}));
  EXPECT_EQ(ActiveSoundManager(), &second);
}

TEST(SoundManager, PlayUpdateMutePauseAndTheEndOfASound) {
  Rig rig;
  rig.manager->SetActive(true);
  rig.device->Take();
  TGLSoundSource* source = rig.AddSource(0.5f);

  // First update: loaded (3D, the farthest playback gives way, no loop),
  // played at the object facing its Z axis, distances and cones, volume.
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take(),
            (Calls{kListenerAtOrigin, "SampleLoad(" + std::to_string(kWavSize) + ", 32, 0x30048)",
                   "SamplePlay3D(101, (3 0 0), (0 0 1), (0 0 0))", "ChannelSet3DAttributes(201, 0, 1, 100, 360, 360, 0)",
                   "ChannelSetAttributes(201, -1, 50, -101)", "Apply3D()"}));
  EXPECT_EQ(source->GetChanges(), 0);

  // Later updates move the channel with the object.
  rig.object->GetPosition()->SetPoint(4, 1, 0);
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take(),
            (Calls{kListenerAtOrigin, "ChannelIsActive(201)", "ChannelSet3DPosition(201, (4 1 0), (0 0 1), (0 0 0))",
                   "ChannelSetAttributes(201, -1, 50, -101)", "Apply3D()"}));

  // A muted source goes silent at once and stays silent at the next update.
  source->SetMute(true);
  EXPECT_EQ(rig.device->Take(), (Calls{"ChannelSetAttributes(201, -1, 0, -101)"}));
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take()[3], "ChannelSetAttributes(201, -1, 0, -101)");
  source->SetMute(false);
  EXPECT_EQ(rig.device->Take(), (Calls{"ChannelSetAttributes(201, -1, 50, -101)"}));

  // The manager's mute reaches every source and holds through updates.
  rig.manager->SetMute(true);
  EXPECT_EQ(rig.device->Take(), (Calls{"ChannelSetAttributes(201, -1, 0, -101)"}));
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take()[3], "ChannelSetAttributes(201, -1, 0, -101)");
  rig.manager->SetMute(false);
  EXPECT_EQ(rig.device->Take(), (Calls{"ChannelSetAttributes(201, -1, 50, -101)"}));

  source->SetPause(true);
  source->SetPause(false);
  rig.manager->SetPause(true);
  rig.manager->SetPause(false);
  EXPECT_EQ(rig.device->Take(),
            (Calls{"ChannelPause(201)", "ChannelResume(201)", "ChannelPause(201)", "ChannelResume(201)"}));

  // The sound did not loop and has ended: its channel goes back to the
  // device and the source frees itself.
  rig.device->EndChannel(201);
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take(), (Calls{kListenerAtOrigin, "ChannelIsActive(201)", "ChannelStop(201)", "Apply3D()"}));
  EXPECT_EQ(rig.manager->Sources().GetCount(), 0);
  rig.manager->SetActive(false);
}

// How many of the calls begin with `name`.
int CallsOf(const Calls& calls, const std::string& name) {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(name, 0) == 0; }));
}

TEST(SoundManager, EachSoundIsLoadedOnceWhileItsBytesStay) {
  Rig rig;
  rig.manager->SetActive(true);
  rig.device->Take();
  auto& emitter = rig.object->GetBehaviours()->AddNew<TGLBSoundEmitter>();
  emitter.Source().SetSoundLibrary(&rig.library);
  emitter.Source().SetSoundName("wind.wav");
  // Started and stopped again and again, as the wing beats are, and played
  // by a second source beside it: one sample, a channel each time.
  Calls calls;
  for (int start = 0; start < 3; ++start) {
    emitter.SetPlaying(true);
    rig.manager->UpdateSources();
    emitter.SetPlaying(false);
  }
  emitter.SetPlaying(true);
  rig.AddSource();
  rig.manager->UpdateSources();
  calls = rig.device->Take();
  EXPECT_EQ(CallsOf(calls, "SampleLoad("), 1);
  EXPECT_EQ(CallsOf(calls, "SamplePlay3D(101, "), 5);
  EXPECT_EQ(CallsOf(calls, "SampleFree("), 0);

  // The device loops a sample as a whole: a looping source has one of its own.
  rig.AddSource(0.5f, 10000);
  rig.manager->UpdateSources();
  calls = rig.device->Take();
  EXPECT_EQ(calls, (Calls{kListenerAtOrigin, "SampleLoad(" + std::to_string(kWavSize) + ", 32, 0x3004C)",
                          "SamplePlay3D(102, (3 0 0), (0 0 1), (0 0 0))",
                          "ChannelSet3DAttributes(206, 0, 1, 100, 360, 360, 0)",
                          "ChannelSetAttributes(206, -1, 50, -101)", "ChannelIsActive(204)",
                          "ChannelSet3DPosition(204, (3 0 0), (0 0 1), (0 0 0))", "ChannelSetAttributes(204, -1, 50, -101)",
                          "ChannelIsActive(205)", "ChannelSet3DPosition(205, (3 0 0), (0 0 1), (0 0 0))",
                          "ChannelSetAttributes(205, -1, 100, -101)", "Apply3D()"}));

  // New bytes: the samples of the old ones go after the channels playing
  // them (the emitter's first, 205), and the three sources start again from
  // the new ones, loaded once for each way of playing.
  SetWav(*rig.library.Samples().GetItems(0), 10);
  EXPECT_EQ(rig.device->Take(),
            (Calls{"ChannelStop(205)", "ChannelStop(204)", "SampleFree(101)", "ChannelStop(206)", "SampleFree(102)"}));
  rig.manager->UpdateSources();
  calls = rig.device->Take();
  EXPECT_EQ(CallsOf(calls, "SampleLoad(54, 32, 0x30048)"), 1);
  EXPECT_EQ(CallsOf(calls, "SampleLoad(54, 32, 0x3004C)"), 1);
  EXPECT_EQ(CallsOf(calls, "SamplePlay3D("), 3);
  EXPECT_EQ(rig.manager->Sources().GetCount(), 3);

  // What is loaded goes with the device.
  rig.manager->SetActive(false);
  calls = rig.device->Take();
  EXPECT_EQ(CallsOf(calls, "SampleFree("), 2);
  EXPECT_EQ(calls.back(), "Free()");
}

TEST(SoundManager, ManagerMuteSkipsSelfMutedSourcesAndNewSourcesStartSilent) {
  Rig rig;
  rig.manager->SetActive(true);
  TGLSoundSource* quiet = rig.AddSource(0.5f);
  quiet->SetMute(true);
  rig.manager->UpdateSources();
  rig.device->Take();
  rig.manager->SetMute(true);
  EXPECT_TRUE(rig.device->Take().empty());
  rig.manager->SetMute(false);
  EXPECT_TRUE(rig.device->Take().empty());

  rig.manager->SetMute(true);
  rig.AddSource(1.0f);
  rig.manager->UpdateSources();
  const Calls calls = rig.device->Take();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "ChannelSetAttributes(202, -1, 0, -101)"), calls.end());
  rig.manager->SetActive(false);
}

TEST(SoundManager, LoopingSourceAndItsOwnFrequency) {
  Rig rig;
  rig.manager->SetActive(true);
  rig.device->Take();
  TGLSoundSource* source = rig.AddSource(1.0f, 10000);
  source->SetFrequency(0);
  source->SetOrigin(nullptr);
  rig.manager->UpdateSources();
  // Looping adds the loop flag; a frequency that is not positive becomes -1
  // (the sample's own); without an origin the sound plays at the origin.
  EXPECT_EQ(rig.device->Take(),
            (Calls{kListenerAtOrigin, "SampleLoad(" + std::to_string(kWavSize) + ", 32, 0x3004C)",
                   "SamplePlay3D(101, (0 0 0), (0 0 1), (0 0 0))", "ChannelSet3DAttributes(201, 0, 1, 100, 360, 360, 0)",
                   "ChannelSetAttributes(201, -1, 100, -101)", "Apply3D()"}));
  EXPECT_EQ(source->GetFrequency(), -1);
  rig.manager->SetActive(false);
}

TEST(SoundManager, DataTheDeviceRefusesRaisesOnceThenStaysSilent) {
  Rig rig;
  rig.manager->SetActive(true);
  rig.device->failLoad = true;
  rig.AddSource();
  try {
    rig.manager->UpdateSources();
    ADD_FAILURE() << "no error";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(e.Message().find("BASS Error 41"), std::string::npos) << e.Message();
  }
  rig.device->Take();
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take(), (Calls{kListenerAtOrigin, "Apply3D()"}));
  // New data is tried again.
  rig.device->failLoad = false;
  SetWav(*rig.library.Samples().GetItems(0), 10);
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take()[1], "SampleLoad(54, 32, 0x30048)");
  rig.manager->SetActive(false);
}

TEST(SoundManager, UpdatesFollowTheCadenceAndTheListenerFollowsTheCamera) {
  Rig rig;
  rig.manager->SetActive(true);
  rig.device->Take();
  rig.camera->GetPosition()->SetPoint(1, 2, 3);
  rig.camera->GetDirection()->SetVector(0, 0, -1);
  rig.manager->DoProgress({0.0, 10.0});
  Calls calls = rig.device->Take();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front().rfind("Set3DPosition((1 2 3), ", 0), 0u) << calls.front();
  EXPECT_NE(calls.front().find("(0 0 -1), (0 1 0))"), std::string::npos) << calls.front();

  // Ten updates a second: 0.05 s later nothing happens; 0.25 s later the
  // camera has moved 0.5 along x (2 units a second) and turned to +x.
  rig.camera->GetPosition()->SetPoint(1.5f, 2, 3);
  rig.camera->GetDirection()->SetVector(1, 0, 0);
  rig.manager->DoProgress({0.05, 10.05});
  EXPECT_TRUE(rig.device->Take().empty());
  rig.manager->DoProgress({0.2, 10.25});
  EXPECT_EQ(rig.device->Take(), (Calls{"Set3DPosition((1.5 2 3), (2 0 0), (1 0 0), (0 1 0))", "Apply3D()"}));

  // A camera with a target listens toward it.
  TGLBaseSceneObject* target = rig.scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  target->GetPosition()->SetPoint(1.5f, 2, -7);
  rig.camera->SetTargetObject(target);
  rig.manager->DoProgress({0.2, 10.45});
  EXPECT_EQ(rig.device->Take(), (Calls{"Set3DPosition((1.5 2 3), (0 0 0), (0 0 -1), (0 1 0))", "Apply3D()"}));
  rig.manager->SetActive(false);
}

TEST(SoundManager, PropertiesKeepTheirRangesAndLinksAreDropped) {
  auto rig = std::make_unique<Rig>();
  TGLSMBASS& m = *rig->manager;
  EXPECT_EQ(m.GetMaxChannels(), 32);
  m.SetMaxChannels(0);
  EXPECT_EQ(m.GetMaxChannels(), 1);
  m.SetOutputFrequency(8000);
  EXPECT_EQ(m.GetOutputFrequency(), 11025);
  m.SetUpdateFrequency(100);
  EXPECT_EQ(m.GetUpdateFrequency(), 60);
  m.SetUpdateFrequency(0);
  EXPECT_EQ(m.GetUpdateFrequency(), 1);
  EXPECT_FALSE(m.IsDopplerFactorStored());
  m.SetDopplerFactor(2);
  EXPECT_TRUE(m.IsDopplerFactorStored());
  m.SetMasterVolume(1.5f);
  EXPECT_EQ(m.GetMasterVolume(), 1.0f);
  TGLCadencer cadencer;
  m.SetCadencer(&cadencer);
  EXPECT_EQ(cadencer.Subscribers().size(), 1u);
  delete rig->camera;  // the listener goes
  EXPECT_EQ(m.GetListener(), nullptr);
  rig->manager.reset();
  EXPECT_TRUE(cadencer.Subscribers().empty());
}

TEST(SoundSource, SettersStoreChangedValuesAndFlagTheChange) {
  TGLSoundSource s;
  s.SetChanges(0);
  s.SetVolume(1.5f);
  EXPECT_EQ(s.GetVolume(), 1.0f);
  EXPECT_EQ(s.GetChanges(), 0) << "1.0 was the volume already";
  s.SetVolume(-0.2f);
  EXPECT_EQ(s.GetVolume(), 0.0f);
  EXPECT_EQ(s.GetChanges(), sscAttributes);
  s.SetChanges(0);
  s.SetSoundName("rain2.wav");
  EXPECT_EQ(s.GetChanges(), sscSample);
  TGLSoundLibrary library;
  library.SetName("GLSoundLibrary");
  s.SetSoundLibrary(&library);
  EXPECT_EQ(s.GetSoundLibraryName(), "GLSoundLibrary");
  TGLSoundSource copy;
  copy.SetChanges(0);
  copy.Assign(&s);
  EXPECT_EQ(copy.GetChanges(), sscAll);
  EXPECT_EQ(copy.GetSoundName(), "rain2.wav");
  EXPECT_EQ(copy.GetSoundLibrary(), &library);
}

TEST(SoundSource, StoredFormHoldsTheSettingsInOrder) {
  TGLSoundSource s;
  s.SetPriority(3);
  s.SetVolume(0.25f);
  s.SetMinDistance(2);
  s.SetMaxDistance(50);
  s.SetInsideConeAngle(90);
  s.SetOutsideConeAngle(180);
  s.SetConeOutsideVolume(0.5f);
  s.SetSoundName("sounds/rain2.wav");
  s.SetMute(true);
  s.SetNbLoops(10000);
  TMemoryStream stream;
  {
    TBinaryWriter writer(stream);
    s.WriteToFiler(writer);
  }
  stream.SetPosition(0);
  TBinaryReader reader(stream);
  EXPECT_EQ(reader.ReadInteger(), 0);
  EXPECT_EQ(reader.ReadInteger(), 3);
  for (double expected : {0.25, 2.0, 50.0, 90.0, 180.0, 0.5}) EXPECT_EQ(reader.ReadFloat(), expected);
  EXPECT_EQ(reader.ReadString(), "");
  EXPECT_EQ(reader.ReadString(), "sounds/rain2.wav");
  EXPECT_TRUE(reader.ReadBoolean());
  EXPECT_FALSE(reader.ReadBoolean());
  EXPECT_EQ(reader.ReadInteger(), 10000);
  EXPECT_EQ(stream.Remaining(), 0);

  stream.SetPosition(0);
  TGLSoundSource back;
  TBinaryReader again(stream);
  back.ReadFromFiler(again);
  EXPECT_EQ(back.GetVolume(), 0.25f);
  EXPECT_EQ(back.GetNbLoops(), 10000);
  EXPECT_TRUE(back.GetMute());

  TMemoryStream wrong;
  TBinaryWriter(wrong).WriteInteger(1);
  wrong.SetPosition(0);
  TBinaryReader wrongReader(wrong);
  EXPECT_THROW(back.ReadFromFiler(wrongReader), EFilerException);
}

TEST(SoundEmitter, PlayingAddsOneSourceAtTheObjectAndForwardsTheTemplate) {
  Rig rig;
  rig.manager->SetActive(true);
  auto& emitter = rig.object->GetBehaviours()->AddNew<TGLBSoundEmitter>();
  EXPECT_EQ(emitter.FriendlyName(), "Sound Emitter");
  emitter.Source().SetSoundLibrary(&rig.library);
  emitter.Source().SetSoundName("wind.wav");
  emitter.Source().SetNbLoops(10000);
  emitter.Source().SetVolume(0.5f);
  emitter.SetPlaying(true);
  emitter.SetPlaying(true);
  ASSERT_EQ(rig.manager->Sources().GetCount(), 1);
  TGLSoundSource* playing = rig.manager->Sources().GetItems(0);
  EXPECT_EQ(emitter.PlayingSource(), playing);
  EXPECT_EQ(playing->GetOrigin(), rig.object);
  EXPECT_EQ(playing->GetVolume(), 0.5f);
  rig.manager->UpdateSources();
  rig.device->Take();

  // The wind's strength changes while it blows.
  emitter.Source().SetVolume(0.75f);
  EXPECT_EQ(playing->GetVolume(), 0.75f);
  rig.manager->UpdateSources();
  EXPECT_EQ(rig.device->Take()[3], "ChannelSetAttributes(201, -1, 75, -101)");

  emitter.SetPlaying(false);
  EXPECT_FALSE(emitter.GetPlaying());
  EXPECT_EQ(rig.manager->Sources().GetCount(), 0);
  EXPECT_EQ(rig.device->Take(), (Calls{"ChannelStop(201)"}));

  // Freed with its object, the emitter takes its playing source along.
  emitter.SetPlaying(true);
  delete rig.object;
  EXPECT_EQ(rig.manager->Sources().GetCount(), 0);
  rig.manager->SetActive(false);
}

TEST(SoundEmitter, WithoutAnActiveManagerItSaysSoAndChangesNothing) {
  std::vector<std::string> messages;
  auto saved = SoundMessageHandler();
  SoundMessageHandler() = [&](const std::string& m) { messages.push_back(m); };
  Rig rig;
  auto& emitter = rig.object->GetBehaviours()->AddNew<TGLBSoundEmitter>();
  emitter.SetPlaying(true);
  EXPECT_FALSE(emitter.GetPlaying());
  EXPECT_EQ(messages, (Calls{"No Active Sound Manager.\r\nMake sure manager is created before emitter"}));
  VerboseSoundErrors() = false;
  emitter.SetPlaying(true);
  EXPECT_EQ(messages.size(), 1u);
  VerboseSoundErrors() = true;
  SoundMessageHandler() = saved;
}

TEST(SoundEmitter, StoredFormPlaysAgainWhenLoaded) {
  Rig rig;
  rig.manager->SetActive(true);
  auto& emitter = rig.object->GetBehaviours()->AddNew<TGLBSoundEmitter>();
  emitter.Source().SetSoundLibrary(&rig.library);
  emitter.Source().SetSoundName("wind.wav");
  emitter.SetPlaying(true);
  const std::optional<std::string> data = rig.object->WriteBehavioursData();
  ASSERT_TRUE(data);
  emitter.SetPlaying(false);

  TGLBaseSceneObject* other = rig.scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  other->ReadBehavioursData(*data);
  auto* loaded = dynamic_cast<TGLBSoundEmitter*>(other->GetBehaviours()->GetItems(0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Source().GetSoundName(), "wind.wav");
  EXPECT_TRUE(loaded->GetPlaying());
  ASSERT_EQ(rig.manager->Sources().GetCount(), 1);
  EXPECT_EQ(rig.manager->Sources().GetItems(0)->GetOrigin(), other);
  rig.manager->SetActive(false);
}

}  // namespace
