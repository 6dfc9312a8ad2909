// Random server bytes, cut into random receives, through the telnet codec and
// the received-text handling: nothing may crash, hang or grow without bound.

#include "shell/core/receive_splitter.h"
#include "shell/core/telnet_codec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class CountingPane : public TextPane {
public:
  int LineCount() const override { return lines; }
  std::string LastLine() const override { return last; }
  void AddLine() override {
    ++lines;
    last.clear();
  }
  void AppendColouredText(const TTextAttributes&, std::string_view text) override {
    if (lines == 0) std::abort();  // text before the pane has a line
    last.append(text);
    if (last.size() > 1 << 20) last.clear();
  }
  void DeleteLines(int first, int lastLine) override {
    if (first < 0 || lastLine < first || lastLine >= lines - 1) std::abort();
    lines -= lastLine - first + 1;
  }
  void ShowNewestLine() override {}
  int lines = 0;
  std::string last;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the options and how the stream is cut.
  const unsigned control = data[0];
  const bool strip = control & 1;
  const int maxLines = (control & 2) ? 1 + (control >> 4) : 0;
  const std::size_t step = 1 + (control >> 2) % 17;
  TelnetCodec codec;
  CountingPane pane;
  ReceiveSplitter splitter(pane);
  std::string text;
  std::string replies;
  for (std::size_t at = 1; at < size; at += step) {
    std::size_t length = std::min(step, size - at);
    text.clear();
    codec.Receive(std::string_view(reinterpret_cast<const char*>(data + at), length), text, replies);
    if (text.size() > length) std::abort();  // data never grows
    splitter.Receive(text, strip, maxLines);
    if (splitter.GetRecentLines().size() > ReceiveSplitter::RecentLineCount) std::abort();
  }
  for (char c : {'a', '\r', '\xff'}) (void)codec.EncodeCharacter(c);
  return 0;
}
