#pragma once
// A text pane that keeps only the length of each line, for the tests, fuzz
// targets and benchmarks that look past the pane (recent lines, the status
// line) rather than at what it shows.

#include "shell/core/text_pane.h"

#include <algorithm>
#include <string>
#include <deque>

class LineLengthPane : public TextPane {
public:
  int LineCount() const override { return static_cast<int>(lines.size()); }
  std::string LastLine(std::size_t maxLength) const override {
    return std::string(std::min(maxLength, LastLineLength()), ' ');
  }
  std::size_t LastLineLength() const override { return lines.empty() ? 0 : lines.back(); }
  std::size_t TextLength() const override { return total + (lines.empty() ? 0 : lines.size() - 1); }
  int LineAt(std::size_t offset) const override {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (offset <= lines[i]) return static_cast<int>(i);
      offset -= lines[i] + 1;
    }
    return LineCount() - 1;
  }
  void AddLine() override { lines.push_back(0); }
  void AppendColouredText(const TTextAttributes&, std::string_view text) override {
    if (lines.empty()) lines.push_back(0);
    lines.back() += text.size();
    total += text.size();
  }
  void DeleteLines(int first, int last) override {
    for (int i = first; i <= last; ++i) total -= lines[static_cast<std::size_t>(i)];
    lines.erase(lines.begin() + first, lines.begin() + last + 1);
  }
  void ShowNewestLine() override {}

  std::deque<std::size_t> lines;
  std::size_t total = 0;
};
