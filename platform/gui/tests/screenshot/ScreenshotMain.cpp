// Shows a form with Thai captions on the display and saves a picture of it to the file named
// by the first argument.
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "platform/gui/Application.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timers.h"
#include "platform/rtl/DateTime.h"

namespace orv {

class TThaiForm : public TForm {
 public:
  explicit TThaiForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("OrvaneIDv4.5");
    SetClientWidth(460);
    SetClientHeight(220);
    Font()->SetName("Microsoft Sans Serif");
    Font()->SetCharset(THAI_CHARSET);
    Font()->SetHeight(-16);
    auto* group = new TGroupBox(this);
    group->SetParent(this);
    group->SetCaption("ค้นหาข้อมูล");
    group->SetBounds(8, 8, 444, 120);
    auto* name = new TLabeledEdit(this);
    name->SetParent(group);
    name->EditLabel()->SetCaption("ชื่อ");
    name->SetBounds(12, 44, 200, 24);
    name->SetText("สมชาย ใจดี");
    auto* picker = new TDateTimePicker(this);
    picker->SetParent(group);
    picker->SetDateFormat(dfLong);
    picker->SetBounds(224, 44, 200, 24);
    picker->SetDate(EncodeDate(2024, 3, 5));
    auto* label = new TLabel(this);
    label->SetParent(this);
    label->SetCaption("จำนวนข้อมูล  12 รายการ");
    label->SetBounds(12, 140, 300, 20);
    auto* button = new TButton(this);
    button->SetParent(this);
    button->SetCaption("พิมพ์เอกสาร");
    button->SetBounds(340, 176, 112, 32);
  }
};

}  // namespace orv

int main(int argc, char** argv) {
  using namespace orv;
  if (argc < 2) return 2;
  String output = argv[1];
  Application->Initialize();
  TThaiForm* form = nullptr;
  Application->CreateForm(form);
  int result = 1;
  auto* timer = new TTimer(Application);
  timer->SetInterval(700);
  timer->OnTimer = [&](TObject*) {
    timer->SetEnabled(false);
    QPixmap shot = WidgetOf(form)->grab();
    result = !shot.isNull() && shot.save(QStr(output), "PNG") ? 0 : 1;
    Application->Terminate();
  };
  Application->Run();
  return result;
}
