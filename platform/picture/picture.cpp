#include "platform/picture/picture.h"

#include "platform/picture/picture_formats.h"

static const PictureFormat& FormatFor(const std::string& fileName, bool forSaving) {
  const std::string ext = PictureFileExtension(fileName);
  const PictureFormat* format = PictureFormats::Global().Find(ext);
  if (!format || (forSaving ? !format->SaveToFile : !format->LoadFromFile)) {
    std::string lower = ext;
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    throw EInvalidGraphic("Unknown picture file extension (." + lower + ")");
  }
  return *format;
}

void Picture::LoadFromFile(const std::string& fileName) {
  const PictureFormat& format = FormatFor(fileName, false);
  // Load into a fresh bitmap so that a failed load leaves the picture as it was.
  Bitmap loaded;
  format.LoadFromFile(fileName, loaded);
  FBitmap = std::move(loaded);
  Changed();
}

void Picture::SaveToFile(const std::string& fileName) const {
  FormatFor(fileName, true).SaveToFile(fileName, FBitmap);
}

void Picture::SetBitmap(Bitmap bitmap) {
  FBitmap = std::move(bitmap);
  Changed();
}

void Picture::Clear() {
  FBitmap = Bitmap();
  Changed();
}

void Picture::Changed() {
  if (OnChange) OnChange(*this);
}
