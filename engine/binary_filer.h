#pragma once
// The engine's tagged binary archive. Each value is one tag byte followed by
// its data, all little-endian:
//   0 list end, 1 list begin, 2/3/4 integer in 1/2/4 signed bytes,
//   5 extended float (10 bytes, 80-bit), 6 string (1-byte length),
//   8 false, 9 true, 12 string (4-byte length), 18 wide string (4-byte
//   length in UTF-16 units), 20 UTF-8 string (4-byte length in bytes).
// Narrow strings are UTF-8 here: the writer stores their bytes under tag 6
// or 12; wide and UTF-8 strings read from an archive are converted to UTF-8
// (unpaired surrogates become U+FFFD).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/class_registry.h"
#include "engine/streams.h"

enum TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,
  vaWString = 18,
  vaUTF8String = 20,
};

class TVirtualReader : public TObject {
  CLIENT_DECLARE_CLASS(TVirtualReader)
public:
  explicit TVirtualReader(TStream& stream) : stream_(stream) {}
  TStream& Stream() const { return stream_; }
  // Raw bytes; a short stream raises EStreamError.
  virtual void Read(void* buffer, size_t count) = 0;
  // The next tag, not consumed.
  virtual TValueType NextValue() = 0;
  virtual int32_t ReadInteger() = 0;
  virtual bool ReadBoolean() = 0;
  virtual std::string ReadString() = 0;
  virtual double ReadFloat() = 0;
  virtual void ReadListBegin() = 0;
  virtual void ReadListEnd() = 0;
  virtual bool EndOfList() = 0;

private:
  TStream& stream_;
};

class TVirtualWriter : public TObject {
  CLIENT_DECLARE_CLASS(TVirtualWriter)
public:
  explicit TVirtualWriter(TStream& stream) : stream_(stream) {}
  TStream& Stream() const { return stream_; }
  virtual void Write(const void* buffer, size_t count) = 0;
  virtual void WriteInteger(int32_t value) = 0;
  virtual void WriteBoolean(bool value) = 0;
  virtual void WriteString(const std::string& value) = 0;
  virtual void WriteFloat(double value) = 0;
  virtual void WriteListBegin() = 0;
  virtual void WriteListEnd() = 0;

private:
  TStream& stream_;
};

// Reader and writer "classes": how a persistent object is told which filer
// to build over its stream. nullptr means the object's default.
using TVirtualReaderClass = std::unique_ptr<TVirtualReader> (*)(TStream& stream);
using TVirtualWriterClass = std::unique_ptr<TVirtualWriter> (*)(TStream& stream);

class TBinaryReader : public TVirtualReader {
  CLIENT_DECLARE_CLASS(TBinaryReader)
public:
  using TVirtualReader::TVirtualReader;
  static std::unique_ptr<TVirtualReader> Make(TStream& stream) { return std::make_unique<TBinaryReader>(stream); }

  void Read(void* buffer, size_t count) override;
  TValueType NextValue() override;
  int32_t ReadInteger() override;  // tags 2, 3, 4
  bool ReadBoolean() override;     // tags 8, 9
  // Tags 6, 12, 18 and 20; a length beyond the stream raises EStreamError.
  std::string ReadString() override;
  double ReadFloat() override;  // tag 5
  void ReadListBegin() override;
  void ReadListEnd() override;
  bool EndOfList() override;

private:
  uint8_t ReadTag();
  // A 4-byte length that must be >= 0 and, times unit_size, fit in the stream.
  uint32_t ReadLength(size_t unit_size);
  [[noreturn]] void ReadTypeError();
};

class TBinaryWriter : public TVirtualWriter {
  CLIENT_DECLARE_CLASS(TBinaryWriter)
public:
  using TVirtualWriter::TVirtualWriter;
  static std::unique_ptr<TVirtualWriter> Make(TStream& stream) { return std::make_unique<TBinaryWriter>(stream); }

  void Write(const void* buffer, size_t count) override;
  // Tag 2, 3 or 4: the smallest that holds the value.
  void WriteInteger(int32_t value) override;
  void WriteBoolean(bool value) override;
  // Tag 6 up to 255 bytes (06 00 for ""), tag 12 beyond.
  void WriteString(const std::string& value) override;
  void WriteFloat(double value) override;  // tag 5, 80-bit extended
  void WriteListBegin() override;
  void WriteListEnd() override;

private:
  void WriteTag(uint8_t tag) { Write(&tag, 1); }
};

// 80-bit extended (x87) values, converted in software since long double is
// not the same type on every platform.
void DoubleToExtended(double value, uint8_t out[10]);
double ExtendedToDouble(const uint8_t in[10]);

// UTF-8 bytes to UTF-16 units by the archive's lead-byte table; a sequence
// cut off by the end of the data gives U+FFFD.
std::u16string DecodeArchiveUTF8(const uint8_t* data, size_t size);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string UTF16ToUTF8(const std::u16string& text);

// Little-endian helpers for code that writes raw archive data.
void WriteLE32(TVirtualWriter& writer, uint32_t value);
