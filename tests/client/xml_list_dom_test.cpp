#include "client/xml_list_dom.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "client/client_globals.h"
#include "world_fixture.h"

namespace {

using world_fixture::WriteFile;

// A list loaded from a text written to a file, as the client loads worlds.
std::unique_ptr<TXMLListDOM> Load(const std::string& text, const char* name = "list.xml") {
  auto list = std::make_unique<TXMLListDOM>("ROOT");
  list->LoadFromFile(WriteFile(name, text));
  return list;
}

const char* const kIndented = R"(<ROOT a="1">
  <!-- a comment between the elements -->
  <ITEM n="first"/>

  <?note a processing instruction?>
  <ITEM n="second">  inner text  </ITEM>
  <ITEM n="third"><SUB n="deep"/></ITEM>
</ROOT>
)";

TEST(XMLListDOM, OnlyElementsCountAsChildren) {
  auto list = Load(kIndented);
  ASSERT_FALSE(list->IsEmpty()) << list->GetLoadError();
  EXPECT_EQ(list->GetCount(), 3);
  EXPECT_EQ(list->GetItem(0)->GetString("n"), "first");
  EXPECT_EQ(list->GetItem(2)->GetString("n"), "third");
}

TEST(XMLListDOM, GetItemReusesOneCursorAndStopsAtCount) {
  auto list = Load(kIndented);
  TXMLListDOM* first = list->GetItem(0);
  TXMLListDOM* second = list->GetItem(1);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->GetString("n"), "second");
  EXPECT_EQ(list->GetItem(3), nullptr);
  EXPECT_EQ(list->GetItem(-1), nullptr);
  TXMLListDOM fresh("EMPTY");
  EXPECT_EQ(fresh.GetItem(0), nullptr);
  EXPECT_EQ(list->SelectChild("ITEM"), first) << "selections move the same cursor";
}

TEST(XMLListDOM, SelectSingleMissGivesEmptyCursor) {
  auto list = Load(kIndented);
  TXMLListDOM* miss = list->SelectSingle("NOTHING");
  ASSERT_NE(miss, nullptr);
  EXPECT_TRUE(miss->IsEmpty());
  EXPECT_EQ(miss->GetCount(), 0);
  EXPECT_THROW(miss->GetString("n"), EXmlError);
  EXPECT_EQ(list->SelectPath("ITEM/SUB")->GetString("n"), "deep");
}

TEST(XMLListDOM, AttributeFallBacksNeverFailOnMissingAttributes) {
  auto list = Load(R"(<ROOT s="x" i="12" letters="abc" blank="   " f="2.5" bad="2,5" t="t" T="TRUE" no="false" yes="yes" e=""/>)");
  EXPECT_EQ(list->GetString("missing"), "");
  EXPECT_EQ(list->GetInteger("missing"), -1);
  EXPECT_EQ(list->GetFloat("missing"), -1.0);
  EXPECT_FALSE(list->GetBool("missing"));
  EXPECT_EQ(list->GetInteger("i"), 12);
  EXPECT_EQ(list->GetInteger("letters"), -1);
  EXPECT_EQ(list->GetInteger("f"), -1);
  EXPECT_EQ(list->GetFloat("blank"), -1.0);
  EXPECT_EQ(list->GetFloat("f"), 2.5);
  EXPECT_THROW(list->GetFloat("bad"), EConvertError);
  EXPECT_TRUE(list->GetBool("t"));
  EXPECT_TRUE(list->GetBool("T"));
  EXPECT_FALSE(list->GetBool("no"));
  EXPECT_FALSE(list->GetBool("yes"));
  EXPECT_FALSE(list->GetBool("e"));
}

TEST(XMLListDOM, AssignMakesADeepCopyThatEditsDoNotShare) {
  auto list = Load(kIndented);
  TXMLListDOM copy("ITEM");
  copy.Assign(list->GetItem(2));
  copy.SetString("n", "changed");
  copy.SelectChild("SUB")->SetString("n", "changed too");
  EXPECT_EQ(list->GetItem(2)->GetString("n"), "third");
  EXPECT_EQ(list->SelectPath("ITEM/SUB")->GetString("n"), "deep");
  EXPECT_EQ(copy.GetString("n"), "changed");
  // The copy outlives the list it came from.
  list.reset();
  EXPECT_EQ(copy.SelectChild("SUB")->GetString("n"), "changed too");
}

TEST(XMLListDOM, AssignIntoACursorReplacesTheNodeInItsParent) {
  auto list = Load(kIndented);
  TXMLListDOM replacement("ITEM");
  replacement.SetString("n", "replacement");
  TXMLListDOM* cursor = list->GetItem(0);
  cursor->Assign(&replacement);
  EXPECT_EQ(list->GetCount(), 3);
  EXPECT_EQ(list->GetItem(0)->GetString("n"), "replacement");
  EXPECT_EQ(list->GetItem(1)->GetString("n"), "second");
}

TEST(XMLListDOM, AssignOfNothingEmptiesTheList) {
  auto list = Load(kIndented);
  list->Assign(nullptr);
  EXPECT_TRUE(list->IsEmpty());
  EXPECT_EQ(list->GetCount(), 0);
}

TEST(XMLListDOM, TextIsTrimmedAtBothEnds) {
  auto list = Load(kIndented);
  EXPECT_EQ(list->GetItem(1)->GetText(), "inner text");
  EXPECT_EQ(list->GetItem(1)->GetRawText(), "  inner text  ");
}

TEST(XMLListDOM, SmallOrMissingFilesLeaveTheListAsItWas) {
  TXMLListDOM list("KEEP");
  list.SetString("mark", "1");
  list.LoadFromFile(WriteFile("tiny.xml", "<ROOT a=\"1\"/>"));  // 14 bytes
  EXPECT_EQ(list.GetString("mark"), "1");
  list.LoadFromFile(WriteFile("twenty.xml", "<ROOT a=\"123456\"/>\n "));  // exactly 20 bytes
  EXPECT_EQ(list.GetString("mark"), "1");
  list.LoadFromFile(world_fixture::OutputFolder() + "does-not-exist.xml");
  EXPECT_EQ(list.GetString("mark"), "1");
}

TEST(XMLListDOM, MalformedFileLeavesTheListEmptyWithTheParsersMessage) {
  auto list = Load("<ROOT>\n  <ITEM n=\"1\">\n</ROOT>\n", "malformed.xml");
  EXPECT_TRUE(list->IsEmpty());
  EXPECT_NE(list->GetLoadError().find("line"), std::string::npos) << list->GetLoadError();
  EXPECT_NE(list->GetLoadError().find("ITEM"), std::string::npos) << list->GetLoadError();
}

TEST(XMLListDOM, EntityDeclarationsAreRefused) {
  auto list = Load(R"(<?xml version="1.0"?>
<!DOCTYPE ROOT [<!ENTITY a "aaaaaaaaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;">]>
<ROOT v="&b;"/>
)", "entities.xml");
  EXPECT_TRUE(list->IsEmpty());
  EXPECT_NE(list->GetLoadError().find("entity"), std::string::npos) << list->GetLoadError();
}

TEST(XMLListDOM, FindByAttributeSelectsNamesWithQuotesExactly) {
  auto list = Load(R"(<ROOT>
  <OBJECT name="plain"/>
  <OBJECT name="O'Leary"/>
  <OBJECT name='Bad"name'/>
  <OBJECT name="both ' and &quot;"/>
</ROOT>)");
  for (const char* name : {"plain", "O'Leary", "Bad\"name", "both ' and \""}) {
    SCOPED_TRACE(name);
    TXMLListDOM* found = list->FindByAttribute("OBJECT", "name", name);
    ASSERT_FALSE(found->IsEmpty());
    EXPECT_EQ(found->GetString("name"), name);
  }
  EXPECT_TRUE(list->FindByAttribute("OBJECT", "name", "O'")->IsEmpty());
  EXPECT_TRUE(list->FindByAttribute("OBJECT", "name", "\"] | //OBJECT[@name=\"plain")->IsEmpty());
}

TEST(XMLListDOM, InvalidXPathRaisesWithLibxmlsMessage) {
  auto list = Load(kIndented);
  try {
    list->SelectSingle("ITEM[@n=");
    FAIL() << "no exception";
  } catch (const EXmlError& e) {
    EXPECT_NE(e.Message().find("ITEM[@n="), std::string::npos) << e.Message();
  }
}

class XMLTransform : public ::testing::Test {
protected:
  void SetUp() override {
    XMLLogFileName = world_fixture::OutputFolder() + "transform-log.txt";
    std::filesystem::remove(XMLLogFileName);
  }
  void TearDown() override {
    XMLLogEnabled = false;
    XMLLogFileName = "log.txt";
  }
  static std::string ReadLog() {
    std::ifstream in(XMLLogFileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

const char* const kNamesSheet = R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="text"/>
<xsl:template match="/"><xsl:for-each select="ROOT/ITEM"><xsl:value-of select="@n"/><xsl:text>&#10;</xsl:text></xsl:for-each></xsl:template>
</xsl:stylesheet>)";

TEST_F(XMLTransform, TransformOutputSplitsIntoOneValuePerLine) {
  auto list = Load(kIndented);
  const std::string output = list->TransformNode(kNamesSheet);
  EXPECT_EQ(output, "first\nsecond\nthird\n");
  EXPECT_EQ(SplitLines(output), (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST_F(XMLTransform, TransformFileWritesItsLogLinesOnlyWhileEnabled) {
  auto list = Load(kIndented);
  const std::string sheet = WriteFile("names.xsl", kNamesSheet);
  list->TransformFile(sheet);
  EXPECT_EQ(ReadLog(), "");
  XMLLogEnabled = true;
  list->TransformFile(sheet);
  const std::string expected = "return transform filename:" + sheet + "\n" + "return transform:" +
                               std::string(kNamesSheet).substr(0, 100) + "\n" + "out return transform\n" +
                               "out return transform iflename\n";
  EXPECT_EQ(ReadLog(), expected);
}

TEST_F(XMLTransform, LogThatCannotBeWrittenIsSkipped) {
  XMLLogEnabled = true;
  XMLLogFileName = world_fixture::OutputFolder() + "no-such-folder/log.txt";
  EXPECT_NO_THROW(LogXMLLine("lost"));
}

TEST_F(XMLTransform, BrokenStylesheetRaisesAClearError) {
  auto list = Load(kIndented);
  EXPECT_THROW(list->TransformNode("<xsl:stylesheet"), EXmlError);
  EXPECT_THROW(list->TransformNode("<notastylesheet/>"), EXmlError);
  EXPECT_THROW(list->TransformFile(world_fixture::OutputFolder() + "missing.xsl"), EXmlError);
  TXMLListDOM empty("E");
  empty.Assign(nullptr);
  EXPECT_THROW(empty.TransformNode(kNamesSheet), EXmlError);
}

TEST_F(XMLTransform, StylesheetMayNotWriteFiles) {
  auto list = Load(kIndented);
  const std::string target = world_fixture::OutputFolder() + "written-by-xslt.txt";
  const std::string writers[] = {
      R"(<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:template match="/"><xsl:document href="TARGET" method="text">x</xsl:document></xsl:template></xsl:stylesheet>)",
      R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:saxon="http://icl.com/saxon" extension-element-prefixes="saxon">
<xsl:template match="/"><saxon:output href="TARGET" method="text">x</saxon:output></xsl:template></xsl:stylesheet>)",
  };
  for (std::string sheet : writers) {
    sheet.replace(sheet.find("TARGET"), 6, target);
    SCOPED_TRACE(sheet);
    std::filesystem::remove(target);
    try {
      list->TransformNode(sheet);
      ADD_FAILURE() << "no exception";
    } catch (const EXmlError& e) {
      EXPECT_NE(e.Message().find("Transform failed"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(std::filesystem::exists(target));
  }
}

}  // namespace

namespace {

TEST(XMLLayer, XPathLiteralQuotesWithTheQuoteTheTextLacks) {
  EXPECT_EQ(xml::XPathLiteral("plain"), "\"plain\"");
  EXPECT_EQ(xml::XPathLiteral("O'Leary"), "\"O'Leary\"");
  EXPECT_EQ(xml::XPathLiteral("Bad\"name"), "'Bad\"name'");
  EXPECT_EQ(xml::XPathLiteral("a'b\"c"), "concat(\"a'b\", '\"', \"c\")");
  EXPECT_EQ(xml::XPathLiteral("\"'"), "concat('\"', \"'\")");
  EXPECT_EQ(xml::XPathLiteral(""), "\"\"");
}

TEST(XMLLayer, StylesheetsGiveTheSameResultWhenAppliedAgainAfterOthers) {
  const xml::Node root = xml::Document::ParseText("<ROOT v=\"7\"/>");
  auto sheet = [](int n) {
    return "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
           "<xsl:output method=\"text\"/><xsl:template match=\"/\">" +
           std::to_string(n) + ":<xsl:value-of select=\"ROOT/@v\"/></xsl:template></xsl:stylesheet>";
  };
  EXPECT_EQ(xml::Transform(root, sheet(0)), "0:7");
  for (int n = 1; n <= 12; ++n) EXPECT_EQ(xml::Transform(root, sheet(n)), std::to_string(n) + ":7");
  EXPECT_EQ(xml::Transform(root, sheet(0)), "0:7");
  EXPECT_EQ(xml::Transform(root, sheet(12)), "12:7");
}

TEST(XMLLayer, ParsedTextKeepsNoNetworkAndReportsTheLine) {
  try {
    xml::Document::ParseText("<A>\n<B>\n</A>");
    FAIL() << "no exception";
  } catch (const EXmlError& e) {
    EXPECT_NE(e.Message().find("line 3"), std::string::npos) << e.Message();
  }
  // An external DTD on the network is not fetched; the document still reads.
  const xml::Node root = xml::Document::ParseText(
      "<!DOCTYPE A SYSTEM \"http://127.0.0.1:9/a.dtd\"><A x=\"1\"/>");
  EXPECT_EQ(root.Attribute("x"), std::optional<std::string>("1"));
}

}  // namespace
