#pragma once
// What a game server sends, generated: rooms, exits, people, fights and
// prompts, with the colour codes such servers use, about 60 bytes a line,
// each line ended by CR LF (or a blank, for one long line). With `promptsEndWithGA`
// every prompt is followed by the telnet command "go ahead" (IAC GA), as
// servers mark a prompt that has no line end.

#include <cstddef>
#include <random>
#include <string>

namespace bench {

inline constexpr std::size_t kColouredLogSize = 10'000'000;

inline std::string ColouredLog(bool oneLine, bool promptsEndWithGA = false) {
  static const char* const colours[] = {"\x1b[31m", "\x1b[32m", "\x1b[33m", "\x1b[34m",
                                        "\x1b[35m", "\x1b[36m", "\x1b[37m", "\x1b[39m"};
  static const char* const words[] = {"the", "guard", "market", "square", "north", "gold", "sword",
                                      "attacks", "you", "misses", "a", "rat", "cobbled", "road"};
  std::mt19937 random(7);
  std::string log;
  log.reserve(kColouredLogSize + 256);
  while (log.size() < kColouredLogSize) {
    switch (random() % 4) {
      case 0: log += std::string(colours[5]) + "Market Square" + "\x1b[0m"; break;
      case 1:
        log += std::string(colours[0]) + "HP:" + std::to_string(random() % 100) + "\x1b[0m " + colours[2] +
               "MV:" + std::to_string(random() % 100) + "\x1b[0m> ";
        if (promptsEndWithGA) log += "\xff\xf9";
        break;
      default:
        for (int w = 0, n = 5 + static_cast<int>(random() % 8); w < n; ++w) {
          if (random() % 4 == 0) log += colours[random() % 8];
          log += words[random() % 14];
          log += ' ';
        }
        log += "\x1b[0m";
        break;
    }
    log += oneLine ? " " : "\r\n";
  }
  return log;
}

}  // namespace bench
