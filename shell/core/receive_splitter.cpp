#include "shell/core/receive_splitter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr char Esc = 27;
}

bool IsCoordinateLine(std::string_view text, bool stripCoordinates) {
  if (!stripCoordinates || text.find('|') == std::string_view::npos) return false;
  for (std::string_view banned : {"\\", "/", "||", ".."})
    if (text.find(banned) != std::string_view::npos) return false;
  for (char c : text)
    if (c != ' ' && c != '|') return true;
  return false;
}

bool LineAsksForPassword(std::string_view line) {
  // Trimming only drops blanks and control characters at the ends, which
  // cannot change whether the word is there.
  constexpr std::string_view word = "PASSWORD";
  auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
  auto found = std::search(line.begin(), line.end(), word.begin(), word.end(),
                           [&](char a, char b) { return upper(a) == b; });
  return found != line.end();
}

void AppendColouredText(TextPane& pane, const TTextAttributes& attributes, std::string_view text,
                        bool stripCoordinates) {
  if (IsCoordinateLine(text, stripCoordinates)) text = text.substr(0, text.find('|'));
  while (!text.empty()) {
    std::size_t used = pane.LastLineLength();
    if (used >= MaxPaneLineLength) {
      pane.AddLine();
      continue;
    }
    std::string_view part = text.substr(0, MaxPaneLineLength - used);
    pane.AppendColouredText(attributes, part);
    text.remove_prefix(part.size());
  }
}

void EchoCommand(TextPane& pane, std::string_view command, bool stripCoordinates) {
  std::string run(command);
  run += "\r\n";
  if (IsCoordinateLine(run, stripCoordinates)) {
    AppendColouredText(pane, DefaultTextAttributes, run, stripCoordinates);
    return;
  }
  if (!command.empty()) pane.AppendColouredText(DefaultTextAttributes, command);
  pane.AddLine();
}

TTextAttributes DecodeAnsiSequence(std::string_view sequence, const TTextAttributes& current) {
  if (sequence == "\x1b[0m") return DefaultTextAttributes;
  char x = sequence.size() > 2 ? sequence[2] : '\0';
  char y = sequence.size() > 3 ? sequence[3] : '\0';
  TTextAttributes next = current;
  if (x == '7') {
    next.TextColor = 0;
    next.BackColor = 0xFFFFFF;
    return next;
  }
  if (x == '3') {
    static constexpr TColor foreground[8] = {0xEEEEEE, 0x0000FF, 0x00FF00, 0x00FFFF,
                                             0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    if (y >= '0' && y <= '7') {
      next.TextColor = foreground[y - '0'];
      return next;
    }
    if (y == '9') {
      next.TextColor = 0xFFFFFF;
      next.Style |= fsBold;
      return next;
    }
  }
  if (x == '4') {
    TColor back = 0;
    bool known = true;
    switch (y) {
      case '1': back = 0x0000FF; break;
      case '2': back = 0x00FF00; break;
      case '4': back = 0xFF0000; break;
      case '6': back = 0xFFFF00; break;
      default: known = false; break;
    }
    if (known) {
      next.TextColor = 0xFFFFFF;
      next.BackColor = back;
      return next;
    }
  }
  next.TextColor = 0xFFFFFF;
  next.BackColor = 0;
  return next;
}

ReceiveSplitter::ReceiveSplitter(TextPane& pane) : FPane(pane) {}

void ReceiveSplitter::ResetStream() {
  FSequence.clear();
  FInSequence = false;
  FSkipLeadingLf = false;
}

void ReceiveSplitter::FinishSequence() {
  FTextAttributes = DecodeAnsiSequence(FSequence, FTextAttributes);
  FSequence.clear();
  FInSequence = false;
}

void ReceiveSplitter::Append(const std::string& run, bool stripCoordinates) {
  AppendColouredText(FPane, FTextAttributes, run, stripCoordinates);
}

std::string ReceiveSplitter::DecodeSegment(std::string_view segment, bool endedByCr,
                                           bool stripCoordinates) {
  std::string run;
  for (char c : segment) {
    auto byte = static_cast<unsigned char>(c);
    if (FInSequence) {
      if (FSequence.size() == 1 && c == '[') {
        FSequence += c;
        continue;
      }
      bool csi = FSequence.size() >= 2 && FSequence[1] == '[';
      // Parameters of a control sequence, intermediates of a short escape.
      if ((csi && byte >= 0x20 && byte <= 0x3F) || (!csi && byte >= 0x20 && byte <= 0x2F)) {
        FSequence += c;
        if (FSequence.size() >= MaxSequenceLength) FinishSequence();
        continue;
      }
      if (byte >= (csi ? 0x40 : 0x30) && byte <= 0x7E) {
        // Final byte of a control sequence, or the second byte of a short escape.
        FSequence += c;
        FinishSequence();
        continue;
      }
      // Anything else ends a malformed sequence and is read as text again.
      FinishSequence();
    }
    if (c == Esc) {
      Append(run, stripCoordinates);
      run.clear();
      FInSequence = true;
      FSequence.assign(1, Esc);
    } else {
      run += c;
    }
  }
  // A sequence never runs past a line end; one cut by the end of the block
  // is completed by the next block.
  if (FInSequence && endedByCr) FinishSequence();
  Append(run, stripCoordinates);
  return run;
}

void ReceiveSplitter::Receive(std::string_view text, bool stripCoordinates, int maxLines) {
  if (FPane.LineCount() == 0) FPane.AddLine();
  if (FRecentLines.empty()) FRecentLines.emplace_back();

  std::size_t position = 0;
  // CR LF may arrive split between two blocks.
  if (FSkipLeadingLf && !text.empty() && text.front() == '\n') position = 1;
  if (!text.empty()) FSkipLeadingLf = false;

  while (position < text.size()) {
    std::size_t cr = text.find('\r', position);
    bool endedByCr = cr != std::string_view::npos;
    std::string_view segment = text.substr(position, endedByCr ? cr - position : std::string_view::npos);
    std::string lastRun = DecodeSegment(segment, endedByCr, stripCoordinates);
    std::string& recent = FRecentLines.back();
    recent += segment;
    // A line end hidden with a coordinate line stays in its recent line, so
    // that the status line ends there and what follows is not part of it.
    const bool hiddenEnd = endedByCr && IsCoordinateLine(lastRun, stripCoordinates);
    if (hiddenEnd) recent += '\r';
    if (recent.size() > MaxRecentLineLength) recent.erase(0, recent.size() - MaxRecentLineLength);
    if (!endedByCr) break;
    if (!hiddenEnd) {
      FPane.AddLine();
      FRecentLines.emplace_back();
    }
    position = cr + 1;
    if (position < text.size() && text[position] == '\n')
      ++position;
    else if (position == text.size())
      FSkipLeadingLf = true;
  }

  while (FRecentLines.size() > RecentLineCount) {
    FRecentLines.pop_front();
    ++FDroppedLines;
  }
  TrimPane(maxLines);
  FPane.ShowNewestLine();
}

void ReceiveSplitter::TrimPane(int maxLines) {
  int count = FPane.LineCount();
  if (maxLines > 0 && count > maxLines) {
    // The oldest nine tenths go; halves round to even.
    int last = static_cast<int>(std::nearbyint((count - 1) * 0.9));
    // With a limit under 5 that would take the line still being received too.
    last = std::min(last, count - 2);
    if (last >= 0) FPane.DeleteLines(0, last);
  }
  std::size_t length = FPane.TextLength();
  if (length > MaxPaneText) {
    // Whole lines go, the oldest first, up to the one that holds the newest
    // half of the text; the line being received always stays.
    int last = std::min(FPane.LineAt(length - MaxPaneText / 2) - 1, FPane.LineCount() - 2);
    if (last >= 0) FPane.DeleteLines(0, last);
  }
}
