#pragma once
// The particle pool of the fire effect, apart from the component and the
// GL calls around it: ageing, paced spawning with an injected random
// source, the drawing order and the camera-facing particle shape.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/vector_types.h"

struct TFireParticle {
  TVector4f Position;  // w = 1
  TVector4f Speed;
  float AlphaWeight = 0.0f;
  float TimeToLive = 0.0f;  // seconds; dies at <= 0
  float LifeLength = 0.0f;  // the initial time to live
};
static_assert(sizeof(TFireParticle) == 44);

// Uniform numbers in [0, 1). The fire keeps a generator of its own so that
// it never disturbs the sequence of the world's seeded generator.
using FireRandom = std::function<float()>;
// A generator seeded from the system's entropy source.
FireRandom MakeFireRandom();

struct FireSettings {
  TVector4f FireDir{0, 0.5f, 0, 0};
  TVector4f InitialDir{0, 1, 0, 0};
  int ParticleLife = 3;
  float FireDensity = 1.0f;
  float FireCrown = 0.0f;
  float ParticleInterval = 0.1f;
  float FireBurst = 0.0f;
  float FireRadius = 1.0f;
  bool Disabled = false;
  bool Paused = false;
  bool UseInterval = true;
};

class FireParticlePool {
public:
  explicit FireParticlePool(int max_particles = 256) { Resize(max_particles); }

  // Capacity below 1 is 0; records that fit are kept, the count lowered.
  void Resize(int max_particles);
  // No particle, nothing owed.
  void Reset();

  int MaxParticles() const { return static_cast<int>(particles_.size()); }
  int Count() const { return count_; }
  float IntervalAccumulator() const { return accumulator_; }
  std::span<const TFireParticle> Particles() const { return {particles_.data(), static_cast<std::size_t>(count_)}; }
  // Puts a particle in as it is (for a test's fixed scene); false when full.
  bool Add(const TFireParticle& particle);

  // One tick of the cadencer: unless paused, and when the interval is above
  // 0, a step of (|FireBurst| + 1) x delta_time. True when a step ran.
  bool Progress(double delta_time, const FireSettings& settings, const TVector4f& reference, const FireRandom& random);
  // Ages, moves, and spawns around `reference` (a point).
  void Step(double dt, const FireSettings& settings, const TVector4f& reference, const FireRandom& random);

  // Live particle indices, the farthest along the camera direction first.
  std::vector<int> DrawOrder(const TVector4f& camera_direction) const;

private:
  std::vector<TFireParticle> particles_;
  int count_ = 0;
  float accumulator_ = 0.0f;
};

// Alpha of a particle's centre: its weight times its remaining life over
// its life length squared (0 for a particle without life).
float FireParticleAlpha(const TFireParticle& particle);

// The particle shape facing the camera: the centre, then the seven rim
// points of the hexagon (the first repeated last), from the model-view
// matrix as GL returns it.
std::array<TAffineVector, 8> FireParticleShape(const float (&model_view)[16], float particle_size, float evaporation);
