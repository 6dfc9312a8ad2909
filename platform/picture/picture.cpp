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

std::string PictureReadFailure(const std::string& fileName, const std::string& reason) {
  return "Picture \"" + fileName + "\" cannot be read: " + reason;
}

void Picture::LoadFromFile(const std::string& fileName) {
  // Load into a fresh bitmap so that a failed load leaves the picture as it was.
  Bitmap loaded;
  try {
    FormatFor(fileName, false).LoadFromFile(fileName, loaded);
  } catch (const std::exception& e) {
    FLoadFailure = PictureReadFailure(fileName, e.what());
    throw;
  }
  FBitmap = std::move(loaded);
  FLoadFailure.clear();
  Changed();
}

void Picture::SaveToFile(const std::string& fileName) const {
  FormatFor(fileName, true).SaveToFile(fileName, FBitmap);
}

void Picture::SetBitmap(Bitmap bitmap) {
  FBitmap = std::move(bitmap);
  FLoadFailure.clear();
  Changed();
}

void Picture::Assign(const Picture& other) {
  FBitmap = other.FBitmap;
  FLoadFailure = other.FLoadFailure;
  Changed();
}

void Picture::Clear() {
  FBitmap = Bitmap();
  FLoadFailure.clear();
  Changed();
}

void Picture::Changed() {
  if (OnChange) OnChange(*this);
}
