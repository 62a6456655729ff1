#include "app/PostEdit.h"

#include <cstdio>

namespace orv {

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
  } catch (...) {
    dataSet->Cancel();
    throw;
  }
}

}  // namespace orv
