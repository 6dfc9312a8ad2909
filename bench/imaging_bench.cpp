// Decoding a 1024 x 1024 JPEG and a 1024 x 1024 JPEG 2000 picture through
// the loader registry, against libjpeg's and OpenJPEG's own decode of the
// same files in the same run: the difference is the cost of our layers
// (file stream, container copy, plane interleave).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>

#include "imaging/bitmap_loaders.h"
#include "imaging/image_dll_loader.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/linear_bitmap.h"

namespace {

constexpr int kSide = 1024;

// A picture with smooth areas and some texture, like a world map picture.
TLinearBitmap MakePicture() {
  TLinearBitmap picture;
  picture.Allocate(kSide, kSide, pf24bit);
  std::uint32_t noise = 12345;
  for (int y = 0; y < kSide; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < kSide; ++x) {
      noise = noise * 1103515245u + 12345u;
      const int n = int(noise >> 28);
      row[3 * x] = std::uint8_t((x / 4 + n) & 0xFF);
      row[3 * x + 1] = std::uint8_t(((x + y) / 8 + n) & 0xFF);
      row[3 * x + 2] = std::uint8_t((y / 4 + n) & 0xFF);
    }
  }
  return picture;
}

struct Fixture {
  std::string folder;
  std::string jpeg;
  std::string jp2;
  Fixture() {
    StartImageLibrary();
    // The plug-ins live in the build's program folder, beside this folder.
    const char* override = std::getenv("IMAGING_BENCH_PLUGINS");
    ImageDLLLoader().ScanCodecDLLs(override ? override : LibraryProgramFolder() + "../program");
    folder = (std::filesystem::temp_directory_path() / "imaging_bench").string();
    std::filesystem::create_directories(folder);
    const TLinearBitmap picture = MakePicture();
    jpeg = folder + "/picture.jpg";
    jp2 = folder + "/picture.jp2";
    picture.SaveToFile(jpeg);
    picture.SaveToFile(jp2);
  }
  ~Fixture() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

Fixture& Files() {
  static Fixture fixture;
  return fixture;
}

std::vector<unsigned char> ReadFile(const std::string& name) {
  std::vector<unsigned char> bytes(std::filesystem::file_size(name));
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file) {
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  }
  return bytes;
}

void JpegThroughRegistry(benchmark::State& state) {
  const std::string name = Files().jpeg;
  for (auto _ : state) {
    TLinearBitmap picture;
    picture.LoadFromFile(name);
    benchmark::DoNotOptimize(picture.Map.get());
  }
}

void JpegLibjpegOwnDecode(benchmark::State& state) {
  const std::string name = Files().jpeg;
  for (auto _ : state) {
    const std::vector<unsigned char> bytes = ReadFile(name);
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    std::vector<unsigned char> pixels(std::size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.data() + std::size_t(info.output_scanline) * info.output_width * 3;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void Jpeg2000ThroughRegistry(benchmark::State& state) {
  const std::string name = Files().jp2;
  for (auto _ : state) {
    TLinearBitmap picture;
    picture.LoadFromFile(name);
    benchmark::DoNotOptimize(picture.Map.get());
  }
}

void Jpeg2000OpenJpegOwnDecode(benchmark::State& state) {
  const std::string name = Files().jp2;
  for (auto _ : state) {
    opj_stream_t* stream = opj_stream_create_default_file_stream(name.c_str(), OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_setup_decoder(codec, &parameters);
    opj_image_t* image = nullptr;
    if (!opj_read_header(stream, codec, &image) || !opj_decode(codec, stream, image) ||
        !opj_end_decompress(codec, stream)) {
      state.SkipWithError("OpenJPEG could not decode the picture");
    }
    benchmark::DoNotOptimize(image);
    opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
  }
}

}  // namespace

BENCHMARK(JpegThroughRegistry)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegLibjpegOwnDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(Jpeg2000ThroughRegistry)->Unit(benchmark::kMillisecond);
BENCHMARK(Jpeg2000OpenJpegOwnDecode)->Unit(benchmark::kMillisecond);
