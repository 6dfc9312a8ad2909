#include "tools/demo_server/demo_session.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {
constexpr char IAC = '\xff';
constexpr char SE = '\xf0';
constexpr char SB = '\xfa';
constexpr char WILL = '\xfb';
constexpr char WONT = '\xfc';
constexpr char DO = '\xfd';
constexpr unsigned char TTYPE = 24;
constexpr unsigned char ECHO = 1;

std::string Cmd(char verb, unsigned char option) { return {IAC, verb, static_cast<char>(option)}; }

const char* const Reset = "\x1b[0m";
const char* const Red = "\x1b[31m";
const char* const Green = "\x1b[32m";
const char* const Yellow = "\x1b[33m";
const char* const Blue = "\x1b[34m";
const char* const Magenta = "\x1b[35m";
const char* const Cyan = "\x1b[36m";
const char* const Bold = "\x1b[39m";

std::string Prompt() { return std::string(Green) + "> " + Reset; }

// Repeatable pseudo-random bits from a few numbers (no global state).
std::uint32_t Mix(long a, long b = 0, long c = 0) {
  std::uint32_t h = static_cast<std::uint32_t>(a) * 73856093u ^ static_cast<std::uint32_t>(b) * 19349663u ^
                    static_cast<std::uint32_t>(c) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

struct GroundText {
  char ground;
  int level;  // the terrain type the status line sends
  const char* title;
  const char* text;
};
constexpr GroundText Grounds[] = {
    {'=', 9, "On the road", "A dusty road runs here."},
    {'.', 11, "A meadow", "Grass grows all around you."},
    {':', 12, "On the shore", "Sand crunches under your feet."},
    {'^', 14, "Bare rock", "Grey rock, worn smooth by the wind."},
    {'T', 17, "Among the trees", "Trees stand close around you."},
    {'H', 8, "Inside a house", "A small room with plastered walls."},
    {'U', 8, "Inside a house", "A small room; a loom stands by the window."},
    {'~', 7, "In the sea", "You swim in cold, salty water."},
};
constexpr int FlyingLevel = 10;

const GroundText& GroundOf(char ground) {
  for (const GroundText& g : Grounds)
    if (g.ground == ground) return g;
  return Grounds[1];
}

bool IsIndoors(char ground) { return ground == 'H' || ground == 'U'; }

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}
}  // namespace

DemoSession::DemoSession(const DemoWorld& world, std::function<double()> clock)
    : FWorld(world), FClock(clock ? std::move(clock) : SteadySeconds) {
  FClockStart = FClock();
  FWeatherHour = GameHourIndex();
  // Players arrive on the village square (or in the middle of a world without one).
  const DemoPlace* start = FWorld.FindPlace("square");
  FX = start ? start->x : FWorld.GetSize() / 2;
  FY = start ? start->y : FWorld.GetSize() / 2;
}

std::string DemoSession::Start() {
  std::string out = Cmd(DO, TTYPE);
  out += std::string(Cyan) + "\r\n  *** The Demo Realm ***\r\n" + Reset;
  out += std::string(Yellow) + "  A small world for trying the client." + Reset + "\r\n\r\n";
  out += "Login: ";
  return out;
}

void DemoSession::EndSubnegotiation(std::string&) {
  if (FSb.size() >= 2 && static_cast<unsigned char>(FSb[0]) == TTYPE && FSb[1] == 0)
    FTerminalType = FSb.substr(2);
  FSb.clear();
}

std::string DemoSession::Receive(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    if (FClose) break;
    switch (FTelnet) {
      case Telnet::Data:
        if (c == IAC) {
          FTelnet = Telnet::Iac;
        } else if (c == '\n') {
          std::string line;
          line.swap(FLine);
          out += HandleLine(line);
        } else if (c != '\r' && c != '\0') {
          // A CR ends nothing, as with most game servers: the LF does.
          if (FLine.size() < MaxLineLength) FLine += c;
        }
        break;
      case Telnet::Iac:
        if (c == IAC) {
          if (FLine.size() < MaxLineLength) FLine += c;
          FTelnet = Telnet::Data;
        } else if (static_cast<unsigned char>(c) >= 251) {
          FVerb = static_cast<unsigned char>(c);
          FTelnet = Telnet::Verb;
        } else if (c == SB) {
          FSb.clear();
          FTelnet = Telnet::Sb;
        } else {
          FTelnet = Telnet::Data;
        }
        break;
      case Telnet::Verb:
        // The client agreed to tell its terminal type: ask for it once.
        if (FVerb == 251 && static_cast<unsigned char>(c) == TTYPE && !FAskedTerminal) {
          FAskedTerminal = true;
          out += std::string{IAC, SB, static_cast<char>(TTYPE), 1, IAC, SE};
        }
        FTelnet = Telnet::Data;
        break;
      case Telnet::Sb:
        if (c == IAC)
          FTelnet = Telnet::SbIac;
        else if (FSb.size() < 64)
          FSb += c;
        break;
      case Telnet::SbIac:
        if (c == SE) {
          EndSubnegotiation(out);
          FTelnet = Telnet::Data;
        } else if (c == IAC) {
          if (FSb.size() < 64) FSb += c;
          FTelnet = Telnet::Sb;
        } else {
          FSb.clear();
          FTelnet = Telnet::Data;
        }
        break;
    }
  }
  return out;
}

std::string DemoSession::HandleLine(const std::string& raw) {
  std::string line = Trim(raw);
  switch (FPhase) {
    case Phase::Login:
      if (line.empty()) return "Login: ";
      FPlayer = line.substr(0, 20);
      FPhase = Phase::Password;
      // The client hides what is typed after a password prompt.
      return "\r\n" + Cmd(WILL, ECHO) + "Password: ";
    case Phase::Password:
      FPhase = Phase::Playing;
      PassTime();
      return Cmd(WONT, ECHO) + "\r\n" + Green + "Welcome, " + Bold + FPlayer + Reset + Green + "! Type " + Yellow +
             "help" + Green + " for the commands." + Reset + "\r\n" + Answer(Room());
    case Phase::Playing:
      break;
  }
  PassTime();
  if (line.empty()) return Answer("");
  std::size_t space = line.find(' ');
  std::string verb = Lower(line.substr(0, space));
  std::string rest = space == std::string::npos ? "" : Trim(line.substr(space + 1));
  return Command(verb, rest);
}

std::string DemoSession::Command(const std::string& verb, const std::string& rest) {
  if (verb == "north" || verb == "n") return Answer(Walk(0, 1, DemoWorld::North, "north"));
  if (verb == "south" || verb == "s") return Answer(Walk(0, -1, DemoWorld::South, "south"));
  if (verb == "east" || verb == "e") return Answer(Walk(1, 0, DemoWorld::East, "east"));
  if (verb == "west" || verb == "w") return Answer(Walk(-1, 0, DemoWorld::West, "west"));
  if (verb == "up" || verb == "u") return Answer(Climb(1));
  if (verb == "down" || verb == "d") return Answer(Climb(-1));
  if (verb == "look" || verb == "l") return Answer(Room());
  if (verb == "goto") return Answer(GoTo(rest));
  if (verb == "time") return Answer(SetTime(rest));
  if (verb == "weather") return Answer(SetWeather(rest));
  if (verb == "kill") return Answer(Kill(rest));
  if (verb == "help") {
    return Answer(std::string(Yellow) + "Commands:" + Reset +
                  " look, north, south, east, west, up, down, goto <place>, time <hour>, weather <clear|cloudy|"
                  "rain|fog|storm>, kill <monster>, say <text>, who, colours, quit, shutdown\r\n");
  }
  if (verb == "say") return Answer(std::string("You say '") + Yellow + rest + Reset + "'\r\n");
  if (verb == "who") return Answer(std::string(Blue) + "Players online:" + Reset + " " + FPlayer + "\r\n");
  if (verb == "colours" || verb == "colors") {
    std::string out;
    for (int code = 30; code <= 37; ++code)
      out += "\x1b[" + std::to_string(code) + "m colour " + std::to_string(code) + Reset + "\r\n";
    out += "\x1b[41m red back \x1b[0m \x1b[42m green back \x1b[0m \x1b[44m blue back \x1b[0m\r\n";
    return Answer(out);
  }
  if (verb == "quit") {
    FClose = true;
    return std::string(Cyan) + "Goodbye." + Reset + "\r\n";
  }
  if (verb == "shutdown") {
    FClose = true;
    FShutdown = true;
    return std::string(Red) + "The server shuts down." + Reset + "\r\n";
  }
  return Answer(std::string(Red) + "Huh?" + Reset + " Type " + Yellow + "help" + Reset + " for the commands.\r\n");
}

std::string DemoSession::Walk(int dx, int dy, int exit, const char* name) {
  if (FFlying) {
    if (!FWorld.Inside(FX + dx, FY + dy)) return "The edge of the world stops your flight.\r\n";
    FX += dx;
    FY += dy;
    return std::string("You fly ") + name + ".\r\n" + Room();
  }
  if (!(FWorld.Exits(FX, FY) & exit)) return std::string(Red) + "A wall blocks your way " + name + "." + Reset + "\r\n";
  FX += dx;
  FY += dy;
  return std::string("You walk ") + name + ".\r\n" + Room();
}

std::string DemoSession::Climb(int dz) {
  const char ground = FWorld.Ground(FX, FY);
  if (dz > 0) {
    if (FFlying) {
      if (FZ >= MaxFlightHeight) return "You cannot climb any higher.\r\n";
      ++FZ;
      return "You climb higher.\r\n" + Room();
    }
    if (IsIndoors(ground)) return "The ceiling is in the way.\r\n";
    FFlying = true;
    FZ = 1;
    return "You spread your wings and rise into the air.\r\n" + Room();
  }
  if (!FFlying) return "You are already on the ground.\r\n";
  if (FZ > 1) {
    --FZ;
    return "You sink lower.\r\n" + Room();
  }
  if (ground == '#' || IsIndoors(ground)) return "There is no room to land here.\r\n";
  FFlying = false;
  FZ = 0;
  return "You land.\r\n" + Room();
}

std::string DemoSession::GoTo(const std::string& words) {
  const DemoPlace* place = FWorld.FindPlace(words);
  if (!place) {
    std::string names;
    for (const DemoPlace& p : FWorld.GetPlaces()) names += (names.empty() ? "" : ", ") + p.name;
    return (words.empty() ? std::string() : "There is no such place. ") + "Places: " + names + ".\r\n";
  }
  FX = place->x;
  FY = place->y;
  FZ = 0;
  FFlying = false;
  return "You close your eyes and open them somewhere else.\r\n" + Room();
}

std::string DemoSession::SetTime(const std::string& words) {
  int hours = -1, minutes = 0;
  char extra = 0;
  const int read = std::sscanf(words.c_str(), "%d:%d%c", &hours, &minutes, &extra);
  if (read < 1 || read > 2 || hours < 0 || hours > 23 || minutes < 0 || minutes > 59) {
    const int now = static_cast<int>(GetHour() * 60);
    return "It is " + TwoDigits(now / 60) + ":" + TwoDigits(now % 60) + ". Say \"time <hour>\" to change it.\r\n";
  }
  FClockStart = FClock();
  FHourAtStart = hours + minutes / 60.0;
  PassTime();
  return "The sun jumps in the sky: it is now " + TwoDigits(hours) + ":" + TwoDigits(minutes) + ".\r\n";
}

std::string DemoSession::SetWeather(const std::string& words) {
  const struct {
    const char* name;
    Weather weather;
    const char* text;
  } kinds[] = {
      {"clear", {10, 0, 0}, "The clouds part and the sky clears."},
      {"cloudy", {30, 60, 0}, "Clouds gather overhead."},
      {"rain", {50, 90, 0}, "It starts to rain."},
      {"fog", {0, 30, 2}, "A thick fog rolls in."},
      {"storm", {100, 100, 0}, "A storm breaks loose."},
  };
  for (const auto& kind : kinds) {
    if (Lower(words) != kind.name) continue;
    FWeather = kind.weather;
    return std::string(Cyan) + kind.text + Reset + "\r\n";
  }
  return "The weather can be clear, cloudy, rain, fog or storm.\r\n";
}

std::string DemoSession::Kill(const std::string& name) {
  // The client names a monster with blanks where the status line has "_".
  std::string wanted = Lower(name);
  std::replace(wanted.begin(), wanted.end(), '_', ' ');
  for (std::string monster : Monsters()) {
    std::string spoken = Lower(monster);
    std::replace(spoken.begin(), spoken.end(), '_', ' ');
    if (spoken != wanted) continue;
    if (FKilled.size() < 256)
      FKilled.emplace(GameHourIndex(), std::to_string(FX) + "," + std::to_string(FY) + "," + monster);
    return std::string(Red) + "The " + spoken + " flees from you." + Reset + "\r\n";
  }
  return "There is no " + (wanted.empty() ? std::string("one") : wanted) + " here to fight.\r\n";
}

std::string DemoSession::Room() {
  const char ground = FWorld.Ground(FX, FY);
  std::string title = GroundOf(ground).title, text = GroundOf(ground).text;
  if (const DemoPlace* place = FWorld.PlaceAt(FX, FY); place && !FFlying && ground != 'U') {
    title = place->name;
    text = place->description + ".";
  }
  if (FFlying) {
    title = "High above the ground";
    text = "The wind carries you; below you: " + Lower(GroundOf(ground).title) + ".";
  }
  std::string out = std::string(Cyan) + title + Reset + "\r\n" + text + "\r\n";
  for (const std::string& monster : Monsters()) {
    std::string spoken = monster;
    std::replace(spoken.begin(), spoken.end(), '_', ' ');
    out += std::string(Yellow) + "A " + spoken + " is here." + Reset + "\r\n";
  }
  std::string exits;
  const int ways = FFlying ? (DemoWorld::North | DemoWorld::South | DemoWorld::East | DemoWorld::West)
                           : FWorld.Exits(FX, FY);
  for (auto [bit, name] : {std::pair{DemoWorld::North, "north"}, std::pair{DemoWorld::South, "south"},
                           std::pair{DemoWorld::East, "east"}, std::pair{DemoWorld::West, "west"}})
    if (ways & bit) exits += std::string(" ") + name;
  if (FFlying ? FZ < MaxFlightHeight : !IsIndoors(ground)) exits += " up";
  if (FFlying) exits += " down";
  return out + Magenta + "Exits:" + (exits.empty() ? " none" : exits) + Reset + "\r\n";
}

// Every answer ends with the status line and the prompt. Inside a house the
// server does not name, the status line gives the undefined area and the
// line after it tells the client where the player is.
std::string DemoSession::Answer(const std::string& text) {
  std::string out = text + StatusLine() + "\r\n";
  if (!FFlying && FWorld.Ground(FX, FY) == 'U')
    if (const DemoPlace* place = FWorld.UnnamedHousePlace(FX, FY))
      out += std::string(Cyan) + "You are in " + place->phrase + "." + Reset + "\r\n";
  return out + Prompt();
}

std::string DemoSession::StatusLine() {
  const int minutes = static_cast<int>(GetHour() * 60) % (24 * 60);
  const bool undefined = !FFlying && FWorld.Ground(FX, FY) == 'U';
  const int x = undefined ? FWorld.UndefinedX : FX;
  const int y = undefined ? FWorld.UndefinedY : FY;
  const int z = undefined ? FWorld.UndefinedZ : FZ;
  std::string line = std::string(Green) + "Hp 30 Mv 80" + Reset + " |4|" + TwoDigits(minutes / 60) + ":" +
                     TwoDigits(minutes % 60) + "|" + std::to_string(x) + "," + std::to_string(y) + "," +
                     std::to_string(z) + "|" + std::to_string(Level()) + "|" + std::to_string(FWeather.wind) + "|" +
                     std::to_string(FWeather.cloud) + "|" + std::to_string(FWeather.fog) + "|";
  for (const std::string& monster : Monsters()) line += "0,0" + monster + "|";
  return line;
}

int DemoSession::Level() const { return FFlying ? FlyingLevel : GroundOf(FWorld.Ground(FX, FY)).level; }

double DemoSession::GetHour() const {
  const double hours = FHourAtStart + (FClock() - FClockStart) / SecondsPerGameHour;
  return std::fmod(std::max(hours, 0.0), 24.0);
}

long DemoSession::GameHourIndex() const {
  return static_cast<long>(std::floor(FHourAtStart + (FClock() - FClockStart) / SecondsPerGameHour));
}

// The weather drifts once per game hour; a time set by hand counts as one hour.
void DemoSession::PassTime() {
  const long now = GameHourIndex();
  if (now == FWeatherHour) return;
  const long steps = now > FWeatherHour ? std::min(now - FWeatherHour, 24L) : 1;
  for (long step = 0; step < steps; ++step) {
    const std::uint32_t bits = Mix(now - step, 7);
    FWeather.wind = std::clamp(FWeather.wind + static_cast<int>(bits % 5) * 5 - 10, 0, 100);
    FWeather.cloud = std::clamp(FWeather.cloud + static_cast<int>((bits >> 8) % 5) * 10 - 20, 0, 100);
    const long hourOfDay = ((now - step) % 24 + 24) % 24;
    FWeather.fog = (hourOfDay >= 4 && hourOfDay <= 7 && (bits >> 16) % 3 == 0) ? 1 : 0;
  }
  FWeatherHour = now;
  FKilled.clear();
}

std::vector<std::string> DemoSession::Monsters() {
  std::vector<std::string> names;
  if (FFlying) return names;
  const long hourIndex = GameHourIndex();
  const double hour = GetHour();
  const bool day = hour >= 7 && hour < 21;
  const std::uint32_t bits = Mix(FX, FY, hourIndex);
  auto near = [&](const char* placeName, int distance) {
    const DemoPlace* place = FWorld.FindPlace(placeName);
    return place && std::abs(place->x - FX) <= distance && std::abs(place->y - FY) <= distance;
  };
  if (near("gate", 0)) names.push_back("guard");
  if (day && (near("square", 3) || (near("square", 24) && bits % 9 == 0))) names.push_back("villager");
  if (!day && near("forest", 25) && bits % 4 == 0) names.push_back("wolf");
  std::erase_if(names, [&](const std::string& name) {
    return FKilled.count({hourIndex, std::to_string(FX) + "," + std::to_string(FY) + "," + name}) > 0;
  });
  return names;
}
