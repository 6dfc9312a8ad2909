#pragma once
// The command line and the keys typed around it: the command line's key
// presses reach its key-press handler once, before the edit takes them, and
// what is typed while the text pane has the keyboard (after a click into it
// to select text) goes on to the command line.

#include <QPlainTextEdit>

#include <functional>

class QKeyEvent;

class TCommandLine : public QPlainTextEdit {
public:
  explicit TCommandLine(QWidget* parent = nullptr);

  // With every key press that gives a character (CR for Enter), before the
  // edit sees it; a key set to 0 is swallowed.
  std::function<void(char16_t& key)> OnKeyPress;

protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Whether a key pressed in the text pane is typing meant for the command
// line: a printable character without Ctrl, Alt or Meta, Enter or Backspace.
// The pane keeps the rest (copy, select all, the scrolling keys).
bool IsTypingForTheCommandLine(const QKeyEvent& key);

// Typing into the pane moves the keyboard to the command line and is
// delivered there. The filter is owned by the pane.
void ForwardTypingToCommandLine(QPlainTextEdit& pane, TCommandLine& commandLine);
