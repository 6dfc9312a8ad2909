// The first byte chooses the decoder; the rest is the picture file. Every
// input must end in a picture or an exception of the image library, never a
// crash, a hang or a leak.

#include <cstdint>
#include <cstring>
#include <vector>
#include <unistd.h>

#include "imaging/bitmap_loaders.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"

namespace {

TImageDLLLoader& Plugins() {
  static TImageDLLLoader& loader = [] () -> TImageDLLLoader& {
    StartImageLibrary();
    ImageDLLLoader().ScanCodecDLLs(CLIENT_PROGRAM_DIR);
    return ImageDLLLoader();
  }();
  return loader;
}

void LoadThroughPlugin(const std::uint8_t* data, std::size_t size, TLinearBitmap& picture) {
  TemporaryPictureFile file("jp2");
  const int handle = file.GetHandle();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(handle, data + done, size - done);
    if (n <= 0) return;
    done += std::size_t(n);
  }
  Plugins().LoadFromFile(file.GetFileName(), "JP2", picture);
}

// Container fields from the input; the pixel block is sized as the fields
// promise, as a well-behaved plug-in would, so only the host's checks are
// under test.
void ConvertContainer(const std::uint8_t* data, std::size_t size, TLinearBitmap& picture) {
  if (size < 8) return;
  TImageContainer c{};
  c.Width = std::int8_t(data[0]);
  c.Height = std::int8_t(data[1]);
  c.BytesPerLine = std::int16_t(data[2] | data[3] << 8);
  c.Flags = data[4];
  const bool withPalette = data[5] & 1;
  const int planes = c.Flags & 15;
  const std::int64_t rows = c.Height > 0 ? c.Height : 0;
  const std::int64_t stride = c.BytesPerLine > 0 ? c.BytesPerLine : 0;
  std::vector<std::uint8_t> block(std::size_t(stride * rows * (planes > 0 ? planes : 1)) + 1);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = data[6 + i % (size - 6)];
  std::vector<std::uint8_t> palette(768, 7);
  c.Data = data[5] & 2 ? nullptr : block.data();
  c.Palette = withPalette ? palette.data() : nullptr;
  // A stride below the row's bytes must be refused, not read past the block.
  ContainerToBitmap(c, picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TLinearBitmap picture;
  try {
    switch (data[0] % 4) {
      case 0: DecodeBmp(data + 1, size - 1, picture); break;
      case 1: DecodeJpeg(data + 1, size - 1, picture); break;
      case 2: LoadThroughPlugin(data + 1, size - 1, picture); break;
      case 3: ConvertContainer(data + 1, size - 1, picture); break;
    }
  } catch (const ELinearBitmap&) {
  }
  if (picture.Present) {
    // Touch every byte so that a short block shows under ASan.
    volatile std::uint8_t sum = 0;
    for (std::int32_t i = 0; i <= picture.Size; ++i) sum = std::uint8_t(sum + picture.Map[i]);
  }
  return 0;
}
