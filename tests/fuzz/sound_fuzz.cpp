// Random bytes read as WAV files (the chunk walk, the format record, the
// held data) and as a sample's stored form, then decoded as the audio
// device would: each must raise a clear error or load, never read outside
// what it holds, crash, hang or leak.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/sound_decoder.h"
#include "sound/sound_library.h"

namespace {

// Touches every byte that the file says is its samples.
unsigned Checksum(const TGLSoundFile& file) {
  unsigned sum = 0;
  const std::uint8_t* samples = file.SampleData();
  for (std::size_t i = 0; samples && i < file.DataLength(); ++i) sum += samples[i];
  const std::uint8_t* held = file.HeldData();
  if (held && file.HeldDataSize() > 0) sum += held[file.HeldDataSize() - 1];
  return sum + static_cast<unsigned>(file.SampleCount()) + static_cast<unsigned>(file.DurationSeconds());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::vector<uint8_t> bytes(data + 1, data + size);
  volatile unsigned sink = 0;
  switch (data[0] % 3) {
    case 0: {
      // As a WAV file; what loads is also decoded.
      TGLWAVFile wav;
      TMemoryStream stream(bytes);
      try {
        wav.LoadFromStream(stream);
      } catch (const Exception&) {
        return 0;
      }
      sink = sink + Checksum(wav);
      if (auto sound = audio::DecodeSound(wav.HeldData(), wav.HeldDataSize())) sink = sink + sound->Frames();
      break;
    }
    case 1: {
      // As the stored form of a sample.
      TGLSoundSample sample;
      try {
        sample.ReadBinData(std::string(bytes.begin(), bytes.end()));
      } catch (const Exception&) {
        return 0;
      }
      if (sample.GetData()) sink = sink + Checksum(*sample.GetData());
      sink = sink + static_cast<unsigned>(sample.GetDisplayName().size());
      break;
    }
    default:
      // Straight to the decoder, as an MP3 sample's bytes go.
      if (auto sound = audio::DecodeSound(bytes.data(), bytes.size())) sink = sink + sound->Frames();
      break;
  }
  return 0;
}
