#include "platform/gui/ThaiQtTexts.h"

#include <QTranslator>

#include <cstring>
#include <map>
#include <string_view>
#include <utility>

namespace orv {

namespace {

using TKey = std::pair<std::string_view, std::string_view>;

// (context, source text) as Qt asks for them, with the Thai a Thai office reads. "&" marks the
// accelerator letter, as in the source texts.
const std::map<TKey, const char*>& Texts() {
  static const std::map<TKey, const char*> texts = {
      // The file dialog (open, save as, choose a folder).
      {{"QFileDialog", "Look in:"}, "ค้นหาใน:"},
      {{"QFileDialog", "File &name:"}, "ชื่อแ&ฟ้ม:"},
      {{"QFileDialog", "Files of type:"}, "ชนิดแฟ้ม:"},
      {{"QFileDialog", "Save As"}, "บันทึกเป็น"},
      {{"QFileDialog", "Open"}, "เปิด"},
      {{"QFileDialog", "&Open"}, "เ&ปิด"},
      {{"QFileDialog", "&Save"}, "&บันทึก"},
      {{"QFileDialog", "&Choose"}, "เ&ลือก"},
      {{"QFileDialog", "Find Directory"}, "เลือกโฟลเดอร์"},
      {{"QFileDialog", "Directory:"}, "โฟลเดอร์:"},
      {{"QFileDialog", "Directories"}, "โฟลเดอร์"},
      {{"QFileDialog", "Files"}, "แฟ้ม"},
      {{"QFileDialog", "All Files (*)"}, "ทุกแฟ้ม (*)"},
      {{"QFileDialog", "All files (*)"}, "ทุกแฟ้ม (*)"},
      {{"QFileDialog", "Back"}, "ย้อนกลับ"},
      {{"QFileDialog", "Go back"}, "ย้อนกลับ"},
      {{"QFileDialog", "Forward"}, "ไปข้างหน้า"},
      {{"QFileDialog", "Go forward"}, "ไปข้างหน้า"},
      {{"QFileDialog", "Parent Directory"}, "โฟลเดอร์ที่อยู่เหนือขึ้นไป"},
      {{"QFileDialog", "Go to the parent directory"}, "ไปยังโฟลเดอร์ที่อยู่เหนือขึ้นไป"},
      {{"QFileDialog", "Create New Folder"}, "สร้างโฟลเดอร์ใหม่"},
      {{"QFileDialog", "Create a New Folder"}, "สร้างโฟลเดอร์ใหม่"},
      {{"QFileDialog", "New Folder"}, "โฟลเดอร์ใหม่"},
      {{"QFileDialog", "&New Folder"}, "โฟลเดอร์ใ&หม่"},
      {{"QFileDialog", "List View"}, "แสดงเป็นรายการ"},
      {{"QFileDialog", "Change to list view mode"}, "แสดงเป็นรายการ"},
      {{"QFileDialog", "Detail View"}, "แสดงรายละเอียด"},
      {{"QFileDialog", "Change to detail view mode"}, "แสดงรายละเอียด"},
      {{"QFileDialog", "Sidebar"}, "แถบข้าง"},
      {{"QFileDialog", "List of places and bookmarks"}, "สถานที่และที่คั่นหน้า"},
      {{"QFileDialog", "Recent Places"}, "ที่ที่ใช้ล่าสุด"},
      {{"QFileDialog", "&Rename"}, "เปลี่ยน&ชื่อ"},
      {{"QFileDialog", "&Delete"}, "&ลบ"},
      {{"QFileDialog", "Delete"}, "ลบ"},
      {{"QFileDialog", "Remove"}, "เอาออก"},
      {{"QFileDialog", "Show &hidden files"}, "แสดงแฟ้มที่&ซ่อนไว้"},
      {{"QFileDialog", "%1 already exists.\nDo you want to replace it?"},
       "มีแฟ้ม %1 อยู่แล้ว\nต้องการเขียนทับหรือไม่"},
      {{"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given."},
       "%1\nไม่พบแฟ้มนี้\nกรุณาตรวจชื่อแฟ้มอีกครั้ง"},
      {{"QFileDialog", "%1\nDirectory not found.\nPlease verify the correct directory name was given."},
       "%1\nไม่พบโฟลเดอร์นี้\nกรุณาตรวจชื่อโฟลเดอร์อีกครั้ง"},
      {{"QFileDialog", "Are you sure you want to delete '%1'?"}, "ต้องการลบ '%1' หรือไม่"},
      {{"QFileDialog", "'%1' is write protected.\nDo you want to delete it anyway?"},
       "'%1' ถูกป้องกันการเขียน\nต้องการลบหรือไม่"},
      {{"QFileDialog", "Could not delete directory."}, "ลบโฟลเดอร์ไม่ได้"},
      {{"QFileSystemModel", "Name"}, "ชื่อ"},
      {{"QFileSystemModel", "Size"}, "ขนาด"},
      {{"QFileSystemModel", "Type"}, "ชนิด"},
      {{"QFileSystemModel", "Kind"}, "ชนิด"},
      {{"QFileSystemModel", "Date Modified"}, "วันที่แก้ไข"},
      {{"QFileSystemModel", "Computer"}, "คอมพิวเตอร์"},
      {{"QFileSystemModel", "My Computer"}, "คอมพิวเตอร์"},
      // Standard buttons.
      {{"QPlatformTheme", "OK"}, "ตกลง"},
      {{"QPlatformTheme", "Save"}, "บันทึก"},
      {{"QPlatformTheme", "Save All"}, "บันทึกทั้งหมด"},
      {{"QPlatformTheme", "Open"}, "เปิด"},
      {{"QPlatformTheme", "Cancel"}, "ยกเลิก"},
      {{"QPlatformTheme", "Close"}, "ปิด"},
      {{"QPlatformTheme", "Discard"}, "ไม่บันทึก"},
      {{"QPlatformTheme", "Apply"}, "ใช้"},
      {{"QPlatformTheme", "Reset"}, "ตั้งใหม่"},
      {{"QPlatformTheme", "Restore Defaults"}, "คืนค่าเริ่มต้น"},
      {{"QPlatformTheme", "Help"}, "วิธีใช้"},
      {{"QPlatformTheme", "&Yes"}, "ใ&ช่"},
      {{"QPlatformTheme", "&No"}, "ไ&ม่ใช่"},
      {{"QPlatformTheme", "Yes to &All"}, "ใช่&ทั้งหมด"},
      {{"QPlatformTheme", "N&o to All"}, "ไม่ใช่ทั้ง&หมด"},
      {{"QPlatformTheme", "Abort"}, "ยุติ"},
      {{"QPlatformTheme", "Retry"}, "ลองอีกครั้ง"},
      {{"QPlatformTheme", "Ignore"}, "ข้าม"},
      {{"QDialogButtonBox", "OK"}, "ตกลง"},
      {{"QInputDialog", "Enter a value:"}, "ใส่ค่า:"},
      // The edit menu of text boxes.
      {{"QLineEdit", "&Undo"}, "เ&ลิกทำ"},
      {{"QLineEdit", "&Redo"}, "ทำ&ซ้ำ"},
      {{"QLineEdit", "Cu&t"}, "&ตัด"},
      {{"QLineEdit", "&Copy"}, "&คัดลอก"},
      {{"QLineEdit", "&Paste"}, "&วาง"},
      {{"QLineEdit", "Delete"}, "ลบ"},
      {{"QLineEdit", "Select All"}, "เลือกทั้งหมด"},
      {{"QWidgetTextControl", "&Undo"}, "เ&ลิกทำ"},
      {{"QWidgetTextControl", "&Redo"}, "ทำ&ซ้ำ"},
      {{"QWidgetTextControl", "Cu&t"}, "&ตัด"},
      {{"QWidgetTextControl", "&Copy"}, "&คัดลอก"},
      {{"QWidgetTextControl", "&Paste"}, "&วาง"},
      {{"QWidgetTextControl", "Delete"}, "ลบ"},
      {{"QWidgetTextControl", "Select All"}, "เลือกทั้งหมด"},
      // The platform's print and printer setup dialogs.
      {{"TPrintDialog", "Print"}, "พิมพ์"},
      {{"TPrintDialog", "Copies"}, "จำนวนชุด"},
      {{"TPrintDialog", "Collate"}, "เรียงชุด"},
      {{"TPrintDialog", "All pages"}, "ทุกหน้า"},
      {{"TPrintDialog", "Pages"}, "เฉพาะหน้า"},
      {{"TPrintDialog", "From"}, "จากหน้า"},
      {{"TPrintDialog", "To"}, "ถึงหน้า"},
      {{"TPrinterSetupDialog", "&Printer:"}, "เ&ครื่องพิมพ์:"},
      {{"TPrinterSetupDialog", "Pape&r:"}, "&กระดาษ:"},
      {{"TPrinterSetupDialog", "Orientation:"}, "แนวกระดาษ:"},
      {{"TPrinterSetupDialog", "P&ortrait"}, "แนว&ตั้ง"},
      {{"TPrinterSetupDialog", "&Landscape"}, "แนว&นอน"},
      {{"TPrinterSetupDialog", "&Source:"}, "&ถาดกระดาษ:"},
      {{"TPrinterSetupDialog", "S&ides:"}, "พิมพ์&สองหน้า:"},
      {{"TPrinterSetupDialog", "&Quality:"}, "คุณ&ภาพ:"},
      {{"TPrinterSetupDialog", "Default"}, "ค่าเริ่มต้น"},
      {{"TPrinterSetupDialog", "One-sided"}, "หน้าเดียว"},
      {{"TPrinterSetupDialog", "Two-sided, long edge"}, "สองหน้า พลิกด้านยาว"},
      {{"TPrinterSetupDialog", "Two-sided, short edge"}, "สองหน้า พลิกด้านสั้น"},
      {{"TPrinterSetupDialog", "Draft"}, "แบบร่าง"},
      {{"TPrinterSetupDialog", "Normal"}, "ปกติ"},
      {{"TPrinterSetupDialog", "High"}, "สูง"},
  };
  return texts;
}

class ThaiQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* sourceText, const char*, int) const override {
    if (!context || !sourceText) return {};
    auto it = Texts().find({context, sourceText});
    return it == Texts().end() ? QString() : QString::fromUtf8(it->second);
  }
  bool isEmpty() const override { return false; }
};

}  // namespace

QTranslator* NewThaiQtTexts(QObject* parent) { return new ThaiQtTexts(parent); }

}  // namespace orv
