// The program: creates the windows in their fixed order, shows the main
// window and runs the event loop until it closes.

#include "shell/application.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
  // Every GL view shares display lists and textures with the others.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  QApplication::setApplicationName("3dclient");
  ApplicationWindows windows;
  fmtallowmer3dclient->show();
  // The start-up runs at the first activation; a desktop without a window
  // manager may never activate the window, so it is also queued once here.
  QTimer::singleShot(0, fmtallowmer3dclient, [] { fmtallowmer3dclient->FormActivate(); });
  return application.exec();
}
