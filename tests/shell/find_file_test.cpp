#include "shell/core/find_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FindFileTree : public ::testing::Test {
protected:
  void SetUp() override {
    // One folder per test: CTest runs tests in parallel processes.
    root = fs::path(CLIENT_TEST_OUTPUT_DIR) / "find_file" /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root);
    fs::create_directories(root / "sub1" / "deep");
    fs::create_directories(root / "sub2");
    Write("b.3dj", 3);
    Write("A.3DJ", 5);
    Write(".hidden.3dj", 7);
    Write("x.txt", 11);
    Write("sub1/c.3dj", 13);
    Write("sub1/deep/d.3dj", 17);
    Write("sub2/e.3dj", 19);
    fs::create_directory_symlink(root, root / "loop");  // must not be followed
    base = root.string() + "/";
  }
  void Write(const std::string& name, int size) {
    std::ofstream(root / name, std::ios::binary) << std::string(static_cast<std::size_t>(size), 'z');
  }
  fs::path root;
  std::string base;
};

TEST_F(FindFileTree, RecursiveSearchVisitsFoldersLevelByLevelAndSkipsLinks) {
  TFindFile find;
  find.SetDirectory(root.string());
  find.SetFilter("*.3dj");
  find.SetRecurse(true);
  std::vector<std::string> paths;
  find.OnNewPath = [&](TFindFile&, const std::string& path, bool&) { paths.push_back(path); };
  find.Execute();
  EXPECT_EQ(find.GetFiles(), (std::vector<std::string>{base + ".hidden.3dj", base + "A.3DJ", base + "b.3dj",
                                                       base + "sub1/c.3dj", base + "sub2/e.3dj",
                                                       base + "sub1/deep/d.3dj"}));
  EXPECT_EQ(paths, (std::vector<std::string>{base, base + "sub1/", base + "sub2/", base + "sub1/deep/"}));
  EXPECT_EQ(find.GetFileCount(), 6);
  EXPECT_EQ(find.GetFolderCount(), 0);
  EXPECT_EQ(find.GetTotalSize(), 7 + 5 + 3 + 13 + 19 + 17);
}

TEST_F(FindFileTree, DefaultAttributesListFilesButNotFolders) {
  TFindFile find;
  find.SetDirectory(root.string());
  find.Execute();
  EXPECT_EQ(find.GetFiles(),
            (std::vector<std::string>{base + ".hidden.3dj", base + "A.3DJ", base + "b.3dj", base + "x.txt"}));
}

TEST_F(FindFileTree, FolderAttributeAddsFoldersAndCountsThem) {
  TFindFile find;
  find.SetDirectory(base);
  find.SetAttributes(ffDirectory);
  find.Execute();
  EXPECT_EQ(find.GetFiles(), (std::vector<std::string>{base + "A.3DJ", base + "b.3dj", base + "loop",
                                                       base + "sub1", base + "sub2", base + "x.txt"}));
  EXPECT_EQ(find.GetFolderCount(), 3);
  EXPECT_EQ(find.GetFileCount(), 3);
}

TEST_F(FindFileTree, AbortInNewPathEndsTheSearch) {
  TFindFile find;
  find.SetDirectory(root.string());
  find.SetFilter("*.3dj");
  find.SetRecurse(true);
  int calls = 0;
  find.OnNewPath = [&](TFindFile&, const std::string&, bool& abort) { abort = ++calls == 2; };
  find.Execute();
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(find.GetAborted());
  EXPECT_EQ(find.GetFiles(), (std::vector<std::string>{base + ".hidden.3dj", base + "A.3DJ", base + "b.3dj"}));
}

TEST(FindFile, EmptyDirectoryFindsNothingButFiresBothEvents) {
  TFindFile find;
  std::vector<std::string> events;
  find.BeforeExecute = [&](TFindFile&) { events.push_back("before"); };
  find.AfterExecute = [&](TFindFile&) { events.push_back("after"); };
  find.OnNewPath = [&](TFindFile&, const std::string&, bool&) { events.push_back("path"); };
  find.Execute();
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
  EXPECT_TRUE(find.GetFiles().empty());
}

TEST(FindFile, MissingFolderFindsNothing) {
  TFindFile find;
  find.SetDirectory("/nonexistent/folder/for/the/test");
  find.SetRecurse(true);
  find.Execute();
  EXPECT_TRUE(find.GetFiles().empty());
}

TEST(FindFile, FilterMatchesIgnoringCase) {
  EXPECT_TRUE(MatchesFileFilter("X.3DJ", "*.3dj"));
  EXPECT_TRUE(MatchesFileFilter("noext", "*.*"));
  EXPECT_TRUE(MatchesFileFilter("a.b", "?.B"));
  EXPECT_FALSE(MatchesFileFilter("x.3db", "*.3dj"));
}

}  // namespace
