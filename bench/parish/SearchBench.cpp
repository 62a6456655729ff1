// Every search mode of the main window at 50,000 members, with every status and religion
// choice: the time from the user's Enter (or pick) until the first member is on screen, the
// slowest choice per mode; then a field save; and last the slowest of all.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/DemoParish.h"
#include "app/MainWindow.h"
#include "bench/BenchTiming.h"
#include "platform/gui/Application.h"
#include "platform/rtl/DateTime.h"

using namespace orv;

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
  // The list's second value (the first when it has one only), as a user would pick it.
  auto pick = [f] {
    f->ComboBox8->SetItemIndex(f->ComboBox8->Items()->Count() > 1 ? 1 : 0);
    f->Timer1Timer(f->Timer1);
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
  for (const Mode& mode : modes) {
    (f->*mode.Radio)->SetChecked(true);
    double worst = 0;
    int rows = 0;
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
        }
      }
    std::printf("%-22s %8.1f ms  (%d members found)\n", mode.Name, worst * 1000, rows);
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
