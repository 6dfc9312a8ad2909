#include "sound/sound_library.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "engine/engine_errors.h"
#include "platform/base/path_resolve.h"

CLIENT_DEFINE_CLASS(TGLSoundSample, TCollectionItem)
CLIENT_DEFINE_CLASS(TGLSoundSamples, TOwnedCollection)
CLIENT_DEFINE_CLASS(TGLSoundLibrary, TComponent)

namespace {

std::vector<TGLSoundLibrary*>& Libraries() {
  static std::vector<TGLSoundLibrary*> libraries;
  return libraries;
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The extension with its dot, of the last part of a world path.
std::string FileExtension(const std::string& fileName) {
  const std::size_t dot = fileName.find_last_of(".\\/:");
  return dot == std::string::npos || fileName[dot] != '.' ? std::string() : fileName.substr(dot);
}

void AppendLE32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

// --- TGLSoundSample ---------------------------------------------------------

void TGLSoundSample::SetData(const TGLSoundFile* data) {
  if (!data) {
    FData.reset();
    return;
  }
  std::unique_ptr<TDataFile> copy = data->CreateCopy(this);
  CLIENT_ASSERT(copy != nullptr);
  copy->Assign(data);
  FData.reset(static_cast<TGLSoundFile*>(copy.release()));
}

std::string TGLSoundSample::GetDisplayName() const {
  if (!FData) return FName + " (empty)";
  const TGLSoundSampling& s = FData->Sampling();
  char seconds[64];
  auto [end, ec] = std::to_chars(seconds, seconds + sizeof seconds, FData->DurationSeconds(),
                                 std::chars_format::fixed, 2);
  return FName + " (" + std::to_string(s.GetFrequency()) + " Hz, " + std::to_string(s.GetBitsPerSample()) + " bits, " +
         std::to_string(s.GetNbChannels()) + " channel" + (s.GetNbChannels() >= 2 ? "s" : "") + ", " +
         std::string(seconds, ec == std::errc() ? end : seconds) + " sec)";
}

void TGLSoundSample::LoadFromFile(const std::string& fileName) {
  FData.reset();
  const std::size_t separator = fileName.find_last_of("\\:");
  FName = separator == std::string::npos ? fileName : fileName.substr(separator + 1);
  const TClassInfo* fileClass = FindFormatByExtension(FileExtension(fileName));
  if (!fileClass) return;
  std::unique_ptr<TGLSoundFile> file = CreateInstanceAs<TGLSoundFile>(*fileClass);
  file->SetOwner(this);
  file->LoadFromFile(ResolvePath(fileName));
  FData = std::move(file);
}

void TGLSoundSample::PlayOnWaveOutput() {
  if (FData) FData->PlayOnWaveOutput();
}

void TGLSoundSample::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TGLSoundSample*>(source)) {
    FName = other->FName;
    SetData(other->FData.get());
    return;
  }
  TCollectionItem::Assign(source);
}

std::optional<std::string> TGLSoundSample::WriteBinData() const {
  if (!FData) return std::nullopt;
  const std::string& className = FData->ClassName();
  std::string out;
  AppendLE32(out, static_cast<std::uint32_t>(className.size()));
  out += className;
  TMemoryStream stream;
  FData->SaveToStream(stream);
  out.append(stream.Bytes().begin(), stream.Bytes().end());
  return out;
}

void TGLSoundSample::ReadBinData(const std::string& data) {
  TStringStream stream(data);
  std::uint8_t length[4];
  stream.ReadBuffer(length, 4);
  const std::uint32_t size = static_cast<std::uint32_t>(length[0]) | static_cast<std::uint32_t>(length[1]) << 8 |
                             static_cast<std::uint32_t>(length[2]) << 16 | static_cast<std::uint32_t>(length[3]) << 24;
  if (size > stream.Remaining()) throw EStreamError(engine_messages::kStreamReadError);
  std::string className(size, '\0');
  stream.ReadBuffer(className.data(), size);
  const TClassInfo& fileClass = FindClass(className);
  CLIENT_ASSERT(fileClass.InheritsFrom(TGLSoundFile::StaticClass()) && fileClass.CanCreate());
  std::unique_ptr<TGLSoundFile> file = CreateInstanceAs<TGLSoundFile>(fileClass);
  file->SetOwner(this);
  file->LoadFromStream(stream);
  FData = std::move(file);
}

// --- TGLSoundSamples --------------------------------------------------------

TGLSoundSamples::TGLSoundSamples(TPersistent* owner) : TOwnedCollection(owner, TGLSoundSample::StaticClass()) {}

TGLSoundSample* TGLSoundSamples::AddFile(const std::string& fileName) {
  TGLSoundSample* sample = Add();
  sample->LoadFromFile(fileName);
  return sample;
}

TGLSoundSample* TGLSoundSamples::GetByName(const std::string& name) const {
  for (int i = 0; i < GetCount(); ++i)
    if (SameText(GetItems(i)->GetName(), name)) return GetItems(i);
  return nullptr;
}

// --- TGLSoundLibrary --------------------------------------------------------

TGLSoundLibrary::TGLSoundLibrary(TComponent* owner) : TComponent(owner), FSamples(this) {
  Libraries().push_back(this);
}

TGLSoundLibrary::~TGLSoundLibrary() { std::erase(Libraries(), this); }

TGLSoundLibrary* FindSoundLibrary(const std::string& name) {
  for (TGLSoundLibrary* library : Libraries())
    if (library->GetName() == name) return library;
  return nullptr;
}

bool IsSoundLibraryAlive(const TGLSoundLibrary* library) {
  return library && std::find(Libraries().begin(), Libraries().end(), library) != Libraries().end();
}
