// The watcher of a scene object: it hears what may change how or whether
// the object is drawn, hears a change of what the object's material holds
// as the material's own (nothing to rebuild), and hears the object go.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/custom_scene_object.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/material.h"
#include "engine/material_library.h"
#include "engine/scene.h"
#include "engine/scene_node.h"
#include "engine/texture.h"
#include "platform/picture/bitmap.h"

namespace {

class RecordingWatcher : public TSceneObjectWatcher {
public:
  struct Notice {
    TGLBaseSceneObject* object;
    std::uint32_t tag;
    TSceneObjectChange change;
  };
  void SceneObjectChanged(TGLBaseSceneObject& object, std::uint32_t tag, TSceneObjectChange change) override {
    notices.push_back({&object, tag, change});
  }
  int Count(TSceneObjectChange change) const {
    int n = 0;
    for (const Notice& notice : notices) n += notice.change == change;
    return n;
  }
  std::vector<Notice> notices;
};

class SceneWatcher : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"stone", "wood"}) library.AddTextureMaterial(name, Bitmap(2, 2, pf24bit));
    object = scene.GetObjects()->AddNewChild<TGL3DSceneObject>();
    object->GetMaterial()->SetMaterialLibrary(&library);
    object->GetMaterial()->SetLibMaterialName("stone");
    object->GetAbsoluteMatrix();  // as a frame reads it
    object->SetWatcher(&watcher, 7);
  }

  TGLLibMaterial& Stone() { return *library.LibMaterialByName("stone"); }

  RecordingWatcher watcher;  // outlives the objects it hears
  TGL3DScene scene;
  TGLMaterialLibrary library;
  TGL3DSceneObject* object = nullptr;
};

TEST_F(SceneWatcher, HearsShapesAndMaterialsApart) {
  using C = TSceneObjectChange;
  const struct {
    const char* what;
    std::function<void()> act;
    int shapes, materials;  // 1: heard at least once, 0: not heard
  } steps[] = {
      {"moved", [&] { object->GetPosition()->SetX(3); }, 1, 0},
      {"hidden", [&] { object->SetVisible(false); }, 1, 0},
      {"hidden again", [&] { object->SetVisible(false); }, 0, 0},
      {"reshaped", [&] { object->StructureChanged(); }, 1, 0},
      {"a child came", [&] { object->AddNewChild<TGLBaseSceneObject>(); }, 1, 0},
      {"the children went", [&] { object->DeleteChildren(); }, 1, 0},
      {"its material's colour", [&] { Stone().GetMaterial()->GetFrontProperties()->GetEmission()->SetColor({1, 0, 0, 1}); },
       0, 1},
      {"its texture's picture", [&] { Stone().GetMaterial()->GetTexture()->AssignBitmap(Bitmap(4, 4, pf24bit)); }, 0, 1},
      {"its texture's brightness", [&] { Stone().GetMaterial()->GetTexture()->SetImageBrightness(0.5f); }, 0, 1},
      {"another material", [&] { object->GetMaterial()->SetLibMaterialName("wood"); }, 1, 0},
      {"its material left the library",
       [&] { library.GetMaterials()->Delete(library.LibMaterialByName("wood")->GetIndex()); }, 1, 0},
  };
  for (const auto& step : steps) {
    watcher.notices.clear();
    step.act();
    EXPECT_EQ(watcher.Count(C::Shape) > 0, step.shapes == 1) << step.what;
    EXPECT_EQ(watcher.Count(C::Material) > 0, step.materials == 1) << step.what;
    EXPECT_EQ(watcher.Count(C::Gone), 0) << step.what;
    for (const auto& notice : watcher.notices) {
      EXPECT_EQ(notice.object, object) << step.what;
      EXPECT_EQ(notice.tag, 7u) << step.what;
    }
  }
  EXPECT_FALSE(object->GetMaterial()->HasLibMaterial());
}

TEST_F(SceneWatcher, HearsTheObjectGoAndNothingOnceReplaced) {
  auto* other = scene.GetObjects()->AddNewChild<TGLBaseSceneObject>();
  other->SetWatcher(&watcher, 3);
  other->SetWatcher(nullptr);
  other->GetPosition()->SetX(1);
  EXPECT_TRUE(watcher.notices.empty());

  scene.GetObjects()->Remove(object, false).reset();
  ASSERT_FALSE(watcher.notices.empty());
  EXPECT_EQ(watcher.notices.back().change, TSceneObjectChange::Gone);
  EXPECT_EQ(watcher.notices.back().tag, 7u);
  EXPECT_EQ(watcher.Count(TSceneObjectChange::Gone), 1);
}

}  // namespace
