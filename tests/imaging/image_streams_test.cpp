#include "imaging/image_streams.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/dynamic_list.h"
#include "tests/imaging/imaging_test_support.h"

using namespace imaging;

namespace {

std::vector<std::uint8_t> Ten() { return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}; }

// A source whose Available claims bytes that Read never delivers.
class LyingStream : public TBaseStream {
public:
  LyingStream() { FCanRead = true; }
  std::int64_t Available() override { return 100; }
  std::int32_t Read(void*, std::int32_t) override { return 0; }
};

class MemorySink : public TBaseStream {
public:
  MemorySink() { FCanWrite = true; }
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    Bytes.insert(Bytes.end(), p, p + count);
    return count;
  }
  std::vector<std::uint8_t> Bytes;
};

}  // namespace

TEST(ImageFileStream, OpenWithoutReadOrWriteRaises) {
  try {
    TFileStream stream("/nonexistent", fmCreate);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Either read, write or full access must be specified in call to CreateFile");
  }
}

TEST(ImageFileStream, OpenMissingFileNamesItAndTheSystemError) {
  ScratchFolder folder;
  const std::string name = folder.File("missing.bin");
  try {
    TFileStream stream(name, fmRead);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Error opening \"" + name + "\" - " + std::strerror(ENOENT));
  }
}

TEST(ImageFileStream, WriteSeekTruncateAndStrictShortRead) {
  ScratchFolder folder;
  const std::string name = folder.File("data.bin");
  TFileStream stream(name, fmRead | fmWrite | fmCreate);
  const auto ten = Ten();
  EXPECT_EQ(stream.Write(ten.data(), 10), 10);
  EXPECT_EQ(stream.GetSize(), 10);
  stream.SetPosition(4);
  EXPECT_EQ(stream.Available(), 6);
  stream.Truncate();
  EXPECT_EQ(stream.GetSize(), 4);
  stream.SetPosition(0);
  std::uint8_t buffer[8] = {};
  EXPECT_THROW(stream.Read(buffer, 8), EInOutError);
  stream.SetPosition(0);
  stream.SetStrict(false);
  EXPECT_EQ(stream.Read(buffer, 8), 4);
  EXPECT_EQ(buffer[3], 3);
  EXPECT_TRUE(stream.Eof());
}

TEST(ImageFileStream, CloseAndDeleteRemovesTheFile) {
  ScratchFolder folder;
  const std::string name = folder.File("gone.bin");
  TFileStream stream(name, fmWrite | fmCreate);
  stream.CloseAndDelete();
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(ImageBufferedStream, ReadOfSixteenFromTenByteFileGivesTenOrRaisesWhenStrict) {
  ScratchFolder folder;
  const std::string name = folder.File("ten.bin");
  WriteBytes(name, Ten());
  for (bool strict : {false, true}) {
    TFileStream file(name, fmRead);
    TBufferedStream buffered(-1, 0, &file);
    buffered.SetStrict(strict);
    std::uint8_t buffer[16] = {};
    if (strict) {
      try {
        buffered.Read(buffer, 16);
        FAIL();
      } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "Read less than expected");
      }
    } else {
      EXPECT_EQ(buffered.Read(buffer, 16), 10);
      EXPECT_EQ(buffer[9], 9);
    }
  }
}

TEST(ImageBufferedStream, ReadsSpanningTheBufferKeepOrder) {
  ScratchFolder folder;
  const std::string name = folder.File("ten.bin");
  WriteBytes(name, Ten());
  TFileStream file(name, fmRead);
  TBufferedStream buffered(4, 0, &file);
  EXPECT_FALSE(file.GetStrict()) << "the buffer switches the next stream's strictness off";
  std::uint8_t a[3], b[5], c[2];
  EXPECT_EQ(buffered.Read(a, 3), 3);
  EXPECT_EQ(buffered.Available(), 7);
  EXPECT_EQ(buffered.Read(b, 5), 5);  // 1 buffered + a large direct read
  EXPECT_EQ(buffered.Read(c, 2), 2);
  EXPECT_EQ(a[0], 0);
  EXPECT_EQ(b[0], 3);
  EXPECT_EQ(b[4], 7);
  EXPECT_EQ(c[1], 9);
  EXPECT_TRUE(buffered.Eof());
}

TEST(ImageBufferedStream, DestroyRestoresTheNextStreamsStrictness) {
  ScratchFolder folder;
  const std::string name = folder.File("ten.bin");
  WriteBytes(name, Ten());
  TFileStream file(name, fmRead);
  { TBufferedStream buffered(8, 0, &file); }
  EXPECT_TRUE(file.GetStrict());
}

TEST(ImageBufferedStream, BufferSizeOfOneRaises) {
  MemorySink sink;
  sink.SetStrict(false);
  try {
    TBufferedStream buffered(0, 1, &sink);
    FAIL();
  } catch (const EStreamCreate& e) {
    EXPECT_EQ(e.Message(), "Invalid buffer size");
  }
  // A side the next stream cannot do is not buffered, whatever its size.
  EXPECT_NO_THROW(TBufferedStream(1, 0, &sink));
}

TEST(ImageBufferedStream, WritesThroughSmallBufferArriveInOrder) {
  MemorySink sink;
  std::vector<std::uint8_t> expected;
  {
    TBufferedStream buffered(0, 2, &sink);
    for (std::uint8_t i = 0; i < 7; ++i) {
      const std::uint8_t run[3] = {i, std::uint8_t(i + 100), std::uint8_t(i + 200)};
      buffered.Write(run, i % 3 + 1);
      expected.insert(expected.end(), run, run + i % 3 + 1);
    }
  }
  EXPECT_EQ(sink.Bytes, expected);
}

TEST(ImageBufferedFile, WrittenFileReadsBack) {
  ScratchFolder folder;
  const std::string name = folder.File("buffered.bin");
  std::vector<std::uint8_t> data(200000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 13);
  {
    auto out = OpenBufferedFile(name, true);
    out->Write(data.data(), std::int32_t(data.size()));
    out->Flush();
    FreeFilterChain(std::move(out));
  }
  auto in = OpenBufferedFile(name, false);
  std::vector<std::uint8_t> back(data.size());
  EXPECT_EQ(in->Read(back.data(), std::int32_t(back.size())), std::int32_t(back.size()));
  EXPECT_EQ(back, data);
}

TEST(ImageStreamCopyFrom, StopsOnAReadThatDeliversNothing) {
  LyingStream source;
  MemorySink sink;
  sink.CopyFrom(source);  // would spin forever if only Eof ended the copy
  EXPECT_TRUE(sink.Bytes.empty());
  EXPECT_TRUE(source.GetStrict()) << "strictness restored";
}

TEST(ImageCopyStreamCount, CopiesAtMostCountAndStopsAtEnd) {
  ScratchFolder folder;
  const std::string name = folder.File("ten.bin");
  WriteBytes(name, Ten());
  TFileStream file(name, fmRead);
  file.SetStrict(false);
  MemorySink sink;
  EXPECT_EQ(CopyStreamCount(file, &sink, 4), 4);
  EXPECT_EQ(CopyStreamCount(file, nullptr, 100), 6);
  EXPECT_EQ(sink.Bytes, (std::vector<std::uint8_t>{0, 1, 2, 3}));
}
