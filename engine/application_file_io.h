#pragma once
// The single entry for opening files, so that an application can redirect
// file access (to an archive, to memory), and the base of file-backed data
// objects.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/class_registry.h"
#include "engine/streams.h"

using TAFIOFileStreamEvent = std::function<std::unique_ptr<TStream>(const std::string& file_name, uint16_t mode)>;

// Application-wide hook; when set, CreateFileStream returns its result
// (a hook that returns nullptr passes the file on).
TAFIOFileStreamEvent& AFIOCreateFileStreamHook();

// The file-access component: while one exists, its OnFileStream event (when
// assigned and when it returns a stream) opens the files. The most recently
// created one is in charge.
class TApplicationFileIO {
public:
  TApplicationFileIO();
  ~TApplicationFileIO();
  TApplicationFileIO(const TApplicationFileIO&) = delete;
  TApplicationFileIO& operator=(const TApplicationFileIO&) = delete;
  static TApplicationFileIO* Current();

  TAFIOFileStreamEvent OnFileStream;

private:
  TApplicationFileIO* previous_;
};

// Hook first, then the component's event, then a plain file stream with the
// mode; never nullptr. Reading uses fmOpenRead | fmShareDenyNone, writing fmCreate.
std::unique_ptr<TStream> CreateFileStream(const std::string& file_name,
                                          uint16_t mode = fmOpenRead | fmShareDenyNone);

// The file name without its folder.
std::string ExtractFileName(const std::string& path);

// What a data file class can do with its files.
enum TDataFileCapability : std::uint8_t { dfcRead = 1, dfcWrite = 2 };
using TDataFileCapabilities = std::uint8_t;

// A data object loaded from and saved to files.
class TDataFile : public TPersistent {
  CLIENT_DECLARE_CLASS(TDataFile)
public:
  TDataFile() = default;
  explicit TDataFile(TPersistent* owner) : owner_(owner) {}

  TPersistent* GetOwner() const override { return owner_; }
  void SetOwner(TPersistent* owner) { owner_ = owner; }
  const std::string& GetResourceName() const { return resource_name_; }
  void SetResourceName(const std::string& name) { resource_name_ = name; }

  // A new instance of the same class with the given owner; nullptr for a
  // class that cannot be created.
  std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const;
  // Read only in the base.
  virtual TDataFileCapabilities Capabilities() const { return dfcRead; }

  virtual void LoadFromFile(const std::string& file_name);
  virtual void SaveToFile(const std::string& file_name);
  virtual void LoadFromStream(TStream& stream) = 0;
  // An assertion failure "Export for <class> not available." in the base.
  virtual void SaveToStream(TStream& stream);

private:
  TPersistent* owner_ = nullptr;
  std::string resource_name_;
};
