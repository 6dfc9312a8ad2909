#include "imaging/image_dll_loader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <dlfcn.h>

#include "imaging/linear_bitmap.h"
#include "imaging/linear_graphic.h"
#include "platform/picture/picture_formats.h"

namespace {

constexpr std::size_t kExtensionBuffer = 260;

bool IsExtensionChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

std::string LoadMessage(std::int32_t code) {
  switch (code) {
    case 2: return "Unable to open file";
    case 3: return "Error in bitmap data";
    case 4: return "Unsupported pixel format";
    default: return "Error in bitmap data: " + std::to_string(code);
  }
}

std::string SaveMessage(std::int32_t code) {
  switch (code) {
    case 2: return "Unable to open file";
    case 3: return "Error encoding image";
    case 4: return "Unsupported pixel format";
    case 5: return "Unable to close file";
    default: return "Error writing image file: " + std::to_string(code);
  }
}

void CopyExtension(const std::string& extension, char (&buffer)[kExtensionBuffer]) {
  const std::size_t n = std::min(extension.size(), kExtensionBuffer - 1);
  std::memcpy(buffer, extension.data(), n);
  buffer[n] = '\0';
}

}  // namespace

TImageDLLInfo::~TImageDLLInfo() {
  if (Handle) ::dlclose(Handle);
}

TImageDLLLoader::~TImageDLLLoader() = default;

std::vector<std::string> FilterExtensions(const std::string& filter) {
  const std::string text = UpperCaseAscii(filter) + "|";
  std::vector<std::string> result;
  for (std::size_t at = text.find("*."); at != std::string::npos; at = text.find("*.", at)) {
    at += 2;
    std::size_t end = at;
    while (end < text.size() && IsExtensionChar(text[end])) ++end;
    std::string ext = text.substr(at, end - at);
    if (!ext.empty() && std::find(result.begin(), result.end(), ext) == result.end()) {
      result.push_back(std::move(ext));
    }
    at = end;
  }
  return result;
}

bool TImageDLLLoader::ScanCodecDLLs(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> candidates;
  std::error_code error;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error), end;
       !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    if (path.extension() != ".so") continue;
    std::error_code statError;
    if (!fs::is_regular_file(it->status(statError))) continue;
    candidates.push_back(path);
  }
  std::sort(candidates.begin(), candidates.end());

  for (const fs::path& path : candidates) {
    std::error_code canonicalError;
    const std::string canonical = fs::weakly_canonical(path, canonicalError).string();
    const bool seen = std::any_of(FLibraries.begin(), FLibraries.end(),
                                  [&](const auto& library) { return library->Path == canonical; });
    if (seen) continue;
    auto info = std::make_unique<TImageDLLInfo>();
    info->Path = canonical;
    info->Handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!info->Handle) {
      // Kept as an empty record that matches no extension, so the same file
      // is not tried again by a second scan.
      const char* why = ::dlerror();
      std::cerr << "codec library " << path.string() << " not loaded: " << (why ? why : "unknown error") << '\n';
      FLibraries.push_back(std::move(info));
      continue;
    }
    info->LoadImage = reinterpret_cast<TLibLoadImage>(::dlsym(info->Handle, "LibLoadImage"));
    info->SaveImage = reinterpret_cast<TLibSaveImage>(::dlsym(info->Handle, "LibSaveImage"));
    info->FreeImage = reinterpret_cast<TLibFreeImage>(::dlsym(info->Handle, "LibFreeImage"));
    if ((!info->LoadImage && !info->SaveImage) || !info->FreeImage) {
      std::cerr << "codec library " << path.string() << " skipped: picture exports missing\n";
      continue;  // the record's destructor releases the library
    }
    auto loadFilter = reinterpret_cast<TLibGetFilter>(::dlsym(info->Handle, "LibGetLoadFilter"));
    auto saveFilter = reinterpret_cast<TLibGetFilter>(::dlsym(info->Handle, "LibGetSaveFilter"));
    const char* loadText = loadFilter ? loadFilter() : nullptr;
    const char* saveText = saveFilter ? saveFilter() : nullptr;
    info->LoadFilter = loadText ? loadText : "";
    info->SaveFilter = saveText ? saveText : "";
    if (info->LoadImage) {
      for (const std::string& ext : FilterExtensions(info->LoadFilter)) RegisterLinearGraphicFormat(ext);
    }
    FLibraries.push_back(std::move(info));
  }
  return std::any_of(FLibraries.begin(), FLibraries.end(), [](const auto& library) { return library->Handle; });
}

std::string TImageDLLLoader::GetLoadFilter() const {
  std::string joined;
  for (const auto& library : FLibraries) {
    if (!library->Handle || !library->LoadImage || library->LoadFilter.empty()) continue;
    if (!joined.empty()) joined += '|';
    joined += library->LoadFilter;
  }
  return joined;
}

std::string TImageDLLLoader::GetSaveFilter() const {
  std::string joined;
  for (const auto& library : FLibraries) {
    if (!library->Handle || !library->SaveImage || library->SaveFilter.empty()) continue;
    if (!joined.empty()) joined += '|';
    joined += library->SaveFilter;
  }
  return joined;
}

void ContainerToBitmap(const TImageContainer& c, TLinearBitmap& bitmap) {
  const int planes = c.Flags & IMAGE_PLANES_MASK;
  if (planes == 0) throw ELinearBitmap("Unsupported bitmap format");
  const bool asIs = planes == 1 || c.Flags == 3;
  if (!asIs && !(c.Flags & IMAGE_PLANAR)) throw ELinearBitmap("Unsupported pixel format");
  TLinearBitmap loaded;
  loaded.Allocate(c.Width, c.Height, planes == 1 ? pf8bit : pf24bit);
  if (!c.Data) throw ELinearBitmap("Error in bitmap data");
  if (asIs) {
    // Rows are taken by the container's stride: a plug-in may pad its rows.
    if (c.BytesPerLine < loaded.BytesPerLine) throw ELinearBitmap("Error in bitmap data");
    for (std::int32_t y = 0; y < loaded.Height; ++y) {
      std::memcpy(loaded.ScanLine(y), c.Data + std::size_t(y) * std::size_t(c.BytesPerLine),
                  std::size_t(loaded.BytesPerLine));
    }
  } else {
    if (c.BytesPerLine < c.Width) throw ELinearBitmap("Error in bitmap data");
    const std::size_t planeSize = std::size_t(c.BytesPerLine) * std::size_t(c.Height);
    const int used = std::min(planes, 3);
    for (int k = 0; k < used; ++k) {
      const std::uint8_t* plane = c.Data + planeSize * std::size_t(k);
      for (std::int32_t y = 0; y < loaded.Height; ++y) {
        const std::uint8_t* in = plane + std::size_t(y) * std::size_t(c.BytesPerLine);
        std::uint8_t* out = loaded.ScanLine(y) + k;
        for (std::int32_t x = 0; x < loaded.Width; ++x, out += 3) *out = in[x];
      }
    }
  }
  if (loaded.PixelFormat == pf8bit) {
    std::memcpy(loaded.Palette.get(), c.Palette ? c.Palette : GreyPalette().data(), 768);
  }
  bitmap = std::move(loaded);
  if (planes >= 4) {
    throw ELinearBitmap("The image contains " + std::to_string(planes) + " color planes, only 3 were loaded");
  }
}

void TImageDLLLoader::LoadFromFile(const std::string& fileName, const std::string& extension,
                                   TLinearBitmap& bitmap) {
  const std::string ext = UpperCaseAscii(extension);
  const TImageDLLInfo* library = nullptr;
  for (const auto& candidate : FLibraries) {
    if (candidate->Handle && candidate->LoadImage && FilterHasExtension(candidate->LoadFilter, ext)) {
      library = candidate.get();
      break;
    }
  }
  if (!library) throw ELinearBitmap("Unsupported file format");
  TImageContainer container{};
  container.Options = FOptions.c_str();
  char extensionBuffer[kExtensionBuffer];
  CopyExtension(ext, extensionBuffer);
  const std::int32_t result = library->LoadImage(fileName.c_str(), extensionBuffer, &container);
  if (result != 0) throw ELinearBitmap(LoadMessage(result));
  // Whatever happens to the picture, what the library allocated goes back.
  struct FreeOnExit {
    const TImageDLLInfo* library;
    TImageContainer* container;
    ~FreeOnExit() { library->FreeImage(container); }
  } freeOnExit{library, &container};
  ContainerToBitmap(container, bitmap);
}

void TImageDLLLoader::SaveToFile(const std::string& fileName, const std::string& extension,
                                 const TLinearBitmap& bitmap) {
  const std::string ext = UpperCaseAscii(extension);
  const TImageDLLInfo* library = nullptr;
  for (const auto& candidate : FLibraries) {
    if (candidate->Handle && candidate->SaveImage && FilterHasExtension(candidate->SaveFilter, ext)) {
      library = candidate.get();
      break;
    }
  }
  if (!library) throw ELinearBitmap("Unsupported file format");
  TImageContainer container{};
  container.Width = bitmap.Width;
  container.Height = bitmap.Height;
  container.BytesPerLine = bitmap.BytesPerLine;
  if (bitmap.Present && bitmap.PixelFormat == pf8bit) {
    container.Flags = 1;
  } else if (bitmap.Present && bitmap.PixelFormat == pf24bit) {
    container.Flags = 3;
  } else {
    throw ELinearBitmap("Unsupported pixel format");
  }
  container.Data = bitmap.Map.get();
  container.Palette = bitmap.Palette.get();
  container.Options = FOptions.c_str();
  char extensionBuffer[kExtensionBuffer];
  CopyExtension(ext, extensionBuffer);
  const std::int32_t result = library->SaveImage(fileName.c_str(), extensionBuffer, &container);
  if (result != 0) throw ELinearBitmap(SaveMessage(result));
}
