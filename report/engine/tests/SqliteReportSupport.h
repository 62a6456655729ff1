#pragma once
// Report files run over an SQLite parish by orvane-report, as the register runs them, and the
// same parish asked through sqlite3 for the numbers the prepared pages must show.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "report/engine/tests/EngineTestSupport.h"
#include "report/model/DBDataset.h"

namespace orv::test {

// A parish of 10 zones, 300 families (zone = (ID - 1) / 30 + 1) and their members, made by
// sqlite3 itself in a folder of its own.
class TSqliteParish {
 public:
  TSqliteParish();
  ~TSqliteParish();
  // The rows sqlite3 prints for query, one line each, fields separated by "|".
  std::vector<std::string> Rows(const std::string& query) const;
  int Count(const std::string& query) const;
  const std::string& Dir() const { return dir_; }
  const std::string& Db() const { return db_; }

 private:
  std::string dir_, db_;
};

// The report script that points a detail's query at its master's present row: a band's
// OnMasterDetail "FamiliesOfZone" (data sets Z and F) or "MembersOfFamily" (F and M).
extern const char* const kFollowMasters;

// Tests of one suite over one parish, made once for the suite.
class TParishTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { parish_ = new TSqliteParish(); }
  static void TearDownTestSuite() {
    delete parish_;
    parish_ = nullptr;
  }
  static TSqliteParish* parish_;
};

// A report as a report file holds it, with data sets the window provides by alias.
struct TReportFile {
  TReportFile();
  ~TReportFile();
  TkvxDBDataset* Data(const String& alias);
  TkvxReportPage* AddPage(const String& name);
  template <class T>
  T* Band(const String& name, Extended top, Extended height, TkvxReportPage* page = nullptr) {
    auto* band = new T(page ? page : Page);
    band->SetName(name);
    band->SetBounds(0, top, 700, height);
    return band;
  }
  TkvxMemoView* Memo(TkvxBand* band, const String& name, const String& text, Extended left = 0,
                     Extended width = 300, Extended height = 20);
  // A detail band "MemberBand" of the present family's members (data set "M", pointed at its
  // family by kFollowMasters), each member's name at left.
  TkvxDetailData* Members(Extended top, Extended left = 0);
  // Two page columns, at 0 and 100 mm.
  void TwoPageColumns();

  std::unique_ptr<TComponent> Window;
  TkvxReport* Report;
  TkvxReportPage* Page;
};

// What orvane-report made of a report file: the prepared pages read back from its .qpv.
struct TPrepared {
  std::unique_ptr<TkvxReport> Holder;
  std::vector<std::vector<std::string>> Texts;
  std::string Pdf;
  TkvxPreviewPages& Pages() { return *static_cast<TkvxPreviewPages*>(Holder->PreviewPages); }
};

// Saves the report under name in the parish folder and runs orvane-report over the parish with
// the data sets given as "ALIAS=SQL", its PDF holding pdfPages when given; a test failure when it
// does not succeed.
TPrepared RunReportFile(const TSqliteParish& parish, TReportFile& file, const std::string& name,
                        const std::vector<std::string>& data, const std::string& pdfPages = "");

// The numbers after label in texts ("families=12" gives 12), in order.
std::vector<int> Numbers(const std::vector<std::string>& texts, const std::string& label);
// How many of texts begin with prefix.
int Starting(const std::vector<std::string>& texts, const std::string& prefix);

// What sqlite3 says the notes (table Note: ID, Body) of the rows where selects hold, each between
// its marks "#ID:" and ":ID#", without blanks and line ends, in the order of the rows.
std::string ExpectedNotes(const TSqliteParish& parish, const std::string& where);
// Where two texts part, with a little of each from there.
std::string FirstDifference(const std::string& got, const std::string& want);

// The lines pdftotext -raw finds in a PDF, form feeds dropped; with area (x, y, w, h in points)
// only those inside it.
std::vector<std::string> PdfLines(const std::string& pdf, const std::string& area = "");
// The lines of every page of a PDF as pdftotext -raw reads them, page by page.
std::vector<std::vector<std::string>> PdfPages(const std::string& pdf);

// A word of a PDF page and its box in points from the page's top left, as pdftotext -bbox finds it.
struct TPdfWord {
  std::string Text;
  double X0, Y0, X1, Y1;
};
// The words of every page, page by page.
std::vector<std::vector<TPdfWord>> PdfWords(const std::string& pdf);
// The first two words of a page that are drawn over each other (their boxes share more than
// a sliver), as "page N: A over B"; empty when none are.
std::string FirstOverprint(const std::vector<std::vector<TPdfWord>>& pages);

}  // namespace orv::test
