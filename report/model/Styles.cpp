#include "report/model/Styles.h"

#include "platform/rtl/TextUtils.h"
#include "report/model/PropertyIndex.h"
#include "report/model/Report.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlSerializer.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxStyleItem, c) {
  c.Prop("Name", &TkvxStyleItem::Name, &TkvxStyleItem::SetName);
  c.Prop("Color", &TkvxStyleItem::Color, &TkvxStyleItem::SetColor).Default(clNone);
  c.Prop("Font", &TkvxStyleItem::Font, &TkvxStyleItem::SetFont);
  c.Prop("Frame", &TkvxStyleItem::Frame, &TkvxStyleItem::SetFrame);
}

ORV_IMPLEMENT_CLASS(TkvxStyles, c) {}

TkvxStyleItem::TkvxStyleItem(TCollection* collection)
    : TCollectionItem(collection), font_(std::make_unique<TFont>()), frame_(std::make_unique<TkvxFrame>()) {
  font_->SetName("Arial");
  font_->SetSize(10);
  font_->SetCharset(DEFAULT_CHARSET);
}

TkvxStyleItem::~TkvxStyleItem() = default;

void TkvxStyleItem::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TkvxStyleItem*>(source)) {
    name_ = s->name_;
    color_ = s->color_;
    font_->Assign(s->font_.get());
    frame_->Assign(s->frame_.get());
    return;
  }
  TCollectionItem::Assign(source);
}

void TkvxStyleItem::SetName(const String& value) {
  if (auto* styles = dynamic_cast<TkvxStyles*>(Collection())) {
    TkvxStyleItem* other = styles->Find(value);
    if (other && other != this) throw EPropertyError("Duplicate name");
  }
  name_ = value;
}

TkvxStyles::TkvxStyles(TkvxReport* report) : TCollection(TkvxStyleItem::StaticClass(), report), report_(report) {}

TkvxStyleItem* TkvxStyles::Find(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

void TkvxStyles::GetList(TStrings& list) const {
  list.Clear();
  for (Integer i = 0; i < Count(); ++i) list.Add(Items(i)->Name());
}

void TkvxStyles::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TkvxStyles::LoadFromStream(TStream& stream) {
  Clear();
  TkvxXMLDocument doc;
  doc.LoadFromStream(&stream, false);
  LoadFromXMLItem(doc.Root(), doc.OldVersion);
}

void TkvxStyles::SaveToFile(const String& fileName) {
  TkvxXMLDocument doc;
  doc.AutoIndent = true;
  SaveToXMLItem(doc.Root());
  doc.SaveToFile(fileName);
}

void TkvxStyles::SaveToStream(TStream& stream) {
  TkvxXMLDocument doc;
  doc.AutoIndent = true;
  SaveToXMLItem(doc.Root());
  doc.SaveToStream(stream);
}

void TkvxStyles::LoadFromXMLItem(TkvxXMLItem* item, bool oldFormat) {
  Clear();
  if (!SameText(item->Name, "style")) return;
  name_ = item->Prop("Name");
  TkvxXMLSerializer serializer(nullptr);
  serializer.OldFormat = oldFormat;
  for (Integer i = 0; i < item->Count(); ++i) {
    TkvxXMLItem* child = item->Items(i);
    if (!SameText(child->Name, "item")) continue;
    serializer.XMLToObj(child->Text, Add());
  }
  Apply();
}

void TkvxStyles::SaveToXMLItem(TkvxXMLItem* item) {
  item->Clear();
  item->Name = "style";
  item->Text.clear();
  item->SetProp("Name", name_);
  TkvxXMLSerializer serializer(nullptr);
  for (Integer i = 0; i < Count(); ++i) {
    TkvxXMLItem* child = item->Add();
    child->Name = "item";
    child->Text = serializer.ObjToXML(Items(i));
  }
}

void TkvxStyles::Apply() {
  if (!report_) return;
  for (TkvxComponent* obj : std::vector<TkvxComponent*>(report_->AllObjects())) {
    const TPropInfo* style = kvxFindProp(obj->ClassType(), "Style");
    if (!style || style->Kind() != tkLString || !style->IsWritable()) continue;
    String name = style->GetStr(obj);
    style->SetStr(obj, Find(name) ? name : String());
  }
}

}  // namespace orv
