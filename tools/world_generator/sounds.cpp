#include "tools/world_generator/sounds.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// The same numbers on every machine (the standard distributions are not).
class Random {
public:
  explicit Random(std::uint32_t seed) : state_(seed ? seed : 1) {}
  // Uniform in [0, 1).
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 4294967296.0;
  }
  double Signed() { return 2.0 * Next() - 1.0; }

private:
  std::uint32_t state_;
};

// A state-variable band-pass: centre frequency in Hz, q the resonance.
class BandPass {
public:
  double Step(double in, double centre, double q) {
    const double f = 2.0 * std::sin(kPi * centre / kRate);
    low_ += f * band_;
    const double high = in - low_ - band_ / q;
    band_ += f * high;
    return band_;
  }

private:
  double low_ = 0, band_ = 0;
};

// A loop of n samples from a signal made n + fade long: its last `fade`
// samples are blended into the first ones, so the end runs on into the start.
std::vector<double> Loop(const std::vector<double>& signal, std::size_t n, std::size_t fade) {
  std::vector<double> loop(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(n));
  for (std::size_t i = 0; i < fade; ++i) {
    const double t = static_cast<double>(i) / static_cast<double>(fade);
    loop[i] = signal[n + i] * std::cos(t * kPi / 2) + signal[i] * std::sin(t * kPi / 2);
  }
  return loop;
}

std::vector<short> ToPcm(std::vector<double> samples, double peak) {
  double largest = 1e-9;
  for (double s : samples) largest = std::max(largest, std::abs(s));
  std::vector<short> pcm(samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i)
    pcm[i] = static_cast<short>(std::lround(std::clamp(samples[i] / largest * peak, -1.0, 1.0) * 32767.0));
  return pcm;
}

std::vector<double> Wind() {
  const std::size_t n = 4 * kRate, fade = kRate / 2;
  Random random(2);
  BandPass low, high;
  double brown = 0;
  std::vector<double> signal(n + fade);
  for (std::size_t i = 0; i < signal.size(); ++i) {
    // Gusts: slow swells whose periods divide the loop, so they loop too.
    const double t = static_cast<double>(i % n) / static_cast<double>(n);
    const double gust = 0.55 + 0.3 * std::sin(2 * kPi * t) + 0.15 * std::sin(2 * kPi * 3 * t + 1.0);
    brown = 0.995 * brown + 0.05 * random.Signed();
    const double white = random.Signed();
    // A low roar and a whistle that rises with the gust.
    const double roar = low.Step(brown, 180.0 + 120.0 * gust, 0.8);
    const double whistle = high.Step(white, 500.0 + 500.0 * gust, 6.0);
    signal[i] = gust * (roar * 3.0 + whistle * 0.25 * gust);
  }
  return Loop(signal, n, fade);
}

std::vector<double> Rain() {
  const std::size_t n = 3 * kRate, fade = kRate / 4;
  Random random(7);
  BandPass hiss;
  std::vector<double> signal(n + fade);
  for (double& s : signal) s = 0.15 * hiss.Step(random.Signed(), 3500.0, 0.7);
  std::vector<double> loop = Loop(signal, n, fade);
  // Drops: short decaying pings at random pitches, wrapped round the loop.
  const int drops = 3 * 140;
  for (int d = 0; d < drops; ++d) {
    const std::size_t start = static_cast<std::size_t>(random.Next() * static_cast<double>(n));
    const double pitch = 1500.0 + 4000.0 * random.Next();
    const double strength = 0.2 + 0.8 * random.Next() * random.Next();
    const double decay = 0.002 + 0.006 * random.Next();
    const std::size_t length = static_cast<std::size_t>(decay * 6 * kRate);
    for (std::size_t i = 0; i < length; ++i) {
      const double t = static_cast<double>(i) / kRate;
      loop[(start + i) % n] += strength * std::exp(-t / decay) * std::sin(2 * kPi * pitch * t);
    }
  }
  return loop;
}

std::vector<double> WingFlaps() {
  const std::size_t n = kRate;  // two beats a second
  Random random(11);
  BandPass air;
  std::vector<double> loop(n, 0.0);
  for (int beat = 0; beat < 2; ++beat) {
    const std::size_t start = static_cast<std::size_t>(beat) * n / 2;
    const double strength = beat == 0 ? 1.0 : 0.8;
    const std::size_t length = static_cast<std::size_t>(0.3 * kRate);
    for (std::size_t i = 0; i < length; ++i) {
      const double t = static_cast<double>(i) / kRate;
      // The downstroke: a rush of air that swells and dies, and a soft thump.
      const double envelope = std::min(t / 0.04, 1.0) * std::exp(-t / 0.07);
      const double rush = air.Step(random.Signed(), 700.0 - 900.0 * t, 1.2);
      const double thump = std::sin(2 * kPi * 70.0 * t) * std::exp(-t / 0.05);
      loop[(start + i) % n] += strength * envelope * (rush * 2.0 + thump * 0.5);
    }
  }
  return loop;
}

void Write(const fs::path& file, int format, const std::vector<short>& pcm) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = format;
  SNDFILE* out = sf_open(file.string().c_str(), SFM_WRITE, &info);
  if (!out) throw std::runtime_error("cannot write " + file.string() + ": " + sf_strerror(nullptr));
  const sf_count_t written = sf_write_short(out, pcm.data(), static_cast<sf_count_t>(pcm.size()));
  sf_close(out);
  if (written != static_cast<sf_count_t>(pcm.size())) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace

void WriteSounds(const fs::path& root) {
  fs::create_directories(root / "sounds");
  Write(root / "sounds" / "wind2.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, ToPcm(Wind(), 0.8));
  Write(root / "sounds" / "rain2.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, ToPcm(Rain(), 0.7));
  Write(root / "sounds" / "wingflap2.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, ToPcm(WingFlaps(), 0.8));
}
