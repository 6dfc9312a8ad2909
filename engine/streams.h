#pragma once
// Byte streams the filer and the data files work on: memory, string and
// file streams behind one interface.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/class_registry.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Open modes of TFileStream (the values the file factory passes on).
inline constexpr uint16_t fmCreate = 0xFFFF;
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
  CLIENT_DECLARE_CLASS(TStream)
public:
  // Up to count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual int64_t GetSize();
  // Bytes between the position and the end.
  int64_t Remaining();
  // Exactly count bytes, or EStreamError "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
  // Exactly count bytes, or EStreamError "Stream write error".
  void WriteBuffer(const void* buffer, size_t count);
};

class TMemoryStream : public TStream {
  CLIENT_DECLARE_CLASS(TMemoryStream)
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  void Clear();

protected:
  std::vector<uint8_t> data_;
  size_t position_ = 0;
};

// A memory stream over the bytes of a string.
class TStringStream : public TMemoryStream {
  CLIENT_DECLARE_CLASS(TStringStream)
public:
  TStringStream() = default;
  explicit TStringStream(const std::string& data);
  std::string DataString() const { return std::string(data_.begin(), data_.end()); }
};

// A file opened with fmCreate (created or truncated for writing) or with one
// of the open modes; the share bits mean nothing here and are ignored.
// Failure raises EFOpenError "Cannot open file "<name>"" or
// "Cannot create file "<name>"".
class TFileStream : public TStream {
  CLIENT_DECLARE_CLASS(TFileStream)
public:
  TFileStream(const std::string& file_name, uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  const std::string& FileName() const { return file_name_; }

private:
  std::string file_name_;
  std::FILE* file_ = nullptr;
};
