#pragma once
// Sound files held in memory, decoded into 16-bit samples by libsndfile
// (WAV in its PCM and ADPCM forms, MP3, and the other formats it reads).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace audio {

struct DecodedSound {
  int frequency = 0;
  int channels = 0;
  std::vector<std::int16_t> samples;  // interleaved by channel

  std::size_t Frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Decoded sounds stop at this many samples, whatever a file claims.
inline constexpr std::size_t kMaxDecodedSamples = std::size_t{1} << 25;

// The sound in the bytes, or nothing (with the decoder's reason in `error`)
// when they hold none, or one with no channel, a rate of 0 or more than 8
// channels.
std::optional<DecodedSound> DecodeSound(const void* data, std::size_t size, std::string* error = nullptr);

// The channels averaged into one.
DecodedSound MixToMono(const DecodedSound& sound);

}  // namespace audio
