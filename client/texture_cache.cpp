#include "client/texture_cache.h"

#include <algorithm>

#include "platform/base/atomic_file.h"
#include "platform/base/exception.h"

namespace {
const char* const kInvalidListIndex = "List index out of bounds";
}

TTexturenamecache::TTexturenamecache(int32_t capacity) : FCapacity(std::max<int32_t>(capacity, 1)) {}

const TTexturenamecacheItem& TTexturenamecache::Get(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError(kInvalidListIndex);
  return FItems[static_cast<size_t>(index)];
}

void TTexturenamecache::Insert(int32_t object, const std::string& name, bool flag, TTexturenamecacheItem& evicted) {
  FItems.insert(FItems.begin(), TTexturenamecacheItem{object, flag, name});
  ++FInsertCount;
  evicted = TTexturenamecacheItem{};
  if (GetCount() > FCapacity) {
    evicted = std::move(FItems.back());
    FItems.pop_back();
  }
}

bool TTexturenamecache::Touch(const std::string& name) {
  const int index = IndexOfName(name);
  if (index < 0) return false;
  std::rotate(FItems.begin(), FItems.begin() + index, FItems.begin() + index + 1);
  return true;
}

int TTexturenamecache::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].name == name) return static_cast<int>(i);
  return -1;
}

void TTexturenamecache::Delete(int index) {
  Get(index);
  FItems.erase(FItems.begin() + index);
}

void TTexturenamecache::SaveNames(const std::string& fileName) const {
  std::vector<std::string> names;
  for (const TTexturenamecacheItem& item : FItems) names.push_back(item.name);
  SaveLinesToFile(names, fileName);
}

void TIntermediatetexturelist::Add(int32_t colour, const std::vector<std::string>& names) {
  FItems.push_back(TColortexturelistitem{colour, names});
}

int TIntermediatetexturelist::IndexOfColor(int32_t colour) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].colour == colour) return static_cast<int>(i);
  return -1;
}

const TColortexturelistitem& TIntermediatetexturelist::GetItem(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError(kInvalidListIndex);
  return FItems[static_cast<size_t>(index)];
}

const std::vector<std::string>* TIntermediatetexturelist::GetNames(int32_t colour) const {
  const int index = IndexOfColor(colour);
  return index < 0 ? nullptr : &FItems[static_cast<size_t>(index)].names;
}

void TIntermediatetexturelist::Delete(int index) {
  GetItem(index);
  FItems.erase(FItems.begin() + index);
}

void SaveLinesToFile(const std::vector<std::string>& lines, const std::string& fileName) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  WriteFileAtomically(fileName, text);
}
