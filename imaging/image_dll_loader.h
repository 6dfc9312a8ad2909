#pragma once
// TImageDLLLoader: a loader of the registry that reads and writes pictures
// through codec plug-in libraries (see image_plugin_api.h). A scan of a
// folder keeps every usable "*.so" library, taken sorted by file name so the
// first library that reads an extension is the same on every machine, and
// registers each extension the libraries read with the picture layer.

#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmap_loaders.h"
#include "imaging/image_plugin_api.h"

struct TImageDLLInfo {
  void* Handle = nullptr;  // null: the library could not be loaded
  std::string LoadFilter;
  std::string SaveFilter;
  TLibLoadImage LoadImage = nullptr;
  TLibSaveImage SaveImage = nullptr;
  TLibFreeImage FreeImage = nullptr;
  std::string Path;  // the library's canonical path

  TImageDLLInfo() = default;
  TImageDLLInfo(const TImageDLLInfo&) = delete;
  TImageDLLInfo& operator=(const TImageDLLInfo&) = delete;
  ~TImageDLLInfo();
};

class TImageDLLLoader : public TBitmapLoader {
public:
  TImageDLLLoader() = default;
  ~TImageDLLLoader() override;

  // True when the loader holds at least one usable library afterwards. A
  // library already scanned (by its canonical path) is not taken again, so
  // a second scan registers nothing twice.
  bool ScanCodecDLLs(const std::string& folder);

  // The filters of all libraries joined by "|"; libraries without one add
  // nothing (no empty "||" entries).
  std::string GetLoadFilter() const override;
  std::string GetSaveFilter() const override;
  void LoadFromFile(const std::string& fileName, const std::string& extension, TLinearBitmap& bitmap) override;
  void SaveToFile(const std::string& fileName, const std::string& extension,
                  const TLinearBitmap& bitmap) override;

  // The text handed to the libraries in the container's Options.
  const std::string& GetOptions() const { return FOptions; }
  void SetOptions(const std::string& options) { FOptions = options; }

  std::size_t GetLibraryCount() const { return FLibraries.size(); }
  const TImageDLLInfo& GetLibrary(std::size_t index) const { return *FLibraries.at(index); }

private:
  std::vector<std::unique_ptr<TImageDLLInfo>> FLibraries;
  std::string FOptions;
};

// Each extension of a load filter in upper case, in order of first
// appearance, once.
std::vector<std::string> FilterExtensions(const std::string& filter);

// The container of a successful load turned into the picture (exposed for
// tests and fuzzing; the caller still frees the container).
void ContainerToBitmap(const TImageContainer& container, TLinearBitmap& bitmap);
