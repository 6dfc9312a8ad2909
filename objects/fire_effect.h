#pragma once
// Flames as a particle system: a manager owns one particle pool and
// advances it on every tick of its cadencer; any number of fire effects
// (post-render effects of scene objects) draw that pool at their objects.

#include <memory>
#include <string>
#include <vector>

#include "engine/cadencer.h"
#include "engine/effects.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/scene_node.h"
#include "objects/fire_particles.h"

class TGLBFireFX;

class TGLFireFXManager : public TGLCadenceAbleComponent {
  CLIENT_DECLARE_CLASS(TGLFireFXManager)
public:
  explicit TGLFireFXManager(TComponent* owner = nullptr);
  ~TGLFireFXManager() override;

  // No particle, nothing owed; the pool keeps its capacity.
  void ResetParticles();
  void RegisterEffect(TGLBFireFX* effect);
  void UnregisterEffect(TGLBFireFX* effect);
  const std::vector<TGLBFireFX*>& Effects() const { return FEffects; }

  // Unless paused, and while the interval is above 0, one simulation step
  // of (|FireBurst| + 1) x deltaTime; then every effect's object is told
  // to redraw.
  void DoProgress(const TProgressTimes& progressTimes) override;

  TGLCoordinates* GetFireDir() const { return FFireDir.get(); }
  void SetFireDir(const TGLCoordinates* value) { FFireDir->Assign(value); }
  TGLCoordinates* GetInitialDir() const { return FInitialDir.get(); }
  void SetInitialDir(const TGLCoordinates* value) { FInitialDir->Assign(value); }
  TGLCadencer* GetCadencer() const { return FCadencer; }
  void SetCadencer(TGLCadencer* value);
  int GetMaxParticles() const { return FPool.MaxParticles(); }
  // Below 1 is 0; the records that fit are kept.
  void SetMaxParticles(int value);
  int GetParticleLife() const { return FSettings.ParticleLife; }
  void SetParticleLife(int value) { FSettings.ParticleLife = value; }
  float GetParticleSize() const { return FParticleSize; }
  void SetParticleSize(float value) { FParticleSize = value; }
  bool IsParticleSizeStored() const { return FParticleSize != 1.0f; }
  float GetFireDensity() const { return FSettings.FireDensity; }
  void SetFireDensity(float value) { FSettings.FireDensity = value; }
  float GetFireEvaporation() const { return FFireEvaporation; }
  void SetFireEvaporation(float value) { FFireEvaporation = value; }
  float GetFireCrown() const { return FSettings.FireCrown; }
  void SetFireCrown(float value) { FSettings.FireCrown = value; }
  float GetParticleInterval() const { return FSettings.ParticleInterval; }
  void SetParticleInterval(float value) { FSettings.ParticleInterval = value; }
  float GetFireBurst() const { return FSettings.FireBurst; }
  void SetFireBurst(float value) { FSettings.FireBurst = value; }
  float GetFireRadius() const { return FSettings.FireRadius; }
  void SetFireRadius(float value) { FSettings.FireRadius = value; }
  bool GetDisabled() const { return FSettings.Disabled; }
  void SetDisabled(bool value) { FSettings.Disabled = value; }
  bool GetPaused() const { return FSettings.Paused; }
  void SetPaused(bool value) { FSettings.Paused = value; }
  bool GetUseInterval() const { return FSettings.UseInterval; }
  void SetUseInterval(bool value) { FSettings.UseInterval = value; }
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool value) { FNoZWrite = value; }
  // Particles spawn around this object and are drawn in world space.
  TGLBaseSceneObject* GetReference() const { return FReference; }
  void SetReference(TGLBaseSceneObject* value);
  TGLColor* GetInnerColor() const { return FInnerColor.get(); }
  // A different colour empties the pool.
  void SetInnerColor(const TGLColor* value);
  TGLColor* GetOuterColor() const { return FOuterColor.get(); }
  void SetOuterColor(const TGLColor* value);

  // The fire's own uniform generator in [0, 1); the world's seeded one is
  // never drawn from.
  void SetRandomSource(FireRandom random) { FRandom = std::move(random); }

  const FireParticlePool& Pool() const { return FPool; }
  FireParticlePool& Pool() { return FPool; }
  int GetParticleCount() const { return FPool.Count(); }
  // The settings the next step uses.
  FireSettings CurrentSettings() const;

  // The live manager of that name, nullptr when none.
  static TGLFireFXManager* FindByName(const std::string& name);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::vector<TGLBFireFX*> FEffects;
  FireParticlePool FPool;
  FireSettings FSettings;
  std::unique_ptr<TGLCoordinates> FFireDir;
  std::unique_ptr<TGLCoordinates> FInitialDir;
  TGLCadencer* FCadencer = nullptr;
  float FParticleSize = 1.0f;
  float FFireEvaporation = 0.86f;
  bool FNoZWrite = true;
  TGLBaseSceneObject* FReference = nullptr;
  std::unique_ptr<TGLColor> FInnerColor;
  std::unique_ptr<TGLColor> FOuterColor;
  FireRandom FRandom;
};

class TGLBFireFX : public TGLObjectPostEffect {
  CLIENT_DECLARE_CLASS(TGLBFireFX)
public:
  TGLBFireFX() = default;
  ~TGLBFireFX() override;

  TGLFireFXManager* GetManager() const { return FManager; }
  // Leaves the old manager's list and joins the new one's.
  void SetManager(TGLFireFXManager* value);

  std::string FriendlyName() const override { return "FireFX"; }
  std::string FriendlyDescription() const override { return "Fire FX"; }

  // Takes the other effect's manager.
  void Assign(const TPersistent* source) override;
  // Archive version 0, then the manager's name ("" without one).
  void WriteToFiler(TVirtualWriter& writer) const override;
  // Any other version is an assertion failure; the manager is bound again
  // by name at Loaded.
  void ReadFromFiler(TVirtualReader& reader) override;
  void Loaded() override;
  const std::string& PendingManagerName() const { return FManagerName; }

  // The manager's particles, farthest first, as additive hexagons facing
  // the camera.
  void Render(TGL3DSceneBuffer* sceneBuffer, TRenderContextInfo& rci) override;

private:
  friend class TGLFireFXManager;
  TGLFireFXManager* FManager = nullptr;
  std::string FManagerName;
};
