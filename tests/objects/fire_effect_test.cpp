// The fire manager and its effects without a context: defaults, progress
// and redraw requests, binding and unbinding, the archive and the rebinding
// by name.
#include "objects/fire_effect.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/binary_filer.h"
#include "engine/streams.h"
#include "objects/dummy_cube.h"
#include "platform/base/assertion.h"
#include "tests/objects/drawable_test_support.h"

namespace {

// Always the middle of the unit interval: every spawn lands on the
// reference point's spot offset by the crown, with 3/4 of the life.
float Middle() { return 0.5f; }

TEST(TGLFireFXManager, StartsWithTheDocumentedValues) {
  TGLFireFXManager manager;
  EXPECT_EQ(manager.GetMaxParticles(), 256);
  EXPECT_EQ(manager.GetParticleLife(), 3);
  EXPECT_EQ(manager.GetParticleSize(), 1.0f);
  EXPECT_FALSE(manager.IsParticleSizeStored());
  EXPECT_EQ(manager.GetFireEvaporation(), 0.86f);
  EXPECT_EQ(manager.GetParticleInterval(), 0.1f);
  EXPECT_TRUE(manager.GetUseInterval());
  EXPECT_TRUE(manager.GetNoZWrite());
  EXPECT_TRUE(NearVector(manager.GetFireDir()->AsVector(), {0, 0.5f, 0, 0}));
  EXPECT_TRUE(NearVector(manager.GetInitialDir()->AsVector(), {0, 1, 0, 0}));
  EXPECT_TRUE(NearVector(manager.GetInnerColor()->GetColor(), {1, 1, 0, 1}));
  EXPECT_TRUE(NearVector(manager.GetOuterColor()->GetColor(), {1, 0.5f, 0, 1}));
  EXPECT_EQ(manager.GetParticleCount(), 0);
}

TEST(TGLFireFXManager, ProgressSpawnsAroundTheReferenceAndRedrawsEveryFire) {
  TGLFireFXManager manager;
  manager.SetRandomSource(Middle);
  manager.SetFireCrown(0.25f);
  TGLDummyCube reference;
  reference.GetPosition()->SetPoint(10, 0, 0);
  manager.SetReference(&reference);
  Counting<TGLDummyCube> fire;
  fire.GetEffects()->AddNew<TGLBFireFX>().SetManager(&manager);
  fire.ResetCounts();
  manager.DoProgress({0.25, 0.25});
  ASSERT_EQ(manager.GetParticleCount(), 1);
  EXPECT_TRUE(NearVector(manager.Pool().Particles()[0].Position, {10, 0, -0.25f, 1}));
  EXPECT_FLOAT_EQ(manager.Pool().Particles()[0].LifeLength, 2.25f);
  EXPECT_EQ(fire.notify, 1);
  // Paused, the pool stands still but the fire is still redrawn.
  manager.SetPaused(true);
  manager.DoProgress({0.25, 0.5});
  EXPECT_FLOAT_EQ(manager.Pool().Particles()[0].TimeToLive, 2.25f);
  EXPECT_EQ(fire.notify, 2);
  manager.SetPaused(false);
  manager.SetParticleInterval(0);
  manager.DoProgress({0.25, 0.75});
  EXPECT_FLOAT_EQ(manager.Pool().Particles()[0].TimeToLive, 2.25f);
  EXPECT_EQ(fire.notify, 3);
}

TEST(TGLFireFXManager, ColourSettingEmptiesThePoolAndCapacityKeepsWhatFits) {
  TGLFireFXManager manager;
  manager.SetRandomSource(Middle);
  manager.SetUseInterval(false);
  manager.SetMaxParticles(8);
  manager.DoProgress({0.1, 0.1});
  EXPECT_EQ(manager.GetParticleCount(), 8);
  manager.SetMaxParticles(3);
  EXPECT_EQ(manager.GetParticleCount(), 3);
  TGLColor blue(nullptr, clrBlue);
  manager.SetInnerColor(&blue);
  EXPECT_EQ(manager.GetParticleCount(), 0);
  EXPECT_TRUE(NearVector(manager.GetInnerColor()->GetColor(), clrBlue));
  manager.SetMaxParticles(-4);
  EXPECT_EQ(manager.GetMaxParticles(), 0);
  manager.DoProgress({0.1, 0.2});
  EXPECT_EQ(manager.GetParticleCount(), 0);
}

TEST(TGLFireFXManager, BindingsEndWithWhicheverSideGoesFirst) {
  TGLDummyCube object;
  auto manager = std::make_unique<TGLFireFXManager>();
  auto& effect = object.GetEffects()->AddNew<TGLBFireFX>();
  effect.SetManager(manager.get());
  effect.SetManager(manager.get());
  EXPECT_EQ(manager->Effects().size(), 1u);
  manager.reset();
  EXPECT_EQ(effect.GetManager(), nullptr);

  TGLFireFXManager other;
  {
    TGLDummyCube holder;
    holder.GetEffects()->AddNew<TGLBFireFX>().SetManager(&other);
    EXPECT_EQ(other.Effects().size(), 1u);
  }
  EXPECT_TRUE(other.Effects().empty());
}

TEST(TGLFireFXManager, ForgetsAReferenceOrCadencerThatIsDestroyed) {
  TGLFireFXManager manager;
  {
    TGLDummyCube reference;
    manager.SetReference(&reference);
    TGLCadencer cadencer;
    manager.SetCadencer(&cadencer);
    EXPECT_EQ(cadencer.Subscribers().size(), 1u);
  }
  EXPECT_EQ(manager.GetReference(), nullptr);
  EXPECT_EQ(manager.GetCadencer(), nullptr);
  manager.DoProgress({0.25, 0.25});
  EXPECT_EQ(manager.GetParticleCount(), 1);
}

TEST(TGLBFireFX, ArchiveHoldsVersionAndManagerNameAndLoadedBindsByName) {
  TGLFireFXManager manager;
  manager.SetName("FireManager2");
  TGLDummyCube object;
  auto& effect = object.GetEffects()->AddNew<TGLBFireFX>();
  effect.SetManager(&manager);
  EXPECT_EQ(effect.FriendlyName(), "FireFX");
  EXPECT_EQ(effect.FriendlyDescription(), "Fire FX");

  TMemoryStream stream;
  {
    TBinaryWriter writer(stream);
    effect.WriteToFiler(writer);
  }
  // Integer 0 (tag 2, one byte), then the name (tag 6, length, bytes).
  std::vector<std::uint8_t> golden{2, 0, 6, 12};
  for (char c : std::string("FireManager2")) golden.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(stream.Bytes(), golden);

  TGLDummyCube loaded;
  auto& copy = loaded.GetEffects()->AddNew<TGLBFireFX>();
  stream.SetPosition(0);
  TBinaryReader reader(stream);
  copy.ReadFromFiler(reader);
  EXPECT_EQ(copy.GetManager(), nullptr);
  EXPECT_EQ(copy.PendingManagerName(), "FireManager2");
  copy.Loaded();
  EXPECT_EQ(copy.GetManager(), &manager);
  EXPECT_TRUE(copy.PendingManagerName().empty());
}

TEST(TGLBFireFX, UnknownArchiveVersionOrMissingManagerIsHandled) {
  TMemoryStream stream;
  {
    TBinaryWriter writer(stream);
    writer.WriteInteger(1);
    writer.WriteString("Nobody");
  }
  TGLDummyCube object;
  auto& effect = object.GetEffects()->AddNew<TGLBFireFX>();
  stream.SetPosition(0);
  TBinaryReader reader(stream);
  EXPECT_THROW(effect.ReadFromFiler(reader), EAssertionFailed);

  TMemoryStream named;
  {
    TBinaryWriter writer(named);
    writer.WriteInteger(0);
    writer.WriteString("Nobody");
  }
  named.SetPosition(0);
  TBinaryReader namedReader(named);
  effect.ReadFromFiler(namedReader);
  effect.Loaded();
  EXPECT_EQ(effect.GetManager(), nullptr);
  EXPECT_TRUE(effect.PendingManagerName().empty());
}

}  // namespace
