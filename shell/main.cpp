// The program: reads the command line, creates the windows in their fixed
// order, shows the main window and runs the event loop until it closes.

#include "shell/application.h"
#include "shell/core/client_options.h"
#include "shell/core/renderer_threads.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QTimer>

#include <iostream>

int main(int argc, char** argv) {
  // The command line is read before the toolkit starts, so neither a bad
  // argument nor --help needs a display.
  ClientOptions options;
  try {
    options = ParseClientOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EClientOptions& e) {
    std::cerr << "3dclient: " << e.what() << "\nTry \"3dclient --help\".\n";
    return 2;
  }
  if (options.Help) {
    std::cout << ClientUsage("3dclient");
    return 0;
  }

  // Before anything of GL starts.
  LimitSoftwareRendererThreads();
  // Every GL view shares display lists and textures with the others.
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  int toolkitArgc = 1;  // every argument is ours and already read
  QApplication application(toolkitArgc, argv);
  QApplication::setApplicationName("3dclient");
  ApplicationWindows windows;
  ApplyServerAddress(options, fmtallowmer3dclient->GetTelnet());
  fmtallowmer3dclient->show();
  // The start-up runs at the first activation; a desktop without a window
  // manager may never activate the window, so it is also queued once here.
  QTimer::singleShot(0, fmtallowmer3dclient, [] { fmtallowmer3dclient->FormActivate(); });
  return application.exec();
}
