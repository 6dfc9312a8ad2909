#pragma once
// Hands work from the telnet reader thread to the Qt event loop.

#include "platform/net/ui_dispatcher.h"

#include <QObject>
#include <memory>

class QtUiDispatcher : public UiDispatcher {
public:
  // Create on the user-interface thread: tasks run on the thread it lives on.
  QtUiDispatcher();
  ~QtUiDispatcher() override;
  void Post(std::function<void()> task) override;

private:
  std::unique_ptr<QObject> FContext;  // queued tasks die with it
};
