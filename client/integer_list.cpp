#include "client/integer_list.h"

#include <algorithm>
#include <string>

#include "client/client_globals.h"

namespace client {

int TIntegerList::IndexOf(int32_t value) const {
  auto it = std::find(FItems.begin(), FItems.end(), value);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int32_t TIntegerList::Get(int index) const {
  if (index < 0 || index >= GetCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[static_cast<size_t>(index)];
}

void TIntegerList::Add(int32_t value) {
  if (!FDuplicates && IndexOf(value) >= 0) return;
  FItems.push_back(value);
  if (FSorted) Sort();
}

void TIntegerList::Delete(int index) {
  if (index < 0 || index >= GetCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  FItems.erase(FItems.begin() + index);
}

void TIntegerList::Sort() { std::stable_sort(FItems.begin(), FItems.end()); }

}  // namespace client
