#include "objects/fire_particles.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "engine/vector_geometry.h"

FireRandom MakeFireRandom() {
  auto engine = std::make_shared<std::mt19937>(std::random_device{}());
  return [engine]() {
    // generate_canonical may round up to 1.0 with floats; keep it below.
    const float u = std::generate_canonical<float, 24>(*engine);
    return u < 1.0f ? u : 0.0f;
  };
}

void FireParticlePool::Resize(int max_particles) {
  particles_.resize(static_cast<std::size_t>(std::max(max_particles, 0)));
  count_ = std::min(count_, MaxParticles());
}

void FireParticlePool::Reset() {
  count_ = 0;
  accumulator_ = 0.0f;
}

bool FireParticlePool::Add(const TFireParticle& particle) {
  if (count_ >= MaxParticles()) return false;
  particles_[static_cast<std::size_t>(count_++)] = particle;
  return true;
}

bool FireParticlePool::Progress(double delta_time, const FireSettings& settings, const TVector4f& reference,
                                const FireRandom& random) {
  if (settings.Paused || !(settings.ParticleInterval > 0.0f)) return false;
  Step((std::fabs(settings.FireBurst) + 1.0) * delta_time, settings, reference, random);
  return true;
}

void FireParticlePool::Step(double dt_double, const FireSettings& settings, const TVector4f& reference,
                            const FireRandom& random) {
  const float dt = static_cast<float>(dt_double);
  // Dead particles are replaced by the last live one, which is looked at
  // next; nothing is allocated.
  for (int i = 0; i < count_;) {
    TFireParticle& p = particles_[static_cast<std::size_t>(i)];
    p.TimeToLive -= dt;
    if (p.TimeToLive <= 0.0f) {
      --count_;
      p = particles_[static_cast<std::size_t>(count_)];
      continue;
    }
    AddScaledVector(p.Speed, settings.FireDir, dt);
    AddScaledVector(p.Position, p.Speed, dt);
    ++i;
  }
  if (settings.Disabled) return;
  accumulator_ = static_cast<float>(accumulator_ + dt_double / settings.ParticleInterval);
  if (settings.UseInterval && accumulator_ <= 1.0f) return;
  const float remainder = static_cast<float>(Frac(accumulator_));
  while (count_ < MaxParticles()) {
    const float u1 = random(), u2 = random(), u3 = random(), u4 = random(), u5 = random();
    const float life = (0.5f * u5 + 0.5f) * static_cast<float>(settings.ParticleLife);
    // A particle without life would die unseen and divide its alpha by 0.
    if (!(life > 0.0f)) break;
    TAffineVector offset{(2.0f * u1 - 1.0f) * settings.FireRadius, (2.0f * u2 - 1.0f) * settings.FireRadius,
                         (2.0f * u3 - 1.0f) * settings.FireRadius + settings.FireCrown};
    RotateAffineVectorAroundY(offset, u4 * c2PI);
    TFireParticle& p = particles_[static_cast<std::size_t>(count_)];
    p.Position = VectorAdd(VectorMakeFromAffine(offset, 0.0f), reference);
    p.Speed = settings.InitialDir;
    p.AlphaWeight = settings.FireDensity;
    p.TimeToLive = life;
    p.LifeLength = life;
    ++count_;
    if (settings.UseInterval) break;
  }
  accumulator_ = remainder;
}

std::vector<int> FireParticlePool::DrawOrder(const TVector4f& camera_direction) const {
  std::vector<float> keys(static_cast<std::size_t>(count_));
  std::vector<int> order(static_cast<std::size_t>(count_));
  for (int i = 0; i < count_; ++i) {
    keys[static_cast<std::size_t>(i)] = VectorDot(AffineVectorMake(camera_direction),
                                                  AffineVectorMake(particles_[static_cast<std::size_t>(i)].Position));
    order[static_cast<std::size_t>(i)] = i;
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return keys[static_cast<std::size_t>(a)] > keys[static_cast<std::size_t>(b)];
  });
  return order;
}

float FireParticleAlpha(const TFireParticle& p) {
  if (!(p.LifeLength > 0.0f)) return 0.0f;
  return p.AlphaWeight * p.TimeToLive / (p.LifeLength * p.LifeLength);
}

std::array<TAffineVector, 8> FireParticleShape(const float (&m)[16], float size, float e) {
  const TAffineVector vx{m[0] * size, m[4] * size, m[8] * size};
  const TAffineVector vy{m[1] * size, m[5] * size, m[9] * size};
  auto at = [&](float fx, float fy) {
    return TAffineVector{vx[0] * fx + vy[0] * fy, vx[1] * fx + vy[1] * fy, vx[2] * fx + vy[2] * fy};
  };
  return {TAffineVector{0, 0, 0}, at(-1, 0), at(-0.5f, e),  at(0.5f, e),
          at(1, 0),               at(0.5f, -e), at(-0.5f, -e), at(-1, 0)};
}
