// The mesh file: the extension registry, the "glsm" bytes laid out by hand
// from the archive rules, and damaged files, each of which must raise the
// filer's error and leave the mesh it was loaded into as it was.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "engine/engine_errors.h"
#include "objects/actor.h"
#include "objects/base_mesh.h"
#include "objects/face_groups.h"
#include "objects/vector_file.h"
#include "tests/support/null_gl.h"
#include "tests/support/peak_memory.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// Tag 6 string.
std::string Str(const std::string& text) { return Bytes({6, static_cast<int>(text.size())}) + text; }
// Tag 2 integer.
std::string Int8(int value) { return Bytes({2, value & 0xFF}); }
// A typed list archive: version, count, item size, raw items.
std::string ListOf(int count, int itemSize, const std::string& raw) {
  return Int8(0) + Int8(count) + Int8(itemSize) + raw;
}
const std::string kZero = Bytes({0, 0, 0, 0});
const std::string kOne = Bytes({0, 0, 0x80, 0x3F});
// (0,0,0), (1,0,0), (0,1,0) as an affine vector list (with its second version).
const std::string kTriangleVertices =
    ListOf(3, 12, kZero + kZero + kZero + kOne + kZero + kZero + kZero + kOne + kZero) + Int8(0);
const std::string kNoAffineVectors = ListOf(0, 12, "") + Int8(0);
const std::string kNoColors = ListOf(0, 16, "") + Int8(0);
std::string IntList(int a, int b, int c) {
  auto le = [](int v) { return Bytes({v & 0xFF, 0, 0, 0}); };
  return ListOf(3, 4, le(a) + le(b) + le(c));
}

const TAffineVectorList& TriangleVertices() {
  static TAffineVectorList list;
  if (list.GetCount() == 0) {
    list.Add(TAffineVector{0, 0, 0});
    list.Add(TAffineVector{1, 0, 0});
    list.Add(TAffineVector{0, 1, 0});
  }
  return list;
}

TMeshObject* AddMeshObject(TMeshObjectList& list, const std::string& name) {
  auto* mesh = new TMeshObject(&list);
  list.Add(mesh);
  mesh->SetName(name);
  mesh->SetVertices(TriangleVertices());
  mesh->SetMode(momFaceGroups);
  return mesh;
}

TFGVertexIndexList* AddGroup(TMeshObject& mesh, const std::string& material, std::initializer_list<int> indices,
                             TFaceGroupMeshMode mode) {
  auto* group = new TFGVertexIndexList(&mesh.GetFaceGroups());
  group->SetMaterialName(material);
  for (int i : indices) group->GetVertexIndices().Add(i);
  group->SetMode(mode);
  return group;
}

// Two mesh objects whose face groups are of one class: the first holds two
// groups (the second names the class by its index in that face-group list),
// the second one group with a light map.
void BuildGolden(TMeshObjectList& list) {
  TMeshObject* a = AddMeshObject(list, "a");
  a->SetRenderingOptions({moroGroupByMaterial});
  AddGroup(*a, "m", {0, 1, 2}, fgmmTriangles);
  AddGroup(*a, "", {2, 1, 0}, fgmmTriangleStrip);
  TMeshObject* b = AddMeshObject(list, "b");
  AddGroup(*b, "m", {0, 1, 2}, fgmmTriangleFan)->SetLightMapIndex(0);
}

std::string GoldenBytes() {
  const std::string baseA = Int8(1) + Str("a") + kTriangleVertices + kNoAffineVectors + Bytes({9});
  const std::string baseB = Int8(1) + Str("b") + kTriangleVertices + kNoAffineVectors + Bytes({9});
  const std::string groupsA = Int8(0) + Bytes({1}) +                                                 //
                              Str("TFGVertexIndexList") + Int8(0) + Str("m") + Int8(0) + IntList(0, 1, 2) + Int8(0) +
                              Int8(0) + Int8(0) + Str("") + Int8(0) + IntList(2, 1, 0) + Int8(1) +  //
                              Bytes({0});
  const std::string groupsB = Int8(0) + Bytes({1}) +  //
                              Str("TFGVertexIndexList") + Int8(1) + Str("m") + Int8(0) + Int8(0) + IntList(0, 1, 2) +
                              Int8(3) + Bytes({0});
  const std::string meshA = baseA + Int8(0) + kNoAffineVectors + kNoColors + groupsA + Int8(2) + Int8(1) + Bytes({1});
  const std::string meshB = baseB + Int8(0) + kNoAffineVectors + kNoColors + groupsB + Int8(2) + Int8(1) + Bytes({0});
  return Int8(0) + Bytes({1}) + Str("TMeshObject") + meshA + Int8(0) + meshB + Bytes({0});
}

TEST(GlsmFile, TwoMeshObjectsSharingAFaceGroupClassHaveTheseBytes) {
  TGLFreeForm mesh;
  BuildGolden(mesh.GetMeshObjects());
  TMemoryStream written;
  mesh.SaveToStream("model.glsm", written);
  const std::string bytes(written.Bytes().begin(), written.Bytes().end());
  EXPECT_EQ(bytes, GoldenBytes());

  TGLFreeForm loaded;
  TMemoryStream golden(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  loaded.LoadFromStream("MODEL.GLSM", golden);
  TMeshObjectList& objects = loaded.GetMeshObjects();
  ASSERT_EQ(objects.GetCount(), 2);
  EXPECT_EQ(objects.GetMeshObject(1)->GetName(), "b");
  EXPECT_EQ(objects.GetMeshObject(0)->GetFaceGroups().GetItems(1)->GetMaterialName(), "");
  EXPECT_EQ(objects.GetMeshObject(1)->GetFaceGroups().GetItems(0)->GetLightMapIndex(), 0);
  EXPECT_EQ(objects.GetMeshObject(0)->GetOwner(), &objects);
  TMemoryStream again;
  loaded.SaveToStream("again.glsm", again);
  EXPECT_EQ(again.Bytes(), written.Bytes());
}

TEST(VectorFileFormats, ExtensionsAreFoundWithoutRegardToCaseAndTheLastRegistrationWins) {
  TVectorFileFormatsList formats;
  formats.Add("GLSM", "first", 0, TGLGLSMVectorFile::StaticClass());
  EXPECT_EQ(formats.FindExt("glsm"), &TGLGLSMVectorFile::StaticClass());
  formats.Add("glsm", "second", 0, TVectorFile::StaticClass());
  EXPECT_EQ(formats.FindExt("GlSm"), &TVectorFile::StaticClass());
  EXPECT_EQ(&GetVectorFileFormats().FindFromFileName("dir.x\\MODEL.GLSM"), &TGLGLSMVectorFile::StaticClass());
  EXPECT_EQ(GetVectorFileFormats().FindExt("glsm"), &TGLGLSMVectorFile::StaticClass());

  struct Case {
    const char* fileName;
    const char* message;
  };
  const Case cases[] = {
      {"Model.Obj", "Unknown file extension (Obj), maybe you forgot to add the support unit to your uses? (GLFileOBJ?)"},
      {"folder.glsm/model", "Unknown file extension (), maybe you forgot to add the support unit to your uses? (GLFile?)"},
  };
  for (const Case& c : cases) {
    try {
      GetVectorFileFormats().FindFromFileName(c.fileName);
      ADD_FAILURE() << c.fileName;
    } catch (const EInvalidVectorFile& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

// --- Damaged files ------------------------------------------------------------------------

std::string Replace(std::string bytes, const std::string& from, const std::string& to, int occurrence = 0) {
  std::size_t at = bytes.find(from);
  for (int i = 0; i < occurrence && at != std::string::npos; ++i) at = bytes.find(from, at + 1);
  EXPECT_NE(at, std::string::npos) << "the pattern is not in the file";
  if (at != std::string::npos) bytes.replace(at, from.size(), to);
  return bytes;
}

std::string Saved(const std::function<void(TMeshObjectList&)>& build) {
  TMeshObjectList list;
  build(list);
  return list.SaveToString();
}

// Loads `bytes` into a mesh that already holds geometry: the filer's error,
// and the mesh as it was.
void ExpectRefused(TGLBaseMesh& mesh, const std::string& bytes, const std::string& because = "", bool add = false) {
  const std::string before = mesh.GetMeshObjects().SaveToString();
  const int structure = mesh.GetChanges() & ocfStructure;
  TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  try {
    if (add)
      mesh.AddDataFromStream("damaged.glsm", stream);
    else
      mesh.LoadFromStream("damaged.glsm", stream);
    ADD_FAILURE() << "loaded";
  } catch (const EFilerException& e) {
    EXPECT_NE(e.Message().find(because), std::string::npos) << e.Message();
  }
  EXPECT_EQ(mesh.GetMeshObjects().SaveToString(), before);
  EXPECT_EQ(mesh.GetChanges() & ocfStructure, structure);
}

// A morphable mesh object of one triangle (with normals of its own or
// none) whose morph targets hold the given counts of vertices and normals;
// with normal indices, its one face group indexes vertices and normals
// apart.
struct TargetSize {
  int vertices, normals;
};
std::string MorphFile(bool ownNormals, std::initializer_list<TargetSize> targets,
                      std::initializer_list<int> normalIndices = {}) {
  return Saved([&](TMeshObjectList& list) {
    auto* mesh = new TMorphableMeshObject(&list);
    list.Add(mesh);
    mesh->SetVertices(TriangleVertices());
    if (ownNormals) mesh->SetNormals(TriangleVertices());
    mesh->SetMode(momFaceGroups);
    auto* group = new TFGVertexNormalTexIndexList(&mesh->GetFaceGroups());
    group->GetVertexIndices().Add(0, 1, 2);
    for (int i : normalIndices) group->GetNormalIndices().Add(i);
    for (const TargetSize& size : targets) {
      auto* target = new TMeshMorphTarget(&mesh->GetMorphTargets());
      for (int k = 0; k < size.vertices; ++k) target->GetVertices().Add(TriangleVertices()[k % 3]);
      for (int k = 0; k < size.normals; ++k) target->GetNormals().Add(TAffineVector{0, 0, 1});
    }
  });
}

class DamagedGlsm : public ::testing::Test {
protected:
  void SetUp() override {
    AddMeshObject(mesh_.GetMeshObjects(), "kept");
    mesh_.ClearStructureChanged();
  }
  TGLFreeForm mesh_;
};

TEST_F(DamagedGlsm, EveryKindOfLieIsRefused) {
  const std::string golden = GoldenBytes();
  struct Case {
    const char* lie;
    std::string bytes;
    const char* because;
  };
  const Case cases[] = {
      {"vertex index past the vertices", Replace(golden, IntList(2, 1, 0), IntList(2, 3, 0)), "vertex index 3"},
      {"negative vertex index", Replace(golden, IntList(0, 1, 2), Int8(0) + Int8(3) + Int8(4) + Bytes({0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})), "vertex index -1"},
      {"more vertices than bytes", Replace(golden, Int8(3) + Int8(12), Int8(100) + Int8(12)), "Stream read error"},
      {"count that overflows", Replace(golden, Int8(0) + Int8(3) + Int8(12), Int8(0) + Bytes({4, 0, 0, 0, 0x20}) + Int8(12)), "Stream read error"},
      {"negative count", Replace(golden, Int8(3) + Int8(12), Int8(-1) + Int8(12)), "Stream read error"},
      {"vertex of another item size", Replace(golden, Int8(3) + Int8(12), Int8(4) + Int8(9)), "item size 9"},
      {"class index past the class table", Replace(golden, Int8(0) + Int8(0) + Str(""), Int8(1) + Int8(0) + Str("")), "Broken ObjectList archive"},
      {"unknown class", Replace(golden, Str("TFGVertexIndexList"), Str("TFGVertexIndexLisX")), "Class TFGVertexIndexLisX not found"},
      {"face group class in the mesh list", Replace(golden, Str("TMeshObject"), Str("TFGIndexTexCoordList")), "Broken ObjectList archive"},
      {"mesh object class in a face-group list", Replace(golden, Str("TFGVertexIndexList"), Str("TMorphableMeshObject")), "Broken ObjectList archive"},
      {"abstract face group class", Replace(golden, Str("TFGVertexIndexList"), Str("TFaceGroup")), "Broken ObjectList archive"},
      {"nil item", Replace(golden, Int8(0) + Bytes({1}) + Str("TMeshObject"), Int8(0) + Bytes({1, 8}) + Int8(0) + Str("TMeshObject")), "Broken ObjectList archive"},
      {"unknown mesh object version", Replace(golden, Int8(1) + Str("a"), Int8(7) + Str("a")), "TMeshObject : unknown archive version 7"},
      {"unknown face-group mode", Replace(golden, IntList(0, 1, 2) + Int8(3), IntList(0, 1, 2) + Int8(4)), "mode 4"},
      {"unknown mesh mode", Replace(golden, Int8(2) + Int8(1) + Bytes({0}), Int8(3) + Int8(1) + Bytes({0})), "mode 3"},
      {"option size other than 1", Replace(golden, Int8(2) + Int8(1) + Bytes({0}), Int8(2) + Int8(2) + Bytes({0, 0})), "option size 2"},
      {"normal index past the normals",
       Saved([](TMeshObjectList& list) {
         TMeshObject* mesh = AddMeshObject(list, "n");
         mesh->GetNormals().AddList(TriangleVertices());
         auto* group = new TFGVertexNormalTexIndexList(&mesh->GetFaceGroups());
         group->GetVertexIndices().Add(0, 1, 2);
         group->GetNormalIndices().Add(0, 1, 3);
       }), "normal index 3"},
      {"fewer texture-coordinate indices than vertex indices",
       Saved([](TMeshObjectList& list) {
         auto* group = new TFGVertexNormalTexIndexList(&AddMeshObject(list, "t")->GetFaceGroups());
         group->GetVertexIndices().Add(0, 1, 2);
         group->GetTexCoordIndices().Add(0, 1);
       }), "fewer texture-coordinate indices"},
      {"texture coordinates of a group not one per index",
       Saved([](TMeshObjectList& list) {
         auto* group = new TFGIndexTexCoordList(&AddMeshObject(list, "c")->GetFaceGroups());
         group->GetVertexIndices().Add(0, 1, 2);
         group->GetTexCoords().Add(TAffineVector{0, 0, 0});
       }), "1 texture coordinates for 3"},
      {"morph target of another size",
       Saved([](TMeshObjectList& list) {
         auto* mesh = new TMorphableMeshObject(&list);
         list.Add(mesh);
         mesh->SetVertices(TriangleVertices());
         (new TMeshMorphTarget(&mesh->GetMorphTargets()))->GetVertices().Add(TAffineVector{0, 0, 0});
       }), "morph target 0"},
      {"morph target without vertices beside one with",
       MorphFile(/*ownNormals=*/false, {{0, 0}, {3, 0}}), "morph target 1 of another size than morph target 0"},
      {"morph targets of different normal counts on a mesh without normals",
       MorphFile(false, {{3, 3}, {3, 2}}), "morph target 1 of another size than morph target 0"},
      {"normals on one morph target only", MorphFile(false, {{3, 3}, {3, 0}}), "morph target 1"},
      {"normal index past the normals a morph target puts in place",
       MorphFile(false, {{3, 2}, {3, 2}}, {0, 1, 2}), "normal index 2"},
      {"negative bone",
       Saved([](TMeshObjectList& list) {
         auto* mesh = new TSkeletonMeshObject(&list);
         list.Add(mesh);
         mesh->SetVertices(TriangleVertices());
         mesh->SetVerticeBoneWeightCount(3);
         mesh->SetBonesPerVertex(1);
         mesh->VerticesBonesWeights(2)[0] = {-1, 1.0f};
       }), "bone -1"},
      {"bone weights for fewer vertices than there are",
       Saved([](TMeshObjectList& list) {
         auto* mesh = new TSkeletonMeshObject(&list);
         list.Add(mesh);
         mesh->SetVertices(TriangleVertices());
         mesh->SetVerticeBoneWeightCount(2);
         mesh->SetBonesPerVertex(1);
       }), "weights for 2 of 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lie);
    ExpectRefused(mesh_, c.bytes, c.because);
  }
}

TEST(GlsmFile, MorphTargetsThatFitLoadAndDrawInEveryPose) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"targets with vertices and normals on a mesh without normals", MorphFile(false, {{3, 3}, {3, 3}}, {0, 1, 2})},
      {"targets without normals on a mesh with them", MorphFile(true, {{3, 0}, {3, 0}}, {2, 1, 0})},
      {"targets without vertices", MorphFile(true, {{0, 3}, {0, 3}})},
  };
  const ScopedGLApi gl(NullGLApi());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLActor actor;
    TMemoryStream stream(std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
    actor.LoadFromStream("morph.glsm", stream);
    ASSERT_EQ(actor.FrameCount(), 2);
    TRenderContextInfo rci;
    for (const auto& [from, to] : {std::pair{0, 1}, std::pair{1, 0}}) {
      actor.SetCurrentFrame(from);
      actor.SetAnimationMode(from == 0 ? aamLoop : aamLoopBackward);
      actor.SetCurrentFrameDelta(0.5f);
      ASSERT_EQ(actor.NextFrameIndex(), to);
      EXPECT_NO_THROW(actor.BuildList(rci));
      EXPECT_NO_THROW(actor.GetMeshObjects().MorphTo(to));
      EXPECT_NO_THROW(actor.BuildList(rci));
    }
  }
}

TEST_F(DamagedGlsm, BoneWeightsThatTheBytesCannotHoldAllocateNothing) {
  const std::string skin = Saved([](TMeshObjectList& list) {
    auto* mesh = new TSkeletonMeshObject(&list);
    list.Add(mesh);
    mesh->SetVerticeBoneWeightCount(1);
    mesh->SetBonesPerVertex(1);
  });
  // Weight count and bones per vertex are the last two integers before the
  // 8 bytes of the one entry.
  const std::string tail = Int8(1) + Int8(1) + std::string(8, '\0') + Bytes({0});
  ASSERT_EQ(skin.substr(skin.size() - tail.size()), tail);
  const std::string head = skin.substr(0, skin.size() - tail.size());
  const std::string huge = Bytes({4, 0xFF, 0xFF, 0xFF, 0x7F});
  for (const std::string& counts : {huge + huge, huge + Int8(2), Int8(-3) + Int8(-3), Int8(2) + Int8(1)}) {
    SCOPED_TRACE(counts.size());
    ExpectRefused(mesh_, head + counts + std::string(8, '\0') + Bytes({0}));
  }
}

TEST_F(DamagedGlsm, BonesAreCheckedAgainstASkeletonThatStays) {
  TGLActor actor;
  (void)new TSkeletonBone(&actor.GetSkeleton().GetRootBones(), 0);
  (void)new TSkeletonBone(&actor.GetSkeleton().GetRootBones(), 1);
  auto skin = [](int bone) {
    return Saved([bone](TMeshObjectList& list) {
      auto* mesh = new TSkeletonMeshObject(&list);
      list.Add(mesh);
      mesh->SetVertices(TriangleVertices());
      mesh->SetVerticeBoneWeightCount(3);
      mesh->SetBonesPerVertex(1);
      mesh->VerticesBonesWeights(1)[0] = {bone, 1.0f};
    });
  };
  ExpectRefused(actor, skin(5), "bone 5", true);
  const std::string goodBytes = skin(1);
  TMemoryStream good(std::vector<std::uint8_t>(goodBytes.begin(), goodBytes.end()));
  actor.AddDataFromStream("skin.glsm", good);
  EXPECT_EQ(actor.GetMeshObjects().GetCount(), 1);
  // A load replaces the skeleton: the bones come later, with the actor.
  const std::string loadBytes = skin(5);
  TMemoryStream load(std::vector<std::uint8_t>(loadBytes.begin(), loadBytes.end()));
  actor.LoadFromStream("skin.glsm", load);
  EXPECT_EQ(actor.GetSkeleton().GetRootBones().GetCount(), 0);
}

TEST_F(DamagedGlsm, ASkinNamingThousandsOfBonesPerVertexCostsAFewTimesItsFile) {
  struct Skin {
    const char* name;
    int vertices, normals, weightedVertices, bonesPerVertex;
    bool refused;  // where the weights must cover every vertex
  };
  const Skin skins[] = {
      // 200 KB: 10,000 vertices, and weights of 10,000 bones for one of them.
      {"weights for one of many vertices", 10000, 0, 1, 10000, true},
      // 2 MB: weights of 250,000 bones for one vertex, and no vertices.
      {"weights without vertices", 0, 0, 1, 250000, false},
      // 2 MB: the one vertex, with a normal, bound to each of the bones.
      {"one vertex of 250,000 bones", 1, 1, 1, 250000, false},
  };
  for (const Skin& skin : skins) {
    SCOPED_TRACE(skin.name);
    const std::string bytes = Saved([&skin](TMeshObjectList& list) {
      auto* mesh = new TSkeletonMeshObject(&list);
      list.Add(mesh);
      for (int i = 0; i < skin.vertices; ++i) mesh->GetVertices().Add(TAffineVector{float(i), 0, 0});
      for (int i = 0; i < skin.normals; ++i) mesh->GetNormals().Add(TAffineVector{0, 0, 1});
      mesh->SetVerticeBoneWeightCount(skin.weightedVertices);
      mesh->SetBonesPerVertex(skin.bonesPerVertex);
      for (int s = 0; s < skin.bonesPerVertex; ++s) mesh->VerticesBonesWeights(0)[s] = {0, 1.0f / skin.bonesPerVertex};
    });
    auto stream = [&bytes] { return TMemoryStream(std::vector<std::uint8_t>(bytes.begin(), bytes.end())); };
    struct Path {
      const char* name;
      std::function<void()> read;
      bool refusable;
    };
    // Each into a mesh of its own, which goes with what it read.
    const Path paths[] = {
        {"loaded into a free form",
         [&] {
           TGLFreeForm mesh;
           auto s = stream();
           mesh.LoadFromStream("hostile.glsm", s);
         },
         true},
        {"added to an actor",
         [&] {
           TGLActor actor;
           (void)new TSkeletonBone(&actor.GetSkeleton().GetRootBones(), 0);
           auto s = stream();
           actor.AddDataFromStream("hostile.glsm", s);
         },
         true},
        {"read as a list of its own", [&] { TMeshObjectList list; list.LoadFromString(bytes); }, false},
        {"read into a mesh's own list", [&] { TGLFreeForm into; into.GetMeshObjects().LoadFromString(bytes); }, false},
    };
    for (const Path& path : paths) {
      SCOPED_TRACE(path.name);
      bool refused = false;
      auto read = [&] {
        refused = false;
        try {
          path.read();
        } catch (const EFilerException& e) {
          refused = true;
          EXPECT_NE(e.Message().find("weights for 1 of 10000"), std::string::npos) << e.Message();
        }
      };
      // Once before measuring, so that what the allocator keeps for itself
      // on first use does not count.
      read();
      const std::optional<std::int64_t> growth = PeakGrowth(read);
      EXPECT_EQ(refused, skin.refused && path.refusable);
      if (!growth) GTEST_SKIP() << "the kernel cannot reset the peak resident set";
      // The file's bytes, the weights as read, and the vertices and normals
      // bound to each bone slot: a few times the file, whatever it names.
      EXPECT_LT(*growth, std::int64_t{8} * std::int64_t(bytes.size()));
    }
  }
}

TEST_F(DamagedGlsm, EveryTruncationIsRefused) {
  const std::string golden = GoldenBytes();
  for (std::size_t size = 0; size < golden.size(); ++size) {
    SCOPED_TRACE(size);
    ExpectRefused(mesh_, golden.substr(0, size));
  }
}

TEST_F(DamagedGlsm, UnknownExtensionLeavesTheMeshAndAnExistingFileAlone) {
  const std::string before = mesh_.GetMeshObjects().SaveToString();
  TMemoryStream stream;
  EXPECT_THROW(mesh_.LoadFromStream("model.obj", stream), EInvalidVectorFile);
  EXPECT_EQ(mesh_.GetMeshObjects().SaveToString(), before);

  const std::filesystem::path file = std::filesystem::temp_directory_path() / "meshes_kept.obj";
  { std::ofstream(file) << "kept"; }
  EXPECT_THROW(mesh_.SaveToFile(file.string()), EInvalidVectorFile);
  std::ifstream in(file);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "kept");
  std::filesystem::remove(file);
  // An empty name does nothing at all.
  mesh_.LoadFromFile("");
  mesh_.SaveToFile("");
  EXPECT_EQ(mesh_.GetMeshObjects().SaveToString(), before);
}

TEST(GlsmFile, SavedMeshLoadsBackWithItsObjectsGroupsAndMaterials) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "meshes_round_trip.glsm";
  TGLFreeForm saved;
  BuildGolden(saved.GetMeshObjects());
  auto* morph = new TMorphableMeshObject(&saved.GetMeshObjects());
  saved.GetMeshObjects().Add(morph);
  morph->SetVertices(TriangleVertices());
  (new TMeshMorphTarget(&morph->GetMorphTargets()))->SetVertices(TriangleVertices());
  saved.SaveToFile(file.string());
  TGLFreeForm loaded;
  loaded.LoadFromFile(file.string());
  std::filesystem::remove(file);
  EXPECT_EQ(loaded.GetMeshObjects().SaveToString(), saved.GetMeshObjects().SaveToString());
  EXPECT_EQ(loaded.GetMeshObjects().MorphTargetCount(), 1);
}

}  // namespace
