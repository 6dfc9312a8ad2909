#include "platform/base/path_resolve.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool Exists(const fs::path& p) {
  std::error_code error;
  return fs::exists(p, error);
}

std::vector<std::string> SplitComponents(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string NormalizeSeparators(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::optional<std::string> FindExistingPath(std::string_view path) {
  const std::string normalized = NormalizeSeparators(path);
  if (normalized.empty()) return std::nullopt;
  if (Exists(normalized)) return normalized;

  const bool absolute = normalized.front() == '/';
  std::string current = absolute ? "/" : "";
  for (const std::string& part : SplitComponents(normalized)) {
    const std::string candidate = current + part;
    if (part == "." || part == ".." || Exists(candidate)) {
      current = candidate + "/";
      continue;
    }
    // Folders are scanned in name order so the same world gives the same
    // file whatever order the file system lists them in.
    std::error_code error;
    fs::directory_iterator it(current.empty() ? fs::path(".") : fs::path(current), error);
    if (error) return std::nullopt;
    std::vector<std::string> matches;
    for (const fs::directory_entry& entry : it) {
      const std::string name = entry.path().filename().string();
      if (EqualNoCase(name, part)) matches.push_back(name);
    }
    if (matches.empty()) return std::nullopt;
    std::sort(matches.begin(), matches.end());
    current += matches.front() + "/";
  }
  if (current.size() > 1 && current.back() == '/') current.pop_back();
  if (!Exists(current)) return std::nullopt;
  return current;
}

std::string ResolvePath(std::string_view path) {
  if (std::optional<std::string> found = FindExistingPath(path)) return *found;
  return NormalizeSeparators(path);
}
