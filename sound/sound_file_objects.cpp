#include "sound/sound_file_objects.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/engine_errors.h"
#include "platform/audio/audio_device.h"
#include "sound/sound_manager.h"

CLIENT_DEFINE_CLASS(TGLSoundSampling, TPersistent)
CLIENT_DEFINE_CLASS(TGLSoundFile, TDataFile)
CLIENT_DEFINE_CLASS(TGLWAVFile, TGLSoundFile)
CLIENT_DEFINE_CLASS(TGLMP3File, TGLSoundFile)
// Sound samples name their file's class in their stored form.
CLIENT_REGISTER_CLASS(TGLWAVFile);
CLIENT_REGISTER_CLASS(TGLMP3File);

namespace {

std::uint32_t LE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t LE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool IsId(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

std::string ToLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The device PlayOnWaveOutput plays on, opened at the first call and kept
// for the life of the process; sounds that have ended are freed at the next.
class WaveOutput {
public:
  static WaveOutput& Instance() {
    static WaveOutput output;
    return output;
  }

  void Play(const std::uint8_t* data, std::size_t size) {
    if (!FDevice) {
      std::unique_ptr<audio::AudioDevice> device = audio::CreatePlaybackDevice();
      if (!device || !device->Init(44100)) Raise(device.get());
      if (!device->Start()) {
        device->Free();
        Raise(device.get());
      }
      FDevice = std::move(device);
    }
    std::erase_if(FPlaying, [this](const Playing& p) {
      if (FDevice->ChannelIsActive(p.channel)) return false;
      FDevice->SampleFree(p.sample);
      return true;
    });
    const audio::Handle sample = FDevice->SampleLoad(data, size, 1, 0);
    if (!sample) Raise(FDevice.get());
    const audio::Handle channel = FDevice->SamplePlay3D(sample, {}, {}, {});
    if (!channel) {
      FDevice->SampleFree(sample);
      Raise(FDevice.get());
    }
    FDevice->Apply3D();
    FPlaying.push_back({sample, channel});
  }

private:
  struct Playing {
    audio::Handle sample, channel;
  };
  [[noreturn]] static void Raise(audio::AudioDevice* device) {
    const int code = device ? device->ErrorGetCode() : audio::kErrorDevice;
    RaiseAssertion(("Wave output error " + std::to_string(code)).c_str(), __FILE__, __LINE__);
  }

  std::unique_ptr<audio::AudioDevice> FDevice;
  std::vector<Playing> FPlaying;
};

}  // namespace

// --- TGLSoundSampling -------------------------------------------------------

int TGLSoundSampling::BytesPerSec() const {
  return static_cast<int>(static_cast<long long>(FFrequency) * FBitsPerSample * FNbChannels / 8);
}

TWaveFormat TGLSoundSampling::WaveFormat() const {
  TWaveFormat format;
  format.wFormatTag = 1;
  format.nChannels = static_cast<std::uint16_t>(FNbChannels);
  format.nSamplesPerSec = static_cast<std::uint32_t>(FFrequency);
  format.nAvgBytesPerSec = static_cast<std::uint32_t>(BytesPerSec());
  format.nBlockAlign = static_cast<std::uint16_t>(FNbChannels * BytesPerSample());
  format.wBitsPerSample = static_cast<std::uint16_t>(FBitsPerSample);
  format.cbSize = 0;
  return format;
}

void TGLSoundSampling::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLSoundSampling*>(source)) {
    FFrequency = other->FFrequency;
    FNbChannels = other->FNbChannels;
    FBitsPerSample = other->FBitsPerSample;
    return;
  }
  TPersistent::Assign(source);
}

// --- TGLSoundFile -----------------------------------------------------------

TGLSoundFile::TGLSoundFile(TPersistent* owner) : TDataFile(owner), FSampling(this) {}

TGLSoundFile::~TGLSoundFile() {
  if (TGLSoundManager* manager = ActiveSoundManager()) manager->SoundFileChanged(this);
}

void TGLSoundFile::BytesChanged() {
  FUnplayable = false;
  if (TGLSoundManager* manager = ActiveSoundManager()) manager->SoundFileChanged(this);
}

std::size_t TGLSoundFile::SampleCount() const {
  const int bytes = FSampling.BytesPerSample();
  return bytes < 1 ? 0 : DataLength() / static_cast<std::size_t>(bytes);
}

float TGLSoundFile::DurationSeconds() const {
  // A file without a rate (compressed formats may give no bits) has no length.
  const int bytesPerSec = FSampling.BytesPerSec();
  return bytesPerSec <= 0 ? 0.0f : static_cast<float>(DataLength()) / static_cast<float>(bytesPerSec);
}

void TGLSoundFile::SaveToStream(TStream& stream) {
  if (!FData.empty()) stream.WriteBuffer(FData.data(), FData.size());
}

void TGLSoundFile::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLSoundFile*>(source)) {
    if (&other->ClassType() == &ClassType()) {
      FData = other->FData;
      BytesChanged();
    }
    FSampling.Assign(&other->FSampling);
    return;
  }
  TDataFile::Assign(source);
}

// --- TGLWAVFile -------------------------------------------------------------

void TGLWAVFile::LoadFromStream(TStream& stream) {
  const std::int64_t start = stream.GetPosition();
  const std::int64_t available = std::max<std::int64_t>(stream.GetSize() - start, 0);
  std::uint8_t header[8];
  stream.ReadBuffer(header, 8);
  if (!IsId(header, "RIFF")) throw ESoundFileError(sound_messages::kRIFFRequired);
  const std::int64_t riffEnd = std::min<std::int64_t>(std::int64_t{LE32(header + 4)} + 8, available);
  std::uint8_t wave[4];
  stream.ReadBuffer(wave, 4);
  if (!IsId(wave, "WAVE")) throw ESoundFileError(sound_messages::kRIFFWAVERequired);

  TWaveFormat format;
  bool formatRead = false;
  std::uint32_t adpcmCount = 0;
  std::int64_t dataOffset = -1;
  std::int64_t dataSize = 0;
  // The walk stays inside the stream: a RIFF that claims too little (some
  // recorders write 0) still finds its "data".
  for (std::int64_t position = 12; position + 8 <= available;) {
    stream.SetPosition(start + position);
    stream.ReadBuffer(header, 8);
    const std::int64_t size = LE32(header + 4);
    const std::int64_t body = position + 8;
    if (IsId(header, "fmt ")) {
      if (!formatRead) {
        std::uint8_t record[18] = {};
        stream.ReadBuffer(record, static_cast<std::size_t>(std::min<std::int64_t>({size, 18, available - body})));
        format.wFormatTag = LE16(record);
        format.nChannels = LE16(record + 2);
        format.nSamplesPerSec = LE32(record + 4);
        format.nAvgBytesPerSec = LE32(record + 8);
        format.nBlockAlign = LE16(record + 12);
        format.wBitsPerSample = LE16(record + 14);
        format.cbSize = LE16(record + 16);
        formatRead = true;
      }
    } else if (IsId(header, "fact")) {
      if (format.wFormatTag == 2 && size >= 4 && body + 4 <= available) {
        std::uint8_t count[4];
        stream.ReadBuffer(count, 4);
        adpcmCount = LE32(count);
      }
    } else if (IsId(header, "data")) {
      dataOffset = body;
      dataSize = size;
      break;
    }
    // Chunks are word-aligned: an odd size is followed by a pad byte.
    position = body + size + (size & 1);
  }
  if (dataOffset < 0) throw ESoundFileError(sound_messages::kWAVDataMissing);
  if (!formatRead || format.nChannels == 0 || format.nSamplesPerSec == 0)
    throw ESoundFileError(sound_messages::kWAVFormatInvalid);

  // The RIFF's bytes, and the whole "data" chunk (as far as the stream
  // goes) even when the RIFF claims less.
  const std::int64_t dataEnd = std::min(dataOffset + dataSize, available);
  const std::int64_t held = std::max(riffEnd, dataEnd);
  std::vector<std::uint8_t> data(static_cast<std::size_t>(held));
  stream.SetPosition(start);
  stream.ReadBuffer(data.data(), data.size());

  FData = std::move(data);
  FFormat = format;
  FADPCMSampleCount = adpcmCount;
  FDataOffset = static_cast<std::size_t>(dataOffset);
  FDataLength = static_cast<std::size_t>(dataEnd - dataOffset);
  Sampling().SetFrequency(static_cast<int>(std::min<std::uint32_t>(format.nSamplesPerSec, 0x7FFFFFFF)));
  Sampling().SetNbChannels(format.nChannels);
  Sampling().SetBitsPerSample(format.wBitsPerSample);
  BytesChanged();
}

void TGLWAVFile::PlayOnWaveOutput() {
  if (!FData.empty()) WaveOutput::Instance().Play(FData.data(), FData.size());
}

void TGLWAVFile::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLWAVFile*>(source)) {
    FFormat = other->FFormat;
    FADPCMSampleCount = other->FADPCMSampleCount;
    FDataOffset = other->FDataOffset;
    FDataLength = other->FDataLength;
  }
  TGLSoundFile::Assign(source);
}

// --- TGLMP3File -------------------------------------------------------------

void TGLMP3File::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max<std::int64_t>(stream.Remaining(), 0)));
  if (!data.empty()) stream.ReadBuffer(data.data(), data.size());
  FData = std::move(data);
  BytesChanged();
}

void TGLMP3File::PlayOnWaveOutput() { throw ESoundFileError(sound_messages::kMP3OnWaveOutput); }


// --- The format registry ----------------------------------------------------

void TGLSoundFileFormatsList::Add(const std::string& extension, const std::string& description,
                                  const TClassInfo& fileClass) {
  FFormats.push_back({ToLower(extension), description, &fileClass});
}

const TClassInfo* TGLSoundFileFormatsList::FindFromExtension(const std::string& extension) const {
  const std::string wanted = ToLower(extension);
  for (auto it = FFormats.rbegin(); it != FFormats.rend(); ++it)
    if (wanted == it->Extension || wanted == "." + it->Extension) return it->SoundFileClass;
  return nullptr;
}

TGLSoundFileFormatsList& SoundFileFormats() {
  // Created with the two formats of the unit, whoever asks first.
  static TGLSoundFileFormatsList formats = [] {
    TGLSoundFileFormatsList list;
    list.Add("wav", "Windows WAV files", TGLWAVFile::StaticClass());
    list.Add("mp3", "MPEG Layer3 files", TGLMP3File::StaticClass());
    return list;
  }();
  return formats;
}

void RegisterSoundFormat(const std::string& extension, const std::string& description, const TClassInfo& fileClass) {
  SoundFileFormats().Add(extension, description, fileClass);
}

const TClassInfo* FindFormatByExtension(const std::string& extension) {
  return SoundFileFormats().FindFromExtension(extension);
}
