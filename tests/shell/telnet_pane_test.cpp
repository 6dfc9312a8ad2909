// The received text in the real pane widget: received blocks go into the
// document together, as one edit with their colours, and what the handling
// asks of the pane (line count, lengths, the end of the last line) matches
// the document.

#include "shell/core/receive_splitter.h"
#include "shell/telnet_pane.h"
#include "tests/shell/gui_test_support.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

class TelnetPaneTest : public ::testing::Test {
protected:
  void SetUp() override {
    edit.resize(400, 200);
    edit.show();
    QObject::connect(edit.document(), &QTextDocument::contentsChange, [this](int, int, int) { ++edits; });
  }
  // The text colour and weight at a document position.
  QTextCharFormat FormatAt(int position) const {
    QTextCursor cursor(edit.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
  }

  // The application comes first: the widgets below need it.
  QCoreApplication& application = gui_test::AnyApplication();
  QPlainTextEdit edit;
  TelnetPane pane{edit};
  int edits = 0;
};

TEST_F(TelnetPaneTest, AReceivedBlockIsOneEditWithItsColours) {
  ReceiveSplitter splitter(pane);
  std::string block;
  for (int i = 0; i < 300; ++i) block += "\x1b[31mred \x1b[32mgreen \x1b[39mbold\x1b[0m plain\r\n";
  splitter.Receive(block, false, 0);
  splitter.Receive(block, false, 0);
  // Both blocks go into the document together, shortly after, in one edit.
  EXPECT_EQ(edits, 0);
  ASSERT_TRUE(gui_test::WaitFor([&] { return edits > 0; }, std::chrono::milliseconds(2000)));
  EXPECT_EQ(edits, 1);
  ASSERT_EQ(edit.document()->blockCount(), 601);
  const QString line = "red green bold plain";
  EXPECT_EQ(edit.document()->findBlockByNumber(150).text(), line);
  const int at = edit.document()->findBlockByNumber(150).position();
  EXPECT_EQ(FormatAt(at + line.indexOf("red")).foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(FormatAt(at + line.indexOf("green")).foreground().color(), QColor(0, 255, 0));
  EXPECT_EQ(FormatAt(at + line.indexOf("bold")).fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatAt(at + line.indexOf("plain")).foreground().color(), QColor(255, 255, 255));
  EXPECT_EQ(FormatAt(at + line.indexOf("plain")).fontWeight(), QFont::Normal);

  // The line limit trims the oldest lines: those of the document in an edit
  // of its own, those still gathered before they ever enter the document.
  edits = 0;
  int added = 0;
  QObject::connect(edit.document(), &QTextDocument::contentsChange, [&](int, int, int charsAdded) { added += charsAdded; });
  splitter.Receive(block, false, 500);
  EXPECT_EQ(edits, 1);
  pane.Flush();
  EXPECT_EQ(edits, 2);
  EXPECT_EQ(edit.document()->blockCount(), 901 - 811);  // lines 0..Round(900 * 0.9) go
  EXPECT_EQ(edit.document()->firstBlock().text(), line);
  EXPECT_LE(added, 90 * (line.size() + 1));
  EXPECT_EQ(FormatAt(edit.document()->firstBlock().position() + line.indexOf("green")).foreground().color(),
            QColor(0, 255, 0));
  // The newest line is shown.
  pane.ShowNow();
  EXPECT_EQ(edit.textCursor().position(), edit.document()->characterCount() - 1);
}

TEST_F(TelnetPaneTest, WhatTheHandlingAsksMatchesTheDocument) {
  pane.AddLine();
  pane.AppendColouredText(DefaultTextAttributes, "first");
  pane.AddLine();
  pane.AppendColouredText(TTextAttributes{0x0000FF, 0, 0}, "caf\xe9");
  pane.AppendColouredText(DefaultTextAttributes, "a\nb");
  // Asked before anything is in the document...
  const int lines = pane.LineCount();
  const std::size_t lastLength = pane.LastLineLength();
  const std::size_t length = pane.TextLength();
  EXPECT_EQ(edits, 0);
  // ...the answers are those of the document.
  pane.Flush();
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(lines, edit.document()->blockCount());
  EXPECT_EQ(lines, 3);
  EXPECT_EQ(lastLength, 7u);  // "café" and "a", a line break, "b"
  EXPECT_EQ(length, static_cast<std::size_t>(edit.document()->characterCount() - 1));
  EXPECT_EQ(pane.LineAt(0), 0);
  EXPECT_EQ(pane.LineAt(1), 1);
  EXPECT_EQ(pane.LineAt(length - 1), 2);
  EXPECT_EQ(pane.LastLine(5), "f\xe9" "a\nb");
  EXPECT_EQ(pane.LastLine(100), "caf\xe9" "a\nb");
  EXPECT_EQ(pane.PlainText(), "\r\nfirst\r\ncaf\xe9" "a\nb\r\n");

  pane.DeleteLines(0, 5);  // the line being received stays
  EXPECT_EQ(pane.LineCount(), 1);
  EXPECT_EQ(pane.LastLine(100), "caf\xe9" "a\nb");
}

// Lines deleted while some are still gathered leave the pane as if every
// line had been in the document first: a table of cuts through a pane of
// three lines in the document and three gathered, the last one coloured.
TEST_F(TelnetPaneTest, DeletingGatheredLinesMatchesDeletingShownOnes) {
  QPlainTextEdit shownEdit;
  TelnetPane shown{shownEdit};
  auto fill = [](TelnetPane& target, bool flushBetween) {
    for (const char* text : {"one", "two", "three"}) {
      target.AppendColouredText(DefaultTextAttributes, text);
      target.AddLine();
    }
    if (flushBetween) target.Flush();
    for (const char* text : {"four", "five"}) {
      target.AppendColouredText(DefaultTextAttributes, text);
      target.AddLine();
    }
    target.AppendColouredText(TTextAttributes{0x0000FF, 0, 0}, "si");
    target.AppendColouredText(DefaultTextAttributes, "x");
  };
  for (auto [first, last] : {std::pair{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 9}, {1, 4}, {2, 2}}) {
    SCOPED_TRACE(testing::Message() << first << ".." << last);
    edit.clear();
    shownEdit.clear();
    fill(pane, true);   // three lines shown, three gathered
    fill(shown, false);
    shown.Flush();      // all six shown
    pane.DeleteLines(first, last);
    shown.DeleteLines(first, last);
    EXPECT_EQ(pane.LineCount(), shown.LineCount());
    EXPECT_EQ(pane.TextLength(), shown.TextLength());
    EXPECT_EQ(pane.PlainText(), shown.PlainText());
    EXPECT_EQ(FormatAt(edit.document()->lastBlock().position()).foreground().color(), QColor(255, 0, 0));
  }
}

}  // namespace
