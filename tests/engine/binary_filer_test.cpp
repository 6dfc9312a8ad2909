#include "engine/binary_filer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine_errors.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Written(const std::function<void(TBinaryWriter&)>& write) {
  TMemoryStream stream;
  TBinaryWriter writer(stream);
  write(writer);
  return stream.Bytes();
}

struct ReaderOver {
  explicit ReaderOver(Bytes bytes) : stream(std::move(bytes)), reader(stream) {}
  TMemoryStream stream;
  TBinaryReader reader;
};
}  // namespace

TEST(BinaryFiler, IntegersUseTheSmallestTagAndReadBack) {
  struct Case {
    int32_t value;
    Bytes bytes;
  } cases[] = {
      {0, {0x02, 0x00}},
      {127, {0x02, 0x7F}},
      {-128, {0x02, 0x80}},
      {128, {0x03, 0x80, 0x00}},
      {-129, {0x03, 0x7F, 0xFF}},
      {32767, {0x03, 0xFF, 0x7F}},
      {-32768, {0x03, 0x00, 0x80}},
      {32768, {0x04, 0x00, 0x80, 0x00, 0x00}},
      {-32769, {0x04, 0xFF, 0x7F, 0xFF, 0xFF}},
      {std::numeric_limits<int32_t>::min(), {0x04, 0x00, 0x00, 0x00, 0x80}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written([&](TBinaryWriter& w) { w.WriteInteger(c.value); }), c.bytes) << c.value;
    ReaderOver r(c.bytes);
    EXPECT_EQ(r.reader.ReadInteger(), c.value);
  }
}

TEST(BinaryFiler, StringsUseShortTagUpTo255Bytes) {
  EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteString(""); }), (Bytes{0x06, 0x00}));
  EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteString("ab"); }), (Bytes{0x06, 0x02, 'a', 'b'}));
  for (size_t n : {255u, 256u, 70000u}) {
    const std::string s(n, 'x');
    const Bytes b = Written([&](TBinaryWriter& w) { w.WriteString(s); });
    if (n <= 255) {
      EXPECT_EQ(b[0], vaString);
      EXPECT_EQ(b[1], n);
      EXPECT_EQ(b.size(), n + 2);
    } else {
      EXPECT_EQ(b[0], vaLString);
      EXPECT_EQ(b[1] | (b[2] << 8) | (b[3] << 16), int(n));
      EXPECT_EQ(b.size(), n + 5);
    }
    ReaderOver r(b);
    EXPECT_EQ(r.reader.ReadString(), s);
  }
}

TEST(BinaryFiler, FloatsAreTenByteExtendedValues) {
  struct Case {
    double value;
    Bytes bytes;
  } cases[] = {
      {1.0, {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {-2.5, {0x05, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
      {0.0, {0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {std::numeric_limits<double>::infinity(), {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {-std::numeric_limits<double>::infinity(), {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written([&](TBinaryWriter& w) { w.WriteFloat(c.value); }), c.bytes) << c.value;
    ReaderOver r(c.bytes);
    EXPECT_EQ(r.reader.ReadFloat(), c.value);
  }
  for (double v : {0.1, -123456.789, 1e300, 5e-324 /* denormal */, std::numeric_limits<double>::min()}) {
    ReaderOver r(Written([&](TBinaryWriter& w) { w.WriteFloat(v); }));
    EXPECT_EQ(r.reader.ReadFloat(), v) << v;
  }
  ReaderOver nan(Written([](TBinaryWriter& w) { w.WriteFloat(std::nan("")); }));
  EXPECT_TRUE(std::isnan(nan.reader.ReadFloat()));
}

TEST(BinaryFiler, ExtendedValuesBeyondDoubleSaturate) {
  // Exponent 0x7FFE: far above the double range.
  const uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
  EXPECT_EQ(ExtendedToDouble(huge), std::numeric_limits<double>::infinity());
  const uint8_t tiny[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00};
  EXPECT_EQ(ExtendedToDouble(tiny), 0.0);
}

TEST(BinaryFiler, BooleansAndListMarkers) {
  EXPECT_EQ(Written([](TBinaryWriter& w) {
              w.WriteBoolean(false);
              w.WriteBoolean(true);
              w.WriteListBegin();
              w.WriteListEnd();
            }),
            (Bytes{0x08, 0x09, 0x01, 0x00}));
  ReaderOver r({0x08, 0x09, 0x01, 0x00});
  EXPECT_FALSE(r.reader.ReadBoolean());
  EXPECT_TRUE(r.reader.ReadBoolean());
  EXPECT_FALSE(r.reader.EndOfList());
  r.reader.ReadListBegin();
  EXPECT_TRUE(r.reader.EndOfList());
  EXPECT_EQ(r.reader.NextValue(), vaNull);  // not consumed
  r.reader.ReadListEnd();
}

TEST(BinaryFiler, WrongTagRaisesReadTypeErrorWithReaderName) {
  struct Case {
    Bytes bytes;
    std::function<void(TBinaryReader&)> read;
  } cases[] = {
      {{0x06, 0x00}, [](TBinaryReader& r) { r.ReadInteger(); }},
      {{0x02, 0x00}, [](TBinaryReader& r) { r.ReadString(); }},
      {{0x02, 0x00}, [](TBinaryReader& r) { r.ReadBoolean(); }},
      {{0x02, 0x00}, [](TBinaryReader& r) { r.ReadFloat(); }},
      {{0x00}, [](TBinaryReader& r) { r.ReadListBegin(); }},
      {{0x01}, [](TBinaryReader& r) { r.ReadListEnd(); }},
  };
  for (const Case& c : cases) {
    ReaderOver r(c.bytes);
    try {
      c.read(r.reader);
      ADD_FAILURE() << "no exception";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "TBinaryReader, read type error");
    }
  }
}

TEST(BinaryFiler, TruncatedValuesRaiseInsteadOfReadingPastTheEnd) {
  const Bytes cases[] = {
      {},
      {0x03, 0x01},
      {0x04, 0x01, 0x02, 0x03},
      {0x05, 0, 0, 0},
      {0x06, 0x05, 'a', 'b'},
      {0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'},
      {0x0C, 0xFF, 0xFF, 0xFF, 0xFF},  // negative length
      {0x12, 0x02, 0x00, 0x00, 0x00, 'a', 0},
      {0x14, 0x10, 0x00, 0x00, 0x00, 'a'},
  };
  for (const Bytes& b : cases) {
    ReaderOver r(b);
    EXPECT_THROW(
        {
          switch (b.empty() ? 0 : b[0]) {
            case 5: r.reader.ReadFloat(); break;
            case 3:
            case 4: r.reader.ReadInteger(); break;
            case 0: r.reader.NextValue(); break;
            default: r.reader.ReadString();
          }
        },
        EFilerException);
  }
}

TEST(BinaryFiler, WideStringsBecomeUTF8) {
  // "Aé€😀" in UTF-16: 0041 00E9 20AC D83D DE00, then a lone surrogate.
  Bytes b{0x12, 6, 0, 0, 0, 0x41, 0, 0xE9, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xDC};
  ReaderOver r(b);
  EXPECT_EQ(r.reader.ReadString(), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(BinaryFiler, UTF8StringsDecodeByTheLeadByteTable) {
  struct Case {
    Bytes utf8;
    std::u16string units;
  } cases[] = {
      {{'a'}, u"a"},
      {{0xC3, 0xA9}, u"\u00E9"},
      {{0xE2, 0x82, 0xAC}, u"\u20AC"},
      {{0xF0, 0x9F, 0x98, 0x80}, {0xD83D, 0xDE00}},
      {{0xF4, 0x8F, 0xBF, 0xBF}, {0xDBFF, 0xDFFF}},  // U+10FFFF
      {{0xF4, 0x90, 0x80, 0x80}, u"\uFFFD"},        // above U+10FFFF
      {{0xF8, 0x88, 0x80, 0x80, 0x80}, u"\uFFFD"},  // five-byte form
      {{0x80}, u"\u0080"},                          // a stray trailing byte is taken as is
      {{'x', 0xE2, 0x82}, u"x\uFFFD"},              // cut off at the end of the data
      {{0xFC}, u"\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeArchiveUTF8(c.utf8.data(), c.utf8.size()), c.units);
  Bytes b{0x14, 3, 0, 0, 0, 0xE2, 0x82, 0xAC};
  ReaderOver r(b);
  EXPECT_EQ(r.reader.ReadString(), "\xE2\x82\xAC");
}

TEST(BinaryFiler, UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(UTF16ToUTF8(std::u16string{0xDC00, 'a', 0xD800}), "\xEF\xBF\xBD" "a" "\xEF\xBF\xBD");
}
