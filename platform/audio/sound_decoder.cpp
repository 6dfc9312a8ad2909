#include "platform/audio/sound_decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace audio {
namespace {

// libsndfile's virtual I/O over a block of memory; no position leaves it.
struct MemoryFile {
  const unsigned char* data;
  sf_count_t size;
  sf_count_t position = 0;
};

sf_count_t GetLength(void* user) { return static_cast<MemoryFile*>(user)->size; }

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  sf_count_t base = 0;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = file->position; break;
    case SEEK_END: base = file->size; break;
    default: return -1;
  }
  // Offsets near the ends of the range would overflow the sum.
  if ((offset > 0 && base > file->size - offset) || (offset < 0 && base + offset < 0)) return -1;
  file->position = std::min(base + offset, file->size);
  return file->position;
}

sf_count_t Read(void* buffer, sf_count_t count, void* user) {
  auto* file = static_cast<MemoryFile*>(user);
  if (count <= 0) return 0;
  const sf_count_t n = std::min(count, file->size - file->position);
  std::memcpy(buffer, file->data + file->position, static_cast<size_t>(n));
  file->position += n;
  return n;
}

sf_count_t Write(const void*, sf_count_t, void*) { return 0; }

sf_count_t Tell(void* user) { return static_cast<MemoryFile*>(user)->position; }

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

std::optional<DecodedSound> DecodeSound(const void* data, std::size_t size, std::string* error) {
  if (!data || size == 0) {
    SetError(error, "no sound data");
    return std::nullopt;
  }
  MemoryFile file{static_cast<const unsigned char*>(data), static_cast<sf_count_t>(size)};
  SF_VIRTUAL_IO io{&GetLength, &Seek, &Read, &Write, &Tell};
  SF_INFO info{};
  SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
  if (!sound) {
    SetError(error, sf_strerror(nullptr));
    return std::nullopt;
  }
  struct Closer {
    SNDFILE* f;
    ~Closer() { sf_close(f); }
  } closer{sound};
  if (info.channels < 1 || info.channels > 8 || info.samplerate < 1) {
    SetError(error, "unsupported channels or rate");
    return std::nullopt;
  }
  DecodedSound decoded;
  decoded.frequency = info.samplerate;
  decoded.channels = info.channels;
  // Read in blocks until the decoder stops: a header's frame count is a
  // claim, not a promise.
  const std::size_t block = 4096 * static_cast<std::size_t>(info.channels);
  while (decoded.samples.size() < kMaxDecodedSamples) {
    const std::size_t old = decoded.samples.size();
    decoded.samples.resize(old + block);
    const sf_count_t got = sf_read_short(sound, decoded.samples.data() + old, static_cast<sf_count_t>(block));
    decoded.samples.resize(old + static_cast<std::size_t>(std::max<sf_count_t>(got, 0)));
    if (got < static_cast<sf_count_t>(block)) break;
  }
  // Whole frames only.
  decoded.samples.resize(decoded.samples.size() - decoded.samples.size() % static_cast<std::size_t>(info.channels));
  if (decoded.samples.empty()) {
    SetError(error, "no samples");
    return std::nullopt;
  }
  return decoded;
}

DecodedSound MixToMono(const DecodedSound& sound) {
  if (sound.channels <= 1) return sound;
  DecodedSound mono;
  mono.frequency = sound.frequency;
  mono.channels = 1;
  const std::size_t frames = sound.Frames();
  mono.samples.resize(frames);
  for (std::size_t f = 0; f < frames; ++f) {
    int sum = 0;
    for (int c = 0; c < sound.channels; ++c) sum += sound.samples[f * static_cast<std::size_t>(sound.channels) + static_cast<std::size_t>(c)];
    mono.samples[f] = static_cast<std::int16_t>(sum / sound.channels);
  }
  return mono;
}

}  // namespace audio
