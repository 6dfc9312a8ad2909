// Random bytes as a settings file: reading keeps every byte, every read
// gives a value or its default, every number the settings give is one the
// window can use, and what is written reads back as written while the rest
// of the file stays as it was: written again, the settings change nothing.

#include "client/mud_state.h"
#include "engine/gl_coordinates.h"
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

bool Within(double value, double low, double high) { return value >= low && value <= high; }

// What a screen of 1280 x 1024 leaves for the panels.
constexpr TPanelRoom kRoom{1180, 760};

// Every number taken from the settings within what the window can use.
void CheckUsable(const TClientSettings& s, const TMudstate& state) {
  Check(Within(s.MouseSensitivity, 0, kMostMouseSensitivity));
  Check(s.ViewerHeight == 209 || Within(s.ViewerHeight, kLeastPanelHeight, kRoom.Height));
  Check(s.RightWidth == 1 || Within(s.RightWidth, 0, kRoom.Width));
  Check(Within(state.Time, 0, kDayHours) && state.Time < kDayHours);
  Check(Within(state.Rain, kUnsetWeather, kMostWeather) && Within(state.Wind, kUnsetWeather, kMostWeather) &&
        Within(state.Fog, kUnsetWeather, kMostWeather) && Within(state.Cloud, kUnsetWeather, kMostCloud));
  Check(Within(state.GetPosition()->GetX(), 0, kMapExtent) && Within(state.GetPosition()->GetY(), 0, kMapExtent));
  Check(Within(MovementStep(s.Speed), -kMapExtent, kMapExtent));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > IniFile::kMaxFileSize) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile ini;
  ini.SetText(text);
  Check(ini.GetText() == text);

  const TStartPosition start{"253", "295"};
  TClientSettings settings = ReadClientSettings(ini, start, kRoom);
  TMudstate state;
  ApplyClientSettings(settings, state);
  CheckUsable(settings, state);
  ReadTelnetHeight(ini, kRoom);
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

  // What is written back is what is used: read again and written again,
  // the file stays as it is.
  const std::string written = again.GetText();
  TClientSettings reread = ReadClientSettings(again, start, kRoom);
  TMudstate rereadState;
  ApplyClientSettings(reread, rereadState);
  CheckUsable(reread, rereadState);
  WriteClientSettings(again, reread, true, rereadState);
  Check(again.GetText() == written);

  again.EraseSection("3DClient");
  Check(!again.SectionExists("3dclient"));
  return 0;
}
