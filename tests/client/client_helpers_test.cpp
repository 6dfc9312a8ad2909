#include "client/client_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

struct FloatCase {
  int decimals;
  double value;
  const char* expected;
};

TEST(ClientHelpers, FormatFloatDecimalsGivesExactDecimalsWithFullStop) {
  const FloatCase cases[] = {
      {2, 14.5, "14.50"}, {0, 2.5, "2"},       {0, 3.5, "4"},         {1, -0.25, "-0.2"},
      {3, 0.0, "0.000"},  {2, 120.5, "120.50"}, {2, 0.125, "0.12"},    {4, 1e6, "1000000.0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFloatDecimals(c.decimals, c.value), c.expected) << c.value;
}

TEST(ClientHelpers, ApplicationFolderIsTheExecutablesFolderWithTrailingSlash) {
  std::string folder = GetApplicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  auto exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(folder, exe.parent_path().string() + "/");
}

class FileHelpers : public ::testing::Test {
protected:
  void SetUp() override {
    // One folder per test: CTest runs tests in parallel processes.
    dir = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "client_helpers" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "sub.folder");
    std::ofstream(dir / "five.bin", std::ios::binary) << "12345";
    std::ofstream(dir / "empty.bin", std::ios::binary);
  }
  std::filesystem::path dir;
};

TEST_F(FileHelpers, FileSizeIsBytesMinusOneForFolderZeroForNothing) {
  EXPECT_EQ(GetFileSizeOf((dir / "five.bin").string()), 5);
  EXPECT_EQ(GetFileSizeOf((dir / "empty.bin").string()), 0);
  EXPECT_EQ(GetFileSizeOf((dir / "sub.folder").string()), -1);
  EXPECT_EQ(GetFileSizeOf((dir / "missing").string()), 0);
  EXPECT_EQ(GetFileSizeOf(""), 0);
}

TEST_F(FileHelpers, IsDirectoryOnlyForExistingFolders) {
  EXPECT_TRUE(IsDirectory(dir.string()));
  EXPECT_TRUE(IsDirectory((dir / "sub.folder").string()));
  EXPECT_FALSE(IsDirectory((dir / "five.bin").string()));
  EXPECT_FALSE(IsDirectory((dir / "missing").string()));
  EXPECT_FALSE(IsDirectory(""));
}

TEST(ClientHelpers, SecondsSinceCountsWholeDaysToo) {
  auto dayAndAHalfAgo = ClientClock::now() - std::chrono::hours(24) - std::chrono::milliseconds(2500);
  EXPECT_NEAR(SecondsSince(dayAndAHalfAgo), 86402.5, 0.5);
  EXPECT_NEAR(SecondsSince(ClientClock::now()), 0.0, 0.5);
}

TEST(ClientHelpers, RandomCodeMapsDrawsToLettersAndDigits) {
  // Scripted draws: (35-draw, then letter or digit draw) per character.
  std::vector<int> draws{10, 0, 34, 24, 9, 0, 0, 9};
  std::vector<int> ranges;
  std::size_t next = 0;
  auto random = [&](int range) {
    ranges.push_back(range);
    return draws.at(next++);
  };
  EXPECT_EQ(RandomCode(4, random), "AY09");
  EXPECT_EQ(ranges, (std::vector<int>{35, 25, 35, 25, 35, 10, 35, 10}));
  EXPECT_EQ(RandomCode(0, random), "");
}

TEST(ClientHelpers, ShowHTMLPageGoesToTheRegisteredHandler) {
  std::string shown;
  SetShowHTMLPageHandler([&](const std::string& page) { shown = page; });
  ShowHTMLPage("help/help.html");
  SetShowHTMLPageHandler(nullptr);
  EXPECT_EQ(shown, "help/help.html");
}

TEST(ClientHelpers, TextTests) {
  EXPECT_TRUE(IsTrueText("True"));
  EXPECT_TRUE(IsTrueText("t"));
  EXPECT_FALSE(IsTrueText("1"));
  EXPECT_FALSE(IsTrueText(""));
  EXPECT_FALSE(IsTrueText(" true"));

  EXPECT_EQ(UpCaseChar('a'), 'A');
  EXPECT_EQ(UpCaseChar('z'), 'Z');
  EXPECT_EQ(UpCaseChar('A'), 'A');
  EXPECT_EQ(UpCaseChar('1'), '1');
  EXPECT_EQ(UpCaseChar('\xe9'), '\xe9');

  EXPECT_EQ(LastPos("ab", "xabyab"), 5);
  EXPECT_EQ(LastPos("ab", "ab"), 1);
  EXPECT_EQ(LastPos("q", "xabyab"), 0);
  EXPECT_EQ(LastPos("", "abc"), 0);
  EXPECT_EQ(LastPos("abcd", "abc"), 0);

  EXPECT_TRUE(IsNumber("007"));
  EXPECT_TRUE(IsNumber("5000"));
  EXPECT_FALSE(IsNumber(" 12"));
  EXPECT_FALSE(IsNumber("-1"));
  EXPECT_FALSE(IsNumber("1.5"));
  EXPECT_FALSE(IsNumber(""));

  EXPECT_EQ(PadRight("ab", 5), "ab   ");
  EXPECT_EQ(PadRight("abcdef", 3), "abcdef");
  EXPECT_EQ(PadRight("", 0), "");
}

TEST(ClientHelpers, StripExtensionCutsOnlyInTheFileName) {
  const std::pair<const char*, const char*> cases[] = {
      {"maps/aerial.3db", "maps/aerial"},
      {"textures\\wall.tga.jpg", "textures\\wall.tga"},
      {"noextension", "noextension"},
      {"/home/u/.local/share/file", "/home/u/.local/share/file"},
      {"c:\\my.folder\\file", "c:\\my.folder\\file"},
      {"/home/u/.local/x.jpg", "/home/u/.local/x"},
      {"trailing.", "trailing"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(StripExtension(in), out) << in;
}

}  // namespace
