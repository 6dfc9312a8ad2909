#include "platform/base/path_resolve.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class PathResolveTest : public ::testing::Test {
protected:
  void SetUp() override {
    // ctest runs each test as a process of its own, side by side: one folder each.
    root_ = fs::path(CLIENT_TEST_OUTPUT_DIR) / "path_resolve" /
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root_);
    fs::create_directories(root_ / "Textures" / "Sub");
    Touch(root_ / "Textures" / "grass.jpg");
    Touch(root_ / "Textures" / "Sub" / "Stone.BMP");
    Touch(root_ / "exact.txt");
  }
  static void Touch(const fs::path& p) { std::ofstream(p) << "x"; }
  std::string Root() const { return root_.string(); }
  fs::path root_;
};

TEST_F(PathResolveTest, BackslashesBecomeSlashes) {
  EXPECT_EQ(NormalizeSeparators("textures\\sub\\a.bmp"), "textures/sub/a.bmp");
  EXPECT_EQ(NormalizeSeparators("plain"), "plain");
}

TEST_F(PathResolveTest, ExactPathIsReturnedAsItStands) {
  EXPECT_EQ(FindExistingPath(Root() + "/exact.txt"), Root() + "/exact.txt");
}

TEST_F(PathResolveTest, WindowsNameFindsFileWhateverTheCaseOfEachComponent) {
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"\\textures\\Grass.JPG", "/Textures/grass.jpg"},
      {"\\TEXTURES\\sub\\stone.bmp", "/Textures/Sub/Stone.BMP"},
      {"/textures/GRASS.jpg", "/Textures/grass.jpg"},
      {"\\Textures\\grass.jpg", "/Textures/grass.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindExistingPath(Root() + c.name), Root() + c.expected);
  }
}

TEST_F(PathResolveTest, MissingFileGivesNothingAndResolveKeepsTheAskedName) {
  EXPECT_FALSE(FindExistingPath(Root() + "\\textures\\missing.jpg").has_value());
  EXPECT_FALSE(FindExistingPath(Root() + "\\nofolder\\grass.jpg").has_value());
  EXPECT_FALSE(FindExistingPath("").has_value());
  EXPECT_EQ(ResolvePath(Root() + "\\textures\\missing.jpg"), Root() + "/textures/missing.jpg");
}

TEST_F(PathResolveTest, FileUsedAsFolderIsNotFound) {
  EXPECT_FALSE(FindExistingPath(Root() + "\\exact.txt\\inner").has_value());
}

TEST_F(PathResolveTest, RelativeNameResolvesAgainstCurrentFolder) {
  const fs::path previous = fs::current_path();
  fs::current_path(root_);
  const auto found = FindExistingPath("textures\\GRASS.JPG");
  fs::current_path(previous);
  EXPECT_EQ(found, std::optional<std::string>("Textures/grass.jpg"));
}

}  // namespace
