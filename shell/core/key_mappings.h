#pragma once
// Commands bound to keys, without the window: the fixed table of the 63 keys
// a player can bind, the list of bindings, and their section "keymapping" of
// the settings file (one entry per binding: the key's decimal code = the
// command text). A command may hold several commands separated by ";".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class IniFile;

inline constexpr char KeyMappingSection[] = "keymapping";

struct TKeyName {
  const char* Name;
  std::uint16_t Code;  // virtual-key code
};

inline constexpr std::size_t KeyCount = 63;
extern const std::array<TKeyName, KeyCount> KeyTable;

// The name as the grid shows it: the first letter upper-cased ("F1", "Page up").
std::string KeyCaption(const TKeyName& key);

class TKeyMappings {
public:
  struct TBinding {
    std::string Command;
    std::uint16_t Code = 0;
  };

  // LoadKeyMappings: the list becomes, in table order, every key whose code
  // has a non-empty value in the section; codes outside the table are ignored.
  void Load(const IniFile& ini);
  // SaveKeyMappings: the section is erased, then each binding written in list order.
  void Save(IniFile& ini) const;
  // OK of the window: one command text per row of the table; the trimmed
  // non-empty ones are kept, in table order.
  void SetRows(const std::vector<std::string>& rows);
  // LookupKeyCommand: the command of the first binding of that code, or "".
  std::string Lookup(std::uint16_t code) const;

  const std::vector<TBinding>& GetBindings() const { return FBindings; }

private:
  std::vector<TBinding> FBindings;
};

// A bound command split at each ";": the parts in order, the one after the
// last ";" included even when empty ("n;s;" gives "n", "s" and "").
std::vector<std::string> SplitMappedCommand(const std::string& command);
