// Random bytes read as archives: object lists, every typed list, item
// collections and single values must raise a clear error or load, never
// crash, hang or leak.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/persistent_classes.h"
#include "engine/vector_lists.h"
#include "engine/xcollection.h"

namespace {
class TFuzzItem : public TXCollectionItem {
  CLIENT_DECLARE_CLASS(TFuzzItem)
public:
  std::string FriendlyName() const override { return "Fuzz"; }
  void ReadFromFiler(TVirtualReader& reader) override {
    TXCollectionItem::ReadFromFiler(reader);
    value_ = reader.ReadFloat();
  }
  double value_ = 0;
};
CLIENT_DEFINE_CLASS(TFuzzItem, TXCollectionItem)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TFuzzItem);

class TFuzzUnique : public TXCollectionItem {
  CLIENT_DECLARE_CLASS(TFuzzUnique)
public:
  std::string FriendlyName() const override { return "Unique"; }
  bool UniqueItem() const override { return true; }
};
CLIENT_DEFINE_CLASS(TFuzzUnique, TXCollectionItem)
CLIENT_REGISTER_XCOLLECTION_ITEM_CLASS(TFuzzUnique);

template <class T>
void Try(T& object, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  try {
    object.LoadFromStream(stream);
  } catch (const Exception&) {
  }
}

void ReadValues(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  TBinaryReader reader(stream);
  try {
    while (stream.Remaining() > 0) {
      switch (reader.NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32: reader.ReadInteger(); break;
        case vaExtended: reader.ReadFloat(); break;
        case vaFalse:
        case vaTrue: reader.ReadBoolean(); break;
        case vaList: reader.ReadListBegin(); break;
        case vaNull: reader.ReadListEnd(); break;
        default: reader.ReadString(); break;
      }
    }
  } catch (const Exception&) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the reader; the rest is the archive.
  const std::vector<uint8_t> bytes(data + 1, data + size);
  switch (data[0] % 10) {
    case 0: {
      TPersistentObjectList list;
      Try(list, bytes);
      list.FreeItemsAndClear();
      break;
    }
    case 1: { TAffineVectorList l; Try(l, bytes); break; }
    case 2: { TVectorList l; Try(l, bytes); break; }
    case 3: { TQuaternionList l; Try(l, bytes); break; }
    case 4: { TTexPointList l; Try(l, bytes); break; }
    case 5: { TIntegerList l; Try(l, bytes); break; }
    case 6: { TSingleList l; Try(l, bytes); break; }
    case 7: { TByteList l; Try(l, bytes); break; }
    case 8: {
      TXCollection collection;
      TMemoryStream stream(bytes);
      TBinaryReader reader(stream);
      try {
        collection.ReadFromFiler(reader);
      } catch (const Exception&) {
      }
      break;
    }
    default: ReadValues(bytes); break;
  }
  return 0;
}
