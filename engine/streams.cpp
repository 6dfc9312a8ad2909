#include "engine/streams.h"

#include <algorithm>
#include <cstring>

#include "engine/engine_errors.h"

CLIENT_DEFINE_CLASS(TStream, TObject)
CLIENT_DEFINE_CLASS(TMemoryStream, TStream)
CLIENT_DEFINE_CLASS(TStringStream, TMemoryStream)
CLIENT_DEFINE_CLASS(TFileStream, TStream)

int64_t TStream::GetSize() {
  const int64_t position = GetPosition();
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  SetPosition(position);
  return size;
}

int64_t TStream::Remaining() {
  const int64_t position = GetPosition();
  const int64_t size = GetSize();
  return size > position ? size - position : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EStreamError(engine_messages::kStreamReadError);
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= data_.size()) return 0;
  const size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (position_ + count > data_.size()) data_.resize(position_ + count);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = static_cast<int64_t>(position_);
  if (origin == TSeekOrigin::soEnd) base = static_cast<int64_t>(data_.size());
  const int64_t target = base + offset;
  position_ = target < 0 ? 0 : static_cast<size_t>(target);
  return static_cast<int64_t>(position_);
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

TStringStream::TStringStream(const std::string& data) : TMemoryStream(std::vector<uint8_t>(data.begin(), data.end())) {}

TFileStream::TFileStream(const std::string& file_name, uint16_t mode) : file_name_(file_name) {
  if (mode == fmCreate) {
    file_ = std::fopen(file_name.c_str(), "w+b");
    if (!file_) throw EFOpenError("Cannot create file \"" + file_name + "\"");
    return;
  }
  const char* fopen_mode = "rb";
  switch (mode & 0x3) {
    case fmOpenWrite:
    case fmOpenReadWrite: fopen_mode = "r+b"; break;
    default: break;
  }
  file_ = std::fopen(file_name.c_str(), fopen_mode);
  if (!file_) throw EFOpenError("Cannot open file \"" + file_name + "\"");
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) { return std::fread(buffer, 1, count, file_); }

size_t TFileStream::Write(const void* buffer, size_t count) { return std::fwrite(buffer, 1, count, file_); }

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  std::fseek(file_, static_cast<long>(offset), whence);
  return static_cast<int64_t>(std::ftell(file_));
}
