#include "imaging/bitmap_loaders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "imaging/image_library.h"
#include "imaging/linear_bitmap.h"
#include "platform/picture/picture_formats.h"

using namespace imaging;

static bool IsExtensionChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool FilterHasExtension(const std::string& filter, const std::string& extension) {
  if (extension.empty()) return false;
  const std::string hay = UpperCaseAscii(filter);
  const std::string needle = "*." + UpperCaseAscii(extension);
  for (std::size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) {
    const std::size_t end = at + needle.size();
    if (end == hay.size() || !IsExtensionChar(hay[end])) return true;
  }
  return false;
}

bool TBitmapLoader::CanLoad(const std::string& extension) const {
  return FilterHasExtension(GetLoadFilter(), extension);
}

bool TBitmapLoader::CanSave(const std::string& extension) const {
  return FilterHasExtension(GetSaveFilter(), extension);
}

void TBitmapLoader::LoadFromStream(TBaseStream& stream, const std::string& extension, TLinearBitmap& bitmap) {
  TemporaryPictureFile temporary(extension);
  {
    TFileStream file(temporary.ReleaseHandle(), temporary.GetFileName());
    const bool wasStrict = stream.GetStrict();
    if (wasStrict) stream.SetStrict(false);
    std::int64_t copied = 0;
    bool longer = false;
    try {
      copied = CopyStreamCount(stream, &file, kMaxStreamPictureBytes);
      if (copied == kMaxStreamPictureBytes) {
        std::uint8_t probe;
        longer = stream.Read(&probe, 1) == 1;
      }
    } catch (...) {
      if (wasStrict) stream.SetStrict(true);
      throw;
    }
    if (wasStrict) stream.SetStrict(true);
    if (longer) {
      throw ELinearBitmap("Picture stream longer than " + std::to_string(kMaxStreamPictureBytes) + " bytes");
    }
  }
  LoadFromFile(temporary.GetFileName(), extension, bitmap);
}

void TBitmapLoader::SaveToStream(TBaseStream& stream, const std::string& extension,
                                 const TLinearBitmap& bitmap) {
  TemporaryPictureFile temporary(extension);
  ::close(temporary.ReleaseHandle());
  SaveToFile(temporary.GetFileName(), extension, bitmap);
  TFileStream file(temporary.GetFileName(), fmRead | fmShareRead);
  stream.CopyFrom(file);
}

void TBitmapLoader::LoadFromFile(const std::string& fileName, const std::string& extension,
                                 TLinearBitmap& bitmap) {
  TFileStream file(fileName, fmRead | fmShareRead);
  LoadFromStream(file, extension, bitmap);
}

void TBitmapLoader::SaveToFile(const std::string& fileName, const std::string& extension,
                               const TLinearBitmap& bitmap) {
  // Write errors raise as they happen; no flush to disk is forced per picture.
  TFileStream file(fileName, fmRead | fmWrite | fmCreate);
  SaveToStream(file, extension, bitmap);
}

void TBitmapLoaders::RegisterLoader(TBitmapLoader* loader) {
  if (loader) FLoaders.push_back(loader);
}

void TBitmapLoaders::UnregisterLoader(TBitmapLoader* loader) {
  std::erase(FLoaders, loader);
}

TBitmapLoader& TBitmapLoaders::FindLoader(const std::string& extension) const {
  const std::string ext = UpperCaseAscii(extension);
  for (TBitmapLoader* loader : FLoaders) {
    if (loader->CanLoad(ext)) return *loader;
  }
  throw EUnsupportedFileFormat("Unsupported file format: " + ext);
}

TBitmapLoader& TBitmapLoaders::FindSaver(const std::string& extension) const {
  const std::string ext = UpperCaseAscii(extension);
  for (TBitmapLoader* loader : FLoaders) {
    if (loader->CanSave(ext)) return *loader;
  }
  throw EUnsupportedFileFormat("Unsupported file format: " + ext);
}

TBitmapLoaders& BitmapLoaders() {
  static TBitmapLoaders loaders;
  static const bool installed = (InstallLibraryLoaders(loaders), true);
  (void)installed;
  return loaders;
}

void RegisterLoader(TBitmapLoader* loader) { BitmapLoaders().RegisterLoader(loader); }
void UnregisterLoader(TBitmapLoader* loader) { BitmapLoaders().UnregisterLoader(loader); }
TBitmapLoader& FindLoader(const std::string& extension) { return BitmapLoaders().FindLoader(extension); }
TBitmapLoader& FindSaver(const std::string& extension) { return BitmapLoaders().FindSaver(extension); }

std::string LibraryProgramFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string text(path, std::size_t(n));
  const std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string("./") : text.substr(0, slash + 1);
}

TemporaryPictureFile::TemporaryPictureFile(const std::string& extension) {
  std::string suffix = ".";
  for (char c : extension) {
    if (IsExtensionChar(c) && suffix.size() < 16) suffix += c;
  }
  if (suffix == ".") suffix = ".tmp";
  const char* folder = std::getenv("TMPDIR");
  std::string name = folder && *folder ? folder : "/tmp";
  if (name.back() != '/') name += '/';
  name += "imgXXXXXX" + suffix;
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  FHandle = ::mkstemps(buffer.data(), int(suffix.size()));
  if (FHandle < 0) {
    throw EInOutError("Error opening \"" + name + "\" - " + std::strerror(errno));
  }
  FFileName = buffer.data();
}

TemporaryPictureFile::~TemporaryPictureFile() {
  if (FHandle >= 0) ::close(FHandle);
  ::unlink(FFileName.c_str());
}

int TemporaryPictureFile::ReleaseHandle() {
  const int handle = FHandle;
  FHandle = -1;
  return handle;
}
