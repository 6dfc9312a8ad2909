#include "client/cell_window.h"

#include "client/client_globals.h"

void SetCellWindowSize(TCellWindow& window, const std::string& text, int32_t defaultSize) {
  const int32_t size = text.empty() ? defaultSize : StrToInt(text);
  window.size = std::clamp(size, 1, TCellWindow::kMaxSize);
}
