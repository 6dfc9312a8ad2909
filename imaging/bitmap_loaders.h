#pragma once
// Loaders move pictures between files or streams and TLinearBitmap; a
// process-wide registry holds them in registration order and is asked by
// extension for the first that reads (or writes) it.

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_streams.h"

class TLinearBitmap;

// The most a stream load copies into its temporary file; a longer stream is
// refused rather than cut.
constexpr std::int64_t kMaxStreamPictureBytes = 104857600;

class TBitmapLoader {
public:
  virtual ~TBitmapLoader() = default;

  // True when "*." + the extension stands as a whole entry of the filter
  // ("JP" does not match "*.JP2"); False for an empty extension.
  virtual bool CanLoad(const std::string& extension) const;
  virtual bool CanSave(const std::string& extension) const;
  virtual std::string GetLoadFilter() const { return std::string(); }
  virtual std::string GetSaveFilter() const { return GetLoadFilter(); }
  // A concrete loader overrides the stream pair or the file pair; the base
  // turns each into the other through a temporary file.
  virtual void LoadFromStream(imaging::TBaseStream& stream, const std::string& extension, TLinearBitmap& bitmap);
  virtual void SaveToStream(imaging::TBaseStream& stream, const std::string& extension, const TLinearBitmap& bitmap);
  virtual void LoadFromFile(const std::string& fileName, const std::string& extension, TLinearBitmap& bitmap);
  virtual void SaveToFile(const std::string& fileName, const std::string& extension,
                          const TLinearBitmap& bitmap);
};

// True when the upper-cased filter holds "*." + extension followed by a
// character that cannot continue an extension (or by the end).
bool FilterHasExtension(const std::string& filter, const std::string& extension);

// Loaders are not owned by the registry.
class TBitmapLoaders {
public:
  void RegisterLoader(TBitmapLoader* loader);
  void UnregisterLoader(TBitmapLoader* loader);
  std::int32_t GetCount() const { return std::int32_t(FLoaders.size()); }
  TBitmapLoader* GetLoader(std::int32_t index) const { return FLoaders.at(std::size_t(index)); }
  TBitmapLoader& FindLoader(const std::string& extension) const;
  TBitmapLoader& FindSaver(const std::string& extension) const;

private:
  std::vector<TBitmapLoader*> FLoaders;
};

// The process-wide registry; the image library's own loaders (BMP, JPEG and
// the codec plug-in loader) are registered the first time it is used.
TBitmapLoaders& BitmapLoaders();
void RegisterLoader(TBitmapLoader* loader);
void UnregisterLoader(TBitmapLoader* loader);
// Raise EUnsupportedFileFormat "Unsupported file format: " + extension.
TBitmapLoader& FindLoader(const std::string& extension);
TBitmapLoader& FindSaver(const std::string& extension);

// The folder of the running program, with a trailing "/".
std::string LibraryProgramFolder();

// A temporary file made with mkstemps in the temporary folder ($TMPDIR or
// /tmp), open for reading and writing, named "img" + 6 random characters +
// "." + the extension (reduced to letters, digits and "_"); deleted with
// the object.
class TemporaryPictureFile {
public:
  explicit TemporaryPictureFile(const std::string& extension);
  ~TemporaryPictureFile();
  TemporaryPictureFile(const TemporaryPictureFile&) = delete;
  TemporaryPictureFile& operator=(const TemporaryPictureFile&) = delete;

  const std::string& GetFileName() const { return FFileName; }
  // The open descriptor; the caller may take it over (then it is -1 here).
  int GetHandle() const { return FHandle; }
  int ReleaseHandle();

private:
  std::string FFileName;
  int FHandle = -1;
};
