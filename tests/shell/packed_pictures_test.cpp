// The first-run conversion of packed pictures: each ".3dj" becomes its
// ".3db" (the same filler, then a BMP), the original goes only once its
// replacement is complete, and the marker goes last.
#include "shell/core/packed_pictures.h"

#include "client/texture_loading.h"
#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"
#include "imaging/linear_bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

class PackedPictures : public ::testing::Test {
protected:
  void SetUp() override {
    StartImageLibrary();
    // The JPEG 2000 codec is the program folder's plug-in, as in the client.
    ImageDLLLoader().ScanCodecDLLs(std::string(CLIENT_PROGRAM_DIR) + "/");
    ASSERT_GT(ImageDLLLoader().GetLibraryCount(), 0u) << "the JPEG 2000 plug-in is not in the program folder";
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::path(CLIENT_TEST_OUTPUT_DIR) / "packed_pictures" / test->name();
    fs::remove_all(folder);
    fs::create_directories(folder / "textures");
  }

  // A 6 x 4 picture of distinct colours, packed as a world's ".3dj": the
  // name's filler, then the picture as JPEG 2000 (lossless).
  Bitmap MakePacked(const fs::path& file) {
    TLinearBitmap picture;
    picture.Allocate(6, 4, pf24bit);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 18; ++x) picture.ScanLine(y)[x] = static_cast<std::uint8_t>(10 * y + x);
    const fs::path jp2 = folder / "source.jp2";
    picture.SaveToFile(jp2.string());
    WriteBytes(file, std::string(FileNameOffset(file.string()), 'x') + ReadBytes(jp2));
    fs::remove(jp2);
    Bitmap bitmap;
    picture.AssignTo(bitmap);
    return bitmap;
  }

  fs::path folder;
};

TEST_F(PackedPictures, EachPackedPictureBecomesItsBmpForm) {
  WriteBytes(folder / "firsttime.txt", "");
  const Bitmap wall = MakePacked(folder / "textures" / "wall.3dj");
  const Bitmap roof = MakePacked(folder / "ROOF.3DJ");

  const PackedPictureReport report = UnpackFirstRunPictures(folder.string() + "/");
  EXPECT_EQ(report.converted, 2);
  EXPECT_TRUE(report.failures.empty()) << report.failures.front();
  EXPECT_FALSE(fs::exists(folder / "firsttime.txt"));
  EXPECT_FALSE(fs::exists(folder / "textures" / "wall.3dj"));
  EXPECT_FALSE(fs::exists(folder / "ROOF.3DJ"));

  // The filler is the name's byte sum ("wall" 432), then a whole BMP file.
  const std::string packed = ReadBytes(folder / "textures" / "wall.3db");
  ASSERT_GT(packed.size(), 434u);
  EXPECT_EQ(packed.substr(432, 2), "BM");
  bool resized = true;
  EXPECT_EQ(LoadTextureBitmap((folder / "textures" / "wall.3db").string(), 0, false, resized), wall);
  EXPECT_EQ(LoadTextureBitmap((folder / "ROOF.3db").string(), 0, false, resized), roof);
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
    EXPECT_EQ(entry.path().filename().string().rfind("io3dx", 0), std::string::npos) << "scratch left behind";
}

TEST_F(PackedPictures, WithoutTheMarkerNothingIsTouched) {
  MakePacked(folder / "a.3dj");
  const std::string before = ReadBytes(folder / "a.3dj");
  EXPECT_EQ(UnpackFirstRunPictures(folder.string() + "/").converted, 0);
  EXPECT_EQ(ReadBytes(folder / "a.3dj"), before);
  EXPECT_FALSE(fs::exists(folder / "a.3db"));
}

TEST_F(PackedPictures, AnInterruptedRunLosesNothingAndRunsAgain) {
  WriteBytes(folder / "firsttime.txt", "");
  MakePacked(folder / "a.3dj");
  MakePacked(folder / "b.3dj");
  MakePacked(folder / "c.3dj");
  // The second picture cannot be written (its name is taken by a folder),
  // as if the run stopped there; the third is broken.
  fs::create_directory(folder / "b.3db");
  const std::string b = ReadBytes(folder / "b.3dj");
  WriteBytes(folder / "c.3dj", std::string(FileNameOffset("c.3dj"), 'x') + "not a picture");

  PackedPictureReport report = UnpackFirstRunPictures(folder.string() + "/");
  EXPECT_EQ(report.converted, 1);
  EXPECT_EQ(report.failures.size(), 2u);
  EXPECT_TRUE(fs::exists(folder / "a.3db"));
  EXPECT_FALSE(fs::exists(folder / "a.3dj"));
  EXPECT_EQ(ReadBytes(folder / "b.3dj"), b) << "kept whole until its replacement is complete";
  EXPECT_TRUE(fs::exists(folder / "c.3dj"));
  EXPECT_FALSE(fs::exists(folder / "c.3db"));
  EXPECT_TRUE(fs::exists(folder / "firsttime.txt")) << "the conversion is tried again on the next start";
  for (const auto& entry : fs::directory_iterator(folder))
    EXPECT_EQ(entry.path().filename().string().find(".3db."), std::string::npos) << "no half-written file";

  fs::remove(folder / "b.3db");
  report = UnpackFirstRunPictures(folder.string() + "/");
  EXPECT_EQ(report.converted, 1);
  EXPECT_TRUE(fs::exists(folder / "b.3db"));
  EXPECT_FALSE(fs::exists(folder / "b.3dj"));
}

}  // namespace
