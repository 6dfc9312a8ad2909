#include "client/world_positions.h"

#include "client/client_globals.h"
#include "client/xml_list_dom.h"
#include "platform/xml/xml_document.h"

TPhrasePositionList::TPhrasePositionList(TXMLListDOM* element) {
  if (element == nullptr || element->IsEmpty()) return;
  const int count = element->GetCount();
  for (int i = 0; i < count; ++i) {
    TXMLListDOM* child = element->GetItem(i);
    Add(child->GetInteger("x"), child->GetInteger("y"), child->GetString("name"));
  }
}

void TPhrasePositionList::Add(int32_t x, int32_t y, std::string phrase) {
  FItems.push_back(TPhrasePosition{x, y, std::move(phrase)});
}

bool TPhrasePositionList::FindPhrase(std::string_view text, TPhrasePosition& found) const {
  for (const TPhrasePosition& item : FItems) {
    if (!item.phrase.empty() && text.find(item.phrase) != std::string_view::npos) {
      found = item;
      return true;
    }
  }
  found = TPhrasePosition{};
  return false;
}

TUndefinedarea::TUndefinedarea(TXMLListDOM* element) {
  if (element == nullptr || element->IsEmpty()) return;
  {
    // The phrase list reads through the element's cursor; take what it
    // needs before the attributes below are read.
    TXMLListDOM* list = element->SelectChild("PHRASEPOSITIONS");
    phrases = TPhrasePositionList(list);
  }
  mudposition = TVector4f(static_cast<float>(element->GetInteger("mudx")), static_cast<float>(element->GetInteger("mudy")),
                          static_cast<float>(element->GetInteger("mudz")), 1.0f);
  texture = element->GetString("texture");
  if (!texture.empty()) return;
  const std::string color = element->GetString("color");
  if (!color.empty()) {
    colour = HexToColor(color);
  } else {
    targetposition = TVector4f(static_cast<float>(element->GetInteger("tomudx")),
                               static_cast<float>(element->GetInteger("tomudy")),
                               static_cast<float>(element->GetInteger("tomudz")), 1.0f);
    fog = element->GetBool("fog");
  }
}

void TGroundHeightList::Add(int32_t x, int32_t y, int32_t height) {
  if (FIndex.count(Key(x, y)) != 0) return;
  FIndex.emplace(Key(x, y), FItems.size());
  FItems.push_back(TGroundHeight{x, y, height});
}

std::optional<int32_t> TGroundHeightList::FindHeight(int32_t x, int32_t y) const {
  auto it = FIndex.find(Key(x, y));
  if (it == FIndex.end()) return std::nullopt;
  return FItems[it->second].height;
}

int32_t TGroundHeightList::GetHeight(int32_t x, int32_t y) const { return FindHeight(x, y).value_or(-1); }

int32_t TGroundHeightList::GetNearestHeight(int32_t x, int32_t y) const {
  if (std::optional<int32_t> exact = FindHeight(x, y)) return *exact;
  double best = 9999999.0;
  int32_t result = -1;
  for (const TGroundHeight& item : FItems) {
    const double dx = static_cast<double>(item.x) - x;
    const double dy = static_cast<double>(item.y) - y;
    const double distance = dx * dx + dy * dy;
    if (distance < best) {
      best = distance;
      result = item.height;
    }
  }
  return result;
}

void TGroundHeightList::LoadFromXML(std::string_view text) {
  const xml::Node root = xml::Document::ParseText(text);
  const int count = root.ChildElementCount();
  for (int i = 0; i < count; ++i) {
    const xml::Node child = root.ChildElement(i);
    auto read = [&](const char* name) { return StrToInt(child.Attribute(name).value_or(std::string())); };
    const int32_t z = read("z");
    const int32_t y = read("y");
    const int32_t x = read("x");
    Add(x, y, z);
  }
}
