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

// The byte sum (Windows-1252 codes) of the base name's characters before its
// first ".", modulo 1000. Both "\" and "/" end a folder name.
uint16_t FileNameOffset(std::string_view fileName);

// The picture of the file, by its upper-cased extension. With maxSize > 0 a
// picture whose width or height exceeds it is scaled to fit (the longer side
// becomes maxSize, the other rounded to nearest, halves to even) and resized
// is set; with powerOfTwo both sides are then raised to powers of two.
// A missing or unreadable file raises the loader's error.
Bitmap LoadTextureBitmap(const std::string& fileName, int maxSize, bool powerOfTwo, bool& resized);
// The same sizing for a picture already in memory.
Bitmap FitTextureBitmap(Bitmap picture, int maxSize, bool powerOfTwo, bool& resized);

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
