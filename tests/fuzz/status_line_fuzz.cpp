// Random text as the server's status line, fed whole and cut into two blocks
// at every byte, through the received-text handling into the status-line
// parser and the merge. Nothing may crash; the direction stays a unit vector;
// a well-formed line of random fields is taken whole;
// and when both feeds end with the same recent lines and the whole feed
// merged a line, the cut feed ends with the same received state, except
// where the cut leaves a status line standing whole: then what followed its
// last "|" without a "|" of its own is the next line's (neither its last
// monster nor a line joined to it), and the cut feed's monsters may be the
// first of the whole feed's.

#include "tests/support/status_line_client.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Client : StatusLineClient {
  explicit Client(bool phrases) {
    if (phrases) {
      area.phrases.Add(5, 6, "void");
      area.phrases.Add(7, 8, "gate");
    }
  }
  TStatusOutcome Feed(std::string_view block, const TStatusOptions& options) {
    TStatusOutcome outcome = StatusLineClient::Feed(block, options);
    const TVector4f& d = current.GetDirection()->AsVector();
    float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(std::fabs(length - 1) < 1e-3f)) std::abort();
    if (outcome.Merged && !current.GetPosition()->Equals(received.GetPosition()->AsVector())) std::abort();
    return outcome;
  }
};

// The cut feed's state against the whole feed's; monstersMayLack: the cut
// left a whole status line, and the whole feed's last monsters may be the
// next line's text.
bool SameReceived(const TMudstate& cut, const TMudstate& whole, bool monstersMayLack) {
  const std::vector<std::string>& wholeMobs = whole.Mobs().Cell(0, 0);
  const std::vector<std::string>& cutMobs = cut.Mobs().Cell(0, 0);
  const bool sameMobs = monstersMayLack ? cutMobs.size() <= wholeMobs.size() &&
                                              std::equal(cutMobs.begin(), cutMobs.end(), wholeMobs.begin())
                                        : cutMobs == wholeMobs;
  return cut.Time == whole.Time && cut.Level == whole.Level && cut.Wind == whole.Wind &&
         cut.Cloud == whole.Cloud && cut.Fog == whole.Fog &&
         cut.GetPosition()->Equals(whole.GetPosition()->AsVector()) && sameMobs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 600) return 0;
  // The first byte chooses the options, and whether the text follows a
  // marker or a well-formed line of random fields.
  const unsigned control = data[0];
  const TStatusOptions options{(control & 1) != 0, (control & 2) != 0};
  const bool phrases = control & 4;
  std::string text;
  std::size_t used = 1;
  // A well-formed line of random numbers, the rest of the input as its
  // monster tokens and what follows: it must be taken whole.
  const bool wellFormed = (control & 16) && size >= 1 + 9 * 2;  // nine numbers of two bytes
  if (wellFormed) {
    auto next = [&](int modulus, int offset) {
      int value = (data[used] << 8 | data[used + 1]) % modulus + offset;
      used += 2;
      return std::to_string(value);
    };
    auto twoDigits = [](const std::string& n) { return n.size() < 2 ? "0" + n : n; };
    text = "Hp 30 |4|" + twoDigits(next(24, 0)) + ":" + twoDigits(next(60, 0)) + "|" + next(400, -20) + "," +
           next(400, -20) + "," + next(40, -20) + "|" + next(30, 0) + "|" + next(200, -100) + "|" + next(200, -100) +
           "|" + next(20, 0) + "|";
  } else if (control & 8) {
    text = "Hp 30 |4|";
  }
  text.append(reinterpret_cast<const char*>(data + used), size - used);

  Client whole(phrases);
  TStatusOutcome last = whole.Feed(text, options);
  // Only a CR ends a received line: without one the line is whole.
  if (wellFormed && text.find('\r') == std::string::npos && !last.Merged) std::abort();
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    Client split(phrases);
    split.Feed(std::string_view(text).substr(0, cut), options);
    const bool wholeAtTheCut = split.reader.GetWholeLine().has_value();
    TStatusOutcome end = split.Feed(std::string_view(text).substr(cut), options);
    if (last.Merged && split.splitter.GetRecentLines() == whole.splitter.GetRecentLines() &&
        (!end.Merged || !SameReceived(split.received, whole.received, wholeAtTheCut)))
      std::abort();
  }
  return 0;
}
