#pragma once
// Small routines shared by the main window and the client core: number
// formatting, the program folder, elapsed time, file tests, random codes,
// opening documents and text tests. Plain functions without state.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The value with exactly that many decimals and a full stop, whatever the
// process locale (status lines and settings rely on the full stop).
std::string FormatFloatDecimals(int decimals, double value);

// The folder of the program file, with a trailing "/".
std::string GetApplicationFolder();

bool IsDirectory(const std::string& path);

// Elapsed time is measured on the monotonic clock, so a changed wall clock or
// a difference of more than a day still gives the true number of seconds.
using ClientClock = std::chrono::steady_clock;
double SecondsSince(ClientClock::time_point time);

// The size of an existing file; -1 for a folder; 0 when nothing exists there.
std::int64_t GetFileSizeOf(const std::string& fileName);

// `length` characters, each from random(35): 10 or more gives "A".."Y", less
// gives "0".."9". `random(n)` returns a uniform integer in 0..n-1.
std::string RandomCode(int length, const std::function<int(int)>& random);

// The help window registers itself here; until one is registered the page is
// opened with the desktop's default program.
void SetShowHTMLPageHandler(std::function<void(const std::string&)> handler);
void ShowHTMLPage(const std::string& addressOrFile);

bool IsTrueText(std::string_view text);

// Opens a file or web address with the desktop's default program (xdg-open),
// without a shell, so the argument is never interpreted.
void ShellOpen(const std::string& fileOrAddress);

char UpCaseChar(char c);

// 1-based position of the last occurrence of part in text, 0 when none.
int LastPos(std::string_view part, std::string_view text);

// The name up to its extension's "."; only a "." after the last folder
// separator counts, so a dotted folder name is left whole.
std::string StripExtension(std::string_view name);

bool IsNumber(std::string_view text);

std::string PadRight(std::string_view text, int width);
