#include "app/PostEdit.h"

#include <cstdio>

#include "platform/db/ADODB.h"

namespace orv {

namespace {

// Names the file, which the office can look for.
String ReplacedParishText(TDataSet* dataSet) {
  const auto* query = dynamic_cast<const TCustomADODataSet*>(dataSet);
  const String file = query && query->Connection() ? query->Connection()->DataSource() : String();
  return "แฟ้มทะเบียนวัด " + file +
         " ถูกย้าย ลบ หรือมีแฟ้มอื่นมาแทนที่ ตั้งแต่โปรแกรมเปิดแฟ้มนี้ ข้อมูลในช่องนี้จึงไม่ได้บันทึก\n"
         "ให้ปิดโปรแกรมแล้วเปิดใหม่ เพื่อใช้แฟ้มที่อยู่ที่นั่นตอนนี้";
}

}  // namespace

void PostEdit(TDataSet* dataSet, const std::function<void()>& change) {
  dataSet->Edit();
  try {
    change();
    dataSet->Post();
  } catch (const EDatabaseLocked& e) {
    dataSet->Cancel();
    // The statement is for whoever looks into the fault; the office needs to know what happened
    // to what was typed.
    std::fprintf(stderr, "orvane: %s\n", e.Message().c_str());
    throw EDatabaseLocked(
        "โปรแกรมอื่นกำลังใช้ทะเบียนวัดนี้อยู่ (ฐานข้อมูลถูกล็อก) ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก\n"
        "ให้ปิดหรือรอโปรแกรมนั้นทำงานเสร็จ แล้วบันทึกช่องนี้อีกครั้ง");
  } catch (const EDatabaseReplaced& e) {
    dataSet->Cancel();
    std::fprintf(stderr, "orvane: %s\n", e.Message().c_str());
    throw EDatabaseReplaced(ReplacedParishText(dataSet));
  } catch (...) {
    dataSet->Cancel();
    throw;
  }
}

}  // namespace orv
