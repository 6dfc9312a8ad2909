#include "shell/core/status_line.h"

#include "client/client_helpers.h"
#include "client/mud.h"
#include "client/mud_state.h"
#include "client/world_positions.h"

#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view Marker = "|4|";
// Real status lines are a few hundred characters; anything far longer is not
// one, and parsing it again with every block would cost more each time.
constexpr std::size_t MaxStatusLineLength = 16 * 1024;

// An optional "-" and decimal digits, within the 32-bit range.
bool ParseInteger(std::string_view text, std::int32_t& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Hours in characters 1-2, any separator, minutes in characters 4-5.
bool ParseTime(std::string_view field, double& time) {
  if (field.size() < 4) return false;
  std::string_view hoursText = field.substr(0, 2);
  std::string_view minutesText = field.substr(3, 2);
  if (!IsNumber(hoursText) || !IsNumber(minutesText)) return false;
  std::int32_t hours = 0, minutes = 0;
  ParseInteger(hoursText, hours);
  ParseInteger(minutesText, minutes);
  // "24:00" and minutes past 59 are taken as they come: the hour wraps where
  // the time of day is used.
  time = hours + minutes / 60.0;
  return true;
}

bool ParsePosition(std::string_view field, TStatusReport& report) {
  std::size_t first = field.find(',');
  if (first == std::string_view::npos) return false;
  std::size_t second = field.find(',', first + 1);
  if (second == std::string_view::npos) return false;
  return ParseInteger(field.substr(0, first), report.X) &&
         ParseInteger(field.substr(first + 1, second - first - 1), report.Y) &&
         ParseInteger(field.substr(second + 1), report.Z);
}

bool IsOrigin(const TVector4f& v) { return v[0] == 0 && v[1] == 0 && v[2] == 0; }

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Ends with "|", once blanks and control sequences after it are set aside.
bool EndsWithBar(std::string_view line) { return TrimBlanks(WithoutControls(line)).ends_with('|'); }

}  // namespace

std::string WithoutControls(std::string_view text) {
  constexpr char Esc = 27;
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i++]);
    if (byte == Esc) {
      const bool csi = i < text.size() && text[i] == '[';
      if (csi) ++i;
      // Parameters or intermediates, then the final byte; any other byte
      // ends the sequence and is text again.
      while (i < text.size()) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((csi && next >= 0x20 && next <= 0x3F) || (!csi && next >= 0x20 && next <= 0x2F)) {
          ++i;
          continue;
        }
        if (next >= (csi ? 0x40 : 0x30) && next <= 0x7E) ++i;
        break;
      }
      continue;
    }
    if (byte >= 0x20 && byte != 0x7F) shown += static_cast<char>(byte);
  }
  return shown;
}

std::optional<std::string> ParseMonsterToken(std::string_view rawToken) {
  const std::string shown = WithoutControls(rawToken);
  const std::string_view token = shown;
  std::string_view name = token;
  std::size_t comma = token.find(',');
  if (comma != std::string_view::npos && IsNumber(token.substr(0, comma))) {
    std::size_t end = comma + 1;
    while (end < token.size() && IsDigit(token[end])) ++end;
    std::int32_t a = 0, b = 0;
    if (!ParseInteger(token.substr(0, comma), a) || !ParseInteger(token.substr(comma + 1, end - comma - 1), b))
      return std::nullopt;
    // The monster grid has the one cell (0, 0).
    if (a != 0 || b != 0) return std::nullopt;
    name = token.substr(end);
  }
  std::string clean;
  for (char c : name)
    if (c != '\'') clean += c;
  if (TrimBlanks(clean).empty()) return std::nullopt;
  return clean;
}

TStatusParse ParseStatusFields(std::string_view fields, TStatusReport& report, std::string& error,
                               bool lineEnded) {
  std::size_t position = 0;
  std::string closedByTheLineEnd;
  auto nextField = [&](std::string_view& field) {
    if (position > fields.size()) return false;
    const std::size_t bar = fields.find('|', position);
    if (bar == std::string_view::npos) {
      // Without its "|" a field is there only once the line has ended.
      if (!lineEnded) return false;
      closedByTheLineEnd = TrimBlanks(WithoutControls(fields.substr(position)));
      field = closedByTheLineEnd;
      position = fields.size() + 1;
      return true;
    }
    field = fields.substr(position, bar - position);
    position = bar + 1;
    return true;
  };

  TStatusReport parsed;
  std::int32_t wind = 0, cloud = 0, fog = 0;
  struct Step {
    const char* name;
    std::function<bool(std::string_view)> read;
  };
  const Step steps[] = {
      {"time", [&](std::string_view f) { return ParseTime(f, parsed.Time); }},
      {"position", [&](std::string_view f) { return ParsePosition(f, parsed); }},
      {"terrain type", [&](std::string_view f) { return ParseInteger(f, parsed.Level); }},
      {"wind", [&](std::string_view f) { return ParseInteger(f, wind); }},
      {"cloud", [&](std::string_view f) { return ParseInteger(f, cloud); }},
      {"fog", [&](std::string_view f) { return ParseInteger(f, fog); }},
  };
  for (const Step& step : steps) {
    std::string_view field;
    if (!nextField(field)) {
      if (lineEnded) {
        error = std::string("no ") + step.name + " field";
        return TStatusParse::Malformed;
      }
      error = std::string("the ") + step.name + " field is not closed";
      return TStatusParse::Incomplete;
    }
    if (!step.read(field)) {
      error = std::string("bad ") + step.name + " field \"" + std::string(field) + "\"";
      return TStatusParse::Malformed;
    }
  }
  parsed.Wind = wind / 10.0;
  parsed.Cloud = cloud / 10.0;
  parsed.Fog = fog * 5.0;
  // Monster tokens up to an empty field or the end of the line.
  std::string_view token;
  while (nextField(token) && !token.empty())
    if (auto name = ParseMonsterToken(token)) parsed.Mobs.push_back(std::move(*name));
  report = std::move(parsed);
  return TStatusParse::Parsed;
}

namespace {

// One line as the server sent it, within its recent line.
struct ServerLine {
  std::size_t entry = 0;
  std::size_t begin = 0, end = 0;
  bool ended = false;  // by a line end
};

std::vector<ServerLine> ServerLines(const std::deque<std::string>& recentLines) {
  std::vector<ServerLine> lines;
  for (std::size_t i = 0; i < recentLines.size(); ++i) {
    const std::string& entry = recentLines[i];
    std::size_t begin = 0;
    for (std::size_t cr; (cr = entry.find('\r', begin)) != std::string::npos; begin = cr + 1)
      lines.push_back({i, begin, cr, true});
    // Only the last recent line is still being received.
    lines.push_back({i, begin, entry.size(), i + 1 < recentLines.size()});
  }
  return lines;
}

}  // namespace

bool StandsWhole(std::string_view line) {
  const std::size_t marker = line.find(Marker);
  if (marker == std::string_view::npos || line.size() <= 25 || line.size() > MaxStatusLineLength) return false;
  TStatusReport report;
  std::string error;
  if (ParseStatusFields(line.substr(marker + Marker.size()), report, error, false) != TStatusParse::Parsed)
    return false;
  return TrimBlanks(WithoutControls(line.substr(line.rfind('|') + 1))).empty();
}

std::vector<TFoundStatusLine> FindStatusLines(const std::deque<std::string>& recentLines,
                                              std::uint64_t firstLineNumber, const TWholeStatusLine* whole) {
  const std::vector<ServerLine> lines = ServerLines(recentLines);
  auto text = [&](const ServerLine& line) {
    return std::string_view(recentLines[line.entry]).substr(line.begin, line.end - line.begin);
  };
  std::vector<TFoundStatusLine> found;
  for (std::size_t i = lines.size(); i-- > 0;) {
    std::string_view line = text(lines[i]);
    // The status line ends where it stood whole; what came in later blocks
    // without a "|" of its own is the next line's.
    bool cut = false;
    if (whole && whole->LineNumber == firstLineNumber + lines[i].entry && whole->Begin == lines[i].begin &&
        line.size() > whole->Text.size() && line.starts_with(whole->Text) &&
        line.find('|', whole->Text.size()) == std::string_view::npos) {
      line = line.substr(0, whole->Text.size());
      cut = true;
    }
    const std::size_t marker = line.find(Marker);
    if (marker == std::string_view::npos) continue;
    if (line.size() <= 25) break;
    TFoundStatusLine status;
    status.Line = line;
    status.MarkerAt = marker;
    status.Ended = lines[i].ended || cut;
    status.PaneText = recentLines[lines[i].entry].substr(lines[i].begin);
    std::size_t lastEntry = lines[i].entry;
    if (!cut && !EndsWithBar(line) && i + 1 < lines.size()) {
      const std::string_view next = text(lines[i + 1]);
      if (!next.empty() && EndsWithBar(next)) {
        status.Line += next;
        status.Ended = lines[i + 1].ended;
        if (lines[i + 1].entry != lastEntry) {
          lastEntry = lines[i + 1].entry;
          status.PaneText += recentLines[lastEntry];
        }
      }
    }
    if (lastEntry + 1 < recentLines.size()) status.Next = &recentLines[lastEntry + 1];
    const bool mayGrow = !status.Ended;
    found.push_back(std::move(status));
    // Only a status line still arriving needs the whole one before it.
    if (!mayGrow || found.size() == 2) break;
  }
  return found;
}

TMapSpotOffset MapSpotOffset(double x, double y) {
  return {static_cast<int>(std::nearbyint(x / 2)), 179 - static_cast<int>(std::nearbyint(y / 2))};
}

TStatusOutcome StatusLineReader::Receive(const std::deque<std::string>& recentLines, std::uint64_t firstLineNumber,
                                         const TStatusOptions& options, TStatusTarget& target) {
  TStatusOutcome outcome = ReadNewestLine(recentLines, firstLineNumber, options, target);
  RememberWholeLine(recentLines, firstLineNumber);
  return outcome;
}

void StatusLineReader::RememberWholeLine(const std::deque<std::string>& recentLines, std::uint64_t firstLineNumber) {
  // Only the last line may go on in the next block.
  if (recentLines.empty()) return;
  const std::string& entry = recentLines.back();
  const std::size_t cr = entry.rfind('\r');
  const std::size_t begin = cr == std::string::npos ? 0 : cr + 1;
  const std::string_view line = std::string_view(entry).substr(begin);
  if (StandsWhole(line)) FWhole = TWholeStatusLine{firstLineNumber + recentLines.size() - 1, begin, std::string(line)};
}

TStatusOutcome StatusLineReader::ReadNewestLine(const std::deque<std::string>& recentLines,
                                                std::uint64_t firstLineNumber, const TStatusOptions& options,
                                                TStatusTarget& target) {
  TStatusOutcome outcome;
  TStatusReport report;
  const std::vector<TFoundStatusLine> candidates =
      FindStatusLines(recentLines, firstLineNumber, FWhole ? &*FWhole : nullptr);
  const TFoundStatusLine* found = nullptr;
  for (const TFoundStatusLine& candidate : candidates) {
    std::string error;
    TStatusParse result = TStatusParse::Malformed;
    if (candidate.Line.size() > MaxStatusLineLength)
      error = "longer than " + std::to_string(MaxStatusLineLength) + " characters";
    else
      result = ParseStatusFields(std::string_view(candidate.Line).substr(candidate.MarkerAt + Marker.size()), report,
                                 error, candidate.Ended);
    if (result == TStatusParse::Parsed) {
      found = &candidate;
      break;
    }
    // A status line still arriving leaves the word to the one before it.
    if (result == TStatusParse::Incomplete && !candidate.Ended) continue;
    // The same line comes back with every block while it is the newest.
    std::string shown = candidate.Line.substr(0, 200);
    if (result == TStatusParse::Malformed && shown != FLastRejected) {
      FLastRejected = shown;
      outcome.Rejected = "status line ignored, " + error + ": " + shown;
    }
    return outcome;
  }
  if (!found) return outcome;
  FLastRejected.clear();

  TMudstate& received = target.ReceivedState;
  received.Time = report.Time;
  received.GetPosition()->SetPoint(static_cast<float>(report.X), static_cast<float>(report.Y),
                                   static_cast<float>(report.Z));
  received.Level = report.Level;
  received.Wind = report.Wind;
  received.Cloud = report.Cloud;
  if (options.FogEnabled) received.Fog = report.Fog;
  received.Mobs().Clear();
  for (std::string& name : report.Mobs) received.Mobs().Cell(0, 0).push_back(std::move(name));

  // Ground heights are learnt from where the player stands; the undefined
  // area is placed by what the text around the status line says.
  const TUndefinedarea& area = target.UndefinedArea;
  if (!area.IsAt(static_cast<float>(report.X), static_cast<float>(report.Y))) {
    if (TMud::IsGroundLevelType(report.Level)) target.GroundHeights.Add(report.X, report.Y, report.Z);
  } else if (area.phrases.GetCount() > 0) {
    const std::string* text = options.StripCoordinates ? &found->PaneText : found->Next;
    TPhrasePosition place;
    if (text && area.phrases.FindPhrase(*text, place)) {
      received.GetPosition()->SetX(static_cast<float>(place.x));
      received.GetPosition()->SetY(static_cast<float>(place.y));
    }
  }

  TMudstate& current = target.CurrentState;
  TMudstate& previous = target.PreviousState;
  const bool cloudTaken = current.Cloud == -1.0 && received.Cloud != -1.0;
  const bool windTaken = current.Wind == -1.0 && received.Wind != -1.0;
  current.Mobs().Assign(received.Mobs());
  current.GetPosition()->SetPoint(received.GetPosition()->AsVector());
  current.Level = received.Level;
  current.Time = received.Time;
  if (current.Cloud == -1.0) current.Cloud = TMud::TakenCloud(received.Cloud);
  if (current.Wind == -1.0) current.Wind = received.Wind;

  const TVector4f before = previous.GetPosition()->AsVector();
  const TVector4f now = current.GetPosition()->AsVector();
  const bool fromOrigin = IsOrigin(before);
  const bool unchanged = before[0] == now[0] && before[1] == now[1] && before[2] == now[2] &&
                         previous.Level == current.Level;
  // What the view shows besides the place: the sky by the hour, the
  // monsters, the weather once first taken.
  const bool shownChanged = current.Time != previous.Time || current.Level != previous.Level ||
                            current.Mobs().Cell(0, 0) != previous.Mobs().Cell(0, 0) || cloudTaken || windTaken;
  if (!area.IsAtVector(before) && !unchanged) {
    // Only a move across the map turns the view: a change of height or of
    // terrain type alone would give a zero direction or one along Up, and
    // the way from the map's corner to the first position is no walk.
    if (!fromOrigin && (before[0] != now[0] || before[1] != now[1])) {
      current.GetDirection()->SetVector(now[0] - before[0], now[1] - before[1], now[2] - before[2]);
      current.GetUp()->SetVector(0, 0, 1);
    }
    outcome.Updated = true;
  } else if (fromOrigin || shownChanged) {
    // The first status line after start-up, or one that changes what the
    // view shows where the player stands.
    outcome.Updated = true;
  }
  outcome.Merged = true;
  if (outcome.Updated && target.Update) target.Update();

  if (!fromOrigin && !IsOrigin(now)) {
    outcome.SpotShown = true;
    outcome.Spot = MapSpotOffset(now[0], now[1]);
  }
  previous.Assign(&current);
  return outcome;
}
