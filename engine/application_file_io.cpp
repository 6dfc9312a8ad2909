#include "engine/application_file_io.h"

#include "engine/engine_errors.h"

namespace {
TApplicationFileIO*& CurrentFileIO() {
  static TApplicationFileIO* current = nullptr;
  return current;
}
}  // namespace

TAFIOFileStreamEvent& AFIOCreateFileStreamHook() {
  static TAFIOFileStreamEvent hook;
  return hook;
}

TApplicationFileIO::TApplicationFileIO() : previous_(CurrentFileIO()) { CurrentFileIO() = this; }

TApplicationFileIO::~TApplicationFileIO() {
  if (CurrentFileIO() == this) CurrentFileIO() = previous_;
}

TApplicationFileIO* TApplicationFileIO::Current() { return CurrentFileIO(); }

std::unique_ptr<TStream> CreateFileStream(const std::string& file_name, uint16_t mode) {
  // A hook or an event that gives no stream leaves the file to the next in line.
  if (const TAFIOFileStreamEvent& hook = AFIOCreateFileStreamHook()) {
    if (std::unique_ptr<TStream> stream = hook(file_name, mode)) return stream;
  }
  if (TApplicationFileIO* io = TApplicationFileIO::Current(); io && io->OnFileStream) {
    if (std::unique_ptr<TStream> stream = io->OnFileStream(file_name, mode)) return stream;
  }
  return std::make_unique<TFileStream>(file_name, mode);
}

std::string ExtractFileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

CLIENT_DEFINE_CLASS(TDataFile, TPersistent)

std::unique_ptr<TDataFile> TDataFile::CreateCopy(TPersistent* owner) const {
  if (!ClassType().CanCreate()) return nullptr;
  std::unique_ptr<TDataFile> copy = CreateInstanceAs<TDataFile>(ClassType());
  copy->SetOwner(owner);
  return copy;
}

void TDataFile::LoadFromFile(const std::string& file_name) {
  resource_name_ = ExtractFileName(file_name);
  std::unique_ptr<TStream> stream = CreateFileStream(file_name, fmOpenRead | fmShareDenyNone);
  LoadFromStream(*stream);
}

void TDataFile::SaveToFile(const std::string& file_name) {
  resource_name_ = ExtractFileName(file_name);
  std::unique_ptr<TStream> stream = CreateFileStream(file_name, fmCreate);
  SaveToStream(*stream);
}

void TDataFile::SaveToStream(TStream& stream) {
  RaiseAssertion(("Export for " + ClassName() + " not available.").c_str(), __FILE__, __LINE__);
}
