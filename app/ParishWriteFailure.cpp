#include "app/ParishWriteFailure.h"

#include <cstdio>

#include "app/MainWindow.h"
#include "app/ParishFolder.h"
#include "app/ParishSchema.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Application.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/FileUtils.h"

namespace orv {

namespace {

String FirstLine(const String& text) { return text.substr(0, text.find('\n')); }

// The cause, and what the user can do about it (empty when nothing).
std::pair<String, String> CauseOf(const std::exception& e) {
  if (dynamic_cast<const EDatabaseLocked*>(&e))
    return {"โปรแกรมอื่นกำลังใช้ทะเบียนวัดนี้อยู่ (ฐานข้อมูลถูกล็อก)",
            "ให้ปิดหรือรอโปรแกรมนั้นทำงานเสร็จ แล้วลองอีกครั้ง"};
  if (dynamic_cast<const EDatabaseReadOnly*>(&e))
    return {"ทะเบียนวัดนี้เขียนไม่ได้ เปิดได้เพื่ออ่านอย่างเดียว (แฟ้มหรือโฟลเดอร์ไม่ยอมให้เขียน)", ""};
  if (const auto* full = dynamic_cast<const EDatabaseFull*>(&e))
    return {full->SystemError() ? SystemErrorText(full->SystemError()) : String("ดิสก์เต็ม"),
            "ให้ทำที่ว่างบนดิสก์ แล้วลองอีกครั้ง"};
  if (dynamic_cast<const EDatabaseWrittenIntoReplaced*>(&e))
    return {"แฟ้มถูกย้ายหรือมีแฟ้มอื่นมาแทนที่ขณะกำลังบันทึก ข้อมูลที่บันทึกนี้จึงไปอยู่ในแฟ้มเดิม "
            "ไม่ได้อยู่ในแฟ้มที่อยู่ที่นั่นตอนนี้",
            "ให้ปิดโปรแกรมแล้วเปิดใหม่ เพื่อใช้แฟ้มที่อยู่ที่นั่นตอนนี้"};
  if (dynamic_cast<const EDatabaseReplaced*>(&e))
    return {"แฟ้มถูกย้าย ลบ หรือมีแฟ้มอื่นมาแทนที่ ตั้งแต่โปรแกรมเปิดแฟ้มนี้",
            "ให้ปิดโปรแกรมแล้วเปิดใหม่ เพื่อใช้แฟ้มที่อยู่ที่นั่นตอนนี้"};
  if (dynamic_cast<const ERecordChanged*>(&e))
    return {"รายการนี้ถูกลบหรือแก้ไขโดยโปรแกรมอื่นไปแล้ว หลังจากที่เปิดขึ้นมาดู",
            "ให้ค้นหาใหม่เพื่อดูข้อมูลล่าสุด"};
  if (const auto* refused = dynamic_cast<const EDatabaseRefused*>(&e))
    return {"ฐานข้อมูลไม่ยอมรับการเปลี่ยนแปลงนี้: " + FirstLine(refused->Message()), ""};
  if (const auto* db = dynamic_cast<const EDatabaseError*>(&e))
    return {"ฐานข้อมูลแจ้งข้อผิดพลาด: " + FirstLine(db->Message()), ""};
  return {FirstLine(e.what()), ""};
}

}  // namespace

String ParishWriteFailureCause(const std::exception& e) { return CauseOf(e).first; }

bool IsParishWriteFailure(const std::exception& e) {
  return dynamic_cast<const EDatabaseLocked*>(&e) || dynamic_cast<const EDatabaseReadOnly*>(&e) ||
         dynamic_cast<const EDatabaseFull*>(&e) || dynamic_cast<const ERecordChanged*>(&e) ||
         dynamic_cast<const EDatabaseRefused*>(&e) || dynamic_cast<const EDatabaseReplaced*>(&e);
}

String ParishWriteFailureText(const std::exception& e, const String& fileName, const String& notDone) {
  auto [cause, advice] = CauseOf(e);
  return "เขียนทะเบียนวัดไม่ได้\nแฟ้ม: " + fileName + "\nสาเหตุ: " + cause + "\n" + notDone +
         (advice.empty() ? String() : " " + advice);
}

String ParishDatabaseFileOf(TDataSet* dataSet) {
  auto* ado = dynamic_cast<TCustomADODataSet*>(dataSet);
  if (ado && ado->Connection() && !ado->Connection()->DataSource().empty())
    return ado->Connection()->DataSource();
  return AppPath + "/" + ParishDatabaseName;
}

void ShowParishWriteFailure(const std::exception& e, TDataSet* dataSet, const String& notDone,
                            TObject* sender) {
  std::fprintf(stderr, "orvane: %s\n", e.what());
  Application->MessageBox(ParishWriteFailureText(e, ParishDatabaseFileOf(dataSet), notDone),
                          BoxCaption(sender), MB_OK | MB_ICONSTOP);
}

void ReportUncaughtParishErrors() {
  Application->OnException = [](TObject* sender, const Exception& e) {
    if (dynamic_cast<const EDatabaseInterrupted*>(&e)) {
      std::fprintf(stderr, "orvane: %s\n", e.what());
      TDataSet* members = Form1 ? Form1->ADOQuery1 : nullptr;
      Application->MessageBox(QueryStoppedText(ParishDatabaseFileOf(members)), BoxCaption(sender),
                              MB_OK | MB_ICONSTOP);
      return;
    }
    // Other database errors (a query the data layer could not run) are faults of the program
    // and keep their own words.
    if (!IsParishWriteFailure(e)) {
      Application->ShowException(e);
      return;
    }
    TDataSet* members = Form1 ? Form1->ADOQuery1 : nullptr;
    ShowParishWriteFailure(e, members, ChangeNotSaved, sender);
  };
}

}  // namespace orv
