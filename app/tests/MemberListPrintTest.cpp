// The member list printed right after each of the seventeen searches, read back from the PDF
// with poppler: the members the grid shows, numbered, in the order the mode prints, under
// their group headings; and the list sent to a workbook, read back with openpyxl.
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "app/tests/DocumentTesting.h"
#include "app/tests/ListPrintTesting.h"
#include "app/tests/OtherWindowsFixture.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/db/tests/ThaiOrder.h"
#include "platform/sheet/SheetAutomation.h"

namespace orv::test {

namespace {

enum Key { kThai, kBytes };

struct ListCase {
  const char* Name;
  TRadioButton* TForm1::*Radio;
  std::function<void(TForm1*)> Search;
  // What the question asks after its common beginning.
  const char* Question;
  // The print order, as sqlite3 expressions with how each compares.
  std::vector<std::pair<std::string, Key>> Order;
  // The group heading's words and the sqlite3 expression of its value; none for the lists
  // without groups. Dates are shown as the register shows them.
  const char* Heading = nullptr;
  std::string Group{};
  bool DateGroup = false;
};

}  // namespace

class MemberListPrintTest : public OtherWindowsTest {
 protected:
  // Prints the list as the menu does and reads back the pages exported from the preview.
  TPrintedList PrintList(TForm1* f, const std::string& name) {
    std::filesystem::path pdf = dir_ / (name + ".pdf");
    bool opened = ExportShownDocument([f] { f->N6Click(f->N6); }, pdf.string());
    TPrintedList list = ReadPrintedList(pdf);
    list.Opened = opened;
    return list;
  }
};

TEST_F(MemberListPrintTest, EveryModePrintsTheMembersShownInItsOrder) {
  MakeDemo(400);
  auto one = [&](const std::string& sql) { return Cli(sql); };
  auto firstValue = [&](const std::string& column) {
    return one("select " + column + " from Orvani where " + column +
               " is not null order by ID limit 1");
  };
  const std::string family = one("select from_family from Orvani where ID = 40");
  const std::string birth = one("select birth_date from Orvani where ID = 25");
  const std::string death = one("select min(dead_date) from Orvani");

  auto enter = [](const std::string& text) {
    return [text](TForm1* f) {
      f->Edit1->SetText(text);
      Word key = VK_RETURN;
      f->Edit1KeyUp(f->Edit1, key, {});
    };
  };
  auto pick = [&](const std::string& column) {
    std::string value = firstValue(column);
    return [value](TForm1* f) {
      f->ComboBox8->SetText(value);
      f->Timer1Timer(f->Timer1);
    };
  };
  auto day = [](const std::string& iso, bool dead) {
    return [iso, dead](TForm1* f) {
      f->DateTimePicker2->SetDate(PickerDate(iso));
      dead ? f->FindDead() : f->FindBirthday();
    };
  };
  auto period = [](const char* from, const char* to, bool in) {
    return [from, to, in](TForm1* f) {
      f->DateTimePicker2->SetDate(PickerDate(from));
      f->DateTimePicker3->SetDate(PickerDate(to));
      in ? f->FindMoveIn() : f->FindMoveOut();
    };
  };
  auto names = [](std::vector<std::pair<std::string, Key>> keys) {
    keys.push_back({"Nm", kThai});
    keys.push_back({"sur", kThai});
    return keys;
  };
  const std::string pair = "mtmn_father || '-' || mtmn_mother";
  const std::vector<ListCase> cases = {
      {"name", &TForm1::RadioButton1, enter(""), " โดยเรียงลำดับอักษร หรือ ?", names({})},
      {"saint", &TForm1::RadioButton2, pick("st"), " แยกตามชื่อนักบุญ หรือ ?", names({{"st", kThai}}),
       "ชื่อนักบุญ", "st"},
      {"group", &TForm1::RadioButton3, pick("gang"), " แยกตามกลุ่ม หรือ ?",
       names({{"gang", kThai}, {"Address1", kThai}, {"Address2", kThai}}), "กลุ่ม/สาย", "gang"},
      {"code", &TForm1::RadioButton4, enter("100234-1"), " เรียงตามลำดับรหัส หรือ ?",
       names({{"NUM", kThai}})},
      {"birthday", &TForm1::RadioButton5, day(birth, false), " ตามวันเกิดที่ค้นหา หรือ ?",
       names({{"birth_date", kBytes}}), "วันเกิด", "birth_date", true},
      {"house", &TForm1::RadioButton6, enter("1"), " ตามบ้านเลขที่ที่ค้นหา หรือ ?",
       names({{"Address1", kThai}, {"Address2", kThai}}), "บ้านเลขที่", "Address1 || ' ' || Address2"},
      // The family the search matched, the eldest first.
      {"family",
       &TForm1::RadioButton7,
       enter(family),
       " ตามเลขที่ครอบครัวที่ค้นหา หรือ ?",
       {{"from_family", kThai}, {"birth_date", kBytes}},
       "ครอบครัวที่",
       "from_family"},
      {"occupation", &TForm1::RadioButton8, enter("ค้า"), " ตามอาชีพที่ค้นหา หรือ ?",
       names({{"Occupation", kThai}}), "อาชีพ", "Occupation"},
      {"death day", &TForm1::RadioButton9, day(death, true), " ตามวันมรณะที่ค้นหา หรือ ?",
       names({{"dead_date", kBytes}}), "วันมรณะ", "dead_date", true},
      {"godparents", &TForm1::RadioButton10, pick("btsm_parent"),
       " ตามชื่อพ่อ/แม่ทูนหัวศีลล้างบาปที่ค้นหา หรือ ?", names({{"btsm_parent", kThai}}), "พ่อ/แม่ทูนหัวศีลล้างบาป",
       "btsm_parent"},
      {"moved in", &TForm1::RadioButton11, period("2000-01-01", "2015-12-31", true),
       " ซึ่งย้ายเข้าที่ค้นหา หรือ ?", names({{"DateIn", kBytes}}), "วันที่ย้ายเข้า", "DateIn", true},
      {"moved out", &TForm1::RadioButton12, period("2010-01-01", "2023-12-31", false),
       " ซึ่งย้ายออกที่ค้นหา หรือ ?", names({{"DateOut", kBytes}}), "วันที่ย้ายออก", "DateOut", true},
      {"sponsors", &TForm1::RadioButton16, pick("cnfm_parent"), " ตามชื่อพ่อ/แม่ทูนหัวศีลกำลังที่ค้นหา หรือ ?",
       names({{"cnfm_parent", kThai}}), "พ่อ/แม่ทูนหัวศีลกำลัง", "cnfm_parent"},
      {"witnesses", &TForm1::RadioButton17, pick(pair), " ตามชื่อพ่อ/แม่ทูนหัวศีลสมรสที่ค้นหา หรือ ?",
       names({{pair, kThai}}), "พ่อ/แม่พยานศีลสมรส", pair},
      {"father", &TForm1::RadioButton18, pick("papa_nm"), " ตามชื่อบิดาที่ค้นหา หรือ ?",
       names({{"papa_nm", kThai}}), "ชื่อบิดา", "papa_nm"},
      {"mother", &TForm1::RadioButton19, pick("mama_nm"), " ตามชื่อมารดาที่ค้นหา หรือ ?",
       names({{"mama_nm", kThai}}), "ชื่อมารดา", "mama_nm"},
      {"baptism church", &TForm1::RadioButton20, pick("btsm_wat"), " ตามรายชื่อวัดที่ล้างบาปที่ค้นหา หรือ ?",
       names({{"btsm_wat", kThai}}), "วัดที่ล้างบาป", "btsm_wat"},
  };

  ThaiOrder thai;
  TForm1* f = StartMain();
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.Name);
    (f->*c.Radio)->SetChecked(true);
    // Every status, so that the lists of the dead and the moved have members.
    f->RadioButton21->SetChecked(true);
    c.Search(f);
    TADOQuery* grid = f->ADOQuery1;
    ASSERT_TRUE(grid->Active());
    Integer count = grid->RecordCount();
    ASSERT_GT(count, 0) << "the search found nobody";
    ASSERT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  " + std::to_string(count) + " รายการ");
    std::vector<std::string> shown;
    for (Integer r = 1; r <= count; ++r)
      shown.push_back(grid->DisplayTextAt(grid->FieldByName("ID"), r));

    // What sqlite3 holds of each member shown: the printed names, the sort keys, the group.
    std::string ids;
    for (const std::string& id : shown) ids += (ids.empty() ? "" : ",") + id;
    std::string keys;
    for (const auto& [expression, kind] : c.Order)
      keys += " || '|' || coalesce('=' || " + expression + ", '')";
    std::string group = c.Group.empty() ? "''" : "coalesce(" + c.Group + ", '')";
    struct Member {
      std::string Names, Group;
      std::vector<std::string> Keys;
    };
    std::map<std::string, Member> members;
    for (const std::string& line :
         Lines(Cli("select ID || '|' || trim(coalesce(st, '') || ' ' || coalesce(Nm, '') || ' ' ||"
                   " coalesce(sur, '')) || '|' || " +
                   group + keys + " from Orvani where ID in (" + ids + ")"))) {
      std::vector<std::string> parts = SplitBars(line);
      members[parts[0]] = {CollapseBlanks(parts[1]), parts[2],
                           std::vector<std::string>(parts.begin() + 3, parts.end())};
    }
    ASSERT_EQ(members.size(), shown.size());

    TPrintedList printed = PrintList(f, c.Name);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการพิมพ์รายชื่อสัตบุรุษตามตารางซ้ายมือ" +
                                                std::string(c.Question)});
    ASSERT_TRUE(printed.Opened);
    EXPECT_TRUE(printed.Sound) << printed.Problems;
    EXPECT_EQ(printed.Total, std::to_string(count));
    ASSERT_EQ(printed.Rows.size(), static_cast<size_t>(count));

    // Each printed row is one of the members shown, each member once, in the mode's order.
    auto compare = [&](const std::vector<std::string>& a, const std::vector<std::string>& b) {
      for (size_t k = 0; k < c.Order.size(); ++k) {
        int r = c.Order[k].second == kThai ? thai.Compare(a[k], b[k]) : a[k].compare(b[k]);
        if (r) return r;
      }
      return 0;
    };
    std::set<std::string> unprinted(shown.begin(), shown.end());
    std::vector<const Member*> order;
    for (const TPrintedRow& row : printed.Rows) {
      // Of the members with these names not yet printed, the first in the mode's order.
      const Member* match = nullptr;
      std::string matchId;
      for (const std::string& id : unprinted) {
        const Member& m = members[id];
        if (row.Text.rfind(m.Names, 0) != 0) continue;
        if (!match || compare(m.Keys, match->Keys) < 0) match = &m, matchId = id;
      }
      ASSERT_NE(match, nullptr) << "row " << row.Number << " is no member shown: " << row.Text;
      unprinted.erase(matchId);
      order.push_back(match);
    }
    for (size_t i = 1; i < order.size(); ++i)
      EXPECT_LE(compare(order[i - 1]->Keys, order[i]->Keys), 0)
          << "rows " << i << " and " << i + 1 << " out of order";

    // A heading where the grouped value changes, and only there.
    std::vector<std::string> headings;
    if (c.Heading) {
      for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && order[i]->Group == order[i - 1]->Group) continue;
        std::string value = order[i]->Group;
        if (c.DateGroup && !value.empty()) value = ThaiDate(value);
        headings.push_back(CollapseBlanks(std::string(c.Heading) + " " + value));
      }
    }
    EXPECT_EQ(printed.Headings, headings);
    // A grouped list's pages, kept to be looked at.
    if (c.Radio == &TForm1::RadioButton6) {
      EXPECT_EQ(RenderPages((dir_ / "house.pdf").string(), "member-list-by-house"), printed.Pages);
    }
    if (c.Radio == &TForm1::RadioButton11) {
      EXPECT_TRUE(printed.HasLine("ระหว่างวันที่ 1/1/2000 31/12/2015"));
    }
    if (c.Radio == &TForm1::RadioButton12) {
      EXPECT_TRUE(printed.HasLine("ระหว่างวันที่ 1/1/2010 31/12/2023"));
    }
  }
}

TEST_F(MemberListPrintTest, AnEmptyListRefusesToPrint) {
  MakeDemo(60);
  TForm1* f = StartMain();
  f->Edit1->SetText("ไม่มีใครชื่อนี้");
  Word key = VK_RETURN;
  f->Edit1KeyUp(f->Edit1, key, {});
  ASSERT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  0 รายการ");
  TPrintedList printed = PrintList(f, "empty");
  EXPECT_FALSE(printed.Opened);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ไม่มีข้อมูลที่จะพิมพ์"});
}

TEST_F(MemberListPrintTest, AListIsPrintedOnlyUnderTheHeadingOfTheModeThatSearchedIt) {
  MakeDemo(60);
  TForm1* f = StartMain();
  // The witnesses' mode is chosen and a status change asks for its search, which has not run
  // yet: the list on screen is still the start-up's, every member by name.
  f->RadioButton17->SetChecked(true);
  EXPECT_EQ(f->ComboBox8->ItemIndex(), -1);
  f->RadioButton21->SetChecked(true);
  ASSERT_TRUE(f->ADOQuery1->Active());
  ASSERT_GT(f->ADOQuery1->RecordCount(), 0);
  Boxes();
  TPrintedList printed = PrintList(f, "witnesses before their search");
  EXPECT_FALSE(printed.Opened);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ไม่มีข้อมูลที่จะพิมพ์"});

  // Searched, the list prints under the witnesses' heading.
  f->ComboBox8->SetText(Cli("select mtmn_father || '-' || mtmn_mother from Orvani"
                            " where mtmn_father is not null order by ID limit 1"));
  f->Timer1Timer(f->Timer1);
  Integer count = f->ADOQuery1->RecordCount();
  ASSERT_GT(count, 0);
  printed = PrintList(f, "witnesses");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการพิมพ์รายชื่อสัตบุรุษตามตารางซ้ายมือ"
                                              " ตามชื่อพ่อ/แม่ทูนหัวศีลสมรสที่ค้นหา หรือ ?"});
  ASSERT_TRUE(printed.Opened);
  EXPECT_EQ(printed.Rows.size(), static_cast<size_t>(count));

  // The birthday mode searches with the day on its picker before it prints: today's
  // birthdays, not the witnesses found before.
  std::string today = Cli("select strftime('%m-%d', 'now', 'localtime')");
  Cli("update Orvani set birth_date = '1980-' || '" + today + "', dead_date = null, DateOut = null"
      " where ID in (3, 7)");
  // With the living status and today's date already chosen, choosing the mode changes no
  // picker and no status, so nothing searches.
  f->RadioButton13->SetChecked(true);
  f->DateTimePicker2->SetDate(Date());
  f->Timer1Timer(f->Timer1);
  Integer witnesses = f->ADOQuery1->RecordCount();
  f->RadioButton5->SetChecked(true);
  ASSERT_EQ(f->ADOQuery1->RecordCount(), witnesses);
  Boxes();
  printed = PrintList(f, "birthdays");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการพิมพ์รายชื่อสัตบุรุษตามตารางซ้ายมือ"
                                              " ตามวันเกิดที่ค้นหา หรือ ?"});
  ASSERT_TRUE(printed.Opened);
  std::string expected = Cli("select count(*) from Orvani where substr(birth_date, 6) = '" + today +
                             "' and dead_date is null and DateOut is null");
  EXPECT_EQ(std::to_string(printed.Rows.size()), expected);
  EXPECT_EQ(std::to_string(f->ADOQuery1->RecordCount()), expected);
}

TEST_F(MemberListPrintTest, AWorkbookNoApplicationOpensIsToldWithWhereItWasSaved) {
  MakeDemo(20);
  TForm1* f = StartMain();
  // A desktop without an application for workbooks: xdg-open says so with its status 3.
  std::filesystem::path bin = dir_ / "bin";
  std::filesystem::create_directories(bin);
  std::ofstream(bin / "xdg-open") << "#!/bin/sh\nexit 3\n";
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  std::string oldPath = getenv("PATH");
  setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
  Boxes();
  f->LumSmoothButton5Click(f->LumSmoothButton5);
  std::vector<std::string> boxes;
  testing::WaitFor([&] {
    for (const std::string& box : Boxes()) boxes.push_back(box);
    return !boxes.empty();
  }, 10000);
  setenv("PATH", oldPath.c_str(), 1);
  ASSERT_EQ(boxes.size(), 1u);
  const std::string lead = "เขียนสมุดงานเสร็จแล้ว แต่เปิดไม่ได้: ไม่มีโปรแกรมในเครื่องที่เปิดแฟ้มชนิดนี้ได้\nสมุดงานบันทึกไว้ที่ ";
  ASSERT_EQ(boxes[0].rfind(lead, 0), 0u) << boxes[0];
  std::string file = boxes[0].substr(lead.size(), boxes[0].find('\n', lead.size()) - lead.size());
  EXPECT_TRUE(file.ends_with(".xlsx")) << file;
  TWorkbookRows rows = ReadWorkbookRows(file, "ID");
  ASSERT_TRUE(rows.Read) << rows.Problems;
  EXPECT_EQ(rows.DataRows, static_cast<size_t>(f->ADOQuery1->RecordCount()));
}

TEST_F(MemberListPrintTest, TheSpreadsheetHoldsTheMembersShown) {
  MakeDemo(200);
  TForm1* f = StartMain();
  f->RadioButton3->SetChecked(true);
  f->RadioButton21->SetChecked(true);
  f->ComboBox8->SetText(Cli("select gang from Orvani where gang is not null order by ID limit 1"));
  f->Timer1Timer(f->Timer1);
  TADOQuery* grid = f->ADOQuery1;
  Integer count = grid->RecordCount();
  ASSERT_GT(count, 1);
  ASSERT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  " + std::to_string(count) + " รายการ");
  std::set<std::string> shown;
  for (Integer r = 1; r <= count; ++r)
    shown.insert(grid->DisplayTextAt(grid->FieldByName("ID"), r));

  std::filesystem::path book = dir_ / "members.xlsx";
  SetSheetShowHandler([&](const String& file) { std::filesystem::copy_file(file, book); });
  f->LumSmoothButton5Click(f->LumSmoothButton5);
  SetSheetShowHandler(nullptr);
  TWorkbookRows rows = ReadWorkbookRows(book.string(), "ID");
  ASSERT_TRUE(rows.Read) << rows.Problems;
  // The sheet is called after what it holds.
  EXPECT_EQ(rows.Sheet, "รายชื่อสัตบุรุษ");
  EXPECT_EQ(rows.DataRows, static_cast<size_t>(count));
  EXPECT_EQ(rows.Column, shown);
}

}  // namespace orv::test

namespace orv::test {

// A member list and a statistics list go through the preview to the printer: the private CUPS
// server receives as many pages as the list exported to PDF has.
TEST_F(MemberListPrintTest, ListsPrintOnThePrinter) {
  testing::TCupsServer server = testing::UseTestServer();
  MakeDemo(200);
  TForm1* f = StartMain();
  f->RadioButton2->SetChecked(true);
  f->RadioButton21->SetChecked(true);
  f->ComboBox8->SetText(Cli("select st from Orvani where st is not null order by ID limit 1"));
  f->Timer1Timer(f->Timer1);
  ASSERT_GT(f->ADOQuery1->RecordCount(), 0);
  std::string title = "member list " + std::to_string(getpid());
  testing::TCapturedJob job = PrintShownDocument([f] { f->N6Click(f->N6); }, server, title);
  ASSERT_TRUE(job.Arrived);
  TPrintedList exported = PrintList(f, "saint");
  EXPECT_GT(exported.Pages, 0);
  EXPECT_EQ(testing::PdfPageSizes(job.DocumentPath).size(), static_cast<size_t>(exported.Pages));

  TForm4* s = Open<TForm4>();
  s->FormActivate(s);
  s->DateTimePicker1->SetDate(PickerDate("1900-01-01"));
  s->Button1Click(s->Button1);
  ASSERT_GT(s->ADOQuery1->RecordCount(), 0);
  title = "statistics list " + std::to_string(getpid());
  job = PrintShownDocument([s] { s->Button4Click(s->Button4); }, server, title);
  ASSERT_TRUE(job.Arrived);
  std::filesystem::path pdf = dir_ / "statistics.pdf";
  ASSERT_TRUE(ExportShownDocument([s] { s->Button4Click(s->Button4); }, pdf.string()));
  EXPECT_EQ(testing::PdfPageSizes(job.DocumentPath).size(), PdfPageCount(pdf.string()));
  // The job reads as the export does, word for word, Thai marks and all.
  auto words = [](const std::string& text) {
    std::multiset<std::string> found;
    std::istringstream in(text);
    for (std::string w; in >> w;) found.insert(w);
    return found;
  };
  std::multiset<std::string> printed = words(PdfReadingText(job.DocumentPath));
  std::multiset<std::string> exportedWords = words(PdfReadingText(pdf.string()));
  EXPECT_FALSE(printed.empty());
  EXPECT_TRUE(printed == exportedWords) << PdfReadingText(job.DocumentPath) << "\n----\n" << PdfReadingText(pdf.string());
}

}  // namespace orv::test

namespace orv::test {

// A note longer than a cell holds is cut in the workbook, and the box names the cell openpyxl
// finds it in. When the program ends, the workbook the user saved over in place is moved into
// the documents folder, which lasts beyond the session, and the box says where; one LibreOffice
// still has open stays where LibreOffice saves it; an untouched one goes.
TEST_F(MemberListPrintTest, CutNotesAreNamedAndWorkbooksKeptAtTheEndLast) {
  MakeDemo(5);
  Cli("update Orvani set note1 = printf('%.40000c', 'ก') where ID = (select max(ID) from Orvani)");
  const std::filesystem::path documents = dir_ / "เอกสาร";
  setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
  TForm1* f = StartMain();
  std::vector<std::string> books;
  SetSheetShowHandler([&](const String& file) { books.push_back(file); });
  Boxes();
  for (int i = 0; i < 3; ++i) f->LumSmoothButton5Click(f->LumSmoothButton5);
  SetSheetShowHandler(nullptr);
  ASSERT_EQ(books.size(), 3u);
  // Named after what they hold.
  EXPECT_EQ(std::filesystem::path(books[0]).filename(), "รายชื่อสัตบุรุษ.xlsx");
  EXPECT_EQ(std::filesystem::path(books[1]).filename(), "รายชื่อสัตบุรุษ (2).xlsx");

  const char* script = R"py(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
for row in ws.iter_rows():
    for c in row:
        if isinstance(c.value, str) and len(c.value) >= 32000:
            print(c.coordinate, len(c.value))
)py";
  std::string found;
  ASSERT_EQ(RunShell(std::string(ORVANE_PYTHON) + " -c " + Quoted(script) + " " + Quoted(books[0]) + " 2>&1", found), 0)
      << found;
  std::istringstream in(found);
  std::string cell;
  size_t length = 0;
  in >> cell >> length;
  EXPECT_EQ(length, 32767u) << found;
  const std::string box = "ข้อความในช่อง " + cell + " ของสมุดงานยาวเกิน 32767 ตัวอักษรที่ช่องหนึ่งเก็บได้ จึงถูกตัดท้ายและลงท้ายด้วย \"...\"";
  EXPECT_EQ(Boxes(), (std::vector<std::string>{box, box, box}));

  // The user saves the first in place (Ctrl+S) a moment later, and has the second open in
  // LibreOffice, which marks it with its lock file.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ofstream(books[0], std::ios::app) << " ";
  const std::filesystem::path lock =
      std::filesystem::path(books[1]).parent_path() / (".~lock." + std::filesystem::path(books[1]).filename().string() + "#");
  std::string pid;
  ASSERT_EQ(RunShell("soffice -env:UserInstallation=file://" + (dir_ / "lo-profile").string() +
                         " --headless --norestore " + Quoted(books[1]) + " > /dev/null 2>&1 & echo $!",
                     pid), 0);
  testing::WaitFor([&] { return std::filesystem::exists(lock); }, 60000);
  ASSERT_TRUE(std::filesystem::exists(lock)) << "LibreOffice did not open the workbook";
  bool canClose = false;
  f->FormCloseQuery(f, canClose);
  EXPECT_TRUE(canClose);
  const std::filesystem::path moved = documents / "รายชื่อสัตบุรุษ.xlsx";
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "สมุดงานที่แก้ไขหลังจากโปรแกรมเขียนไว้ไม่ได้ถูกลบ ย้ายไปเก็บไว้ที่:\n" + moved.string() +
                         "\n\nสมุดงานที่ยังเปิดอยู่ในโปรแกรมตารางคำนวณไม่ได้ถูกลบ อยู่ที่:\n" + books[1] +
                         "\nโฟลเดอร์นี้จะถูกล้างเมื่อออกจากระบบ ให้บันทึกสมุดงานไว้ที่อื่นด้วยคำสั่ง Save As"});
  std::string stopped;
  RunShell("kill " + pid + " 2>&1", stopped);
  unsetenv("XDG_DOCUMENTS_DIR");
  EXPECT_FALSE(std::filesystem::exists(books[0]));
  EXPECT_TRUE(std::filesystem::exists(books[1]));
  EXPECT_FALSE(std::filesystem::exists(books[2]));
  // What was moved is the whole workbook: openpyxl reads the members in it.
  TWorkbookRows rows = ReadWorkbookRows(moved.string(), "ID");
  ASSERT_TRUE(rows.Read) << rows.Problems;
  EXPECT_EQ(rows.DataRows, 5u);
  std::filesystem::remove(books[1]);
}

}  // namespace orv::test
