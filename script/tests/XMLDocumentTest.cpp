// The script XML document: escaping round trips, attribute editing, malformed input.
#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "script/XMLDocument.h"

namespace orv {
namespace {

TEST(ScriptXML, ValuesSurviveSaveAndLoad) {
  const String tricky = "a\"b<c>d\r\ne &quot; &#60; & วัด";
  TsxXMLDocument doc;
  doc.Root()->SetName("program");
  TsxXMLItem* leaf = doc.Root()->Add();
  leaf->SetName("string");
  leaf->SetProp("text", tricky);
  leaf->SetProp("pos", "1:2");
  doc.Root()->Add()->SetName("empty");
  const String saved = doc.SaveToString();
  EXPECT_EQ(saved.find('\n'), String::npos);
  EXPECT_NE(saved.find("<empty/>"), String::npos);

  TsxXMLDocument loaded;
  loaded.LoadFromString(saved);
  ASSERT_EQ(loaded.Root()->Count(), 2);
  EXPECT_EQ(loaded.Root()->Items(0)->Prop("text"), tricky);
  EXPECT_EQ(loaded.Root()->Items(0)->Prop("POS"), "1:2");
  EXPECT_EQ(loaded.Root()->Items(0)->Prop("missing"), "");
  EXPECT_EQ(loaded.SaveToString(), saved);

  // Character references written by others, and text between tags, which is ignored.
  loaded.LoadFromString("<?xml version=\"1.0\"?><!-- a <comment> --><a x=\"&#65;&#3585;&quot;&#12\">text<b/></A>");
  EXPECT_EQ(loaded.Root()->Prop("x"), "Aก\"&#12");
  EXPECT_EQ(loaded.Root()->Count(), 1);

  // Setting an attribute again keeps its place.
  TsxXMLItem item;
  item.SetText("a=\"1\" bb=\"2\" c=\"3\"");
  item.SetProp("BB", "x");
  EXPECT_EQ(item.Text(), "a=\"1\" BB=\"x\" c=\"3\"");
  item.SetProp("d", "4");
  EXPECT_EQ(item.Text(), "a=\"1\" BB=\"x\" c=\"3\" d=\"4\"");
  // A name that is only the tail of another is not that attribute.
  EXPECT_EQ(item.Prop("b"), "");
}

TEST(ScriptXML, MalformedInputIsRefused) {
  const char* const bad[] = {
      "<a/>",                                   // no header
      "<?xml version=\"1.0\"?><a><b></a>",      // wrong closing tag
      "<?xml version=\"1.0\"?><a x=\"<\"/>",    // "<" inside a tag
      "<?xml version=\"1.0\"?><a><b/>",         // ends inside the root
      "<?xml version=\"1.0\"?><a",              // ends inside a tag
      "<?xml version=\"1.0\"?><!-- open",
      "",
  };
  for (const char* text : bad) {
    TsxXMLDocument doc;
    try {
      doc.LoadFromString(text);
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Invalid file format") << text;
    }
  }
  // The stream stops after the root's closing tag.
  TStringStream stream("<?xml version=\"1.0\"?><a><b/></a>tail");
  TsxXMLDocument doc;
  doc.LoadFromStream(stream);
  EXPECT_EQ(stream.ReadString(4), "tail");
}

TEST(ScriptXML, TreeEditingAndDeepTrees) {
  TsxXMLDocument doc;
  TsxXMLItem* root = doc.Root();
  root->SetName("r");
  TsxXMLItem* a = root->FindItem("a");
  TsxXMLItem* b = root->FindItem("b");
  EXPECT_EQ(root->FindItem("A"), a);
  a->Add()->SetName("child");
  root->InsertItem(0, *b);
  EXPECT_EQ(root->Items(0), b);
  b->AddItem(*a);
  EXPECT_EQ(root->Count(), 1);
  EXPECT_EQ(a->Parent(), b);
  EXPECT_EQ(a->Items(0)->Root(), root);
  EXPECT_THROW(a->AddItem(*b), EInvalidOperation);
  EXPECT_THROW(a->AddItem(*root), EInvalidOperation);

  // A chain a hundred thousand deep is copied, written, read and freed without recursion.
  TsxXMLItem* item = root;
  for (int i = 0; i < 100000; ++i) {
    item = item->Add();
    item->SetName("n");
  }
  TsxXMLDocument copy;
  copy.Root()->Assign(root);
  TsxXMLDocument reread;
  reread.LoadFromString(copy.SaveToString());
  EXPECT_EQ(reread.SaveToString(), doc.SaveToString());
}

}  // namespace
}  // namespace orv
