#pragma once
// TLinearGraphic wraps a TLinearBitmap for the picture layer: the picture
// formats that codec plug-ins add are read through it, by the loader
// registry, and handed to a picture as its bitmap.

#include <iosfwd>
#include <string>

#include "imaging/linear_bitmap.h"

class TLinearGraphic {
public:
  TLinearGraphic() = default;

  TLinearBitmap& GetBitmap() { return FBitmap; }
  const TLinearBitmap& GetBitmap() const { return FBitmap; }

  void AssignTo(TLinearGraphic& target) const { target.FBitmap = FBitmap; }
  void AssignTo(Bitmap& target) const { FBitmap.AssignTo(target); }
  // Nearest-pixel stretch onto rect of the canvas.
  void Draw(Bitmap& canvas, const BitmapRect& rect) const { FBitmap.PaintToCanvas(canvas, rect, false); }
  bool GetEmpty() const { return !FBitmap.Present; }
  std::int32_t GetWidth() const { return FBitmap.Width; }
  std::int32_t GetHeight() const { return FBitmap.Height; }
  // ResizeCanvas to the new size, offsets 0, black; an empty graphic stays
  // empty (its other side is 0).
  void SetWidth(std::int32_t width);
  void SetHeight(std::int32_t height);
  void LoadFromFile(const std::string& fileName) { FBitmap.LoadFromFile(fileName); }
  void SaveToFile(const std::string& fileName) const { FBitmap.SaveToFile(fileName); }
  // Streams carry the BMP form, as the toolkit's bitmap reads and writes it.
  void LoadFromStream(std::istream& stream);
  void SaveToStream(std::ostream& stream) const;

private:
  TLinearBitmap FBitmap;
};

// Registers an extension with the picture layer so that a picture loads and
// saves it through TLinearGraphic; false when the extension was registered
// already.
bool RegisterLinearGraphicFormat(const std::string& extension);
