// Every search mode of the main window at 50,000 members, with every status and religion
// choice: the time from the user's Enter (or pick) until the first member is on screen, the
// slowest choice per mode, a pick counting the 200 ms the window waits for the next key before it
// searches, as the user waits for it; beside it the sqlite3 command line running the statement
// of that slowest choice with its values, a whole process writing every row it finds. Then a
// field save; and last the slowest of all.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/MainWindow.h"
#include "app/ParishSchema.h"
#include "bench/BenchTiming.h"
#include "platform/db/ADODB.h"
#include "platform/db/SqlValues.h"
#include "platform/gui/Application.h"
#include "platform/gui/Timers.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

using namespace orv;

namespace {

// A value as an SQL literal for the sqlite3 command line's .parameter set, as the window binds it.
std::string SqlLiteral(const Variant& v) {
  switch (VarType(v)) {
    case varSmallint:
    case varInteger:
    case varInt64:
    case varDouble: return VarToStr(v);
    case varDate: {
      double d = v.ToDateTime();
      return "'" + IsoDateText(d, std::trunc(d) != d) + "'";
    }
    default: {
      std::string text = "'";
      for (char c : VarToStr(v)) text += c == '\'' ? std::string("''") : std::string(1, c);
      return text + "'";
    }
  }
}

// The window's statement, its values set as it set them, run by the sqlite3 command line in a
// process of its own, its rows written to /dev/null in the order of the list's columns (in the
// bytes' order: sqlite3 knows no Thai order); the best of three.
double SqlitePeer(const std::string& db, TADOQuery& query, const std::filesystem::path& dir) {
  const std::filesystem::path script = dir / "peer.sql";
  {
    std::ofstream out(script);
    out << ".parameter init\n";
    for (Integer i = 0; i < query.Parameters().Count(); ++i) {
      TParameter* p = query.Parameters().Items(i);
      out << ".parameter set :" << p->Name() << " \"" << SqlLiteral(p->Value()) << "\"\n";
    }
    std::string sql = query.SQL().Text();
    while (!sql.empty() && (sql.back() == '\n' || sql.back() == ';')) sql.pop_back();
    out << "select * from (" << sql << ")" << (query.Sort().empty() ? "" : " order by " + query.Sort()) << ";\n";
  }
  const std::string command = "sqlite3 '" + db + "' < '" + script.string() + "' > /dev/null";
  return Best(3, [&] {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sqlite3 failed on %s\n", script.c_str());
  });
}

// Runs the window's loop until its search timer has fired and the search it started is shown.
void UntilSearched(TForm1* f) {
  do {
    Application->ProcessMessages();
  } while (f->Timer1->Enabled());
  Application->ProcessMessages();
}

}  // namespace

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int members = 50000;
  auto dir = BenchFolder("search");
  CreateDemoParish(dir.string(), members);
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  // The window opens the parish of its folder; without one it would open the user's own.
  AppPath = dir.string();
  Application->Initialize();
  auto* f = new TForm1(Application);
  f->DoCreate();
  // Shown, so that "on screen" includes painting the list and the record.
  f->Show();
  Application->ProcessMessages();

  auto enter = [f](const char* name, const char* surname, bool inSurname) {
    return [=] {
      f->Edit1->SetText(name);
      f->Edit2->SetText(surname);
      Word key = VK_RETURN;
      if (inSurname)
        f->Edit2KeyUp(f->Edit2, key, {});
      else
        f->Edit1KeyUp(f->Edit1, key, {});
    };
  };
  // The list's second value (the first when it has one only), as a user would pick it; the
  // window searches once its timer has waited for a next key.
  auto pick = [f] {
    f->ComboBox8->SetItemIndex(f->ComboBox8->Items()->Count() > 1 ? 1 : 0);
    f->ComboBox8Select(f->ComboBox8);
    UntilSearched(f);
  };
  auto onDay = [f](Word month, Word day, void (TForm1::*search)()) {
    return [=] {
      f->DateTimePicker2->SetDate(EncodeDate(2000, month, day));
      (f->*search)();
    };
  };
  auto period = [f](Word from, Word to, void (TForm1::*search)()) {
    return [=] {
      f->DateTimePicker2->SetDate(EncodeDate(from, 1, 1));
      f->DateTimePicker3->SetDate(EncodeDate(to, 12, 31));
      (f->*search)();
    };
  };
  struct Mode {
    const char* Name;
    TRadioButton* TForm1::*Radio;
    std::function<void()> Run;
  };
  const std::vector<Mode> modes = {
      {"name", &TForm1::RadioButton1, enter("สมชาย", "", false)},
      {"name and surname", &TForm1::RadioButton1, enter("สมชาย", "ใจดี", false)},
      {"surname", &TForm1::RadioButton1, enter("", "ศรีสุข", true)},
      {"saint", &TForm1::RadioButton2, pick},
      {"group", &TForm1::RadioButton3, pick},
      {"code", &TForm1::RadioButton4, enter("100234-1990", "", false)},
      {"birthday", &TForm1::RadioButton5, onDay(3, 5, &TForm1::FindBirthday)},
      {"house number", &TForm1::RadioButton6, enter("12/", "", false)},
      {"family number", &TForm1::RadioButton7, enter("1234", "", false)},
      {"occupation", &TForm1::RadioButton8, enter("ครู", "", false)},
      {"day of death", &TForm1::RadioButton9, onDay(3, 5, &TForm1::FindDead)},
      {"baptism godparent", &TForm1::RadioButton10, pick},
      {"moved in", &TForm1::RadioButton11, period(2010, 2012, &TForm1::FindMoveIn)},
      {"moved out", &TForm1::RadioButton12, period(2015, 2016, &TForm1::FindMoveOut)},
      {"confirmation sponsor", &TForm1::RadioButton16, pick},
      {"marriage witnesses", &TForm1::RadioButton17, pick},
      {"father", &TForm1::RadioButton18, pick},
      {"mother", &TForm1::RadioButton19, pick},
      {"baptism church", &TForm1::RadioButton20, pick},
  };
  TRadioButton* TForm1::*statuses[] = {&TForm1::RadioButton13, &TForm1::RadioButton14,
                                       &TForm1::RadioButton15, &TForm1::RadioButton21};
  const bool religions[][2] = {{true, true}, {true, false}, {false, true}, {false, false}};

  std::printf("%d members; each line the slowest of 4 statuses x 4 religion choices\n",
              f->ADOQuery1->RecordCount());
  double slowest = 0;
  const std::string db = (dir / ParishDatabaseName).string();
  for (const Mode& mode : modes) {
    (f->*mode.Radio)->SetChecked(true);
    double worst = 0;
    int rows = 0;
    TRadioButton* TForm1::*worstStatus = statuses[0];
    const bool* worstReligion = religions[0];
    for (auto status : statuses)
      for (const auto& religion : religions) {
        (f->*status)->SetChecked(true);
        f->CheckBox23->SetChecked(religion[0]);
        f->CheckBox24->SetChecked(religion[1]);
        double t = Seconds([&] {
          mode.Run();
          Application->ProcessMessages();
        });
        if (t > worst) {
          worst = t;
          rows = f->ADOQuery1->RecordCount();
          worstStatus = status;
          worstReligion = religion;
        }
      }
    // The slowest choice again, for the statement and values the peer runs.
    (f->*worstStatus)->SetChecked(true);
    f->CheckBox23->SetChecked(worstReligion[0]);
    f->CheckBox24->SetChecked(worstReligion[1]);
    mode.Run();
    Application->ProcessMessages();
    const double peer = SqlitePeer(db, *f->ADOQuery1, dir);
    std::printf("%-22s %8.1f ms  (%d members found)  sqlite3 %7.1f ms, ratio %.2f\n", mode.Name, worst * 1000, rows,
                peer * 1000, worst / peer);
    slowest = std::max(slowest, worst);
  }

  // A field save: type a telephone number and press Enter, twenty times.
  f->RadioButton1->SetChecked(true);
  f->RadioButton21->SetChecked(true);
  f->CheckBox23->SetChecked(true);
  f->CheckBox24->SetChecked(true);
  enter("สมชาย", "", false)();
  double save = Best(20, [&] {
    f->LabeledEdit7->SetText("08" + std::to_string(std::rand() % 100000000));
    Word key = VK_RETURN;
    f->LabeledEdit7->OnKeyUp(f->LabeledEdit7, key, {});
  });
  std::printf("%-22s %8.2f ms\n", "field save", save * 1000);
  std::printf("slowest: %.0f ms\n", slowest * 1000);

  bool canClose = true;
  f->FormCloseQuery(f, canClose);
  delete f;
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
  return 0;
}
