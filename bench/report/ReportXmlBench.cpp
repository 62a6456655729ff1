// Loading and saving report XML against xmllint --noout on the same files in the same run:
// a report file of 20,000 objects through the serializer, and a 50 MB prepared-page document
// through the XML document alone. Prints the times, the ratios and the memory the loaded
// document holds against its file size.
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchTiming.h"
#include "platform/rtl/ClassRegistry.h"
#include "report/model/Report.h"
#include "report/model/ReportComponent.h"
#include "report/model/WideStrings.h"
#include "report/model/XmlDocument.h"

namespace orv {

// A text object as report files hold them: geometry, font, frame, a data field and Thai lines.
class TBenchMemo : public TkvxReportComponent {
  ORV_CLASS(TBenchMemo, TkvxReportComponent)

 public:
  explicit TBenchMemo(TComponent* owner) : TkvxReportComponent(owner), memo_(std::make_unique<TWideStrings>()) {}
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  TWideStrings* Memo() const { return memo_.get(); }
  void SetMemo(TWideStrings* v) { memo_->Assign(v); }
  TkvxFrame* Frame() const { return frame_.get(); }
  void SetFrame(TkvxFrame* v) { frame_->Assign(v); }
  String DataField;

 private:
  std::unique_ptr<TWideStrings> memo_;
  std::unique_ptr<TkvxFrame> frame_ = std::make_unique<TkvxFrame>();
};

ORV_IMPLEMENT_CLASS(TBenchMemo, c) {
  c.Prop("Left", &TBenchMemo::Left, &TBenchMemo::SetLeft);
  c.Prop("Top", &TBenchMemo::Top, &TBenchMemo::SetTop);
  c.Prop("Width", &TBenchMemo::Width, &TBenchMemo::SetWidth);
  c.Prop("Height", &TBenchMemo::Height, &TBenchMemo::SetHeight);
  c.Prop("Font", &TBenchMemo::Font, &TBenchMemo::SetFont);
  c.Prop("ParentFont", &TBenchMemo::ParentFont, &TBenchMemo::SetParentFont).Default(true);
  c.Prop("Frame", &TBenchMemo::Frame, &TBenchMemo::SetFrame);
  c.Prop("DataField", [](TBenchMemo& m) { return m.DataField; }, [](TBenchMemo& m, const String& v) { m.DataField = v; });
  c.Prop("Memo", &TBenchMemo::Memo, &TBenchMemo::SetMemo);
}

}  // namespace orv

using namespace orv;

namespace {

double XmlLintSeconds(const std::string& file) {
  std::string cmd = "xmllint --noout '" + file + "'";
  return Best(3, [&] {
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "xmllint failed on %s\n", file.c_str());
  });
}

// Heap bytes in use, in KB: what a loaded document holds, whatever the allocator keeps cached.
long HeapInUseKB() { return static_cast<long>(mallinfo2().uordblks / 1024); }

void Report(const char* what, double ours, double lint) {
  std::printf("%-34s %8.3f s   xmllint --noout %8.3f s   ratio %5.2f\n", what, ours, lint, ours / lint);
}

}  // namespace

int main() {
  kvxRegisterModelClasses();
  RegisterClass(TBenchMemo::StaticClass());
  auto dir = BenchFolder("report-xml");

  // A report file of 20,000 objects: 100 pages of 199 text objects.
  std::string reportFile = (dir / "members.xml").string();
  {
    TkvxReport report(nullptr);
    int objects = 0;
    for (int p = 0; objects < 20000; ++p) {
      auto* page = new TkvxReportPage(&report);
      page->SetName("Page" + std::to_string(p + 1));
      ++objects;
      for (int m = 0; m < 199 && objects < 20000; ++m, ++objects) {
        auto* memo = new TBenchMemo(page);
        memo->SetName("Memo" + std::to_string(objects));
        memo->SetBounds(10 + m % 7 * 90.5, 20 + m / 7 * 18.25, 88.75, 18);
        memo->DataField = "Nm";
        memo->Memo()->SetText(u"[kvxDBDataset1.\"Nm\"] นาย & นาง <สมาชิก> ลำดับที่ " +
                              std::u16string(1, static_cast<char16_t>(u'0' + m % 10)));
        if (m % 3 == 0) memo->Frame()->SetTyp({ftLeft, ftTop});
      }
    }
    double save = Best(3, [&] { report.SaveToFile(reportFile); });
    double lint = XmlLintSeconds(reportFile);
    Report("report file, 20,000 objects: save", save, lint);
  }
  {
    double load = Best(3, [&] {
      TkvxReport report(nullptr);
      report.EngineOptions()->NewSilentMode = simSilent;
      report.LoadFromFile(reportFile);
    });
    double lint = XmlLintSeconds(reportFile);
    Report("report file, 20,000 objects: load", load, lint);
  }

  // A prepared-page document of 50 MB: pages of object diffs.
  std::string bigFile = (dir / "prepared.qpv").string();
  {
    TkvxXMLDocument doc;
    doc.Root()->Name = "preparedreport";
    TkvxXMLItem* pages = doc.Root()->Add();
    pages->Name = "previewpages";
    size_t bytes = 0;
    for (int p = 0; bytes < 50u * 1024 * 1024; ++p) {
      TkvxXMLItem* page = pages->Add();
      page->Name = "page";
      page->SetUnloadable(true);
      page->Text = "Name=\"Page1\" l=\"0\" t=\"0\" w=\"793.700787401575\" h=\"1122.51968503937\"";
      for (int o = 0; o < 60; ++o) {
        TkvxXMLItem* obj = page->Add();
        obj->Name = "TkvxMemoView";
        obj->Text = "s=\"" + std::to_string(o % 9) + "\" l=\"" + std::to_string(37.8 + o % 5 * 120.25) + "\" t=\"" +
                    std::to_string(100 + o * 16.5) + "\" h=\"18\" u=\"&#224;&#184;&#170;&#224;&#184;&#161; " +
                    std::to_string(p * 60 + o) + " &#38; Co\"";
        bytes += obj->Text.size() + 20;
      }
    }
    double save = Best(3, [&] { doc.SaveToFile(bigFile); });
    double lint = XmlLintSeconds(bigFile);
    Report("50 MB document: save", save, lint);
  }
  {
    long fileKB = static_cast<long>(std::filesystem::file_size(bigFile) / 1024);
    long before = HeapInUseKB();
    long held = 0;
    double load = Best(3, [&] {
      TkvxXMLDocument doc;
      doc.LoadFromFile(bigFile);
      held = std::max(held, HeapInUseKB() - before);
    });
    double lint = XmlLintSeconds(bigFile);
    Report("50 MB document: load", load, lint);
    std::printf("%-34s %8ld KB held for a %ld KB file   ratio %5.2f\n", "50 MB document: memory", held, fileKB,
                static_cast<double>(held) / static_cast<double>(fileKB));
    double partial = Best(3, [&] {
      TkvxXMLDocument doc;
      doc.LoadFromFile(bigFile, true);
    });
    std::printf("%-34s %8.3f s\n", "50 MB document: partial load", partial);
  }
  if (!std::getenv("KEEP_BENCH_FILES")) std::filesystem::remove_all(dir);
  return 0;
}
