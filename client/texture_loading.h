#pragma once
// Pictures for textures: loading by extension (".JP2" through the image
// library's loaders, ".JPG", packed ".3DB", anything else as BMP), capping
// and power-of-two sizes, and the packed format itself.
//
// A packed picture (".3db", and its JPEG 2000 source ".3dj") is
// FileNameOffset(name) filler bytes followed by the whole picture file.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/picture/bitmap.h"
#include "platform/picture/stretch.h"

class TPictureRows;

// The longest side a picture is kept at for a texture, whatever it was
// asked for (a caller without a cap of its own included): larger pictures
// are reduced while they are read, each pixel the mean of those it covers,
// so that neither the client nor GL ever holds one at its file's size. A
// texture of this side takes 64 MB of GL storage; it gives the aerial
// picture, which covers the whole map, 11 texels a map cell.
constexpr int kLargestTextureSide = 4096;

// The byte sum (Windows-1252 codes) of the base name's characters before its
// first ".", modulo 1000. Both "\" and "/" end a folder name.
uint16_t FileNameOffset(std::string_view fileName);

// The size a picture of width x height is kept at for a texture. With
// maxSize > 0 a picture whose width or height exceeds it is scaled to fit
// (the longer side becomes maxSize, the other rounded to nearest, halves to
// even; nearest pixels) and Resized is set; a picture beyond
// kLargestTextureSide, whatever maxSize, is fitted to that side the same way
// but averaged (Mode Halftone); with powerOfTwo both sides are then raised
// to powers of two.
struct TTextureFit {
  int Width = 0;
  int Height = 0;
  bool Resized = false;
  TStretchMode Mode = TStretchMode::ColorOnColor;
};
TTextureFit FitTextureSize(int width, int height, int maxSize, bool powerOfTwo);

// The picture of the file, by its upper-cased extension, at FitTextureSize:
// a picture to be reduced is reduced while it is read (a JPEG 2000 picture
// right after). A missing file raises EInOutError, a picture that cannot be
// read the loader's error, each naming the file.
Bitmap LoadTextureBitmap(const std::string& fileName, int maxSize, bool powerOfTwo, bool& resized);
// The same sizing for a picture already in memory.
Bitmap FitTextureBitmap(Bitmap picture, int maxSize, bool powerOfTwo, bool& resized);

// The picture of the file as LoadTextureBitmap reads it, as the file holds
// it, except that one wider or taller than maxSide is reduced while it is
// read (nearest pixels, the longer side becoming maxSide) into
// reducedFormat. For pictures that are not textures: the height map.
Bitmap LoadPictureWithin(const std::string& fileName, int maxSide, TPixelFormat reducedFormat);

// Hands the rows of the file's picture to `rows` (by extension, as
// LoadTextureBitmap reads it); errors as there.
void ReadPictureRows(const std::string& fileName, TPictureRows& rows);

// The smallest power of two not below the size (1 below 2).
int NextPowerOfTwo(int size);

// The source stretched onto a new bitmap of that size (24-bit).
Bitmap ScaleBitmap(const Bitmap& source, int width, int height);
// The source mirrored left to right and/or top to bottom (24-bit).
Bitmap MirrorBitmap(const Bitmap& source, bool mirrorX, bool mirrorY);

// The picture inside a packed file's bytes (the filler skipped); raises
// ELinearBitmap when what follows is not a BMP picture.
Bitmap DecodePackedPicture(std::string_view bytes, std::string_view fileName);
// The bytes of a packed file: filler for the name, then the picture as BMP.
std::string EncodePackedPicture(const Bitmap& picture, std::string_view fileName);
