// 1,000 pages of 60 Thai and Latin lines each, written by the report library's PDF writer and,
// with the same text at the same places in the same face, by two peers called directly: Qt's
// QPdfWriter through a QPainter, and cairo through Pango. Each side is this program started anew
// with the side's arguments, so that its time is the whole process's, start-up included, and its
// peak memory its own; each starts only what it uses (the GUI library for Qt's writer, the font
// configuration for ours, nothing for Pango and cairo). 250 pages are written
// the same way to show whether the memory grows with the pages. Each file is read back (pages by
// qpdf, the first line by pdftotext) before its time counts. Prints the time and size ratios
// (ours over each peer's: below 1 is faster and smaller).
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "bench/Offscreen.h"
#include "bench/PdfCheck.h"
#include "bench/peers/PangoPages.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/Application.h"
#include "report/model/LegacyText.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"

using namespace orv;

namespace {

constexpr int LinesPerPage = 60;
constexpr double PageWidth = 794, PageHeight = 1123;  // A4 at 96 pixels per inch
// Tahoma with the Thai character set, the font our side asks for, is Loma through the program's
// font configuration; the peers name the face itself.
constexpr const char* PeerFace = "Loma";

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
double Baseline(int line) { return LineTop(line) + 13; }

struct TSide {
  const char* Name;
  std::string File;
  double Seconds = 0;
  double PeakMB = 0;
  bool Ok = false;
};

void WriteOurs(int pages, const std::string& file) {
  TFont font;
  font.SetName("Tahoma");
  font.SetSize(10);
  font.SetCharset(THAI_CHARSET);
  // More than 200 pages: the export keeps the content in a temporary file.
  TkvxPDFFile document(true, "");
  document.PrepareKeys();
  for (int p = 0; p < pages; ++p) {
    TkvxPDFPage& page = document.AddPage(PageWidth, PageHeight, 0, 0, p);
    for (int l = 0; l < LinesPerPage; ++l) page.TextOut(40, Baseline(l), LineText(p, l), font);
  }
  TFileStream out(file, fmCreate);
  document.SaveToStream(out);
}

void WriteQt(int pages, const std::string& file) {
  QPdfWriter writer(QString::fromStdString(file));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(96);
  QPainter painter(&writer);
  QFont face(PeerFace);
  face.setPointSizeF(10);
  painter.setFont(face);
  for (int p = 0; p < pages; ++p) {
    if (p > 0) writer.newPage();
    for (int l = 0; l < LinesPerPage; ++l) {
      WideString text = LineText(p, l);
      painter.drawText(QPointF(40, Baseline(l)), QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    }
  }
  painter.end();
}

void WriteCairo(int pages, const std::string& file) {
  peer::PangoLines(
      pages, LinesPerPage,
      [](int p, int l) { return peer::TPlacedLine{40, Baseline(l), kvxWideToUtf8(LineText(p, l))}; }, PeerFace, 10,
      file);
}

// A side in this program started anew: --side ours|qt|cairo PAGES FILE; returns its exit code.
int RunSide(const std::string& side, int pages, const std::string& file) {
  if (side == "ours") {
    InitFonts();
    WriteOurs(pages, file);
  } else if (side == "qt") {
    Application->Initialize();
    WriteQt(pages, file);
  } else if (side == "cairo") {
    WriteCairo(pages, file);
  } else {
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  UseOffscreenWithoutDisplay();
  if (argc == 5 && std::string(argv[1]) == "--side") return RunSide(argv[2], std::atoi(argv[3]), argv[4]);
  const std::string self = SelfProgram();
  auto folder = BenchFolder("pdf");
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
  const std::string latinLine = kvxWideToUtf8(LineText(0, 1)), thaiLine = kvxWideToUtf8(LineText(0, 0));
  for (int pages : {250, 1000}) {
    TSide ours{"ours", (folder / "ours.pdf").string()}, qt{"QPdfWriter", (folder / "qt.pdf").string()},
        cairo{"Pango/cairo", (folder / "cairo.pdf").string()};
    const struct {
      TSide* Side;
      const char* Key;
    } sides[] = {{&ours, "ours"}, {&qt, "qt"}, {&cairo, "cairo"}};
    for (TSide* side : {&ours, &qt, &cairo}) side->Seconds = 1e9;
    // Interleaved, so that a disturbance of the machine falls on every side alike.
    for (int run = 0; run < runs; ++run)
      for (const auto& s : sides) {
        ChildRun child = WholeProcess({self, "--side", s.Key, std::to_string(pages), s.Side->File});
        s.Side->Seconds = std::min(s.Side->Seconds, child.seconds);
        s.Side->PeakMB = std::max(s.Side->PeakMB, child.peakMB);
      }

    // A side's time counts when its file has every page and gives back a Latin line; whether its
    // text map gives back Thai marks too is said beside it (Qt's drops some of them).
    std::printf("pages %d x %d lines, best of %d interleaved runs, each a process of its own\n", pages, LinesPerPage,
                runs);
    for (TSide* side : {&ours, &qt, &cairo}) {
      const int read = PdfPages(side->File);
      const bool text = PdfHasText(side->File, latinLine), thai = PdfHasText(side->File, thaiLine);
      side->Ok = read == pages && text;
      std::printf("%-12s %8.3f s  %10ju bytes  peak %5.0f MB", side->Name, side->Seconds,
                  static_cast<uintmax_t>(std::filesystem::file_size(side->File)), side->PeakMB);
      if (read != pages) std::printf("  (qpdf reads %d pages)", read);
      if (!text) std::printf("  (pdftotext does not give back its lines)");
      if (!thai) std::printf("  (its text gives back Thai lines without some marks)");
      std::printf("\n");
    }
    const double oursSize = static_cast<double>(std::filesystem::file_size(ours.File));
    for (TSide* peer : {&qt, &cairo}) {
      if (!peer->Ok || !ours.Ok) continue;
      std::printf("ours / %s: time %.3f, size %.3f, peak memory %.2f\n", peer->Name, ours.Seconds / peer->Seconds,
                  oursSize / static_cast<double>(std::filesystem::file_size(peer->File)), ours.PeakMB / peer->PeakMB);
    }
    std::fflush(stdout);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
