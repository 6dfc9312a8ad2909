// The first byte chooses the decoder, and for a picture read stretched the
// size and the filter; the rest is the picture file. Every input must end
// in a picture or an exception of the image library, never a crash, a hang
// or a leak.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/bitmap_loaders.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"
#include "imaging/picture_rows.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

void LoadThroughPlugin(const std::uint8_t* data, std::size_t size, TLinearBitmap& picture) {
  fuzz::InputFile file("jp2", data, size);
  fuzz::PictureFormatsWithPlugins().LoadFromFile(file.Name(), "JP2", picture);
}

// Container fields from the input; the pixel block is sized as the fields
// promise, as a well-behaved plug-in would, so only the host's checks are
// under test. Strides stay under 1 KiB, which covers every row a 127-pixel
// picture has, so the block is filled in a moment.
void ConvertContainer(const std::uint8_t* data, std::size_t size, TLinearBitmap& picture) {
  if (size < 8) return;
  TImageContainer c{};
  c.Width = std::int8_t(data[0]);
  c.Height = std::int8_t(data[1]);
  c.BytesPerLine = std::int16_t(std::int16_t(data[2] | data[3] << 8) % 1024);
  c.Flags = data[4];
  const bool withPalette = data[5] & 1;
  const int planes = c.Flags & 15;
  const std::int64_t rows = c.Height > 0 ? c.Height : 0;
  const std::int64_t stride = c.BytesPerLine > 0 ? c.BytesPerLine : 0;
  std::vector<std::uint8_t> block(std::size_t(stride * rows * (planes > 0 ? planes : 1)) + 1);
  // The input's bytes, repeated: copied in doubling pieces, not one by one.
  const std::size_t seed = std::min(size - 6, block.size());
  std::memcpy(block.data(), data + 6, seed);
  for (std::size_t filled = seed; filled < block.size(); filled *= 2)
    std::memcpy(block.data() + filled, block.data(), std::min(filled, block.size() - filled));
  std::vector<std::uint8_t> palette(768, 7);
  c.Data = data[5] & 2 ? nullptr : block.data();
  c.Palette = withPalette ? palette.data() : nullptr;
  // A stride below the row's bytes must be refused, not read past the block.
  ContainerToBitmap(c, picture);
}

// A BMP or JPEG read stretched as its rows come: smaller or larger than
// it is, nearest or averaged, as the choice byte says.
Bitmap DecodeStretched(std::uint8_t choice, const std::uint8_t* data, std::size_t size, bool jpeg) {
  TStretchedPicture rows([choice](int width, int height) -> std::optional<TStretchPlan> {
    const int side = 1 + choice % 40;
    return TStretchPlan{std::min(width * 2, side), std::min(height * 2, side + 3), choice & 1 ? pf8bit : pf24bit,
                        choice & 2 ? TStretchMode::Halftone : TStretchMode::ColorOnColor};
  });
  if (jpeg)
    DecodeJpeg(data, size, rows);
  else
    DecodeBmp(data, size, rows);
  return rows.TakeStretched();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TLinearBitmap picture;
  Bitmap stretched;
  try {
    // The decoders have most of the runs; the container conversion is small.
    switch (data[0] % 10) {
      case 0: case 1: case 2: DecodeBmp(data + 1, size - 1, picture); break;
      case 3: case 4: DecodeJpeg(data + 1, size - 1, picture); break;
      case 5: case 6: LoadThroughPlugin(data + 1, size - 1, picture); break;
      case 7: ConvertContainer(data + 1, size - 1, picture); break;
      case 8: stretched = DecodeStretched(std::uint8_t(data[0] / 10), data + 1, size - 1, false); break;
      case 9: stretched = DecodeStretched(std::uint8_t(data[0] / 10), data + 1, size - 1, true); break;
    }
  } catch (const ELinearBitmap&) {
  }
  if (!stretched.GetEmpty()) {
    volatile std::uint8_t sum = 0;
    for (std::size_t i = 0; i < stretched.DataSize(); ++i) sum = std::uint8_t(sum + stretched.Data()[i]);
  }
  if (picture.Present) {
    // Touch every byte so that a short block shows under ASan.
    volatile std::uint8_t sum = 0;
    for (std::int32_t i = 0; i <= picture.Size; ++i) sum = std::uint8_t(sum + picture.Map[i]);
  }
  return 0;
}
