// Observable values: who hears a change and when, the 16-byte value
// streams, colour conversions, face properties and nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include <unistd.h>

#include "engine/component.h"
#include "engine/face_properties.h"
#include "engine/gl_color.h"
#include "engine/gl_coordinates.h"
#include "engine/gl_nodes.h"
#include "engine/manager_registry.h"
#include "engine/notify_collection.h"
#include "engine/update_able_object.h"
#include "engine/engine_errors.h"
#include "engine/vector_geometry.h"
#include "platform/base/assertion.h"

namespace {

// An owner that counts what it hears.
class CountingOwner : public TGLUpdateAbleObject {
public:
  int changes = 0;
  void NotifyChange(TObject*) override { ++changes; }
};

// A scene-object-like owner.
class ListeningOwner : public TPersistent, public SceneValueListener {
public:
  int coordinateChanges = 0;
  int structureChanges = 0;
  void CoordinateChanged(TGLCoordinates*) override { ++coordinateChanges; }
  void StructureChanged() override { ++structureChanges; }
  void TextureMatrixChanged() override {}
};

class CountingComponent : public TGLUpdateAbleComponent {
public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  int changes = 0;
  void NotifyChange(TObject* sender) override {
    ++changes;
    TGLUpdateAbleComponent::NotifyChange(sender);
  }
};

TEST(GLCoordinates, EverySetterNotifiesEvenForTheSameValue) {
  CountingOwner owner;
  TGLCoordinates c(&owner, {1, 2, 3, 0}, csVector);
  c.SetX(1);
  c.SetX(1);
  c.SetVector(1, 2, 3);
  c.Scale(1);
  c.Normalize();
  EXPECT_EQ(owner.changes, 5);
  c.SetDirectVector({4, 5, 6, 0});
  c.Initialize({4, 5, 6, 0});
  TGLCoordinates other(nullptr, {7, 8, 9, 1}, csPoint);
  c.Assign(&other);
  EXPECT_EQ(owner.changes, 5) << "direct copies are silent";
  EXPECT_TRUE(c.Equals({7, 8, 9, 1}));
}

TEST(GLCoordinates, SceneObjectOwnerHearsThroughCoordinateChanged) {
  ListeningOwner owner;
  TGLCoordinates c(&owner, {0, 0, 0, 1}, csPoint);
  c.SetPoint(1, 2, 3);
  EXPECT_EQ(owner.coordinateChanges, 1);
  EXPECT_EQ(owner.structureChanges, 0);
  c.BeginUpdate();
  c.SetX(5);
  EXPECT_EQ(owner.coordinateChanges, 1) << "silent while updating";
  c.EndUpdate();
  EXPECT_EQ(owner.coordinateChanges, 2);
}

TEST(GLCoordinates, StyleGuardsPointAndVectorSetters) {
  TGLCoordinates point(nullptr, {0, 0, 0, 1}, csPoint);
  TGLCoordinates vector(nullptr, {0, 0, 1, 0}, csVector);
  EXPECT_THROW(point.SetVector(1, 0, 0), EAssertionFailed);
  EXPECT_THROW(point.SetVector4(1, 0, 0, 0), EAssertionFailed);
  EXPECT_THROW(vector.SetPoint(1, 0, 0), EAssertionFailed);
  point.SetAsVector({1, 2, 3, 7});
  vector.SetAsVector({1, 2, 3, 7});
  TGLCoordinates free(nullptr, {}, csUnknown);
  free.SetAsVector({1, 2, 3, 7});
  EXPECT_EQ(point.GetW(), 1.0f);
  EXPECT_EQ(vector.GetW(), 0.0f);
  EXPECT_EQ(free.GetW(), 7.0f);
}

TEST(GLCoordinates, StreamsSixteenLittleEndianBytes) {
  TGLCoordinates c(nullptr, {1.0f, -2.0f, 0.5f, 1.0f}, csPoint);
  const std::array<std::uint8_t, 16> expected = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0,
                                                 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0x3F};
  EXPECT_EQ(c.WriteData(), expected);
  TGLCoordinates back;
  ASSERT_TRUE(back.ReadData(expected));
  EXPECT_TRUE(back.Equals({1.0f, -2.0f, 0.5f, 1.0f}));
  const std::uint8_t shortData[15] = {};
  EXPECT_FALSE(back.ReadData(shortData));
  EXPECT_TRUE(back.Equals({1.0f, -2.0f, 0.5f, 1.0f})) << "a short property leaves the value";
}

TEST(GLCoordinates, RotateTurnsAboutTheAxis) {
  TGLCoordinates c(nullptr, {1, 0, 0, 0}, csVector);
  c.Rotate({0, 0, 1}, static_cast<float>(M_PI / 2));
  EXPECT_NEAR(std::fabs(c.GetY()), 1.0f, 1e-6f);
  EXPECT_NEAR(c.GetX(), 0.0f, 1e-6f);
}

TEST(GLColor, ComponentSetterNotifiesOnlyOnChange) {
  CountingOwner owner;
  TGLColor color(&owner);
  EXPECT_TRUE(color.GetColor()[3] == 1.0f && color.GetRed() == 0.0f);
  color.SetRed(0);
  EXPECT_EQ(owner.changes, 0);
  color.SetRed(0.5f);
  EXPECT_EQ(owner.changes, 1);
  color.SetColor(color.GetColor());
  EXPECT_EQ(owner.changes, 2) << "SetColor always notifies";
}

TEST(GLColor, SceneObjectOwnerRecompilesThenHears) {
  ListeningOwner owner;
  int events = 0;
  TGLColor color(&owner, clrWhite, [&](TObject*) { ++events; });
  color.SetGreen(0.25f);
  EXPECT_EQ(owner.structureChanges, 1);
  EXPECT_EQ(events, 1);
}

TEST(GLColor, OwnerComponentHears) {
  CountingComponent parent;
  CountingComponent child(&parent);
  TGLColor color(&child);
  color.SetBlue(1);
  EXPECT_EQ(child.changes, 1);
  EXPECT_EQ(parent.changes, 1) << "climbs to an update-able owner";
}

TEST(GLColor, WinColorsConvertBothWaysAndClamp) {
  TGLColor color;
  color.SetAsWinColor(0x00336699);  // 0x00BBGGRR
  EXPECT_FLOAT_EQ(color.GetRed(), 0x99 / 255.0f);
  EXPECT_FLOAT_EQ(color.GetGreen(), 0x66 / 255.0f);
  EXPECT_FLOAT_EQ(color.GetBlue(), 0x33 / 255.0f);
  EXPECT_EQ(color.GetAsWinColor(), 0x00336699);
  color.SetColor({2.0f, -1.0f, 0.5f, 1.0f});
  EXPECT_EQ(color.GetAsWinColor(), 0x008000FF) << "out-of-range channels stay in their byte";
  color.SetAsWinColor(clBtnFace);
  EXPECT_EQ(color.GetAsWinColor(), 0x00C8D0D4);
  EXPECT_EQ(ConvertWinColor(clSystemColor | 200)[0], 0.0f) << "unknown system colour is black";
}

TEST(GLColor, StreamsSixteenBytes) {
  TGLColor color(nullptr, {0, 0, 0, 1});
  const auto data = color.WriteData();
  EXPECT_EQ(data[12], 0x00);
  EXPECT_EQ(data[14], 0x80);
  EXPECT_EQ(data[15], 0x3F);
}

TEST(GLFaceProperties, DefaultsAndNotifications) {
  CountingOwner owner;
  TGLFaceProperties face(&owner);
  EXPECT_FLOAT_EQ(face.GetAmbient()->GetRed(), 0.2f);
  EXPECT_FLOAT_EQ(face.GetDiffuse()->GetGreen(), 0.8f);
  EXPECT_EQ(face.GetSpecular()->GetColor()[3], 1.0f);
  EXPECT_EQ(face.GetPolygonMode(), pmFill);
  EXPECT_EQ(face.GetShininess(), 0);
  face.GetDiffuse()->SetRed(1);
  EXPECT_EQ(owner.changes, 1) << "a colour change climbs through the face";
  face.SetShininess(0);
  face.SetPolygonMode(pmFill);
  EXPECT_EQ(owner.changes, 1);
  face.SetShininess(200);
  EXPECT_EQ(face.GetShininess(), 128);
  TGLFaceProperties copy;
  copy.Assign(&face);
  EXPECT_EQ(copy.GetShininess(), 128);
  EXPECT_FLOAT_EQ(copy.GetDiffuse()->GetRed(), 1.0f);
}

TEST(GLNodes, GeometryOfTheNodes) {
  TGLNodes nodes(nullptr);
  EXPECT_TRUE(AffineVectorIsNull(nodes.Barycenter()));
  nodes.AddNode(0, 0, 0);
  nodes.AddNode(2, 0, 0);
  EXPECT_TRUE(AffineVectorIsNull(nodes.Normal())) << "two nodes have no normal";
  nodes.AddNode(2, 2, 0);
  const TAffineVector n = nodes.Normal();
  EXPECT_FLOAT_EQ(n[2], 1.0f);
  const TAffineVector b = nodes.Barycenter();
  EXPECT_FLOAT_EQ(b[0], 4.0f / 3.0f);
  const TAffineVector v0 = nodes.Vector(0);
  EXPECT_FLOAT_EQ(v0[0], 1.0f);
  EXPECT_THROW(nodes.Vector(3), EAssertionFailed);
  nodes.RotateAroundY(90);
  EXPECT_NEAR(nodes.GetItems(1)->GetZ(), -2.0f, 1e-5f);
}

TEST(GLNodes, SingleNodeHasNoDirection) {
  TGLNodes nodes(nullptr);
  nodes.AddNode(1, 1, 1);
  EXPECT_TRUE(AffineVectorIsNull(nodes.Vector(0)));
}

TEST(GLNodes, DisplayNameHasFourDecimalsAndFullStops) {
  TGLNodes nodes(nullptr);
  TGLNode* node = nodes.AddNode(1.5f, -0.25f, 3.0f);
  EXPECT_EQ(node->GetDisplayName(), "1.5000; -0.2500; 3.0000");
}

TEST(GLNodes, NodeChangesReachTheOwnerComponent) {
  CountingComponent owner;
  TGLNodes nodes(&owner);
  nodes.AddNode(0, 0, 0);
  EXPECT_EQ(owner.changes, 1);
  nodes.GetItems(0)->SetX(3);
  EXPECT_EQ(owner.changes, 2);
  auto copy = TGLNodes::CreateCopy(&nodes, nullptr);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetItems(0)->GetX(), 3.0f);
  EXPECT_EQ(TGLNodes::CreateCopy(nullptr, nullptr), nullptr);
}

TEST(NotifyCollection, ChangesReachTheOwnerComponent) {
  CountingComponent owner;
  TNotifyCollection collection(&owner, TCollectionItem::StaticClass());
  collection.Add();
  collection.Add();
  EXPECT_EQ(owner.changes, 2);
  collection.BeginUpdate();
  collection.Delete(0);
  collection.Clear();
  collection.EndUpdate();
  EXPECT_EQ(owner.changes, 3);
  EXPECT_THROW(collection.GetItems(0), EListError);
}

TEST(Component, FreeNotificationTellsTheOtherSide) {
  struct Watcher : TComponent {
    TComponent* watched = nullptr;
    void Notification(TComponent* c, TOperation op) override {
      if (op == opRemove && c == watched) watched = nullptr;
    }
  } watcher;
  auto target = std::make_unique<TComponent>();
  watcher.watched = target.get();
  target->FreeNotification(&watcher);
  target.reset();
  EXPECT_EQ(watcher.watched, nullptr);
}

}  // namespace

namespace {

TEST(ManagerRegistry, FindsByClassAndExactName) {
  TGLUpdateAbleComponent sound;
  sound.SetName("Sound");
  TComponent other;
  other.SetName("Sound");
  EXPECT_EQ(RegisterManager(&other), RegisterManager(&other)) << "listed once";
  RegisterManager(&sound);
  EXPECT_EQ(FindManager(TGLUpdateAbleComponent::StaticClass(), "Sound"), &sound);
  EXPECT_EQ(FindManager(TComponent::StaticClass(), "Sound"), &other);
  EXPECT_EQ(FindManager(TGLUpdateAbleComponent::StaticClass(), "sound"), nullptr);
  DeRegisterManager(&sound);
  DeRegisterManager(&other);
  EXPECT_EQ(FindManager(TComponent::StaticClass(), "Sound"), nullptr);
}

TEST(TextFiles, WriteReadAndSize) {
  const std::string path = (std::filesystem::temp_directory_path() / ("textfile_" + std::to_string(getpid()))).string();
  EXPECT_EQ(ReadTextFile(path), "");
  EXPECT_EQ(FileSizeOf(path), 0);
  WriteTextFile(path, std::string("a\r\nb\0c", 6));
  EXPECT_EQ(ReadTextFile(path), std::string("a\r\nb\0c", 6));
  EXPECT_EQ(FileSizeOf(path), 6);
  std::filesystem::remove(path);
  EXPECT_THROW(WriteTextFile("/nonexistent-folder/x.txt", "x"), EFOpenError);
}

}  // namespace
