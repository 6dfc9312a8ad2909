#pragma once
// The real main window, started as the program starts it, for the tests that
// drive it: typing into the command line, reading the pane. A test without
// a display is skipped.

#include "shell/application.h"
#include "shell/main_window.h"
#include "tests/shell/gui_test_support.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <string>
#include <vector>

class MainWindowSession : public ::testing::Test {
protected:
  // Without the start-up, the window talks telnet but draws no 3D view.
  explicit MainWindowSession(bool startUp = true) : FStartUp(startUp) {}

  void SetUp() override {
    // The window holds the 3D view, which Qt's offscreen platform cannot
    // compose: without an X server the window tests are skipped.
    if (!gui_test::GuiApplication()) GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    windows = std::make_unique<ApplicationWindows>();
    main = fmtallowmer3dclient;
    main->OnShowError = [this](const std::string& message) { errors.push_back(message); };
    main->show();
    if (FStartUp) main->FormActivate();
  }
  void TearDown() override { windows.reset(); }

  // The pane's text, with whatever it has gathered but not yet shown.
  QString PaneText() const {
    main->GetPane().Flush();
    return main->mmtelnet->toPlainText();
  }
  void Type(const char* text) {
    QTest::keyClicks(main->mmcommand, text);
    QTest::keyClick(main->mmcommand, Qt::Key_Return);
  }
  // The text colour of the pane at the first occurrence of the text.
  QColor ColourAt(const QString& text) const {
    QTextCursor cursor = main->mmtelnet->document()->find(text);
    if (cursor.isNull()) return {};
    QTextCursor at(main->mmtelnet->document());
    at.setPosition(cursor.selectionStart() + 1);
    return at.charFormat().foreground().color();
  }

  std::unique_ptr<ApplicationWindows> windows;
  Tfmtallowmer3dclient* main = nullptr;
  std::vector<std::string> errors;

private:
  bool FStartUp;
};
