// The spouse's name and member code: when the spouse is a member too, the spouse's religion,
// baptism and parents are copied from the spouse's own record into the member on screen.
#include "app/MainWindow.h"
#include "app/ParishSchema.h"
#include "app/PostEdit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// The spouse's column, then the member's, matched without regard to case.
struct TCopied {
  const char* From;
  const char* To;
};
const TCopied kCopied[] = {{"religion", "Couple_religion"}, {"st", "couple_st"},
                           {"papa_Nm", "couple_FrNm"},      {"papa_st", "couple_FrSt"},
                           {"papa_relig", "couple_frRelig"}, {"mama_Nm", "couple_MoNm"},
                           {"mama_st", "couple_Most"},      {"mama_relig", "couple_MoRelig"},
                           {"btsm_No", "couple_btsmNo"},    {"btsm_wat", "couple_btsmplace"}};

// Texts copy as texts (a Null one as the empty text); the baptism date as it is.
void CopySpouse(TDataSet* spouse, TDataSet* member, bool withCode) {
  for (const TCopied& c : kCopied)
    member->FieldByName(c.To)->SetAsString(spouse->FieldByName(c.From)->AsString());
  if (withCode) member->FieldByName("couple_No")->SetAsString(spouse->FieldByName("Num")->AsString());
  member->FieldByName("couple_btsmdate")->SetValue(spouse->FieldByName("btsm_date")->Value());
}

}  // namespace

void TForm1::ConnectSpouseEditors() {
  LabeledEdit43->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { LabeledEdit43KeyUp(s, k, sh); };
  LabeledEdit69->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { LabeledEdit69KeyUp(s, k, sh); };
}

void TForm1::LabeledEdit43KeyUp(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN || !HasMember()) return;
  String text = LabeledEdit43->Text();
  // Half a lookup must not be posted by the next save.
  PostEdit(ADOQuery1, [&] {
    if (text.empty()) {
      ADOQuery1->FieldByName("couple_nm")->Clear();
    } else {
      size_t blank = text.find(' ');
      String name = blank == String::npos ? String() : text.substr(0, blank);
      String surname = blank == String::npos ? text : text.substr(blank + 1);
      ADOQuery5->Close();
      ADOQuery5->SQL().SetText("Select " + MemberColumns() + " from Orvani where Nm = :name and Sur = :surname");
      ADOQuery5->Parameters().ParamByName("name")->SetValue(name);
      ADOQuery5->Parameters().ParamByName("surname")->SetValue(surname);
      ADOQuery5->Open();
      if (ADOQuery5->RecordCount() == 1 && ADOQuery5->FieldByName("nm")->AsString() == name &&
          ADOQuery5->FieldByName("sur")->AsString() == surname)
        CopySpouse(ADOQuery5, ADOQuery1, true);
      ADOQuery5->Close();
      ADOQuery1->FieldByName("couple_nm")->SetAsString(Trim(text));
    }
    ADOQuery1->FieldByName("Update")->SetValue(Variant::FromDate(Date()));
  });
  ShowUpdate();
  FindDoc();
}

void TForm1::LabeledEdit69KeyUp(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN || !HasMember()) return;
  String text = LabeledEdit69->Text();
  PostEdit(ADOQuery1, [&] {
    if (Length(text) <= 8) {
      ADOQuery1->FieldByName("couple_No")->Clear();
    } else {
      ADOQuery5->Close();
      ADOQuery5->SQL().SetText("Select " + MemberColumns() + " from Orvani where Num = :code");
      ADOQuery5->Parameters().ParamByName("code")->SetValue(text);
      ADOQuery5->Open();
      if (ADOQuery5->RecordCount() == 1 && ADOQuery5->FieldByName("Num")->AsString() == text) {
        TField* nm = ADOQuery5->FieldByName("Nm");
        TField* sur = ADOQuery5->FieldByName("sur");
        if (LabeledEdit43->Text() == nm->AsString() + " " + sur->AsString()) {
          ADOQuery1->FieldByName("couple_No")->SetAsString(Trim(text));
          ADOQuery1->FieldByName("Couple_Nm")->SetAsString(
              !nm->IsNull() && !sur->IsNull() ? nm->AsString() + " " + sur->AsString() : String());
          CopySpouse(ADOQuery5, ADOQuery1, false);
        }
      }
      ADOQuery5->Close();
    }
    ADOQuery1->FieldByName("Update")->SetValue(Variant::FromDate(Date()));
  });
  ShowUpdate();
  FindDoc();
}

}  // namespace orv
