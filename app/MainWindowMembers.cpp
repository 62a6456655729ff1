// Adding members (with the parish defaults) and moves, and deleting them from their grids.
// Every insert and delete asks first.
#include "app/MainWindow.h"
#include "app/ParishWriteFailure.h"
#include "app/WindowParts.h"
#include "platform/rtl/Conversions.h"

namespace orv {

namespace {

// Sets a column of the new row from a default editor, when the editor holds something.
void SetDefault(TDataSet* dataSet, const char* column, TControl* editor) {
  if (!editor->Text().empty()) dataSet->FieldByName(column)->SetAsString(editor->Text());
}

// Posts the row appended to dataSet. A row the parish refuses is dropped and the row that was on
// screen before, shown (recNo, 0 for none), is shown again: the editors then hold the record
// their next save writes, never a blank form over another row.
void PostAppended(TDataSet* dataSet, Integer shown) {
  try {
    dataSet->Post();
  } catch (...) {
    dataSet->Cancel();
    if (shown > 0 && !dataSet->IsEmpty())
      dataSet->SetRecNo(shown);
    else if (dataSet->AfterScroll)
      dataSet->AfterScroll(dataSet);
    throw;
  }
}

String Names(TDataSet* members) {
  return members->FieldByName("Nm")->AsString() + "  " + members->FieldByName("sur")->AsString();
}

}  // namespace

void TForm1::ConnectMemberCommands() {
  LumSmoothButton1->OnClick = [this](TObject* sender) { LumSmoothButton1Click(sender); };
  LumSmoothButton2->OnClick = [this](TObject* sender) { LumSmoothButton2Click(sender); };
  LumSmoothButton3->OnClick = [this](TObject* sender) { LumSmoothButton3Click(sender); };
  DBGrid1->OnDblClick = [this](TObject* sender) { DBGrid1DblClick(sender); };
  DBGrid3->OnDblClick = [this](TObject* sender) { DBGrid3DblClick(sender); };
  DBGrid1->SetHint("สามารถลบข้อมูลรายบุคคลโดยดับเบิ้ลคลิ๊กบรรทัดที่ต้องการลบทิ้ง");
  DBGrid3->SetHint("สามารถลบข้อมูลรายบุคคลโดยดับเบิ้ลคลิ๊กบรรทัดที่ต้องการลบทิ้ง");
}

void TForm1::LumSmoothButton1Click(TObject*) {
  if (!Confirmed("ต้องการเพิ่มข้อมูลบุคคลใหม่ โดยพิมพ์ที่อยู่เองทั้งหมด หรือ ?")) return;
  if (!ADOQuery1->Active()) ADOQuery1->Open();
  Integer shown = ADOQuery1->IsEmpty() ? 0 : ADOQuery1->RecNo();
  ADOQuery1->Append();
  SetDefault(ADOQuery1, "NUM", Edit10);
  SetDefault(ADOQuery1, "religion", ComboBox10);
  SetDefault(ADOQuery1, "Address2", Edit12);
  SetDefault(ADOQuery1, "btsm_wat", Edit13);
  SetDefault(ADOQuery1, "fm_wat", Edit14);
  SetDefault(ADOQuery1, "cnfm_wat", Edit15);
  ShowNewMember(shown);
}

void TForm1::LumSmoothButton2Click(TObject*) {
  if (!HasMember()) return;
  bool named = !ADOQuery1->FieldByName("Nm")->IsNull() && !ADOQuery1->FieldByName("sur")->IsNull();
  if (!Confirmed(named ? "ต้องการเพิ่มข้อมูลบุคคลใหม่ โดยใช้ที่อยู่ของ " + Names(ADOQuery1) + " หรือ ?"
                       : String("ต้องการเพิ่มข้อมูลบุคคลใหม่ หรือ ?")))
    return;
  String house = LabeledEdit5->Text();
  String district = LabeledEdit6->Text();
  Integer shown = ADOQuery1->RecNo();
  ADOQuery1->Append();
  SetDefault(ADOQuery1, "NUM", Edit10);
  SetDefault(ADOQuery1, "religion", ComboBox10);
  ADOQuery1->FieldByName("Address1")->SetAsString(house);
  ADOQuery1->FieldByName("Address2")->SetAsString(district);
  SetDefault(ADOQuery1, "btsm_wat", Edit13);
  SetDefault(ADOQuery1, "fm_wat", Edit14);
  SetDefault(ADOQuery1, "cnfm_wat", Edit15);
  ShowNewMember(shown);
}

void TForm1::ShowNewMember(Integer shown) {
  PostAppended(ADOQuery1, shown);
  Variant id = ADOQuery1->FieldByName("ID")->Value();
  OpenMembers("", kMembersByName, {});
  // The new member is found by its key: an unnamed member is not always the first in the list.
  if (!ADOQuery1->Locate("ID", id, 0)) ADOQuery1->First();
}

void TForm1::LumSmoothButton3Click(TObject*) {
  if (!HasMember()) return;
  if (!Confirmed("ต้องการสร้างข้อมูลการย้ายของ  คุณ" + Names(ADOQuery1) + " หรือ ?")) return;
  LumSmoothTabPager1->SetActivePage(LumSmoothTabPage1);
  Integer shown = ADOQuery4->IsEmpty() ? 0 : ADOQuery4->RecNo();
  ADOQuery4->Append();
  SetDefault(ADOQuery4, "NUM", LabeledEdit1);
  ADOQuery4->FieldByName("OrvID")->SetValue(ADOQuery1->FieldByName("ID")->Value());
  PostAppended(ADOQuery4, shown);
  FindMove();
  SetMoveEditorsEnabled(true);
  LumSmoothTabPager1->SetActivePage(LumSmoothTabPage4);
}

void TForm1::DBGrid1DblClick(TObject*) {
  if (!HasMember()) return;
  bool noName = ADOQuery1->FieldByName("Nm")->IsNull();
  bool noSurname = ADOQuery1->FieldByName("sur")->IsNull();
  String question;
  if (noName && noSurname)
    question = "ต้องการลบข้อมูลซึ่งไม่มี ชื่อ และ นามสกุล  หรือ ?";
  else if (!noName && !noSurname)
    question = "ต้องการลบข้อมูลของ  คุณ" + Names(ADOQuery1) + " หรือ ?";
  else
    question = "ต้องการลบข้อมูลซึ่งไม่มี ชื่อ หรือ นามสกุล  หรือ ?";
  if (!Confirmed(question)) return;
  try {
    ADOQuery1->Delete();
  } catch (const Exception& e) {
    // The member is still stored; the user must hear why it could not be deleted.
    ShowParishWriteFailure(e, ADOQuery1, RowNotDeleted, this);
  }
  Label3->SetCaption("จำนวนข้อมูล  " + IntToStr(ADOQuery1->RecordCount()) + " รายการ");
  if (ADOQuery1->IsEmpty()) {
    LumSmoothButton2->SetEnabled(false);
    LumSmoothButton3->SetEnabled(false);
    LumSmoothButton4->SetEnabled(false);
    ADOQuery1AfterScroll(ADOQuery1);
  }
}

void TForm1::DBGrid3DblClick(TObject*) {
  if (!HasMember() || !ADOQuery4->Active() || ADOQuery4->IsEmpty()) return;
  if (!Confirmed("ต้องการลบข้อมูล No" + ADOQuery4->FieldByName("ID")->AsString() + " หรือ ?"))
    return;
  try {
    ADOQuery4->Delete();
  } catch (const Exception& e) {
    ShowParishWriteFailure(e, ADOQuery4, RowNotDeleted, this);
  }
  if (ADOQuery4->IsEmpty()) {
    SetMoveEditorsEnabled(false);
    FindMove();
  }
}

}  // namespace orv
