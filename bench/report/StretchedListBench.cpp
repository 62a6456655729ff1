// The grouped member list of report_run_bench with rows that stretch, as the register's lists
// do: six memos a row, names and addresses of varied length in Thai and Latin wrapped in their
// columns, a birth date through a date format, the title chosen by an IIF; 40 groups, "page N of
// M" (a report of two passes, which runs once: nothing in it can tell the passes apart), the file
// cache on, 10,000, 50,000 and 100,000 rows exported to PDF. The peer, in the same run:
// LibreOffice headless printing the same list to PDF from a flat ODF spreadsheet laid out as ours
// is: the six columns at the memos' widths, every cell wrapped, the memos' face and size, a row
// for each group and one with its count, the heading repeated and "page N of M" at the foot of
// every page; timed as a whole process as our runs are, its page count beside ours.
#include <cstdio>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "bench/report/ListRunSupport.h"
#include "platform/db/ADODB.h"
#include "report/engine/tests/EngineObjects.h"
#include "report/model/DBDataset.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

// The first members by number in 40 groups, with a Latin spelling of the name and a Latin
// address whose length varies from row to row (one line, two or three in their columns).
std::string MembersSql(int rows) {
  return "select ID, st, Nm, sur, sex, birth_date, Address1, Address2, (ID % 40) as grp, "
         "case ID % 3 when 0 then 'Joseph' when 1 then 'Maria Theresa' else 'Francis Xavier Anthony' end "
         "|| ' Somchai ' || substr('Jaidee-Saengthong-Srisuk-Charoenphon-Boonma', 1 + (ID % 5) * 7, 8 + ID % 23) "
         "as latin_name, "
         "(ID % 97) || '/' || (ID % 13) || ' Moo ' || (ID % 12) || ' ' || "
         "case ID % 4 when 0 then 'Bang Chang' when 1 then 'Soi Wat Phra Hathai, Bang Chang Subdistrict' "
         "when 2 then 'Tha Kham' else 'Ban Phaeo Road near the old market, Lak Sam Subdistrict, Ban Phaeo District' end "
         "|| ', Nakhon Pathom 73110' as latin_address "
         "from Orvani where ID <= " + std::to_string(rows) + " order by grp, ID";
}

void RunOnce(const std::string& db, int rows, const std::filesystem::path& dir, bool readRowsFirst) {
  TimeListRun(db, MembersSql(rows), dir, rows, readRowsFirst, [](TkvxReportPage* page, TkvxDBDataset* members) {
    auto memo = [](TkvxBand* b, const char* name, Extended left, Extended width, const char* text) {
      auto* m = new TkvxMemoView(b);
      m->SetName(name);
      m->SetBounds(left, 0, width, 20);
      m->SetText(kvxUtf8ToWide(text));
      m->SetStretchMode(smActualHeight);
      return m;
    };
    auto band = [&](TkvxBand* b, const char* name, Extended top, const char* text) {
      b->SetName(name);
      b->SetBounds(0, top, 700, 20);
      memo(b, (std::string(name) + "Text").c_str(), 0, 600, text);
      return b;
    };
    band(new TkvxPageHeader(page), "PH", 0, "รายชื่อสมาชิก");
    static_cast<TkvxGroupHeader*>(band(new TkvxGroupHeader(page), "GH", 20, "กลุ่ม [M.\"grp\"]"))->Condition = "M.\"grp\"";
    auto* data = new TkvxMasterData(page);
    data->SetName("Data");
    data->SetBounds(0, 40, 700, 20);
    data->SetDataSet(members);
    data->SetStretched(true);
    memo(data, "No", 0, 40, "[Line].");
    memo(data, "Name", 40, 150, "[IIF(<M.\"sex\"> = 'ชาย', 'นาย', 'นาง')] [M.\"st\"] [M.\"Nm\"] [M.\"sur\"]");
    memo(data, "Latin", 190, 120, "[M.\"latin_name\"]");
    memo(data, "Address", 310, 150, "[M.\"Address1\"] [M.\"Address2\"]");
    memo(data, "LatinAddress", 460, 150, "[M.\"latin_address\"]");
    memo(data, "Born", 610, 90, "[M.\"birth_date\" #Dd mmm yyyy]");
    band(new TkvxGroupFooter(page), "GF", 60, "[COUNT(Data)] คน");
    band(new TkvxPageFooter(page), "PF", 200, "หน้า [Page#] จาก [TotalPages#]");
  });
}

// The list of 10,000 rows as our report lays it out, for LibreOffice to print.
std::filesystem::path WriteStretchedFods(const std::string& db, const std::filesystem::path& dir) {
  TFodsList list;
  list.WidthsPx = {40, 150, 120, 150, 150, 90};
  list.Wrapped = true;
  list.Cells = [](TADOQuery& q, int line) {
    auto field = [&](const char* name) { return q.FieldByName(name)->AsString(); };
    return std::vector<std::string>{std::to_string(line) + ".",
                                    (field("sex") == "ชาย" ? "นาย" : "นาง") + std::string(" ") + field("st") + " " +
                                        field("Nm") + " " + field("sur"),
                                    field("latin_name"), field("Address1") + " " + field("Address2"),
                                    field("latin_address"), FodsDate(field("birth_date"))};
  };
  return WriteFodsList(db, MembersSql(10000), dir / "members-10000.fods", list);
}

}  // namespace

int main(int argc, char** argv) {
  if (RunListChild(argc, argv, RunOnce)) return 0;
  auto dir = BenchFolder("stretched-list");
  TListComparison c = CompareListRuns(
      argv[0], dir, MembersSql,
      "stretched member list: six wrapped memos a row, 40 groups, page N of M, file cache on, PDF export", 100000,
      WriteStretchedFods);
  auto perThousand = [](const TResult& r, int rows) { return (r.Seconds + r.ExportSeconds) / rows * 1e6; };
  const double per10 = perThousand(c.Rows10k, 10000), per50 = perThousand(c.Rows50k, 50000),
               per100 = perThousand(c.Rows100k, 100000);
  std::printf("cost per 1,000 rows printed: %.1f ms at 10,000 rows, %.1f ms at 50,000, %.1f ms at 100,000 (100,000 "
              "against 10,000: %.2f)\n",
              per10, per50, per100, per10 > 0 ? per100 / per10 : 0.0);
  std::printf("peak at 100,000 rows: %.1f MB (target under 100 MB)\n", c.Rows100k.PeakMB);
  PrintPeerLine(c);
  std::filesystem::remove_all(dir);
  return 0;
}
