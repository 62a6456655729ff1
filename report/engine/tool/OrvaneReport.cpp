// orvane-report REPORT --db FILE --data ALIAS=SQL ... [--var NAME=VALUE ...] [--password TEXT]
//               [--qpv OUT.qpv] [--pdf OUT.pdf [--pages RANGE]] [--max-pages N] [--max-rows N]
// Runs a report file over an SQLite database as the register does and saves the prepared pages, as
// they are or exported to PDF. A data set of more rows than the row limit (1,000,000 unless given)
// or a run of more pages than the page limit (10,000 unless given) is refused with a message and
// nothing is saved: a statement or report without end would otherwise fill the memory.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/ADODB.h"
#include "platform/fonts/FontConfig.h"
#include "platform/gui/Application.h"
#include "platform/gui/UnattendedDialogService.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/DBDataset.h"
#include "report/model/Pages.h"
#include "report/model/View.h"
#include "report/pdf/PdfExport.h"

namespace {

const char* const kUsage =
    "usage: orvane-report REPORT --db FILE --data ALIAS=SQL ... "
    "[--var NAME=VALUE ...] [--password TEXT] [--qpv OUT.qpv] [--pdf OUT.pdf [--pages RANGE]] [--max-pages N] "
    "[--max-rows N]\n"
    "The database FILE is only read: it is never written, nor its journal changed.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

bool SplitPair(const std::string& text, std::string& name, std::string& value) {
  size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

// True when the report collected errors.
bool PrintErrors(orv::TkvxReport& report) {
  for (orv::Integer i = 0; i < report.Errors->Count(); ++i)
    std::fprintf(stderr, "orvane-report: %s\n", report.Errors->Strings(i).c_str());
  return report.Errors->Count() > 0;
}

}  // namespace

namespace orv {
namespace {

// The data sets the report names: in its list, and as the data of its pages, bands and views.
std::vector<String> NamedDataSets(TkvxReport& report) {
  std::vector<String> names;
  auto note = [&names](const String& name) {
    if (name.empty()) return;
    for (const String& n : names)
      if (SameText(n, name)) return;
    names.push_back(name);
  };
  for (Integer i = 0; i < report.DataSets->Count(); ++i) note(report.DataSets->Items(i)->DataSetName());
  for (TkvxComponent* c : report.AllObjects()) {
    if (auto* band = dynamic_cast<TkvxDataBand*>(c)) note(band->DataSetName());
    else if (auto* page = dynamic_cast<TkvxReportPage*>(c)) note(page->DataSetName());
    else if (auto* view = dynamic_cast<TkvxView*>(c)) note(view->DataSetName());
  }
  return names;
}

// A --data alias the report never names (nor mentions in an expression or script of its file)
// gives it no rows: most likely a misspelt alias, which would otherwise print an empty report
// without a word.
void WarnOfUnusedData(TkvxReport& report, const String& reportFile,
                      const std::vector<std::pair<String, String>>& data) {
  std::vector<String> named = NamedDataSets(report);
  std::ifstream in(reportFile, std::ios::binary);
  String text = LowerCase(String(std::istreambuf_iterator<char>(in), {}));
  String list;
  for (const String& name : named) list += (list.empty() ? "" : ", ") + name;
  for (const auto& [alias, sql] : data) {
    bool used = text.find(LowerCase(alias)) != String::npos;
    for (const String& name : named) used = used || SameText(name, alias);
    if (!used)
      std::fprintf(stderr, "orvane-report: warning: the report uses no data set %s (its data sets: %s)\n",
                   alias.c_str(), list.empty() ? "none" : list.c_str());
  }
}

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  using namespace orv;
  // Past a file-size limit the write fails and the run ends with the file's error, leaving no
  // half-written file, instead of the signal ending the tool where it stands.
  std::signal(SIGXFSZ, SIG_IGN);
  std::string reportFile, dbFile, qpvFile, pdfFile, password, pages;
  std::vector<std::pair<std::string, std::string>> data, vars;
  long maxPages = 10000, maxRows = 1000000;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    std::string name, value;
    if (arg == "--db" || arg == "--qpv" || arg == "--data" || arg == "--var" || arg == "--pdf" ||
        arg == "--password" || arg == "--max-pages" || arg == "--max-rows" || arg == "--pages") {
      const char* v = next();
      if (!v) return Usage();
      if (arg == "--max-pages" || arg == "--max-rows") {
        char* end = nullptr;
        long n = std::strtol(v, &end, 10);
        if (*v == 0 || *end != 0 || n < 1 || n >= 0x7FFFFFFF) return Usage();
        (arg == "--max-pages" ? maxPages : maxRows) = n;
      } else if (arg == "--db") dbFile = v;
      else if (arg == "--password") password = v;
      else if (arg == "--qpv") qpvFile = v;
      else if (arg == "--pdf") pdfFile = v;
      else if (arg == "--pages") pages = v;
      else if (!SplitPair(v, name, value)) return Usage();
      else (arg == "--data" ? data : vars).emplace_back(name, value);
    } else if (!arg.empty() && arg[0] != '-' && reportFile.empty()) {
      reportFile = arg;
    } else {
      return Usage();
    }
  }
  if (reportFile.empty() || dbFile.empty() || (qpvFile.empty() && pdfFile.empty())) return Usage();
  try {
    // The fonts load while the data is opened and queried.
    Application->InitializeWindowless();
    kvxRegisterEngine();
    TComponent owner(nullptr);
    auto* connection = new TADOConnection(&owner);
    // Read as the register reads a parish it may not write: a report run changes nothing in
    // the file, not even its journal mode, and a file the user may only read works.
    connection->SetConnectionString("Provider=SQLite;Mode=Read");
    connection->SetDatabaseFile(dbFile);
    connection->Open();
    // The data sets are the window's in the register: they must exist before the report reads
    // its references to them.
    for (const auto& [alias, sql] : data) {
      auto* query = new TADOQuery(&owner);
      query->SetConnection(connection);
      query->SQL().SetText(sql);
      // One row past the limit tells a data set at the limit from one beyond it.
      query->SetMaxRecords(static_cast<Integer>(maxRows + 1));
      query->AfterOpen = [alias, maxRows](TDataSet* set) {
        if (set->RecordCount() > maxRows)
          throw EDatabaseError("The data set " + alias + " has more than " + std::to_string(maxRows) +
                               " rows (--max-rows)");
      };
      auto* bridge = new TkvxDBDataset(&owner);
      bridge->SetName(alias);
      bridge->SetUserName(alias);
      bridge->SetDataSet(query);
    }
    // Nobody sits at the tool: a protected report it is not given the password of is refused,
    // dialog pages run with their controls' values, and a script's message boxes go to the
    // standard error.
    kvxSetUserPresent(false);
    SetDialogService(std::make_unique<TUnattendedDialogService>());
    TkvxReport report(&owner);
    report.EngineOptions()->NewSilentMode = simSilent;
    report.ReportOptions()->AcceptedPassword = password;
    if (!report.LoadFromFile(reportFile)) {
      std::fprintf(stderr, "orvane-report: cannot read %s\n", reportFile.c_str());
      return 1;
    }
    // What the load said of a file it read is told, and the report runs as it was read (a
    // name given twice is kept under another); a file it could not read runs nothing.
    if (PrintErrors(report) && report.LoadRefused) return 1;
    WarnOfUnusedData(report, reportFile, data);
    for (const auto& [alias, sql] : data) {
      auto* bridge = static_cast<TkvxDBDataset*>(owner.FindComponent(alias));
      if (!report.DataSets->Find(bridge)) report.DataSets->Add()->SetDataSet(bridge);
    }
    for (const auto& [name, value] : vars) report.Variables->SetVariable(name, Variant(value));
    bool overLimit = false;
    // Looked at as every page is added. A handler of the report's per-object events would be
    // the program taking part in the run, and a report of two passes would then run both.
    report.OnProgress = [&](TkvxReport*, TkvxProgressType type, Integer) {
      if (type == ptRunning && report.PreviewPages->GetCount() > maxPages) {
        overLimit = true;
        report.SetTerminated(true);
      }
    };
    bool ok = false;
    auto prepare = [&] {
      ok = report.PrepareReport();
      return ok && !overLimit && report.Errors->Count() == 0;
    };
    // Told only once the run is over, as the pages of a PDF alone go out while the report runs.
    auto told = [&] {
      // The run went on, but blanks where the Thai goes are worth a word.
      if (!ThaiFontInstalled()) std::fprintf(stderr, "orvane-report: %s\n", kNoThaiFontText);
      for (Integer i = 0; i < report.Warnings->Count(); ++i)
        std::fprintf(stderr, "orvane-report: %s\n", report.Warnings->Strings(i).c_str());
      if (overLimit) {
        std::fprintf(stderr, "orvane-report: the report passed %ld pages and was stopped (--max-pages)\n", maxPages);
        return false;
      }
      return !PrintErrors(report) && ok;
    };
    if (!pdfFile.empty()) {
      TkvxPDFExport pdf(&owner);
      pdf.SetShowDialog(false);
      pdf.SetShowProgress(false);
      pdf.SetFileName(pdfFile);
      pdf.Outline = true;
      pdf.PageNumbers = pages;
      auto* store = static_cast<TkvxPreviewPages*>(report.PreviewPages);
      if (qpvFile.empty()) {
        const bool exported = store->ExportWhilePreparing(&pdf, prepare);
        if (!told()) return 1;
        if (PrintErrors(report) || !exported) return 1;
      } else {
        prepare();
        if (!told()) return 1;
        report.PreviewPages->SaveToFile(qpvFile);
        const bool exported = store->Export(&pdf);
        if (PrintErrors(report) || !exported) return 1;
      }
    } else {
      prepare();
      if (!told()) return 1;
      report.PreviewPages->SaveToFile(qpvFile);
    }
    std::printf("%d pages\n", report.PreviewPages->GetCount());
    // Everything the run made is in its files now. A long report leaves hundreds of thousands of
    // objects behind, and freeing them one by one would hold the tool up longer than its export:
    // the database is closed (a reader leaves no log beside it), the output written, and the
    // system takes the rest back at once.
    connection->Close();
    std::fflush(nullptr);
    std::_Exit(0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane-report: %s\n", e.what());
    return 1;
  }
  return 0;
}
