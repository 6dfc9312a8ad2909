#pragma once
// WAV files built in the tests: chunks laid out by the RIFF rules (8-byte
// headers, little-endian sizes, a pad byte after an odd body), with sizes
// that can lie, so each case states where its parts are.

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wav_bytes {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
inline void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

struct Chunk {
  Chunk(std::string id, Bytes body, std::optional<std::uint32_t> claimedSize = std::nullopt)
      : id(std::move(id)), body(std::move(body)), claimedSize(claimedSize) {}
  std::string id;
  Bytes body;
  std::optional<std::uint32_t> claimedSize;  // the size written, when it lies
};

// A "fmt " body of 16 bytes (or 18 with the extra size).
inline Bytes Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                    bool extra = false) {
  Bytes b;
  Put16(b, tag);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * bits / 8);
  Put16(b, static_cast<std::uint16_t>(channels * bits / 8));
  Put16(b, bits);
  if (extra) Put16(b, 0);
  return b;
}

struct Built {
  Bytes bytes;
  std::vector<std::size_t> bodyOffsets;  // per chunk, from the file's start
};

// "RIFF", the size (the true one unless given), "WAVE", then the chunks.
inline Built Riff(const std::vector<Chunk>& chunks, std::optional<std::uint32_t> riffSize = std::nullopt,
                  const char* form = "WAVE", const char* riff = "RIFF") {
  Built built;
  Bytes& out = built.bytes;
  out.insert(out.end(), riff, riff + 4);
  Put32(out, 0);
  out.insert(out.end(), form, form + 4);
  for (const Chunk& chunk : chunks) {
    out.insert(out.end(), chunk.id.begin(), chunk.id.end());
    Put32(out, chunk.claimedSize.value_or(static_cast<std::uint32_t>(chunk.body.size())));
    built.bodyOffsets.push_back(out.size());
    out.insert(out.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.body.size() % 2 == 1 && !chunk.claimedSize) out.push_back(0);
  }
  const std::uint32_t size = riffSize.value_or(static_cast<std::uint32_t>(out.size() - 8));
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>((size >> (8 * i)) & 0xFF);
  return built;
}

// A 16-bit PCM file of the samples (interleaved by channel).
inline Bytes Pcm16(std::uint32_t rate, std::uint16_t channels, const std::vector<std::int16_t>& samples) {
  Bytes data;
  for (std::int16_t s : samples) Put16(data, static_cast<std::uint16_t>(s));
  return Riff({{"fmt ", Format(1, channels, rate, 16)}, {"data", data}}).bytes;
}

// A mono sine of `frequency` Hz, `seconds` long, at amplitude 0..1.
inline std::vector<std::int16_t> Sine(std::uint32_t rate, double frequency, double seconds, double amplitude) {
  std::vector<std::int16_t> samples(static_cast<std::size_t>(rate * seconds));
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(std::lround(amplitude * 32767.0 * std::sin(2 * M_PI * frequency * i / rate)));
  return samples;
}

}  // namespace wav_bytes
