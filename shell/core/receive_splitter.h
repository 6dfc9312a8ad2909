#pragma once
// The text side of every received block: lines cut at CR (an LF right after a
// CR skipped, across blocks too), ANSI colour sequences turned into text
// attributes, the short list of recent raw lines for the status-line parser,
// hidden coordinate lines and the line limit.

#include "shell/core/text_pane.h"

#include <deque>
#include <functional>
#include <string>
#include <string_view>

// Whether a text run is a coordinate line to hide (only while hiding is on):
// it holds "|", none of "\", "/", "||", "..", and more than blanks and "|".
bool IsCoordinateLine(std::string_view text, bool stripCoordinates);

// Whether a pane line asks for a password (trimmed, upper-cased, holds "PASSWORD").
bool LineAsksForPassword(std::string_view line);

// One run of text into the pane: a coordinate line shows only what comes
// before its first "|".
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
  // A sequence that has not ended after this many bytes is taken as ended.
  static constexpr std::size_t MaxSequenceLength = 32;

  explicit ReceiveSplitter(TextPane& pane);

  // The receive handler's text side. maxLines <= 0 disables the line limit.
  void Receive(std::string_view text, bool stripCoordinates, int maxLines);

  // A new connection starts with no half-received sequence or line end.
  void ResetStream();

  const std::deque<std::string>& GetRecentLines() const { return FRecentLines; }
  const TTextAttributes& GetTextAttributes() const { return FTextAttributes; }

private:
  // Decodes one segment; returns the last pending run.
  std::string DecodeSegment(std::string_view segment, bool endedByCr, bool stripCoordinates);
  void Append(const std::string& run, bool stripCoordinates);
  void FinishSequence();

  TextPane& FPane;
  std::deque<std::string> FRecentLines;
  TTextAttributes FTextAttributes = DefaultTextAttributes;
  std::string FSequence;       // an escape sequence still being received
  bool FInSequence = false;
  bool FSkipLeadingLf = false;  // the last block ended with CR
};
