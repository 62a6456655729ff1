// 1,000 pages of 60 Thai and Latin lines each, written by the report library's PDF writer and,
// with the same text at the same places in the same face, by two peers called directly: Qt's
// QPdfWriter through a QPainter, and cairo through Pango. Each side is this program started anew
// with the side's arguments, so that its time is the whole process's, start-up included, and its
// peak memory its own; each starts only what it uses (the GUI library for Qt's writer, the font
// configuration for ours, nothing for Pango and cairo). 250 pages are written
// the same way to show whether the memory grows with the pages. Each file is read back (pages by
// qpdf, the first line by pdftotext) before its time counts. Prints the time and size ratios
// (ours over each peer's: below 1 is faster and smaller).
// Then a real export: the member list by name of app/reports over demo parishes of about 250 and
// 1,000 pages, printed by orvane-report --pdf as a user starts it, against the peers drawing the
// same lines at the same places, read page by page from a file of the prepared pages' text (each
// peer started as a program of its own, this one with --draw), every side a whole process.
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "bench/Offscreen.h"
#include "bench/PdfCheck.h"
#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/peers/PangoPages.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/Application.h"
#include "report/engine/Engine.h"
#include "report/engine/PreviewPages.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/Report.h"
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

// A4 without margins, at the report library's 96 pixels an inch.
void SetUpA4(QPdfWriter& writer) {
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(96);
}

void WriteQt(int pages, const std::string& file) {
  QPdfWriter writer(QString::fromStdString(file));
  SetUpA4(writer);
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

// The lines of every memo on the prepared pages of qpv, placed on the paper as the export places
// them, one a line of the file: page, left and baseline in pixels, points, text. The page total
// the memos wait for is put in as the export puts it in.
int WritePlacedLines(const std::string& qpv, const std::string& out) {
  TkvxReport report(nullptr);
  auto& pages = *static_cast<TkvxPreviewPages*>(report.PreviewPages);
  if (!pages.LoadFromFile(qpv)) return 0;
  std::ofstream file(out);
  const Integer count = pages.GetCount();
  const WideString total = kvxUtf8ToWide(std::to_string(count));
  for (Integer i = 0; i < count; ++i) {
    TkvxReportPage* page = pages.GetPage(i);
    if (!page) continue;
    const double paperLeft = kvxPixelsPerMM * page->LeftMargin(), paperTop = kvxPixelsPerMM * page->TopMargin();
    for (TkvxComponent* obj : page->AllObjects()) {
      auto* memo = dynamic_cast<TkvxCustomMemoView*>(obj);
      if (!memo || !memo->Visible()) continue;
      Extended left = 0, top = 0;
      memo->AbsPosition(left, top);
      const double points = memo->Font()->Size(), pixels = points * 96 / 72;
      const TWideStrings& lines = *memo->Memo();
      for (Integer l = 0; l < lines.Count(); ++l) {
        WideString text = lines.Line(l);
        for (size_t at; (at = text.find(kvxTotalPagesMark)) != WideString::npos;) text.replace(at, 1, total);
        if (text.find_first_not_of(u' ') == WideString::npos) continue;
        file << i << '\t' << paperLeft + left + memo->GapX << '\t'
             << paperTop + top + memo->GapY + pixels * (1.2 * l + 1) + memo->LineSpacing * l << '\t' << points << '\t'
             << kvxWideToUtf8(text) << '\n';
      }
    }
  }
  return count;
}

// Reads the file WritePlacedLines wrote a page at a time: the next page's lines, false after the
// last page.
class TPlacedReader {
 public:
  explicit TPlacedReader(const std::string& file) : in_(file) { ReadLine(); }
  bool NextPage(std::vector<peer::TPlacedLine>& lines) {
    if (!has_) return false;
    const int page = page_;
    while (has_ && page_ == page) {
      lines.push_back(line_);
      ReadLine();
    }
    return true;
  }

 private:
  void ReadLine() {
    std::string text;
    has_ = static_cast<bool>(std::getline(in_, text));
    if (!has_) return;
    size_t a = text.find('\t'), b = text.find('\t', a + 1), c = text.find('\t', b + 1), d = text.find('\t', c + 1);
    page_ = std::stoi(text.substr(0, a));
    line_ = {std::stod(text.substr(a + 1, b - a - 1)), std::stod(text.substr(b + 1, c - b - 1)), text.substr(d + 1),
             std::stod(text.substr(c + 1, d - c - 1))};
  }
  std::ifstream in_;
  bool has_ = false;
  int page_ = 0;
  peer::TPlacedLine line_{0, 0, {}};
};

// A peer's side of the real export, as a program of its own: the placed lines drawn by side
// ("qt" or "cairo") into pdf.
int DrawPlaced(int argc, char** argv, const std::string& side, const std::string& lines, const std::string& pdf) {
  TPlacedReader reader(lines);
  auto next = [&](std::vector<peer::TPlacedLine>& page) { return reader.NextPage(page); };
  if (side == "cairo") return peer::PangoPlacedPages(next, PeerFace, pdf) > 0 ? 0 : 1;
  QGuiApplication app(argc, argv);
  QPdfWriter writer(QString::fromStdString(pdf));
  SetUpA4(writer);
  QPainter painter(&writer);
  QFont face(PeerFace);
  int pages = 0;
  for (std::vector<peer::TPlacedLine> page; next(page); page.clear(), ++pages) {
    if (pages > 0) writer.newPage();
    for (const peer::TPlacedLine& line : page) {
      if (face.pointSizeF() != line.Points) {
        face.setPointSizeF(line.Points);
        painter.setFont(face);
      }
      painter.drawText(QPointF(line.Left, line.Baseline), QString::fromStdString(line.Text));
    }
  }
  painter.end();
  return pages > 0 ? 0 : 1;
}

// The member list by name printed to PDF from a parish of members, each side a whole process
// started anew, runs interleaved; each file's pages counted and read back for a name.
void RealExport(const std::filesystem::path& folder, int members, int runs, const std::string& self) {
  const std::filesystem::path parish = folder / ("parish-" + std::to_string(members));
  CreateDemoParish(parish.string(), members);
  const std::string db = (parish / ParishDatabaseName).string();
  const std::string data = "kvxDBDataset3=select * from Orvani order by Nm collate THAI, Sur collate THAI";
  const std::string qpv = (folder / "list.qpv").string(), lines = (folder / "lines.txt").string();
  if (!WholeProcess({ORVANE_REPORT_PROGRAM, ORVANE_MEMBERS_BY_NAME, "--db", db, "--data", data, "--qpv", qpv}, false).ok) {
    std::printf("orvane-report could not prepare the list of %d members; no figures\n", members);
    return;
  }
  const int pages = WritePlacedLines(qpv, lines);
  TSide ours{"ours", (folder / "ours.pdf").string()}, qt{"QPdfWriter", (folder / "qt.pdf").string()},
      cairo{"Pango/cairo", (folder / "cairo.pdf").string()};
  const std::vector<std::pair<TSide*, std::vector<std::string>>> sides = {
      {&ours, {ORVANE_REPORT_PROGRAM, ORVANE_MEMBERS_BY_NAME, "--db", db, "--data", data, "--pdf", ours.File}},
      {&qt, {self, "--draw", "qt", lines, qt.File}},
      {&cairo, {self, "--draw", "cairo", lines, cairo.File}}};
  for (const auto& [side, args] : sides) {
    side->Seconds = 1e9;
    side->Ok = true;
  }
  for (int run = 0; run < runs; ++run)
    for (const auto& [side, args] : sides) {
      ChildRun child = WholeProcess(args, false);
      side->Seconds = std::min(side->Seconds, child.seconds);
      side->PeakMB = std::max(side->PeakMB, child.peakMB);
      side->Ok = side->Ok && child.ok;
    }
  std::printf("the member list by name of %d members, %d pages, best of %d interleaved runs, each side a whole "
              "process started anew (ours from the database, the peers from the pages' text)\n",
              members, pages, runs);
  for (TSide* side : {&ours, &qt, &cairo}) {
    const int read = side->Ok ? PdfPages(side->File) : 0;
    side->Ok = side->Ok && read == pages;
    std::printf("%-12s %8.3f s  %10ju bytes  peak %5.0f MB", side->Name, side->Seconds,
                static_cast<uintmax_t>(side->Ok ? std::filesystem::file_size(side->File) : 0), side->PeakMB);
    if (read != pages) std::printf("  (qpdf reads %d pages)", read);
    std::printf("\n");
  }
  for (TSide* peer : {&qt, &cairo})
    if (peer->Ok && ours.Ok) std::printf("ours / %s: peak memory %.2f\n", peer->Name, ours.PeakMB / peer->PeakMB);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--draw") return DrawPlaced(argc, argv, argv[2], argv[3], argv[4]);
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
  // The real export reads the prepared pages here, so this side of the program starts the report
  // library only now, after the page calls' sides have run.
  Application->Initialize();
  InitFonts();
  kvxRegisterEngine();
  // About 27 members a page.
  for (int members : {6800, 27000}) RealExport(folder, members, runs, self);
  std::filesystem::remove_all(folder);
  return 0;
}
