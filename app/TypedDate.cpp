#include "app/TypedDate.h"

#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"

namespace orv {

const char* const TypedDateMessage =
    "เพื่อการใส่วัน เดือน ปี ที่ถูกต้องกรุณาเลือกวันที่จากปฏิทิน ซึ่งซ่อนอยู่ในสามเหลี่ยมด้านขวา\r"
    "ถ้าต้องการใส่วิธีนี้จะต้องใส่เป็นตัวเลขเช่น  15/3/99 \r"
    "ทะเบียนนี้เก็บปีเป็น ค.ศ. เช่นเดียวกับที่พิมพ์ในใบรับรอง (ปี พ.ศ. 2542 คือ ค.ศ. 1999)";

Variant TypedDate(const String& text) {
  if (text.empty()) return Null();
  TDateTime date = StrToDate(text);
  // 543 years apart: a Buddhist-era year of any date the register keeps lies centuries ahead.
  if (YearOf(date) > YearOf(Date()) + 100)
    throw EConvertError("'" + text + "' is a year of the Buddhist era, not of the common era");
  return Variant::FromDate(date);
}

}  // namespace orv
