#include "report/engine/Outline.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exceptions.h"
#include "report/engine/PreviewPages.h"
#include "report/model/XmlDocument.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxOutline, c) {}

namespace {

// Decimal attributes of a file may be damaged: such a value counts as absent.
bool IntProp(const TkvxXMLItem* item, const char* name, Integer& value) {
  String text = item->Prop(name);
  return !text.empty() && TryStrToInt(text, value);
}

void ShiftTree(TkvxXMLItem* item, Integer delta) {
  Integer page = 0, top = 0;
  if (IntProp(item, "page", page)) item->SetProp("page", IntToStr(page + 1));
  if (IntProp(item, "top", top)) item->SetProp("top", IntToStr(top + delta));
  for (Integer i = 0; i < item->Count(); ++i) ShiftTree(item->Items(i), delta);
}

}  // namespace

TkvxOutline::TkvxOutline(TkvxPreviewPages* previewPages) : TkvxCustomOutline(previewPages), pages_(previewPages) {}

TkvxXMLItem* TkvxOutline::Current() {
  if (!current_) current_ = pages_->Root()->FindItem("outline");
  return current_;
}

Integer TkvxOutline::GetCount() { return current_ ? current_->Count() : 0; }

void TkvxOutline::AddItem(const String& text, Integer top) {
  // Prepared pages are read back only so deep: a deeper outline would make a file that cannot
  // be opened again.
  int depth = 1;
  for (const TkvxXMLItem* above = Current(); above->Parent(); above = above->Parent()) ++depth;
  if (depth > kvxMaxXMLDepth)
    throw EInvalidOperation("The outline cannot nest more than " + std::to_string(kvxMaxXMLDepth) + " levels deep");
  TkvxXMLItem* item = Current()->Add();
  item->Name = "item";
  item->SetProp("text", text);
  item->SetProp("page", IntToStr(pages_->CurPage));
  item->SetProp("top", IntToStr(top));
  current_ = item;
}

void TkvxOutline::AddItemAt(const String& text, Integer page, Integer top) {
  AddItem(text, top);
  current_->SetProp("page", IntToStr(page));
}

namespace {

void MoveTree(TkvxXMLItem* item, Integer oldPage, Integer newPage, Integer dy) {
  Integer page = 0, top = 0;
  if (IntProp(item, "page", page) && page == oldPage) {
    item->SetProp("page", IntToStr(newPage));
    if (IntProp(item, "top", top)) item->SetProp("top", IntToStr(top + dy));
  }
  for (Integer i = 0; i < item->Count(); ++i) MoveTree(item->Items(i), oldPage, newPage, dy);
}

}  // namespace

void TkvxOutline::MoveItems(TkvxXMLItem* parent, Integer index, Integer oldPage, Integer newPage, Extended dy) {
  if (!parent) return;
  Integer delta = static_cast<Integer>(std::lround(dy));
  for (Integer i = std::max<Integer>(index, 0); i < parent->Count(); ++i)
    MoveTree(parent->Items(i), oldPage, newPage, delta);
}

void TkvxOutline::LevelDown(Integer index) {
  TkvxXMLItem* cur = Current();
  if (index >= 0 && index < cur->Count()) current_ = cur->Items(index);
}

void TkvxOutline::LevelRoot() { current_ = pages_->Root()->FindItem("outline"); }

void TkvxOutline::LevelUp() {
  TkvxXMLItem* cur = Current();
  if (cur != pages_->Root()->FindItem("outline") && cur->Parent()) current_ = cur->Parent();
}

void TkvxOutline::GetItem(Integer index, String& text, Integer& page, Integer& top) {
  TkvxXMLItem* cur = Current();
  if (index < 0 || index >= cur->Count()) return;
  TkvxXMLItem* item = cur->Items(index);
  text = item->Prop("text");
  IntProp(item, "page", page);
  IntProp(item, "top", top);
}

void TkvxOutline::ShiftItems(TkvxXMLItem* from, Integer newTop) {
  if (!from || !from->Parent()) return;
  TkvxXMLItem* parent = from->Parent();
  Integer i = parent->IndexOf(from);
  if (i < 0 || i + 1 >= parent->Count()) return;
  TkvxXMLItem* next = parent->Items(i + 1);
  Integer top = 0;
  IntProp(next, "top", top);
  ShiftTree(next, newTop - top);
}

TkvxXMLItem* TkvxOutline::GetCurPosition() {
  TkvxXMLItem* cur = Current();
  return cur->Count() > 0 ? cur->Items(cur->Count() - 1) : nullptr;
}

}  // namespace orv
