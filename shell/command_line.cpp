#include "shell/command_line.h"

#include <QCoreApplication>
#include <QKeyEvent>

TCommandLine::TCommandLine(QWidget* parent) : QPlainTextEdit(parent) {}

void TCommandLine::keyPressEvent(QKeyEvent* event) {
  char16_t key = 0;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    key = u'\r';
  else if (!event->text().isEmpty())
    key = event->text().at(0).unicode();
  if (key != 0 && OnKeyPress) {
    OnKeyPress(key);
    if (key == 0) {
      event->accept();
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

bool IsTypingForTheCommandLine(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace: return true;
    default: break;
  }
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  return !key.text().isEmpty() && key.text().at(0).isPrint();
}

namespace {

class TypingForwarder : public QObject {
public:
  TypingForwarder(QPlainTextEdit& pane, TCommandLine& commandLine) : QObject(&pane), FCommandLine(commandLine) {}

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (!IsTypingForTheCommandLine(key)) return false;
    FCommandLine.setFocus(Qt::OtherFocusReason);
    QKeyEvent typed(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(), key.count());
    QCoreApplication::sendEvent(&FCommandLine, &typed);
    return true;
  }

private:
  TCommandLine& FCommandLine;
};

}  // namespace

void ForwardTypingToCommandLine(QPlainTextEdit& pane, TCommandLine& commandLine) {
  pane.installEventFilter(new TypingForwarder(pane, commandLine));
}
