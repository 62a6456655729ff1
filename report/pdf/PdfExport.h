#pragma once
// TkvxPDFExport: the export filter that turns a report's prepared pages into one PDF file.
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "report/model/Interfaces.h"
#include "report/pdf/PdfPage.h"
#include "report/pdf/PdfSecurity.h"

namespace orv {

class TkvxPDFExportDialog;
class TkvxPDFFile;
class TkvxPDFOutlineSource;

class TkvxPDFExport : public TkvxCustomExportFilter {
  ORV_CLASS(TkvxPDFExport, TkvxCustomExportFilter)

 public:
  explicit TkvxPDFExport(TComponent* owner);
  ~TkvxPDFExport() override;

  static String Description();
  String GetDescription() const override { return Description(); }
  // Takes the report's title and outline setting, then asks for the options and the file.
  // Cancel in the options leaves the filter as it was; Cancel in the save dialog keeps the
  // options chosen but not the file.
  int ShowModal() override;
  bool Start() override;
  void StartPage(TkvxReportPage* page, Integer index) override;
  // Lays out ahead, on the caller's thread, the memos of the page that the shared drawer lays
  // out; the page's export then draws them without it.
  void PreparePage(TkvxReportPage* page, Integer index) override;
  void ExportObject(TkvxComponent* obj) override;
  // A page's content stays in the document until Finish writes it: what comes later is a second
  // content stream of the page, drawn over the first.
  bool AddsToFinishedPages() const override { return true; }
  void AddToPage(Integer position) override;
  // Writes the document next to FileName and puts it in place only once it is complete, so a
  // failed write leaves an earlier file as it was and opens nothing.
  void Finish() override;

  bool Compressed = true;
  bool EmbeddedFonts = false;
  bool OpenAfterExport = false;
  bool PrintOptimized = false;
  bool Outline = false;
  bool Background = false;
  bool HTMLTags = true;
  String Title, Author, Subject, Keywords, Creator, Producer;
  String UserPassword, OwnerPassword;
  TkvxPDFEncBits ProtectionFlags{ePrint, eModify, eCopy, eAnnot};
  bool HideToolbar = false, HideMenubar = false, HideWindowUI = false, FitWindow = false,
       CenterWindow = false, PrintScaling = false;

 private:
  void FillDialog(TkvxPDFExportDialog& dialog) const;
  // Everything the dialog edits, the page range as its checks left it.
  void ReadDialog(const TkvxPDFExportDialog& dialog);
  void WriteFile(TkvxPDFFile& pdf) const;
  void DropLaidAhead();

  std::unique_ptr<TkvxPDFFile> pdf_;
  TkvxPDFPage* page_ = nullptr;
  std::unique_ptr<TkvxPDFOutlineSource> outline_;
  // Memos laid out ahead, by page, until the page's export starts; then the page's own.
  std::mutex laidLock_;
  std::unordered_map<const TkvxReportPage*, TkvxPDFLaidMemos> laidAhead_;
  TkvxPDFLaidMemos laid_;
  // Those of pages drawn, kept for their storage.
  std::vector<TkvxPDFLaidMemos> spent_;
};

}  // namespace orv
