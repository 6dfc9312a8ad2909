#include "imaging/dynamic_list.h"

#include <cstring>
#include <limits>

#include "platform/base/assertion.h"

using namespace imaging;

void TStreamClass::SaveToStream(TBaseStream&) const {
  throw Exception(ClassName() + ".SaveToStream not implemented");
}

void TStreamClass::LoadFromStream(TBaseStream&) {
  throw Exception(ClassName() + ".LoadFromStream not implemented");
}

void TStreamClass::SaveToFile(const std::string& fileName) const {
  std::unique_ptr<TBufferedStream> stream = OpenBufferedFile(fileName, true);
  SaveToStream(*stream);
  stream->Flush();
  FreeFilterChain(std::move(stream));
}

void TStreamClass::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TBufferedStream> stream = OpenBufferedFile(fileName, false);
  LoadFromStream(*stream);
  FreeFilterChain(std::move(stream));
}

TDynamicList::TDynamicList(std::int32_t itemSize, void** ownerPointer)
    : FOwnerPointer(ownerPointer), FItemSize(itemSize) {
  CLIENT_ASSERT(itemSize > 0);
  UpdateOwner();
}

TDynamicList::~TDynamicList() {
  FCapacity = 0;
  FCount = 0;
  FData.clear();
  UpdateOwner();
}

void TDynamicList::UpdateOwner() {
  if (FOwnerPointer) *FOwnerPointer = FCapacity > 0 ? FData.data() : nullptr;
}

std::uint8_t* TDynamicList::Item(std::int32_t index) {
  CLIENT_ASSERT(index >= 0 && index < FCount);
  return FData.data() + std::size_t(index) * std::size_t(FItemSize);
}

void TDynamicList::SetCapacity(std::int32_t capacity) {
  CLIENT_ASSERT(capacity >= 0);
  CLIENT_ASSERT(std::uint64_t(capacity) * std::uint64_t(FItemSize) <=
                std::uint64_t(std::numeric_limits<std::int32_t>::max()));
  FData.resize(std::size_t(capacity) * std::size_t(FItemSize));
  FData.shrink_to_fit();
  FCapacity = capacity;
  if (FCount > capacity) FCount = capacity;
  UpdateOwner();
}

void TDynamicList::SetCount(std::int32_t count) {
  CLIENT_ASSERT(count >= 0);
  if (count > FCapacity) SetCapacity(count);
  if (count > FCount) {
    std::memset(FData.data() + std::size_t(FCount) * FItemSize, 0,
                std::size_t(count - FCount) * std::size_t(FItemSize));
  }
  FCount = count;
}

std::int32_t TDynamicList::AddItem() {
  if (FCount >= FCapacity) {
    std::int32_t grown;
    if (FCapacity == 0 && FDelta <= 0) {
      grown = 16;  // also a negative delta: doubling 0 would never grow
    } else if (FDelta < 1) {
      grown = FCapacity * 2;
    } else {
      grown = FCapacity + FDelta;
    }
    SetCapacity(grown);
  }
  std::memset(FData.data() + std::size_t(FCount) * FItemSize, 0, std::size_t(FItemSize));
  return FCount++;
}

void TDynamicList::Delete(std::int32_t index) {
  CLIENT_ASSERT(index >= 0 && index < FCount);
  std::uint8_t* at = FData.data() + std::size_t(index) * FItemSize;
  std::memmove(at, at + FItemSize, std::size_t(FCount - index - 1) * std::size_t(FItemSize));
  --FCount;
}

void TDynamicList::Clear() { SetCapacity(0); }

void TDynamicList::Assign(const TAssignObject& source) {
  const auto* other = dynamic_cast<const TDynamicList*>(&source);
  if (!other) {
    TStreamClass::Assign(source);
    return;
  }
  CLIENT_ASSERT(other->FItemSize == FItemSize);
  if (other == this) return;
  Clear();
  SetCapacity(other->FCount);
  FCount = other->FCount;
  std::memcpy(FData.data(), other->FData.data(), std::size_t(FCount) * std::size_t(FItemSize));
}

void TDynamicList::SaveToStream(TBaseStream& stream) const {
  const std::uint32_t count = std::uint32_t(FCount);
  const std::uint8_t bytes[4] = {std::uint8_t(count), std::uint8_t(count >> 8), std::uint8_t(count >> 16),
                                 std::uint8_t(count >> 24)};
  stream.Write(bytes, 4);
  if (FCount > 0) stream.Write(FData.data(), FCount * FItemSize);
}

void TDynamicList::LoadFromStream(TBaseStream& stream) {
  Clear();
  std::uint8_t bytes[4];
  if (stream.Read(bytes, 4) != 4) throw EInOutError("Read less than expected");
  const std::int32_t count = std::int32_t(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                          std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24);
  const std::uint64_t need = std::uint64_t(std::max(count, 0)) * std::uint64_t(FItemSize);
  if (count < 0 || need > std::uint64_t(std::max<std::int64_t>(stream.Available(), 0))) {
    throw EInOutError("Read less than expected");
  }
  SetCount(count);
  if (count > 0 && stream.Read(FData.data(), std::int32_t(need)) != std::int32_t(need)) {
    Clear();
    throw EInOutError("Read less than expected");
  }
}
