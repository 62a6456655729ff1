#include "app/Documents.h"

#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/gui/Application.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "report/engine/Engine.h"
#include "report/model/DBDataset.h"
#include "report/model/Report.h"
#include "report/pdf/PdfPrintSpool.h"

namespace orv {

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Whether text names name as a whole word: "kvxDBDataset1" is not named by "kvxDBDataset10".
bool Names(const std::string& text, const String& name) {
  if (name.empty()) return false;
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    bool before = at > 0 && IsNameChar(text[at - 1]);
    bool after = at + name.size() < text.size() && IsNameChar(text[at + name.size()]);
    if (!before && !after) return true;
  }
  return false;
}

}  // namespace

String DocumentFile(const String& name) {
  return IncludeTrailingPathDelimiter(ExtractFilePath(Application->ExeName()) + "reports") + name;
}

void LoadDocument(TkvxReport& report, const String& name) {
  const String file = DocumentFile(name);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Exception("ไม่พบแบบฟอร์มเอกสาร " + file);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  // Names in the template resolve among the owning window's data sets only, never through the
  // list every window's data sets share.
  std::vector<TkvxDataSet*> own;
  if (TComponent* window = report.Owner())
    for (Integer i = 0; i < window->ComponentCount(); ++i)
      if (auto* dataSet = dynamic_cast<TkvxDataSet*>(window->Components(i))) own.push_back(dataSet);
  report.EngineOptions()->UseGlobalDataSetList = false;
  report.EnabledDataSets->Clear();
  for (TkvxDataSet* dataSet : own) report.EnabledDataSets->Add()->SetDataSet(dataSet);

  report.LoadFromFile(file, true);
  if (report.Errors->Count() > 0)
    throw Exception("แบบฟอร์มเอกสารเสียหาย " + file + "\n" + report.Errors->Text());
  // A parish's list runs to a thousand pages: pages beyond the engine's memory limit wait in
  // its file cache, so the program stays within a bounded memory whatever the parish's size.
  report.EngineOptions()->UseFileCache = true;
  for (TkvxDataSet* dataSet : own)
    if (Names(text, dataSet->UserName()) && !report.DataSets->Find(dataSet))
      report.DataSets->Add()->SetDataSet(dataSet);
}

TkvxReport* CreateDocumentReport(TComponent* window, const String& name) {
  kvxRegisterEngine();
  // The program's printers spool what its PDF export writes: the job keeps the stored text.
  kvxUsePDFForPrinting();
  auto* report = new TkvxReport(window);
  report->SetName(name);
  return report;
}

TkvxDBDataset* CreateDocumentDataSet(TComponent* window, const String& name, TDataSet* dataSet,
                                     bool closeDataSource) {
  auto* bridge = new TkvxDBDataset(window);
  bridge->SetName(name);
  bridge->SetDataSet(dataSet);
  bridge->SetCloseDataSource(closeDataSource);
  return bridge;
}

}  // namespace orv
