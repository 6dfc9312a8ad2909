// The sound manager on OpenAL Soft's loopback device, which mixes only when
// asked: what the listener would hear, rendered offline without hardware.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/camera.h"
#include "engine/scene.h"
#include "platform/audio/openal_device.h"
#include "sound/bass_sound_manager.h"
#include "sound/sound_emitter.h"
#include "sound/sound_library.h"
#include "wav_bytes.h"

namespace {

constexpr int kRate = 44100;

struct Stereo {
  double left = 0, right = 0;  // root mean square per channel
  float peak = 0;
};

// A camera at the origin looking down -Z (the listener), a library with a
// looping 440 Hz tone and a 0.1 s click, and the manager on a loopback device.
struct LoopbackRig {
  TGL3DScene scene;
  TGLCamera* camera = scene.GetCameras()->AddNewChild<TGLCamera>();
  TGLSoundLibrary library;
  TGLSMBASS manager;
  audio::OpenALDevice* device = nullptr;

  LoopbackRig() {
    library.SetName("GLSoundLibrary");
    Add("tone.wav", wav_bytes::Sine(kRate, 440.0, 1.0, 0.5));
    Add("short.wav", wav_bytes::Sine(kRate, 440.0, 0.1, 0.5));
    auto loopback = std::make_unique<audio::OpenALDevice>(audio::OpenALDevice::Output::Loopback);
    device = loopback.get();
    manager.SetDevice(std::move(loopback));
    manager.SetListener(camera);
    manager.SetActive(true);
  }

  void Add(const char* name, const std::vector<std::int16_t>& samples) {
    TGLSoundSample* sample = library.Samples().Add();
    sample->SetName(name);
    TGLWAVFile wav;
    TMemoryStream stream(wav_bytes::Pcm16(kRate, 1, samples));
    wav.LoadFromStream(stream);
    sample->SetData(&wav);
  }

  TGLSoundSource* Source(const char* name, float volume, int loops = 10000) {
    TGLSoundSource* source = manager.Sources().Add();
    source->SetSoundLibrary(&library);
    source->SetSoundName(name);
    source->SetVolume(volume);
    source->SetNbLoops(loops);
    return source;
  }

  // One update, then `seconds` of output; the first `settle` seconds are
  // mixed but not measured (gain changes glide in).
  Stereo Render(double seconds, double settle = 0.05) {
    manager.UpdateSources();
    const int skip = static_cast<int>(settle * kRate), frames = static_cast<int>(seconds * kRate);
    std::vector<float> out(2 * static_cast<std::size_t>(skip + frames));
    EXPECT_TRUE(device->RenderStereo(out.data(), skip + frames));
    Stereo s;
    for (int i = skip; i < skip + frames; ++i) {
      const float l = out[2 * static_cast<std::size_t>(i)], r = out[2 * static_cast<std::size_t>(i) + 1];
      s.left += static_cast<double>(l) * l;
      s.right += static_cast<double>(r) * r;
      s.peak = std::max({s.peak, std::abs(l), std::abs(r)});
    }
    s.left = std::sqrt(s.left / frames);
    s.right = std::sqrt(s.right / frames);
    return s;
  }
};

TEST(OpenALLoopback, HalfVolumeIsHalfTheAmplitude) {
  LoopbackRig rig;
  ASSERT_TRUE(rig.manager.GetActive());
  TGLSoundSource* source = rig.Source("tone.wav", 1.0f);
  const Stereo full = rig.Render(0.2);
  ASSERT_GT(full.left, 0.01);
  source->SetVolume(0.5f);
  const Stereo half = rig.Render(0.2);
  EXPECT_NEAR(half.left / full.left, 0.5, 0.03);
  EXPECT_NEAR(half.right / full.right, 0.5, 0.03);
}

TEST(OpenALLoopback, MutedSourcesStaySilentThroughUpdates) {
  LoopbackRig rig;
  TGLSoundSource* source = rig.Source("tone.wav", 1.0f);
  ASSERT_GT(rig.Render(0.05).peak, 0.01f);
  source->SetMute(true);
  for (int update = 0; update < 5; ++update) EXPECT_LT(rig.Render(0.05).peak, 1e-4f) << "update " << update;
  source->SetMute(false);
  EXPECT_GT(rig.Render(0.05).peak, 0.01f);
  rig.manager.SetMute(true);
  for (int update = 0; update < 3; ++update) EXPECT_LT(rig.Render(0.05).peak, 1e-4f) << "update " << update;
}

TEST(OpenALLoopback, ASourceToTheRightIsLouderOnTheRight) {
  struct Case {
    float x;
    bool rightLouder;
  } cases[] = {{5.0f, true}, {-5.0f, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    LoopbackRig rig;
    TGLBaseSceneObject* object = rig.scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
    object->GetPosition()->SetPoint(c.x, 0, 0);
    rig.Source("tone.wav", 1.0f)->SetOrigin(object);
    const Stereo s = rig.Render(0.2);
    const double louder = c.rightLouder ? s.right : s.left, quieter = c.rightLouder ? s.left : s.right;
    EXPECT_GT(louder, 2.0 * quieter) << "left " << s.left << " right " << s.right;
  }
}

TEST(OpenALLoopback, ASoundThatEndedFreesItsSourceAndStopsPlaying) {
  LoopbackRig rig;
  TGLBaseSceneObject* object = rig.scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  auto& emitter = object->GetBehaviours()->AddNew<TGLBSoundEmitter>();
  emitter.Source().SetSoundLibrary(&rig.library);
  emitter.Source().SetSoundName("short.wav");
  emitter.SetPlaying(true);
  EXPECT_GT(rig.Render(0.3, 0).peak, 0.01f);
  EXPECT_TRUE(emitter.GetPlaying());
  rig.manager.UpdateSources();
  EXPECT_FALSE(emitter.GetPlaying());
  EXPECT_EQ(rig.manager.Sources().GetCount(), 0);
}

TEST(OpenALLoopback, EndedOneShotSoundsGiveTheirChannelsBack) {
  LoopbackRig rig;
  // Ten short sounds at a time, left to end, forty times over: more plays
  // than OpenAL has sources.
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    for (int i = 0; i < 10; ++i) rig.Source("short.wav", 1.0f, 1);
    ASSERT_NO_THROW(rig.Render(0.15, 0));
    ASSERT_NO_THROW(rig.manager.UpdateSources());
    ASSERT_EQ(rig.manager.Sources().GetCount(), 0);
    ASSERT_EQ(rig.device->ChannelCount(), 0u);
  }
}

TEST(OpenALLoopback, EndedSoundsDoNotCrowdOutOneStillPlaying) {
  LoopbackRig rig;
  TGLBaseSceneObject* near = rig.scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  near->GetPosition()->SetPoint(0, 0, -1);
  TGLBaseSceneObject* far = rig.scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  far->GetPosition()->SetPoint(0, 0, -50);
  // As many ended plays of the click as the sample may have at once.
  for (int i = 0; i < rig.manager.GetMaxChannels(); ++i) rig.Source("short.wav", 1.0f, 1)->SetOrigin(near);
  rig.Render(0.15, 0);
  rig.manager.UpdateSources();
  ASSERT_EQ(rig.manager.Sources().GetCount(), 0);
  // One far away, then one near: the far one plays on.
  rig.Source("short.wav", 1.0f, 1)->SetOrigin(far);
  rig.manager.UpdateSources();
  rig.Source("short.wav", 1.0f, 1)->SetOrigin(near);
  rig.manager.UpdateSources();
  rig.manager.UpdateSources();
  ASSERT_EQ(rig.manager.Sources().GetCount(), 2);
  EXPECT_EQ(rig.manager.Sources().GetItems(0)->GetOrigin(), far);
}

TEST(OpenALLoopback, TheForestEnvironmentLeavesAReverbTail) {
  struct Case {
    TGLSoundEnvironment environment;
    bool tail;
  } cases[] = {{seDefault, false}, {seForest, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment);
    LoopbackRig rig;
    rig.manager.SetEnvironment(c.environment);
    rig.Source("short.wav", 1.0f, 1);
    rig.Render(0.1, 0);
    // The 0.1 s sound is over; only the room's echo remains.
    const Stereo after = rig.Render(0.2, 0.02);
    if (c.tail)
      EXPECT_GT(after.peak, 1e-3f);
    else
      EXPECT_LT(after.peak, 1e-4f);
  }
}

}  // namespace
