#pragma once
// The text pane as the received-text handling sees it, over a read-only
// plain-text widget with coloured runs. A lone LF received inside a line is
// shown as a line break within that line, so pane lines stay the lines the
// handling counts.
//
// Runs and new lines are gathered and put into the document as one edit
// (one layout) when anything reads or scrolls the pane, so a received block
// costs the same however long the pane or its last line already is.

#include "shell/core/text_pane.h"

#include <QColor>
#include <QString>
#include <QTextCharFormat>

#include <cstdint>
#include <utility>
#include <vector>

class QPlainTextEdit;

QColor ToQColor(TColor color);

class TelnetPane : public TextPane {
public:
  explicit TelnetPane(QPlainTextEdit& edit) : FEdit(edit) {}

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

  QPlainTextEdit& FEdit;
  // Gathered by the writers, emptied by the first reader.
  mutable Gathered FGathered;
  // Whether the document changed since the newest line was last shown.
  mutable bool FChanged = false;
  std::vector<std::pair<std::uint64_t, QTextCharFormat>> FFormats;
};
