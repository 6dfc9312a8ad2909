// WAV and MP3 files held in memory, and the format registry.

#include "sound/sound_file_objects.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>

#include "engine/engine_errors.h"
#include "platform/audio/sound_decoder.h"
#include "recording_device.h"
#include "wav_bytes.h"

using namespace wav_bytes;

namespace {

Bytes Data(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return b;
}

struct WavCase {
  const char* name;
  Built file;
  std::size_t dataChunk;   // index of the "data" chunk in the layout
  std::size_t dataLength;  // samples' byte count held
  std::size_t heldSize;
  int frequency, channels, bits;
};

std::vector<WavCase> WavCases() {
  std::vector<WavCase> cases;
  auto add = [&](const char* name, Built file, std::size_t dataChunk, std::size_t length, std::size_t held, int f,
                 int c, int b) { cases.push_back({name, std::move(file), dataChunk, length, held, f, c, b}); };
  {
    Built f = Riff({{"fmt ", Format(1, 1, 22050, 16)}, {"data", Data(100)}});
    const std::size_t size = f.bytes.size();
    add("pcm16 mono", std::move(f), 1, 100, size, 22050, 1, 16);
  }
  {
    Built f = Riff({{"fmt ", Format(1, 2, 11025, 8)}, {"data", Data(40)}});
    const std::size_t size = f.bytes.size();
    add("pcm8 stereo", std::move(f), 1, 40, size, 11025, 2, 8);
  }
  {
    // The list chunk before the format, and an 18-byte format record.
    Built f = Riff({{"LIST", Data(10)}, {"fmt ", Format(1, 1, 8000, 16, true)}, {"data", Data(8)}});
    const std::size_t size = f.bytes.size();
    add("LIST before fmt", std::move(f), 2, 8, size, 8000, 1, 16);
  }
  {
    // Odd bodies are followed by a pad byte that is not part of the chunk.
    Built f = Riff({{"junk", Data(3)}, {"fmt ", Format(1, 1, 8000, 8)}, {"note", Data(5)}, {"data", Data(7)}});
    const std::size_t size = f.bytes.size();
    add("odd chunk sizes", std::move(f), 3, 7, size, 8000, 1, 8);
  }
  {
    // Chunks after "data" are held but are no samples.
    Built f = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(20)}, {"LIST", Data(30)}});
    const std::size_t size = f.bytes.size();
    add("chunk after data", std::move(f), 1, 20, size, 8000, 1, 16);
  }
  {
    // The data chunk claims 1000 bytes; the file ends after 60.
    Built f = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(60), 1000u}}, 2000u);
    const std::size_t size = f.bytes.size();
    add("truncated data", std::move(f), 1, 60, size, 8000, 1, 16);
  }
  {
    // A recorder that could not go back wrote a RIFF size of 0.
    Built f = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(12)}}, 0u);
    const std::size_t size = f.bytes.size();
    add("RIFF size 0", std::move(f), 1, 12, size, 8000, 1, 16);
  }
  {
    // A RIFF that claims less than the stream holds keeps only itself.
    Built f = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(12)}});
    const std::size_t riffSize = f.bytes.size();
    f.bytes.insert(f.bytes.end(), 9, 0xEE);
    add("bytes after the RIFF", std::move(f), 1, 12, riffSize, 8000, 1, 16);
  }
  return cases;
}

TEST(WAVFile, ChunkWalkFindsFormatDataOffsetAndLength) {
  for (const WavCase& c : WavCases()) {
    SCOPED_TRACE(c.name);
    TGLWAVFile wav;
    TMemoryStream stream(c.file.bytes);
    wav.LoadFromStream(stream);
    const std::size_t offset = c.file.bodyOffsets[c.dataChunk];
    EXPECT_EQ(wav.DataOffset(), offset);
    EXPECT_EQ(wav.DataLength(), c.dataLength);
    ASSERT_EQ(wav.HeldDataSize(), c.heldSize);
    EXPECT_EQ(std::memcmp(wav.HeldData(), c.file.bytes.data(), c.heldSize), 0);
    EXPECT_EQ(wav.SampleData(), wav.HeldData() + offset);
    EXPECT_EQ(wav.Sampling().GetFrequency(), c.frequency);
    EXPECT_EQ(wav.Sampling().GetNbChannels(), c.channels);
    EXPECT_EQ(wav.Sampling().GetBitsPerSample(), c.bits);
    EXPECT_EQ(wav.SampleCount(), c.dataLength / static_cast<std::size_t>(c.bits / 8));
    EXPECT_FLOAT_EQ(wav.DurationSeconds(), static_cast<float>(c.dataLength) / (c.frequency * c.bits * c.channels / 8));
  }
}

TEST(WAVFile, ADPCMFactGivesTheSampleCount) {
  Bytes fact;
  Put32(fact, 1234);
  Built f = Riff({{"fmt ", Format(2, 1, 22050, 4, true)}, {"fact", fact}, {"data", Data(16)}});
  TGLWAVFile wav;
  TMemoryStream stream(f.bytes);
  wav.LoadFromStream(stream);
  EXPECT_EQ(wav.ADPCMSampleCount(), 1234u);
  EXPECT_EQ(wav.Format().wFormatTag, 2);
  EXPECT_EQ(wav.DataOffset(), f.bodyOffsets[2]);
  // Four bits a sample: less than a byte, so no whole-byte samples to count.
  EXPECT_EQ(wav.SampleCount(), 0u);
}

TEST(WAVFile, BadFilesRaiseAClearErrorAndKeepTheOldData) {
  struct Bad {
    const char* name;
    Bytes bytes;
    const char* message;
  };
  Bytes cutHeader = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(4)}}).bytes;
  cutHeader.resize(6);
  const std::vector<Bad> cases = {
      {"not RIFF", Riff({{"data", Data(4)}}, std::nullopt, "WAVE", "RIFX").bytes, sound_messages::kRIFFRequired},
      {"not WAVE", Riff({{"data", Data(4)}}, std::nullopt, "AVI ").bytes, sound_messages::kRIFFWAVERequired},
      {"no data chunk", Riff({{"fmt ", Format(1, 1, 8000, 16)}}).bytes, sound_messages::kWAVDataMissing},
      {"chunk size past the end",
       Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"LIST", Data(4), 0xFFFFFFF0u}, {"data", Data(4)}}).bytes,
       sound_messages::kWAVDataMissing},
      {"zero rate", Riff({{"fmt ", Format(1, 1, 0, 16)}, {"data", Data(4)}}).bytes, sound_messages::kWAVFormatInvalid},
      {"no channels", Riff({{"fmt ", Format(1, 0, 8000, 16)}, {"data", Data(4)}}).bytes,
       sound_messages::kWAVFormatInvalid},
      {"data before fmt", Riff({{"data", Data(4)}, {"fmt ", Format(1, 1, 8000, 16)}}).bytes,
       sound_messages::kWAVFormatInvalid},
      {"cut header", cutHeader, engine_messages::kStreamReadError},
      {"empty", Bytes{}, engine_messages::kStreamReadError},
  };
  const Built good = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(6)}});
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    TGLWAVFile wav;
    TMemoryStream goodStream(good.bytes);
    wav.LoadFromStream(goodStream);
    TMemoryStream stream(c.bytes);
    try {
      wav.LoadFromStream(stream);
      ADD_FAILURE() << "loaded";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(wav.HeldDataSize(), good.bytes.size());
    EXPECT_EQ(wav.DataLength(), 6u);
  }
}

TEST(WAVFile, SavesTheHeldBytesAndCopiesByAssign) {
  const Built f = Riff({{"LIST", Data(4)}, {"fmt ", Format(1, 2, 11025, 8)}, {"data", Data(10)}});
  TGLWAVFile wav;
  TMemoryStream in(f.bytes);
  wav.LoadFromStream(in);
  TMemoryStream out;
  wav.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), f.bytes);
  TGLWAVFile copy;
  copy.Assign(&wav);
  EXPECT_EQ(copy.DataOffset(), wav.DataOffset());
  EXPECT_EQ(copy.DataLength(), 10u);
  EXPECT_EQ(copy.Sampling().GetNbChannels(), 2);
  EXPECT_NE(copy.HeldData(), wav.HeldData());
  EXPECT_EQ(std::memcmp(copy.HeldData(), f.bytes.data(), f.bytes.size()), 0);
}

TEST(WAVFile, PlaysOnItsOwnDeviceAndFreesSoundsThatEnded) {
  RecordingDevice* device = nullptr;
  audio::DeviceFactory saved = audio::PlaybackDeviceFactory();
  audio::PlaybackDeviceFactory() = [&device] {
    auto d = std::make_unique<RecordingDevice>();
    device = d.get();
    return d;
  };
  const Built f = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", Data(20)}});
  TGLWAVFile wav;
  TMemoryStream stream(f.bytes);
  wav.LoadFromStream(stream);
  wav.PlayOnWaveOutput();
  ASSERT_NE(device, nullptr);
  const std::string load = "SampleLoad(" + std::to_string(f.bytes.size()) + ", 1, 0x0)";
  EXPECT_EQ(device->Take(), (std::vector<std::string>{"Init(44100)", "Start()", load,
                                                      "SamplePlay3D(101, (0 0 0), (0 0 0), (0 0 0))", "Apply3D()"}));
  device->EndChannel(201);
  wav.PlayOnWaveOutput();
  EXPECT_EQ(device->Take(), (std::vector<std::string>{"ChannelIsActive(201)", "SampleFree(101)", load,
                                                      "SamplePlay3D(102, (0 0 0), (0 0 0), (0 0 0))", "Apply3D()"}));
  audio::PlaybackDeviceFactory() = saved;
}

TEST(SoundSampling, DerivedValuesAndAPcmWaveFormat) {
  TGLSoundSampling s;
  EXPECT_EQ(s.GetFrequency(), 22050);
  EXPECT_EQ(s.GetNbChannels(), 1);
  EXPECT_EQ(s.GetBitsPerSample(), 8);
  s.SetFrequency(44100);
  s.SetNbChannels(2);
  s.SetBitsPerSample(16);
  EXPECT_EQ(s.BytesPerSec(), 176400);
  EXPECT_EQ(s.BytesPerSample(), 2);
  const TWaveFormat f = s.WaveFormat();
  EXPECT_EQ(f.wFormatTag, 1);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
  // PCM output accepts only a block of one frame and no extra bytes.
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.cbSize, 0);
}

// An MP3 of a 441 Hz tone, encoded here through libsndfile.
Bytes EncodeMp3(int rate, double frequency, double seconds) {
  const std::string path = std::string(CLIENT_TEST_OUTPUT_DIR) + "/tone.mp3";
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!out) return {};
  const std::vector<std::int16_t> tone = Sine(static_cast<std::uint32_t>(rate), frequency, seconds, 0.5);
  sf_write_short(out, tone.data(), static_cast<sf_count_t>(tone.size()));
  sf_close(out);
  TFileStream file(path, fmOpenRead);
  Bytes bytes(static_cast<std::size_t>(file.GetSize()));
  file.ReadBuffer(bytes.data(), bytes.size());
  return bytes;
}

TEST(MP3File, HoldsTheBytesAsReadAndTheyDecode) {
  const Bytes mp3 = EncodeMp3(22050, 441.0, 1.0);
  ASSERT_FALSE(mp3.empty());
  TGLMP3File file;
  TMemoryStream stream(mp3);
  file.LoadFromStream(stream);
  ASSERT_EQ(file.HeldDataSize(), mp3.size());
  EXPECT_EQ(std::memcmp(file.HeldData(), mp3.data(), mp3.size()), 0);
  EXPECT_EQ(file.SampleData(), nullptr);
  EXPECT_EQ(file.DataLength(), 0u);
  EXPECT_EQ(file.DurationSeconds(), 0.0f);

  const std::optional<audio::DecodedSound> sound = audio::DecodeSound(file.HeldData(), file.HeldDataSize());
  ASSERT_TRUE(sound);
  EXPECT_EQ(sound->frequency, 22050);
  EXPECT_EQ(sound->channels, 1);
  EXPECT_NEAR(static_cast<double>(sound->Frames()), 22050.0, 1152.0);
  // A 441 Hz tone crosses zero upward 441 times a second.
  int upward = 0;
  for (std::size_t i = 1000; i + 1 < 1000 + 22050 / 2; ++i) upward += sound->samples[i] < 0 && sound->samples[i + 1] >= 0;
  EXPECT_NEAR(upward, 441 / 2, 3);

  EXPECT_THROW(file.PlayOnWaveOutput(), ESoundFileError);
}

TEST(SoundDecoder, RefusesBytesThatHoldNoSound) {
  Bytes noise(4000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
  Bytes zeroRate = Riff({{"fmt ", Format(1, 1, 0, 16)}, {"data", Data(40)}}).bytes;
  Bytes empty = Riff({{"fmt ", Format(1, 1, 8000, 16)}, {"data", {}}}).bytes;
  for (const Bytes* bytes : {&noise, &zeroRate, &empty}) {
    std::string error;
    EXPECT_FALSE(audio::DecodeSound(bytes->data(), bytes->size(), &error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(SoundFileFormats, FoundByExtensionWithOrWithoutDotInAnyCase) {
  EXPECT_EQ(FindFormatByExtension("WAV"), &TGLWAVFile::StaticClass());
  EXPECT_EQ(FindFormatByExtension(".wav"), &TGLWAVFile::StaticClass());
  EXPECT_EQ(FindFormatByExtension(".Mp3"), &TGLMP3File::StaticClass());
  EXPECT_EQ(FindFormatByExtension("ogg"), nullptr);
  EXPECT_EQ(FindFormatByExtension("..wav"), nullptr);
  const auto& formats = SoundFileFormats().Formats();
  ASSERT_GE(formats.size(), 2u);
  EXPECT_EQ(formats[0].Description, "Windows WAV files");
  EXPECT_EQ(formats[1].Description, "MPEG Layer3 files");
}

TEST(SoundFileFormats, TheLastRegisteredWinsAndExtensionsAreLowerCased) {
  TGLSoundFileFormatsList list;
  list.Add("WAV", "first", TGLWAVFile::StaticClass());
  list.Add("wav", "second", TGLMP3File::StaticClass());
  EXPECT_EQ(list.Formats()[0].Extension, "wav");
  EXPECT_EQ(list.FindFromExtension(".WaV"), &TGLMP3File::StaticClass());
}

}  // namespace
