#pragma once
// What the fuzz targets that read files share: the picture formats with the
// codec plug-ins of the program folder registered once, and the input
// written to a temporary file that is gone again when the run ends.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unistd.h>

#include "imaging/bitmap_loaders.h"
#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"

namespace fuzz {

// The image library's formats and the plug-ins' (JPEG 2000 among them).
inline TImageDLLLoader& PictureFormatsWithPlugins() {
  static TImageDLLLoader& loader = []() -> TImageDLLLoader& {
    StartImageLibrary();
    ImageDLLLoader().ScanCodecDLLs(CLIENT_PROGRAM_DIR);
    return ImageDLLLoader();
  }();
  return loader;
}

// A temporary file with the extension (without "."), holding the bytes;
// removed when it goes out of scope.
class InputFile {
public:
  InputFile(const std::string& extension, const std::uint8_t* data, std::size_t size) : FFile(extension) {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(FFile.GetHandle(), data + done, size - done);
      if (n <= 0) break;
      done += std::size_t(n);
    }
  }
  const std::string& Name() const { return FFile.GetFileName(); }

private:
  TemporaryPictureFile FFile;
};

}  // namespace fuzz
