#pragma once
// The registry of picture file formats by extension, in place of the
// toolkit's picture-class registration. Codec libraries (the image library
// and its plug-ins) register what they read and write; a picture opens a
// file through whichever format is registered for its extension.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class Bitmap;

struct PictureFormat {
  std::string Extension;  // without the ".", stored upper-cased
  std::string Description;
  // Any of these may be empty when the format cannot do it.
  std::function<void(const std::string& fileName, Bitmap& target)> LoadFromFile;
  std::function<void(const std::string& fileName, const Bitmap& source)> SaveToFile;
  std::function<void(std::istream& stream, Bitmap& target)> LoadFromStream;
  std::function<void(std::ostream& stream, const Bitmap& source)> SaveToStream;
};

class PictureFormats {
public:
  // The process-wide registry used by pictures and bitmaps.
  static PictureFormats& Global();

  // Adds a format; an extension that is already registered keeps its first
  // format and the call returns false, so a repeated registration (a second
  // plug-in scan) adds nothing.
  bool Register(PictureFormat format);
  // Removes the format of an extension; false when there was none.
  bool Unregister(const std::string& extension);
  // The format of an extension (any case, with or without a leading "."),
  // or nullptr.
  const PictureFormat* Find(const std::string& extension) const;
  std::vector<std::string> Extensions() const;
  // A file-dialog filter "desc (*.ext)|*.ext|..." of the formats that load.
  std::string GetFilter() const;

private:
  std::vector<PictureFormat> FFormats;
};

// The upper-cased extension after the last "." of a file name; empty when a
// folder separator ("/", "\") or ":" follows that ".", or when there is none.
std::string PictureFileExtension(const std::string& fileName);
std::string UpperCaseAscii(std::string text);
