// The alias dictionary, the outline and the picture cache.
#include <filesystem>

#include "platform/gui/Bitmap.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv::test {
namespace {

TEST(AliasDictionary, UniqueNamesHalveDownThenCountUp) {
  TkvxDictionary d;
  EXPECT_EQ(d.CreateUniqueName("m"), "m1");
  for (int i = 1; i <= 50; ++i) d.Add("m" + std::to_string(i), "Page0.M" + std::to_string(i), nullptr);
  EXPECT_EQ(d.CreateUniqueName("m"), "m51");
  EXPECT_EQ(d.CreateUniqueName("b"), "b1");

  TkvxDictionary gap;
  gap.Add("m39", "Page0.Memo39", nullptr);
  EXPECT_EQ(gap.CreateUniqueName("m"), "m40");

  TkvxDictionary lookups;
  TkvxReport owner(nullptr);
  EXPECT_EQ(lookups.AddUnique("m", "Page2.Memo7", &owner), "m1");
  EXPECT_EQ(lookups.GetObject("m1"), &owner);
  EXPECT_EQ(lookups.GetSourceName("m1"), "Page2.Memo7");
  EXPECT_EQ(lookups.GetObject("m2"), nullptr);
  EXPECT_EQ(lookups.GetSourceName("x9"), "");
}

TEST(Outline, NestsLevelsAndShiftsOnlyTheNextSubtree) {
  TListReport list;
  TkvxPreviewPages& pages = *list.Pages;
  TkvxOutline& outline = *pages.GetOutline();
  pages.CurPage = 0;
  outline.LevelRoot();
  EXPECT_EQ(outline.GetCurPosition(), nullptr);
  outline.LevelUp();  // at the root: stays
  outline.AddItem("ก", 10);
  TkvxXMLItem* first = outline.GetCurPosition();
  EXPECT_EQ(first, nullptr);  // the new entry is current and has no children
  outline.AddItem("ก.1", 20);
  pages.CurPage = 1;
  outline.AddItem("ก.1.a", 30);
  outline.LevelRoot();
  TkvxXMLItem* mark = outline.GetCurPosition();
  ASSERT_NE(mark, nullptr);
  outline.AddItem("ข", 100);
  outline.LevelRoot();
  outline.AddItem("ค", 200);
  outline.LevelRoot();
  ASSERT_EQ(outline.GetCount(), 3);

  // The keep block began after "ก": "ข" moves to the next page at 5; "ค" stays.
  outline.ShiftItems(mark, 5);
  String text;
  Integer page = -7, top = -7;
  outline.GetItem(1, text, page, top);
  EXPECT_EQ(text, "ข");
  EXPECT_EQ(page, 2);
  EXPECT_EQ(top, 5);
  outline.GetItem(2, text, page, top);
  EXPECT_EQ(text, "ค");
  EXPECT_EQ(page, 1);
  EXPECT_EQ(top, 200);
  outline.GetItem(0, text, page, top);
  EXPECT_EQ(text, "ก");
  EXPECT_EQ(page, 0);
  outline.LevelDown(0);
  outline.LevelDown(0);
  ASSERT_EQ(outline.GetCount(), 1);
  outline.GetItem(0, text, page, top);
  EXPECT_EQ(text, "ก.1.a");
  EXPECT_EQ(page, 1);
  EXPECT_EQ(top, 30);
  outline.LevelUp();
  outline.LevelUp();
  outline.LevelUp();
  EXPECT_EQ(outline.GetCount(), 3);
  outline.ShiftItems(nullptr, 0);
}

std::unique_ptr<TBitmap> Bitmap(int w, int h, TColor color) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas().Brush().SetColor(color);
  b->Canvas().FillRect(TRect{0, 0, w, h});
  return b;
}

std::string Saved(TGraphic& g) {
  TStringStream s;
  g.SaveToStream(s);
  return s.DataString();
}

TEST(PictureCache, StoresEachPictureOnceAndRoundTripsThroughHex) {
  RegisterStoreClasses();
  for (bool inFile : {false, true}) {
    std::string dir = TempFolder(inFile ? "pics-file" : "pics-mem");
    TkvxPictureCache cache;
    cache.SetUseFileCache(inFile);
    cache.SetTempDir(dir);
    TBitmap empty;
    EXPECT_EQ(cache.AddPicture(&empty), 0);
    EXPECT_EQ(cache.AddPicture(nullptr), 0);
    EXPECT_EQ(cache.Count(), 0);
    auto red = Bitmap(3, 2, clRed), blue = Bitmap(5, 7, clBlue);
    EXPECT_EQ(cache.AddPicture(red.get()), 1);
    EXPECT_EQ(cache.AddPicture(blue.get()), 2);
    String bytes;
    ASSERT_TRUE(cache.GetPicture(1, bytes));
    EXPECT_EQ(bytes, Saved(*red));  // its size is the gap to the second picture
    ASSERT_TRUE(cache.GetPicture(2, bytes));
    EXPECT_EQ(bytes, Saved(*blue));
    EXPECT_FALSE(cache.GetPicture(0, bytes));
    EXPECT_FALSE(cache.GetPicture(3, bytes));
    // Temporary files are gone from the folder as soon as they exist.
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    TkvxXMLItem xml;
    cache.SaveToXML(&xml);
    ASSERT_EQ(xml.Count(), 2);
    String hex = xml.Items(0)->Prop("stream");
    EXPECT_EQ(hex.substr(0, 4), "424D");  // "BM", upper-case hex
    TkvxPictureCache loaded;
    loaded.LoadFromXML(&xml);
    EXPECT_EQ(loaded.Count(), 2);
    ASSERT_TRUE(loaded.GetPicture(2, bytes));
    EXPECT_EQ(bytes, Saved(*blue));
  }
}

TEST(PictureCache, RefusesDamagedHexAndEndsEmpty) {
  for (const char* bad : {"4", "4G", "zz00", "42 4D"}) {
    TkvxXMLItem xml;
    TkvxXMLItem* good = xml.Add();
    good->Name = "item";
    good->SetProp("stream", "424D");
    TkvxXMLItem* item = xml.Add();
    item->Name = "item";
    item->SetProp("stream", bad);
    TkvxPictureCache cache;
    EXPECT_THROW(cache.LoadFromXML(&xml), EConvertError) << bad;
    EXPECT_EQ(cache.Count(), 0) << bad;
  }
}

}  // namespace
}  // namespace orv::test
