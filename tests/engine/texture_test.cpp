// Texture images and textures without a GL context: image classes, their
// files, change tracking and the tables the upload uses.
#include "engine/texture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/component.h"
#include "engine/material.h"
#include "platform/picture/picture_formats.h"

namespace fs = std::filesystem;

namespace {

// A picture format of the tests' own ("TPIC"): width, height and 24-bit
// pixels, so that pictures load without the image library.
void SaveTestPicture(std::ostream& out, const Bitmap& b) {
  out << b.GetWidth() << ' ' << b.GetHeight() << '\n';
  Bitmap copy = b;
  copy.SetPixelFormat(pf24bit);
  out.write(reinterpret_cast<const char*>(copy.Data()), static_cast<std::streamsize>(copy.DataSize()));
}
void LoadTestPicture(std::istream& in, Bitmap& b) {
  int w = 0, h = 0;
  in >> w >> h;
  in.get();
  if (!in || w < 0 || h < 0) throw EInvalidGraphic("bad test picture");
  b = Bitmap(w, h, pf24bit);
  in.read(reinterpret_cast<char*>(b.Data()), static_cast<std::streamsize>(b.DataSize()));
  if (!in) throw EInvalidGraphic("short test picture");
}

class TestPictureFormat {
public:
  TestPictureFormat() {
    PictureFormat format;
    format.Extension = "TPIC";
    format.LoadFromFile = [](const std::string& name, Bitmap& b) {
      std::ifstream in(name, std::ios::binary);
      LoadTestPicture(in, b);
    };
    format.SaveToFile = [](const std::string& name, const Bitmap& b) {
      std::ofstream out(name, std::ios::binary);
      SaveTestPicture(out, b);
    };
    registered_ = PictureFormats::Global().Register(format);
  }
  ~TestPictureFormat() {
    if (registered_) PictureFormats::Global().Unregister("TPIC");
  }

private:
  bool registered_;
};

Bitmap Coloured(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  Bitmap bitmap(w, h, pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  return bitmap;
}

class TextureFiles : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::path(CLIENT_TEST_OUTPUT_DIR) / "texture" /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
  TestPictureFormat format_;
};

TEST(TextureImageClasses, AreRegisteredByExactClassName) {
  EXPECT_EQ(FindGLTextureImageClass("TGLBlankImage"), &TGLBlankImage::StaticClass());
  EXPECT_EQ(FindGLTextureImageClass("TGLPersistentImage"), &TGLPersistentImage::StaticClass());
  EXPECT_EQ(FindGLTextureImageClass("TGLPicFileImage"), &TGLPicFileImage::StaticClass());
  EXPECT_EQ(FindGLTextureImageClass("TGLCubeMapImage"), &TGLCubeMapImage::StaticClass());
  EXPECT_EQ(FindGLTextureImageClass("tglblankimage"), nullptr);
  EXPECT_EQ(FindGLTextureImageClass("TGLPictureImage"), nullptr);  // no source of its own
}

TEST(TextureImageClasses, FriendlyNames) {
  TGLBlankImage blank;
  blank.SetWidth(64);
  EXPECT_EQ(blank.FriendlyName(), "Blank Image");
  EXPECT_EQ(blank.FriendlyDescription(), "Blank Image (64 x 256)");
  EXPECT_EQ(TGLPicFileImage().FriendlyName(), "PicFile Image");
  EXPECT_EQ(TGLPicFileImage().FriendlyDescription(), "Image data is retrieved from a file.");
  EXPECT_EQ(TGLPersistentImage().FriendlyName(), "Persistent Image");
  EXPECT_EQ(TGLCubeMapImage().FriendlyName(), "CubeMap Image");
  EXPECT_EQ(TGLCubeMapImage().NativeTextureTarget(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
}

TEST(BlankImage, SizesBelowOneBecomeOneAndTheBitmapHasTheSize) {
  TGLBlankImage image;
  image.SetWidth(0);
  image.SetHeight(-5);
  EXPECT_EQ(image.GetWidth(), 1);
  EXPECT_EQ(image.GetHeight(), 1);
  image.SetWidth(10);
  image.SetHeight(6);
  TGLBitmap32* bitmap = image.GetBitmap32(GL_TEXTURE_2D);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetWidth(), 12);  // rounded up to a multiple of 4
  EXPECT_EQ(bitmap->GetHeight(), 6);
  EXPECT_EQ(image.GetBitmap32(GL_TEXTURE_2D), bitmap);  // made once
}

TEST_F(TextureFiles, BlankImageFileIsItsTextAndReadsBack) {
  TGLBlankImage image;
  image.SetWidth(32);
  image.SetHeight(16);
  image.SaveToFile(PathOf("blank.txt"));
  EXPECT_EQ(Read("blank.txt"), "[BlankImage]\r\nWidth=32\r\nHeight=16");
  TGLBlankImage other;
  other.LoadFromFile(PathOf("blank.txt"));
  EXPECT_EQ(other.GetWidth(), 32);
  EXPECT_EQ(other.GetHeight(), 16);
  other.LoadFromFile(PathOf("missing.txt"));  // no file: nothing changes
  EXPECT_EQ(other.GetWidth(), 32);
}

TEST_F(TextureFiles, PicFileOfA300ByteTextNamesThePicture) {
  const std::string name = PathOf("grass.tpic");
  std::string text = name + "\r\n";
  text.resize(300, ' ');
  Write("name.txt", text);
  TGLPicFileImage image;
  image.LoadFromFile(PathOf("name.txt"));
  EXPECT_EQ(image.GetPictureFileName(), name);
}

TEST_F(TextureFiles, PicFileOfA300ByteFileWithAZeroByteIsThePicture) {
  std::string bytes(300, 'a');
  bytes[10] = '\0';
  Write("pic.bin", bytes);
  TGLPicFileImage image;
  image.LoadFromFile(PathOf("pic.bin"));
  EXPECT_EQ(image.GetPictureFileName(), PathOf("pic.bin"));
}

TEST_F(TextureFiles, PicFileReadsThePictureForEachBitmapAndReleasesIt) {
  {
    std::ofstream out(dir_ / "Red.TPIC", std::ios::binary);
    SaveTestPicture(out, Coloured(4, 2, 0, 0, 255));
  }
  TGLPicFileImage image;
  // World data names files as a case-insensitive system wrote them.
  image.SetPictureFileName((dir_ / "red.tpic").string());
  TGLBitmap32* bitmap = image.GetBitmap32(GL_TEXTURE_2D);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetWidth(), 4);
  EXPECT_EQ(bitmap->PixelAt(0, 0)[0], 255);
  EXPECT_TRUE(image.GetPicture().GetEmpty());  // the picture is not kept
  image.FreeBitmap32();
}

TEST_F(TextureFiles, PicFileWithAMissingFileRaisesAndForgetsTheName) {
  TGLPicFileImage image;
  image.SetPictureFileName(PathOf("gone.tpic"));
  try {
    image.GetBitmap32(GL_TEXTURE_2D);
    FAIL() << "no error";
  } catch (const ETexture& e) {
    EXPECT_EQ(e.Message(), "Could not open file: " + PathOf("gone.tpic"));
  }
  EXPECT_EQ(image.GetPictureFileName(), "");
  EXPECT_EQ(image.GetBitmap32(GL_TEXTURE_2D)->GetWidth(), 0);  // an empty picture
}

TEST_F(TextureFiles, PersistentImageWithAMissingFileEmptiesThePictureAndRaises) {
  TGLPersistentImage image;
  image.AssignBitmap(Coloured(4, 4, 1, 2, 3));
  EXPECT_THROW(image.LoadFromFile(PathOf("gone.tpic")), ETexture);
  EXPECT_TRUE(image.GetPicture().GetEmpty());
}

TEST_F(TextureFiles, TextureNeededHookRenamesTheFileBeforeItIsOpened) {
  {
    std::ofstream out(dir_ / "real.tpic", std::ios::binary);
    SaveTestPicture(out, Coloured(8, 8, 9, 9, 9));
  }
  TGLTexture texture;
  std::vector<std::string> asked;
  texture.OnTextureNeeded = [&](TObject*, std::string& name) {
    asked.push_back(name);
    name = PathOf("real.tpic");
  };
  texture.GetImage()->LoadFromFile("logical-name");
  EXPECT_EQ(asked, (std::vector<std::string>{"logical-name"}));
  EXPECT_EQ(texture.GetImage()->GetWidth(), 8);
}

TEST_F(TextureFiles, CubeMapFileRoundTripsAndADamagedOneIsRefused) {
  PictureFormat bmp;
  bmp.Extension = "BMP";
  bmp.SaveToStream = [](std::ostream& out, const Bitmap& b) { SaveTestPicture(out, b); };
  bmp.LoadFromStream = [](std::istream& in, Bitmap& b) { LoadTestPicture(in, b); };
  const bool registered = PictureFormats::Global().Register(bmp);

  TGLCubeMapImage cube;
  for (int face = 0; face < 6; ++face)
    cube.GetPicture(TGLCubeMapTarget(face)).SetBitmap(Coloured(4, 4, std::uint8_t(face), 0, 0));
  EXPECT_TRUE(cube.FacesMatch());
  cube.SaveToFile(PathOf("sky.cube"));
  TGLCubeMapImage back;
  back.LoadFromFile(PathOf("sky.cube"));
  for (int face = 0; face < 6; ++face) {
    TGLBitmap32* bitmap = back.GetBitmap32(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelAt(0, 0)[2], face) << "face " << face;  // blue byte
  }
  std::string bytes = Read("sky.cube");
  bytes.resize(bytes.size() / 2);
  Write("half.cube", bytes);
  EXPECT_THROW(back.LoadFromFile(PathOf("half.cube")), ETexture);
  EXPECT_EQ(back.GetPicture(cmtNZ).GetWidth(), 4);  // left as it was
  back.GetPicture(cmtNY).SetBitmap(Coloured(4, 2, 0, 0, 0));
  EXPECT_FALSE(back.FacesMatch());
  if (registered) PictureFormats::Global().Unregister("BMP");
}

// Counts what reaches the owner of a material.
class CountingSceneObject : public TGLUpdateAbleComponent, public SceneValueListener {
public:
  void NotifyChange(TObject*) override { ++changes; }
  void CoordinateChanged(TGLCoordinates*) override {}
  void StructureChanged() override { ++structureChanges; }
  void TextureMatrixChanged() override {}
  int changes = 0;
  int structureChanges = 0;
};

TEST(Texture, DefaultsAreThoseOfAFreshMaterialTexture) {
  TGLTexture t;
  EXPECT_TRUE(t.GetDisabled());
  EXPECT_EQ(t.GetTextureMode(), tmDecal);
  EXPECT_EQ(t.GetTextureWrap(), twBoth);
  EXPECT_EQ(t.GetMinFilter(), miLinearMipmapLinear);
  EXPECT_EQ(t.GetMagFilter(), maLinear);
  EXPECT_EQ(t.GetImageClassName(), "TGLPersistentImage");
  EXPECT_EQ(t.GetRequiredMemorySize(), -1);
  EXPECT_TRUE(t.ImageChanged());
  EXPECT_TRUE(t.ParametersChanged());
  EXPECT_EQ(t.GetMappingSCoordinates()->AsVector()[0], 1.0f);
}

TEST(Texture, ParameterAndImageSettersNotifyTheMaterialOwnerOnlyOnChange) {
  CountingSceneObject owner;
  TGLMaterial material(&owner);
  TGLTexture* t = material.GetTexture();
  owner.changes = 0;
  struct Case {
    const char* label;
    void (*set)(TGLTexture&);
    bool image;
  } cases[] = {
      {"mag filter", [](TGLTexture& x) { x.SetMagFilter(maNearest); }, false},
      {"min filter", [](TGLTexture& x) { x.SetMinFilter(miNearest); }, false},
      {"wrap", [](TGLTexture& x) { x.SetTextureWrap(twNone); }, false},
      {"mode", [](TGLTexture& x) { x.SetTextureMode(tmReplace); }, false},
      {"format", [](TGLTexture& x) { x.SetTextureFormat(tfRGB); }, false},
      {"alpha", [](TGLTexture& x) { x.SetImageAlpha(tiaOpaque); }, true},
      {"brightness", [](TGLTexture& x) { x.SetImageBrightness(2); }, true},
      {"gamma", [](TGLTexture& x) { x.SetImageGamma(2); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    c.set(*t);
    EXPECT_EQ(owner.changes, 1);
    c.set(*t);
    EXPECT_EQ(owner.changes, 1) << "same value notified again";
    owner.changes = 0;
  }
}

TEST(Texture, EnablingRebuildsTheOwnersDisplayList) {
  CountingSceneObject owner;
  TGLMaterial material(&owner);
  TGLTexture* t = material.GetTexture();
  t->SetDisabled(false);
  EXPECT_EQ(owner.structureChanges, 1);
  t->SetMappingMode(tmmSphere);
  EXPECT_EQ(owner.structureChanges, 1);  // a plain change
  t->SetMappingMode(tmmUser);
  EXPECT_EQ(owner.structureChanges, 2);  // back to user coordinates
}

TEST(Texture, ImageOfAnotherClassReplacesTheImage) {
  TGLTexture t;
  TGLBlankImage blank;
  blank.SetWidth(8);
  t.SetImage(&blank);
  EXPECT_EQ(t.GetImageClassName(), "TGLBlankImage");
  EXPECT_EQ(t.GetImage()->GetWidth(), 8);
  EXPECT_EQ(t.GetImage()->GetOwnerTexture(), &t);
  t.SetImageClassName("TGLPicFileImage");
  EXPECT_EQ(t.GetImageClassName(), "TGLPicFileImage");
  EXPECT_THROW(t.SetImageClassName("TNoSuchImage"), ETexture);
  t.SetImage(nullptr);
  EXPECT_EQ(t.GetImageClassName(), "TGLPersistentImage");
}

TEST(Texture, AssignCopiesEveryParameterAndTheImage) {
  TGLTexture source;
  source.SetDisabled(false);
  source.SetTextureMode(tmModulate);
  source.SetMinFilter(miNearest);
  source.SetImageAlpha(tiaSuperBlackTransparent);
  source.SetImageGamma(2.2f);
  source.SetMappingMode(tmmObjectLinear);
  source.GetMappingTCoordinates()->SetAsVector({0, 1, 0, 0});
  source.AssignBitmap(Coloured(4, 4, 1, 1, 1));
  TGLTexture copy;
  copy.Assign(&source);
  EXPECT_FALSE(copy.GetDisabled());
  EXPECT_EQ(copy.GetTextureMode(), tmModulate);
  EXPECT_EQ(copy.GetMinFilter(), miNearest);
  EXPECT_EQ(copy.GetImageAlpha(), tiaSuperBlackTransparent);
  EXPECT_EQ(copy.GetImageGamma(), 2.2f);
  EXPECT_EQ(copy.GetMappingMode(), tmmObjectLinear);
  EXPECT_EQ(copy.GetMappingTCoordinates()->AsVector()[1], 1.0f);
  EXPECT_EQ(copy.GetImage()->GetWidth(), 4);
  EXPECT_NE(copy.GetImage(), source.GetImage());
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.GetDisabled());
  EXPECT_EQ(copy.GetImage()->GetWidth(), 0);
}

TEST(TextureTables, InternalFormatsWithAndWithoutCompression) {
  struct Case {
    TGLTextureFormat format;
    GLint plain, compressed;
  } cases[] = {
      {tfDefault, GL_RGBA8, GL_COMPRESSED_RGBA_ARB},
      {tfRGB, GL_RGB8, GL_COMPRESSED_RGB_ARB},
      {tfRGBA, GL_RGBA8, GL_COMPRESSED_RGBA_ARB},
      {tfRGB16, GL_RGB5, GL_COMPRESSED_RGB_ARB},
      {tfRGBA16, GL_RGBA4, GL_COMPRESSED_RGBA_ARB},
      {tfAlpha, GL_ALPHA8, GL_COMPRESSED_ALPHA_ARB},
      {tfLuminance, GL_LUMINANCE8, GL_COMPRESSED_LUMINANCE_ARB},
      {tfLuminanceAlpha, GL_LUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA_ARB},
      {tfIntensity, GL_INTENSITY8, GL_COMPRESSED_INTENSITY_ARB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    EXPECT_EQ(GLInternalFormat(c.format, tcNone), c.plain);
    EXPECT_EQ(GLInternalFormat(c.format, tcDefault), c.plain);  // the default is no compression
    EXPECT_EQ(GLInternalFormat(c.format, tcHighQuality), c.compressed);
  }
}

TEST(TextureTables, WrapModesWithAndWithoutEdgeClamp) {
  struct Case {
    TGLTextureWrap wrap;
    GLenum s, t;
  } cases[] = {
      {twBoth, GL_REPEAT, GL_REPEAT},
      {twNone, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE},
      {twVertical, GL_CLAMP_TO_EDGE, GL_REPEAT},
      {twHorizontal, GL_REPEAT, GL_CLAMP_TO_EDGE},
  };
  for (const Case& c : cases) {
    GLenum s = 0, t = 0;
    GLWrapOf(c.wrap, true, s, t);
    EXPECT_EQ(s, c.s);
    EXPECT_EQ(t, c.t);
    GLWrapOf(c.wrap, false, s, t);
    EXPECT_EQ(s, c.s == GL_CLAMP_TO_EDGE ? GLenum(GL_CLAMP) : c.s);
    EXPECT_EQ(t, c.t == GL_CLAMP_TO_EDGE ? GLenum(GL_CLAMP) : c.t);
  }
  EXPECT_EQ(GLMinFilterOf(miNearestMipmapLinear), static_cast<GLenum>(GL_NEAREST_MIPMAP_LINEAR));
  EXPECT_EQ(GLMagFilterOf(maNearest), static_cast<GLenum>(GL_NEAREST));
  EXPECT_EQ(GLTextureEnvModeOf(tmBlend), static_cast<GLenum>(GL_BLEND));
}

TEST(TextureTables, AlphaRulesOfTheUpload) {
  // Two pixels: black, and (90, 120, 150) with alpha 7.
  auto make = [] {
    TGLBitmap32 b;
    b.SetWidth(4);
    b.SetHeight(1);
    std::uint8_t* p = b.PixelAt(1, 0);
    p[0] = 90, p[1] = 120, p[2] = 150, p[3] = 7;
    b.PixelAt(0, 0)[3] = 200;
    return b;
  };
  const std::uint8_t sqrt120 = SqrtAlphaTable()[120];
  struct Case {
    TGLTextureImageAlpha alpha;
    std::uint8_t first, second;
  } cases[] = {
      {tiaDefault, 200, 7},
      {tiaAlphaFromIntensity, 0, 120},
      {tiaLuminance, 0, 120},
      {tiaSuperBlackTransparent, 0, 255},
      {tiaLuminanceSqrt, 0, sqrt120},
      {tiaOpaque, 255, 255},
      {tiaTopLeftPointColorTransparent, 0, 255},
      {tiaInverseLuminance, 255, 135},
      {tiaInverseLuminanceSqrt, 255, std::uint8_t(255 - sqrt120)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.alpha));
    TGLBitmap32 b = make();
    PrepareBitmapForUpload(b, c.alpha, 1.0f, 1.0f);
    EXPECT_EQ(b.PixelAt(0, 0)[3], c.first);
    EXPECT_EQ(b.PixelAt(1, 0)[3], c.second);
    EXPECT_EQ(b.PixelAt(1, 0)[0], 90);  // colours untouched at brightness and gamma 1
  }
  TGLBitmap32 b = make();
  PrepareBitmapForUpload(b, tiaDefault, 2.0f, 1.0f);
  EXPECT_EQ(b.PixelAt(1, 0)[0], 180);
  EXPECT_EQ(b.PixelAt(1, 0)[2], 255);
  EXPECT_EQ(b.PixelAt(1, 0)[3], 7);
}

}  // namespace

namespace {

TAffineVector Times(const TAffineVector& v, const TMatrix& m) {
  TAffineVector r;
  for (int j = 0; j < 3; ++j) r[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j];
  return r;
}

void ExpectNear(const TAffineVector& a, const TAffineVector& b) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-6f) << "component " << i;
}

TEST(CubeMapLightMatrix, TurnsEyeVectorsIntoTheLightsFrame) {
  // The light's local X axis points along world Z.
  const TMatrix light{{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {5, 6, 7, 1}};
  // The view turns world X into eye -Z (looking along +X), and moves.
  const TMatrix view{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {3, -2, 9, 1}};
  const TMatrix m = CubeMapLightTextureMatrix(view, light);
  // World Z seen in the eye is eye X; in the light's frame it is local X.
  const TAffineVector eyeOfWorldZ = Times({0, 0, 1}, view);
  ExpectNear(eyeOfWorldZ, {1, 0, 0});
  ExpectNear(Times(eyeOfWorldZ, m), {1, 0, 0});
  // World X: eye -Z; the light's local -Z.
  ExpectNear(Times(Times({1, 0, 0}, view), m), {0, 0, -1});
  // Translations of either side change nothing.
  TMatrix moved = view;
  moved[3] = {100, 200, 300, 1};
  const TMatrix same = CubeMapLightTextureMatrix(moved, light);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(same[i][j], m[i][j]);
  EXPECT_EQ(m[3][3], 1.0f);
  EXPECT_EQ(m[3][0], 0.0f);
}

}  // namespace
