#pragma once
// Named text styles (colour, font, frame) that text objects refer to by name; stored inside the
// report and in style files of their own.
#include <memory>

#include "platform/gui/Graphics.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"
#include "report/model/Frame.h"
#include "report/model/XmlItem.h"

namespace orv {

class TkvxReport;

class TkvxStyleItem : public TCollectionItem {
  ORV_CLASS(TkvxStyleItem, TCollectionItem)

 public:
  explicit TkvxStyleItem(TCollection* collection);
  ~TkvxStyleItem() override;
  // Copies name, colour, font and frame without the duplicate check.
  void Assign(TPersistent* source) override;

  const String& Name() const { return name_; }
  // "Duplicate name" when another style of the set has the name (case-blind).
  void SetName(const String& value);
  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* value) { font_->Assign(value); }
  TkvxFrame* Frame() const { return frame_.get(); }
  void SetFrame(TkvxFrame* value) { frame_->Assign(value); }

 private:
  String name_;
  TColor color_ = clNone;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TkvxFrame> frame_;
};

class TkvxStyles : public TCollection {
  ORV_CLASS(TkvxStyles, TCollection)

 public:
  explicit TkvxStyles(TkvxReport* report = nullptr);
  TkvxStyleItem* Add() { return static_cast<TkvxStyleItem*>(TCollection::Add()); }
  TkvxStyleItem* Items(Integer index) const { return static_cast<TkvxStyleItem*>(TCollection::Items(index)); }
  TkvxStyleItem* Find(const String& name) const;
  void GetList(TStrings& list) const;
  const String& Name() const { return name_; }
  void SetName(const String& value) { name_ = value; }
  TkvxReport* Report() const { return report_; }

  void LoadFromFile(const String& fileName);
  void LoadFromStream(TStream& stream);
  void SaveToFile(const String& fileName);
  void SaveToStream(TStream& stream);
  void LoadFromXMLItem(TkvxXMLItem* item, bool oldFormat = true);
  void SaveToXMLItem(TkvxXMLItem* item);
  // Every memo object of the report keeps its style name only when the set holds that style,
  // and takes the style's look.
  void Apply();

 private:
  String name_;
  TkvxReport* report_;
};

}  // namespace orv
