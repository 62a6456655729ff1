#include "report/model/PropertyEditors.h"

#include <utility>

#include "platform/gui/Colors.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/DialogService.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/Menus.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr const char* kNoShortCut = "(None)";

const std::pair<Integer, const char*> kCharsets[] = {
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},     {2, "SYMBOL_CHARSET"},     {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},  {130, "JOHAB_CHARSET"},    {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"}, {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},    {186, "BALTIC_CHARSET"},   {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"},    {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"}};

const char* const kModalResults[] = {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore",
                                     "mrYes", "mrNo", "mrAll", "mrNoToAll", "mrYesToAll"};

const std::pair<Integer, const char*> kCursors[] = {
    {crDefault, "crDefault"},   {crNone, "crNone"},         {crArrow, "crArrow"},       {crCross, "crCross"},
    {crIBeam, "crIBeam"},       {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"},     {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},     {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},     {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"},   {crNo, "crNo"},             {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"}};

// The 108 shortcuts of the list, in its order.
std::vector<Word> ShortCutList() {
  std::vector<Word> list;
  for (Word k = 'A'; k <= 'Z'; ++k) list.push_back(scCtrl | k);
  for (Word k = 'A'; k <= 'Z'; ++k) list.push_back(scCtrl | scAlt | k);
  for (Word mod : {Word(0), Word(scCtrl), Word(scShift), Word(scShift | scCtrl)})
    for (Word f = 0; f < 12; ++f) list.push_back(mod | Word(0x70 + f));
  for (Word k : {Word(0x2D), Word(scShift | 0x2D), Word(scCtrl | 0x2D), Word(0x2E), Word(scShift | 0x2E),
                 Word(scCtrl | 0x2E), Word(scAlt | 0x08), Word(scShift | scAlt | 0x08)})
    list.push_back(k);
  return list;
}

}  // namespace

String kvxShortCutToText(Word shortCut) {
  Word key = shortCut & 0xFF;
  String name;
  if (key >= 'A' && key <= 'Z') name = String(1, static_cast<char>(key));
  else if (key >= 0x70 && key <= 0x7B) name = "F" + IntToStr(key - 0x6F);
  else if (key == 0x2D) name = "Ins";
  else if (key == 0x2E) name = "Del";
  else if (key == 0x08) name = "BkSp";
  else return "";
  String text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

void TkvxPropertyEditor::Add(TObject* component, const TPropInfo* prop) {
  Components.push_back(component);
  Props.push_back(prop);
}

String TkvxPropertyEditor::PropertyName() { return Props.empty() ? String() : Props[0]->Name(); }

Int64 TkvxPropertyEditor::GetOrdValue() { return Props.empty() ? 0 : Props[0]->GetOrd(Components[0]); }

void TkvxPropertyEditor::SetOrdValue(Int64 value) {
  for (size_t i = 0; i < Components.size(); ++i) Props[i]->SetOrd(Components[i], value);
}

String TkvxPropertyEditor::GetStrValue() { return Props.empty() ? String() : Props[0]->GetStr(Components[0]); }

void TkvxPropertyEditor::SetStrValue(const String& value) {
  for (size_t i = 0; i < Components.size(); ++i) Props[i]->SetStr(Components[i], value);
}

Extended TkvxPropertyEditor::GetFloatValue() { return Props.empty() ? 0 : Props[0]->GetFloat(Components[0]); }

void TkvxPropertyEditor::SetFloatValue(Extended value) {
  for (size_t i = 0; i < Components.size(); ++i) Props[i]->SetFloat(Components[i], value);
}

void TkvxPropertyEditor::FillValueList() {
  Values.Clear();
  Values.SetSorted((AttributeFlags() & 2) != 0);
}

bool TkvxPropertyEditor::RunEditor() {
  FillValueList();
  if (Values.Count() == 0) return false;
  Integer i = Values.IndexOf(ValueText());
  i = (i < 0 || i + 1 >= Values.Count()) ? 0 : i + 1;
  ApplyValueText(Values.Strings(i));
  return true;
}

void TkvxPropertyEditor::DrawListItem(Integer index, TCanvas& canvas, const TRect& rect) {
  canvas.FillRect(rect);
  canvas.TextOut(rect.Left + ItemHeight + 4, rect.Top + 1, Values.Strings(index));
  canvas.Pen().SetColor(clGray);
}

void TkvxPropertyEditor::DrawValue(TCanvas& canvas, const TRect& rect) {
  canvas.TextOut(rect.Left + ItemHeight - 2, rect.Top, ValueText());
  canvas.Pen().SetColor(clGray);
}

String TkvxIntegerProperty::ValueText() { return IntToStr(GetOrdValue()); }
void TkvxIntegerProperty::ApplyValueText(const String& text) { SetOrdValue(StrToInt(text)); }

String TkvxClassProperty::ValueText() {
  TClass cls = Props.empty() ? nullptr : Props[0]->PropType()->ClassType();
  return "(" + (cls ? cls->ClassName() : String()) + ")";
}

String TkvxColorProperty::ValueText() { return ColorToString(static_cast<TColor>(GetOrdValue())); }
void TkvxColorProperty::ApplyValueText(const String& text) { SetOrdValue(StringToColor(text)); }

void TkvxColorProperty::FillValueList() {
  TkvxPropertyEditor::FillValueList();
  GetColorValues([this](const String& name) { Values.Add(name); });
}

bool TkvxColorProperty::RunEditor() {
  TColor color = static_cast<TColor>(GetOrdValue());
  if (!DialogService().ExecuteColorDialog(color)) return false;
  SetOrdValue(color);
  return true;
}

void TkvxColorProperty::DrawListItem(Integer index, TCanvas& canvas, const TRect& rect) {
  TkvxPropertyEditor::DrawListItem(index, canvas, rect);
  canvas.Brush().SetColor(StringToColor(Values.Strings(index)));
  canvas.Rectangle(rect.Left + 1, rect.Top + 1, rect.Left + ItemHeight, rect.Bottom - 1);
}

void TkvxColorProperty::DrawValue(TCanvas& canvas, const TRect& rect) {
  canvas.Brush().SetColor(static_cast<TColor>(GetOrdValue()));
  canvas.Rectangle(rect.Left, rect.Top + 1, rect.Left + ItemHeight - 4, rect.Bottom - 1);
  TkvxPropertyEditor::DrawValue(canvas, rect);
}

bool TkvxFontProperty::RunEditor() {
  if (Props.empty()) return false;
  auto* font = dynamic_cast<TFont*>(Props[0]->GetObject(Components[0]));
  if (!font) return false;
  TFont chosen;
  chosen.Assign(font);
  if (!DialogService().ExecuteFontDialog(chosen)) return false;
  for (size_t i = 0; i < Components.size(); ++i)
    if (auto* f = dynamic_cast<TFont*>(Props[i]->GetObject(Components[i]))) f->Assign(&chosen);
  return true;
}

void TkvxFontNameProperty::FillValueList() {
  TkvxPropertyEditor::FillValueList();
  // The families the program's font configuration provides under the names reports use.
  for (const char* name : {"Angsana New", "Arial", "Cordia New", "Microsoft Sans Serif", "Tahoma"}) Values.Add(name);
}

String TkvxFontCharsetProperty::ValueText() {
  Int64 v = GetOrdValue();
  for (const auto& [code, name] : kCharsets)
    if (code == v) return name;
  return IntToStr(v);
}

void TkvxFontCharsetProperty::ApplyValueText(const String& text) {
  for (const auto& [code, name] : kCharsets)
    if (SameText(text, name)) {
      SetOrdValue(code);
      return;
    }
  SetOrdValue(StrToInt(text));
}

void TkvxFontCharsetProperty::FillValueList() {
  TkvxPropertyEditor::FillValueList();
  for (const auto& entry : kCharsets) Values.Add(entry.second);
}

String TkvxModalResultProperty::ValueText() {
  Int64 v = GetOrdValue();
  if (v >= 0 && v <= 10) return kModalResults[v];
  return IntToStr(v);
}

void TkvxModalResultProperty::ApplyValueText(const String& text) {
  if (text.empty()) {
    SetOrdValue(0);
    return;
  }
  for (Integer i = 0; i <= 10; ++i)
    if (SameText(text, kModalResults[i])) {
      SetOrdValue(i);
      return;
    }
  SetOrdValue(StrToInt(text));
}

void TkvxModalResultProperty::FillValueList() {
  TkvxPropertyEditor::FillValueList();
  for (const char* name : kModalResults) Values.Add(name);
}

String TkvxShortCutProperty::ValueText() {
  Int64 v = GetOrdValue();
  return v == 0 ? String(kNoShortCut) : kvxShortCutToText(static_cast<Word>(v));
}

void TkvxShortCutProperty::ApplyValueText(const String& text) {
  if (text.empty() || text == kNoShortCut) {
    SetOrdValue(0);
    return;
  }
  for (Word sc : ShortCutList())
    if (SameText(kvxShortCutToText(sc), text)) {
      SetOrdValue(sc);
      return;
    }
  throw EPropertyError("Invalid property value");
}

void TkvxShortCutProperty::FillValueList() {
  TkvxPropertyEditor::FillValueList();
  Values.Add(kNoShortCut);
  for (Word sc : ShortCutList()) Values.Add(kvxShortCutToText(sc));
}

String TkvxCursorProperty::ValueText() {
  Int64 v = GetOrdValue();
  for (const auto& [code, name] : kCursors)
    if (code == v) return name;
  return IntToStr(v);
}

void TkvxCursorProperty::ApplyValueText(const String& text) {
  for (const auto& [code, name] : kCursors)
    if (SameText(text, name)) {
      SetOrdValue(code);
      return;
    }
  SetOrdValue(StrToInt(text));
}

void TkvxCursorProperty::FillValueList() {
  TkvxPropertyEditor::FillValueList();
  for (const auto& entry : kCursors) Values.Add(entry.second);
}

String TkvxDateTimeProperty::ValueText() {
  Extended v = GetFloatValue();
  return v == 0 ? String() : DateTimeToStr(v);
}
void TkvxDateTimeProperty::ApplyValueText(const String& text) { SetFloatValue(text.empty() ? 0 : StrToDateTime(text)); }

String TkvxDateProperty::ValueText() {
  Extended v = GetFloatValue();
  return v == 0 ? String() : DateToStr(v);
}
void TkvxDateProperty::ApplyValueText(const String& text) { SetFloatValue(text.empty() ? 0 : StrToDate(text)); }

String TkvxTimeProperty::ValueText() {
  Extended v = GetFloatValue();
  return v == 0 ? String() : TimeToStr(v);
}
void TkvxTimeProperty::ApplyValueText(const String& text) { SetFloatValue(text.empty() ? 0 : StrToTime(text)); }

}  // namespace orv
