#pragma once
// One player's conversation with the demo server, without I/O: bytes from
// the client in, bytes to send out. Telnet commands from the client are
// read (the terminal type is kept); a line ends at LF, as game servers read
// it: a CR alone does not end it.
//
// The player walks the world of a DemoWorld: every answer ends with a status
// line (time, position, terrain type, wind, cloud, fog, monsters) and a
// prompt. The game's clock runs one hour per minute; weather and monsters
// change with the hours and on command.

#include "tools/demo_server/demo_world.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class DemoSession {
public:
  static constexpr std::size_t MaxLineLength = 1024;
  static constexpr double SecondsPerGameHour = 60;
  static constexpr int MaxFlightHeight = 5;

  // The clock gives seconds on a steady scale; the real one when empty.
  explicit DemoSession(const DemoWorld& world, std::function<double()> clock = {});

  // The bytes a new connection gets: the negotiation, the welcome and the
  // login prompt.
  std::string Start();
  // Everything the session answers to the received bytes.
  std::string Receive(std::string_view bytes);

  bool WantsClose() const { return FClose; }
  bool WantsShutdown() const { return FShutdown; }
  const std::string& GetTerminalType() const { return FTerminalType; }
  const std::string& GetPlayer() const { return FPlayer; }

  // The game's time of day in hours.
  double GetHour() const;
  // The status line as the client gets it, without its line end.
  std::string StatusLine();

private:
  enum class Phase { Login, Password, Playing };
  enum class Telnet { Data, Iac, Verb, Sb, SbIac };
  struct Weather {
    int wind = 20, cloud = 30, fog = 0;  // as sent: tenths, tenths, fifths
  };

  std::string HandleLine(const std::string& line);
  std::string Command(const std::string& verb, const std::string& rest);
  void EndSubnegotiation(std::string& out);

  std::string Walk(int dx, int dy, int exit, const char* name);
  std::string Climb(int dz);
  std::string GoTo(const std::string& words);
  std::string SetTime(const std::string& words);
  std::string SetWeather(const std::string& words);
  std::string Kill(const std::string& name);
  std::string Room();
  std::string Answer(const std::string& text);

  int Level() const;
  long GameHourIndex() const;
  void PassTime();
  std::vector<std::string> Monsters();

  const DemoWorld& FWorld;
  std::function<double()> FClock;
  double FClockStart = 0;
  double FHourAtStart = 12;
  long FWeatherHour = 0;
  Weather FWeather;
  // Monsters sent away, each for the rest of its game hour.
  std::set<std::pair<long, std::string>> FKilled;
  int FX = 0, FY = 0, FZ = 0;
  bool FFlying = false;

  Phase FPhase = Phase::Login;
  Telnet FTelnet = Telnet::Data;
  unsigned char FVerb = 0;
  std::string FSb;
  std::string FLine;
  bool FAskedTerminal = false;
  std::string FTerminalType;
  std::string FPlayer;
  bool FClose = false;
  bool FShutdown = false;
};
