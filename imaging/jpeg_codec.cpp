#include "imaging/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/bmp_codec.h"
#include "imaging/linear_bitmap.h"
#include "imaging/picture_rows.h"

using namespace imaging;

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the decode call's frame, which holds no C++ object made
// after the jump point, and the caller turns the message into an exception.
struct JpegErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

extern "C" void JpegEmitMessage(j_common_ptr info, int level) {
  // A picture whose data ends early would otherwise decode with grey filler
  // rows; it is refused like any other broken picture.
  if (level < 0 && (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER)) {
    JpegErrorExit(info);
  }
}

extern "C" void JpegSilentOutput(j_common_ptr) {}

void InstallErrors(JpegErrorManager& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegErrorExit;
  errors.manager.emit_message = JpegEmitMessage;
  errors.manager.output_message = JpegSilentOutput;
  errors.message[0] = '\0';
}

struct Decoder {
  jpeg_decompress_struct info{};
  JpegErrorManager errors{};
  bool created = false;
  ~Decoder() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

struct Encoder {
  jpeg_compress_struct info{};
  JpegErrorManager errors{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;
  ~Encoder() {
    if (created) jpeg_destroy_compress(&info);
    std::free(buffer);
  }
};

// The smallest of libjpeg's scales N/8 (N = 1..8) whose output is at least
// the size asked for.
int ScaleNumerator(JDIMENSION width, JDIMENSION height, const TPictureExtent& wanted) {
  for (int n = 1; n < 8; ++n) {
    const auto scaled = [n](JDIMENSION side) { return (std::int64_t(side) * n + 7) / 8; };
    if (scaled(width) >= wanted.Width && scaled(height) >= wanted.Height) return n;
  }
  return 8;
}

// Returns false with the message in decoder.errors when libjpeg fails, or
// with the receiver's failure in refused. The row buffer lives in the
// caller's frame: a jump back here must not skip a destructor.
bool RunDecode(Decoder& d, const std::uint8_t* data, std::size_t size, TPictureRows& rows,
               std::vector<std::uint8_t>& line, std::exception_ptr& refused) {
  InstallErrors(d.errors);
  d.info.err = &d.errors.manager;
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&d.info);
  d.created = true;
  jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d.info, TRUE);
  const bool grey = d.info.jpeg_color_space == JCS_GRAYSCALE;
  if (!grey && d.info.num_components != 3) {
    // CMYK and other layouts: libjpeg-turbo cannot turn them into BGR.
    std::strcpy(d.errors.message, "Unsupported pixel format");
    return false;
  }
  d.info.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  const std::int64_t pixels = std::int64_t(d.info.image_width) * d.info.image_height;
  if (pixels > kMaxJpegPixels) {
    std::strcpy(d.errors.message, "Invalid bitmap size");
    return false;
  }
  // Every 8 x 8 block costs at least one bit of entropy-coded data, so a
  // picture this much larger than its file must run out of data; it is
  // refused before its buffers are made.
  if (pixels > std::int64_t(size) * 1024 + 65536) {
    std::strcpy(d.errors.message, "the data ends before the picture");
    return false;
  }
  // The receiver's calls may raise; nothing of C++ may unwind through
  // libjpeg's frames, so they are caught here and the decode abandoned.
  try {
    const TPictureExtent wanted = rows.Declared(std::int32_t(d.info.image_width), std::int32_t(d.info.image_height));
    d.info.scale_num = JDIMENSION(ScaleNumerator(d.info.image_width, d.info.image_height, wanted));
    d.info.scale_denom = 8;
  } catch (...) {
    refused = std::current_exception();
    return false;
  }
  jpeg_start_decompress(&d.info);
  try {
    rows.Begin(std::int32_t(d.info.output_width), std::int32_t(d.info.output_height), grey ? pf8bit : pf24bit,
               GreyPalette().data());
    line.resize(std::size_t(d.info.output_width) * (grey ? 1 : 3));
  } catch (...) {
    refused = std::current_exception();
    return false;
  }
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW row = rows.NextRowStorage();
    if (!row) row = line.data();
    jpeg_read_scanlines(&d.info, &row, 1);
    try {
      rows.Row(row);
    } catch (...) {
      refused = std::current_exception();
      return false;
    }
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

bool RunEncode(Encoder& e, const TLinearBitmap& picture, const std::vector<std::uint8_t>& bgr, bool grey,
               int quality) {
  InstallErrors(e.errors);
  e.info.err = &e.errors.manager;
  if (setjmp(e.errors.jump)) return false;
  jpeg_create_compress(&e.info);
  e.created = true;
  jpeg_mem_dest(&e.info, &e.buffer, &e.size);
  e.info.image_width = JDIMENSION(picture.Width);
  e.info.image_height = JDIMENSION(picture.Height);
  e.info.input_components = grey ? 1 : 3;
  e.info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&e.info);
  jpeg_set_quality(&e.info, quality, TRUE);
  jpeg_start_compress(&e.info, TRUE);
  const std::size_t stride = std::size_t(picture.Width) * (grey ? 1 : 3);
  while (e.info.next_scanline < e.info.image_height) {
    const std::uint8_t* source = bgr.empty() ? picture.ScanLine(std::int32_t(e.info.next_scanline))
                                             : bgr.data() + stride * e.info.next_scanline;
    JSAMPROW row = const_cast<JSAMPROW>(source);
    jpeg_write_scanlines(&e.info, &row, 1);
  }
  jpeg_finish_compress(&e.info);
  return true;
}

}  // namespace

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TPictureRows& rows) {
  std::exception_ptr refused;
  std::vector<std::uint8_t> line;
  Decoder decoder;
  if (RunDecode(decoder, data, size, rows, line, refused)) return;
  if (refused) std::rethrow_exception(refused);
  const std::string text = decoder.errors.message;
  if (text == "Unsupported pixel format" || text == "Invalid bitmap size") throw ELinearBitmap(text);
  throw ELinearBitmap("Error in JPEG data: " + text);
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TLinearBitmap& bitmap) {
  TWholePicture whole;
  DecodeJpeg(data, size, whole);
  bitmap = std::move(whole.Picture);
}

std::vector<std::uint8_t> EncodeJpeg(const TLinearBitmap& bitmap, int quality) {
  if (!bitmap.Present) throw ELinearBitmap("Invalid bitmap size");
  std::vector<std::uint8_t> converted;
  bool grey = false;
  if (bitmap.PixelFormat == pf8bit) {
    grey = std::memcmp(bitmap.Palette.get(), GreyPalette().data(), 768) == 0;
    if (!grey) {
      converted.resize(std::size_t(bitmap.Width) * bitmap.Height * 3);
      for (std::int64_t i = 0; i < std::int64_t(bitmap.Width) * bitmap.Height; ++i) {
        std::memcpy(&converted[std::size_t(i) * 3], bitmap.Palette.get() + 3 * bitmap.Map[std::size_t(i)], 3);
      }
    }
  } else if (bitmap.PixelFormat == pf32bit) {
    converted.resize(std::size_t(bitmap.Width) * bitmap.Height * 3);
    for (std::int64_t i = 0; i < std::int64_t(bitmap.Width) * bitmap.Height; ++i) {
      std::memcpy(&converted[std::size_t(i) * 3], &bitmap.Map[std::size_t(i) * 4], 3);
    }
  } else if (bitmap.PixelFormat != pf24bit) {
    throw ELinearBitmap("Unsupported pixel format");
  }
  Encoder encoder;
  if (!RunEncode(encoder, bitmap, converted, grey, quality)) {
    throw ELinearBitmap(std::string("Error encoding image: ") + encoder.errors.message);
  }
  return std::vector<std::uint8_t>(encoder.buffer, encoder.buffer + encoder.size);
}

void TJpegLoader::LoadFromStream(TBaseStream& stream, const std::string&, TLinearBitmap& bitmap) {
  const std::vector<std::uint8_t> bytes = ReadWholeStream(stream, kMaxStreamPictureBytes);
  DecodeJpeg(bytes.data(), bytes.size(), bitmap);
}

void TJpegLoader::SaveToStream(TBaseStream& stream, const std::string&, const TLinearBitmap& bitmap) {
  const std::vector<std::uint8_t> bytes = EncodeJpeg(bitmap);
  stream.Write(bytes.data(), std::int32_t(bytes.size()));
}
