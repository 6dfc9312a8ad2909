// Materials and the material library without a GL context: names, users,
// references, texture folders and the library archive.
#include "engine/material_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine_errors.h"
#include "engine/streams.h"
#include "platform/base/assertion.h"
#include "platform/picture/picture_formats.h"

namespace fs = std::filesystem;

namespace {

class CountingSceneObject : public TGLUpdateAbleComponent, public SceneValueListener {
public:
  void NotifyChange(TObject*) override { ++changes; }
  void CoordinateChanged(TGLCoordinates*) override {}
  void StructureChanged() override { ++structureChanges; }
  void TextureMatrixChanged() override { ++textureMatrixChanges; }
  int changes = 0;
  int structureChanges = 0;
  int textureMatrixChanges = 0;
};

Bitmap Grey(int w, int h, std::uint8_t value) {
  Bitmap b(w, h, pf24bit);
  std::fill(b.Data(), b.Data() + b.DataSize(), value);
  return b;
}

TEST(NameHash, IsTwiceThePreviousPlusTheByteFromTheLength) {
  EXPECT_EQ(ComputeNameHashKey(""), 0);
  EXPECT_EQ(ComputeNameHashKey("A"), 2 * 1 + 65);
  EXPECT_EQ(ComputeNameHashKey("ab"), 2 * (2 * 2 + 97) + 98);
  // 32-bit wrap-around on long names is not an error.
  EXPECT_NO_THROW(ComputeNameHashKey(std::string(100, 'z')));
}

TEST(MaterialLibrary, LookupByNameIsCaseSensitive) {
  TGLMaterialLibrary library;
  library.AddTextureMaterial("Grass", Grey(4, 4, 1));
  EXPECT_NE(library.LibMaterialByName("Grass"), nullptr);
  EXPECT_EQ(library.LibMaterialByName("grass"), nullptr);
  EXPECT_EQ(library.LibMaterialByName("GRASS"), nullptr);
}

TEST(MaterialLibrary, NamesAreMadeUnique) {
  TGLMaterialLibrary library;
  EXPECT_EQ(library.AddTextureMaterial("wall", Grey(4, 4, 1))->GetName(), "wall");
  EXPECT_EQ(library.AddTextureMaterial("wall", Grey(4, 4, 1))->GetName(), "wall1");
  EXPECT_EQ(library.AddTextureMaterial("wall", Grey(4, 4, 1))->GetName(), "wall2");

  TGLMaterialLibrary defaults;
  EXPECT_EQ(defaults.GetMaterials()->Add()->GetName(), "LibMaterial");
  EXPECT_EQ(defaults.GetMaterials()->Add()->GetName(), "LibMaterial1");
  EXPECT_EQ(defaults.GetMaterials()->Add()->GetName(), "LibMaterial2");
  TGLLibMaterial* renamed = defaults.GetMaterials()->GetItems(2);
  renamed->SetName("LibMaterial");
  EXPECT_EQ(renamed->GetName(), "LibMaterial3");
  EXPECT_EQ(defaults.LibMaterialByName("LibMaterial3"), renamed);
}

TEST(MaterialLibrary, TextureMaterialIsModulatedMipmappedAndEnabled) {
  TGLMaterialLibrary library;
  TGLTexture* t = library.AddTextureMaterial("big", Grey(8, 4, 9))->GetMaterial()->GetTexture();
  EXPECT_FALSE(t->GetDisabled());
  EXPECT_EQ(t->GetTextureMode(), tmModulate);
  EXPECT_EQ(t->GetMinFilter(), miLinearMipmapLinear);
  EXPECT_EQ(t->GetMagFilter(), maLinear);
  EXPECT_EQ(t->GetImage()->GetWidth(), 8);
}

TEST(MaterialLibrary, TexturePathsAreTrimmedSkippedAndEndInABackslash) {
  TGLMaterialLibrary library;
  library.SetTexturePaths("  textures\\ ;  maps ;");
  EXPECT_EQ(library.TexturePathList(), (std::vector<std::string>{"textures\\", "maps\\"}));
  library.SetTexturePaths("");
  EXPECT_TRUE(library.TexturePathList().empty());
}

class TextureFolders : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = fs::path(CLIENT_TEST_OUTPUT_DIR) / "material_library" /
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root_);
    fs::create_directories(root_ / "Textures" / "Walls");
    fs::create_directories(root_ / "maps");
    std::ofstream(root_ / "Textures" / "Walls" / "Brick.JPG") << "x";
    std::ofstream(root_ / "maps" / "aerial.bmp") << "x";
  }
  fs::path root_;
};

TEST_F(TextureFolders, RelativeNamesAreFoundInTheFirstFolderThatHasThem) {
  TGLMaterialLibrary library;
  const std::string root = root_.string();
  library.SetTexturePaths(root + "/maps;" + root + "\\TEXTURES");
  struct Case {
    std::string name, expected;
  } cases[] = {
      {"walls\\brick.jpg", root + "\\TEXTURES\\walls\\brick.jpg"},
      {"aerial.bmp", root + "/maps\\aerial.bmp"},
      {"missing.bmp", "missing.bmp"},
      {"c:\\walls\\brick.jpg", "c:\\walls\\brick.jpg"},  // a drive: not relative
      {"\\walls\\brick.jpg", "\\walls\\brick.jpg"},      // rooted: not relative
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string name = c.name;
    library.ResolveTextureFileName(name);
    EXPECT_EQ(name, c.expected);
  }
}

TEST_F(TextureFolders, LibraryHookRunsFirstAndItsAnswerIsSearchedToo) {
  TGLMaterialLibrary library;
  library.SetTexturePaths((root_ / "Textures").string());
  std::vector<std::string> asked;
  library.OnTextureNeeded = [&](TObject* sender, std::string& name) {
    EXPECT_EQ(sender, &library);
    asked.push_back(name);
    name = "Walls/BRICK.jpg";
  };
  // Through a library material's texture image, as a file load would.
  TGLLibMaterial* lib = library.GetMaterials()->Add();
  std::string name = "anything";
  lib->DoOnTextureNeeded(lib->GetMaterial()->GetTexture()->GetImage(), name);
  EXPECT_EQ(asked, (std::vector<std::string>{"anything"}));
  EXPECT_EQ(name, (root_ / "Textures").string() + "\\Walls/BRICK.jpg");
}

// A picture format of the tests' own ("TPIC": width, height, 24-bit pixels).
class TestPictureFormat {
public:
  TestPictureFormat() {
    PictureFormat format;
    format.Extension = "TPIC";
    format.LoadFromFile = [](const std::string& name, Bitmap& b) {
      std::ifstream in(name, std::ios::binary);
      int w = 0, h = 0;
      in >> w >> h;
      in.get();
      b = Bitmap(w, h, pf24bit);
      in.read(reinterpret_cast<char*>(b.Data()), static_cast<std::streamsize>(b.DataSize()));
    };
    registered_ = PictureFormats::Global().Register(format);
  }
  ~TestPictureFormat() {
    if (registered_) PictureFormats::Global().Unregister("TPIC");
  }
  static void Write(const fs::path& path, int w, int h) {
    std::ofstream out(path, std::ios::binary);
    out << w << ' ' << h << '\n' << std::string(std::size_t(w) * h * 3, '\x40');
  }

private:
  bool registered_;
};

TEST_F(TextureFolders, TextureFileOfWorldDataLoadsThroughTheFoldersWhateverItsCase) {
  TestPictureFormat format;
  TestPictureFormat::Write(root_ / "Textures" / "Walls" / "Stone.TPIC", 8, 4);
  TGLMaterialLibrary library;
  library.SetTexturePaths((root_ / "textures").string());
  TGLLibMaterial* persistent = library.AddTextureMaterial("stone", "WALLS\\stone.tpic");
  EXPECT_EQ(persistent->GetMaterial()->GetTexture()->GetImage()->GetWidth(), 8);

  TGLLibMaterial* fromFile = library.AddTextureMaterial("lazy", "walls\\STONE.tpic", false);
  TGLTextureImage* image = fromFile->GetMaterial()->GetTexture()->GetImage();
  ASSERT_EQ(image->ClassName(), "TGLPicFileImage");
  TGLBitmap32* bitmap = image->GetBitmap32(GL_TEXTURE_2D);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetHeight(), 4);
  image->FreeBitmap32();

  EXPECT_THROW(library.AddTextureMaterial("none", "walls\\missing.tpic"), ETexture);
  EXPECT_EQ(library.LibMaterialByName("none"), nullptr);  // not left behind half made
}

TEST(Material, ReferenceResolvesMovesItsUseAndIsForgottenWithTheLibraryMaterial) {
  TGLMaterialLibrary library;
  TGLLibMaterial* a = library.AddTextureMaterial("a", Grey(4, 4, 1));
  TGLLibMaterial* b = library.AddTextureMaterial("b", Grey(4, 4, 1));
  CountingSceneObject owner;
  TGLMaterial material(&owner);
  material.SetMaterialLibrary(&library);
  material.SetLibMaterialName("a");
  EXPECT_EQ(material.GetLibMaterial(), a);
  EXPECT_TRUE(a->IsUsedBy(&material));
  EXPECT_EQ(owner.structureChanges, 1);
  material.SetLibMaterialName("b");
  EXPECT_FALSE(a->IsUsedBy(&material));
  EXPECT_TRUE(b->IsUsedBy(&material));
  material.SetLibMaterialName("nothing");
  EXPECT_EQ(material.GetLibMaterial(), nullptr);
  EXPECT_EQ(material.GetLibMaterialName(), "nothing");
  material.SetLibMaterialName("b");

  library.GetMaterials()->Delete(b->GetIndex());
  EXPECT_EQ(material.GetLibMaterial(), nullptr);
  EXPECT_EQ(material.GetMaterialLibrary(), nullptr);
  EXPECT_EQ(material.GetLibMaterialName(), "");
}

TEST(Material, ChangesOfALibraryMaterialReachEveryUserOwner) {
  TGLMaterialLibrary library;
  TGLLibMaterial* lib = library.AddTextureMaterial("sky", Grey(4, 4, 1));
  CountingSceneObject first, second;
  TGLMaterial m1(&first), m2(&second);
  for (TGLMaterial* m : {&m1, &m2}) {
    m->SetMaterialLibrary(&library);
    m->SetLibMaterialName("sky");
  }
  first.changes = second.changes = 0;
  lib->GetMaterial()->SetBlendingMode(bmAdditive);
  EXPECT_EQ(first.changes, 1);
  EXPECT_EQ(second.changes, 1);
  EXPECT_TRUE(m1.Blended());
  // A new texture matrix reaches every owner as such (its list may stay),
  // not as a change of what the material holds.
  first.structureChanges = 0;
  lib->GetTextureScale()->SetX(2);
  EXPECT_FALSE(lib->TextureMatrixIsIdentity());
  lib->GetTextureOffset()->SetY(0.5f);
  EXPECT_EQ(first.textureMatrixChanges, 2);
  EXPECT_EQ(second.textureMatrixChanges, 2);
  EXPECT_EQ(first.changes, 1);
  EXPECT_EQ(first.structureChanges, 0);
  lib->GetTextureScale()->SetX(1);
  lib->GetTextureOffset()->SetY(0);
  EXPECT_TRUE(lib->TextureMatrixIsIdentity());
  first.structureChanges = second.structureChanges = 0;
  lib->GetMaterial()->GetTexture()->SetDisabled(true);
  EXPECT_EQ(first.structureChanges, 1);
  EXPECT_EQ(second.structureChanges, 1);
}

TEST(Material, MaterialThatGoesFirstLeavesNoDanglingUse) {
  TGLMaterialLibrary library;
  TGLLibMaterial* lib = library.AddTextureMaterial("x", Grey(4, 4, 1));
  {
    TGLMaterial material;
    material.SetMaterialLibrary(&library);
    material.SetLibMaterialName("x");
    EXPECT_EQ(lib->UserCount(), 1);
  }
  EXPECT_EQ(lib->UserCount(), 0);
  lib->GetMaterial()->SetBlendingMode(bmAdditive);  // notifies nobody
}

TEST(Material, LibraryThatGoesFirstIsForgottenByItsMaterials) {
  TGLMaterial material;
  {
    TGLMaterialLibrary library;
    material.SetMaterialLibrary(&library);
    material.SetLibMaterialName("not there");
  }
  EXPECT_EQ(material.GetMaterialLibrary(), nullptr);
}

TEST(Material, CyclicReferenceIsRefusedAndLeavesTheMaterialAsItWas) {
  TGLMaterialLibrary library;
  // A chain of 17 library materials, each pointing at the next.
  std::vector<TGLLibMaterial*> chain;
  for (int i = 0; i < 17; ++i) chain.push_back(library.GetMaterials()->Add());
  for (int i = 15; i >= 0; --i) {
    TGLMaterial* m = chain[i]->GetMaterial();
    m->SetMaterialLibrary(&library);
    if (i < 15) m->SetLibMaterialName(chain[i + 1]->GetName());
  }
  TGLMaterial material;
  material.SetMaterialLibrary(&library);
  EXPECT_NO_THROW(material.SetLibMaterialName(chain[1]->GetName()));  // 15 steps
  EXPECT_THROW(material.SetLibMaterialName(chain[0]->GetName()), EAssertionFailed);  // 16 steps
  EXPECT_EQ(material.GetLibMaterialName(), chain[1]->GetName());

  // A loop through the material itself.
  TGLMaterial* last = chain[15]->GetMaterial();
  try {
    last->SetLibMaterialName(chain[10]->GetName());
    FAIL() << "loop accepted";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind("Error: Cyclic material reference detected!", 0), 0u);
  }
  EXPECT_EQ(last->GetLibMaterial(), nullptr);
}

TEST(Material, AssignCopiesValuesAndTheReference) {
  TGLMaterialLibrary library;
  library.AddTextureMaterial("ref", Grey(4, 4, 1));
  TGLMaterial source;
  source.SetBlendingMode(bmAlphaTest50);
  source.SetFaceCulling(fcNoCull);
  source.SetMaterialOptions({moNoLighting});
  source.GetBackProperties()->SetShininess(20);
  source.GetFrontProperties()->GetDiffuse()->SetColor({0.1f, 0.2f, 0.3f, 0.4f});
  source.SetMaterialLibrary(&library);
  source.SetLibMaterialName("ref");
  TGLMaterial copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.GetBlendingMode(), bmAlphaTest50);
  EXPECT_EQ(copy.GetFaceCulling(), fcNoCull);
  EXPECT_TRUE(copy.GetMaterialOptions().Contains(moNoLighting));
  EXPECT_FALSE(copy.GetMaterialOptions().Contains(moIgnoreFog));
  EXPECT_EQ(copy.GetBackProperties()->GetShininess(), 20);
  EXPECT_EQ(copy.GetFrontProperties()->GetDiffuse()->GetBlue(), 0.3f);
  EXPECT_EQ(copy.GetLibMaterial(), library.LibMaterialByName("ref"));
  EXPECT_FALSE(copy.HasTexture());
}

TEST(Shader, ChangesReachTheOwnersOfMaterialsThatUseItAndEitherSideMayGoFirst) {
  auto shader = std::make_unique<TGLShader>();
  {
    TGLMaterialLibrary library;
    TGLLibMaterial* lib = library.GetMaterials()->Add();
    lib->SetShader(shader.get());
    CountingSceneObject owner;
    TGLMaterial material(&owner);
    material.SetMaterialLibrary(&library);
    material.SetLibMaterialName(lib->GetName());
    owner.changes = 0;
    shader->SetEnabled(false);
    EXPECT_EQ(owner.changes, 1);
  }
  // The library went first; the shader forgot it.
  shader->SetEnabled(true);

  TGLMaterialLibrary library;
  TGLLibMaterial* lib = library.GetMaterials()->Add();
  lib->SetShader(shader.get());
  shader.reset();
  EXPECT_EQ(lib->GetShader(), nullptr);
}

TEST(MaterialLibrary, ApplyOfAnUnknownNameAppliesNothing) {
  TGLMaterialLibrary library;
  TRenderContextInfo rci;
  EXPECT_FALSE(library.ApplyMaterial("none", rci));
  EXPECT_FALSE(library.UnApplyMaterial(rci));
}

// The archive's picture bytes go through whatever "BMP" format is
// registered; the tests bring one of their own when none is.
class LibraryArchive : public ::testing::Test {
protected:
  void SetUp() override {
    PictureFormat bmp;
    bmp.Extension = "BMP";
    bmp.SaveToStream = [](std::ostream& out, const Bitmap& b) {
      Bitmap copy = b;
      copy.SetPixelFormat(pf24bit);
      out << b.GetWidth() << ' ' << b.GetHeight() << '\n';
      out.write(reinterpret_cast<const char*>(copy.Data()), static_cast<std::streamsize>(copy.DataSize()));
    };
    bmp.LoadFromStream = [](std::istream& in, Bitmap& b) {
      int w = 0, h = 0;
      in >> w >> h;
      in.get();
      b = Bitmap(w, h, pf24bit);
      in.read(reinterpret_cast<char*>(b.Data()), static_cast<std::streamsize>(b.DataSize()));
    };
    registered_ = PictureFormats::Global().Register(bmp);
  }
  void TearDown() override {
    if (registered_) PictureFormats::Global().Unregister("BMP");
  }
  bool registered_ = false;
};

TEST_F(LibraryArchive, RoundTripKeepsNamesPicturesAndFrontColours) {
  TGLMaterialLibrary library;
  TGLLibMaterial* textured = library.AddTextureMaterial("ground", Grey(4, 2, 77));
  textured->GetMaterial()->GetFrontProperties()->GetAmbient()->SetColor({0.5f, 0.25f, 0.125f, 1});
  TGLLibMaterial* plain = library.GetMaterials()->Add();
  plain->SetName("plain");
  plain->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({0.1f, 0.2f, 0.3f, 0.4f});
  plain->GetMaterial()->GetFrontProperties()->GetSpecular()->SetColor({1, 0, 1, 1});

  TMemoryStream stream;
  library.SaveToStream(stream);
  stream.SetPosition(0);
  TGLMaterialLibrary back;
  back.GetMaterials()->Add();  // replaced by the archive
  back.LoadFromStream(stream);

  ASSERT_EQ(back.GetMaterials()->GetCount(), 2);
  TGLLibMaterial* ground = back.GetMaterials()->GetItems(0);
  EXPECT_EQ(ground->GetName(), "ground");
  EXPECT_FALSE(ground->GetMaterial()->GetTexture()->GetDisabled());
  EXPECT_EQ(ground->GetMaterial()->GetTexture()->GetImage()->GetWidth(), 4);
  EXPECT_EQ(ground->GetMaterial()->GetFrontProperties()->GetAmbient()->GetColor()[1], 0.25f);
  TGLLibMaterial* plainBack = back.GetMaterials()->GetItems(1);
  EXPECT_EQ(plainBack->GetName(), "plain");
  EXPECT_TRUE(plainBack->GetMaterial()->GetTexture()->GetDisabled());
  const TVector4f diffuse = plainBack->GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor();
  EXPECT_EQ(diffuse[3], 0.4f);
  EXPECT_EQ(plainBack->GetMaterial()->GetFrontProperties()->GetSpecular()->GetColor()[2], 1.0f);
}

TEST_F(LibraryArchive, OtherVersionAndTruncatedArchiveLeaveTheLibraryAlone) {
  TGLMaterialLibrary library;
  library.AddTextureMaterial("keep", Grey(4, 4, 5));
  TMemoryStream stream;
  library.SaveToStream(stream);
  std::string bytes(stream.GetSize(), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), bytes.size());

  TGLMaterialLibrary target;
  target.AddTextureMaterial("mine", Grey(4, 4, 1));
  TStringStream truncated(bytes.substr(0, bytes.size() - 5));
  EXPECT_THROW(target.LoadFromStream(truncated), EFilerException);
  ASSERT_EQ(target.GetMaterials()->GetCount(), 1);
  EXPECT_EQ(target.GetMaterials()->GetItems(0)->GetName(), "mine");

  std::string other = bytes;
  other[1] = 1;  // the version integer: tag 2, then the value
  TStringStream versioned(other);
  try {
    target.LoadFromStream(versioned);
    FAIL() << "version 1 read";
  } catch (const EFilerException& e) {
    EXPECT_EQ(e.Message(), "TGLMaterialLibrary : unknown archive version 1");
  }
}

}  // namespace
