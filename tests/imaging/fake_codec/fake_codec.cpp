// A fake codec plug-in for the tests. The container's Options text chooses
// what a load returns: "result=N" (a result code), "flags=N", "width=N",
// "height=N", "pad=N" (extra bytes per row), "palette=1", "nodata=1".
// Without options a load reads back what a save wrote ("FAKE" files).
// Pixel byte k of pixel (x, y) is (x * 16 + y * 4 + k * 64) & 0xFF whatever
// the layout, so the tests can check every copy.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/image_plugin_api.h"

namespace {

int gLoads = 0;
int gFrees = 0;

int Option(const char* options, const char* key, int fallback) {
  if (!options) return fallback;
  const std::string text = std::string(";") + options + ";";
  const std::string needle = std::string(";") + key + "=";
  const std::size_t at = text.find(needle);
  if (at == std::string::npos) return fallback;
  return std::atoi(text.c_str() + at + needle.size());
}

std::uint8_t PixelByte(int x, int y, int k) { return std::uint8_t((x * 16 + y * 4 + k * 64) & 0xFF); }

int ReadBack(const char* fileName, TImageContainer* c) {
  std::FILE* f = std::fopen(fileName, "rb");
  if (!f) return IMAGE_PLUGIN_CANNOT_OPEN;
  char magic[4];
  int32_t head[5];
  if (std::fread(magic, 1, 4, f) != 4 || std::memcmp(magic, "FAKE", 4) != 0 ||
      std::fread(head, sizeof head, 1, f) != 1 || head[0] < 1 || head[1] < 1 || head[2] < 1 ||
      head[0] > 4096 || head[1] > 4096 || head[2] > 3 * 4096) {
    std::fclose(f);
    return IMAGE_PLUGIN_BAD_DATA;
  }
  const std::size_t bytes = std::size_t(head[2]) * std::size_t(head[1]);
  c->Data = static_cast<uint8_t*>(std::malloc(bytes));
  if (head[4]) c->Palette = static_cast<uint8_t*>(std::malloc(768));
  if (std::fread(c->Data, 1, bytes, f) != bytes || (head[4] && std::fread(c->Palette, 1, 768, f) != 768)) {
    std::free(c->Data);
    std::free(c->Palette);
    c->Data = c->Palette = nullptr;
    std::fclose(f);
    return IMAGE_PLUGIN_BAD_DATA;
  }
  std::fclose(f);
  c->Width = head[0];
  c->Height = head[1];
  c->BytesPerLine = head[2];
  c->Flags = head[3];
  return IMAGE_PLUGIN_OK;
}

}  // namespace

extern "C" {

IMAGE_PLUGIN_EXPORT int FakeLoadCount() { return gLoads; }
IMAGE_PLUGIN_EXPORT int FakeFreeCount() { return gFrees; }
IMAGE_PLUGIN_EXPORT void FakeResetCounts() { gLoads = gFrees = 0; }

IMAGE_PLUGIN_EXPORT const char* LibGetLoadFilter(void) { return "Fake pictures|*.fak;*.FAK;*.fk2"; }
IMAGE_PLUGIN_EXPORT const char* LibGetSaveFilter(void) { return "Fake pictures|*.fak"; }

IMAGE_PLUGIN_EXPORT int32_t LibLoadImage(const char* fileName, const char* extension, TImageContainer* c) {
  const char* options = c->Options;
  if (!options || !*options) {
    const int32_t result = ReadBack(fileName, c);
    if (result == IMAGE_PLUGIN_OK) ++gLoads;
    return result;
  }
  const int result = Option(options, "result", 0);
  if (result != 0) return result;
  const int flags = Option(options, "flags", 3);
  const int width = Option(options, "width", 4);
  const int height = Option(options, "height", 2);
  const int pad = Option(options, "pad", 0);
  const int planes = flags & IMAGE_PLANES_MASK;
  const bool planar = planes != 1 && flags != 3;
  const int rowBytes = planar ? width : width * (planes == 0 ? 1 : planes);
  const int stride = rowBytes + pad;
  const int copies = planar ? planes : 1;
  c->Width = width;
  c->Height = height;
  c->BytesPerLine = stride;
  c->Flags = flags;
  if (!Option(options, "nodata", 0) && width > 0 && height > 0) {
    // A stride below the row's bytes (a broken plug-in) still writes inside
    // the block; the host must refuse it.
    const std::size_t block = std::size_t(std::max(stride, rowBytes)) * height * (copies ? copies : 1);
    c->Data = static_cast<uint8_t*>(std::malloc(block));
    std::memset(c->Data, 0xEE, block);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (planar) {
          for (int k = 0; k < planes; ++k) c->Data[std::size_t(k) * stride * height + y * stride + x] = PixelByte(x, y, k);
        } else {
          const int per = planes == 0 ? 1 : planes;
          for (int k = 0; k < per; ++k) c->Data[std::size_t(y) * stride + x * per + k] = PixelByte(x, y, k);
        }
      }
    }
  }
  if (Option(options, "palette", 0)) {
    c->Palette = static_cast<uint8_t*>(std::malloc(768));
    for (int i = 0; i < 768; ++i) c->Palette[i] = uint8_t(255 - i % 256);
  }
  (void)extension;
  ++gLoads;
  return IMAGE_PLUGIN_OK;
}

#ifndef FAKE_CODEC_WITHOUT_FREE
IMAGE_PLUGIN_EXPORT int32_t LibFreeImage(TImageContainer* c) {
  std::free(c->Data);
  std::free(c->Palette);
  c->Data = c->Palette = nullptr;
  ++gFrees;
  return IMAGE_PLUGIN_OK;
}
#endif

IMAGE_PLUGIN_EXPORT int32_t LibSaveImage(const char* fileName, const char*, TImageContainer* c) {
  const int result = Option(c->Options, "result", 0);
  if (result != 0) return result;
  std::FILE* f = std::fopen(fileName, "wb");
  if (!f) return IMAGE_PLUGIN_CANNOT_OPEN;
  const int32_t head[5] = {c->Width, c->Height, c->BytesPerLine, c->Flags, c->Palette ? 1 : 0};
  std::fwrite("FAKE", 1, 4, f);
  std::fwrite(head, sizeof head, 1, f);
  std::fwrite(c->Data, 1, std::size_t(c->BytesPerLine) * c->Height, f);
  if (c->Palette) std::fwrite(c->Palette, 1, 768, f);
  return std::fclose(f) == 0 ? IMAGE_PLUGIN_OK : IMAGE_PLUGIN_CANNOT_CLOSE;
}

}  // extern "C"
