#include "platform/ini/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "platform/base/assertion.h"
#include "platform/base/atomic_file.h"
#include "platform/base/exception.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool Quoted(std::string_view value) { return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front(); }

// The value part of an entry line as a read returns it.
std::string_view ValueOf(std::string_view line) {
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (Quoted(value)) value = value.substr(1, value.size() - 2);
  return value;
}

// A name that reads back as itself from a header or an entry line.
bool IsPlainName(std::string_view name, bool key) {
  if (name.empty() || Trim(name) != name) return false;
  if (name.find_first_of(key ? "=\r\n" : "]\r\n") != std::string_view::npos) return false;
  return !key || (name.front() != '[' && name.front() != ';' && name.front() != '#');
}

}  // namespace

IniFile::IniFile(std::string fileName) : FFileName(std::move(fileName)) {
  struct stat info {};
  if (::stat(FFileName.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      FLoadError = "Cannot read file \"" + FFileName + "\". " + std::strerror(errno);
      FReadOnly = true;
    }
    return;
  }
  // A folder or a pipe under the file's name is not read: reading a pipe could wait forever.
  if (!S_ISREG(info.st_mode)) {
    FLoadError = "\"" + FFileName + "\" is not a file.";
    FReadOnly = true;
    return;
  }
  if (static_cast<unsigned long long>(info.st_size) > kMaxFileSize) {
    FLoadError = "\"" + FFileName + "\" is larger than " + std::to_string(kMaxFileSize) + " bytes; not read.";
    FReadOnly = true;
    return;
  }
  std::ifstream file(FFileName, std::ios::binary);
  std::string text(kMaxFileSize + 1, '\0');
  if (file) file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (!file && !file.eof()) {
    FLoadError = "Cannot read file \"" + FFileName + "\".";
    FReadOnly = true;
    return;
  }
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxFileSize) {  // it grew since it was measured
    FLoadError = "\"" + FFileName + "\" is larger than " + std::to_string(kMaxFileSize) + " bytes; not read.";
    FReadOnly = true;
    return;
  }
  SetText(text);
}

IniFile::Line IniFile::ParseLine(std::string text, std::string end) {
  Line line{std::move(text), std::move(end), Kind::Other, {}};
  std::string_view content = Trim(line.text);
  if (content.empty() || content.front() == ';' || content.front() == '#') return line;
  if (content.front() == '[') {
    content.remove_prefix(1);
    line.kind = Kind::Section;
    line.name = Trim(content.substr(0, content.find(']')));
    return line;
  }
  const std::size_t equals = content.find('=');
  if (equals == std::string_view::npos) return line;
  std::string_view key = Trim(content.substr(0, equals));
  if (key.empty()) return line;
  line.kind = Kind::Entry;
  line.name = key;
  return line;
}

void IniFile::SetText(std::string_view text) {
  FLines.clear();
  FBom.clear();
  if (text.substr(0, kBom.size()) == kBom) {
    FBom = kBom;
    text.remove_prefix(kBom.size());
  }
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view piece = text.substr(0, newline);
    std::string end;
    if (newline != std::string_view::npos) {
      end = "\n";
      if (!piece.empty() && piece.back() == '\r') {
        piece.remove_suffix(1);
        end = "\r\n";
      }
      text.remove_prefix(newline + 1);
    } else {
      text = {};
    }
    FLines.push_back(ParseLine(std::string(piece), std::move(end)));
  }
  FModified = false;
}

std::string IniFile::GetText() const {
  std::string text = FBom;
  for (const Line& line : FLines) {
    text += line.text;
    text += line.end;
  }
  return text;
}

std::optional<std::size_t> IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < FLines.size(); ++i)
    if (FLines[i].kind == Kind::Section && SameName(FLines[i].name, section)) return i;
  return std::nullopt;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < FLines.size() && FLines[i].kind != Kind::Section) ++i;
  return i;
}

std::optional<std::size_t> IniFile::FindEntry(std::size_t header, std::string_view key) const {
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (FLines[i].kind == Kind::Entry && SameName(FLines[i].name, key)) return i;
  return std::nullopt;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  std::optional<std::size_t> header = FindSection(section);
  if (!header) return std::nullopt;
  std::optional<std::size_t> entry = FindEntry(*header, key);
  if (!entry) return std::nullopt;
  return std::string(ValueOf(FLines[*entry].text));
}

bool IniFile::SectionExists(std::string_view section) const { return FindSection(section).has_value(); }

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  std::optional<std::size_t> header = FindSection(section);
  if (!header) return keys;
  const std::size_t end = SectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i)
    if (FLines[i].kind == Kind::Entry) keys.push_back(FLines[i].name);
  return keys;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
  std::optional<std::string> value = Find(section, key);
  return value ? *value : std::string(defaultValue);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  std::optional<std::string> value = Find(section, key);
  if (!value) return defaultValue;
  std::string_view text = *value;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int result = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return defaultValue;
  return result;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const {
  std::optional<std::string> value = Find(section, key);
  if (!value) return defaultValue;
  std::string_view text = *value;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double result = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(result))
    return defaultValue;
  return result;
}

std::string IniFile::LineEnd() const {
  for (const Line& line : FLines)
    if (!line.end.empty()) return line.end;
  return "\n";
}

void IniFile::Insert(std::size_t index, std::string text) {
  // The line before the new one may be the file's last, without a line end.
  if (index > 0 && FLines[index - 1].end.empty()) FLines[index - 1].end = LineEnd();
  std::string end = LineEnd();
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), ParseLine(std::move(text), std::move(end)));
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  CLIENT_ASSERT(IsPlainName(section, false) && IsPlainName(key, true));
  std::string stored(value);
  std::replace_if(stored.begin(), stored.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  if (Trim(stored) != stored || Quoted(stored)) stored = '"' + stored + '"';

  std::optional<std::size_t> header = FindSection(section);
  if (!header) {
    Insert(FLines.size(), "[" + std::string(section) + "]");
    header = FLines.size() - 1;
  }
  if (std::optional<std::size_t> entry = FindEntry(*header, key)) {
    // The key keeps its spelling and spacing; only the value changes.
    Line& line = FLines[*entry];
    std::size_t valueStart = line.text.find('=') + 1;
    while (valueStart < line.text.size() && IsBlank(line.text[valueStart])) ++valueStart;
    std::string updated = line.text.substr(0, valueStart) + stored;
    if (updated != line.text) {
      line.text = std::move(updated);
      FModified = true;
    }
    return;
  }
  std::size_t at = *header + 1;
  const std::size_t end = SectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i)
    if (FLines[i].kind == Kind::Entry) at = i + 1;
  Insert(at, std::string(key) + "=" + stored);
  FModified = true;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  WriteString(section, key, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

void IniFile::EraseSection(std::string_view section) {
  while (std::optional<std::size_t> header = FindSection(section)) {
    const std::size_t end = SectionEnd(*header);
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(*header), FLines.begin() + static_cast<std::ptrdiff_t>(end));
    FModified = true;
  }
}

void IniFile::UpdateFile() {
  if (FReadOnly) throw EInOutError(FLoadError + " The file is left as it is.");
  if (FFileName.empty()) throw EInOutError("The settings have no file to be written to.");
  if (!FModified) return;
  namespace fs = std::filesystem;
  std::error_code error;
  // A settings file kept as a link (to a dotfiles folder, say) stays one:
  // its target is what gets replaced.
  fs::path target = FFileName;
  if (fs::is_symlink(target, error)) {
    fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) target = resolved;
  }
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), error);
  WriteFileAtomically(target.string(), GetText());
  FModified = false;
}

std::string UserConfigFolder(std::string_view program) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/" + std::string(program);
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/" + std::string(program);
  return {};
}
