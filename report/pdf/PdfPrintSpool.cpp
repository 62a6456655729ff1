#include "report/pdf/PdfPrintSpool.h"

#include <memory>

#include "platform/rtl/Streams.h"
#include "report/engine/PrintSpool.h"
#include "report/model/Pages.h"
#include "report/model/View.h"
#include "report/pdf/PdfBufferedStream.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"

namespace orv {

namespace {

constexpr double kPointsPerMM = 72 / 25.4;

// One printer job's sheets as a PDF document; its content waits in a temporary file, as a long
// export's does.
class TPDFPrintSpool : public TkvxPrintSpool {
 public:
  TPDFPrintSpool() : pdf_(true, String()) {
    pdf_.Compressed = true;
    // The page's background goes to paper when the page says it is printable.
    pdf_.Background = true;
    pdf_.Creator = "Orvane";
    pdf_.PrepareKeys();
  }

  void AddSheet(Extended width, Extended height) override {
    sheet_ = &pdf_.AddPage(width * kvxPixelsPerMM, height * kvxPixelsPerMM, 0, 0, sheets_++);
  }

  void StartPage(Extended scaleX, Extended scaleY, Extended left, Extended top) override {
    if (!sheet_) return;
    scaled_ = scaleX != 1 || scaleY != 1;
    if (scaled_) {
      sheet_->MarginLeft = sheet_->MarginTop = 0;
      sheet_->SaveStateScaled(scaleX, scaleY, left * kPointsPerMM, top * kPointsPerMM);
    } else {
      sheet_->MarginLeft = left * kPointsPerMM;
      sheet_->MarginTop = top * kPointsPerMM;
    }
  }

  void ExportObject(TkvxComponent* obj) override {
    if (sheet_ && obj && obj->InheritsFrom(TkvxView::StaticClass())) sheet_->AddObject(obj);
  }

  void FinishPage() override {
    if (sheet_ && scaled_) sheet_->RestoreState();
    scaled_ = false;
  }

  bool Save(const String& fileName, String& error) override {
    try {
      TFileStream file(fileName, fmCreate);
      TkvxPDFBufferedStream out(file);
      pdf_.SaveToStream(out);
      out.Flush();
      return true;
    } catch (const Exception& e) {
      error = "Cannot write the spool file " + fileName + ": " + e.Message();
    } catch (const std::exception& e) {
      error = "Cannot write the spool file " + fileName + ": " + e.what();
    }
    return false;
  }

 private:
  TkvxPDFFile pdf_;
  TkvxPDFPage* sheet_ = nullptr;
  int sheets_ = 0;
  bool scaled_ = false;
};

}  // namespace

void kvxUsePDFForPrinting() {
  kvxSetPrintSpoolMaker([] { return std::make_unique<TPDFPrintSpool>(); });
}

}  // namespace orv
