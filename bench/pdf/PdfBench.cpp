// 1,000 pages of 60 Thai and Latin lines each, written by the report library's PDF writer and,
// with the same text at the same places, by Qt's PDF writer through a canvas. Prints the time
// and size ratios (ours over Qt's: below 1 is faster and smaller).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "platform/gui/Application.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/PdfWriterCanvas.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"

using namespace orv;

namespace {

constexpr int Pages = 1000;
constexpr int LinesPerPage = 60;
constexpr double PageWidth = 794, PageHeight = 1123;  // A4 at 96 pixels per inch

const std::vector<WideString> Texts = {
    u"ทะเบียนสัตบุรุษ วัดนักบุญยอแซฟ ตำบลบ้านใหม่",
    u"Baptism register, volume 12, entry",
    u"นายสมชาย ใจดี บุตรของนายสมศักดิ์ และนางสมใจ",
    u"ศีลล้างบาป วันที่ ๑๕ มิถุนายน ค.ศ. 2026 โดยคุณพ่อยอห์น",
    u"Godparents: Peter Somsak and Maria Malee",
    u"ผู้ใหญ่บ้าน น้ำใจ กิ่งไม้ ปั้นหม้อ ญาติพี่น้อง",
};

WideString LineText(int page, int line) {
  std::string number = " " + std::to_string(page * LinesPerPage + line + 1);
  return Texts[(page + line) % Texts.size()] + WideString(number.begin(), number.end());
}

double LineTop(int line) { return 40 + line * 17.5; }

}  // namespace

int main(int argc, char** argv) {
  Application->Initialize();
  InitFonts();
  auto folder = BenchFolder("pdf");
  const std::string ours = (folder / "ours.pdf").string(), peer = (folder / "qt.pdf").string();
  TFont font;
  font.SetName("Tahoma");
  font.SetSize(10);
  font.SetCharset(THAI_CHARSET);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;

  double oursSeconds = Best(runs, [&] {
    // More than 200 pages: the export keeps the content in a temporary file.
    TkvxPDFFile document(true, "");
    document.PrepareKeys();
    for (int p = 0; p < Pages; ++p) {
      TkvxPDFPage& page = document.AddPage(PageWidth, PageHeight, 0, 0, p);
      for (int l = 0; l < LinesPerPage; ++l) page.TextOut(40, LineTop(l) + 13, LineText(p, l), font);
    }
    TFileStream out(ours, fmCreate);
    document.SaveToStream(out);
  });

  double peerSeconds = Best(runs, [&] {
    TPdfWriterCanvas writer(peer, PageWidth * 0.75, PageHeight * 0.75, 96);
    TCanvas& canvas = writer.Canvas();
    canvas.Font().Assign(&font);
    canvas.Brush().SetStyle(bsClear);
    const int ascent = canvas.FontAscent();
    for (int p = 0; p < Pages; ++p) {
      if (p > 0) writer.NewPage();
      for (int l = 0; l < LinesPerPage; ++l)
        canvas.TextOut(40, static_cast<int>(LineTop(l) + 13) - ascent, LineText(p, l));
    }
    writer.Finish();
  });

  const double oursSize = static_cast<double>(std::filesystem::file_size(ours));
  const double peerSize = static_cast<double>(std::filesystem::file_size(peer));
  std::printf("pages %d x %d lines\n", Pages, LinesPerPage);
  std::printf("ours   %8.3f s  %10.0f bytes\n", oursSeconds, oursSize);
  std::printf("qt     %8.3f s  %10.0f bytes\n", peerSeconds, peerSize);
  std::printf("time ratio (ours/qt) %.3f\nsize ratio (ours/qt) %.3f\n", oursSeconds / peerSeconds,
              oursSize / peerSize);
  std::filesystem::remove_all(folder);
  return 0;
}
