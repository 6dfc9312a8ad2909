#pragma once
// The text pane as the received-text handling sees it, over a read-only
// plain-text widget with coloured runs. A lone LF received inside a line is
// shown as a line break within that line, so pane lines stay the lines the
// handling counts.
//
// Runs and new lines are gathered and put into the document as one edit
// (one layout) when anything reads the pane, and ShowIntervalMs after
// ShowNewestLine (or twice as long as the last such edit took), which then
// scrolls: a flood of
// received blocks is laid out and painted a few dozen times a second, not
// once per block, and a block costs the same however long the pane or its
// last line already is.

#include "shell/core/text_pane.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextCharFormat>
#include <QTimer>

#include <cstdint>
#include <utility>
#include <vector>

class QPlainTextEdit;
class QWidget;

QColor ToQColor(TColor color);

// The font of the pane and the command line: Courier New, or the fixed-pitch
// font that stands in for it.
QFont TerminalFont();
void MakeWhiteOnBlack(QWidget& widget);
// The pane's widget as the window has it: read-only, white on black, in the
// terminal font, with a vertical scroll bar and no undo.
void SetUpTelnetPaneEdit(QPlainTextEdit& edit);

class TelnetPane : public TextPane {
public:
  static constexpr int ShowIntervalMs = 20;

  explicit TelnetPane(QPlainTextEdit& edit);

  int LineCount() const override;
  std::string LastLine(std::size_t maxLength) const override;
  std::size_t LastLineLength() const override;
  std::size_t TextLength() const override;
  int LineAt(std::size_t offset) const override;
  void AddLine() override;
  void AppendColouredText(const TTextAttributes& attributes, std::string_view text) override;
  void DeleteLines(int first, int last) override;
  void ShowNewestLine() override;

  // Every line as Windows-1252 bytes, each followed by CR LF.
  std::string PlainText() const;

  // Puts the gathered runs into the document.
  void Flush() const;
  // Puts them there and shows the newest line at once.
  void ShowNow();

private:
  // Runs not yet in the document: their text (new lines as paragraph
  // separators) and, for each stretch of one format, its format and length.
  struct Gathered {
    QString text;
    std::vector<std::pair<int, qsizetype>> stretches;
    int lines = 0;
    std::size_t lastLineLength = 0;  // after the last gathered new line
  };

  int FormatIndex(const TTextAttributes& attributes);
  void Gather(int format, QStringView text);
  // Removes lines first..last, all of them in the document, in one edit.
  void RemoveBlocks(int first, int last);

  QPlainTextEdit& FEdit;
  // Gathered by the writers, emptied by the first reader.
  mutable Gathered FGathered;
  // Whether the document changed since the newest line was last shown.
  mutable bool FChanged = false;
  std::vector<std::pair<std::uint64_t, QTextCharFormat>> FFormats;
  QTimer FShowTimer;
};
