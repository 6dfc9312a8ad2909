#include "imaging/image_library.h"

#include "imaging/bitmap_loaders.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_dll_loader.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_graphic.h"

TImageDLLLoader& ImageDLLLoader() {
  static TImageDLLLoader loader;
  return loader;
}

void InstallLibraryLoaders(TBitmapLoaders& loaders) {
  static TBmpLoader bmp;
  static TJpegLoader jpeg;
  loaders.RegisterLoader(&bmp);
  loaders.RegisterLoader(&jpeg);
  loaders.RegisterLoader(&ImageDLLLoader());
  for (const char* ext : {"BMP", "JPG", "JPEG"}) RegisterLinearGraphicFormat(ext);
}

void StartImageLibrary() { BitmapLoaders(); }
