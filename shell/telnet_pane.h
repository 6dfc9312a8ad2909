#pragma once
// The text pane as the received-text handling sees it, over a read-only
// plain-text widget with coloured runs. A lone LF received inside a line is
// shown as a line break within that line, so pane lines stay the lines the
// handling counts.

#include "shell/core/text_pane.h"

#include <QColor>
#include <QString>

class QPlainTextEdit;

QColor ToQColor(TColor color);

class TelnetPane : public TextPane {
public:
  explicit TelnetPane(QPlainTextEdit& edit) : FEdit(edit) {}

  int LineCount() const override;
  std::string LastLine() const override;
  void AddLine() override;
  void AppendColouredText(const TTextAttributes& attributes, std::string_view text) override;
  void DeleteLines(int first, int last) override;
  void ShowNewestLine() override;

  // Every line as Windows-1252 bytes, each followed by CR LF.
  std::string PlainText() const;

private:
  QPlainTextEdit& FEdit;
};
