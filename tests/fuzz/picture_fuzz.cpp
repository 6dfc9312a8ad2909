// Random bytes as a picture file, loaded through the picture layer by its
// extension: the first byte chooses one of the registered extensions (the
// image library's and the plug-ins'), or one no format has. Every input
// ends in a picture or a clear error, never a crash, a hang or a leak.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/picture/picture.h"
#include "platform/picture/picture_formats.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::PictureFormatsWithPlugins();
  static const std::vector<std::string> extensions = [] {
    std::vector<std::string> known = PictureFormats::Global().Extensions();
    known.push_back("XYZ");  // no format
    known.push_back("bMp");  // any letter case
    return known;
  }();
  const std::string& extension = extensions[data[0] % extensions.size()];
  fuzz::InputFile file(extension, data + 1, size - 1);
  Picture picture;
  int changes = 0;
  picture.OnChange = [&](Picture&) { ++changes; };
  try {
    picture.LoadFromFile(file.Name());
  } catch (const Exception&) {
    // A failed load leaves the picture as it was.
    if (!picture.GetEmpty() || changes != 0) std::abort();
    return 0;
  }
  const Bitmap& bitmap = picture.GetBitmap();
  if (bitmap.GetWidth() < 0 || bitmap.GetHeight() < 0) std::abort();
  return 0;
}
