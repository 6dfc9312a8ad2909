#pragma once
// The names of the large textures kept in texture memory, most recently used
// first, and the texture names of each colour of the intermediate maps.
//
// The cache holds names only. What the client core does with a name that
// falls out (TMud::LoadTexture): its material stays in the library under the
// same name and only its picture goes back to the small size, so an object
// never loses its material to the cache and a material leaves the library
// only with the core.

#include <cstdint>
#include <string>
#include <vector>

struct TTexturenamecacheItem {
  int32_t object = 0;  // the client core's update count when it was loaded
  bool flag = false;   // true for a texture that is not a static texture
  std::string name;
};

class TTexturenamecache {
public:
  // A capacity below 1 holds one name: a damaged world description must not
  // evict every texture as soon as it is loaded.
  explicit TTexturenamecache(int32_t capacity);

  int32_t GetCapacity() const { return FCapacity; }
  int GetCount() const { return static_cast<int>(FItems.size()); }
  // Index outside 0..Count-1 raises EListError.
  const TTexturenamecacheItem& Get(int index) const;

  // The new name goes first; when that passes the capacity the last record
  // is moved to evicted, otherwise evicted gets an empty name.
  void Insert(int32_t object, const std::string& name, bool flag, TTexturenamecacheItem& evicted);
  // How many names Insert has taken so far: while it stands still, nothing
  // has been pushed out of the cache.
  uint64_t GetInsertCount() const { return FInsertCount; }
  // Moves a cached name to the front; false when it is not cached.
  bool Touch(const std::string& name);
  // Exact, case-sensitive; -1 when absent.
  int IndexOfName(const std::string& name) const;
  void Delete(int index);
  // The names, most recent first, one per line (CR LF).
  void SaveNames(const std::string& fileName) const;

private:
  int32_t FCapacity;
  uint64_t FInsertCount = 0;
  std::vector<TTexturenamecacheItem> FItems;
};

struct TColortexturelistitem {
  int32_t colour = 0;
  std::vector<std::string> names;
};

class TIntermediatetexturelist {
public:
  void Add(int32_t colour, const std::vector<std::string>& names);
  // The first item of that colour, or -1.
  int IndexOfColor(int32_t colour) const;
  int GetCount() const { return static_cast<int>(FItems.size()); }
  // Index outside 0..Count-1 raises EListError.
  const TColortexturelistitem& GetItem(int index) const;
  // The names of the first item of that colour, nullptr when none.
  const std::vector<std::string>* GetNames(int32_t colour) const;
  void Delete(int index);

private:
  std::vector<TColortexturelistitem> FItems;
};

// Writes the lines, each ended by CR LF, replacing the file only once the
// new one is complete. Raises EInOutError when it cannot be written.
void SaveLinesToFile(const std::vector<std::string>& lines, const std::string& fileName);
