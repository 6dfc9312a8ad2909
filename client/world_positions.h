#pragma once
// Positions the world description names: the undefined area (a map place
// where the server gives no usable position), the phrases that locate the
// player there, and the list of known ground heights.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/vector_types.h"

class TXMLListDOM;

struct TPhrasePosition {
  int32_t x = -1;
  int32_t y = -1;
  std::string phrase;
};

class TPhrasePositionList {
public:
  TPhrasePositionList() = default;
  // One record per element child (attributes name, x, y).
  explicit TPhrasePositionList(TXMLListDOM* element);
  void Add(int32_t x, int32_t y, std::string phrase);
  // The first record whose non-empty phrase occurs in the text
  // (case-sensitive); false with x = y = -1 when none.
  bool FindPhrase(std::string_view text, TPhrasePosition& found) const;
  int GetCount() const { return static_cast<int>(FItems.size()); }
  const TPhrasePosition& Get(int index) const { return FItems.at(static_cast<size_t>(index)); }

private:
  std::vector<TPhrasePosition> FItems;
};

class TUndefinedarea {
public:
  // nullptr or an empty element gives the defaults: both positions
  // (0, 0, 0, 1), no fog, no colour, no texture, no phrases. An empty
  // texture with a malformed color raises EConvertError.
  explicit TUndefinedarea(TXMLListDOM* element);

  TVector4f mudposition{0, 0, 0, 1};
  TVector4f targetposition{0, 0, 0, 1};
  bool fog = false;
  int32_t colour = -1;
  std::string texture;
  TPhrasePositionList phrases;

  bool IsAt(float x, float y) const { return x == mudposition[0] && y == mudposition[1]; }
  bool IsAtVector(const TVector4f& v) const { return IsAt(v[0], v[1]); }
};

struct TGroundHeight {
  int32_t x = 0;
  int32_t y = 0;
  int32_t height = 0;
};

class TGroundHeightList {
public:
  // The first height recorded for a cell stays.
  void Add(int32_t x, int32_t y, int32_t height);
  // -1 when the cell has no record (a recorded -1 looks the same; FindHeight
  // tells them apart).
  int32_t GetHeight(int32_t x, int32_t y) const;
  std::optional<int32_t> FindHeight(int32_t x, int32_t y) const;
  // The exact cell's height, else the nearest record's (first of equals);
  // -1 for an empty list.
  int32_t GetNearestHeight(int32_t x, int32_t y) const;
  // Every element child of the text's root element adds (x, y, z); a child
  // without integer x, y and z raises EConvertError, bad XML EXmlError.
  void LoadFromXML(std::string_view text);
  int GetCount() const { return static_cast<int>(FItems.size()); }
  const TGroundHeight& Get(int index) const { return FItems.at(static_cast<size_t>(index)); }

private:
  static uint64_t Key(int32_t x, int32_t y) {
    return (uint64_t{static_cast<uint32_t>(x)} << 32) | static_cast<uint32_t>(y);
  }
  std::vector<TGroundHeight> FItems;
  std::unordered_map<uint64_t, size_t> FIndex;  // the status line adds cells all session long
};
