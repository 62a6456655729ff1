// Long memos through the band engine: one paragraph of 50,000 to 800,000 characters (Thai
// and Latin words, every word a different one, so that no cache of shaped words does the work)
// laid out and split over A4 pages, every page drawn as the preview draws it and exported to
// PDF; beside it the same length made of 19 words repeated, the register's common case. The peer:
// Pango and cairo laying out the same paragraph in the face the memo's font resolves to, at the
// same width, split over the same pages, drawn on an image and written to PDF. And memos
// of 2,000 and 16,000 short lines split over their pages, and one word of 20 million letters
// measured. The work should grow with the text: the benchmark prints the cost a character at
// each size from 50,000 to 1,600,000 characters, each size and each side this program started
// anew on the paragraph written to a file (a whole process, start-up included, its peak memory its
// own), the fastest of three taken in turns, with what each side holds for a memo of one short
// line. `long_memo_bench N` runs our side alone at N characters of distinct words in its own
// process, for a profiler.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/BenchTiming.h"
#include "bench/peers/PangoPages.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/PreviewWorkspace.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/Bands.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

const char* const kWords[] = {"วัดพระหฤทัย", "Bang", "Chang", "สัตบุรุษ", "ศีลล้างบาป", "parish", "register",
                              "บุญมา", "Marriage", "หมู่", "ที่อยู่", "โทรศัพท์", "Somchai", "คู่สมรส", "Nakhon",
                              "Pathom", "ฝังศพ", "Burial", "1234"};

// Word n of a list in which no word comes twice: Thai words of two syllables written as Thai
// is (a leading vowel before its consonant, upper and lower vowels and tone marks on it), and
// Latin words of consonants and vowels.
WideString DistinctWord(size_t n) {
  static const char16_t kConsonants[] = u"กขคงจชดตทนบปพมยรลวสห";
  static const char16_t kFinals[] = u"\0นมงกดบ";
  static const char16_t kTones[] = u"\0\u0E48\u0E49";
  WideString word;
  if (n % 2 == 0) {
    for (size_t k = n / 2, syllable = 0; syllable < 2; ++syllable, k /= 2880) {
      size_t c = k % 20, v = k / 20 % 8, f = k / 160 % 6, t = k / 960 % 3;
      if (v >= 5) word += static_cast<char16_t>(u'\u0E40' + (v - 5));  // เ แ โ
      word += kConsonants[c];
      if (v >= 1 && v <= 4) word += u"\u0E34\u0E35\u0E38\u0E31"[v - 1];  // ิ ี ุ ั
      if (kTones[t]) word += kTones[t];
      if (v == 0) word += u'\u0E32';  // า
      if (kFinals[f]) word += kFinals[f];
      else if (v == 4) word += u'\u0E19';  // ั needs a final
    }
    return word;
  }
  static const char16_t kLatinConsonants[] = u"bcdfghjklmnprstvwz", kVowels[] = u"aeiou";
  size_t k = n / 2;
  word += static_cast<char16_t>(u'A' + k % 26);
  for (k /= 26; word.size() < 4 || k > 0; k /= 90) {
    word += kVowels[k % 5];
    word += kLatinConsonants[k / 5 % 18];
  }
  return word;
}

// One paragraph of about chars UTF-16 units, of distinct words or of the 19 repeated.
WideString Paragraph(size_t chars, bool distinct) {
  WideString text;
  for (size_t i = 0; text.size() < chars; ++i) {
    if (!text.empty()) text += u' ';
    text += distinct ? DistinctWord(i) : kvxUtf8ToWide(kWords[(i * 7 + i / 19) % std::size(kWords)]);
  }
  text.resize(chars);
  return text;
}

// lines short lines, one after another.
WideString Lines(int lines) {
  WideString text;
  for (int i = 0; i < lines; ++i) {
    if (i) text += u"\r\n";
    text += kvxUtf8ToWide(std::to_string(i + 1) + ". " + kWords[i % std::size(kWords)] + " " +
                          kWords[(i * 5 + 3) % std::size(kWords)] + " " + kWords[(i * 11 + 1) % std::size(kWords)]);
  }
  return text;
}

struct TTimes {
  double Prepare = 0, Draw = 0, Export = 0;
  int Pages = 0;
};

TTimes Run(const WideString& text, bool drawAndExport, const std::filesystem::path& dir) {
  TTimes t;
  TkvxReport report(nullptr);
  report.EngineOptions()->NewSilentMode = simSilent;
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  auto* data = new TkvxMasterData(page);
  data->SetName("Data");
  data->SetBounds(0, 0, 700, 20);
  data->SetRowCount(1);
  data->SetStretched(true);
  data->SetAllowSplit(true);
  auto* memo = new TkvxMemoView(data);
  memo->SetName("Long");
  memo->SetBounds(0, 0, 700, 20);
  memo->SetStretchMode(smActualHeight);
  memo->SetText(text);
  bool ok = false;
  t.Prepare = Seconds([&] { ok = report.PrepareReport(); });
  if (!ok) std::fprintf(stderr, "%s", report.Errors->Text().c_str());
  auto& pages = *static_cast<TkvxPreviewPages*>(report.PreviewPages);
  t.Pages = pages.GetCount();
  if (!drawAndExport) return t;
  TForm form(nullptr);
  TkvxPreviewWorkspace workspace(&form, nullptr, false);
  workspace.PreviewPages = &pages;
  TPoint size = pages.GetPageSize(0);
  // The preview draws its pages on the window, whose pixels are 32-bit as the screen's: a 24-bit
  // bitmap would have Qt blend every glyph through its slow generic path instead.
  TBitmap bitmap(size.X, size.Y, pfDevice);
  t.Draw = Seconds([&] {
    for (Integer i = 0; i < t.Pages; ++i) workspace.DrawPage(bitmap.Canvas(), i, {0, 0, size.X, size.Y});
  });
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetShowProgress(false);
  pdf.SetFileName((dir / "long.pdf").string());
  t.Export = Seconds([&] { pages.Export(&pdf); });
  return t;
}

// The width the memo of the benchmark wraps its text at and the step from line to line, in
// pixels, measured as the memo measures them.
struct TMemoGeometry {
  double Width = 0, LineStep = 0;
};

// One side's pages and the seconds of its phases at a size.
void PrintPhases(size_t chars, const char* side, int pages, double layout, double drawn, double exported) {
  std::printf("%7zu characters%s: %4d pages  layout and split %.3f s, drawn %.3f s, exported %.3f s, in all %.3f s\n",
              chars, side, pages, layout, drawn, exported, layout + drawn + exported);
  std::fflush(stdout);
}

TMemoGeometry MemoGeometry() {
  TkvxMemoView memo(nullptr);
  memo.SetBounds(0, 0, 700, 20);
  memo.SetText(u"ก");
  const Extended one = memo.CalcHeight();
  WideString lines = u"ก";
  for (int i = 1; i < 100; ++i) lines += u"\r\nก";
  memo.SetText(lines);
  return {700 - 2 * memo.GapX, (memo.CalcHeight() - one) / 99};
}

}  // namespace

// The most memory the process has held so far, in megabytes.
double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// The height of a memo holding one word of chars letters, and the memory its layout took on top
// of what the process held before.
void OneLongWord(size_t chars) {
  const double before = PeakMegabytes();
  TkvxMemoView memo(nullptr);
  memo.SetBounds(0, 0, 680, 40);
  memo.Font()->SetName("Laksaman");
  memo.Font()->SetHeight(-15);
  memo.SetText(WideString(chars, u'ก'));
  const auto start = std::chrono::steady_clock::now();
  const Extended height = memo.CalcHeight();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("a word of %zu characters: %.0f units high in %.2f s, %.0f MB more memory at most (the text itself %.0f MB)\n",
              chars, height, seconds, std::max(0.0, PeakMegabytes() - before), chars * 2 / 1048576.0);
}

// A side in this program started anew: --side ours|pango TEXT CHARS DIR PHASES WIDTH STEP lays out,
// draws and exports the UTF-8 paragraph in the file TEXT (CHARS long), printing its phases when
// PHASES is 1; --side geometry prints the memo's text width and line step. Returns its exit code.
int RunSide(int argc, char** argv) {
  const std::string side = argv[2];
  if (side == "geometry") {
    Application->Initialize();
    const TMemoGeometry geometry = MemoGeometry();
    std::printf("%.6f %.6f\n", geometry.Width, geometry.LineStep);
    return 0;
  }
  if (argc != 9) return 2;
  std::stringstream text;
  text << std::ifstream(argv[3]).rdbuf();
  const size_t chars = std::strtoul(argv[4], nullptr, 10);
  const std::filesystem::path dir = argv[5];
  const bool phases = std::string(argv[6]) == "1";
  if (side == "ours") {
    // As orvane-report starts: a side that shows nothing starts Qt without windows.
    Application->InitializeWindowless();
    RegisterEngineObjects();
    TTimes t = Run(kvxUtf8ToWide(text.str()), true, dir);
    if (phases) PrintPhases(chars, "", t.Pages, t.Prepare, t.Draw, t.Export);
    return t.Pages > 0 ? 0 : 1;
  }
  if (side != "pango") return 2;
  // Arial, the memo's font, is Garuda through the program's font configuration; the peer wraps
  // at the memo's text width and steps its lines as the memo does, so that its pages hold the
  // same lines.
  peer::TPangoMemoTimes t = peer::PangoMemo(text.str(), "Garuda", 10, std::atof(argv[7]), 0, peer::PageHeightPx,
                                            std::atof(argv[8]), (dir / "pango.pdf").string());
  if (phases) PrintPhases(chars, ", Pango and cairo", t.Pages, t.Layout, t.Draw, t.Export);
  return t.Pages > 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (argc >= 3 && std::string(argv[1]) == "--side") return RunSide(argc, argv);
  const std::string self = SelfProgram();
  auto dir = BenchFolder("long-memo");
  // With a size, our side alone at that size of distinct words, in this process: for a profiler.
  if (argc == 2) {
    Application->Initialize();
    RegisterEngineObjects();
    const size_t chars = std::strtoul(argv[1], nullptr, 10);
    TTimes t = Run(Paragraph(chars, true), true, dir);
    PrintPhases(chars, "", t.Pages, t.Prepare, t.Draw, t.Export);
    std::printf("peak memory %.0f MB\n", PeakMegabytes());
    std::filesystem::remove_all(dir);
    return 0;
  }
  // This process starts the GUI library only once the sides have run: a side's peak begins with
  // what the fork copied.
  TMemoGeometry geometry;
  if (FILE* out = popen(("'" + self + "' --side geometry").c_str(), "r")) {
    if (std::fscanf(out, "%lf %lf", &geometry.Width, &geometry.LineStep) != 2) geometry = {};
    pclose(out);
  }
  std::printf("the memo's text is %.0f pixels wide, its lines %.2f pixels apart\n", geometry.Width, geometry.LineStep);
  const std::string width = std::to_string(geometry.Width), step = std::to_string(geometry.LineStep);
  // Each size in a process of its own, ours and the peer's alike: no size finds the words of
  // another already shaped, and each side's time is its whole process's.
  const size_t sizes[] = {50000, 200000, 400000, 800000, 1600000};
  constexpr int kRounds = 3;
  {
    // What a process holds to lay out, draw and write anything: the part of each peak below that
    // no text makes.
    const std::string lineFile = (dir / "line.txt").string();
    { std::ofstream(lineFile, std::ios::binary) << kvxWideToUtf8(Paragraph(100, true)); }
    ChildRun o = WholeProcess({self, "--side", "ours", lineFile, "100", dir.string(), "0", width, step});
    ChildRun p = WholeProcess({self, "--side", "pango", lineFile, "100", dir.string(), "0", width, step});
    std::printf("a memo of 100 characters, peak memory of the whole process: ours %.0f MB, Pango and cairo %.0f MB%s\n",
                o.peakMB, p.peakMB, o.ok && p.ok ? "" : " (FAILED)");
  }
  for (bool distinct : {true, false}) {
    std::printf("one paragraph of %s laid out and split over A4 pages, drawn and exported to PDF\n",
                distinct ? "distinct words" : "19 words repeated");
    double fastest = 1e9, slowest = 0;
    for (size_t chars : sizes) {
      const std::string textFile = (dir / "paragraph.txt").string();
      { std::ofstream(textFile, std::ios::binary) << kvxWideToUtf8(Paragraph(chars, distinct)); }
      // Each side three times, taking turns, and the fastest of each: the machine's other work
      // would otherwise decide a ratio of tenths of seconds. The first of each prints its phases.
      double ours = 1e9, pango = 1e9, oursPeak = 0, pangoPeak = 0;
      bool ok = true;
      for (int round = 0; round < kRounds; ++round) {
        const std::string phases = round == 0 ? "1" : "0", count = std::to_string(chars);
        ChildRun o = WholeProcess({self, "--side", "ours", textFile, count, dir.string(), phases, width, step});
        ChildRun p = WholeProcess({self, "--side", "pango", textFile, count, dir.string(), phases, width, step});
        ours = std::min(ours, o.seconds);
        pango = std::min(pango, p.seconds);
        oursPeak = std::max(oursPeak, o.peakMB);
        pangoPeak = std::max(pangoPeak, p.peakMB);
        ok = ok && o.ok && p.ok;
      }
      const double perChar = ours / static_cast<double>(chars) * 1e6;
      fastest = std::min(fastest, perChar);
      slowest = std::max(slowest, perChar);
      std::printf("%7zu characters, whole processes, the fastest of %d: ours %.3f s (%.2f us a character), Pango and "
                  "cairo %.3f s (%.2f us); Pango / ours = %.2f; peak ours %.0f MB, Pango and cairo %.0f MB%s\n",
                  chars, kRounds, ours, perChar, pango, pango / static_cast<double>(chars) * 1e6, pango / ours,
                  oursPeak, pangoPeak, ok ? "" : " (FAILED)");
      std::fflush(stdout);
    }
    std::printf("cost a character from %zu to %zu characters: slowest / fastest = %.2f (flat is 1)\n", sizes[0],
                sizes[std::size(sizes) - 1], slowest / fastest);
  }
  Application->Initialize();
  RegisterEngineObjects();
  std::printf("a memo of short lines split over A4 pages\n");
  TTimes l2 = Run(Lines(2000), false, dir), l16 = Run(Lines(16000), false, dir);
  for (auto [lines, t] : {std::pair{2000, l2}, std::pair{16000, l16}})
    std::printf("%6d lines: %4d pages  split %.3f s\n", lines, t.Pages, t.Prepare);
  std::printf("16,000 against 2,000 lines: %.2fx the time for 8x the lines (target under 0.5 s)\n",
              l2.Prepare > 0 ? l16.Prepare / l2.Prepare : 0.0);
  OneLongWord(20000000);
  std::filesystem::remove_all(dir);
  return 0;
}
