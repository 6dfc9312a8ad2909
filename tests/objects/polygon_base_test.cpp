#include "objects/polygon_base.h"

#include <gtest/gtest.h>

#include "tests/objects/drawable_test_support.h"

namespace {

TEST(TGLPolygonBase, NodeChangesAndSettersRebuildTheGeometry) {
  Counting<TGLPolygonBase> polygon;
  EXPECT_EQ(polygon.GetDivision(), 10);
  EXPECT_EQ(polygon.GetSplineMode(), lsmLines);
  polygon.ResetCounts();
  polygon.AddNode({1, 2, 3});
  EXPECT_GE(polygon.structure, 1);
  polygon.ResetCounts();
  polygon.GetNodes()->GetItems(0)->SetX(5);
  EXPECT_EQ(polygon.structure, 1);
  polygon.ResetCounts();
  polygon.SetDivision(0);
  EXPECT_EQ(polygon.GetDivision(), 1);
  polygon.SetDivision(1);
  polygon.SetSplineMode(lsmCubicSpline);
  EXPECT_EQ(polygon.structure, 2);
}

TEST(TGLPolygonBase, AssignCopiesNodesDivisionAndSplineMode) {
  TGLPolygonBase source;
  source.AddNode({1, 0, 0});
  source.AddNode({0, 1, 0});
  source.SetDivision(4);
  source.SetSplineMode(lsmCubicSpline);
  TGLPolygonBase copy;
  copy.AddNode({9, 9, 9});
  copy.Assign(&source);
  ASSERT_EQ(copy.GetNodes()->GetCount(), 2);
  EXPECT_EQ(copy.GetNodes()->GetItems(1)->GetY(), 1.0f);
  EXPECT_EQ(copy.GetDivision(), 4);
  EXPECT_EQ(copy.GetSplineMode(), lsmCubicSpline);
  // The copy's nodes are its own.
  source.GetNodes()->GetItems(0)->SetX(7);
  EXPECT_EQ(copy.GetNodes()->GetItems(0)->GetX(), 1.0f);
}

TEST(TGLPolygonBase, DescendantsHandInTheirOwnNodes) {
  bool made = false;
  TGLPolygonBase polygon(nullptr, [&made](TGLPolygonBase* owner) {
    made = true;
    return std::make_unique<TGLNodes>(owner);
  });
  EXPECT_TRUE(made);
  EXPECT_EQ(polygon.GetNodes()->GetOwner(), &polygon);
}

}  // namespace
