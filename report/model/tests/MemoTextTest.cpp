// The text of memo views per record: bracketed expressions and their formats, data fields,
// zeros, repeated values, the page-total and copy markers, highlight, styles and the diff the
// prepared pages store.
#include <gtest/gtest.h>

#include "platform/gui/Bitmap.h"
#include "report/model/Bands.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

struct MemoInReport {
  std::unique_ptr<TkvxReport> report = QuietReport();
  TkvxMemoView* memo;
  MemoInReport() {
    auto* page = new TkvxReportPage(report.get());
    auto* band = new TkvxMasterData(page);
    memo = new TkvxMemoView(band);
    memo->SetBounds(0, 0, 300, 20);
  }
  // One printed instance: the design text comes back afterwards.
  WideString Print(const WideString& text) {
    memo->SetText(text);
    return Print();
  }
  WideString Print() {
    memo->BeforePrint();
    memo->GetData();
    WideString printed = memo->Text();
    memo->AfterPrint();
    return printed;
  }
};

}  // namespace

TEST(MemoText, ExpressionsAreExpandedInPlaceAndTheDesignTextComesBack) {
  MemoInReport r;
  EXPECT_EQ(r.Print(u"รวม [1+2] และ [2*3] บาท"), u"รวม 3 และ 6 บาท\r\n");
  EXPECT_EQ(r.memo->Text(), u"รวม [1+2] และ [2*3] บาท\r\n");
  r.memo->ExpressionDelimiters = "<,>";
  EXPECT_EQ(r.Print(u"<1+2> [1+2]"), u"3 [1+2]\r\n");
  r.memo->ExpressionDelimiters = "[,]";
  r.memo->AllowExpressions = false;
  EXPECT_EQ(r.Print(u"[1+2]"), u"[1+2]\r\n");
}

TEST(MemoText, ARepeatedTextFollowsItsDelimitersAndItsValues) {
  // Printed record after record, a memo reads its text's expressions once; what it reads must
  // follow the delimiters and the text, and the values must be those of each record.
  MemoInReport r;
  for (int record = 0; record < 2; ++record) EXPECT_EQ(r.Print(u"<1+2> [1+2]"), u"<1+2> 3\r\n");
  r.memo->ExpressionDelimiters = "<,>";
  EXPECT_EQ(r.Print(u"<1+2> [1+2]"), u"3 [1+2]\r\n");
  r.memo->ExpressionDelimiters = "[,]";
  EXPECT_EQ(r.Print(u"<1+2> [1+2]"), u"<1+2> 3\r\n");
  EXPECT_EQ(r.Print(u"[1+2] [2+2 #N%2.2f]"), u"3 4.00\r\n");
  EXPECT_EQ(r.Print(u"[1+2] [2+2]"), u"3 4\r\n") << "a format read before must not stay";
  for (int record = 1; record <= 3; ++record) {
    r.report->Variables->SetVariable("n", Variant(record));
    EXPECT_EQ(r.Print(u"n = [n]"), u"n = " + WideString(1, static_cast<char16_t>(u'0' + record)) + u"\r\n");
  }
}

TEST(MemoText, FormatSuffixesChooseKindAndSeparator) {
  MemoInReport r;
  EXPECT_EQ(r.Print(u"[1234.5 #N%2.2f]"), u"1234.50\r\n");
  EXPECT_EQ(r.Print(u"[1234.5 #N%2,2f]"), u"1234,50\r\n");
  EXPECT_EQ(r.Print(u"[1234.5 #N#0.00]"), u"1234.50\r\n");
  EXPECT_EQ(r.Print(u"[1234.5 #N0.00]"), u"0.00\r\n");
  // Every separator of a numeric format becomes a point: only the first is the decimal point.
  EXPECT_EQ(r.Print(u"[1234.5 #N#,##0.00]"), u"1234.50000\r\n");
  EXPECT_EQ(r.Print(u"[1=1 #BNo,Yes] [1=2 #BNo,Yes]"), u"Yes No\r\n");
  EXPECT_EQ(r.Print(u"['คำ' #N%2.2f]"), u"คำ\r\n") << "a word under a numeric format prints unchanged";
  EXPECT_EQ(r.Print(u"[Pos(' #', 'a #b')]"), u"2\r\n") << "a ')' after ' #' keeps one expression";
  EXPECT_EQ(r.Print(u"[46000 #Ddd.mm.yyyy]"), u"09.12.2025\r\n");
  r.memo->DisplayFormat()->Kind = fkNumeric;
  r.memo->DisplayFormat()->FormatStr = "%.1f";
  EXPECT_EQ(r.Print(u"[2]"), u"2.0\r\n");
}

TEST(MemoText, NumbersInAThaiMemoPrintAsInAnyMemo) {
  // A memo in the Thai character set prints a number, a truth value, a line number and a text
  // as a memo in the default set does.
  const WideString text = u"[1+2] [2.5] [1=1] [-7] [Line#] ['ก' + 'ข']";
  MemoInReport plain;
  MemoInReport thai;
  thai.memo->Font()->SetCharset(222);
  const WideString expected = plain.Print(text);
  EXPECT_EQ(expected.substr(0, 12), u"3 2.5 True -");
  EXPECT_EQ(thai.Print(text), expected);
}

TEST(MemoText, ZerosAndRepeatedValues) {
  MemoInReport r;
  r.memo->HideZeros = true;
  EXPECT_EQ(r.Print(u"[0]"), u"\r\n");
  EXPECT_EQ(r.Print(u"['0']"), u"0\r\n") << "a text zero is not hidden";
  r.memo->HideZeros = false;
  r.memo->SuppressRepeated = true;
  r.memo->SetText(u"มารีย์");
  EXPECT_EQ(r.Print(), u"มารีย์\r\n");
  EXPECT_EQ(r.Print(), u"");
  EXPECT_EQ(r.Print(), u"");
  r.memo->ResetSuppress();
  EXPECT_EQ(r.Print(), u"มารีย์\r\n");
}

TEST(MemoText, DataFieldsGiveTheirDisplayTextOrFormattedValue) {
  MemoInReport r;
  auto* ds = new TkvxUserDataSet(r.report.get());
  ds->SetName("Members");
  ds->OnGetValue = [](const String& name, Variant& v) {
    if (name == "Name") v = Variant(String("ยอแซฟ"));
    if (name == "Gift") v = Variant(0.0);
  };
  TStringList fields;
  fields.Add("Name");
  fields.Add("Gift");
  ds->SetFields(&fields);
  r.memo->SetDataSet(ds);
  r.memo->SetDataField("Name");
  r.memo->SetText(u"design");
  EXPECT_EQ(r.Print(), u"ยอแซฟ\r\n");
  r.memo->SetDataField("Gift");
  r.memo->HideZeros = true;
  r.memo->DisplayFormat()->Kind = fkNumeric;
  r.memo->DisplayFormat()->FormatStr = "%.2f";
  EXPECT_EQ(r.Print(), u"");
  r.memo->HideZeros = false;
  EXPECT_EQ(r.Print(), u"0.00\r\n");
}

TEST(MemoText, EveryPageTotalAndCopyMarkerIsReplacedWhenDrawn) {
  MemoInReport r;
  r.memo->SetText(u"หน้า [Page#] / [TotalPages#] ([TOTALPAGES#]) [CopyName#][CopyName#]");
  r.memo->BeforePrint();
  r.memo->GetData();
  r.memo->TotalPages = 12;
  r.memo->CopyNo = 2;
  r.memo->PageNo = 3;
  kvxGlobalVariables()->SetVariable("CopyName", Variant(String("สำเนา ")));
  TBitmap b(320, 30);
  r.memo->Draw(&b.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(r.memo->Text(), u"หน้า 3 / 12 (12) สำเนา 2สำเนา 2\r\n");
  // Only the memo's own markers: a value that reads like one is printed as it stands.
  r.memo->SetText(u"[V] [TotalPages#]");
  r.report->Variables->SetVariable("V", Variant(String("'[TotalPages#] [CopyName#]'")));
  r.memo->BeforePrint();
  r.memo->GetData();
  r.memo->Draw(&b.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(r.memo->Text(), u"[TotalPages#] [CopyName#] 12\r\n");
  kvxGlobalVariables()->Delete(kvxGlobalVariables()->IndexOf("CopyName"));
}

TEST(MemoText, HighlightSwitchesFontAndColourWhileItsConditionHolds) {
  MemoInReport r;
  r.memo->Highlight()->Condition = "1 = 1";
  r.memo->Highlight()->Color = clLime;
  r.memo->SetText(u"ก");
  r.memo->BeforePrint();
  r.memo->GetData();
  EXPECT_TRUE(r.memo->Highlight()->Active);
  TBitmap b(320, 30);
  r.memo->Draw(&b.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(ColorToRGB(b.Canvas().Pixels(290, 15)), ColorToRGB(clLime));
  EXPECT_EQ(r.memo->Color(), clNone) << "the memo's own colour comes back after drawing";
  TkvxMemoView templ(nullptr);
  EXPECT_NE(r.memo->Diff(&templ).find(" Highlight.Active=\"1\""), String::npos);
}

TEST(MemoText, DiffWritesTheTextEscapedAndEmptyMemosAsEmptyU) {
  TkvxMemoView templ(nullptr), memo(nullptr);
  EXPECT_NE(memo.Diff(&templ).find(" u=\"\""), String::npos);
  memo.Memo()->Add(u"");
  EXPECT_NE(memo.Diff(&templ).find(" u=\"\""), String::npos);
  memo.SetText(u"a<b>&\"ค\"\r\nสอง");
  String diff = memo.Diff(&templ);
  size_t u = diff.find(" u=\"");
  ASSERT_NE(u, String::npos);
  String value = diff.substr(u + 4, diff.find('"', u + 4) - u - 4);
  EXPECT_EQ(value.find('<'), String::npos);
  EXPECT_EQ(value.find("\r\n"), String::npos) << "line ends are escaped, not written raw";
  EXPECT_NE(value.find("สอง"), String::npos);
  memo.GapX = 5;
  memo.SetRotation(90);
  diff = memo.Diff(&templ);
  EXPECT_NE(diff.find(" GapX=\"5\""), String::npos);
  EXPECT_NE(diff.find(" Rotation=\"90\""), String::npos);
}

TEST(MemoText, StyleTakesColourFontAndFrame) {
  MemoInReport r;
  auto* style = r.report->Styles->Add();
  style->SetName("หัวข้อ");
  style->SetColor(clAqua);
  style->Font()->SetSize(18);
  style->Frame()->SetWidth(3);
  r.memo->SetStyle("หัวข้อ");
  EXPECT_EQ(r.memo->Color(), clAqua);
  EXPECT_EQ(r.memo->Font()->Size(), 18);
  EXPECT_FALSE(r.memo->ParentFont());
  EXPECT_EQ(r.memo->Frame()->Width(), 3);
}
TEST(MemoText, CorpusMemosKeepTheirTextAndSettings) {
  auto report = QuietReport();
  report->LoadFromFile(ORVANE_TEST_DATA "/corpus/memos-thai-and-tags.xml");
  ASSERT_EQ(report->Errors->Text(), "");
  auto* sys = dynamic_cast<TkvxSysMemoView*>(report->FindObject("SysMemo1"));
  auto* tagged = dynamic_cast<TkvxMemoView*>(report->FindObject("Memo1"));
  auto* field = dynamic_cast<TkvxMemoView*>(report->FindObject("Memo2"));
  auto* rotated = dynamic_cast<TkvxMemoView*>(report->FindObject("Memo3"));
  ASSERT_TRUE(sys && tagged && field && rotated);
  EXPECT_EQ(sys->Text(), u"หน้า [Page#] จาก [TotalPages#] [CopyName#]\r\n");
  EXPECT_TRUE(sys->AutoWidth);
  EXPECT_EQ(tagged->Memo()->Count(), 2);
  EXPECT_EQ(tagged->Memo()->Strings(1), u"<font color=nosuch> ยังเป็นข้อความ");
  EXPECT_EQ(tagged->HAlign, haBlock);
  EXPECT_EQ(tagged->Font()->Charset(), 222);
  EXPECT_EQ(field->DisplayFormat()->Kind, fkNumeric);
  EXPECT_EQ(field->DisplayFormat()->DecimalSeparator, ",");
  EXPECT_EQ(field->DataField(), "Name");
  EXPECT_EQ(rotated->Rotation(), 90);
  EXPECT_EQ(rotated->ExpressionDelimiters, "<,>");
  EXPECT_NE(rotated->Text().find(u"แท็บ\tจบ"), WideString::npos);
}

TEST(MemoText, FlowToTakesTheTextThatDoesNotFitUnexpanded) {
  MemoInReport r;
  auto* next = new TkvxMemoView(r.memo->Parent());
  next->SetBounds(0, 40, 300, 200);
  // One line of the 10-point font's cell (about 27 units with the spacing) and not two.
  r.memo->SetBounds(0, 0, 120, 34);
  r.memo->SetFlowTo(next);
  r.memo->SetText(u"ค่า [1+1] วันอาทิตย์ที่สามของเดือน มีพิธีมิสซาสำหรับเด็กและเยาวชน [2+2]");
  r.memo->BeforePrint();
  r.memo->GetData();
  EXPECT_EQ(r.memo->Memo()->Count(), 1) << "one line fits";
  EXPECT_FALSE(next->AllowExpressions);
  WideString both = r.memo->Text() + next->Text();
  std::erase(both, u'\r');
  std::erase(both, u'\n');
  std::erase(both, u' ');
  EXPECT_EQ(both, u"ค่า2วันอาทิตย์ที่สามของเดือนมีพิธีมิสซาสำหรับเด็กและเยาวชน4");
  delete next;
  EXPECT_EQ(r.memo->FlowTo(), nullptr) << "a freed target is forgotten";
}

TEST(MemoText, JustifiedLinesReachTheRightEdgeExceptTheLast) {
  auto rightmost = [](TkvxHAlign align) {
    TkvxMemoView memo(nullptr);
    memo.SetBounds(0, 0, 200, 100);
    memo.Font()->SetName("Tahoma");
    memo.Font()->SetSize(10);
    memo.HAlign = align;
    memo.SetText(u"aaa bb cccc d eeeeeee ff ggg hhhh ii jjjjj kk");
    TBitmap b(220, 110);
    b.Canvas().Brush().SetColor(clWhite);
    b.Canvas().FillRect(Rect(0, 0, 220, 110));
    memo.Draw(&b.Canvas(), 1, 1, 0, 0);
    // The rightmost inked column of the first text line (its top 14 rows).
    int right = -1;
    for (int y = 1; y < 15; ++y)
      for (int x = 0; x < 220; ++x)
        if ((b.Canvas().Pixels(x, y) & 0xFF) < 128) right = std::max(right, x);
    return right;
  };
  int block = rightmost(haBlock), left = rightmost(haLeft);
  EXPECT_GE(block, 192) << "a justified line ends at the right edge";
  EXPECT_LT(left, block - 3);
}
