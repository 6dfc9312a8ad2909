#include "imaging/image_streams.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

namespace {

constexpr std::int32_t kChunk = 4096;
constexpr std::int32_t kDefaultBuffer = 65536;

std::string SystemErrorText(int code) { return std::strerror(code); }

// Replaces the "%s" markers of a message in order.
std::string Format(std::string text, const std::string& a, const std::string& b = std::string()) {
  std::size_t at = text.find("%s");
  if (at != std::string::npos) {
    text.replace(at, 2, a);
    at = text.find("%s", at + a.size());
    if (at != std::string::npos) text.replace(at, 2, b);
  }
  return text;
}

}  // namespace

std::int32_t TBaseStream::Write(const void*, std::int32_t) { return 0; }
std::int32_t TBaseStream::Read(void*, std::int32_t) { return 0; }

void TBaseStream::CopyFrom(TBaseStream& source) {
  const bool wasStrict = source.GetStrict();
  if (wasStrict) source.SetStrict(false);
  try {
    std::uint8_t chunk[kChunk];
    while (!source.Eof()) {
      const std::int32_t got = source.Read(chunk, kChunk);
      if (got <= 0) break;
      Write(chunk, got);
    }
  } catch (...) {
    if (wasStrict) source.SetStrict(true);
    throw;
  }
  if (wasStrict) source.SetStrict(true);
}

std::int64_t CopyStreamCount(TBaseStream& source, TBaseStream* target, std::int64_t count) {
  std::uint8_t chunk[kChunk];
  std::int64_t copied = 0;
  while (copied < count) {
    const std::int32_t want = std::int32_t(std::min<std::int64_t>(kChunk, count - copied));
    const std::int32_t got = source.Read(chunk, want);
    if (got <= 0) break;
    if (target) target->Write(chunk, got);
    copied += got;
    if (got < want) break;
  }
  return copied;
}

void TFilterStream::SetStrict(bool value) {
  TBaseStream::SetStrict(value);
  if (FNext) FNext->SetStrict(value);
}

std::int32_t TFilterStream::Write(const void* buffer, std::int32_t count) {
  return FNext ? FNext->Write(buffer, count) : 0;
}

std::int32_t TFilterStream::Read(void* buffer, std::int32_t count) {
  return FNext ? FNext->Read(buffer, count) : 0;
}

std::int64_t TFilterStream::Available() { return FNext ? FNext->Available() : 0; }

void TFilterStream::OwnNext(std::unique_ptr<TBaseStream> next) {
  FNext = next.get();
  FOwnedNext = std::move(next);
}

void FreeFilterChain(std::unique_ptr<TBaseStream> stream) {
  // The chain's owners free their next streams after themselves.
  stream.reset();
}

TFileStream::TFileStream(const std::string& fileName, int mode) : FFileName(fileName) {
  const bool read = mode & fmRead;
  const bool write = mode & fmWrite;
  if (!read && !write) {
    throw EInOutError("Either read, write or full access must be specified in call to CreateFile");
  }
  int flags = O_CLOEXEC;
  flags |= read && write ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
  if (mode & fmCreate) flags |= O_CREAT | O_TRUNC;
  FHandle = ::open(fileName.c_str(), flags, 0644);
  if (FHandle < 0) {
    throw EInOutError(Format("Error opening \"%s\" - %s", fileName, SystemErrorText(errno)));
  }
  FCanRead = read;
  FCanWrite = write;
}

TFileStream::TFileStream(int handle, const std::string& fileName) : FHandle(handle), FFileName(fileName) {
  FCanRead = true;
  FCanWrite = true;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count) {
  const auto* p = static_cast<const std::uint8_t*>(buffer);
  std::int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(FHandle, p + done, std::size_t(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(Format("Error writing to stream - %s", SystemErrorText(errno)));
    }
    if (n == 0) break;
    done += std::int32_t(n);
  }
  if (FStrict && done < count) throw EInOutError("Read less than expected");
  return done;
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(FHandle, p + done, std::size_t(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(Format("Error reading from stream - %s", SystemErrorText(errno)));
    }
    if (n == 0) break;
    done += std::int32_t(n);
  }
  if (FStrict && done < count) throw EInOutError("Read less than expected");
  return done;
}

std::int64_t TFileStream::Available() {
  const std::int64_t left = GetSize() - GetPosition();
  return left > 0 ? left : 0;
}

void TFileStream::Flush() {
  if (FCanWrite && ::fsync(FHandle) != 0 && errno != EINVAL && errno != EROFS) {
    throw EInOutError(Format("Error writing to stream - %s", SystemErrorText(errno)));
  }
}

std::int64_t TFileStream::GetPosition() {
  const off_t at = ::lseek(FHandle, 0, SEEK_CUR);
  if (at < 0) throw EInOutError(Format("IO-error: %s", SystemErrorText(errno)));
  return at;
}

std::int64_t TFileStream::GetSize() {
  struct stat st {};
  if (::fstat(FHandle, &st) != 0) throw EInOutError(Format("IO-error: %s", SystemErrorText(errno)));
  return st.st_size;
}

void TFileStream::SetPosition(std::int64_t position) {
  if (::lseek(FHandle, off_t(position), SEEK_SET) < 0) {
    throw EInOutError(Format("Error moving file pointer - %s", SystemErrorText(errno)));
  }
}

void TFileStream::Truncate() {
  if (::ftruncate(FHandle, off_t(GetPosition())) != 0) {
    throw EInOutError(Format("Error truncating file \"%s\" - %s", FFileName, SystemErrorText(errno)));
  }
}

void TFileStream::CloseAndDelete() {
  if (FHandle >= 0) {
    const int handle = FHandle;
    FHandle = -1;
    if (::close(handle) != 0) {
      throw EInOutError(Format("Error closing \"%s\" - %s", FFileName, SystemErrorText(errno)));
    }
  }
  if (::unlink(FFileName.c_str()) != 0) {
    throw EInOutError(Format("Error deleting \"%s\" - %s", FFileName, SystemErrorText(errno)));
  }
}

TBufferedStream::TBufferedStream(std::int32_t readBufferSize, std::int32_t writeBufferSize,
                                 TBaseStream* next)
    : TFilterStream(next) {
  FCanRead = next->GetCanRead();
  FCanWrite = next->GetCanWrite();
  FStrict = next->GetStrict();
  if (readBufferSize == -1) readBufferSize = kDefaultBuffer;
  if (writeBufferSize == -1) writeBufferSize = kDefaultBuffer;
  const bool bufferReads = FCanRead && readBufferSize != 0;
  const bool bufferWrites = FCanWrite && writeBufferSize != 0;
  if ((bufferReads && readBufferSize < 2) || (bufferWrites && writeBufferSize < 2)) {
    throw EStreamCreate("Invalid buffer size");
  }
  if (bufferReads) {
    FReadBuffer.resize(std::size_t(readBufferSize));
    // The buffer refills with whole-buffer reads, which a strict next stream
    // would refuse near its end; this stream applies Strict itself.
    if (next->GetStrict()) {
      next->SetStrict(false);
      FSwitchedStrict = true;
      FRestoreStrict = true;
    }
  }
  if (bufferWrites) FWriteBuffer.resize(std::size_t(writeBufferSize));
}

TBufferedStream::~TBufferedStream() {
  try {
    Flush();
  } catch (const std::exception& e) {
    std::cerr << "buffered stream: pending bytes lost: " << e.what() << '\n';
  }
  if (FSwitchedStrict && FNext) FNext->SetStrict(FRestoreStrict);
}

void TBufferedStream::SetStrict(bool value) {
  if (FReadBuffer.empty()) {
    TFilterStream::SetStrict(value);
    return;
  }
  FStrict = value;
  FSwitchedStrict = true;
  FRestoreStrict = value;
}

std::int32_t TBufferedStream::Read(void* buffer, std::int32_t n) {
  if (FReadBuffer.empty()) return TFilterStream::Read(buffer, n);
  if (n <= 0) return 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::int32_t buffered = FReadCount - FReadPosition;
  if (n <= buffered) {
    std::memcpy(out, FReadBuffer.data() + FReadPosition, std::size_t(n));
    FReadPosition += n;
    return n;
  }
  if (buffered > 0) std::memcpy(out, FReadBuffer.data() + FReadPosition, std::size_t(buffered));
  FReadPosition = FReadCount = 0;
  const std::int32_t rest = n - buffered;
  const std::int32_t size = std::int32_t(FReadBuffer.size());
  if (rest < size) {
    const std::int32_t got = FNext->Read(FReadBuffer.data(), size);
    if (got < rest) {
      if (got > 0) std::memcpy(out + buffered, FReadBuffer.data(), std::size_t(got));
      if (FStrict) throw EInOutError("Read less than expected");
      return buffered + std::max(got, 0);
    }
    std::memcpy(out + buffered, FReadBuffer.data(), std::size_t(rest));
    FReadPosition = rest;
    FReadCount = got;
    return n;
  }
  const std::int32_t got = FNext->Read(out + buffered, rest);
  if (FStrict && got < rest) throw EInOutError("Read less than expected");
  return buffered + std::max(got, 0);
}

std::int32_t TBufferedStream::Write(const void* buffer, std::int32_t n) {
  if (FWriteBuffer.empty()) return TFilterStream::Write(buffer, n);
  if (n <= 0) return 0;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  const std::int32_t size = std::int32_t(FWriteBuffer.size());
  const std::int32_t room = size - FWriteCount;
  if (n <= room) {
    std::memcpy(FWriteBuffer.data() + FWriteCount, in, std::size_t(n));
    FWriteCount += n;
    return n;
  }
  std::memcpy(FWriteBuffer.data() + FWriteCount, in, std::size_t(room));
  FWriteCount = size;
  Flush();
  const std::int32_t rest = n - room;
  if (rest < size) {
    std::memcpy(FWriteBuffer.data(), in + room, std::size_t(rest));
    FWriteCount = rest;
  } else {
    FNext->Write(in + room, rest);
  }
  return n;
}

void TBufferedStream::Flush() {
  if (FWriteCount > 0) {
    const std::int32_t pending = FWriteCount;
    FWriteCount = 0;
    FNext->Write(FWriteBuffer.data(), pending);
  }
}

std::int64_t TBufferedStream::Available() {
  return FNext->Available() + (FReadCount - FReadPosition);
}

std::unique_ptr<TBufferedStream> OpenBufferedFile(const std::string& fileName, bool forWriting) {
  auto file = std::make_unique<TFileStream>(
      fileName, forWriting ? (fmRead | fmWrite | fmCreate | fmShareRead) : (fmRead | fmShareRead));
  auto buffered = forWriting ? std::make_unique<TBufferedStream>(0, kDefaultBuffer, file.get())
                             : std::make_unique<TBufferedStream>(kDefaultBuffer, 0, file.get());
  buffered->OwnNext(std::move(file));
  return buffered;
}

}  // namespace imaging
