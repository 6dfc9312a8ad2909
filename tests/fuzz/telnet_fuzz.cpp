// Random server bytes, cut into random receives, through the telnet codec and
// the received-text handling: nothing may crash, hang or grow without bound.
// The input may be repeated, so that lines and sequences longer than the
// handling's bounds are reached from small inputs.

#include "shell/core/receive_splitter.h"
#include "shell/core/telnet_codec.h"
#include "tests/support/line_length_pane.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Keeps only the length of each line, and checks the bounds as it goes.
class CountingPane : public LineLengthPane {
public:
  void AppendColouredText(const TTextAttributes& attributes, std::string_view text) override {
    if (lines.empty()) std::abort();  // text before the pane has a line
    LineLengthPane::AppendColouredText(attributes, text);
    if (lines.back() > MaxPaneLineLength) std::abort();
  }
  void DeleteLines(int first, int last) override {
    if (first < 0 || last < first || last >= LineCount() - 1) std::abort();
    LineLengthPane::DeleteLines(first, last);
  }
};

}  // namespace

// Inputs up to 64 KiB, grown to that ten times sooner than by default,
// unless the command line says otherwise.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static std::vector<char*> arguments(*argv, *argv + *argc);
  static char maxLength[] = "-max_len=65536";
  static char lengthControl[] = "-len_control=10";
  for (char* flag : {maxLength, lengthControl}) {
    const std::size_t name = std::strchr(flag, '=') - flag + 1;
    bool given = false;
    for (int i = 1; i < *argc; ++i) given = given || std::strncmp((*argv)[i], flag, name) == 0;
    if (!given) arguments.insert(arguments.begin() + 1, flag);
  }
  *argc = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  *argv = arguments.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose the options, how the stream is cut and how
  // often the rest is repeated (mostly a few times, now and then 128).
  const unsigned control = data[0];
  const bool strip = control & 1;
  const int maxLines = (control & 2) ? 1 + (control >> 4) : 0;
  const std::size_t step = 1 + ((control >> 2) % 17) * 1931;
  const unsigned repeatCode = data[1] % 16;
  const int repeats = repeatCode == 15 ? 128 : 1 + static_cast<int>(repeatCode % 4);
  const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
  std::string stream;
  for (int i = 0; i < repeats; ++i) stream += input;

  TelnetCodec codec;
  CountingPane pane;
  ReceiveSplitter splitter(pane);
  std::string text;
  std::string replies;
  for (std::size_t at = 0; at < stream.size(); at += step) {
    std::string_view block = std::string_view(stream).substr(at, step);
    text.clear();
    replies.clear();
    codec.Receive(block, text, replies);
    if (text.size() > block.size()) std::abort();  // data never grows
    splitter.Receive(text, strip, maxLines);
    if (splitter.GetRecentLines().size() > ReceiveSplitter::RecentLineCount) std::abort();
    for (const std::string& line : splitter.GetRecentLines())
      if (line.size() > ReceiveSplitter::MaxRecentLineLength) std::abort();
    if (pane.TextLength() > ReceiveSplitter::MaxPaneText) std::abort();
  }
  for (char c : {'a', '\r', '\xff'}) (void)codec.EncodeCharacter(c);
  return 0;
}
