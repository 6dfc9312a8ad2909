#pragma once
// Helpers shared by the image library tests: a private scratch folder per
// test and small pictures with distinct pixels.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/linear_bitmap.h"

class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = std::string(CLIENT_TEST_OUTPUT_DIR) + "/imagingXXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    std::filesystem::create_directories(CLIENT_TEST_OUTPUT_DIR);
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    FPath = buffer.data();
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  std::string File(const std::string& name) const { return FPath + "/" + name; }
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

inline void WriteBytes(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(fileName, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every byte of the picture differs from its neighbours in x, y and channel.
inline TLinearBitmap DistinctPicture(int width, int height, TPixelFormat format) {
  TLinearBitmap picture;
  picture.Allocate(width, height, format);
  for (int i = 0; i < picture.Size; ++i) picture.Map[i] = std::uint8_t((i * 37 + 11) & 0xFF);
  if (format == pf8bit) {
    for (int i = 0; i < 768; ++i) picture.Palette[i] = std::uint8_t((i * 7 + 3) & 0xFF);
  }
  return picture;
}

inline std::vector<std::uint8_t> Pixels(const TLinearBitmap& picture) {
  return std::vector<std::uint8_t>(picture.Map.get(), picture.Map.get() + picture.Size);
}

inline std::vector<std::uint8_t> PaletteBytes(const TLinearBitmap& picture) {
  if (!picture.Palette) return {};
  return std::vector<std::uint8_t>(picture.Palette.get(), picture.Palette.get() + 768);
}
