#include "engine/streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/application_file_io.h"
#include "engine/engine_errors.h"

namespace {
std::string OutputFile(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(CLIENT_TEST_OUTPUT_DIR) / "streams";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}
}  // namespace

TEST(Streams, MemoryStreamSeeksReadsAndGrowsOnWrite) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.GetSize(), 6);
  EXPECT_EQ(s.GetPosition(), 6);
  s.SetPosition(2);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 4u);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(s.Read(buf, 1), 0u);
  EXPECT_EQ(s.Seek(-1, TSeekOrigin::soEnd), 5);
  EXPECT_EQ(s.Remaining(), 1);
  s.Seek(-100, TSeekOrigin::soCurrent);
  EXPECT_EQ(s.GetPosition(), 0);
  EXPECT_THROW(s.ReadBuffer(buf, 7), EStreamError);
  TStringStream t("xyz");
  EXPECT_EQ(t.DataString(), "xyz");
}

TEST(Streams, FileStreamCreatesOpensAndReportsMissingFiles) {
  const std::string name = OutputFile("f.bin");
  {
    TFileStream out(name, fmCreate);
    out.WriteBuffer("12345", 5);
    EXPECT_EQ(out.GetSize(), 5);
  }
  {
    TFileStream in(name, fmOpenRead | fmShareDenyNone);
    char buf[5];
    in.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "12345");
    EXPECT_EQ(in.Remaining(), 0);
    EXPECT_THROW(in.WriteBuffer("x", 1), EStreamError);  // opened for reading only
  }
  {
    TFileStream rw(name, fmOpenReadWrite);
    rw.SetPosition(1);
    rw.WriteBuffer("Z", 1);
  }
  TFileStream again(name, fmOpenRead);
  char buf[2];
  again.ReadBuffer(buf, 2);
  EXPECT_EQ(buf[1], 'Z');
  try {
    TFileStream missing(OutputFile("none/x.bin"), fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + OutputFile("none/x.bin") + "\"");
  }
  EXPECT_THROW(TFileStream(OutputFile("none/x.bin"), fmCreate), EFOpenError);
}

TEST(Streams, FactoryPassesTheFileOnWhenAHookGivesNoStream) {
  const std::string name = OutputFile("factory.bin");
  { TFileStream out(name, fmCreate); }
  int calls = 0;
  AFIOCreateFileStreamHook() = [&](const std::string&, uint16_t) -> std::unique_ptr<TStream> {
    ++calls;
    return nullptr;
  };
  const std::unique_ptr<TStream> s = CreateFileStream(name);
  AFIOCreateFileStreamHook() = nullptr;
  EXPECT_EQ(calls, 1);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->Is<TFileStream>());
  EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(ExtractFileName("c.txt"), "c.txt");
}
