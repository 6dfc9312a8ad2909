// Sound samples: loading by extension, names, display names, the stored
// "BinData" form; libraries found by name.

#include "sound/sound_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/engine_errors.h"
#include "wav_bytes.h"

using namespace wav_bytes;
namespace fs = std::filesystem;

namespace {

// A folder of sound files that is the current folder during the test.
class SoundFolder : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::path(CLIENT_TEST_OUTPUT_DIR) / ("sound-library-" + std::to_string(::getpid()));
    fs::create_directories(folder_ / "sounds");
    old_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(folder_);
  }
  static void Write(const std::string& name, const Bytes& bytes) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  fs::path folder_, old_;
};

Bytes Wav(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits, std::size_t dataBytes) {
  return Riff({{"fmt ", Format(1, channels, rate, bits)}, {"data", Bytes(dataBytes, 0x80)}}).bytes;
}

TEST_F(SoundFolder, SampleNameKeepsSlashFoldersAndIsFoundInAnyCase) {
  Write("sounds/rain2.wav", Wav(22050, 1, 16, 22050));
  struct Case {
    const char* file;
    const char* name;
  } cases[] = {
      {"sounds/rain2.wav", "sounds/rain2.wav"},
      {"sounds\\RAIN2.WAV", "RAIN2.WAV"},  // "\" separates, and the file is found without regard to case
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TGLSoundLibrary library;
    TGLSoundSample* sample = library.Samples().AddFile(c.file);
    EXPECT_EQ(sample->GetName(), c.name);
    ASSERT_NE(sample->GetData(), nullptr);
    EXPECT_TRUE(sample->GetData()->Is<TGLWAVFile>());
    EXPECT_EQ(sample->GetData()->HeldDataSize(), 22050u + 44u);
  }
  TGLSoundLibrary library;
  library.Samples().AddFile("sounds/rain2.wav");
  EXPECT_NE(library.Samples().GetByName("SOUNDS/RAIN2.WAV"), nullptr);
  EXPECT_EQ(library.Samples().GetByName("rain2.wav"), nullptr);
}

TEST_F(SoundFolder, UnknownExtensionGivesNoDataAndAMissingFileRaises) {
  Write("sounds/rain.ogg", Wav(22050, 1, 16, 10));
  TGLSoundLibrary library;
  TGLSoundSample* ogg = library.Samples().AddFile("sounds/rain.ogg");
  EXPECT_EQ(ogg->GetData(), nullptr);
  EXPECT_EQ(ogg->GetName(), "sounds/rain.ogg");

  TGLSoundSample* sample = library.Samples().Add();
  EXPECT_THROW(sample->LoadFromFile("sounds/missing.wav"), EFOpenError);
  EXPECT_EQ(sample->GetData(), nullptr);
  Write("sounds/broken.wav", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
  EXPECT_THROW(sample->LoadFromFile("sounds/broken.wav"), ESoundFileError);
  EXPECT_EQ(sample->GetData(), nullptr);
}

TEST(SoundSample, DisplayNameShowsTheSampling) {
  struct Case {
    std::uint32_t rate;
    std::uint16_t channels, bits;
    std::size_t bytes;
    const char* expected;
  } cases[] = {
      // 22050 bytes at 22050 x 2 bytes a second: half a second.
      {22050, 1, 16, 22050, "wind (22050 Hz, 16 bits, 1 channel, 0.50 sec)"},
      // 11025 x 2 channels x 1 byte: 3000 bytes last 0.136 seconds.
      {11025, 2, 8, 3000, "wind (11025 Hz, 8 bits, 2 channels, 0.14 sec)"},
  };
  for (const Case& c : cases) {
    TGLSoundSample sample;
    sample.SetName("wind");
    TGLWAVFile wav;
    TMemoryStream stream(Wav(c.rate, c.channels, c.bits, c.bytes));
    wav.LoadFromStream(stream);
    sample.SetData(&wav);
    EXPECT_EQ(sample.GetDisplayName(), c.expected);
  }
  TGLSoundSample empty;
  empty.SetName("rain");
  EXPECT_EQ(empty.GetDisplayName(), "rain (empty)");
}

TEST(SoundSample, BinDataIsTheClassNameThenTheFile) {
  const Bytes file = Wav(8000, 1, 8, 5);
  TGLSoundSample sample;
  EXPECT_FALSE(sample.WriteBinData());
  TGLWAVFile wav;
  TMemoryStream stream(file);
  wav.LoadFromStream(stream);
  sample.SetData(&wav);
  const std::string expected = std::string("\x0A\x00\x00\x00", 4) + "TGLWAVFile" + std::string(file.begin(), file.end());
  ASSERT_EQ(sample.WriteBinData(), expected);

  TGLSoundSample copy;
  copy.ReadBinData(expected);
  ASSERT_NE(copy.GetData(), nullptr);
  EXPECT_TRUE(copy.GetData()->Is<TGLWAVFile>());
  EXPECT_EQ(copy.WriteBinData(), expected);
}

TEST(SoundSample, DamagedBinDataRaisesAndKeepsTheData) {
  const Bytes file = Wav(8000, 1, 8, 5);
  const std::string good = std::string("\x0A\x00\x00\x00", 4) + "TGLWAVFile" + std::string(file.begin(), file.end());
  struct Case {
    const char* name;
    std::string data;
  } cases[] = {
      {"unknown class", std::string("\x0A\x00\x00\x00", 4) + "TGLOGGFile" + std::string(file.begin(), file.end())},
      {"name past the end", std::string("\xFF\x00\x00\x00", 4) + "TGLWAVFile"},
      {"not a sound file", std::string("\x09\x00\x00\x00", 4) + "TGLSMBASS"},
      {"short", std::string("\x0A\x00", 2)},
      {"file damaged", std::string("\x0A\x00\x00\x00", 4) + "TGLWAVFile" + "RIFX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSoundSample sample;
    sample.ReadBinData(good);
    EXPECT_THROW(sample.ReadBinData(c.data), Exception);
    EXPECT_EQ(sample.WriteBinData(), good);
  }
}

TEST(SoundSample, AssignCopiesNameAndData) {
  TGLSoundSample sample;
  sample.SetName("wings");
  TGLMP3File mp3;
  TMemoryStream stream(Bytes{0xFF, 0xFB, 0x90, 0x00});
  mp3.LoadFromStream(stream);
  sample.SetData(&mp3);
  TGLSoundSample copy;
  copy.Assign(&sample);
  EXPECT_EQ(copy.GetName(), "wings");
  ASSERT_NE(copy.GetData(), nullptr);
  EXPECT_NE(copy.GetData(), sample.GetData());
  EXPECT_TRUE(copy.GetData()->Is<TGLMP3File>());
  EXPECT_EQ(copy.GetData()->HeldDataSize(), 4u);
}

TEST(SoundLibrary, FoundByExactNameWhileAlive) {
  auto first = std::make_unique<TGLSoundLibrary>();
  first->SetName("GLSoundLibrary");
  TGLSoundLibrary second;
  second.SetName("GLSoundLibrary");
  EXPECT_EQ(FindSoundLibrary("GLSoundLibrary"), first.get());
  EXPECT_EQ(FindSoundLibrary("glsoundlibrary"), nullptr);
  first.reset();
  EXPECT_EQ(FindSoundLibrary("GLSoundLibrary"), &second);
}

}  // namespace
