// Files replaced whole, and what writers that were killed leave behind.

#include "platform/base/atomic_file.h"

#include "platform/base/exception.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class AtomicFolder : public ScratchFolderTest {
protected:
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      if (IsAtomicTemporaryName(entry.path().filename().string(), "3dclient.ini"))
        names.push_back(entry.path().filename().string());
    return names;
  }
  // A writer of the file killed in the middle of its write, as on a crash:
  // the file size limit stops it with SIGXFSZ.
  void KillAWriter(const std::string& content) {
    auto writeAndDie = [&] {
      std::signal(SIGXFSZ, SIG_DFL);
      rlimit limit{};
      limit.rlim_cur = limit.rlim_max = 1024;
      setrlimit(RLIMIT_FSIZE, &limit);
      WriteFileAtomically(File("3dclient.ini"), content);
      std::exit(0);
    };
    EXPECT_EXIT(writeAndDie(), ::testing::KilledBySignal(SIGXFSZ), "");
  }
};

TEST(AtomicFile, TemporaryNamesAreTheTargetsOwn) {
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {
      {".#3dclient.ini.Ab12Cd", true},  {".#3dclient.ini.000000", true}, {"3dclient.ini.Ab12Cd", false},
      {"3dclient.ini.backup", false},   {".#3dclient.ini.Ab12C", false}, {".#3dclient.ini.Ab12Cd7", false},
      {".#3dclient.ini.Ab-2Cd", false}, {".#3dclient.iniXAb12Cd", false}, {".#other.ini.Ab12Cd", false},
      {"#3dclient.ini.Ab12Cd", false},  {".#3dclient.ini", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsAtomicTemporaryName(c.name, "3dclient.ini"), c.temporary) << c.name;
}

TEST_F(AtomicFolder, AKilledWritersLeftoversGoWithTheNextWriteThatPutsTheFileInPlace) {
  std::ofstream(File("3dclient.ini"), std::ios::binary) << "[s]\nk=old\n";
  const std::string large(4096, 'n');
  for (int kill = 0; kill < 3; ++kill) KillAWriter(large);
  EXPECT_EQ(Read(File("3dclient.ini")), "[s]\nk=old\n");
  ASSERT_EQ(Leftovers().size(), 3u) << "the killed writers left nothing to clear";
  for (const std::string& name : Leftovers()) EXPECT_EQ(fs::file_size(folder / name), 1024u);

  // A write that fails leaves them: nothing is removed before the new file is in place.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit{1024, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(WriteFileAtomically(File("3dclient.ini"), large), EInOutError);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(Leftovers().size(), 3u);

  WriteFileAtomically(File("3dclient.ini"), "[s]\nk=new\n");
  EXPECT_EQ(Read(File("3dclient.ini")), "[s]\nk=new\n");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(AtomicFolder, OnlyTheTargetsUnheldTemporaryFilesOfThisUserAreRemoved) {
  enum Kind { Plain, HeldByALiveWriter, Link, Folder, AnotherUsers };
  struct Case {
    const char* name;
    Kind kind;
    bool removed;
  } cases[] = {
      {".#3dclient.ini.Ab12Cd", Plain, true},
      {".#3dclient.ini.Held01", HeldByALiveWriter, false},
      {".#3dclient.ini.Link01", Link, false},
      {".#3dclient.ini.Fold01", Folder, false},
      {".#3dclient.ini.Other1", AnotherUsers, false},
      {"3dclient.ini.Ab12Cd", Plain, false},  // another program's pattern
      {"3dclient.ini.backup", Plain, false},
      {".#3dclient.ini.Ab12C", Plain, false},
      {".#keys.ini.Ab12Cd", Plain, false},
  };
  std::ofstream(File("linked.txt")) << "kept";
  std::vector<int> held;
  for (const Case& c : cases) {
    const std::string path = File(c.name);
    switch (c.kind) {
      case Plain:
      case AnotherUsers:
        std::ofstream(path) << "left";
        break;
      case HeldByALiveWriter: {
        std::ofstream(path) << "being written";
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        held.push_back(fd);
        break;
      }
      case Link:
        fs::create_symlink(File("linked.txt"), path);
        break;
      case Folder:
        fs::create_directory(path);
        break;
    }
  }
  const bool otherUser = ::chown(File(".#3dclient.ini.Other1").c_str(), 65534, 65534) == 0;

  WriteFileAtomically(File("3dclient.ini"), "[s]\nk=1\n");
  for (const Case& c : cases) {
    if (c.kind == AnotherUsers && !otherUser) continue;  // only root can give a file away
    EXPECT_EQ(!fs::exists(fs::symlink_status(File(c.name))), c.removed) << c.name;
  }
  EXPECT_EQ(Read(File("linked.txt")), "kept");
  EXPECT_EQ(Read(File("3dclient.ini")), "[s]\nk=1\n");
  for (int fd : held) ::close(fd);
}

}  // namespace
