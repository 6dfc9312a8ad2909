#include "engine/class_registry.h"

#include <gtest/gtest.h>

#include "engine/engine_errors.h"

namespace {
class TShapeBase : public TPersistent {
  CLIENT_DECLARE_CLASS(TShapeBase)
public:
  virtual int Sides() const = 0;
};
CLIENT_DEFINE_CLASS(TShapeBase, TPersistent)

class TTriangleShape : public TShapeBase {
  CLIENT_DECLARE_CLASS(TTriangleShape)
public:
  int Sides() const override { return 3; }
};
CLIENT_DEFINE_CLASS(TTriangleShape, TShapeBase)
CLIENT_REGISTER_CLASS(TTriangleShape);

class TSquareShape : public TTriangleShape {
  CLIENT_DECLARE_CLASS(TSquareShape)
public:
  int Sides() const override { return 4; }
};
CLIENT_DEFINE_CLASS(TSquareShape, TTriangleShape)
}  // namespace

TEST(ClassRegistry, MetadataNamesParentsAndAncestry) {
  const TClassInfo& sq = TSquareShape::StaticClass();
  EXPECT_EQ(sq.ClassName(), "TSquareShape");
  EXPECT_EQ(sq.ClassParent(), &TTriangleShape::StaticClass());
  EXPECT_TRUE(sq.InheritsFrom(TShapeBase::StaticClass()));
  EXPECT_TRUE(sq.InheritsFrom(TObject::StaticClass()));
  EXPECT_TRUE(sq.InheritsFrom(sq));
  EXPECT_FALSE(TTriangleShape::StaticClass().InheritsFrom(sq));
  EXPECT_FALSE(TShapeBase::StaticClass().CanCreate());
}

TEST(ClassRegistry, FactoryActsAsVirtualConstructor) {
  const TShapeBase& proto = TSquareShape();
  const std::unique_ptr<TShapeBase> made = CreateInstanceAs<TShapeBase>(proto.ClassType());
  EXPECT_EQ(made->Sides(), 4);
  EXPECT_EQ(made->ClassName(), "TSquareShape");
  EXPECT_THROW(TShapeBase::StaticClass().Create(), EAssertionFailed);
  EXPECT_THROW(CreateInstanceAs<TSquareShape>(TTriangleShape::StaticClass()), EAssertionFailed);
}

TEST(ClassRegistry, LookupByRegisteredName) {
  EXPECT_EQ(GetClass("TTriangleShape"), &TTriangleShape::StaticClass());
  EXPECT_EQ(GetClass("TSquareShape"), nullptr);  // never registered
  EXPECT_THROW(FindClass("TSquareShape"), EClassNotFound);
  try {
    FindClass("TNothing");
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNothing not found");
  }
  RegisterClass(TSquareShape::StaticClass());
  EXPECT_EQ(&FindClass("TSquareShape"), &TSquareShape::StaticClass());
  UnRegisterClass(TSquareShape::StaticClass());
  EXPECT_EQ(GetClass("TSquareShape"), nullptr);
}

TEST(ClassRegistry, PersistentNamePathAndAssignError) {
  TTriangleShape a;
  EXPECT_EQ(a.GetNamePath(), "TTriangleShape");
  TSquareShape b;
  try {
    b.Assign(&a);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TTriangleShape to a TSquareShape");
  }
}
