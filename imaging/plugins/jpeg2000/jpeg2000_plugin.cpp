// The JPEG 2000 codec plug-in: reads JP2 files and raw codestreams (chosen by
// their first bytes, not by the extension, since the client hands it scratch
// files named ".jp2" whatever they hold) and writes them losslessly with the
// reversible 5/3 wavelet.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <openjpeg.h>

#include "imaging/image_plugin_api.h"

namespace {

// Larger pictures (and more components: grey, grey + alpha, colour, colour +
// alpha) are refused before decoding, so a few hostile bytes cannot make the
// decoder allocate gigabytes.
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 24;
constexpr OPJ_UINT32 kMaxComponents = 4;

const char kFilter[] = "JPEG 2000|*.jp2;*.j2k;*.j2c;*.jpc";

extern "C" void Quiet(const char*, void*) {}

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using Codec = std::unique_ptr<opj_codec_t, CodecDeleter>;
using Stream = std::unique_ptr<opj_stream_t, StreamDeleter>;
using Image = std::unique_ptr<opj_image_t, ImageDeleter>;

void SilenceCodec(opj_codec_t* codec) {
  opj_set_info_handler(codec, Quiet, nullptr);
  opj_set_warning_handler(codec, Quiet, nullptr);
  opj_set_error_handler(codec, Quiet, nullptr);
}

constexpr int kCannotOpen = -100;

// kCannotOpen when the file cannot be read, else the codec its first bytes
// name (OPJ_CODEC_UNKNOWN for neither).
int SniffCodec(const char* fileName) {
  std::FILE* file = std::fopen(fileName, "rb");
  if (!file) return kCannotOpen;
  unsigned char head[12] = {};
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  static const unsigned char jp2[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  if (got == 12 && std::memcmp(head, jp2, 12) == 0) return OPJ_CODEC_JP2;
  if (got >= 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51) return OPJ_CODEC_J2K;
  return OPJ_CODEC_UNKNOWN;
}

// One 8-bit sample of a component at picture position (x, y), following the
// component's subsampling and bringing any precision to 8 bits.
inline std::uint8_t Sample(const opj_image_comp_t& c, OPJ_UINT32 x, OPJ_UINT32 y) {
  const OPJ_UINT32 cx = std::min(x / c.dx, c.w - 1);
  const OPJ_UINT32 cy = std::min(y / c.dy, c.h - 1);
  long long v = c.data[std::size_t(cy) * c.w + cx];
  if (c.sgnd) v += 1LL << (c.prec - 1);
  if (c.prec > 8) v >>= (c.prec - 8);
  else if (c.prec < 8) v = v * 255 / ((1LL << c.prec) - 1);
  return std::uint8_t(std::clamp(v, 0LL, 255LL));
}

inline std::uint8_t Clamp255(OPJ_INT32 v) { return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Full-size, unsigned 8-bit: samples can be taken as they are.
inline bool IsPlain(const opj_image_comp_t& c, OPJ_UINT32 width, OPJ_UINT32 height) {
  return c.dx == 1 && c.dy == 1 && c.w == width && c.h == height && c.prec == 8 && !c.sgnd;
}

inline std::uint8_t Clamp8(double v) { return std::uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

}  // namespace

extern "C" {

IMAGE_PLUGIN_EXPORT const char* LibGetLoadFilter(void) { return kFilter; }
IMAGE_PLUGIN_EXPORT const char* LibGetSaveFilter(void) { return kFilter; }

IMAGE_PLUGIN_EXPORT int32_t LibLoadImage(const char* fileName, const char*, TImageContainer* container) {
  if (!fileName || !container) return IMAGE_PLUGIN_BAD_DATA;
  const int kind = SniffCodec(fileName);
  if (kind == kCannotOpen) return IMAGE_PLUGIN_CANNOT_OPEN;
  if (kind == OPJ_CODEC_UNKNOWN) return IMAGE_PLUGIN_BAD_DATA;
  Stream stream(opj_stream_create_default_file_stream(fileName, OPJ_TRUE));
  if (!stream) return IMAGE_PLUGIN_CANNOT_OPEN;
  Codec codec(opj_create_decompress(static_cast<OPJ_CODEC_FORMAT>(kind)));
  if (!codec) return IMAGE_PLUGIN_BAD_DATA;
  SilenceCodec(codec.get());
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return IMAGE_PLUGIN_BAD_DATA;
  opj_image_t* header = nullptr;
  if (!opj_read_header(stream.get(), codec.get(), &header)) {
    opj_image_destroy(header);
    return IMAGE_PLUGIN_BAD_DATA;
  }
  Image image(header);
  if (image->x1 <= image->x0 || image->y1 <= image->y0 || image->numcomps == 0 ||
      image->numcomps > kMaxComponents) {
    return IMAGE_PLUGIN_BAD_DATA;
  }
  const OPJ_UINT32 width = image->x1 - image->x0, height = image->y1 - image->y0;
  if (std::uint64_t(width) * height > kMaxPixels) return IMAGE_PLUGIN_BAD_DATA;
  if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
    return IMAGE_PLUGIN_BAD_DATA;
  }
  // Components must all be present, with sane geometry and precision.
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (!c.data || c.w == 0 || c.h == 0 || c.dx == 0 || c.dy == 0 || c.prec == 0 || c.prec > 31) {
      return IMAGE_PLUGIN_BAD_DATA;
    }
    if (std::uint64_t(c.w) * c.dx < width || std::uint64_t(c.h) * c.dy < height) return IMAGE_PLUGIN_BAD_DATA;
  }
  // One or two components (grey, grey + alpha) give a grey picture; three or
  // more give interleaved blue, green, red (alpha and further planes dropped).
  const bool colour = image->numcomps >= 3;
  const std::size_t rowBytes = std::size_t(width) * (colour ? 3 : 1);
  auto* data = static_cast<std::uint8_t*>(std::malloc(rowBytes * height));
  if (!data) return IMAGE_PLUGIN_BAD_DATA;
  if (!colour) {
    for (OPJ_UINT32 y = 0; y < height; ++y) {
      for (OPJ_UINT32 x = 0; x < width; ++x) data[std::size_t(y) * width + x] = Sample(image->comps[0], x, y);
    }
  } else if (IsPlain(image->comps[0], width, height) && IsPlain(image->comps[1], width, height) &&
             IsPlain(image->comps[2], width, height) && image->color_space != OPJ_CLRSPC_SYCC) {
    // The common case, full-size 8-bit components: one pass, no per-sample
    // geometry.
    const OPJ_INT32* red = image->comps[0].data;
    const OPJ_INT32* green = image->comps[1].data;
    const OPJ_INT32* blue = image->comps[2].data;
    std::uint8_t* out = data;
    for (std::size_t i = 0, n = std::size_t(width) * height; i < n; ++i, out += 3) {
      out[0] = Clamp255(blue[i]);
      out[1] = Clamp255(green[i]);
      out[2] = Clamp255(red[i]);
    }
  } else {
    const bool ycc = image->color_space == OPJ_CLRSPC_SYCC;
    for (OPJ_UINT32 y = 0; y < height; ++y) {
      std::uint8_t* out = data + std::size_t(y) * rowBytes;
      for (OPJ_UINT32 x = 0; x < width; ++x, out += 3) {
        std::uint8_t r = Sample(image->comps[0], x, y);
        std::uint8_t g = Sample(image->comps[1], x, y);
        std::uint8_t b = Sample(image->comps[2], x, y);
        if (ycc) {
          const double Y = r, cb = g - 128.0, cr = b - 128.0;
          r = Clamp8(Y + 1.402 * cr);
          g = Clamp8(Y - 0.344136 * cb - 0.714136 * cr);
          b = Clamp8(Y + 1.772 * cb);
        }
        out[0] = b;
        out[1] = g;
        out[2] = r;
      }
    }
  }
  container->Width = int32_t(width);
  container->Height = int32_t(height);
  container->BytesPerLine = int32_t(rowBytes);
  container->Flags = colour ? 3 : 1;
  container->Data = data;
  container->Palette = nullptr;
  return IMAGE_PLUGIN_OK;
}

IMAGE_PLUGIN_EXPORT int32_t LibFreeImage(TImageContainer* container) {
  if (!container) return IMAGE_PLUGIN_OK;
  std::free(container->Data);
  container->Data = nullptr;
  return IMAGE_PLUGIN_OK;
}

IMAGE_PLUGIN_EXPORT int32_t LibSaveImage(const char* fileName, const char* extension,
                                         TImageContainer* container) {
  if (!fileName || !container || !container->Data) return IMAGE_PLUGIN_BAD_DATA;
  const int32_t width = container->Width, height = container->Height;
  if (width < 1 || height < 1) return IMAGE_PLUGIN_BAD_DATA;
  const bool indexed = container->Flags == 1;
  if (!indexed && container->Flags != 3) return IMAGE_PLUGIN_UNSUPPORTED_FORMAT;
  if (container->BytesPerLine < width * (indexed ? 1 : 3)) return IMAGE_PLUGIN_BAD_DATA;
  // An indexed picture with a grey palette (or none) is stored as one grey
  // component; any other palette is expanded to colour, so nothing is lost.
  bool grey = true;
  if (indexed && container->Palette) {
    for (int i = 0; i < 256 && grey; ++i) {
      const std::uint8_t* e = container->Palette + 3 * i;
      grey = e[0] == i && e[1] == i && e[2] == i;
    }
  }
  const OPJ_UINT32 components = indexed && grey ? 1 : 3;
  opj_image_cmptparm_t parts[3];
  std::memset(parts, 0, sizeof parts);
  for (OPJ_UINT32 i = 0; i < components; ++i) {
    parts[i].dx = parts[i].dy = 1;
    parts[i].w = OPJ_UINT32(width);
    parts[i].h = OPJ_UINT32(height);
    parts[i].prec = 8;
    parts[i].sgnd = 0;
  }
  Image image(opj_image_create(components, parts, components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!image) return IMAGE_PLUGIN_BAD_DATA;
  image->x0 = image->y0 = 0;
  image->x1 = OPJ_UINT32(width);
  image->y1 = OPJ_UINT32(height);
  for (int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = container->Data + std::size_t(y) * std::size_t(container->BytesPerLine);
    for (int32_t x = 0; x < width; ++x) {
      const std::size_t at = std::size_t(y) * width + x;
      const std::uint8_t* bgr = indexed ? (container->Palette ? container->Palette + 3 * row[x] : nullptr)
                                        : row + 3 * x;
      if (components == 1) {
        image->comps[0].data[at] = row[x];
      } else {
        image->comps[0].data[at] = bgr ? bgr[2] : row[x];
        image->comps[1].data[at] = bgr ? bgr[1] : row[x];
        image->comps[2].data[at] = bgr ? bgr[0] : row[x];
      }
    }
  }
  std::string ext = extension ? extension : "";
  for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
  const bool raw = ext == "J2K" || ext == "J2C" || ext == "JPC";
  Codec codec(opj_create_compress(raw ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) return IMAGE_PLUGIN_BAD_DATA;
  SilenceCodec(codec.get());
  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.tcp_rates[0] = 0;  // no rate target: lossless
  parameters.cp_disto_alloc = 1;
  parameters.irreversible = 0;
  parameters.tcp_mct = components == 3 ? 1 : 0;
  // Fewer resolutions than the default when the picture is very small.
  OPJ_UINT32 smallest = OPJ_UINT32(std::min(width, height));
  int resolutions = 1;
  while (resolutions < 6 && (smallest >> resolutions) > 0) ++resolutions;
  parameters.numresolution = resolutions;
  if (!opj_setup_encoder(codec.get(), &parameters, image.get())) return IMAGE_PLUGIN_BAD_DATA;
  Stream stream(opj_stream_create_default_file_stream(fileName, OPJ_FALSE));
  if (!stream) return IMAGE_PLUGIN_CANNOT_OPEN;
  if (!opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
      !opj_end_compress(codec.get(), stream.get())) {
    return IMAGE_PLUGIN_BAD_DATA;
  }
  stream.reset();  // closes the file
  return IMAGE_PLUGIN_OK;
}

}  // extern "C"
