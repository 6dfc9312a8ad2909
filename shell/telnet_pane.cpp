#include "shell/telnet_pane.h"

#include "shell/core/cp1252.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <chrono>

namespace {
constexpr char16_t LineSeparator = 0x2028;

std::string PaneBytes(QString text) {
  text.replace(QChar(LineSeparator), QChar('\n'));
  return EncodeCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}

std::uint64_t AttributesKey(const TTextAttributes& a) {
  return std::uint64_t(a.TextColor & 0xFFFFFF) | std::uint64_t(a.BackColor & 0xFFFFFF) << 24 |
         std::uint64_t(a.Style) << 48;
}
}  // namespace

QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

QFont TerminalFont() {
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

void MakeWhiteOnBlack(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Base, Qt::black);
  palette.setColor(QPalette::Window, Qt::black);
  palette.setColor(QPalette::Text, Qt::white);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

void SetUpTelnetPaneEdit(QPlainTextEdit& edit) {
  edit.setReadOnly(true);
  edit.setFont(TerminalFont());
  edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit.setUndoRedoEnabled(false);
  MakeWhiteOnBlack(edit);
}

TelnetPane::TelnetPane(QPlainTextEdit& edit) : FEdit(edit) {
  FShowTimer.setSingleShot(true);
  FShowTimer.setInterval(ShowIntervalMs);
  FShowTimer.callOnTimeout([this] { ShowNow(); });
}

int TelnetPane::FormatIndex(const TTextAttributes& attributes) {
  std::uint64_t key = AttributesKey(attributes);
  for (std::size_t i = 0; i < FFormats.size(); ++i)
    if (FFormats[i].first == key) return static_cast<int>(i);
  QTextCharFormat format;
  format.setForeground(ToQColor(attributes.TextColor));
  format.setBackground(ToQColor(attributes.BackColor));
  format.setFontWeight((attributes.Style & fsBold) ? QFont::Bold : QFont::Normal);
  FFormats.emplace_back(key, format);
  return static_cast<int>(FFormats.size() - 1);
}

void TelnetPane::Gather(int format, QStringView text) {
  auto& stretches = FGathered.stretches;
  if (!stretches.empty() && (stretches.back().first == format || format < 0))
    stretches.back().second += text.size();
  else
    stretches.emplace_back(format < 0 ? 0 : format, text.size());
  FGathered.text += text;
}

int TelnetPane::LineCount() const { return FEdit.document()->blockCount() + FGathered.lines; }

std::size_t TelnetPane::LastLineLength() const {
  if (FGathered.lines > 0) return FGathered.lastLineLength;
  return static_cast<std::size_t>(FEdit.document()->lastBlock().length() - 1) + FGathered.lastLineLength;
}

std::size_t TelnetPane::TextLength() const {
  // The document counts one more character than its text: the last line end.
  return static_cast<std::size_t>(FEdit.document()->characterCount() - 1 + FGathered.text.size());
}

int TelnetPane::LineAt(std::size_t offset) const {
  Flush();
  return FEdit.document()->findBlock(static_cast<int>(offset)).blockNumber();
}

std::string TelnetPane::LastLine(std::size_t maxLength) const {
  Flush();
  QTextBlock last = FEdit.document()->lastBlock();
  int length = last.length() - 1;
  int start = length - static_cast<int>(std::min<std::size_t>(maxLength, static_cast<std::size_t>(length)));
  // Only the end is copied out, however long the line.
  QTextCursor cursor(FEdit.document());
  cursor.setPosition(last.position() + start);
  cursor.setPosition(last.position() + length, QTextCursor::KeepAnchor);
  return PaneBytes(cursor.selectedText());
}

void TelnetPane::AddLine() {
  if (FFormats.empty()) FormatIndex(DefaultTextAttributes);
  Gather(-1, QStringView(u"\u2029"));
  ++FGathered.lines;
  FGathered.lastLineLength = 0;
}

void TelnetPane::AppendColouredText(const TTextAttributes& attributes, std::string_view text) {
  if (text.empty()) return;
  std::u16string shown = DecodeCp1252(text);
  std::erase(shown, u'\0');
  std::replace(shown.begin(), shown.end(), u'\n', LineSeparator);
  Gather(FormatIndex(attributes), QStringView(shown));
  FGathered.lastLineLength += shown.size();
}

void TelnetPane::Flush() const {
  if (FGathered.text.isEmpty()) return;
  QTextCursor cursor(FEdit.document());
  cursor.movePosition(QTextCursor::End);
  // One edit: the document is laid out once, for what changed.
  cursor.beginEditBlock();
  qsizetype at = 0;
  for (const auto& [format, length] : FGathered.stretches) {
    cursor.insertText(FGathered.text.mid(at, length), FFormats[static_cast<std::size_t>(format)].second);
    at += length;
  }
  cursor.endEditBlock();
  FGathered = Gathered{};
  FChanged = true;
}

void TelnetPane::DeleteLines(int first, int last) {
  QTextDocument* document = FEdit.document();
  const int count = LineCount();
  if (first < 0) first = 0;
  if (last >= count - 1) last = count - 2;  // the current line always stays
  if (last < first) return;
  const int inDocument = document->blockCount();
  if (first != 0 && last >= inDocument - 1) {
    Flush();
    RemoveBlocks(first, last);
    return;
  }
  // The oldest lines go. Those still gathered never enter the document: a
  // flood of text faster than the pane is shown only inserts what stays.
  if (last < inDocument - 1) {
    RemoveBlocks(first, last);
    return;
  }
  // Every line of the document goes, and the gathered text up to the new
  // line that ends line `last`; the rest continues the one empty block.
  int separators = last - (inDocument - 1) + 1;
  qsizetype cut = 0;
  while (separators > 0) {
    cut = FGathered.text.indexOf(QChar(u' '), cut) + 1;
    --separators;
  }
  QTextCursor cursor(document);
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.removeSelectedText();
  cursor.endEditBlock();
  FGathered.text.remove(0, cut);
  FGathered.lines -= last - (inDocument - 1) + 1;
  auto& stretches = FGathered.stretches;
  auto kept = stretches.begin();
  for (qsizetype left = cut; left > 0 && kept != stretches.end(); ++kept) {
    if (kept->second > left) {
      kept->second -= left;
      break;
    }
    left -= kept->second;
  }
  stretches.erase(stretches.begin(), kept);
  FChanged = true;
}

void TelnetPane::RemoveBlocks(int first, int last) {
  QTextDocument* document = FEdit.document();
  QTextCursor cursor(document);
  cursor.beginEditBlock();
  cursor.setPosition(document->findBlockByNumber(first).position());
  cursor.setPosition(document->findBlockByNumber(last + 1).position(), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  cursor.endEditBlock();
  FChanged = true;
}

void TelnetPane::ShowNewestLine() {
  if (!FShowTimer.isActive()) FShowTimer.start();
}

void TelnetPane::ShowNow() {
  FShowTimer.stop();
  auto start = std::chrono::steady_clock::now();
  Flush();
  // A block of telnet commands alone changes nothing: the pane is not
  // touched, so it is not painted again either.
  if (!FChanged) return;
  FChanged = false;
  FEdit.moveCursor(QTextCursor::End);
  FEdit.ensureCursorVisible();
  // However slow the layout (a long last line on a slow machine), the
  // window spends at most a third of its time on it: keys and Disconnect
  // get their turn in between.
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  FShowTimer.setInterval(static_cast<int>(std::clamp<long long>(2 * took.count(), ShowIntervalMs, 1000)));
}

std::string TelnetPane::PlainText() const {
  Flush();
  std::string text;
  for (QTextBlock block = FEdit.document()->begin(); block.isValid(); block = block.next()) {
    text += PaneBytes(block.text());
    text += "\r\n";
  }
  return text;
}
