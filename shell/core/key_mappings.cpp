#include "shell/core/key_mappings.h"

#include "client/client_globals.h"
#include "client/client_helpers.h"
#include "platform/ini/ini_file.h"

// The names are the ones players know from the settings window, spelling included.
const std::array<TKeyName, KeyCount> KeyTable = {{
    {"f1", 112},
    {"f2", 113},
    {"f3", 114},
    {"f4", 115},
    {"f5", 116},
    {"f6", 117},
    {"f7", 118},
    {"f8", 119},
    {"f9", 120},
    {"f10", 121},
    {"f11", 122},
    {"f12", 123},
    {"0 (numeric keypad)", 96},
    {"1 (numeric keypad)", 97},
    {"2 (numeric keypad)", 98},
    {"3 (numeric keypad)", 99},
    {"4 (numeric keypad)", 100},
    {"5 (numeric keypad)", 101},
    {"6 (numeric keypad)", 102},
    {"7 (numeric keypad)", 103},
    {"8 (numeric keypad)", 104},
    {"9 (numeric keypad)", 105},
    {"page up", 33},
    {"page down", 34},
    {"end", 35},
    {"home", 36},
    {"left", 37},
    {"up", 38},
    {"right", 39},
    {"down", 40},
    {"back", 8},
    {"tab", 9},
    {"clear", 12},
    {"return", 13},
    {"shift", 16},
    {"control", 17},
    {"pause", 19},
    {"escape", 27},
    {"space", 32},
    {"select", 41},
    {"print", 42},
    {"execute", 43},
    {"print screen", 44},
    {"insert", 45},
    {"delete", 46},
    {"help", 47},
    {"left windows", 91},
    {"right windows", 92},
    {"applications", 93},
    {"muliply", 106},
    {"add", 107},
    {"separator", 108},
    {"subtract", 109},
    {"decimal", 110},
    {"divide", 111},
    {"num lock", 144},
    {"scroll", 145},
    {"left shift", 160},
    {"right shift", 161},
    {"left control", 162},
    {"right control", 163},
    {"left alt", 164},
    {"right alt", 165},
}};

std::string KeyCaption(const TKeyName& key) {
  std::string caption = key.Name;
  if (!caption.empty()) caption[0] = UpCaseChar(caption[0]);
  return caption;
}

void TKeyMappings::Load(const IniFile& ini) {
  FBindings.clear();
  for (const TKeyName& key : KeyTable) {
    std::string command = ini.ReadString(KeyMappingSection, std::to_string(key.Code), "");
    if (!command.empty()) FBindings.push_back({command, key.Code});
  }
}

void TKeyMappings::Save(IniFile& ini) const {
  ini.EraseSection(KeyMappingSection);
  for (const TBinding& binding : FBindings)
    ini.WriteString(KeyMappingSection, std::to_string(binding.Code), binding.Command);
}

void TKeyMappings::SetRows(const std::vector<std::string>& rows) {
  FBindings.clear();
  for (std::size_t row = 0; row < KeyTable.size() && row < rows.size(); ++row) {
    std::string_view command = TrimText(rows[row]);
    if (!command.empty()) FBindings.push_back({std::string(command), KeyTable[row].Code});
  }
}

std::string TKeyMappings::Lookup(std::uint16_t code) const {
  for (const TBinding& binding : FBindings)
    if (binding.Code == code) return binding.Command;
  return {};
}

std::vector<std::string> SplitMappedCommand(const std::string& command) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t semicolon = command.find(';'); semicolon != std::string::npos;
       semicolon = command.find(';', start)) {
    parts.push_back(command.substr(start, semicolon - start));
    start = semicolon + 1;
  }
  parts.push_back(command.substr(start));
  return parts;
}
