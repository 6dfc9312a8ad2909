#pragma once
// A picture in place of the toolkit's picture class: it holds one bitmap and
// loads or saves it through the format registered for the file's extension.

#include <functional>
#include <string>
#include <utility>

#include "platform/picture/bitmap.h"

class Picture {
public:
  // Raised when a load or save finds no format for the extension, with the
  // toolkit's text "Unknown picture file extension (.ext)". A failed load
  // leaves the picture as it was and records why (GetLoadFailure).
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  Bitmap& GetBitmap() { return FBitmap; }
  const Bitmap& GetBitmap() const { return FBitmap; }
  // Replaces the picture and notifies.
  void SetBitmap(Bitmap bitmap);
  // The other's picture and what it records of its last load.
  void Assign(const Picture& other);
  // Empties the picture and notifies.
  void Clear();

  // Why the last load of this picture failed, naming the file; empty when
  // it did not fail or the picture was set since. A picture left empty by a
  // damaged or missing file can say which and why.
  const std::string& GetLoadFailure() const { return FLoadFailure; }
  // For readers of their own: records a failure, the picture untouched.
  void SetLoadFailure(std::string failure) { FLoadFailure = std::move(failure); }

  int GetWidth() const { return FBitmap.GetWidth(); }
  int GetHeight() const { return FBitmap.GetHeight(); }
  bool GetEmpty() const { return FBitmap.GetEmpty(); }

  // Called after every change made through the picture (load, assign,
  // clear, Changed); code that writes the bitmap directly calls Changed.
  std::function<void(Picture&)> OnChange;
  void Changed();

private:
  Bitmap FBitmap;
  std::string FLoadFailure;
};

// How a picture that cannot be used is reported: its file, then the reason.
std::string PictureReadFailure(const std::string& fileName, const std::string& reason);
