#pragma once
// How a worker thread gets work done on the user-interface thread. The window
// toolkit supplies one that posts to its event loop; tests supply their own.

#include <functional>

class UiDispatcher {
public:
  virtual ~UiDispatcher() = default;
  // Queues the task to run later on the user-interface thread; callable from
  // any thread. A dispatcher that is shutting down may drop tasks.
  virtual void Post(std::function<void()> task) = 0;
};
