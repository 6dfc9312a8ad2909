#include "shell/qt_dispatcher.h"

#include <QMetaObject>

QtUiDispatcher::QtUiDispatcher() : FContext(std::make_unique<QObject>()) {}

QtUiDispatcher::~QtUiDispatcher() = default;

void QtUiDispatcher::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(FContext.get(), [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}
