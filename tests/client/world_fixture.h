#pragma once
// Small world descriptions for the tests: written into the test output
// folder, with the sample world as the program folder (its stylesheets).

#include <filesystem>
#include <fstream>
#include <string>
#include <gtest/gtest.h>

#include "client/client_globals.h"

namespace world_fixture {

inline std::string SampleWorldFolder() { return std::string(CLIENT_SOURCE_DIR) + "/data/sample-world/"; }

inline std::string OutputFolder() {
  // ctest runs tests side by side as processes of their own: a folder per test.
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string folder = std::string(CLIENT_TEST_OUTPUT_DIR) + "/client_world/" +
                             (test ? std::string(test->test_suite_name()) + "." + test->name() : "shared") + "/";
  std::filesystem::create_directories(folder);
  return folder;
}

// Writes the text as a file of the test output folder and returns its path.
inline std::string WriteFile(const std::string& name, const std::string& text) {
  const std::string path = OutputFolder() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// The mandatory sections of a world, each replaceable by a test.
struct Sections {
  std::string system = R"(<SYSTEM visualscale="1.0" clodprecision="10"/>)";
  std::string environment = R"(<ENVIRONMENT>
    <SEA height="-2" mudheight="0" texture="textures\sea.bmp">
      <UNDERSEA texture="" color="204060" fogcolor="102030" fogstart="1" fogend="20"/></SEA>
    <TERRAIN height="0.05"><TERRAINHEIGHTS><H x="100" y="100" z="0"/></TERRAINHEIGHTS></TERRAIN>
    <TIME nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="20"/>
    <WEATHER><CLOUDS texture="textures\clouds.bmp" scale="4" width="50" height="15"/></WEATHER>
  </ENVIRONMENT>)";
  std::string staticColors = R"(<STATICCOLORS><COLOR value="000000"/><COLOR value="112233"/></STATICCOLORS>)";
  std::string rest;
};

inline std::string ConfigText(const Sections& s) {
  return "<CONFIG>\n" + s.system + "\n" + s.environment + "\n" + s.staticColors + "\n" + s.rest + "\n</CONFIG>\n";
}

// Points the program folder at the sample world for as long as it lives.
class ProgramFolder {
public:
  ProgramFolder() : previous_(AppFolder) { AppFolder = SampleWorldFolder(); }
  ~ProgramFolder() { AppFolder = previous_; }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

private:
  std::string previous_;
};

}  // namespace world_fixture
