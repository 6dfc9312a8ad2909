#include "client/world_positions.h"

#include <gtest/gtest.h>

#include "client/client_globals.h"
#include "client/xml_list_dom.h"
#include "world_fixture.h"

namespace {

std::unique_ptr<TXMLListDOM> Element(const std::string& text) {
  auto list = std::make_unique<TXMLListDOM>("UNDEFINEDAREA");
  list->LoadFromFile(world_fixture::WriteFile("area.xml", text));
  EXPECT_FALSE(list->IsEmpty()) << list->GetLoadError();
  return list;
}

TEST(GroundHeights, FirstHeightOfACellStays) {
  TGroundHeightList list;
  list.Add(3, 4, 10);
  list.Add(3, 4, 20);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetHeight(3, 4), 10);
  EXPECT_EQ(list.GetHeight(4, 3), -1);
  EXPECT_FALSE(list.FindHeight(4, 3).has_value());
}

TEST(GroundHeights, NearestHeightPrefersExactThenFirstOfEquals) {
  TGroundHeightList list;
  EXPECT_EQ(list.GetNearestHeight(0, 0), -1);
  list.Add(0, 0, 5);
  list.Add(2, 0, 7);
  EXPECT_EQ(list.GetNearestHeight(1, 0), 5);
  EXPECT_EQ(list.GetNearestHeight(2, 0), 7);
  EXPECT_EQ(list.GetNearestHeight(3, 1), 7);
}

TEST(GroundHeights, RecordedMinusOneLooksLikeNoneButFindHeightTellsThemApart) {
  TGroundHeightList list;
  list.Add(1, 1, -1);
  EXPECT_EQ(list.GetHeight(1, 1), -1);
  EXPECT_EQ(list.FindHeight(1, 1), std::optional<int32_t>(-1));
}

TEST(GroundHeights, LoadFromXMLReadsEveryChildAndRejectsNonNumbers) {
  TGroundHeightList list;
  list.LoadFromXML(R"(<TERRAINHEIGHTS>
    <!-- known heights -->
    <H x="100" y="101" z="3"/>
    <H x="100" y="101" z="9"/>
    <H x="-2" y="7" z="-4"/>
  </TERRAINHEIGHTS>)");
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetHeight(100, 101), 3);
  EXPECT_EQ(list.GetHeight(-2, 7), -4);
  EXPECT_THROW(list.LoadFromXML(R"(<T><H x="1" y="2"/></T>)"), EConvertError);
  EXPECT_THROW(list.LoadFromXML(R"(<T><H x="a" y="2" z="3"/></T>)"), EConvertError);
  EXPECT_THROW(list.LoadFromXML("<T><H"), EXmlError);
}

TEST(PhrasePositions, FirstContainedPhraseWins) {
  TPhrasePositionList list;
  list.Add(1, 2, "the void");
  list.Add(3, 4, "void");
  list.Add(5, 6, "");
  TPhrasePosition found;
  ASSERT_TRUE(list.FindPhrase("you enter the void", found));
  EXPECT_EQ(found.x, 1);
  ASSERT_TRUE(list.FindPhrase("a VOID and a void", found));
  EXPECT_EQ(found.x, 3);
  EXPECT_FALSE(list.FindPhrase("nothing here", found));
  EXPECT_EQ(found.x, -1);
  EXPECT_EQ(found.y, -1);
}

TEST(UndefinedArea, WithoutElementItIsAtTheOrigin) {
  TUndefinedarea area(nullptr);
  EXPECT_TRUE(area.IsAt(0, 0));
  EXPECT_FALSE(area.fog);
  EXPECT_EQ(area.colour, -1);
  EXPECT_EQ(area.phrases.GetCount(), 0);
  EXPECT_EQ(area.targetposition[3], 1.0f);
}

TEST(UndefinedArea, FogVariantReadsTargetAndPhrases) {
  auto element = Element(R"(<UNDEFINEDAREA mudx="5" mudy="6" mudz="1" tomudx="100" tomudy="101" tomudz="0" fog="true">
  <PHRASEPOSITIONS><P name="the void" x="110" y="x"/></PHRASEPOSITIONS></UNDEFINEDAREA>)");
  TUndefinedarea area(element.get());
  EXPECT_TRUE(area.IsAt(5, 6));
  EXPECT_TRUE(area.IsAtVector(TVector4f(5, 6, 9, 1)));
  EXPECT_FALSE(area.IsAt(5.5f, 6));
  EXPECT_EQ(area.mudposition[2], 1.0f);
  EXPECT_EQ(area.targetposition[0], 100.0f);
  EXPECT_EQ(area.targetposition[1], 101.0f);
  EXPECT_TRUE(area.fog);
  EXPECT_EQ(area.colour, -1);
  ASSERT_EQ(area.phrases.GetCount(), 1);
  EXPECT_EQ(area.phrases.Get(0).phrase, "the void");
  EXPECT_EQ(area.phrases.Get(0).y, -1);
}

TEST(UndefinedArea, ColourVariantSkipsTargetAndTextureVariantSkipsBoth) {
  auto coloured = Element(R"(<UNDEFINEDAREA mudx="5" mudy="6" mudz="0" color="112233" tomudx="9" fog="true"/>)");
  TUndefinedarea area(coloured.get());
  EXPECT_EQ(area.colour, 0x332211);
  EXPECT_EQ(area.targetposition[0], 0.0f);
  EXPECT_FALSE(area.fog);

  auto textured = Element(R"(<UNDEFINEDAREA mudx="5" mudy="6" texture="textures\void.bmp" color="zz" tomudx="9" fog="true"/>)");
  TUndefinedarea textureArea(textured.get());
  EXPECT_EQ(textureArea.texture, "textures\\void.bmp");
  EXPECT_EQ(textureArea.colour, -1);
  EXPECT_FALSE(textureArea.fog);

  auto malformed = Element(R"(<UNDEFINEDAREA mudx="5" mudy="6" color="zz"/>)");
  EXPECT_THROW(TUndefinedarea{malformed.get()}, EConvertError);
}

}  // namespace
