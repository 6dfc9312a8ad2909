// Codestreams in layouts our plug-in never writes, made here with OpenJPEG
// itself, read through the plug-in: precision, signed samples, subsampled
// components and extra components are all brought to 8-bit pictures.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <openjpeg.h>

#include "imaging/image_dll_loader.h"
#include "imaging/linear_bitmap.h"
#include "tests/imaging/imaging_test_support.h"

namespace {

struct Component {
  OPJ_UINT32 prec = 8;
  bool sgnd = false;
  OPJ_UINT32 dx = 1, dy = 1;
  std::function<int(int x, int y)> value;  // in component coordinates
};

bool WriteCodestream(const std::string& file, int width, int height, const std::vector<Component>& parts,
                     OPJ_COLOR_SPACE space) {
  std::vector<opj_image_cmptparm_t> parameters(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    opj_image_cmptparm_t& p = parameters[i];
    std::memset(&p, 0, sizeof p);
    p.dx = parts[i].dx;
    p.dy = parts[i].dy;
    p.w = (OPJ_UINT32(width) + p.dx - 1) / p.dx;
    p.h = (OPJ_UINT32(height) + p.dy - 1) / p.dy;
    p.prec = parts[i].prec;
    p.sgnd = parts[i].sgnd;
  }
  opj_image_t* image = opj_image_create(OPJ_UINT32(parts.size()), parameters.data(), space);
  if (!image) return false;
  image->x1 = OPJ_UINT32(width);
  image->y1 = OPJ_UINT32(height);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const opj_image_comp_t& c = image->comps[i];
    for (OPJ_UINT32 y = 0; y < c.h; ++y)
      for (OPJ_UINT32 x = 0; x < c.w; ++x) c.data[y * c.w + x] = parts[i].value(int(x), int(y));
  }
  opj_cparameters_t settings;
  opj_set_default_encoder_parameters(&settings);
  settings.tcp_numlayers = 1;
  settings.tcp_rates[0] = 0;
  settings.cp_disto_alloc = 1;
  settings.numresolution = 2;
  opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
  bool ok = opj_setup_encoder(codec, &settings, image);
  opj_stream_t* stream = ok ? opj_stream_create_default_file_stream(file.c_str(), OPJ_FALSE) : nullptr;
  ok = stream && opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
       opj_end_compress(codec, stream);
  if (stream) opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  return ok;
}

class Jpeg2000LayoutFixture : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy_file(JPEG2000_CODEC, FPlugins.File("jpeg2000.so"));
    ASSERT_TRUE(FLoader.ScanCodecDLLs(FPlugins.Path()));
  }
  TLinearBitmap Load(int width, int height, const std::vector<Component>& parts,
                     OPJ_COLOR_SPACE space = OPJ_CLRSPC_SRGB) {
    const std::string name = FFiles.File("layout.j2k");
    EXPECT_TRUE(WriteCodestream(name, width, height, parts, space));
    TLinearBitmap picture;
    FLoader.LoadFromFile(name, "J2K", picture);
    return picture;
  }
  ScratchFolder FPlugins;
  ScratchFolder FFiles;
  TImageDLLLoader FLoader;
};

}  // namespace

TEST_F(Jpeg2000LayoutFixture, GreyPrecisionsAndSignedSamplesBecome8Bit) {
  struct Case {
    OPJ_UINT32 prec;
    bool sgnd;
    int sample;
    std::uint8_t expected;
  } cases[] = {
      {12, false, 0xABC, 0xAB},  // high bits kept
      {16, false, 0xFFFF, 0xFF},
      {4, false, 15, 255},       // stretched to the full range
      {4, false, 5, 85},
      {1, false, 1, 255},
      {8, true, -128, 0},        // signed samples shifted to unsigned
      {8, true, 127, 255},
      {8, true, 0, 128},
  };
  for (const Case& c : cases) {
    Component grey;
    grey.prec = c.prec;
    grey.sgnd = c.sgnd;
    grey.value = [&](int, int) { return c.sample; };
    const TLinearBitmap picture = Load(3, 2, {grey}, OPJ_CLRSPC_GRAY);
    ASSERT_EQ(picture.PixelFormat, pf8bit);
    EXPECT_EQ(Pixels(picture), std::vector<std::uint8_t>(6, c.expected)) << c.prec << (c.sgnd ? " signed" : "");
  }
}

TEST_F(Jpeg2000LayoutFixture, SubsampledComponentsAreSpreadOverThePicture) {
  Component red, green, blue;
  red.value = [](int x, int y) { return x * 10 + y; };
  green.dx = green.dy = 2;
  green.value = [](int x, int y) { return 100 + x * 10 + y; };
  blue.dx = 2;
  blue.value = [](int x, int y) { return 200 + x * 10 + y; };
  const TLinearBitmap picture = Load(5, 3, {red, green, blue});
  ASSERT_EQ(picture.PixelFormat, pf24bit);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* p = picture.ScanLine(y) + 3 * x;
      EXPECT_EQ(p[2], x * 10 + y);
      EXPECT_EQ(p[1], 100 + (x / 2) * 10 + y / 2);
      EXPECT_EQ(p[0], 200 + (x / 2) * 10 + y);
    }
  }
}

TEST_F(Jpeg2000LayoutFixture, AlphaIsDroppedAndTooManyComponentsAreRefused) {
  Component plain;
  plain.value = [](int x, int y) { return 40 + x + y; };
  const TLinearBitmap rgba = Load(2, 2, {plain, plain, plain, plain});
  EXPECT_EQ(rgba.PixelFormat, pf24bit);
  EXPECT_EQ(rgba.ScanLine(1)[3 * 1], 42);
  const TLinearBitmap greyAlpha = Load(2, 2, {plain, plain}, OPJ_CLRSPC_GRAY);
  EXPECT_EQ(greyAlpha.PixelFormat, pf8bit);
  try {
    Load(2, 2, {plain, plain, plain, plain, plain});
    FAIL();
  } catch (const ELinearBitmap& e) {
    EXPECT_EQ(e.Message(), "Error in bitmap data");
  }
}
