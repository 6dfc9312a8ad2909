// Random bytes as a settings file: reading keeps every byte, every read
// gives a value or its default, and what is written reads back as written
// while the rest of the file stays as it was.

#include "client/mud_state.h"
#include "platform/ini/ini_file.h"
#include "shell/core/client_settings.h"
#include "shell/core/key_mappings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The writer keeps a value on its one line: a lone CR or LF inside it is
// written as a blank, and every other byte comes back as it went in.
std::string AsWritten(std::string_view value) {
  std::string written(value);
  for (char& c : written)
    if (c == '\r' || c == '\n') c = ' ';
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > IniFile::kMaxFileSize) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile ini;
  ini.SetText(text);
  Check(ini.GetText() == text);

  TClientSettings settings = ReadClientSettings(ini, TStartPosition{"253", "295"});
  TMudstate state;
  ApplyClientSettings(settings, state);
  TKeyMappings mappings;
  mappings.Load(ini);
  for (const TKeyName& key : KeyTable) mappings.Lookup(key.Code);
  for (const std::string& section : {std::string("3dclient"), std::string("keymapping")})
    for (const std::string& key : ini.ReadSection(section)) ini.Find(section, key);

  // A value from the input's first bytes, written beside whatever is there.
  const std::string value(text.substr(0, 24));
  ini.WriteString("3dclient", "fuzzed", value);
  WriteClientSettings(ini, settings, true, state);
  mappings.Save(ini);
  IniFile again;
  again.SetText(ini.GetText());
  Check(again.Find("3dclient", "fuzzed") == AsWritten(value));
  Check(again.Find("3dclient", "speed") == AsWritten(settings.Speed));
  Check(again.Find("3dclient", "maxtelnetlines") == AsWritten(settings.MaxTelnetLines));
  TKeyMappings reloaded;
  reloaded.Load(again);
  Check(reloaded.GetBindings().size() == mappings.GetBindings().size());

  again.EraseSection("3DClient");
  Check(!again.SectionExists("3dclient"));
  return 0;
}
