#include "imaging/linear_graphic.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <vector>

#include "imaging/bmp_codec.h"
#include "imaging/bitmap_loaders.h"
#include "platform/picture/picture_formats.h"

using namespace imaging;

void TLinearGraphic::SetWidth(std::int32_t width) { FBitmap.ResizeCanvas(width, FBitmap.Height, 0, 0, 0); }

void TLinearGraphic::SetHeight(std::int32_t height) { FBitmap.ResizeCanvas(FBitmap.Width, height, 0, 0, 0); }

static std::vector<std::uint8_t> ReadAll(std::istream& stream, std::int64_t limit) {
  std::vector<std::uint8_t> bytes;
  char chunk[4096];
  while (stream.read(chunk, sizeof chunk) || stream.gcount() > 0) {
    if (std::int64_t(bytes.size()) + stream.gcount() > limit) {
      throw ELinearBitmap("Picture stream longer than " + std::to_string(limit) + " bytes");
    }
    bytes.insert(bytes.end(), chunk, chunk + stream.gcount());
  }
  return bytes;
}

void TLinearGraphic::LoadFromStream(std::istream& stream) {
  const std::vector<std::uint8_t> bytes = ReadAll(stream, kMaxBitmapBytes + (std::int64_t(1) << 20));
  DecodeBmp(bytes.data(), bytes.size(), FBitmap);
}

void TLinearGraphic::SaveToStream(std::ostream& stream) const {
  const std::vector<std::uint8_t> bytes = EncodeBmp(FBitmap);
  stream.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool RegisterLinearGraphicFormat(const std::string& extension) {
  PictureFormat format;
  format.Extension = extension;
  format.Description = UpperCaseAscii(extension);
  format.LoadFromFile = [](const std::string& fileName, Bitmap& target) {
    TLinearGraphic graphic;
    graphic.LoadFromFile(fileName);
    graphic.AssignTo(target);
  };
  format.SaveToFile = [](const std::string& fileName, const Bitmap& source) {
    TLinearGraphic graphic;
    graphic.GetBitmap().AssignFromBitmap(source);
    graphic.SaveToFile(fileName);
  };
  format.LoadFromStream = [ext = UpperCaseAscii(extension)](std::istream& stream, Bitmap& target) {
    // The registry's loader reads the format's own bytes through a
    // temporary file when it has no stream form.
    std::vector<std::uint8_t> bytes = ReadAll(stream, kMaxStreamPictureBytes);
    TemporaryPictureFile temporary(ext);
    {
      TFileStream file(temporary.ReleaseHandle(), temporary.GetFileName());
      if (!bytes.empty()) file.Write(bytes.data(), std::int32_t(bytes.size()));
    }
    TLinearGraphic graphic;
    graphic.LoadFromFile(temporary.GetFileName());
    graphic.AssignTo(target);
  };
  format.SaveToStream = [ext = UpperCaseAscii(extension)](std::ostream& stream, const Bitmap& source) {
    TLinearBitmap picture;
    picture.AssignFromBitmap(source);
    TemporaryPictureFile temporary(ext);
    picture.SaveToFile(temporary.GetFileName());
    TFileStream file(temporary.GetFileName(), fmRead);
    std::vector<std::uint8_t> chunk(4096);
    for (;;) {
      file.SetStrict(false);
      const std::int32_t got = file.Read(chunk.data(), std::int32_t(chunk.size()));
      if (got <= 0) break;
      stream.write(reinterpret_cast<const char*>(chunk.data()), got);
    }
  };
  return PictureFormats::Global().Register(std::move(format));
}
