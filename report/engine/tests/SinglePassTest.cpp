// A report of two passes that nothing in it can tell apart runs once and prints what two passes
// print; one that reads the total, the engine or a script, or that the program takes part in,
// still runs twice.
#include "report/engine/tests/EngineTestSupport.h"

namespace orv::test {
namespace {

using Rows = std::vector<std::map<String, Variant>>;
using Pages = std::vector<std::vector<std::string>>;

// Three zones of 14, 20 and 6 members, each zone starting a new page and its own numbering.
struct TZoneList {
  explicit TZoneList(const String& footer = "Page [Page] ([Page#]) of [TotalPages#]") {
    r.Report->EngineOptions()->DoublePass = true;
    r.Report->OnProgress = [this](TkvxReport*, TkvxProgressType type, Integer) {
      if (type == ptRunning) ++PagesAdded;
    };
    Rows rows;
    for (int i = 1; i <= 40; ++i)
      rows.push_back({{"Zone", Variant(String(i <= 14 ? "A" : i <= 34 ? "B" : "C"))},
                      {"Name", Variant("N" + std::to_string(i))}});
    r.MemoView(r.Band<TkvxPageHeader>("PH", 0, 20), "Title", "Members");
    auto* gh = r.Band<TkvxGroupHeader>("GH", 20, 20);
    gh->Condition = "M.\"Zone\"";
    gh->SetStartNewPage(true);
    gh->ResetPageNumbers = true;
    gh->SetOutlineText("M.\"Zone\"");
    r.MemoView(gh, "Zone", "Zone [M.\"Zone\"]");
    auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
    data->SetDataSet(r.Data("M", rows));
    r.MemoView(data, "Row", "[Line#]. [IIF(<Line> = 1, 'first ', '')][M.\"Name\"]");
    r.MemoView(r.Band<TkvxGroupFooter>("GF", 60, 20), "Count", "[COUNT(Data)] members");
    r.MemoView(r.Band<TkvxPageFooter>("PF", 340, 30), "Foot", footer, 30);
  }
  TEngineReport r;
  int PagesAdded = 0;
};

TEST(SinglePass, AReportThatCannotTellItsPassesApartRunsOnceAndPrintsWhatTwoPassesPrint) {
  TZoneList once;
  Pages single = once.r.Run();
  // A script the run never calls is enough to keep two passes.
  TZoneList twice;
  twice.r.Report->ScriptText()->SetText("function Unused: Integer;\r\nbegin\r\n  Result := 0;\r\nend;\r\n\r\nbegin\r\nend.");
  Pages two = twice.r.Run();
  // Page height 377.953 less header and footer leaves 16 rows: A on 1 page (14 + header and
  // footer), B on 2 (15 and 5), C on 1.
  ASSERT_EQ(single.size(), 4u);
  EXPECT_EQ(single, two);
  EXPECT_EQ(once.PagesAdded, 4);
  EXPECT_EQ(twice.PagesAdded, 8);
  EXPECT_EQ(single[1].front(), "Members");
  EXPECT_EQ(single[1][1], "Zone B");
  EXPECT_EQ(single[1][2], "15. first N15");
  // The memo's own total is left as its mark for the drawing.
  EXPECT_EQ(single[2].back(), "Page 2 (3) of \uE002");
  EXPECT_EQ(single[3].back(), "Page 1 (4) of \uE002");
  EXPECT_EQ(once.r.Pages().GetOutline()->GetCount(), 3);
}

TEST(SinglePass, WhatReadsThePassesOrLetsTheProgramInRunsTwice) {
  // The total in an expression of its own is known only in the second pass.
  TZoneList total("[<TotalPages#> - 1] more");
  Pages pages = total.r.Run();
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[0].back(), "3 more");
  EXPECT_EQ(total.PagesAdded, 8);

  // So is the logical total of the pages that share a numbering.
  TZoneList logical("of [TotalPages]");
  pages = logical.r.Run();
  EXPECT_EQ(pages[1].back(), "of 2");
  EXPECT_EQ(logical.PagesAdded, 8);

  TZoneList engine("[Engine.FinalPass]");
  engine.r.Run();
  EXPECT_EQ(engine.PagesAdded, 8);

  TZoneList variable("[Left]");
  variable.r.Report->Variables->SetVariable("Left", Variant(String("<TotalPages#> - 1")));
  pages = variable.r.Run();
  EXPECT_EQ(pages[0].back(), "3");
  EXPECT_EQ(variable.PagesAdded, 8);

  // The program's own values may change from one pass to the next.
  TZoneList host;
  host.r.Report->OnGetValue = [](const String&, Variant&) {};
  host.r.Run();
  EXPECT_EQ(host.PagesAdded, 8);
}

}  // namespace
}  // namespace orv::test
