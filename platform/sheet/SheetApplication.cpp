// The application, its workbook collection, a workbook and its worksheet collection.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "platform/gui/Desktop.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/TextUtils.h"
#include "platform/sheet/SheetAutomation.h"
#include "platform/sheet/SheetObjects.h"
#include "platform/sheet/WorkbookFolder.h"

namespace orv {

namespace {

std::mutex gLock;
std::weak_ptr<IDispatch> gActive;
// The workbook is written whatever happens to the opening: where it lies is what the user needs
// when no application opens it.
TSheetShowHandler gShow = [](const String& fileName) {
  ShellOpenFile(fileName, [fileName](const String& reason) {
    MessageDlg("เขียนสมุดงานเสร็จแล้ว แต่เปิดไม่ได้: " + reason + "\nสมุดงานบันทึกไว้ที่ " + fileName +
                   (IsPrivateWorkbookFile(fileName)
                        ? "\nแฟ้มนี้จะถูกลบเมื่อปิดโปรแกรม เว้นแต่ได้แก้ไขและบันทึกไว้ หากต้องการเก็บไว้ให้คัดลอกไปที่อื่น"
                        : ""),
               mtWarning, TMsgDlgButtons{mbOK}, 0);
  });
};

bool IsPut(Word flags) { return (flags & DISPATCH_PROPERTYPUT) != 0; }

class WorksheetsObject : public IDispatch {
 public:
  WorksheetsObject(std::shared_ptr<SheetAppState> app, std::shared_ptr<SheetWorkbook> book)
      : app_(std::move(app)), book_(std::move(book)) {}

  Variant Invoke(const String& name, Word, std::span<const Variant> args) override {
    if (IsMember(name, "Count")) return Variant(book_->SheetCount());
    if (IsMember(name, "Item")) {
      Variant key = ArgAt(args, 0);
      int index = VarIsStr(key) ? book_->FindSheet(key.ToString()) : key.ToInteger();
      if (index < 1 || index > book_->SheetCount()) SheetError("Worksheet not found");
      return Variant(MakeWorksheetObject(app_, book_, book_->Sheet(index)));
    }
    if (IsMember(name, "Add")) {
      Variant count = ArgAt(args, 2);
      int n = count.IsEmpty() ? 1 : count.ToInteger();
      std::shared_ptr<SheetWorksheet> last;
      for (int i = 0; i < n; ++i) last = book_->AddSheet();
      if (!last) SheetError("No worksheet was added");
      return Variant(MakeWorksheetObject(app_, book_, last));
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  std::shared_ptr<SheetAppState> app_;
  std::shared_ptr<SheetWorkbook> book_;
};

class WorkbookObject : public IDispatch {
 public:
  WorkbookObject(std::shared_ptr<SheetAppState> app, std::shared_ptr<SheetWorkbook> book)
      : app_(std::move(app)), book_(std::move(book)) {}

  Variant Invoke(const String& name, Word, std::span<const Variant> args) override {
    if (IsMember(name, "Worksheets") || IsMember(name, "Sheets")) {
      auto sheets = std::make_shared<WorksheetsObject>(app_, book_);
      if (args.empty()) return Variant(std::shared_ptr<IDispatch>(sheets));
      return sheets->Invoke("Item", DISPATCH_PROPERTYGET, args);
    }
    if (IsMember(name, "FullName")) return Variant(book_->FullName());
    if (IsMember(name, "SaveAs")) {
      Variant format = ArgAt(args, 1);
      book_->SaveAs(ArgAt(args, 0).ToString(), format.IsEmpty() ? xlOpenXMLWorkbook : format.ToInteger());
      return Variant();
    }
    if (IsMember(name, "Close")) {
      std::erase(app_->Workbooks, book_);
      std::erase(app_->Shown, book_.get());
      return Variant();
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  std::shared_ptr<SheetAppState> app_;
  std::shared_ptr<SheetWorkbook> book_;
};

class WorkbooksObject : public IDispatch {
 public:
  explicit WorkbooksObject(std::shared_ptr<SheetAppState> app) : app_(std::move(app)) {}

  Variant Invoke(const String& name, Word, std::span<const Variant> args) override {
    if (IsMember(name, "Count")) return Variant(static_cast<Integer>(app_->Workbooks.size()));
    if (IsMember(name, "Item")) {
      int index = ArgAt(args, 0).ToInteger();
      if (index < 1 || static_cast<size_t>(index) > app_->Workbooks.size()) SheetError("Workbook not found");
      return Wrap(app_->Workbooks[static_cast<size_t>(index - 1)]);
    }
    if (IsMember(name, "Add")) {
      auto book = std::make_shared<SheetWorkbook>();
      book->AddSheet();
      app_->Workbooks.push_back(book);
      return Wrap(book);
    }
    if (IsMember(name, "Open")) {
      String file = ArgAt(args, 0).ToString();
      if (!std::filesystem::exists(file)) SheetError("File " + file + " does not exist");
      // The opened workbook has no file name of its own yet: shown, it goes to the private
      // folder, and the user's file is written only when it is saved under its name.
      auto book = ReadXlsx(file);
      app_->Workbooks.push_back(book);
      return Wrap(book);
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  Variant Wrap(std::shared_ptr<SheetWorkbook> book) {
    return Variant(std::shared_ptr<IDispatch>(std::make_shared<WorkbookObject>(app_, std::move(book))));
  }
  std::shared_ptr<SheetAppState> app_;
};

// The International list: the codes of the file's own number formats, which never change with
// the user's locale.
Variant International(int index) {
  switch (index) {
    case 17: return Variant("/");
    case 18: return Variant(":");
    case 19: return Variant("y");
    case 20: return Variant("m");
    case 21: return Variant("d");
    case 22: return Variant("h");
    case 23: return Variant("m");
    case 24: return Variant("s");
    default: SheetError("International item " + std::to_string(index) + " is not available");
  }
}

class ApplicationObject : public IDispatch {
 public:
  ApplicationObject() : app_(std::make_shared<SheetAppState>()) {}

  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    auto flag = [&](bool& value) {
      if (IsPut(flags)) {
        value = args.back().ToBoolean();
        return Variant();
      }
      return Variant(value);
    };
    if (IsMember(name, "Workbooks")) {
      auto books = std::make_shared<WorkbooksObject>(app_);
      if (args.empty()) return Variant(std::shared_ptr<IDispatch>(books));
      return books->Invoke("Item", DISPATCH_PROPERTYGET, args);
    }
    if (IsMember(name, "ActiveWorkbook")) {
      if (app_->Workbooks.empty()) return Variant(std::shared_ptr<IDispatch>());
      return Variant(std::shared_ptr<IDispatch>(std::make_shared<WorkbookObject>(app_, app_->Workbooks.back())));
    }
    if (IsMember(name, "Visible")) {
      bool was = app_->Visible;
      Variant r = flag(app_->Visible);
      if (IsPut(flags) && app_->Visible && !was)
        for (auto& book : std::vector(app_->Workbooks))
          if (std::find(app_->Shown.begin(), app_->Shown.end(), book.get()) == app_->Shown.end()) app_->Show(*book);
      return r;
    }
    if (IsMember(name, "ScreenUpdating")) return flag(app_->ScreenUpdating);
    if (IsMember(name, "DisplayAlerts")) return flag(app_->DisplayAlerts);
    if (IsMember(name, "International")) return International(ArgAt(args, 0).ToInteger());
    if (IsMember(name, "Quit")) {
      app_->Workbooks.clear();
      app_->Shown.clear();
      std::lock_guard lock(gLock);
      if (gActive.lock().get() == this) gActive.reset();
      return Variant();
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  std::shared_ptr<SheetAppState> app_;
};

}  // namespace

void SheetAppState::Show(SheetWorkbook& book) {
  String file = book.FullName();
  bool own = file.empty();
  if (own) file = PrivateWorkbookFile(book.SheetCount() ? book.Sheet(1)->Name() : String("Book"));
  book.SaveAs(file);
  // A member list is nobody else's to read, whatever the umask.
  if (own) {
    ::chmod(file.c_str(), 0600);
    NoteWorkbookWritten(file);
  }
  if (std::find(Shown.begin(), Shown.end(), &book) == Shown.end()) Shown.push_back(&book);
  TSheetShowHandler show;
  {
    std::lock_guard lock(gLock);
    show = gShow;
  }
  if (show) show(book.FullName());
}

bool IsMember(const String& name, const char* member) { return SameText(name, member); }

Variant ArgAt(std::span<const Variant> args, size_t index) {
  if (index >= args.size() || VarType(args[index]) == varError) return Variant();
  return args[index];
}

void SheetError(const String& message) { throw EOleException(message, DISP_E_EXCEPTION, "Sheet", ""); }

std::shared_ptr<IDispatch> CreateSheetApplication() {
  auto app = std::make_shared<ApplicationObject>();
  std::lock_guard lock(gLock);
  gActive = app;
  return app;
}

std::shared_ptr<IDispatch> GetActiveSheetApplication() {
  std::lock_guard lock(gLock);
  return gActive.lock();
}

void SetSheetShowHandler(TSheetShowHandler handler) {
  std::lock_guard lock(gLock);
  gShow = std::move(handler);
}

}  // namespace orv
