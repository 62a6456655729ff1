// Every search mode with every status and religion choice against the demonstration parish:
// the count, the members found and the first and last of them, compared with sqlite3 running
// queries written here from what each mode means, sorted in Thai order by ICU.
#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "app/tests/EditingFixture.h"
#include "platform/db/tests/ThaiOrder.h"

namespace orv::test {

namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(line.substr(start, bar - start));
  parts.push_back(line.substr(start));
  return parts;
}

enum Key { kThai, kBytes };

struct Mode {
  const char* Name;
  TRadioButton* TForm1::*Radio;
  // Sets the input and runs the search as the user would start it.
  std::function<void(TForm1*)> Run;
  // The members the mode finds, given the status and religion conditions.
  std::function<std::string(const std::string& s, const std::string& r)> Where;
  // The sort keys of the mode's order, as sqlite3 expressions with how each compares.
  std::vector<std::pair<std::string, Key>> Order;
  // The list's values, for the value-list modes.
  std::string ListColumn{};
};

struct Choice {
  const char* Name;
  std::string Sql;
};

}  // namespace

using SearchTest = ParishTest;

TEST_F(SearchTest, EveryModeStatusAndReligionFindsWhatSqlite3Finds) {
  MakeDemo(400);
  // Names that Thai order does not sort by their first byte: leading vowels, tone marks, Latin.
  Cli("update Orvani set Nm = 'เอกชัย' where ID = 3; update Orvani set Nm = 'แก้ว' where ID = 4;"
      "update Orvani set Nm = 'ไก่' where ID = 5; update Orvani set Nm = 'โอภาส' where ID = 6;"
      "update Orvani set Nm = 'Somchai' where ID = 8; update Orvani set Nm = 'กิ่ง' where ID = 9;"
      "update Orvani set Nm = 'กิ้ง' where ID = 10; update Orvani set Nm = 'ก' where ID = 11;");
  // Other religions and none, so that each religion choice has members to find or leave out.
  Cli("update Orvani set religion = 'พุทธ' where ID % 7 = 0;\n"
      "update Orvani set religion = null where ID % 11 = 0;\n"
      "update Orvani set religion = 'อิสลาม' where ID % 13 = 0;");
  auto one = [&](const std::string& sql) { return Cli(sql); };
  const std::string family = one("select from_family from Orvani where ID = 40");
  const std::string birth = one("select birth_date from Orvani where ID = 25");
  const std::string death = one("select min(dead_date) from Orvani");
  ASSERT_FALSE(death.empty());
  auto quoted = [](const std::string& v) {
    std::string q = "'";
    for (char c : v) q += c == '\'' ? "''" : std::string(1, c);
    return q + "'";
  };
  auto day = [](const std::string& iso) { return PickerDate(iso); };
  // A value of the list: the value of the first member who has one.
  auto listValue = [&](const std::string& column) {
    return one("select " + column + " from Orvani where " + column +
               " is not null order by ID limit 1");
  };
  const std::string godparent = listValue("btsm_parent");
  const std::string sponsor = listValue("cnfm_parent");
  const std::string witnesses = listValue("mtmn_father || '-' || mtmn_mother");
  const std::string saint = listValue("st"), group = listValue("gang");
  const std::string father = listValue("papa_nm"), mother = listValue("mama_nm");
  const std::string church = listValue("btsm_wat");

  auto enter = [](TForm1* f, const String& name, const String& surname, bool inSurname) {
    f->Edit1->SetText(name);
    f->Edit2->SetText(surname);
    Word key = VK_RETURN;
    if (inSurname)
      f->Edit2KeyUp(f->Edit2, key, {});
    else
      f->Edit1KeyUp(f->Edit1, key, {});
  };
  auto pick = [](TForm1* f, const std::string& value) {
    f->ComboBox8->SetText(value);
    f->Timer1Timer(f->Timer1);
  };
  auto simple = [](std::string condition) {
    return [condition](const std::string& s, const std::string& r) {
      return "(" + condition + ") and " + s + " and " + r;
    };
  };
  const std::vector<std::pair<std::string, Key>> byName = {{"Nm", kThai}, {"sur", kThai}};
  auto listMode = [&](const char* name, TRadioButton* TForm1::*radio, const std::string& column,
                      const std::string& value) {
    return Mode{name, radio, [&pick, value](TForm1* f) { pick(f, value); },
                simple(column + " = " + quoted(value)), byName, column};
  };

  const std::vector<Mode> modes = {
      {"name", &TForm1::RadioButton1, [&](TForm1* f) { enter(f, "สม", "", false); },
       simple("instr(Nm, 'สม') = 1"), byName},
      {"name and surname", &TForm1::RadioButton1,
       [&](TForm1* f) { enter(f, "สม", "ศรี", false); },
       simple("instr(Nm, 'สม') = 1 and instr(sur, 'ศรี') = 1"), byName},
      {"surname alone", &TForm1::RadioButton1, [&](TForm1* f) { enter(f, "", "ศรี", true); },
       simple("instr(sur, 'ศรี') = 1"), {{"sur", kThai}, {"Nm", kThai}}},
      {"every name", &TForm1::RadioButton1, [&](TForm1* f) { enter(f, "", "", false); },
       simple("Nm is not null"), byName},
      listMode("saint", &TForm1::RadioButton2, "st", saint),
      listMode("group", &TForm1::RadioButton3, "gang", group),
      {"code", &TForm1::RadioButton4, [&](TForm1* f) { enter(f, "100234-198", "", false); },
       simple("instr(NUM, '100234-198') = 1"), byName},
      {"birthday", &TForm1::RadioButton5,
       [&](TForm1* f) {
         f->DateTimePicker2->SetDate(day(birth));
         f->FindBirthday();
       },
       simple("strftime('%m-%d', birth_date) = strftime('%m-%d', " + quoted(birth) + ")"),
       {{"birth_date", kBytes}}},
      {"house", &TForm1::RadioButton6, [&](TForm1* f) { enter(f, "1", "", false); },
       simple("instr(Address1, '1') = 1"),
       {{"Address1", kThai}, {"Address2", kThai}, {"Nm", kThai}, {"sur", kThai}}},
      {"family", &TForm1::RadioButton7, [&](TForm1* f) { enter(f, family, "", false); },
       [&](const std::string& s, const std::string& r) {
         return "((from_family = " + quoted(family) + " and " + s + " and " + r +
                ") or (family_no = " + quoted(family) + " and " + s + " and " + r + "))";
       },
       {{"from_family", kThai}, {"birth_date", kBytes}}},
      {"occupation", &TForm1::RadioButton8, [&](TForm1* f) { enter(f, "ค้า", "", false); },
       simple("instr(Occupation, 'ค้า') > 0"), byName},
      {"day of death", &TForm1::RadioButton9,
       [&](TForm1* f) {
         f->DateTimePicker2->SetDate(day(death));
         f->FindDead();
       },
       simple("strftime('%m-%d', dead_date) = strftime('%m-%d', " + quoted(death) + ")"), byName},
      listMode("godparent", &TForm1::RadioButton10, "btsm_parent", godparent),
      {"moved in", &TForm1::RadioButton11,
       [&](TForm1* f) {
         f->DateTimePicker2->SetDate(day("2000-01-01"));
         f->DateTimePicker3->SetDate(day("2015-12-31"));
         f->FindMoveIn();
       },
       simple("DateIn >= '2000-01-01' and DateIn <= '2015-12-31'"), {{"DateIn", kBytes}}},
      {"moved out", &TForm1::RadioButton12,
       [&](TForm1* f) {
         f->DateTimePicker2->SetDate(day("2010-01-01"));
         f->DateTimePicker3->SetDate(day("2023-12-31"));
         f->FindMoveOut();
       },
       simple("DateOut >= '2010-01-01' and DateOut <= '2023-12-31'"), {{"DateOut", kBytes}}},
      listMode("sponsor", &TForm1::RadioButton16, "cnfm_parent", sponsor),
      listMode("witnesses", &TForm1::RadioButton17, "mtmn_father || '-' || mtmn_mother",
               witnesses),
      listMode("father", &TForm1::RadioButton18, "papa_nm", father),
      listMode("mother", &TForm1::RadioButton19, "mama_nm", mother),
      listMode("baptism church", &TForm1::RadioButton20, "btsm_wat", church),
  };
  const Choice statuses[] = {{"living", "dead_date is null and DateOut is null"},
                             {"dead", "dead_date is not null and DateOut is null"},
                             {"moved out", "DateOut is not null"},
                             {"all", "1"}};
  TRadioButton* TForm1::*statusRadios[] = {&TForm1::RadioButton13, &TForm1::RadioButton14,
                                          &TForm1::RadioButton15, &TForm1::RadioButton21};
  const Choice religions[] = {{"both", "1"},
                              {"catholic", "religion = 'คาทอลิก'"},
                              {"others", "religion is not null and religion != 'คาทอลิก'"},
                              {"none", "religion is null"}};

  // Every case's expected rows in one run of sqlite3: case number, ID and the sort keys, a
  // Null key printed empty and any other prefixed with '='.
  std::string sql;
  int cases = 0;
  for (const Mode& mode : modes)
    for (const Choice& status : statuses)
      for (const Choice& religion : religions) {
        std::string keys;
        for (const auto& [expression, kind] : mode.Order)
          keys += " || '|' || coalesce('=' || " + expression + ", '')";
        bool nothing = !mode.ListColumn.empty() && religion.Name == std::string("none");
        sql += "select " + std::to_string(cases) + " || '|' || ID" + keys + " from Orvani where " +
               (nothing ? std::string("0") : mode.Where(status.Sql, religion.Sql)) + ";\n";
        ++cases;
      }
  std::map<int, std::map<std::string, std::vector<std::string>>> expected;
  for (const std::string& line : Lines(Cli(sql))) {
    std::vector<std::string> parts = Split(line);
    expected[std::stoi(parts[0])][parts[1]] =
        std::vector<std::string>(parts.begin() + 2, parts.end());
  }

  ThaiOrder thai;
  TForm1* f = Start();
  int index = 0;
  for (const Mode& mode : modes)
    for (size_t s = 0; s < std::size(statuses); ++s)
      for (const Choice& religion : religions) {
        SCOPED_TRACE(std::string(mode.Name) + ", " + statuses[s].Name + ", " + religion.Name);
        auto& rows = expected[index++];
        // A mode chooses its own status; the user then chooses another and the religions.
        (f->*mode.Radio)->SetChecked(true);
        (f->*statusRadios[s])->SetChecked(true);
        f->CheckBox23->SetChecked(religion.Name == std::string("both") ||
                                  religion.Name == std::string("catholic"));
        f->CheckBox24->SetChecked(religion.Name == std::string("both") ||
                                  religion.Name == std::string("others"));
        if (!mode.ListColumn.empty() && s == 0 && religion.Name == std::string("both")) {
          // Every distinct value but Null, whatever the status and religion.
          EXPECT_EQ(std::to_string(f->ComboBox8->Items()->Count()),
                    Cli("select count(distinct " + mode.ListColumn + ") from Orvani"));
          EXPECT_TRUE(f->ComboBox8->Visible());
          EXPECT_FALSE(f->Edit1->Visible());
        }
        mode.Run(f);

        TADOQuery* list = f->ADOQuery1;
        ASSERT_TRUE(list->Active());
        ASSERT_EQ(list->RecordCount(), static_cast<Integer>(rows.size()));
        EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  " + std::to_string(rows.size()) + " รายการ");
        // The export copy, opened as the export will, holds the same members.
        f->ADOQuery10->Open();
        EXPECT_EQ(f->ADOQuery10->RecordCount(), list->RecordCount());
        std::set<std::string> found;
        TField* id = list->FieldByName("ID");
        for (Integer r = 1; r <= list->RecordCount(); ++r) found.insert(list->DisplayTextAt(id, r));
        std::set<std::string> wanted;
        for (const auto& row : rows) wanted.insert(row.first);
        EXPECT_EQ(found, wanted);
        if (rows.empty()) {
          EXPECT_EQ(f->LabeledEdit2->Text(), "");
          EXPECT_TRUE(f->ADOQuery6->IsEmpty());
          EXPECT_FALSE(f->LumSmoothButton3->Enabled());
          continue;
        }
        auto compare = [&](const std::vector<std::string>& a, const std::vector<std::string>& b) {
          for (size_t k = 0; k < mode.Order.size(); ++k) {
            int c = mode.Order[k].second == kThai ? thai.Compare(a[k], b[k]) : a[k].compare(b[k]);
            if (c) return c;
          }
          return 0;
        };
        auto less = [&](const auto& a, const auto& b) { return compare(a.second, b.second) < 0; };
        auto lowest = std::min_element(rows.begin(), rows.end(), less);
        auto highest = std::max_element(rows.begin(), rows.end(), less);
        const auto& first = rows[list->DisplayTextAt(id, 1)];
        const auto& last = rows[list->DisplayTextAt(id, list->RecordCount())];
        EXPECT_EQ(compare(first, lowest->second), 0) << "first is member " << list->DisplayTextAt(id, 1);
        EXPECT_EQ(compare(last, highest->second), 0)
            << "last is member " << list->DisplayTextAt(id, list->RecordCount());
        // And every member in between follows the mode's order.
        for (Integer r = 2; r <= list->RecordCount(); ++r) {
          const auto& a = rows[list->DisplayTextAt(id, r - 1)];
          const auto& b = rows[list->DisplayTextAt(id, r)];
          if (compare(a, b) > 0) {
            ADD_FAILURE() << "members " << list->DisplayTextAt(id, r - 1) << " and "
                          << list->DisplayTextAt(id, r) << " out of order";
            break;
          }
        }
        // The first member is on screen.
        EXPECT_EQ(f->ADOQuery6->FieldByName("ID")->AsString(), list->DisplayTextAt(id, 1));
        EXPECT_EQ(f->LabeledEdit2->Text(), list->DisplayTextAt(list->FieldByName("Nm"), 1));
      }
}

}  // namespace orv::test
