// The store driven as the band engine drives it, checked through rebuilt pages and the .qpv
// text it saves.
#include <regex>

#include "report/engine/tests/StoreTestSupport.h"

namespace orv::test {
namespace {

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// '' when the texts are equal, else where they first part.
std::string Difference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  size_t from = i < 80 ? 0 : i - 80;
  return "at byte " + std::to_string(i) + ": ..." + a.substr(from, 160) + "\n vs ..." + b.substr(from, 160);
}

TEST(PreviewPages, PagesComeBackWithTheirObjectsAndValues) {
  TListReport list;
  list.Run(45);
  TkvxPreviewPages& pages = *list.Pages;
  ASSERT_EQ(pages.GetCount(), 3);
  for (int p = 0; p < 3; ++p) {
    TkvxReportPage* page = pages.GetPage(p);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->ClassName(), "TkvxReportPage");
    TStoreMemo* heading = FindMemo(page, "Heading");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->Text(), "รายชื่อสัตบุรุษ\r\n");
    int rows = p < 2 ? 20 : 5;
    for (int r = 0; r < rows; ++r) {
      TStoreMemo* name = FindMemo(page, "Name", r);
      TStoreMemo* no = FindMemo(page, "No", r);
      ASSERT_NE(name, nullptr) << p << " " << r;
      ASSERT_NE(no, nullptr);
      int row = p * 20 + r + 1;
      EXPECT_EQ(name->Text(), "สมาชิก " + std::to_string(row) + "\r\n");
      EXPECT_EQ(no->Text(), std::to_string(row) + "\r\n");
      EXPECT_DOUBLE_EQ(name->AbsTop(), 40 + 20 * r);
      EXPECT_DOUBLE_EQ(name->AbsLeft(), 50);
      EXPECT_DOUBLE_EQ(name->Width(), 400);
    }
    EXPECT_EQ(FindMemo(page, "Name", rows), nullptr);
  }
  EXPECT_EQ(pages.GetPageSize(0).X, 794);  // A4 at 96 dpi
  EXPECT_EQ(pages.GetPageSize(2).Y, 1123);
  EXPECT_EQ(pages.GetPageSize(3).X, 0);
  EXPECT_EQ(pages.GetPage(3), nullptr);
  EXPECT_EQ(pages.GetPage(-1), nullptr);
}

TEST(PreviewPages, SavedFileIsWellFormedAndSavesTheSameBytesAfterLoading) {
  TListReport list;
  list.Report->ReportOptions()->Name = "รายชื่อ <ทดลอง> & \"ชุด\"";
  list.Report->PreviewOptions()->OutlineWidth = 180;
  list.Start();
  TkvxPreviewPages& pages = *list.Pages;
  for (int i = 0; i < 25; ++i) {
    list.AddRow(i, "ชื่อ \"" + std::to_string(i) + "\" <&>");
    if (i % 10 == 0) {
      pages.GetOutline()->LevelRoot();
      pages.GetOutline()->AddItem("กลุ่ม " + std::to_string(i / 10), 40 + 20 * (i % 20));
      pages.AddAnchor("row" + std::to_string(i));
    }
  }
  pages.Finish();
  std::string first = SaveText(pages);
  EXPECT_EQ(Lint(first), "");
  // Read independently of the store: the structure a .qpv must have.
  EXPECT_EQ(first.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"", 0), 0u);
  EXPECT_EQ(Count(first, "<page0"), 2);
  EXPECT_NE(first.find("<previewpages>"), std::string::npos);
  EXPECT_NE(first.find("<sourcepages>"), std::string::npos);
  EXPECT_NE(first.find("name=\"Page0.Name\""), std::string::npos);
  EXPECT_NE(first.find("name=\"Page0.Data\""), std::string::npos);
  EXPECT_NE(first.find("PreviewOptions.OutlineWidth=\"180\""), std::string::npos);
  EXPECT_NE(first.find("text=\"row20\" page=\"1\" top=\"0\""), std::string::npos);
  EXPECT_EQ(Count(first, "<item text=\"กลุ่ม"), 3);
  // The source copy of a memo keeps no data field; the page objects record their own.
  std::smatch sources;
  ASSERT_TRUE(std::regex_search(first, sources, std::regex("<sourcepages>[\\s\\S]*</sourcepages>")));
  EXPECT_EQ(sources.str().find("DataField"), std::string::npos);

  TkvxReport other(nullptr);
  TkvxPreviewPages loaded(&other);
  LoadText(loaded, first);
  EXPECT_EQ(other.ReportOptions()->Name, "รายชื่อ <ทดลอง> & \"ชุด\"");
  EXPECT_EQ(other.PreviewOptions()->OutlineWidth, 180);
  ASSERT_EQ(loaded.GetCount(), 2);
  EXPECT_EQ(loaded.GetAnchorPage("ROW20"), 2);
  EXPECT_EQ(loaded.GetAnchorPage("absent"), 1);
  TStoreMemo* name = FindMemo(loaded.GetPage(1), "Name", 4);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Text(), "ชื่อ \"24\" <&>\r\n");
  std::string second = SaveText(loaded);
  EXPECT_EQ(Difference(second, first), "");
  TkvxPreviewPages again(&other);
  LoadText(again, second);
  EXPECT_EQ(Difference(SaveText(again), first), "");
}

TEST(PreviewPages, TwoPassesKeepFirstPassNumbersAndAnchorsOnAnEmptyStore) {
  TListReport list;
  TkvxPreviewPages& pages = *list.Pages;
  list.Report->EngineOptions()->DoublePass = true;
  struct TPassEngine : TkvxCustomEngine {
    using TkvxCustomEngine::TkvxCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TkvxBand*) override {}
    void ShowBandByClass(TClass) override {}
    Extended HeaderHeight() override { return 0; }
    Extended FooterHeight() override { return 0; }
    Extended FreeSpace() override { return 0; }
    Variant GetAggregateValue(const String&, const String&, TkvxBand*, Integer) override { return Variant(); }
    bool Run() override { return true; }
  } engine(list.Report.get());
  pages.Engine = &engine;
  list.Start();
  engine.FinalPass = false;
  engine.CurY = 60.4;
  for (int i = 0; i < 50; ++i) {
    list.AddRow(i, "x");
    if (i == 25) pages.AddAnchor("mid");
  }
  EXPECT_EQ(pages.GetLogicalPageNo(), 3);
  engine.TotalPages = pages.GetCount();
  pages.ClearFirstPass();
  EXPECT_EQ(pages.GetCount(), 0);
  engine.FinalPass = true;
  pages.ResetLogicalPageNumber();  // frozen on the final pass: the totals stay
  for (int i = 0; i < 50; ++i) {
    list.AddRow(i, "x");
    EXPECT_EQ(pages.GetLogicalTotalPages(), 0) << "first pass totals are closed only by the reset walk";
  }
  pages.Finish();
  std::string text = SaveText(pages);
  EXPECT_EQ(Count(text, "<page n="), 3);
  EXPECT_EQ(Count(text, "text=\"mid\" page=\"1\" top=\"60\""), 1);
  EXPECT_EQ(pages.GetCount(), 3);
  // The logical numbers seen while the final pass wrote its pages.
  pages.CurPage = 2;
  EXPECT_EQ(pages.GetLogicalPageNo(), 3);
  pages.Engine = nullptr;
}

TEST(PreviewPages, ClearingAPassThatBeganOnFilledPagesKeepsWhatCameBefore) {
  TListReport list;
  TkvxPreviewPages& pages = *list.Pages;
  list.Start();
  for (int i = 0; i < 25; ++i) list.AddRow(i, "earlier");
  pages.AddAnchor("earlier");
  // A second report continues on the last page, as a page printed on the previous one does.
  pages.BeginPass();
  for (int i = 5; i < 50; ++i) list.AddRow(i, "pass one");
  pages.AddAnchor("pass one");
  ASSERT_EQ(pages.GetCount(), 4);
  pages.ClearFirstPass();
  ASSERT_EQ(pages.GetCount(), 2);
  pages.Finish();
  TkvxReportPage* last = pages.GetPage(1);
  EXPECT_EQ(FindMemo(last, "Name", 4)->Text(), "earlier\r\n");
  EXPECT_EQ(FindMemo(last, "Name", 5), nullptr);
  // Anchors of the cleared pass stay; the last one found is the newest.
  EXPECT_EQ(pages.GetAnchorCur(), 1);
  EXPECT_EQ(pages.GetAnchorPage("PASS ONE"), 4);
}

TEST(PreviewPages, LogicalNumbersRestartAndCloseTheirGroups) {
  TListReport list;
  TkvxPreviewPages& pages = *list.Pages;
  list.Start();
  for (int i = 0; i < 60; ++i) list.AddRow(i, "a");  // pages 0..2 of the first group
  pages.ResetLogicalPageNumber();
  for (int i = 0; i < 40; ++i) list.AddRow(i, "b");  // pages 3..4 of the second
  pages.ResetLogicalPageNumber();
  pages.Finish();
  std::string text = SaveText(pages);
  EXPECT_NE(text.find("<page n=\"1\" t=\"3\"/><page n=\"2\" t=\"3\"/><page n=\"3\" t=\"3\"/>"
                      "<page n=\"1\" t=\"2\"/><page n=\"2\" t=\"2\"/>"),
            std::string::npos)
      << text.substr(text.find("<logicalpagenumbers"), 300);
  pages.CurPage = 4;
  EXPECT_EQ(pages.GetLogicalPageNo(), 2);
  EXPECT_EQ(pages.GetLogicalTotalPages(), 2);
}

TEST(PreviewPages, KeptBlocksMoveWithTheirPositions) {
  TListReport list;
  TkvxPreviewPages& pages = *list.Pages;
  list.Start();
  for (int i = 0; i < 18; ++i) list.AddRow(i, "n");
  Integer position = pages.GetCurPosition();
  EXPECT_EQ(position, 19);  // title and 18 rows
  list.AddRow(18, "kept 1");
  list.AddRow(19, "kept 2");
  pages.CutObjects(position);
  EXPECT_EQ(pages.GetCurPosition(), 19);
  pages.AddPage(list.Page);
  pages.AddObject(list.Title);
  pages.PasteObjects(0, 40);
  EXPECT_EQ(pages.GetCurPosition(), 3);
  EXPECT_DOUBLE_EQ(pages.GetLastY(0), 80);
  pages.Finish();
  TStoreMemo* moved = FindMemo(pages.GetPage(1), "Name", 1);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->Text(), "kept 2\r\n");
  EXPECT_DOUBLE_EQ(moved->AbsTop(), 60);
  EXPECT_EQ(pages.Root()->FindItem("cutted")->Count(), 0);

  // Items without "l" and "t" count them as 0: everything shifts by X and Y.
  TkvxXMLItem* cut = pages.Root()->FindItem("cutted");
  TkvxXMLItem* a = cut->Add();
  a->Name = "TStoreLine";
  TkvxXMLItem* b = cut->Add();
  b->Name = "TStoreLine";
  b->Text = "l=\"5\" t=\"7\"";
  pages.CurPage = 1;
  pages.PasteObjects(100, 200);
  EXPECT_EQ(a->Prop("l"), "100");
  EXPECT_EQ(a->Prop("t"), "200");
  EXPECT_EQ(b->Prop("l"), "105");
  EXPECT_EQ(b->Prop("t"), "207");
  pages.PasteObjects(1, 1);  // nothing cut: nothing happens
  EXPECT_EQ(b->Prop("l"), "105");
}

TEST(PreviewPages, EachObjectComesBackFromItsOwnSourceWhereBandsTakeTurns) {
  // Bands of different objects follow each other in turn: the objects at one place of a band are
  // not those at that place of the band before, nor always of one class.
  TListReport list;
  auto* other = new TStoreBand(list.Page);
  other->SetName("Other");
  other->SetBounds(0, 0, 700, 20);
  auto* rule = new TStoreLine(other);
  rule->SetName("Underline");
  rule->SetBounds(5, 19, 600, 1);
  auto* note = new TStoreMemo(other);
  note->SetName("Note");
  note->SetBounds(60, 2, 200, 16);
  TkvxPreviewPages& pages = *list.Pages;
  list.Start();
  for (int p = 0; p < 2; ++p) {  // a page built after another reads the same
    pages.AddPage(list.Page);
    pages.AddObject(list.Title);
    for (int row = 0; row < 6; ++row) {
      if (row % 3 == 2) {
        other->SetTop(40 + 20 * row);
        note->SetText("หมายเหตุ " + std::to_string(row));
        pages.AddObject(other);
      } else {
        list.Data->SetTop(40 + 20 * row);
        list.No->SetText(std::to_string(row));
        list.Name->SetText("สมาชิก " + std::to_string(row));
        pages.AddObject(list.Data);
      }
    }
  }
  pages.Finish();
  for (int p = 0; p < 2; ++p) {
    TkvxReportPage* page = pages.GetPage(p);
    ASSERT_NE(page, nullptr);
    int lines = 0, notes = 0, names = 0;
    for (TkvxComponent* c : page->AllObjects()) {
      if (c->Name() == "Underline") {
        EXPECT_NE(dynamic_cast<TStoreLine*>(c), nullptr);
        EXPECT_DOUBLE_EQ(c->Left(), 5);
        EXPECT_DOUBLE_EQ(c->Width(), 600);
        ++lines;
      } else if (c->Name() == "Note") {
        ASSERT_NE(dynamic_cast<TStoreMemo*>(c), nullptr);
        EXPECT_DOUBLE_EQ(c->Left(), 60);
        ++notes;
      } else if (c->Name() == "Name") {
        EXPECT_DOUBLE_EQ(c->Left(), 50);
        EXPECT_DOUBLE_EQ(c->Width(), 400);
        ++names;
      }
    }
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(notes, 2);
    EXPECT_EQ(names, 4);
    EXPECT_EQ(FindMemo(page, "Note", 0)->Text(), "หมายเหตุ 2\r\n");
    EXPECT_EQ(FindMemo(page, "Note", 1)->Text(), "หมายเหตุ 5\r\n");
    EXPECT_DOUBLE_EQ(FindMemo(page, "Note", 1)->AbsTop(), 40 + 20 * 5 + 2);
    EXPECT_EQ(FindMemo(page, "No", 3)->Text(), "4\r\n");
    EXPECT_EQ(FindMemo(page, "Name", 3)->Text(), "สมาชิก 4\r\n");
    EXPECT_DOUBLE_EQ(FindMemo(page, "Name", 3)->AbsTop(), 40 + 20 * 4);
  }
}

TEST(PreviewPages, LastYCountsBandsOfTheColumnAndSkipsFooters) {
  TListReport list;
  auto* header = new TkvxPageHeader(list.Page);
  header->SetName("Header");
  header->SetBounds(0, 0, 700, 30);
  auto* footer = new TkvxPageFooter(list.Page);
  footer->SetName("Footer");
  footer->SetBounds(0, 1000, 700, 30);
  TkvxPreviewPages& pages = *list.Pages;
  list.Start();
  pages.AddPage(list.Page);
  pages.AddObject(header);
  list.Data->SetBounds(0, 30, 300, 20);
  pages.AddObject(list.Data);
  list.Data->SetBounds(350, 30, 300, 50);
  pages.AddObject(list.Data);
  pages.AddObject(footer);
  EXPECT_DOUBLE_EQ(pages.GetLastY(0), 80);
  EXPECT_DOUBLE_EQ(pages.GetLastY(350), 80);
  EXPECT_DOUBLE_EQ(pages.GetLastY(350.0005), 80);
  EXPECT_DOUBLE_EQ(pages.GetLastY(700), 30);  // only the page header spans every column
  EXPECT_TRUE(pages.BandExists(footer));
  EXPECT_TRUE(pages.BandExists(list.Data));
  EXPECT_FALSE(pages.BandExists(list.Title));
  pages.Finish();
}

TEST(PreviewPages, EditingKeepsPagesThatCallersHold) {
  TListReport list;
  list.Run(60);
  TkvxPreviewPages& pages = *list.Pages;
  std::shared_ptr<TkvxReportPage> held = pages.GetPageShared(1);
  FindMemo(held.get(), "Name", 0)->SetText("แก้ไขแล้ว");
  // The page handed back is the cached one, and writing it empties the cache.
  pages.ModifyPage(1, pages.GetPage(1));
  EXPECT_EQ(FindMemo(held.get(), "Name", 0)->Text(), "แก้ไขแล้ว\r\n");
  EXPECT_EQ(pages.Document().Root()->FindItem("previewpages")->Items(1)->Name, "TkvxReportPage");
  EXPECT_EQ(FindMemo(pages.GetPage(1), "Name", 0)->Text(), "แก้ไขแล้ว\r\n");
  EXPECT_EQ(FindMemo(pages.GetPage(1), "Name", 19)->Text(), "สมาชิก 40\r\n");

  TListReport other;
  other.Run(30);
  std::shared_ptr<TkvxReportPage> before = pages.GetPageShared(0);
  pages.AddFrom(other.Report.get());
  ASSERT_EQ(pages.GetCount(), 5);
  EXPECT_NE(FindMemo(before.get(), "Heading"), nullptr);
  EXPECT_EQ(FindMemo(pages.GetPage(4), "Name", 9)->Text(), "สมาชิก 30\r\n");

  pages.AddEmptyPage(0);
  ASSERT_EQ(pages.GetCount(), 6);
  EXPECT_TRUE(pages.GetPage(0)->Objects().empty());
  EXPECT_EQ(FindMemo(pages.GetPage(1), "Name", 0)->Text(), "สมาชิก 1\r\n");
  pages.DeletePage(0);
  EXPECT_EQ(FindMemo(pages.GetPage(0), "Name", 0)->Text(), "สมาชิก 1\r\n");

  // Pages written whole save and load without the dictionary.
  std::string text = SaveText(pages);
  EXPECT_EQ(Lint(text), "");
  TkvxReport report(nullptr);
  TkvxPreviewPages loaded(&report);
  LoadText(loaded, text);
  EXPECT_EQ(FindMemo(loaded.GetPage(3), "Name", 0)->Text(), "สมาชิก 1\r\n");
  EXPECT_EQ(Difference(SaveText(loaded), text), "");

  TListReport single;
  single.Run(3);
  single.Pages->DeletePage(0);
  EXPECT_EQ(single.Pages->GetCount(), 1);
  single.Pages->AddEmptyPage(5);
  EXPECT_EQ(single.Pages->GetCount(), 1);
}

TEST(PreviewPages, FileCacheUnloadsPagesAndBringsThemBack) {
  TListReport list;
  list.Report->EngineOptions()->UseFileCache = true;
  list.Report->EngineOptions()->MaxMemSize = 0;
  list.Report->PreviewOptions()->PagesInCache = 2;
  list.Run(200);
  TkvxPreviewPages& pages = *list.Pages;
  TkvxXMLItem* items = pages.Root()->FindItem("previewpages");
  ASSERT_EQ(items->Count(), 10);
  EXPECT_TRUE(items->Items(0)->Loaded());  // the first two pages stay
  EXPECT_TRUE(items->Items(1)->Loaded());
  EXPECT_FALSE(items->Items(2)->Loaded());
  EXPECT_FALSE(items->Items(7)->Loaded());
  EXPECT_TRUE(items->Items(8)->Loaded());  // still being written when the last pass ran
  for (int p = 9; p >= 0; --p)
    EXPECT_EQ(FindMemo(pages.GetPage(p), "Name", 19)->Text(), "สมาชิก " + std::to_string(p * 20 + 20) + "\r\n");
  // Pages that leave the cache leave memory again.
  EXPECT_FALSE(items->Items(7)->Loaded());
  EXPECT_TRUE(items->Items(0)->Loaded());
  std::string text = SaveText(pages);
  EXPECT_EQ(Count(text, "ld=\"0\""), 8);
  TkvxReport report(nullptr);
  TkvxPreviewPages loaded(&report);
  LoadText(loaded, text);
  TkvxXMLItem* loadedItems = loaded.Root()->FindItem("previewpages");
  EXPECT_FALSE(loadedItems->Items(6)->Loaded());  // read from the file when shown
  EXPECT_EQ(FindMemo(loaded.GetPage(6), "No", 3)->Text(), "124\r\n");
  EXPECT_EQ(Difference(SaveText(loaded), text), "");

  // A damaged object on a page that stays in the file still fails the load.
  std::string damaged = text;
  damaged.replace(damaged.rfind("<t3 "), 4, "<TNoSuchView ");
  EXPECT_THROW(LoadText(loaded, damaged), EClassNotFound);
  EXPECT_EQ(FindMemo(loaded.GetPage(9), "No", 19)->Text(), "200\r\n");
}

// The row numbers a filter receives, in the order it receives them.
struct TRowCountingFilter : TkvxCustomExportFilter {
  TRowCountingFilter() : TkvxCustomExportFilter(nullptr) { SetShowDialog(false); }
  bool Start() override { return true; }
  void ExportObject(TkvxComponent* obj) override {
    if (auto* memo = dynamic_cast<TStoreMemo*>(obj); memo && memo->Name() == "No") Numbers += memo->Text();
  }
  String Numbers;
};

TEST(PreviewPages, ExportWithoutAPreviewLeavesThePagesInTheFileCache) {
  TListReport list;
  list.Report->EngineOptions()->UseFileCache = true;
  list.Report->EngineOptions()->MaxMemSize = 0;
  list.Run(200);
  TkvxPreviewPages& pages = *list.Pages;
  TkvxXMLItem* items = pages.Root()->FindItem("previewpages");
  ASSERT_EQ(items->Count(), 10);
  std::string before = SaveText(pages);
  for (int round = 0; round < 2; ++round) {
    TRowCountingFilter filter;
    ASSERT_TRUE(pages.Export(&filter));
    // Every row once, in order, both times.
    String expected;
    for (int row = 1; row <= 200; ++row) expected += std::to_string(row) + "\r\n";
    EXPECT_EQ(filter.Numbers, expected) << round;
    // Pages read back for the export went back to the file; the others stayed as they were.
    for (int p = 2; p < 8; ++p) EXPECT_FALSE(items->Items(p)->Loaded()) << p;
    EXPECT_TRUE(items->Items(0)->Loaded());
    EXPECT_TRUE(items->Items(8)->Loaded());
  }
  EXPECT_EQ(Difference(SaveText(pages), before), "");
}

TEST(PreviewPages, PicturesAreStoredOnceAndComeBackOnEveryPage) {
  TListReport list;
  auto* logo = new TStorePicture(list.Title);
  logo->SetName("Logo");
  logo->SetBounds(600, 0, 40, 40);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(4, 3);
  logo->Picture()->SetGraphic(bitmap.get());
  list.Start();
  TkvxPreviewPages& pages = *list.Pages;
  for (int i = 0; i < 3; ++i) {
    pages.AddPage(list.Page);
    if (i == 0) pages.AddPicture(logo);
    pages.AddObject(list.Title);
  }
  pages.Finish();
  EXPECT_EQ(logo->ImageIndex(), 1);
  EXPECT_EQ(pages.PictureCache().Count(), 1);
  std::string text = SaveText(pages);
  EXPECT_EQ(Count(text, "<item stream=\"424D"), 1);
  TkvxReport report(nullptr);
  TkvxPreviewPages loaded(&report);
  LoadText(loaded, text);
  for (int p = 0; p < 3; ++p) {
    TkvxComponent* view = loaded.GetPage(p)->FindObject("Logo");
    ASSERT_NE(view, nullptr);
    TGraphic* g = static_cast<TStorePicture*>(view)->Picture()->Graphic();
    ASSERT_NE(g, nullptr) << p;
    EXPECT_EQ(g->Width(), 4);
    EXPECT_EQ(g->Height(), 3);
  }
}

TEST(PreviewPages, RunTimeObjectsEndlessPagesAndPagesReadWhileWritten) {
  TListReport list;
  TkvxPreviewPages& pages = *list.Pages;
  list.Start();
  list.AddRow(0, "first");
  // An object a script makes during the run gets a source copy and an alias of its own.
  auto stamp = std::make_unique<TStoreMemo>(nullptr);
  stamp->SetName("Made");
  stamp->SetBounds(500, 900, 100, 20);
  stamp->SetText("ตรวจแล้ว");
  pages.AddToSourcePage(stamp.get());
  ASSERT_NE(stamp->SourceObject, nullptr);
  EXPECT_EQ(pages.Dictionary().GetSourceName(stamp->SourceName), "Page0." + stamp->SourceObject->Name());
  pages.AddObject(stamp.get());

  // The preview reads the page the engine is still writing: it is built again each time.
  struct TRunning : TkvxCustomEngine {
    using TkvxCustomEngine::TkvxCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TkvxBand*) override {}
    void ShowBandByClass(TClass) override {}
    Extended HeaderHeight() override { return 0; }
    Extended FooterHeight() override { return 0; }
    Extended FreeSpace() override { return 0; }
    Variant GetAggregateValue(const String&, const String&, TkvxBand*, Integer) override { return Variant(); }
    bool Run() override { return true; }
  } engine(list.Report.get());
  engine.Running = true;
  engine.FinalPass = true;
  pages.Engine = &engine;
  std::shared_ptr<TkvxReportPage> early = pages.GetPageShared(0);
  EXPECT_EQ(FindMemo(early.get(), "Name", 1), nullptr);
  list.AddRow(1, "second");
  EXPECT_EQ(FindMemo(pages.GetPage(0), "Name", 1)->Text(), "second\r\n");
  EXPECT_EQ(FindMemo(early.get(), "Name", 0)->Text(), "first\r\n");
  engine.Running = false;
  pages.Engine = nullptr;

  // An endless page grows its source page to the size it printed at.
  pages.UpdatePageDimensions(list.Page, 500, 3000);
  pages.Finish();
  EXPECT_EQ(pages.GetPageSize(0).X, 500);
  EXPECT_EQ(pages.GetPageSize(0).Y, 3000);
  TkvxReportPage* page = pages.GetPage(0);
  EXPECT_EQ(page->PaperSize(), 256);
  TStoreMemo* made = FindMemo(page, stamp->SourceObject ? stamp->SourceObject->Name() : "Made1");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Text(), "ตรวจแล้ว\r\n");
  std::string text = SaveText(pages);
  TkvxReport report(nullptr);
  TkvxPreviewPages loaded(&report);
  LoadText(loaded, text);
  EXPECT_EQ(loaded.GetPageSize(0).Y, 3000);
  EXPECT_EQ(Difference(SaveText(loaded), text), "");
}

}  // namespace
}  // namespace orv::test
