// Meshes and function graphs on a real context: a free form loaded from a
// mesh file shows each face group in its library material where it stands,
// a height field the colours of its event; every kind of mesh, the height
// field and the axis grid hand GL back as they found it; multi-pass
// materials, light maps and the inverted winding as the call recorder sees
// them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/gl_recorder.h"
#include "engine/gl_state_cache.h"
#include "engine/material_library.h"
#include "engine/multitexture.h"
#include "objects/actor.h"
#include "objects/base_mesh.h"
#include "objects/dummy_cube.h"
#include "objects/face_groups.h"
#include "objects/height_field.h"
#include "objects/xyz_grid.h"
#include "tests/objects_gl/drawable_on_context.h"
#include "tests/objects_gl/scene_picture.h"
#include "tests/support/gl_fixture.h"

namespace {

// A library material lit by its own emission only.
void AddGlowing(TGLMaterialLibrary& library, const std::string& name, const TVector4f& color) {
  TGLLibMaterial* material = library.GetMaterials()->Add();
  material->SetName(name);
  TGLFaceProperties* front = material->GetMaterial()->GetFrontProperties();
  TGLColor black(nullptr, clrBlack), glow(nullptr, color);
  front->SetAmbient(&black);
  front->SetDiffuse(&black);
  front->SetEmission(&glow);
}

// A quad facing +Z as two triangles of one face group, its corners
// appended to the mesh object's vertices.
TFGVertexIndexList* AddQuad(TMeshObject& mesh, float x0, float y0, float x1, float y1, const std::string& material) {
  const int first = mesh.GetVertices().GetCount();
  for (const TAffineVector& v : {TAffineVector{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}) {
    mesh.GetVertices().Add(v);
    mesh.GetNormals().Add(TAffineVector{0, 0, 1});
    mesh.GetTexCoords().Add(TAffineVector{v[0], v[1], 0});
  }
  auto* group = new TFGVertexIndexList(&mesh.GetFaceGroups());
  group->SetMaterialName(material);
  for (int i : {0, 1, 2, 0, 2, 3}) group->GetVertexIndices().Add(first + i);
  return group;
}

TMeshObject* AddMeshObject(TGLBaseMesh& mesh) {
  auto* object = new TMeshObject(&mesh.GetMeshObjects());
  mesh.GetMeshObjects().Add(object);
  object->SetMode(momFaceGroups);
  return object;
}

class MeshPicture : public ::testing::Test {
protected:
  void SetUp() override {
    picture_.Camera().GetPosition()->SetPoint(0, 0, 14);
    AddGlowing(library_, "red", clrRed);
    AddGlowing(library_, "green", clrGreen);
  }

  void RenderAndRead() {
    picture_.RenderAndRead(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ppm");
  }
  Rgb PixelAt(const TAffineVector& p) const { return picture_.PixelAt(p); }

  // Outlives the picture's context, as a library of the program's does.
  TGLMaterialLibrary library_;
  ScenePicture picture_{128};
};

TEST_F(MeshPicture, FreeFormLoadedFromAFileShowsEachGroupInItsMaterial) {
  TGLFreeForm source;
  TMeshObject* quads = AddMeshObject(source);
  AddQuad(*quads, -2.5f, 0.5f, -0.5f, 2.5f, "red");
  AddQuad(*quads, 0.5f, 0.5f, 2.5f, 2.5f, "green");
  AddQuad(*quads, -2.5f, -2.5f, -0.5f, -0.5f, "green");
  TMemoryStream file;
  source.SaveToStream("quads.glsm", file);
  file.SetPosition(0);

  auto* mesh = picture_.Scene().GetObjects()->AddNewChild<TGLFreeForm>();
  mesh->SetMaterialLibrary(&library_);
  mesh->LoadFromStream("quads.glsm", file);
  for (int frame = 0; frame < 2; ++frame) {  // compiled, then replayed
    SCOPED_TRACE(frame);
    RenderAndRead();
    EXPECT_EQ(PixelAt({-1.5f, 1.5f, 0}), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt({1.5f, 1.5f, 0}), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelAt({-1.5f, -1.5f, 0}), (Rgb{0, 255, 0}));
    EXPECT_EQ(PixelAt({1.5f, -1.5f, 0}), (Rgb{0, 0, 0}));
  }
  // Grouped by material, the order of drawing changes, not the picture.
  mesh->GetMeshObjects().GetMeshObject(0)->SetRenderingOptions({moroGroupByMaterial});
  mesh->StructureChanged();
  RenderAndRead();
  EXPECT_EQ(PixelAt({-1.5f, -1.5f, 0}), (Rgb{0, 255, 0}));
  // Without mesh materials the object's own material draws every group.
  mesh->SetUseMeshMaterials(false);
  RenderAndRead();
  EXPECT_NE(PixelAt({-1.5f, 1.5f, 0}), (Rgb{255, 0, 0}));
  EXPECT_NE(PixelAt({-1.5f, 1.5f, 0}), (Rgb{0, 0, 0}));
}

TEST_F(MeshPicture, HeightFieldShowsTheColoursOfItsHeightEvent) {
  // No ambient light: the surface shows its emission alone.
  TGLColor black(nullptr, clrBlack);
  picture_.Buffer().SetAmbientColor(&black);
  auto* field = picture_.Scene().GetObjects()->AddNewChild<TGLHeightField>();
  for (TGLSamplingScale* scale : {field->GetXSamplingScale(), field->GetYSamplingScale()}) {
    scale->SetMax(2);
    scale->SetMin(-2);
    scale->SetStep(0.5f);
  }
  // Red where x < 0, blue beyond, and a band along the far edge raised
  // towards the camera.
  field->SetOnGetHeight([](float x, float y, float& z, TVector4f& color, TTexPoint&) {
    color = x < 0 ? TVector4f{1, 0, 0, 1} : TVector4f{0, 0, 1, 1};
    if (y >= 1.5f) z = 0.5f;
  });
  field->SetColorMode(hfcmEmission);
  RenderAndRead();
  EXPECT_EQ(PixelAt({-1, -1, 0}), (Rgb{255, 0, 0}));
  EXPECT_EQ(PixelAt({1, -1, 0}), (Rgb{0, 0, 255}));
  EXPECT_EQ(PixelAt({-1, 1.75f, 0.5f}), (Rgb{255, 0, 0}));
  EXPECT_EQ(PixelAt({2.2f, 0, 0}), (Rgb{0, 0, 0}));
  // An empty range draws nothing.
  field->GetXSamplingScale()->SetMax(-2);
  RenderAndRead();
  EXPECT_EQ(PixelAt({-1, -1, 0}), (Rgb{0, 0, 0}));
}

// --- Drawing on a bare context ---------------------------------------------------------------

// Asks for a second pass once per application.
class TwoPassShader : public TGLShader {
public:
  TwoPassShader() { SetShaderStyle(ssReplace); }
  int applied = 0;

protected:
  void DoApply(TRenderContextInfo&, TObject*) override {
    ++applied;
    pass_ = 0;
  }
  bool DoUnApply(TRenderContextInfo&) override { return ++pass_ < 2; }

private:
  int pass_ = 0;
};

class MeshOnContext : public DrawableOnContext {
protected:
  TGLMaterialLibrary library_;
  TGLMaterialLibrary lightmaps_;
};

TEST_F(MeshOnContext, EveryKindOfMeshLeavesNoStateBehind) {
  library_.AddTextureMaterial("stone", SolidBitmap(200, 100, 0));
  AddGlowing(library_, "glow", clrRed);
  lightmaps_.AddTextureMaterial("dark", SolidBitmap(80, 80, 80));
  const Case cases[] = {
      {"free form of every face-group kind with materials and light maps",
       [this](TGLDummyCube& r) {
         auto* mesh = r.AddNewChild<TGLFreeForm>();
         mesh->SetMaterialLibrary(&library_);
         mesh->SetLightmapLibrary(&lightmaps_);
         TMeshObject* object = AddMeshObject(*mesh);
         AddQuad(*object, 0, 0, 1, 1, "stone")->SetLightMapIndex(0);
         AddQuad(*object, 1, 0, 2, 1, "glow");
         for (int i = 0; i < object->GetVertices().GetCount(); ++i) {
           object->GetColors().Add(TVector4f{1, 1, 1, 1});
           object->GetLightMapTexCoords().Add(0.5f, 0.5f);
         }
         auto* separate = new TFGVertexNormalTexIndexList(&object->GetFaceGroups());
         separate->GetVertexIndices().Add(0, 1, 2);
         separate->SetMaterialName("stone");
         auto* own = new TFGIndexTexCoordList(&object->GetFaceGroups());
         own->GetVertexIndices().Add(4, 5, 6);
         own->GetTexCoords().AddList(object->GetTexCoords());
         own->GetTexCoords().SetCount(3);
         mesh->SetNormalsOrientation(mnoInvert);
       }},
      {"free form of triangles and a strip with colours",
       [](TGLDummyCube& r) {
         auto* mesh = r.AddNewChild<TGLFreeForm>();
         for (TMeshObjectMode mode : {momTriangles, momTriangleStrip}) {
           auto* object = new TMeshObject(&mesh->GetMeshObjects());
           mesh->GetMeshObjects().Add(object);
           object->SetMode(mode);
           for (const TAffineVector& v : {TAffineVector{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}) {
             object->GetVertices().Add(v);
             object->GetColors().Add(TVector4f{0, 1, 0, 1});
             object->GetTexCoords().Add(v);
           }
         }
       }},
      {"two-sided height field with colours and texture points",
       [](TGLDummyCube& r) {
         auto* field = r.AddNewChild<TGLHeightField>();
         field->GetXSamplingScale()->SetMax(1);
         field->GetYSamplingScale()->SetMax(1);
         field->SetOptions({hfoTwoSided, hfoTextureCoordinates});
         field->SetColorMode(hfcmAmbientAndDiffuse);
         field->GetMaterial()->GetFrontProperties()->SetPolygonMode(pmLines);
       }},
      {"dashed, smoothed axis grid of all three parts",
       [](TGLDummyCube& r) {
         auto* grid = r.AddNewChild<TGLXYZGrid>();
         for (TGLSamplingScale* scale : {grid->GetXSamplingScale(), grid->GetYSamplingScale(), grid->GetZSamplingScale()})
           scale->SetMax(1);
         grid->SetParts({gpX, gpY, gpZ});
         grid->SetLinePattern(0x00FF);
         grid->SetAntiAliased(true);
       }},
      {"skeleton actor with its skeleton drawn over it",
       [](TGLDummyCube& r) {
         auto* actor = r.AddNewChild<TGLActor>();
         auto* root = new TSkeletonBone(&actor->GetSkeleton().GetRootBones(), 0);
         new TSkeletonBone(root, 1);
         for (float angle : {0.0f, 0.5f}) {
           auto* frame = new TSkeletonFrame(&actor->GetSkeleton().GetFrames());
           frame->GetPosition().Add(TAffineVector{0, 0, 0});
           frame->GetPosition().Add(TAffineVector{1, 0, 0});
           frame->GetRotation().Add(TAffineVector{0, 0, angle});
           frame->GetRotation().Add(TAffineVector{0, 0, 0});
         }
         auto* skin = new TSkeletonMeshObject(&actor->GetMeshObjects());
         actor->GetMeshObjects().Add(skin);
         skin->SetMode(momFaceGroups);
         AddQuad(*skin, 0, 0, 2, 1, "");
         skin->SetVerticeBoneWeightCount(4);
         skin->SetBonesPerVertex(1);
         skin->VerticesBonesWeights(1)[0].BoneID = 1;
         skin->VerticesBonesWeights(2)[0].BoneID = 1;
         skin->PrepareBoneMatrixInvertedMeshes();
         actor->SetReference(aarSkeleton);
         actor->PrepareMesh();
         actor->SetCurrentFrameDelta(0.5f);
         actor->SetOverlaySkeleton(true);
       }},
  };
  ExpectEachLeavesNoState(cases);
}

TEST_F(MeshOnContext, GroupsOfAMultiPassMaterialAreDrawnOnEveryPass) {
  TwoPassShader shader;
  library_.GetMaterials()->Add()->SetName("twice");
  library_.LibMaterialByName("twice")->SetShader(&shader);
  auto* mesh = root_->AddNewChild<TGLFreeForm>();
  mesh->SetMaterialLibrary(&library_);
  mesh->SetObjectStyle(mesh->GetObjectStyle() | sosDirectDraw);
  TMeshObject* object = AddMeshObject(*mesh);
  for (const char* material : {"twice", "", "twice"}) AddQuad(*object, 0, 0, 1, 1, material);
  for (bool byMaterial : {true, false}) {
    SCOPED_TRACE(byMaterial);
    object->SetRenderingOptions(byMaterial ? TMeshObjectRenderingOptions{moroGroupByMaterial}
                                           : TMeshObjectRenderingOptions{});
    shader.applied = 0;
    GLCallRecorder calls;
    TRenderContextInfo rci;
    root_->Render(rci);
    // By material: both groups of the material in one application of two
    // passes, then the plain one. Contiguous: each group on its own.
    EXPECT_EQ(shader.applied, byMaterial ? 1 : 2);
    EXPECT_EQ(calls.Count("glDrawElements"), byMaterial ? 2 * 2 + 1 : 2 + 1 + 2);
  }
  library_.LibMaterialByName("twice")->SetShader(nullptr);
  ExpectNoStateLeft();
}

TEST_F(MeshOnContext, GroupsSharingALightMapBindItOnce) {
  ASSERT_TRUE(GL().Extensions.ARB_multitexture);
  lightmaps_.AddTextureMaterial("a", SolidBitmap(10, 10, 10));
  lightmaps_.AddTextureMaterial("b", SolidBitmap(20, 20, 20));
  auto* mesh = root_->AddNewChild<TGLFreeForm>();
  mesh->SetLightmapLibrary(&lightmaps_);
  mesh->SetObjectStyle(mesh->GetObjectStyle() | sosDirectDraw);
  TMeshObject* object = AddMeshObject(*mesh);
  for (int index : {0, 0, 1, 1, -1}) {
    AddQuad(*object, 0, 0, 1, 1, "")->SetLightMapIndex(index);
    for (int k = 0; k < 4; ++k) object->GetLightMapTexCoords().Add(0.0f, 0.0f);
  }
  GLCallRecorder calls;
  TRenderContextInfo rci;
  root_->Render(rci);
  calls.SetPaused(true);
  EXPECT_EQ(calls.Count("glTexEnvi"), 2);
  EXPECT_EQ(calls.Count("glDrawElements"), 5);
  ExpectNoStateLeft();
  GLint unit1Texture = 0;
  GLDriverApi().glActiveTextureARB(GL_TEXTURE1_ARB);
  GLDriverApi().glGetIntegerv(GL_TEXTURE_2D, &unit1Texture);
  GLDriverApi().glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_EQ(unit1Texture, GL_FALSE) << "the light-map unit is left textured";
}

TEST_F(MeshOnContext, InvertedNormalsTurnTheWindingOnlyWhileTheMeshDraws) {
  auto* mesh = root_->AddNewChild<TGLFreeForm>();
  mesh->SetNormalsOrientation(mnoInvert);
  AddQuad(*AddMeshObject(*mesh), 0, 0, 1, 1, "");
  GLCallRecorder calls;
  RenderTwice(*root_);
  calls.SetPaused(true);
  // Per frame: turned for the drawing, turned back, then the caches' reset
  // after a mesh has drawn.
  std::vector<double> fronts;
  for (const GLCall& call : calls.CallsOf("glFrontFace")) fronts.push_back(call.Args[0]);
  EXPECT_EQ(fronts, (std::vector<double>{GL_CW, GL_CCW, GL_CCW, GL_CW, GL_CCW, GL_CCW}));
  GLint front = 0;
  GLDriverApi().glGetIntegerv(GL_FRONT_FACE, &front);
  EXPECT_EQ(front, GL_CCW);
  ExpectNoStateLeft();
}

}  // namespace
