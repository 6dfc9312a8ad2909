#pragma once
// The settings file in place of the platform's private-profile files: a text
// file of "[section]" headers and "key=value" lines, held in memory as its
// lines, so that whatever a user wrote by hand (comments, unknown keys,
// their order and spelling) is kept when the program rewrites it.
//
// Sections and keys match without regard to ASCII case; a value is read
// trimmed of blanks, with one pair of enclosing quotes (" or ') taken off.
// Writing a key replaces its line where it stands; a new key goes after the
// last entry of its section, a new section at the end of the file. The file
// is replaced atomically (UpdateFile), never edited in place.
//
// Numbers are read and written with a full stop whatever the locale; a
// number that cannot be read gives the caller's default.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
  // Larger files are not read (the defaults hold) and not rewritten, so a
  // damaged or foreign file costs neither memory nor the user's data.
  static constexpr std::size_t kMaxFileSize = 256 * 1024;

  // Reads the file; a missing file is an empty document. A file that exists
  // but cannot be read (or is too large) leaves the document empty and
  // read-only, with the reason in GetLoadError().
  explicit IniFile(std::string fileName);
  // An empty document bound to no file until one is read; for text held
  // elsewhere (tests, the fuzz target).
  IniFile() = default;

  const std::string& GetFileName() const { return FFileName; }
  const std::string& GetLoadError() const { return FLoadError; }
  bool GetModified() const { return FModified; }

  // The document from text, as a file of that content would be read.
  void SetText(std::string_view text);
  // The document as it is written: unchanged lines byte for byte.
  std::string GetText() const;

  // The value of the first such key of the first such section, or nothing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  bool ValueExists(std::string_view section, std::string_view key) const { return Find(section, key).has_value(); }
  bool SectionExists(std::string_view section) const;
  // The keys of the first such section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  // Decimal with an optional sign; anything else, or out of range, is the default.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // True when the stored integer is not 0.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  // A finite decimal number ("12", "-0.5", "1e3").
  double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

  // A value that a read would change (blanks at its ends, enclosing quotes)
  // is written inside quotes; line breaks become blanks, as a value is one line.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  // "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // The shortest form of at most 15 significant digits ("12", "2.5").
  void WriteFloat(std::string_view section, std::string_view key, double value);
  // Every section of that name goes, with the entries and comments in it.
  void EraseSection(std::string_view section);

  // Writes the document when it changed, creating the file's folder when it
  // is missing; raises EInOutError when it cannot (the old file then stays
  // as it was). A read-only document (see the constructor) is never written.
  void UpdateFile();

private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\n", "\r\n" or "" (the last line without one)
    Kind kind = Kind::Other;
    std::string name;  // section name or key, trimmed
  };

  static Line ParseLine(std::string text, std::string end);
  // The index of the first line of the first section of that name (its
  // header), or none.
  std::optional<std::size_t> FindSection(std::string_view section) const;
  // One past the last line of the section whose header is at index.
  std::size_t SectionEnd(std::size_t header) const;
  std::optional<std::size_t> FindEntry(std::size_t header, std::string_view key) const;
  std::string LineEnd() const;
  void Insert(std::size_t index, std::string text);

  std::string FFileName;
  std::string FLoadError;
  bool FReadOnly = false;
  bool FModified = false;
  std::string FBom;
  std::vector<Line> FLines;
};

// The per-user configuration folder of a program: $XDG_CONFIG_HOME/<program>
// when that variable holds an absolute path, else $HOME/.config/<program>.
// Empty when neither variable helps.
std::string UserConfigFolder(std::string_view program);
