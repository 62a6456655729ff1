// The envelope to the parish priest of the church on screen, printed from the panel's lines.
#include "app/Churches.h"
#include "app/Documents.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Report.h"

namespace orv {

void TForm3::CreateEnvelopeReport() {
  kvxReport1 = CreateDocumentReport(this, "kvxReport1");
  kvxReport1->OnGetValue = [this](const String& name, Variant& value) { kvxReport1GetValue(name, value); };
  BitBtn1->OnClick = [this](TObject* sender) { BitBtn1Click(sender); };
}

void TForm3::BitBtn1Click(TObject*) {
  LoadDocument(*kvxReport1, "church-envelope.xml");
  kvxReport1->ShowReport(true);
}

void TForm3::kvxReport1GetValue(const String& VarName, Variant& Value) {
  TEdit* const lines[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7};
  for (int i = 0; i < 7; ++i)
    if (SameText(VarName, "Txt" + IntToStr(i + 1))) {
      Value = Variant(lines[i]->Text());
      return;
    }
}

}  // namespace orv
