// A memo's wrapped lines written to a PDF page as the export writes them: a PDF reader gets the
// Thai text of each line back exactly, in order.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/rtl/Streams.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/Engine.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;

namespace {

std::string PdfText(const std::string& file) {
  std::string out;
  FILE* p = popen(("pdftotext -enc UTF-8 '" + file + "' -").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

// pdftotext guesses word gaps from glyph positions; the letters and their order are what count.
std::string Letters(std::string s) {
  std::erase_if(s, [](char c) { return c == ' ' || c == '\n' || c == '\f'; });
  return s;
}

}  // namespace

TEST(MemoPdf, WrappedThaiLinesComeBackFromThePdfExactly) {
  if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  TkvxMemoView memo(nullptr);
  memo.SetBounds(0, 0, 160, 300);
  memo.Font()->SetName("Tahoma");
  memo.Font()->SetSize(10);
  memo.SetText(u"พ่อแม่พาลูกไปโบสถ์ทุกวันอาทิตย์ เพื่อร่วมพิธีมิสซาและสวดภาวนาให้ผู้ล่วงลับ");
  std::vector<WideString> lines = test::WrappedLines(memo);
  ASSERT_GT(lines.size(), 2u);
  std::string file = (std::filesystem::temp_directory_path() / "orvane-memo-lines.pdf").string();
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    TkvxPDFPage& page = document.AddPage(794, 1123, 0, 0, 0);
    for (size_t i = 0; i < lines.size(); ++i) page.TextOut(40, 60 + 20 * static_cast<double>(i), lines[i], *memo.Font());
    TFileStream out(file, fmCreate);
    document.SaveToStream(out);
  }
  std::string text = PdfText(file);
  std::string expected;
  for (const WideString& line : lines) expected += kvxWideToUtf8(line);
  EXPECT_EQ(Letters(text), Letters(expected)) << text;
  std::filesystem::remove(file);
}

// A memo text of UTF-8 Thai with one stray byte in it: the Thai on both sides of the byte
// reaches the saved file and the PDF as it was written.
TEST(MemoPdf, AStrayByteInThaiTextLeavesTheThaiAroundIt) {
  if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "pdftotext is not installed";
  test::RegisterTestClasses();
  kvxRegisterEngine();
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TkvxReport>\n"
      "<TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\">\n"
      "<TkvxReportTitle Name=\"Title\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"40\">\n"
      "<TkvxMemoView Name=\"Note\" Left=\"0\" Top=\"0\" Width=\"600\" Height=\"30\" Font.Name=\"Tahoma\" Font.Charset=\"222\" Text=\"ข้อความ\xFFไทย\"/>\n"
      "</TkvxReportTitle>\n</TkvxReportPage>\n</TkvxReport>\n";
  auto report = test::QuietReport();
  TStringStream in(file);
  report->LoadFromStream(in);
  ASSERT_EQ(report->Errors->Text(), "");
  TStringStream saved;
  report->SaveToStream(saved);
  const std::string text = saved.DataString();
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_NE(text.find("ข้อความ"), std::string::npos) << text;
  EXPECT_NE(text.find("ไทย"), std::string::npos) << text;

  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string pdf = (std::filesystem::temp_directory_path() / "orvane-stray-byte.pdf").string();
  TkvxPDFExport filter(nullptr);
  filter.SetShowDialog(false);
  filter.SetShowProgress(false);
  filter.SetFileName(pdf);
  report->PreviewPages->Export(&filter);
  const std::string letters = Letters(test::PdfText(pdf));
  EXPECT_NE(letters.find("ข้อความ"), std::string::npos) << letters;
  EXPECT_NE(letters.find("ไทย"), std::string::npos) << letters;
  std::filesystem::remove(pdf);
}
