#pragma once
// The first-run conversion of the world's packed pictures: while the
// program folder holds "firsttime.txt", every ".3dj" under it (a JPEG 2000
// picture behind FileNameOffset filler bytes) becomes the ".3db" of the
// same name (the same filler, then the picture as BMP), which the texture
// loader reads fast.
//
// Nothing is lost on the way: a ".3db" is written whole under its name
// before its ".3dj" goes, and the marker goes last, only when every picture
// was converted, so an interrupted or failed run is simply done again on the
// next start. The JPEG 2000 bytes pass through a private temporary file,
// removed afterwards.

#include <string>
#include <vector>

struct PackedPictureReport {
  int converted = 0;
  // "<file>: <message>" for each picture left as it was.
  std::vector<std::string> failures;
};

// Converts the listed ".3dj" files (full paths, in that order).
PackedPictureReport UnpackPictures(const std::vector<std::string>& files);

// The whole step for a program folder (with a trailing "/"): nothing
// without "firsttime.txt"; else the ".3dj" files of the folder and its
// sub-folders, then the marker removed when all went well.
PackedPictureReport UnpackFirstRunPictures(const std::string& programFolder);
