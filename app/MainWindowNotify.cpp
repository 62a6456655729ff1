// A marriage notification made from the member on screen: the member is the groom or the bride
// by sex, the spouse page gives the other party, the marriage page the marriage and witnesses.
#include "app/MainWindow.h"
#include "app/MarriageNotices.h"
#include "app/WindowParts.h"

namespace orv {

namespace {

// One side of the marriage as the notification names its columns.
struct TParty {
  String Name;
  String Religion;
  String BaptismPlace;
  const TLabeledEdit* BaptismDateText;
  const TDateTimePicker* BaptismDate;
  String BaptismNo;
  String Father;
  String FatherReligion;
  String Mother;
  String MotherReligion;
};

// A saint's name and a name as one text; nothing without the name.
String Person(const TLabeledEdit* saint, const TLabeledEdit* name) {
  return name->Text().empty() ? String() : saint->Text() + " " + name->Text();
}

// Writes value into column of the new row when there is a value; an empty editor leaves the
// column empty.
void Put(TDataSet* notice, const char* column, const String& value) {
  if (!value.empty()) notice->FieldByName(column)->SetAsString(value);
}

void PutDate(TDataSet* notice, const char* column, const TLabeledEdit* text,
             const TDateTimePicker* picker) {
  if (!text->Text().empty())
    notice->FieldByName(column)->SetValue(Variant::FromDate(picker->Date()));
}

void PutParty(TDataSet* notice, const TParty& p, bool groom) {
  Put(notice, groom ? "Groom" : "Bride", p.Name);
  Put(notice, groom ? "Gr_religion" : "Br_religion", p.Religion);
  Put(notice, groom ? "GrBap_Place" : "BrBap_Place", p.BaptismPlace);
  PutDate(notice, groom ? "GrBap_Date" : "BrBap_Date", p.BaptismDateText, p.BaptismDate);
  Put(notice, groom ? "GrBap_No" : "BrBap_No", p.BaptismNo);
  Put(notice, groom ? "Groom_Fr" : "Bride_Fr", p.Father);
  Put(notice, groom ? "GrFR_Religion" : "BrFR_Religion", p.FatherReligion);
  Put(notice, groom ? "Groom_Mo" : "Bride_Mo", p.Mother);
  Put(notice, groom ? "GrMo_Religion" : "BrMo_Religion", p.MotherReligion);
}

}  // namespace

void TForm1::LumSmoothButton4Click(TObject*) {
  bool memberIsGroom = ComboBox2->Text() == "ชาย";
  String nm = LabeledEdit2->Text();
  String sur = LabeledEdit3->Text();
  String noticeName = LabeledEdit4->Text() + " " + nm + " " + sur;

  TADOQuery* existing = Form2->ADOQuery2;
  existing->Close();
  existing->SQL().SetText(memberIsGroom ? "select * from MarriageNotify where Groom = :name"
                                        : "select * from MarriageNotify where Bride = :name");
  existing->Parameters().ParamByName("name")->SetValue(noticeName);
  existing->Open();
  if (!existing->IsEmpty()) {
    ShowMessage("มีข้อมูลการแจ้งการสมรสของคุณ " + nm + "  " + sur + " อยู่แล้ว");
  } else if (Confirmed("ต้องการสร้างเอกสารแจ้งการสมรสของ  คุณ" + nm + "  " + sur + " หรือ ?")) {
    TADOQuery* notices = Form2->ADOQuery1;
    notices->Close();
    notices->SQL().SetText("Select * from MarriageNotify order by Notify_No");
    notices->Open();
    Int64 number = Form2->NextNotifyNo();

    TParty member{nm.empty() ? String() : noticeName,
                  ComboBox1->Text(),
                  LabeledEdit23->Text(),
                  LabeledEdit21,
                  DateTimePicker4,
                  LabeledEdit22->Text(),
                  Person(LabeledEdit14, LabeledEdit13),
                  ComboBox3->Text(),
                  Person(LabeledEdit16, LabeledEdit15),
                  ComboBox4->Text()};
    TParty spouse{Person(LabeledEdit44, LabeledEdit43),
                  ComboBox5->Text(),
                  LabeledEdit73->Text(),
                  LabeledEdit71,
                  DateTimePicker13,
                  LabeledEdit72->Text(),
                  Person(LabeledEdit76, LabeledEdit75),
                  ComboBox6->Text(),
                  Person(LabeledEdit78, LabeledEdit77),
                  ComboBox7->Text()};

    notices->Append();
    try {
      notices->FieldByName("Notify_No")->SetAsLargeInt(number);
      PutDate(notices, "Marriage_date", LabeledEdit37, DateTimePicker7);
      Put(notices, "MarriageID", LabeledEdit38->Text());
      Put(notices, "Witness1", Person(LabeledEdit46, LabeledEdit45));
      Put(notices, "Witness2", Person(LabeledEdit48, LabeledEdit47));
      Put(notices, "Priest", LabeledEdit50->Text());
      PutParty(notices, memberIsGroom ? member : spouse, true);
      PutParty(notices, memberIsGroom ? spouse : member, false);
      if (memberIsGroom) Put(notices, "Notify_to", LabeledEdit74->Text());
      notices->Post();
    } catch (...) {
      notices->Cancel();
      throw;
    }
    if (!notices->IsEmpty()) notices->Last();
  }
  Form2->ShowModal();
}

}  // namespace orv
