// The PDF export filter.
#include "report/pdf/PdfExport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "platform/gui/Desktop.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "report/model/Pages.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"
#include "report/model/View.h"
#include "report/pdf/ExportStrings.h"
#include "report/pdf/PdfBufferedStream.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfExportDialog.h"
#include "report/pdf/PdfOutlineSource.h"
#include "report/pdf/PdfPage.h"

namespace orv {
namespace {

// Reports of more pages than this keep their PDF content in a temporary file.
constexpr Integer kInMemoryPages = 200;

// Laid-out memos of pages drawn kept for the pages laid out next: the pages between the one
// drawn and the one laid out.
constexpr size_t kSpentKept = 4;

// The prepared pages' outline as the document writer walks it.
class TPreparedOutline : public TkvxPDFOutlineSource {
 public:
  explicit TPreparedOutline(TkvxCustomOutline& outline) : outline_(outline) {}
  int GetCount() override { return outline_.GetCount(); }
  void GetItem(int index, String& text, int& page, int& top) override {
    Integer p = 0, t = 0;
    outline_.GetItem(index, text, p, t);
    page = p;
    top = t;
  }
  void LevelDown(int index) override { outline_.LevelDown(index); }
  void LevelUp() override { outline_.LevelUp(); }
  void LevelRoot() override { outline_.LevelRoot(); }

 private:
  TkvxCustomOutline& outline_;
};

// The file-name part of a report's file with the PDF extension; stored reports may carry
// Windows paths, whose backslashes separate folders too.
String PdfNameOf(String reportFile, const String& ext) {
  std::replace(reportFile.begin(), reportFile.end(), '\\', '/');
  return std::filesystem::path(reportFile).filename().replace_extension(ext).string();
}

}  // namespace

#define ORV_FIELD(T, field) [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

ORV_IMPLEMENT_CLASS(TkvxPDFExport, c) {
  using T = TkvxPDFExport;
  c.Prop("Compressed", ORV_FIELD(T, Compressed)).Default(true);
  c.Prop("EmbeddedFonts", ORV_FIELD(T, EmbeddedFonts)).Default(false);
  c.Prop("OpenAfterExport", ORV_FIELD(T, OpenAfterExport)).Default(false);
  c.Prop("PrintOptimized", ORV_FIELD(T, PrintOptimized));
  c.Prop("Outline", ORV_FIELD(T, Outline));
  c.Prop("Background", ORV_FIELD(T, Background));
  c.Prop("HTMLTags", ORV_FIELD(T, HTMLTags));
  c.Prop("OverwritePrompt", &T::OverwritePrompt, &T::SetOverwritePrompt);
  c.Prop("Title", ORV_FIELD(T, Title));
  c.Prop("Author", ORV_FIELD(T, Author));
  c.Prop("Subject", ORV_FIELD(T, Subject));
  c.Prop("Keywords", ORV_FIELD(T, Keywords));
  c.Prop("Creator", ORV_FIELD(T, Creator));
  c.Prop("Producer", ORV_FIELD(T, Producer));
  c.Prop("UserPassword", ORV_FIELD(T, UserPassword));
  c.Prop("OwnerPassword", ORV_FIELD(T, OwnerPassword));
  c.Prop("HideToolbar", ORV_FIELD(T, HideToolbar));
  c.Prop("HideMenubar", ORV_FIELD(T, HideMenubar));
  c.Prop("HideWindowUI", ORV_FIELD(T, HideWindowUI));
  c.Prop("FitWindow", ORV_FIELD(T, FitWindow));
  c.Prop("CenterWindow", ORV_FIELD(T, CenterWindow));
  c.Prop("PrintScaling", ORV_FIELD(T, PrintScaling));
}

TkvxPDFExport::TkvxPDFExport(TComponent* owner) : TkvxCustomExportFilter(owner) {
  kvxLoadExportStrings();
  Author = "Quillan";
  Subject = "Quillan PDF export";
  DefaultFilter = kvxGetResourceString(8707);
  DefaultExt = kvxGetResourceString(8708);
}

TkvxPDFExport::~TkvxPDFExport() = default;

String TkvxPDFExport::Description() {
  kvxLoadExportStrings();
  return kvxGetResources()->Get("PDFexport");
}

int TkvxPDFExport::ShowModal() {
  if (Report && Title.empty()) Title = Report->ReportOptions()->Name;
  if (Stream) return mrOk;
  Outline = !Report || Report->PreviewOptions()->OutlineVisible;
  TkvxPDFExportDialog dialog(nullptr);
  dialog.PageCount = Report && Report->PreviewPages ? Report->PreviewPages->GetCount() : 0;
  dialog.OpenCB->SetVisible(!NestedExport);
  TSaveDialog* save = dialog.SaveDialog1;
  if (OverwritePrompt()) {
    TOpenOptions options = save->Options();
    options.Include(ofOverwritePrompt);
    save->SetOptions(options);
  }
  if (NestedExport) OpenAfterExport = false;
  if (!FileName().empty() || NestedExport)
    save->SetFileName(FileName());
  else
    save->SetFileName(PdfNameOf(Report ? Report->FileName : String(), save->DefaultExt()));
  FillDialog(dialog);
  if (dialog.ShowModal() != mrOk) return mrCancel;
  ReadDialog(dialog);
  if (NestedExport) return mrOk;
  if (!DefaultPath().empty()) save->SetInitialDir(DefaultPath());
  if (!save->Execute()) return mrCancel;
  SetFileName(save->FileName());
  return mrOk;
}

void TkvxPDFExport::FillDialog(TkvxPDFExportDialog& dialog) const {
  dialog.OpenCB->SetChecked(OpenAfterExport);
  dialog.CompressedCB->SetChecked(Compressed);
  dialog.EmbeddedCB->SetChecked(EmbeddedFonts);
  dialog.PrintOptCB->SetChecked(PrintOptimized);
  dialog.OutlineCB->SetChecked(Outline);
  dialog.OutlineCB->SetEnabled(Outline);
  dialog.BackgrCB->SetChecked(Background);
  if (!PageNumbers.empty()) {
    dialog.PageNumbersE->SetText(PageNumbers);
    dialog.PageNumbersRB->SetChecked(true);
  }
  dialog.OwnPassE->SetText(OwnerPassword);
  dialog.UserPassE->SetText(UserPassword);
  dialog.PrintCB->SetChecked(ProtectionFlags.Contains(ePrint));
  dialog.ModCB->SetChecked(ProtectionFlags.Contains(eModify));
  dialog.CopyCB->SetChecked(ProtectionFlags.Contains(eCopy));
  dialog.AnnotCB->SetChecked(ProtectionFlags.Contains(eAnnot));
  dialog.TitleE->SetText(Title);
  dialog.AuthorE->SetText(Author);
  dialog.SubjectE->SetText(Subject);
  dialog.KeywordsE->SetText(Keywords);
  dialog.CreatorE->SetText(Creator);
  dialog.ProducerE->SetText(Producer);
  dialog.HideToolbarCB->SetChecked(HideToolbar);
  dialog.HideMenubarCB->SetChecked(HideMenubar);
  dialog.HideWindowUICB->SetChecked(HideWindowUI);
  dialog.FitWindowCB->SetChecked(FitWindow);
  dialog.CenterWindowCB->SetChecked(CenterWindow);
  dialog.PrintScalingCB->SetChecked(PrintScaling);
}

void TkvxPDFExport::ReadDialog(const TkvxPDFExportDialog& dialog) {
  OwnerPassword = dialog.OwnPassE->Text();
  UserPassword = dialog.UserPassE->Text();
  ProtectionFlags = {};
  if (dialog.PrintCB->Checked()) ProtectionFlags.Include(ePrint);
  if (dialog.ModCB->Checked()) ProtectionFlags.Include(eModify);
  if (dialog.CopyCB->Checked()) ProtectionFlags.Include(eCopy);
  if (dialog.AnnotCB->Checked()) ProtectionFlags.Include(eAnnot);
  PageNumbers.clear();
  CurrentPageOnly = false;
  if (dialog.CurPageRB->Checked())
    CurrentPageOnly = true;
  else if (dialog.PageNumbersRB->Checked())
    PageNumbers = dialog.CheckedPages();
  OpenAfterExport = dialog.OpenCB->Checked();
  Compressed = dialog.CompressedCB->Checked();
  EmbeddedFonts = dialog.EmbeddedCB->Checked();
  PrintOptimized = dialog.PrintOptCB->Checked();
  Outline = dialog.OutlineCB->Checked();
  Background = dialog.BackgrCB->Checked();
  Title = dialog.TitleE->Text();
  Author = dialog.AuthorE->Text();
  Subject = dialog.SubjectE->Text();
  Keywords = dialog.KeywordsE->Text();
  Creator = dialog.CreatorE->Text();
  Producer = dialog.ProducerE->Text();
  HideToolbar = dialog.HideToolbarCB->Checked();
  HideMenubar = dialog.HideMenubarCB->Checked();
  HideWindowUI = dialog.HideWindowUICB->Checked();
  FitWindow = dialog.FitWindowCB->Checked();
  CenterWindow = dialog.CenterWindowCB->Checked();
  PrintScaling = dialog.PrintScalingCB->Checked();
}

bool TkvxPDFExport::Start() {
  if (!Report) return false;
  if (Title.empty()) Title = Report->ReportOptions()->Name;
  if (NestedExport) {
    std::filesystem::path temp = std::filesystem::temp_directory_path();
    String name = Report->FileName.empty() ? "kv" + std::to_string(::getpid()) : Report->FileName;
    SetFileName((temp / PdfNameOf(name, DefaultExt)).string());
  }
  if (FileName().empty() && !Stream) return false;
  if (!std::filesystem::path(FileName()).has_parent_path() && !DefaultPath().empty())
    SetFileName((std::filesystem::path(DefaultPath()) / FileName()).string());
  // Pages that are still being prepared may be many.
  Integer pages = Report->PreviewPages && !PagesComing ? Report->PreviewPages->GetCount() : kInMemoryPages + 1;
  pdf_ = std::make_unique<TkvxPDFFile>(UseFileCache() && pages > kInMemoryPages,
                                       Report->EngineOptions()->TempDir);
  pdf_->Compressed = Compressed;
  pdf_->EmbeddedFonts = EmbeddedFonts;
  pdf_->PrintOptimized = PrintOptimized;
  pdf_->Background = Background;
  // The dialog offers bookmarks only where the report shows its outline; a filter set up
  // without the dialog writes them as it was told.
  pdf_->Outline = Outline && Report->PreviewPages && Report->PreviewPages->Outline;
  if (pdf_->Outline) {
    outline_ = std::make_unique<TPreparedOutline>(*Report->PreviewPages->Outline);
    pdf_->PreviewOutline = outline_.get();
  }
  pdf_->Author = Author;
  pdf_->Subject = Subject;
  pdf_->Creator = Creator;
  pdf_->Producer = Producer;
  pdf_->Keywords = Keywords;
  pdf_->PrintScaling = PrintScaling;
  pdf_->FitWindow = FitWindow;
  pdf_->HideMenubar = HideMenubar;
  pdf_->CenterWindow = CenterWindow;
  pdf_->HideWindowUI = HideWindowUI;
  pdf_->HideToolbar = HideToolbar;
  pdf_->Encrypted = !OwnerPassword.empty() || !UserPassword.empty();
  pdf_->OwnerPassword = OwnerPassword;
  pdf_->UserPassword = UserPassword;
  pdf_->SetProtectionFlags(ProtectionFlags);
  pdf_->PrepareKeys();
  page_ = nullptr;
  DropLaidAhead();
  return true;
}

void TkvxPDFExport::DropLaidAhead() {
  std::lock_guard lock(laidLock_);
  laidAhead_.clear();
  laid_ = TkvxPDFLaidMemos();
  spent_.clear();
}

void TkvxPDFExport::PreparePage(TkvxReportPage* page, Integer) {
  if (!page) return;
  // The memos of a page drawn lend their storage to the next page laid out; only what the
  // pool holds beyond that is freed, here and not on the thread that draws the pages.
  std::vector<TkvxPDFLaidMemos> extra;
  TkvxPDFLaidMemos laid;
  {
    std::lock_guard lock(laidLock_);
    if (!spent_.empty()) {
      laid = std::move(spent_.back());
      spent_.pop_back();
    }
    if (spent_.size() > kSpentKept) {
      std::move(spent_.begin() + kSpentKept, spent_.end(), std::back_inserter(extra));
      spent_.resize(kSpentKept);
    }
  }
  laid.Clear();
  kvxPDFLayOutAhead(*page, laid);
  std::lock_guard lock(laidLock_);
  laidAhead_.insert_or_assign(page, std::move(laid));
}

void TkvxPDFExport::StartPage(TkvxReportPage* page, Integer index) {
  // The export moves the page by its margins, so the views' places already include them.
  page_ = &pdf_->AddPage(page->PaperWidth() * kvxPixelsPerMM, page->PaperHeight() * kvxPixelsPerMM, 0, 0, index);
  std::lock_guard lock(laidLock_);
  if (laid_.Count() > 0) spent_.push_back(std::move(laid_));
  laid_ = TkvxPDFLaidMemos();
  if (auto it = laidAhead_.find(page); it != laidAhead_.end()) {
    laid_ = std::move(it->second);
    laidAhead_.erase(it);
  }
  page_->LaidAhead = &laid_;
}

void TkvxPDFExport::AddToPage(Integer position) {
  // What was drawn before goes to be deflated while this is drawn.
  if (page_) page_->Close();
  if (!pdf_ || position < 0 || static_cast<size_t>(position) >= pdf_->Pages.size()) {
    page_ = nullptr;
    return;
  }
  page_ = &pdf_->Pages[static_cast<size_t>(position)]->Addition();
}

void TkvxPDFExport::ExportObject(TkvxComponent* obj) {
  // Asked for every band and view of every page: the class registry answers where a failed
  // dynamic_cast would walk the whole C++ hierarchy.
  if (!page_ || !obj || !obj->InheritsFrom(TkvxView::StaticClass())) return;
  auto* view = static_cast<TkvxView*>(obj);
  if (!(ExportNotPrintable() || view->Printable())) return;
  page_->AddObject(view);
}

void TkvxPDFExport::WriteFile(TkvxPDFFile& pdf) const {
  SafeWriteFile(FileName(), [&pdf](const String& temp) {
    TFileStream file(temp, fmCreate);
    TkvxPDFBufferedStream out(file);
    pdf.SaveToStream(out);
    out.Flush();
  });
}

void TkvxPDFExport::Finish() {
  // The document goes with this call whatever happens.
  std::unique_ptr<TkvxPDFFile> pdf = std::move(pdf_);
  std::unique_ptr<TkvxPDFOutlineSource> outline = std::move(outline_);
  page_ = nullptr;
  DropLaidAhead();
  // An export the user cancelled leaves no file behind, and an older one as it was.
  if (!pdf || (Report && Report->Terminated)) return;
  String message;
  try {
    pdf->Title = Title;
    if (Stream) {
      pdf->SaveToStream(*Stream);
    } else {
      WriteFile(*pdf);
      if (OpenAfterExport) ShellOpen(FileName());
    }
    return;
  } catch (const Exception& e) {
    if (Report->EngineOptions()->NewSilentMode == simReThrow) throw;
    message = e.Message();
  } catch (const std::exception& e) {
    if (Report->EngineOptions()->NewSilentMode == simReThrow) throw;
    message = e.what();
  }
  if (Report->EngineOptions()->NewSilentMode == simSilent) Report->Errors->Add(message);
  else kvxErrorMsg(message);
}

}  // namespace orv
