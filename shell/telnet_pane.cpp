#include "shell/telnet_pane.h"

#include "shell/core/cp1252.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {
constexpr char16_t LineSeparator = 0x2028;

std::string BlockBytes(const QTextBlock& block) {
  QString text = block.text();
  text.replace(QChar(LineSeparator), QChar('\n'));
  return EncodeCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}
}  // namespace

QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

int TelnetPane::LineCount() const { return FEdit.document()->blockCount(); }

std::string TelnetPane::LastLine() const { return BlockBytes(FEdit.document()->lastBlock()); }

void TelnetPane::AddLine() {
  QTextCursor cursor(FEdit.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertBlock();
}

void TelnetPane::AppendColouredText(const TTextAttributes& attributes, std::string_view text) {
  if (text.empty()) return;
  std::u16string decoded = DecodeCp1252(text);
  QString shown;
  shown.reserve(static_cast<qsizetype>(decoded.size()));
  for (char16_t c : decoded) {
    if (c == u'\n')
      shown += QChar(LineSeparator);
    else if (c != 0)
      shown += QChar(c);
  }
  QTextCharFormat format;
  format.setForeground(ToQColor(attributes.TextColor));
  format.setBackground(ToQColor(attributes.BackColor));
  format.setFontWeight((attributes.Style & fsBold) ? QFont::Bold : QFont::Normal);
  QTextCursor cursor(FEdit.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(shown, format);
}

void TelnetPane::DeleteLines(int first, int last) {
  QTextDocument* document = FEdit.document();
  int count = document->blockCount();
  if (first < 0) first = 0;
  if (last >= count - 1) last = count - 2;  // the current line always stays
  if (last < first) return;
  QTextCursor cursor(document);
  cursor.setPosition(document->findBlockByNumber(first).position());
  cursor.setPosition(document->findBlockByNumber(last + 1).position(), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

void TelnetPane::ShowNewestLine() {
  FEdit.moveCursor(QTextCursor::End);
  FEdit.ensureCursorVisible();
}

std::string TelnetPane::PlainText() const {
  std::string text;
  for (QTextBlock block = FEdit.document()->begin(); block.isValid(); block = block.next()) {
    text += BlockBytes(block);
    text += "\r\n";
  }
  return text;
}
