#pragma once
// The text side of every received block: lines cut at CR (an LF right after a
// CR skipped, across blocks too), ANSI colour sequences turned into text
// attributes, the short list of recent raw lines for the status-line parser,
// hidden coordinate lines and the line limit. A hidden coordinate line starts
// no new line: the text after it continues its pane line and its recent
// line, which keeps the hidden line end as its CR.

#include "shell/core/text_pane.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

// Whether a text run is a coordinate line to hide (only while hiding is on):
// it holds "|", none of "\", "/", "||", "..", and more than blanks and "|".
bool IsCoordinateLine(std::string_view text, bool stripCoordinates);

// Whether a pane line asks for a password (trimmed, upper-cased, holds "PASSWORD").
bool LineAsksForPassword(std::string_view line);

// A pane line holds at most this much text: a longer line being received is
// broken into pane lines, so no server can make one line without end.
inline constexpr std::size_t MaxPaneLineLength = 16384;

// How much of the pane's last line the password test reads: its end.
inline constexpr std::size_t PasswordTestLength = 1024;

// One run of text into the pane: a coordinate line shows only what comes
// before its first "|"; past MaxPaneLineLength the pane line is broken.
void AppendColouredText(TextPane& pane, const TTextAttributes& attributes, std::string_view text,
                        bool stripCoordinates);

// The echo of a typed command: the command and its CR LF are one run, in the
// default colours, so a command that reads as a coordinate line is cut like
// one and starts no new line.
void EchoCommand(TextPane& pane, std::string_view command, bool stripCoordinates);

// The ANSI colour table: the attributes after one escape sequence (from the
// ESC through its final byte).
TTextAttributes DecodeAnsiSequence(std::string_view sequence, const TTextAttributes& current);

class ReceiveSplitter {
public:
  static constexpr std::size_t RecentLineCount = 24;
  // An entry of the recent lines keeps at most this much of its line: the
  // end, where the status line and a prompt are.
  static constexpr std::size_t MaxRecentLineLength = MaxPaneLineLength;
  // The pane keeps at most this much text, whatever the line limit: past it
  // the oldest lines go until half of it is left. The text document holds
  // what was removed until it compacts, so a flood costs it several times
  // this much for a while.
  static constexpr std::size_t MaxPaneText = 1u << 20;
  // A sequence that has not ended after this many bytes is taken as ended.
  static constexpr std::size_t MaxSequenceLength = 32;

  explicit ReceiveSplitter(TextPane& pane);

  // The receive handler's text side. maxLines <= 0 disables the line limit.
  void Receive(std::string_view text, bool stripCoordinates, int maxLines);

  // A new connection starts with no half-received sequence or line end.
  void ResetStream();

  const std::deque<std::string>& GetRecentLines() const { return FRecentLines; }
  // How many recent lines have been dropped, the oldest first: the first
  // recent line is line number GetDroppedLineCount() of all received, so a
  // line keeps its number while newer ones arrive.
  std::uint64_t GetDroppedLineCount() const { return FDroppedLines; }
  const TTextAttributes& GetTextAttributes() const { return FTextAttributes; }

private:
  // Decodes one segment; returns the last pending run.
  std::string DecodeSegment(std::string_view segment, bool endedByCr, bool stripCoordinates);
  void Append(const std::string& run, bool stripCoordinates);
  void FinishSequence();
  void TrimPane(int maxLines);

  TextPane& FPane;
  std::deque<std::string> FRecentLines;
  std::uint64_t FDroppedLines = 0;
  TTextAttributes FTextAttributes = DefaultTextAttributes;
  std::string FSequence;       // an escape sequence still being received
  bool FInSequence = false;
  bool FSkipLeadingLf = false;  // the last block ended with CR
};
