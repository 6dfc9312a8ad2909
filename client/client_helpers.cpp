#include "client/client_helpers.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

std::string FormatFloatDecimals(int decimals, double value) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
  // Enough for any double in fixed notation plus the decimals asked for.
  std::vector<char> buffer(static_cast<std::size_t>(330 + decimals));
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                              std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

std::string GetApplicationFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "./";
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

double SecondsSince(ClientClock::time_point time) {
  return std::chrono::duration<double>(ClientClock::now() - time).count();
}

std::int64_t GetFileSizeOf(const std::string& fileName) {
  struct stat info {};
  if (fileName.empty() || stat(fileName.c_str(), &info) != 0) return 0;
  if (S_ISDIR(info.st_mode)) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

std::string RandomCode(int length, const std::function<int(int)>& random) {
  std::string code;
  for (int i = 0; i < length; ++i) {
    int draw = random(35);
    if (draw >= 10)
      code += static_cast<char>('A' + random(25));
    else
      code += static_cast<char>('0' + random(10));
  }
  return code;
}

namespace {
std::mutex& HtmlHandlerMutex() {
  static std::mutex mutex;
  return mutex;
}
std::function<void(const std::string&)>& HtmlHandler() {
  static std::function<void(const std::string&)> handler;
  return handler;
}
}  // namespace

void SetShowHTMLPageHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard lock(HtmlHandlerMutex());
  HtmlHandler() = std::move(handler);
}

void ShowHTMLPage(const std::string& addressOrFile) {
  std::function<void(const std::string&)> handler;
  {
    std::lock_guard lock(HtmlHandlerMutex());
    handler = HtmlHandler();
  }
  if (handler)
    handler(addressOrFile);
  else
    ShellOpen(addressOrFile);
}

bool IsTrueText(std::string_view text) {
  return !text.empty() && UpCaseChar(text.front()) == 'T';
}

void ShellOpen(const std::string& fileOrAddress) {
  std::string program = "xdg-open";
  std::vector<char*> argv{program.data(), const_cast<char*>(fileOrAddress.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) return;
  // Without a desktop session xdg-open may run the browser itself and wait
  // for it: the caller (a window) must not wait too, so the child is reaped
  // aside.
  std::thread([child] {
    int status = 0;
    waitpid(child, &status, 0);
  }).detach();
}

char UpCaseChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int LastPos(std::string_view part, std::string_view text) {
  if (part.empty() || part.size() > text.size()) return 0;
  std::size_t at = text.rfind(part);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string StripExtension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  std::size_t separator = name.find_last_of("/\\");
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
    return std::string(name);
  return std::string(name.substr(0, dot));
}

bool IsNumber(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string PadRight(std::string_view text, int width) {
  std::string padded(text);
  if (width > 0 && padded.size() < static_cast<std::size_t>(width)) padded.resize(static_cast<std::size_t>(width), ' ');
  return padded;
}
