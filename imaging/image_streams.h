#pragma once
// The image library's own small stream family: an abstract stream with a
// strict-read switch, a filter stream that forwards to a next stream, a file
// stream over POSIX file descriptors and a buffered filter stream.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/exception.h"

CLIENT_DECLARE_EXCEPTION(EStreamCreate, Exception);

// Kept apart from the engine's stream classes of the same names.
namespace imaging {

class TBaseStream {
public:
  TBaseStream() = default;
  TBaseStream(const TBaseStream&) = delete;
  TBaseStream& operator=(const TBaseStream&) = delete;
  virtual ~TBaseStream() = default;

  bool GetCanWrite() const { return FCanWrite; }
  bool GetCanRead() const { return FCanRead; }
  bool GetStrict() const { return FStrict; }

  virtual void SetStrict(bool value) { FStrict = value; }
  virtual std::int32_t Write(const void* buffer, std::int32_t count);
  virtual std::int32_t Read(void* buffer, std::int32_t count);
  // True when Available is 0 (named Eof: EOF is a C macro).
  virtual bool Eof() { return Available() == 0; }
  virtual std::int64_t Available() { return 0; }
  virtual void Flush() {}
  // Copies the source to its end in chunks of 4,096 bytes with the source's
  // strictness off; a read that delivers nothing also ends the copy, so a
  // source whose Available overstates its content cannot spin forever.
  virtual void CopyFrom(TBaseStream& source);

protected:
  bool FCanWrite = false;
  bool FCanRead = false;
  bool FStrict = true;
};

// Copies at most count bytes from source to target (dropped when target is
// null) in chunks of at most 4,096, stopping at the source's end; returns the
// number of bytes copied.
std::int64_t CopyStreamCount(TBaseStream& source, TBaseStream* target, std::int64_t count);

class TFilterStream : public TBaseStream {
public:
  explicit TFilterStream(TBaseStream* next) : FNext(next) {}

  TBaseStream* GetNext() const { return FNext; }
  void SetStrict(bool value) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int64_t Available() override;

  // Hands the next stream's ownership to this stream, making a chain that
  // FreeFilterChain (or destroying the head) frees as a whole.
  void OwnNext(std::unique_ptr<TBaseStream> next);

protected:
  TBaseStream* FNext;

private:
  std::unique_ptr<TBaseStream> FOwnedNext;
};

// Frees a stream and every stream behind it that the chain owns.
void FreeFilterChain(std::unique_ptr<TBaseStream> stream);

class TSeekableStream : public TBaseStream {
public:
  virtual std::int64_t GetPosition() = 0;
  virtual std::int64_t GetSize() = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  virtual void Truncate() = 0;
};

// Mode bits of TFileStream.
enum : int {
  fmRead = 1, fmWrite = 2, fmCreate = 4, fmShareRead = 8, fmShareWrite = 16
};

class TFileStream : public TSeekableStream {
public:
  // Opens (with fmCreate: creates or truncates) a file. The share bits have no
  // meaning for POSIX files and are accepted as they are.
  TFileStream(const std::string& fileName, int mode);
  // Wraps an open descriptor, which the stream then owns.
  explicit TFileStream(int handle, const std::string& fileName = std::string());
  ~TFileStream() override;

  int GetHandle() const { return FHandle; }
  const std::string& GetFileName() const { return FFileName; }

  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int64_t Available() override;
  void Flush() override;
  std::int64_t GetPosition() override;
  std::int64_t GetSize() override;
  void SetPosition(std::int64_t position) override;
  void Truncate() override;
  // Closes the file and deletes it; the stream is unusable afterwards.
  void CloseAndDelete();

private:
  int FHandle = -1;
  std::string FFileName;
};

class TBufferedStream : public TFilterStream {
public:
  // A size of -1 means 65,536; 0, or a side the next stream cannot do, leaves
  // that side unbuffered; a buffered side below 2 bytes raises EStreamCreate.
  TBufferedStream(std::int32_t readBufferSize, std::int32_t writeBufferSize, TBaseStream* next);
  // Flushes what is pending; a failure there is logged, never thrown out of
  // the destructor: call Flush first to see it.
  ~TBufferedStream() override;

  // With a read buffer the next stream stays non-strict (whole-buffer
  // refills would fail near its end); the value is given back to it when
  // this stream goes.
  void SetStrict(bool value) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int64_t Available() override;
  void Flush() override;

private:
  std::vector<std::uint8_t> FReadBuffer;
  std::int32_t FReadPosition = 0;
  std::int32_t FReadCount = 0;
  std::vector<std::uint8_t> FWriteBuffer;
  std::int32_t FWriteCount = 0;
  bool FSwitchedStrict = false;
  bool FRestoreStrict = true;
};

// A buffered file: for writing a 65,536-byte write buffer over mode 15
// (read, write, create, share read); for reading a 65,536-byte read buffer
// over mode 9 (read, share read). The returned stream owns its file stream.
std::unique_ptr<TBufferedStream> OpenBufferedFile(const std::string& fileName, bool forWriting);

}  // namespace imaging
