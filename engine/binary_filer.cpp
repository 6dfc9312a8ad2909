#include "engine/binary_filer.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/engine_errors.h"

CLIENT_DEFINE_CLASS(TVirtualReader, TObject)
CLIENT_DEFINE_CLASS(TVirtualWriter, TObject)
CLIENT_DEFINE_CLASS(TBinaryReader, TVirtualReader)
CLIENT_DEFINE_CLASS(TBinaryWriter, TVirtualWriter)

namespace {
uint32_t LoadLE(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void StoreLE(uint32_t v, uint8_t* p, int n) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void AppendUTF8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
}  // namespace

// --- Extended floats ----------------------------------------------------------
void DoubleToExtended(double value, uint8_t out[10]) {
  uint16_t sign_exponent = std::signbit(value) ? 0x8000 : 0;
  uint64_t mantissa = 0;
  if (std::isnan(value)) {
    sign_exponent |= 0x7FFF;
    mantissa = 0xC000000000000000ull;
  } else if (std::isinf(value)) {
    sign_exponent |= 0x7FFF;
    mantissa = 0x8000000000000000ull;
  } else if (value != 0.0) {
    int e = 0;
    const double f = std::frexp(std::fabs(value), &e);  // f in [0.5, 1)
    mantissa = static_cast<uint64_t>(std::ldexp(f, 64));
    sign_exponent |= static_cast<uint16_t>(e - 1 + 16383);
  }
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  out[8] = static_cast<uint8_t>(sign_exponent);
  out[9] = static_cast<uint8_t>(sign_exponent >> 8);
}

double ExtendedToDouble(const uint8_t in[10]) {
  uint64_t mantissa = 0;
  for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | in[i];
  const uint16_t sign_exponent = static_cast<uint16_t>(in[8] | (in[9] << 8));
  const bool negative = (sign_exponent & 0x8000) != 0;
  const int exponent = sign_exponent & 0x7FFF;
  double r;
  if (exponent == 0x7FFF) {
    r = (mantissa & 0x7FFFFFFFFFFFFFFFull) == 0 ? std::numeric_limits<double>::infinity()
                                                 : std::numeric_limits<double>::quiet_NaN();
  } else {
    // value = mantissa * 2^(exponent - 16383 - 63); ldexp saturates to
    // infinity or zero outside the double range. The 64-bit mantissa is
    // split so that no bit is rounded twice.
    const double high = static_cast<double>(mantissa >> 11);
    const double low = static_cast<double>(mantissa & 0x7FF);
    const int e = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    r = std::ldexp(high, e + 11) + std::ldexp(low, e);
  }
  return negative ? -r : r;
}

// --- Strings ---------------------------------------------------------------
std::u16string DecodeArchiveUTF8(const uint8_t* data, size_t size) {
  static constexpr uint32_t kOffsets[6] = {0x00000000u, 0x00003080u, 0x000E2080u,
                                           0x03C82080u, 0xFA082080u, 0x82082080u};
  std::u16string out;
  size_t i = 0;
  while (i < size) {
    const uint8_t lead = data[i];
    int trailing = 0;
    if (lead >= 0xFC) trailing = 5;
    else if (lead >= 0xF8) trailing = 4;
    else if (lead >= 0xF0) trailing = 3;
    else if (lead >= 0xE0) trailing = 2;
    else if (lead >= 0xC0) trailing = 1;
    if (size - i <= static_cast<size_t>(trailing)) {
      // Announces more bytes than remain: stop at the end of the data.
      out += u'\uFFFD';
      break;
    }
    uint32_t v = 0;
    for (int k = 0; k <= trailing; ++k) v = (v << 6) + data[i + k];
    i += trailing + 1;
    v -= kOffsets[trailing];
    if (v <= 0xFFFF) {
      out += static_cast<char16_t>(v);
    } else if (v <= 0x10FFFF) {
      out += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
    } else {
      out += u'\uFFFD';
    }
  }
  return out;
}

std::string UTF16ToUTF8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUTF8(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUTF8(0xFFFD, out);
    } else {
      AppendUTF8(u, out);
    }
  }
  return out;
}

// --- Reader ---------------------------------------------------------------------
void TBinaryReader::Read(void* buffer, size_t count) { Stream().ReadBuffer(buffer, count); }

uint8_t TBinaryReader::ReadTag() {
  uint8_t tag;
  Read(&tag, 1);
  return tag;
}

TValueType TBinaryReader::NextValue() {
  const uint8_t tag = ReadTag();
  Stream().Seek(-1, TSeekOrigin::soCurrent);
  return static_cast<TValueType>(tag);
}

void TBinaryReader::ReadTypeError() { RaiseReadTypeError(ClassName()); }

int32_t TBinaryReader::ReadInteger() {
  uint8_t b[4];
  switch (ReadTag()) {
    case vaInt8:
      Read(b, 1);
      return static_cast<int8_t>(b[0]);
    case vaInt16:
      Read(b, 2);
      return static_cast<int16_t>(LoadLE(b, 2));
    case vaInt32:
      Read(b, 4);
      return static_cast<int32_t>(LoadLE(b, 4));
    default:
      ReadTypeError();
  }
}

bool TBinaryReader::ReadBoolean() {
  switch (ReadTag()) {
    case vaFalse: return false;
    case vaTrue: return true;
    default: ReadTypeError();
  }
}

uint32_t TBinaryReader::ReadLength(size_t unit_size) {
  uint8_t b[4];
  Read(b, 4);
  const int32_t n = static_cast<int32_t>(LoadLE(b, 4));
  if (n < 0 || static_cast<uint64_t>(n) * unit_size > static_cast<uint64_t>(Stream().Remaining()))
    throw EStreamError(engine_messages::kStreamReadError);
  return static_cast<uint32_t>(n);
}

std::string TBinaryReader::ReadString() {
  switch (ReadTag()) {
    case vaString: {
      uint8_t n;
      Read(&n, 1);
      std::string s(n, '\0');
      Read(s.data(), n);
      return s;
    }
    case vaLString: {
      const uint32_t n = ReadLength(1);
      std::string s(n, '\0');
      Read(s.data(), n);
      return s;
    }
    case vaWString: {
      const uint32_t n = ReadLength(2);
      std::vector<uint8_t> bytes(static_cast<size_t>(n) * 2);
      Read(bytes.data(), bytes.size());
      std::u16string text(n, u'\0');
      for (uint32_t i = 0; i < n; ++i) text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      return UTF16ToUTF8(text);
    }
    case vaUTF8String: {
      const uint32_t n = ReadLength(1);
      std::vector<uint8_t> bytes(n);
      Read(bytes.data(), n);
      return UTF16ToUTF8(DecodeArchiveUTF8(bytes.data(), bytes.size()));
    }
    default:
      ReadTypeError();
  }
}

double TBinaryReader::ReadFloat() {
  if (ReadTag() != vaExtended) ReadTypeError();
  uint8_t b[10];
  Read(b, 10);
  return ExtendedToDouble(b);
}

void TBinaryReader::ReadListBegin() {
  if (ReadTag() != vaList) ReadTypeError();
}

void TBinaryReader::ReadListEnd() {
  if (ReadTag() != vaNull) ReadTypeError();
}

bool TBinaryReader::EndOfList() { return NextValue() == vaNull; }

// --- Writer ---------------------------------------------------------------------
void TBinaryWriter::Write(const void* buffer, size_t count) { Stream().WriteBuffer(buffer, count); }

void TBinaryWriter::WriteInteger(int32_t value) {
  uint8_t b[5];
  int n;
  if (value >= -128 && value <= 127) {
    b[0] = vaInt8;
    n = 1;
  } else if (value >= -32768 && value <= 32767) {
    b[0] = vaInt16;
    n = 2;
  } else {
    b[0] = vaInt32;
    n = 4;
  }
  StoreLE(static_cast<uint32_t>(value), b + 1, n);
  Write(b, 1 + n);
}

void TBinaryWriter::WriteBoolean(bool value) { WriteTag(value ? vaTrue : vaFalse); }

void TBinaryWriter::WriteString(const std::string& value) {
  if (value.size() <= 255) {
    const uint8_t head[2] = {vaString, static_cast<uint8_t>(value.size())};
    Write(head, 2);
  } else {
    CLIENT_ASSERT(value.size() <= 0x7FFFFFFFu);
    uint8_t head[5] = {vaLString};
    StoreLE(static_cast<uint32_t>(value.size()), head + 1, 4);
    Write(head, 5);
  }
  Write(value.data(), value.size());
}

void TBinaryWriter::WriteFloat(double value) {
  uint8_t b[11] = {vaExtended};
  DoubleToExtended(value, b + 1);
  Write(b, 11);
}

void TBinaryWriter::WriteListBegin() { WriteTag(vaList); }

void TBinaryWriter::WriteListEnd() { WriteTag(vaNull); }

void WriteLE32(TVirtualWriter& writer, uint32_t value) {
  uint8_t b[4];
  StoreLE(value, b, 4);
  writer.Write(b, 4);
}
