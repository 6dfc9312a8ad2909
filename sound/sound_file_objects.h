#pragma once
// Sound files held in memory in the form in which they were read, and the
// registry of sound-file classes by file extension (WAV and MP3 are
// registered). A sound sample owns one such file; the sound manager hands
// the held bytes to the audio device, which decodes them.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/application_file_io.h"
#include "platform/base/exception.h"

// A sound file that cannot be read: "RIFF required", "RIFF-WAVE required",
// and the other messages below.
CLIENT_DECLARE_EXCEPTION(ESoundFileError, Exception);

namespace sound_messages {
inline constexpr const char* kRIFFRequired = "RIFF required";
inline constexpr const char* kRIFFWAVERequired = "RIFF-WAVE required";
inline constexpr const char* kWAVFormatInvalid = "WAV format chunk missing or invalid";
inline constexpr const char* kWAVDataMissing = "WAV data chunk missing";
inline constexpr const char* kMP3OnWaveOutput = "MP3 playback on WaveOut not supported.";
}  // namespace sound_messages

// The wave-format record of a WAV file ("fmt " chunk), 18 bytes on file.
struct TWaveFormat {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
  std::uint16_t cbSize = 0;
  bool operator==(const TWaveFormat&) const = default;
};

class TGLSoundSampling : public TPersistent {
  CLIENT_DECLARE_CLASS(TGLSoundSampling)
public:
  TGLSoundSampling() = default;
  explicit TGLSoundSampling(TPersistent* owner) : owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

  int GetFrequency() const { return FFrequency; }
  void SetFrequency(int value) { FFrequency = value; }
  int GetNbChannels() const { return FNbChannels; }
  void SetNbChannels(int value) { FNbChannels = value; }
  int GetBitsPerSample() const { return FBitsPerSample; }
  void SetBitsPerSample(int value) { FBitsPerSample = value; }

  // Frequency x BitsPerSample x NbChannels / 8, truncated.
  int BytesPerSec() const;
  int BytesPerSample() const { return FBitsPerSample / 8; }
  // A PCM record of these values; the block is one frame (channels x bytes
  // per sample), as PCM output requires.
  TWaveFormat WaveFormat() const;

  void Assign(const TPersistent* source) override;

private:
  TPersistent* owner_ = nullptr;
  int FFrequency = 22050;
  int FNbChannels = 1;
  int FBitsPerSample = 8;
};

class TGLSoundFile : public TDataFile {
  CLIENT_DECLARE_CLASS(TGLSoundFile)
public:
  explicit TGLSoundFile(TPersistent* owner = nullptr);
  // The active sound manager lets go of what it made of the bytes.
  ~TGLSoundFile() override;

  TGLSoundSampling& Sampling() { return FSampling; }
  const TGLSoundSampling& Sampling() const { return FSampling; }
  void SetSampling(const TGLSoundSampling& value) { FSampling.Assign(&value); }

  // Plays the sound once, asynchronously, on a device of its own (not the
  // sound manager's).
  virtual void PlayOnWaveOutput() = 0;
  // The bytes as read (nullptr when empty) and their count.
  virtual const std::uint8_t* HeldData() const { return FData.empty() ? nullptr : FData.data(); }
  virtual std::size_t HeldDataSize() const { return FData.size(); }
  // Writes the held bytes.
  void SaveToStream(TStream& stream) override;
  // The raw samples (nullptr when none) and their byte count.
  virtual const std::uint8_t* SampleData() const = 0;
  virtual std::size_t DataLength() const = 0;
  // DataLength / bytes per sample; 0 below one byte per sample.
  std::size_t SampleCount() const;
  // DataLength / bytes per second; 0 when the rate is unknown.
  float DurationSeconds() const;

  // Set by the sound manager when the audio device could not play the held
  // bytes, so that it does not try again; a new file starts clear.
  bool GetUnplayable() const { return FUnplayable; }
  void SetUnplayable(bool value) { FUnplayable = value; }

  // Copies the sampling and, from a file of the same class, the bytes.
  void Assign(const TPersistent* source) override;

protected:
  // After the held bytes were replaced: the device may try them again, and
  // the active sound manager lets go of what it made of the old ones.
  void BytesChanged();

  std::vector<std::uint8_t> FData;  // as read

private:
  TGLSoundSampling FSampling;
  bool FUnplayable = false;
};

// A RIFF-WAVE file: the whole file as read, its format record, the ADPCM
// sample count ("fact") and where the "data" chunk's samples start.
class TGLWAVFile : public TGLSoundFile {
  CLIENT_DECLARE_CLASS(TGLWAVFile)
public:
  explicit TGLWAVFile(TPersistent* owner = nullptr) : TGLSoundFile(owner) {}

  // Reads the chunks up to "data" and holds the RIFF's bytes. Chunks are
  // word-aligned (an odd size is followed by a pad byte); the walk never
  // leaves the RIFF or the stream. A RIFF that claims more than the stream
  // holds keeps what is there. Raises ESoundFileError for a file that is
  // not RIFF-WAVE, has no usable format before "data" (no channels or no
  // rate) or no "data" chunk, and the stream's error for a cut header.
  void LoadFromStream(TStream& stream) override;
  void PlayOnWaveOutput() override;

  const std::uint8_t* SampleData() const override {
    return FData.empty() ? nullptr : FData.data() + FDataOffset;
  }
  // The "data" chunk's own size, as far as the held bytes reach (chunks
  // after it are not samples).
  std::size_t DataLength() const override { return FDataLength; }

  const TWaveFormat& Format() const { return FFormat; }
  std::uint32_t ADPCMSampleCount() const { return FADPCMSampleCount; }
  std::size_t DataOffset() const { return FDataOffset; }

  void Assign(const TPersistent* source) override;

private:
  TWaveFormat FFormat;
  std::uint32_t FADPCMSampleCount = 0;
  std::size_t FDataOffset = 0;
  std::size_t FDataLength = 0;
};

// An MP3 file, held as read; it has no raw samples of its own.
class TGLMP3File : public TGLSoundFile {
  CLIENT_DECLARE_CLASS(TGLMP3File)
public:
  explicit TGLMP3File(TPersistent* owner = nullptr) : TGLSoundFile(owner) {}

  // The rest of the stream.
  void LoadFromStream(TStream& stream) override;
  // Raises ESoundFileError "MP3 playback on WaveOut not supported.".
  void PlayOnWaveOutput() override;

  const std::uint8_t* SampleData() const override { return nullptr; }
  std::size_t DataLength() const override { return 0; }
};

struct TGLSoundFileFormat {
  std::string Extension;  // lower case, without the dot
  std::string Description;
  const TClassInfo* SoundFileClass;
};

// The registry of sound-file classes; "wav" and "mp3" come first.
class TGLSoundFileFormatsList {
public:
  // The extension is stored in lower case.
  void Add(const std::string& extension, const std::string& description, const TClassInfo& fileClass);
  // Lower-cases the extension; searches from the last registered record to
  // the first; "wav" is found by "wav" and ".wav". nullptr when none.
  const TClassInfo* FindFromExtension(const std::string& extension) const;
  const std::vector<TGLSoundFileFormat>& Formats() const { return FFormats; }

private:
  std::vector<TGLSoundFileFormat> FFormats;
};

TGLSoundFileFormatsList& SoundFileFormats();
void RegisterSoundFormat(const std::string& extension, const std::string& description, const TClassInfo& fileClass);
// SoundFileFormats().FindFromExtension.
const TClassInfo* FindFormatByExtension(const std::string& extension);
