#pragma once
// The client's list of integers. It shares its name with the engine's
// growable integer list but not its behaviour, so it lives in a namespace of
// its own and each subsystem keeps using its own list.

#include <cstdint>
#include <vector>

namespace client {

class TIntegerList {
public:
  TIntegerList() = default;

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool value) { FSorted = value; }
  bool GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(bool value) { FDuplicates = value; }

  int GetCount() const { return static_cast<int>(FItems.size()); }
  int IndexOf(int32_t value) const;
  // Index outside 0..Count-1 raises EListError.
  int32_t Get(int index) const;
  // Without Duplicates a value already present is not added again; with
  // Sorted the list is kept in ascending order.
  void Add(int32_t value);
  void Delete(int index);
  void Clear() { FItems.clear(); }
  void Sort();

  const std::vector<int32_t>& Items() const { return FItems; }

private:
  std::vector<int32_t> FItems;
  bool FSorted = false;
  bool FDuplicates = true;
};

}  // namespace client
