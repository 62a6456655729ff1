// The component base: ownership by the report, names, the parent/child tree, AllObjects order,
// absolute positions, font inheritance, alignment of children and the diff text.
#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/MemoryAccount.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

TTestMemo* Memo(TkvxComponent* parent, const String& name, Extended left, Extended top, Extended width,
                Extended height) {
  auto* m = new TTestMemo(parent);
  m->SetName(name);
  m->SetBounds(left, top, width, height);
  return m;
}

}  // namespace

TEST(ComponentBase, TheReportOwnsEveryObjectAndFreeingAParentFreesItsChildren) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  auto* memo = new TTestMemo(band);
  EXPECT_EQ(band->Owner(), report.get());
  EXPECT_EQ(memo->Owner(), report.get());
  EXPECT_EQ(memo->Parent(), band);
  EXPECT_EQ(memo->GetPage(), page);
  EXPECT_EQ(memo->GetReport(), report.get());
  Integer owned = report->ComponentCount();
  delete band;
  EXPECT_EQ(report->ComponentCount(), owned - 2);
  EXPECT_TRUE(page->Objects().empty());
  // A page left without a report is still freed by whoever holds it.
  auto loose = std::make_unique<TkvxReportPage>(nullptr);
  auto* looseMemo = new TTestMemo(loose.get());
  EXPECT_EQ(loose->Objects().size(), 1u);
  // Objects of the same classes, one in a report and one not, asked in turn: each finds its own.
  auto* other = new TTestMemo(new TTestBand(page));
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(looseMemo->GetReport(), nullptr);
    EXPECT_EQ(other->GetReport(), report.get());
    EXPECT_EQ(report->GetReport(), report.get());
  }
}

TEST(ComponentBase, ParentsAndAllObjectsOrder) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  EXPECT_TRUE(page->AllObjects().empty());
  auto* b1 = new TTestBand(page);
  auto* m1 = new TTestMemo(b1);
  auto* m2 = new TTestMemo(b1);
  auto* b2 = new TTestBand(page);
  auto* m3 = new TTestMemo(b2);
  std::vector<TkvxComponent*> expected{b1, m1, m2, b2, m3};
  EXPECT_EQ(page->AllObjects(), expected);
  m1->SetParent(b2);
  EXPECT_EQ(b1->Objects(), std::vector<TkvxComponent*>{m2});
  EXPECT_EQ(b2->Objects(), (std::vector<TkvxComponent*>{m3, m1}));
  EXPECT_THROW(b2->SetParent(m1), EComponentError);
  // An object holding nothing is still refused as its own parent, and stays where it was.
  EXPECT_THROW(m2->SetParent(m2), EComponentError);
  EXPECT_EQ(m2->Parent(), b1);
  // A report owns its objects without holding them: a page made of it cannot go into one.
  auto* m4 = new TTestMemo(nullptr);
  m4->SetParent(b2);
  EXPECT_THROW(report->SetParent(m4), EComponentError);
  EXPECT_EQ(report->Parent(), nullptr);
}

TEST(ComponentBase, NamesAreUniqueInTheReportAndFoundWithoutCase) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  TTestMemo* memo1 = Memo(band, "Memo1", 0, 0, 10, 10);
  Memo(band, "Memo3", 0, 0, 10, 10);
  EXPECT_EQ(report->FindObject("memo1"), memo1);
  EXPECT_EQ(report->FindObject("Memo2"), nullptr);
  auto* fresh = new TTestMemo(band);
  fresh->SetBaseName("Memo");
  fresh->CreateUniqueName();
  EXPECT_EQ(fresh->Name(), "Memo2");
  memo1->SetName("MEMO1");
  EXPECT_EQ(memo1->Name(), "Memo1");
  try {
    fresh->SetName("memo3");
    ADD_FAILURE() << "duplicate accepted";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), kvxGetResources()->Get("prDupl"));
  }
  EXPECT_EQ(fresh->Name(), "Memo2");
  memo1->IsAncestorMark = true;
  EXPECT_THROW(memo1->SetName("Renamed"), EComponentError);
  EXPECT_EQ(memo1->Name(), "Memo1");
  EXPECT_EQ(TkvxDataPage(nullptr).BaseName(), "DataPage");
  EXPECT_EQ(page->BaseName(), "Page");
}

TEST(ComponentBase, AbsolutePositionAddsTheParents) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  band->SetBounds(5, 100, 500, 40);
  TTestMemo* memo = Memo(band, "Memo1", 12.5, 3, 50, 20);
  page->SetLeft(1);
  EXPECT_DOUBLE_EQ(memo->AbsLeft(), 18.5);
  EXPECT_DOUBLE_EQ(memo->AbsTop(), 103);
  TkvxRectArea area(memo);
  EXPECT_DOUBLE_EQ(area.X1, 68.5);
  EXPECT_DOUBLE_EQ(area.Y1, 123);
  TkvxRectArea touching(68.5, 0, 100, 10);
  EXPECT_FALSE(area.IntersectsX(touching));
  TkvxRectArea overlapping(60, 0, 100, 10);
  auto common = area.IntersectX(overlapping);
  ASSERT_TRUE(common);
  EXPECT_DOUBLE_EQ(common->X, 60);
  EXPECT_DOUBLE_EQ(common->X1, 68.5);
}

TEST(ComponentBase, FontChangesRunDownToChildrenThatInheritIt) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  TTestMemo* inherits = Memo(band, "Memo1", 0, 0, 1, 1);
  TTestMemo* own = Memo(band, "Memo2", 0, 0, 1, 1);
  TFont tahoma;
  tahoma.SetName("Tahoma");
  own->SetFont(&tahoma);
  EXPECT_FALSE(own->ParentFont());
  band->Font()->SetName("Angsana New");
  band->Font()->SetSize(16);
  EXPECT_EQ(inherits->Font()->Name(), "Angsana New");
  EXPECT_EQ(inherits->Font()->Size(), 16);
  EXPECT_TRUE(inherits->ParentFont());
  EXPECT_EQ(own->Font()->Name(), "Tahoma");
  EXPECT_EQ(Memo(band, "Memo3", 0, 0, 1, 1)->Font()->Name(), "Angsana New");
}

TEST(ComponentBase, RestrictionsHoldOnlyWhileDesigning) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* designed = static_cast<TTestMemo*>(TkvxComponent::DesignCreate(TTestMemo::StaticClass(), page, 3));
  EXPECT_TRUE(designed->IsDesigning);
  EXPECT_EQ(TkvxComponent::DesignFlags(), 3);
  designed->SetBounds(1, 2, 3, 4);
  designed->SetRestrictions({rfDontMove, rfDontSize});
  designed->SetBounds(10, 20, 30, 40);
  EXPECT_DOUBLE_EQ(designed->Left(), 1);
  EXPECT_DOUBLE_EQ(designed->Height(), 4);
  auto* plain = new TTestMemo(page);
  EXPECT_FALSE(plain->IsDesigning);
  plain->SetRestrictions({rfDontMove});
  plain->SetLeft(7);
  EXPECT_DOUBLE_EQ(plain->Left(), 7);
}

TEST(ComponentBase, AlignedViewsFillTheirRow) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  band->SetBounds(0, 0, 400, 30);
  TTestMemo* left = Memo(band, "Left", 0, 0, 50, 20);
  TTestMemo* middle = Memo(band, "Middle", 120, 0, 10, 20);
  TTestMemo* right = Memo(band, "Right", 300, 0, 60, 20);
  TTestMemo* below = Memo(band, "Below", 0, 25, 30, 5);
  TTestMemo* client = Memo(band, "Client", 7, 28, 1, 1);
  left->SetAlign(baLeft);
  middle->SetAlign(baWidth);
  right->SetAlign(baRight);
  below->SetAlign(baBottom);
  band->AlignChildren();
  EXPECT_DOUBLE_EQ(left->Left(), 0);
  EXPECT_DOUBLE_EQ(right->Left(), 340);
  // The width-aligned view runs from its left neighbour's right edge to its right neighbour.
  EXPECT_DOUBLE_EQ(middle->Left(), 50);
  EXPECT_DOUBLE_EQ(middle->Width(), 290);
  EXPECT_DOUBLE_EQ(below->Top(), 25);
  client->SetAlign(baClient);
  band->AlignChildren();
  EXPECT_DOUBLE_EQ(client->Width(), 400);
  EXPECT_DOUBLE_EQ(client->Height(), 30);
  client->SetAlign(baCenter);
  client->SetWidth(100);
  band->AlignChildren();
  EXPECT_DOUBLE_EQ(client->Left(), 150);
}

TEST(ComponentBase, DiffsHoldOnlyWhatDiffers) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  band->SetBounds(0, 40, 700, 30);
  TTestMemo* templ = Memo(band, "Memo1", 10, 5, 100, 20);
  auto* copy = new TTestMemo(band);
  copy->SetBounds(10.00001, 5, 120.5, 20);
  EXPECT_EQ(copy->Diff(templ), " w=\"120.5\"");
  copy->SetVisible(false);
  copy->SetTag(7);
  EXPECT_EQ(copy->GetBaseDiff(templ), " w=\"120.5\" Visible=\"0\" Tag=\"7\"");
  TFont font;
  font.SetName("Tahoma & Co");
  font.SetStyle({fsBold, fsUnderline});
  font.SetColor(clRed);
  copy->SetFont(&font);
  String diff = copy->GetBaseDiff(templ);
  EXPECT_NE(diff.find(" Font.Name=\"Tahoma &#38; Co\""), String::npos) << diff;
  EXPECT_NE(diff.find(" Font.Color=\"255\""), String::npos) << diff;
  EXPECT_NE(diff.find(" Font.Style=\"5\""), String::npos) << diff;
  EXPECT_NE(diff.find(" ParentFont=\"0\""), String::npos) << diff;
  // A band records its top even against an identical template.
  auto* band2 = new TTestBand(page);
  band2->SetBounds(0, 40, 700, 30);
  EXPECT_EQ(band2->GetBaseDiff(band), " t=\"40\"");
  String full = templ->GetFullDiff(nullptr);
  EXPECT_NE(full.find("Width=\"100\""), String::npos) << full;
  EXPECT_EQ(full.find("TTestMemo"), String::npos) << full;
  EXPECT_EQ(full.back(), '"');
}

TEST(ComponentBase, AssignCopiesPropertiesAndAssignAllTheTree) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  page->SetName("Page1");
  page->SetOutlineText("สารบัญ & <1>");
  page->SetOrientation(poLandscape);
  auto* band = new TTestBand(page);
  band->SetName("Band1");
  Memo(band, "Memo1", 1, 2, 3, 4)->Memo()->SetText(u"บรรทัด\r\nสอง");
  auto other = QuietReport();
  auto* copy = new TkvxReportPage(other.get());
  copy->Assign(page);
  EXPECT_EQ(copy->OutlineText(), "สารบัญ & <1>");
  EXPECT_EQ(copy->Orientation(), poLandscape);
  EXPECT_TRUE(copy->Objects().empty());
  auto* deep = new TkvxReportPage(other.get());
  deep->AssignAll(page);
  ASSERT_EQ(deep->AllObjects().size(), 2u);
  auto* memo = dynamic_cast<TTestMemo*>(deep->AllObjects()[1]);
  ASSERT_TRUE(memo);
  EXPECT_EQ(memo->Memo()->Count(), 2);
  EXPECT_EQ(memo->Memo()->Strings(1), u"สอง");
}

TEST(ComponentBase, ObjectsInBlocksOfFreedOnesAreAsNewAndAccountsSeeTheirOwn) {
  // Objects freed and made again on one thread take the freed blocks: each is as a new one.
  TkvxMemoView fresh(nullptr);
  const String blank = fresh.GetFullDiff(nullptr);
  std::vector<TkvxComponent*> made;
  for (int i = 0; i < 50; ++i) {
    auto* m = new TkvxMemoView(nullptr);
    m->SetBounds(i, i, 100 + i, 20);
    m->Memo()->SetText(u"แถว " + kvxUtf8ToWide(IntToStr(i)));
    m->SetName("Row" + IntToStr(i));
    made.push_back(m);
  }
  for (TkvxComponent* m : made) delete m;
  for (int i = 0; i < 50; ++i) {
    auto* m = new TkvxMemoView(nullptr);
    EXPECT_EQ(m->GetFullDiff(nullptr), blank);
    EXPECT_TRUE(m->Name().empty());
    EXPECT_TRUE(static_cast<TkvxMemoView*>(m)->Memo()->Text().empty());
    delete m;
  }

  // While a script's account is charged, its objects' blocks are its own: what it frees comes
  // back to it, and no block freed before it is handed to it uncounted.
  TMemoryAccount* account = TMemoryAccount::Open();
  TMemoryAccount* before = SetMemoryAccount(account);
  std::vector<TkvxComponent*> scripted;
  // A first round lets the tables of live objects grow to hold them.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 20; ++i) scripted.push_back(new TkvxMemoView(nullptr));
    for (TkvxComponent* m : scripted) delete m;
    scripted.clear();
  }
  const Int64 start = account->Held();
  for (int i = 0; i < 20; ++i) scripted.push_back(new TkvxMemoView(nullptr));
  const Int64 held = account->Held() - start;
  for (TkvxComponent* m : scripted) delete m;
  const Int64 after = account->Held() - start;
  SetMemoryAccount(before);
  TMemoryAccount::Close(account);
  EXPECT_GE(held, static_cast<Int64>(20 * sizeof(TkvxMemoView)));
  EXPECT_EQ(after, 0);
}

TEST(ComponentBase, AnObjectPlacedInAParentTakesItsFontWhetherItHadItOrNot) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  auto* band = new TTestBand(page);
  // A new object's font: Arial of 10 points, black, the default character set.
  TTestMemo loose(nullptr);
  EXPECT_EQ(loose.Font()->Name(), "Arial");
  EXPECT_EQ(loose.Font()->Size(), 10);
  EXPECT_EQ(loose.Font()->Color(), clBlack);
  EXPECT_EQ(loose.Font()->Charset(), DEFAULT_CHARSET);
  // A parent of the same font and of another one: the child inherits either way, and follows.
  TTestMemo* same = Memo(band, "Same", 0, 0, 1, 1);
  EXPECT_TRUE(same->ParentFont());
  EXPECT_TRUE(same->Font()->Data() == band->Font()->Data());
  band->Font()->SetName("Laksaman");
  band->Font()->SetStyle(TFontStyles{fsBold});
  TTestMemo* other = Memo(band, "Other", 0, 0, 1, 1);
  EXPECT_TRUE(other->ParentFont());
  EXPECT_EQ(other->Font()->Name(), "Laksaman");
  EXPECT_TRUE(other->Font()->Style().Contains(fsBold));
  EXPECT_TRUE(same->Font()->Data() == band->Font()->Data());
  band->Font()->SetSize(14);
  EXPECT_EQ(other->Font()->Size(), 14);
  EXPECT_EQ(same->Font()->Size(), 14);
  // A font of another resolution is taken by its size.
  TFont printer;
  printer.SetPixelsPerInch(300);
  printer.SetSize(12);
  same->SetFont(&printer);
  EXPECT_FALSE(same->ParentFont());
  EXPECT_EQ(same->Font()->Size(), 12);
}
