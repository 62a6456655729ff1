// Dot-matrix objects keep to the grid of 9.6 by 17 pixel character cells.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/gui/Graphics.h"
#include "report/model/Bands.h"
#include "report/model/DotMatrix.h"
#include "report/model/Registries.h"
#include "report/model/tests/ModelTestSupport.h"

namespace orv::test {
namespace {

TEST(DotMatrix, ObjectsSnapToCharacterCells) {
  auto report = QuietReport();
  auto* page = new TkvxDMPPage(report.get());
  auto* line = new TkvxDMPLineView(report.get());
  line->SetParent(page);
  line->SetLeft(50);
  EXPECT_DOUBLE_EQ(line->Left(), 52.8);  // cell 5 and half a cell
  line->SetLeft(-50);
  EXPECT_DOUBLE_EQ(line->Left(), -52.8);
  line->SetAlign(baRight);
  line->SetLeft(53);
  EXPECT_DOUBLE_EQ(line->Left(), 52.8);  // round 5.52 = 6 cells, less half a cell
  line->SetTop(20);
  EXPECT_DOUBLE_EQ(line->Top(), 25.5);
  line->SetWidth(100);
  EXPECT_DOUBLE_EQ(line->Width(), 96);
  line->SetAlign(baWidth);
  line->SetWidth(105);
  EXPECT_DOUBLE_EQ(line->Width(), 96);  // trunc 10.9 = 10 cells

  auto* command = new TkvxDMPCommand(report.get());
  command->SetParent(page);
  command->SetLeft(53);
  command->SetTop(26);
  EXPECT_DOUBLE_EQ(command->Left(), 57.6);
  EXPECT_DOUBLE_EQ(command->Top(), 34);
}

TEST(DotMatrix, TextsKeepToCellsAndPrinterFonts) {
  auto report = QuietReport();
  auto* page = new TkvxDMPPage(report.get());
  auto* band = new TkvxReportTitle(report.get());
  band->SetParent(page);
  auto* memo = new TkvxDMPMemoView(report.get());
  memo->SetParent(band);
  memo->SetLeft(50);
  EXPECT_DOUBLE_EQ(memo->Left(), 48);
  memo->SetLeft(53);
  EXPECT_DOUBLE_EQ(memo->Left(), 57.6);
  memo->SetAlign(baRight);
  memo->SetLeft(53);
  EXPECT_DOUBLE_EQ(memo->Left(), 48);
  memo->SetTop(26);
  EXPECT_DOUBLE_EQ(memo->Top(), 34);
  memo->SetHeight(40);
  EXPECT_DOUBLE_EQ(memo->Height(), 34);
  EXPECT_EQ(memo->Font()->Name(), "Courier New");
  EXPECT_EQ(memo->Font()->Size(), 12);
  EXPECT_DOUBLE_EQ(memo->GapX, 0);
  EXPECT_DOUBLE_EQ(memo->LineSpacing, 1);
  // Heights are whole lines of the character grid.
  memo->SetText(u"หนึ่ง\r\nสอง\r\nสาม");
  EXPECT_EQ(std::fmod(memo->CalcHeight(), 17.0), 0.0);
  EXPECT_GE(memo->CalcHeight(), 34);
  EXPECT_EQ(std::fmod(memo->CalcWidth(), 9.6) < 1e-9 || 9.6 - std::fmod(memo->CalcWidth(), 9.6) < 1e-9, true);

  // A memo taking its font from the page takes the page's style through its band.
  page->SetFontStyle({fsxBold});
  EXPECT_EQ(memo->FontStyle(), TkvxDMPFontStyles({fsxBold}));
  EXPECT_EQ(memo->Font()->Name(), "Courier New");
  EXPECT_EQ(memo->Font()->Size(), 12);
  EXPECT_EQ(memo->Font()->Style(), TFontStyles({fsBold}));
  memo->SetFontStyle({fsxItalic});
  EXPECT_FALSE(memo->ParentFont());
  EXPECT_EQ(memo->Font()->Style(), TFontStyles({fsItalic}));
}

TEST(DotMatrix, PagePaperAndMarginsAreWholeCells) {
  auto report = QuietReport();
  auto* page = new TkvxDMPPage(report.get());
  // Even before any setter, the paper is whole cells: 1122.52 px of A4 become 66 lines.
  EXPECT_NEAR(page->PaperHeight(), 66 * 17 / 3.77953, 1e-6);
  page->SetDefaults();
  EXPECT_NEAR(page->LeftMargin(), 2.54, 1e-4);
  EXPECT_NEAR(page->RightMargin(), 2.54, 1e-4);
  EXPECT_NEAR(page->TopMargin(), 4.498, 1e-3);
  EXPECT_NEAR(page->BottomMargin(), 4.498, 1e-3);
  // A4 holds 82 whole columns and 66 whole lines.
  EXPECT_NEAR(page->PaperWidth(), 82 * 9.6 / 3.77953, 1e-6);
  EXPECT_NEAR(page->PaperHeight(), 66 * 17 / 3.77953, 1e-6);
  page->SetPaperWidth(100);  // 377.953 px: 39.37 cells, rounded to 39
  EXPECT_NEAR(page->PaperWidth(), 39 * 9.6 / 3.77953, 1e-6);
  page->SetPaperHeight(100);  // 22.23 lines, rounded to 22
  EXPECT_NEAR(page->PaperHeight(), 22 * 17 / 3.77953, 1e-6);
}

TEST(DotMatrix, PageStyleReachesObjectsThatTakeItsFont) {
  auto report = QuietReport();
  auto* page = new TkvxDMPPage(report.get());
  auto* inherits = new TkvxDMPLineView(report.get());
  inherits->SetParent(page);
  auto* own = new TkvxDMPLineView(report.get());
  own->SetParent(page);
  own->SetFontStyle({fsxCondensed});
  EXPECT_FALSE(own->ParentFont());

  page->SetFontStyle({fsxBold, fsxWide});
  EXPECT_EQ(page->Font()->Name(), "Courier New");
  EXPECT_EQ(page->Font()->Size(), 12);
  EXPECT_EQ(page->Font()->Style(), TFontStyles({fsBold}));
  EXPECT_EQ(inherits->FontStyle(), TkvxDMPFontStyles({fsxBold, fsxWide}));
  EXPECT_EQ(inherits->Font()->Style(), TFontStyles({fsBold}));
  EXPECT_EQ(own->FontStyle(), TkvxDMPFontStyles({fsxCondensed}));

  // The diff names the style as its bit mask: bold 1, wide 64.
  auto templ = std::make_unique<TkvxDMPLineView>(nullptr);
  auto copy = std::make_unique<TkvxDMPLineView>(nullptr);
  copy->SetFontStyle({fsxBold, fsxWide});
  EXPECT_NE(copy->Diff(templ.get()).find(" FontStyle=\"65\""), String::npos);
  EXPECT_EQ(templ->Diff(templ.get()).find("FontStyle"), String::npos);

  auto cmdTempl = std::make_unique<TkvxDMPCommand>(nullptr);
  auto cmd = std::make_unique<TkvxDMPCommand>(nullptr);
  cmd->Command = "#27\"E\"<";
  EXPECT_NE(cmd->Diff(cmdTempl.get()).find(" Command=\"#27&#34;E&#34;&#60;\""), String::npos);
}

// A file may name a font after the style (another program wrote it, or a hand): the style still
// decides, so the file saved from it reads back to the same report.
TEST(DotMatrix, FontsNamedAfterTheStyleGiveWayToIt) {
  RegisterTestClasses();
  TStringStream file(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport DotMatrixReport=\"True\">\n"
      "<TkvxDMPPage Name=\"Page1\" FontStyle=\"5\" Font.Name=\"Angsana New\" Font.Height=\"-19\" Font.Style=\"2\">"
      "<TkvxPageHeader Name=\"Header\" Height=\"34\">"
      "<TkvxDMPMemoView Name=\"Own\" Width=\"96\" Height=\"17\" FontStyle=\"2\" ParentFont=\"False\" "
      "Font.Name=\"Tahoma\" Font.Height=\"-11\" GapX=\"3\" Text=\"ก\"/>"
      "</TkvxPageHeader></TkvxDMPPage>\n</TkvxReport>\n");
  auto first = QuietReport();
  first->LoadFromStream(file);
  EXPECT_EQ(first->Errors->Text(), "");
  auto* page = dynamic_cast<TkvxDMPPage*>(first->FindObject("Page1"));
  ASSERT_NE(page, nullptr);
  // Style 5 is bold and underline, in the printer's own face.
  EXPECT_EQ(page->Font()->Name(), "Courier New");
  EXPECT_EQ(page->Font()->Size(), 12);
  EXPECT_EQ(page->Font()->Style(), TFontStyles({fsBold, fsUnderline}));
  auto* own = dynamic_cast<TkvxDMPMemoView*>(first->FindObject("Own"));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->Font()->Name(), "Courier New");
  EXPECT_EQ(own->Font()->Style(), TFontStyles({fsItalic}));
  EXPECT_EQ(own->GapX, 0);

  TStringStream saved;
  first->SaveToStream(saved);
  auto second = QuietReport();
  TStringStream reread(saved.DataString());
  second->LoadFromStream(reread);
  EXPECT_EQ(second->Errors->Count(), 0);
  TStringStream again;
  second->SaveToStream(again);
  EXPECT_EQ(again.DataString(), saved.DataString());
}

TEST(DotMatrix, ReportsWithDotMatrixPagesSurviveSaving) {
  RegisterTestClasses();
  auto report = QuietReport();
  auto* page = new TkvxDMPPage(report.get());
  page->SetName("Page1");
  page->SetFontStyle({fsxItalic, fsx12cpi});
  auto* band = new TkvxReportTitle(report.get());
  band->SetName("Title");
  band->SetParent(page);
  auto* line = new TkvxDMPLineView(report.get());
  line->SetName("Rule");
  line->SetParent(band);
  line->SetFontStyle({fsxUnderline});
  line->Frame()->SetTyp({ftTop});
  line->Frame()->SetStyle(fsDouble);
  line->Frame()->SetColor(clNavy);
  line->Frame()->SetWidth(2);
  auto* inherits = new TkvxDMPLineView(report.get());
  inherits->SetName("Rule2");
  inherits->SetParent(band);
  auto* command = new TkvxDMPCommand(report.get());
  command->SetName("Eject");
  command->SetParent(band);
  command->Command = "ตัด\x0C";

  TMemoryStream stream;
  report->SaveToStream(stream);
  stream.SetPosition(0);
  auto back = QuietReport();
  back->LoadFromStream(stream);
  auto* page2 = dynamic_cast<TkvxDMPPage*>(back->FindObject("Page1"));
  ASSERT_NE(page2, nullptr);
  EXPECT_EQ(page2->FontStyle(), TkvxDMPFontStyles({fsxItalic, fsx12cpi}));
  auto* line2 = dynamic_cast<TkvxDMPLineView*>(back->FindObject("Rule"));
  ASSERT_NE(line2, nullptr);
  EXPECT_EQ(line2->FontStyle(), TkvxDMPFontStyles({fsxUnderline}));
  EXPECT_EQ(line2->Frame()->Typ(), TkvxFrameTypes({ftTop}));
  EXPECT_EQ(line2->Frame()->Style(), fsDouble);
  EXPECT_EQ(line2->Frame()->Color(), clNavy);
  EXPECT_DOUBLE_EQ(line2->Frame()->Width(), 2);
  auto* inherits2 = dynamic_cast<TkvxDMPLineView*>(back->FindObject("Rule2"));
  ASSERT_NE(inherits2, nullptr);
  EXPECT_TRUE(inherits2->ParentFont());
  auto* command2 = dynamic_cast<TkvxDMPCommand*>(back->FindObject("Eject"));
  ASSERT_NE(command2, nullptr);
  EXPECT_EQ(command2->Command, "ตัด\x0C");
  // A line whose place could not be read stands in the middle of the first cell, so the place
  // it is saved with is the place it is read back at.
  TStringStream unreadable(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport DotMatrixReport=\"True\">\n"
      "<TkvxDMPPage Name=\"Page1\"><TkvxPageHeader Name=\"Header\" Height=\"34\">"
      "<TkvxDMPLineView Name=\"Rule\" Left=\",4.8\" Top=\"x\" Width=\"96\"/>"
      "</TkvxPageHeader></TkvxDMPPage>\n</TkvxReport>\n");
  auto first = QuietReport();
  first->LoadFromStream(unreadable);
  auto* rule = dynamic_cast<TkvxDMPLineView*>(first->FindObject("Rule"));
  ASSERT_NE(rule, nullptr);
  EXPECT_DOUBLE_EQ(rule->Left(), 4.8);
  EXPECT_DOUBLE_EQ(rule->Top(), 8.5);
  TStringStream saved;
  first->SaveToStream(saved);
  auto second = QuietReport();
  TStringStream reread(saved.DataString());
  second->LoadFromStream(reread);
  auto* rule2 = dynamic_cast<TkvxDMPLineView*>(second->FindObject("Rule"));
  ASSERT_NE(rule2, nullptr);
  EXPECT_DOUBLE_EQ(rule2->Left(), rule->Left());
  EXPECT_DOUBLE_EQ(rule2->Top(), rule->Top());

  // A stored dot-matrix report keeps its texts and their own styles.
  auto stored = QuietReport();
  ASSERT_TRUE(stored->LoadFromFile(ORVANE_TEST_DATA "/corpus/dot-matrix.xml"));
  auto* name = dynamic_cast<TkvxDMPMemoView*>(stored->FindObject("Name1"));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Text(), u"[Members.\"Nm\"] นามสกุล\r\n");
  EXPECT_TRUE(name->TruncOutboundText);
  auto* total = dynamic_cast<TkvxDMPMemoView*>(stored->FindObject("Total1"));
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->FontStyle(), TkvxDMPFontStyles({fsxBold}));
  EXPECT_FALSE(total->ParentFont());

  // The objects stand on dot-matrix pages of the object registry.
  TkvxObjectCollection* objects = kvxGetObjects();
  int found = 0;
  for (Integer i = 0; i < objects->Count(); ++i) {
    TkvxObjectItem* item = objects->GetItem(i);
    if (item->ClassRef == TkvxDMPLineView::StaticClass() || item->ClassRef == TkvxDMPCommand::StaticClass() ||
        item->ClassRef == TkvxDMPMemoView::StaticClass()) {
      EXPECT_EQ(item->Category, 8);
      ++found;
    }
  }
  EXPECT_EQ(found, 3);
}

}  // namespace
}  // namespace orv::test
