#include "platform/ini/ini_file.h"

#include "platform/base/exception.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class IniFolder : public ScratchFolderTest {
protected:
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
  }
};

IniFile FromText(const std::string& text) {
  IniFile ini;
  ini.SetText(text);
  return ini;
}

}  // namespace

TEST(IniFile, ReadsNamesWithoutCaseAndValuesTrimmedWithOneQuotePairOff) {
  IniFile ini = FromText(
      "top=before any section\n"
      "[3DClient]\r\n"
      "  Speed =  2 \r\n"
      "quoted=\"  padded  \"\n"
      "single=''x''\n"
      "half=\"open\n"
      "mixed=\"a'\n"
      "; commented=1\n"
      "# hashed=1\n"
      "no equals sign here\n"
      "=no key\n"
      "speed=second of its name\n"
      "empty=\n"
      "[ keymapping ] trailing words\n"
      "112=look;north\n"
      "[3dclient]\n"
      "late=in a second section of the same name\n");
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } cases[] = {
      {"3dclient", "speed", "2"},          {"3DCLIENT", "SPEED", "2"},
      {"3dclient", "quoted", "  padded  "}, {"3dclient", "single", "'x'"},
      {"3dclient", "half", "\"open"},      {"3dclient", "mixed", "\"a'"},
      {"3dclient", "empty", ""},           {"keymapping", "112", "look;north"},
      {"3dclient", "; commented", {}},     {"3dclient", "commented", {}},
      {"3dclient", "# hashed", {}},        {"3dclient", "no equals sign here", {}},
      {"3dclient", "", {}},                {"", "top", {}},
      {"3dclient", "late", {}},            {"missing", "speed", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ini.Find(c.section, c.key), c.value) << c.section << " / " << c.key;
  EXPECT_EQ(ini.ReadSection("3dclient"),
            (std::vector<std::string>{"Speed", "quoted", "single", "half", "mixed", "speed", "empty"}));
  EXPECT_TRUE(ini.SectionExists("KEYMAPPING"));
  EXPECT_EQ(ini.ReadString("3dclient", "absent", "dflt"), "dflt");
}

TEST(IniFile, NumbersReadWithAFullStopAndFallBackWhenUnreadable) {
  struct Case {
    const char* text;
    int integer;  // default 7
    double real;  // default 0.25
    bool boolean; // default true
  } cases[] = {
      {"12", 12, 12.0, true},          {"-3", -3, -3.0, true},
      {"+4", 4, 4.0, true},            {"0", 0, 0.0, false},
      {"120.50", 7, 120.5, true},      {"1e3", 7, 1000.0, true},
      {"12,5", 7, 0.25, true},         {"True", 7, 0.25, true},
      {"", 7, 0.25, true},             {"1 2", 7, 0.25, true},
      {"99999999999", 7, 99999999999.0, true},
      {"nan", 7, 0.25, true},          {"inf", 7, 0.25, true},
      {"1e999", 7, 0.25, true},        {"0x10", 0x7, 0.25, true},
  };
  for (const Case& c : cases) {
    IniFile ini = FromText(std::string("[s]\nk=") + c.text + "\n");
    EXPECT_EQ(ini.ReadInteger("s", "k", 7), c.integer) << c.text;
    EXPECT_EQ(ini.ReadFloat("s", "k", 0.25), c.real) << c.text;
    EXPECT_EQ(ini.ReadBool("s", "k", true), c.boolean) << c.text;
  }
  IniFile ini;
  EXPECT_EQ(ini.ReadInteger("s", "k", 7), 7);
  EXPECT_FALSE(ini.ReadBool("s", "k", false));
}

TEST(IniFile, WritesValueFormsThatReadBackAsWritten) {
  IniFile ini;
  ini.WriteBool("s", "on", true);
  ini.WriteBool("s", "off", false);
  ini.WriteInteger("s", "int", -42);
  ini.WriteFloat("s", "whole", 12.0);
  ini.WriteFloat("s", "half", 2.5);
  ini.WriteFloat("s", "tenth", 0.1 + 0.2);
  ini.WriteString("s", "padded", "  a b  ");
  ini.WriteString("s", "quotes", "\"x\"");
  ini.WriteString("s", "lines", "n;\r\ns");
  EXPECT_EQ(ini.GetText(),
            "[s]\non=1\noff=0\nint=-42\nwhole=12\nhalf=2.5\ntenth=0.3\npadded=\"  a b  \"\n"
            "quotes=\"\"x\"\"\nlines=n;  s\n");
  EXPECT_EQ(ini.Find("s", "padded"), "  a b  ");
  EXPECT_EQ(ini.Find("s", "quotes"), "\"x\"");
  EXPECT_THROW(ini.WriteString("s", "a=b", "1"), Exception);
  EXPECT_THROW(ini.WriteString("a]b", "k", "1"), Exception);
}

TEST(IniFile, UpdatesInPlaceAppendsNewKeysToTheirSectionAndErasesSections) {
  IniFile ini = FromText(
      "; my settings\r\n"
      "[3dclient]\r\n"
      "Speed = 1\r\n"
      "unknown=kept\r\n"
      "\r\n"
      "[keymapping]\r\n"
      "112=look\r\n"
      "; a note about keys\r\n"
      "[other]\r\n"
      "z=1");
  ini.WriteString("3DCLIENT", "speed", "3");
  ini.WriteString("3dclient", "time", "12");
  ini.WriteString("other", "y", "2");
  ini.EraseSection("KeyMapping");
  ini.WriteString("keymapping", "113", "north");
  EXPECT_EQ(ini.GetText(),
            "; my settings\r\n"
            "[3dclient]\r\n"
            "Speed = 3\r\n"
            "unknown=kept\r\n"
            "time=12\r\n"
            "\r\n"
            "[other]\r\n"
            "z=1\r\n"
            "y=2\r\n"
            "[keymapping]\r\n"
            "113=north\r\n");
  EXPECT_TRUE(ini.GetModified());
}

TEST(IniFile, WritingTheSameValueChangesNothing) {
  IniFile ini = FromText("[s]\nk = 1\n");
  ini.WriteString("s", "K", "1");
  EXPECT_FALSE(ini.GetModified());
  EXPECT_EQ(ini.GetText(), "[s]\nk = 1\n");
}

TEST_F(IniFolder, NoFileReadsEmptyAndTheFirstWriteMakesItsFolder) {
  IniFile ini(File("new/folder/3dclient.ini"));
  EXPECT_EQ(ini.GetLoadError(), "");
  EXPECT_EQ(ini.ReadString("3dclient", "speed", "1"), "1");
  ini.WriteString("3dclient", "speed", "2");
  ini.UpdateFile();
  EXPECT_EQ(Read(File("new/folder/3dclient.ini")), "[3dclient]\nspeed=2\n");
}

TEST_F(IniFolder, RoundTripKeepsUnknownKeysCommentsOrderAndBytes) {
  const std::string original =
      "\xEF\xBB\xBF; written by hand\n"
      "[Window]\n"
      "theme = dark   ; not a comment but part of the value\n"
      "[3dclient]\n"
      "X=1.00\n"
      "mystery=\"quoted\"\n"
      "odd line\n"
      "y=2.00\n"
      "[keymapping]\n"
      "999=never a key of the table";
  Write(File("3dclient.ini"), original);
  {
    IniFile ini(File("3dclient.ini"));
    ini.WriteString("3dclient", "x", "120.50");
    ini.WriteString("3dclient", "y", "85.00");
    ini.UpdateFile();
  }
  EXPECT_EQ(Read(File("3dclient.ini")),
            "\xEF\xBB\xBF; written by hand\n"
            "[Window]\n"
            "theme = dark   ; not a comment but part of the value\n"
            "[3dclient]\n"
            "X=120.50\n"
            "mystery=\"quoted\"\n"
            "odd line\n"
            "y=85.00\n"
            "[keymapping]\n"
            "999=never a key of the table");
  IniFile again(File("3dclient.ini"));
  EXPECT_EQ(again.Find("window", "theme"), "dark   ; not a comment but part of the value");
  again.UpdateFile();  // unchanged: not rewritten
  EXPECT_EQ(Entries(), std::vector<std::string>{"3dclient.ini"});
}

TEST_F(IniFolder, ACrashBeforeTheRenameLeavesTheOldFileWhole) {
  const std::string old = "[3dclient]\nspeed=1\nx=10.00\n";
  Write(File("3dclient.ini"), old);
  // The writing process dies in the middle of writing the new file, as it
  // would on a crash: the file size limit kills it with SIGXFSZ.
  auto writeAndDie = [this] {
    IniFile ini(File("3dclient.ini"));
    ini.WriteString("3dclient", "speed", std::string(4096, '9'));
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    ini.UpdateFile();
    std::exit(0);
  };
  EXPECT_EXIT(writeAndDie(), ::testing::KilledBySignal(SIGXFSZ), "");
  EXPECT_EQ(Read(File("3dclient.ini")), old);
  IniFile ini(File("3dclient.ini"));
  EXPECT_EQ(ini.ReadString("3dclient", "x", ""), "10.00");
}

TEST_F(IniFolder, AFailedWriteRaisesAndKeepsTheOldFile) {
  const std::string old = "[s]\nk=old\n";
  Write(File("3dclient.ini"), old);
  IniFile ini(File("3dclient.ini"));
  ini.WriteString("s", "k", std::string(4096, 'n'));
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit{1024, saved.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(ini.UpdateFile(), EInOutError);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(Read(File("3dclient.ini")), old);
  EXPECT_EQ(Entries(), std::vector<std::string>{"3dclient.ini"}) << "temporary file left behind";
  EXPECT_TRUE(ini.GetModified());
}

TEST_F(IniFolder, DamagedFilesReadWithoutACrashAndForeignOnesAreNeverRewritten) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  binary += "\n[3dclient]\nspeed=4\n";
  Write(File("binary.ini"), binary);
  IniFile fromBinary(File("binary.ini"));
  EXPECT_EQ(fromBinary.GetLoadError(), "");
  EXPECT_EQ(fromBinary.ReadString("3dclient", "speed", "1"), "4");
  EXPECT_EQ(fromBinary.GetText(), binary);

  std::string noEquals;
  for (int i = 0; i < 10000; ++i) noEquals += "[3dclient\nline without an equals sign " + std::to_string(i) + "\n";
  Write(File("noequals.ini"), noEquals);
  IniFile fromNoEquals(File("noequals.ini"));
  EXPECT_EQ(fromNoEquals.ReadString("3dclient", "speed", "1"), "1");

  const std::string huge(IniFile::kMaxFileSize + 1, '[');
  Write(File("huge.ini"), huge);
  IniFile fromHuge(File("huge.ini"));
  EXPECT_NE(fromHuge.GetLoadError(), "");
  EXPECT_EQ(fromHuge.ReadInteger("3dclient", "speed", 1), 1);
  fromHuge.WriteString("3dclient", "speed", "2");
  EXPECT_THROW(fromHuge.UpdateFile(), EInOutError);
  EXPECT_EQ(fs::file_size(File("huge.ini")), huge.size());

  fs::create_directory(File("folder.ini"));
  IniFile fromFolder(File("folder.ini"));
  EXPECT_NE(fromFolder.GetLoadError(), "");
  EXPECT_TRUE(fs::is_directory(File("folder.ini")));

  ASSERT_EQ(::mkfifo(File("pipe.ini").c_str(), 0600), 0);
  IniFile fromPipe(File("pipe.ini"));  // returns at once: a pipe is not read
  EXPECT_NE(fromPipe.GetLoadError(), "");
}

TEST_F(IniFolder, TheReplacedFileKeepsItsPermissions) {
  // Modes a user may give the file, none of them what a new file gets.
  for (const fs::perms mode : {fs::perms(0600), fs::perms(0640), fs::perms(0664)}) {
    SCOPED_TRACE(std::to_string(static_cast<int>(mode)) + " (decimal)");
    Write(File("3dclient.ini"), "[s]\nk=1\n");
    fs::permissions(File("3dclient.ini"), mode);
    IniFile ini(File("3dclient.ini"));
    ini.WriteString("s", "k", "2");
    ini.UpdateFile();
    EXPECT_EQ(Read(File("3dclient.ini")), "[s]\nk=2\n");
    EXPECT_EQ(static_cast<int>(fs::status(File("3dclient.ini")).permissions()), static_cast<int>(mode));
  }
}

TEST_F(IniFolder, ALinkedSettingsFileStaysALink) {
  Write(File("real.ini"), "[s]\nk=1\n");
  fs::create_symlink(File("real.ini"), File("3dclient.ini"));
  IniFile ini(File("3dclient.ini"));
  ini.WriteString("s", "k", "2");
  ini.UpdateFile();
  EXPECT_TRUE(fs::is_symlink(File("3dclient.ini")));
  EXPECT_EQ(Read(File("real.ini")), "[s]\nk=2\n");
}

TEST(IniFile, ConfigFolderFollowsXdgThenHome) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* folder;
  } cases[] = {
      {"/x/config", "/home/u", "/x/config/3dclient"},
      {nullptr, "/home/u", "/home/u/.config/3dclient"},
      {"relative", "/home/u", "/home/u/.config/3dclient"},
      {nullptr, nullptr, ""},
  };
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const char* savedHome = std::getenv("HOME");
  std::string xdg = savedXdg ? savedXdg : "", home = savedHome ? savedHome : "";
  for (const Case& c : cases) {
    c.xdg ? setenv("XDG_CONFIG_HOME", c.xdg, 1) : unsetenv("XDG_CONFIG_HOME");
    c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
    EXPECT_EQ(UserConfigFolder("3dclient"), c.folder);
  }
  savedXdg ? setenv("XDG_CONFIG_HOME", xdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}
