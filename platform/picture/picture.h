#pragma once
// A picture in place of the toolkit's picture class: it holds one bitmap and
// loads or saves it through the format registered for the file's extension.

#include <functional>
#include <string>

#include "platform/picture/bitmap.h"

class Picture {
public:
  // Raised when a load or save finds no format for the extension, with the
  // toolkit's text "Unknown picture file extension (.ext)".
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  Bitmap& GetBitmap() { return FBitmap; }
  const Bitmap& GetBitmap() const { return FBitmap; }
  // Replaces the picture and notifies.
  void SetBitmap(Bitmap bitmap);
  void Assign(const Picture& other) { SetBitmap(other.FBitmap); }
  // Empties the picture and notifies.
  void Clear();

  int GetWidth() const { return FBitmap.GetWidth(); }
  int GetHeight() const { return FBitmap.GetHeight(); }
  bool GetEmpty() const { return FBitmap.GetEmpty(); }

  // Called after every change made through the picture (load, assign,
  // clear, Changed); code that writes the bitmap directly calls Changed.
  std::function<void(Picture&)> OnChange;
  void Changed();

private:
  Bitmap FBitmap;
};
