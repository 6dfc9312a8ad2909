#include "shell/core/packed_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "client/texture_loading.h"
#include "imaging/linear_bitmap.h"
#include "platform/base/atomic_file.h"
#include "platform/base/exception.h"
#include "shell/core/find_file.h"

namespace {

// A private scratch file of our own, named ".jp2" so the loaders take its
// content for JPEG 2000; removed when this goes.
class ScratchFile {
public:
  ScratchFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/io3dxXXXXXX.jp2";
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) throw EInOutError("Cannot create a temporary file in " + pattern);
    ::close(fd);
    FPath = pattern;
  }
  ~ScratchFile() { std::remove(FPath.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

std::string ReadAll(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) throw EInOutError("Cannot open file \"" + fileName + "\"");
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void Convert(const std::string& packed, const ScratchFile& scratch) {
  const std::string bytes = ReadAll(packed);
  const size_t offset = FileNameOffset(packed);
  if (bytes.size() <= offset) throw ELinearBitmap("the file holds no picture");
  WriteFileAtomically(scratch.Path(), std::string_view(bytes).substr(offset));
  TLinearBitmap picture;
  picture.LoadFromFile(scratch.Path());
  Bitmap bitmap;
  picture.AssignTo(bitmap);
  const std::string target = std::filesystem::path(packed).replace_extension(".3db").string();
  WriteFileAtomically(target, EncodePackedPicture(bitmap, target));
  if (std::remove(packed.c_str()) != 0) throw EInOutError("Cannot remove \"" + packed + "\"");
}

}  // namespace

PackedPictureReport UnpackPictures(const std::vector<std::string>& files) {
  PackedPictureReport report;
  if (files.empty()) return report;
  ScratchFile scratch;
  for (const std::string& file : files) {
    try {
      Convert(file, scratch);
      ++report.converted;
    } catch (const std::exception& e) {
      report.failures.push_back(file + ": " + e.what());
    }
  }
  return report;
}

PackedPictureReport UnpackFirstRunPictures(const std::string& programFolder) {
  const std::string marker = programFolder + "firsttime.txt";
  if (!std::filesystem::exists(marker)) return {};
  TFindFile search;
  search.SetDirectory(programFolder);
  search.SetFilter("*.3dj");
  search.SetRecurse(true);
  search.Execute();
  PackedPictureReport report = UnpackPictures(search.GetFiles());
  if (report.failures.empty()) std::remove(marker.c_str());
  return report;
}
