#pragma once
// The developer's dumps of the main window: the height source's heights as
// a grey picture, beside the text dumps of the client core.

#include <string>

class Bitmap;
class THeightDataSource;

// The side of the dumped square of heights.
constexpr int kHeightDumpSize = 257;

// The heights of the source's tile at (0, 0) of the given side as an 8-bit
// grey picture, row 0 at the top: a height h becomes the grey level
// h / 128 + 128 (the inverse of the height pictures' reading), held within
// 0..255. A tile without data gives a black picture.
Bitmap HeightsPicture(THeightDataSource& source, int size = kHeightDumpSize);

// HeightsPicture written as a BMP file, replaced whole.
void SaveHeightsPicture(THeightDataSource& source, const std::string& fileName);
