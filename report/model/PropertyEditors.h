#pragma once
// Property editors: the value-to-text converters of a property inspector. An editor reads the
// property of the first edited object and writes to every edited object that has it.
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

class TkvxPropertyEditor : public TObject {
 public:
  explicit TkvxPropertyEditor(TObject* designer) : Designer(designer) { Values.SetSorted(false); }

  // Steps to the next value of the list after the current one (the first after the last).
  virtual bool RunEditor();
  // Bit value 2: the value list is sorted.
  virtual Integer AttributeFlags() { return 8; }
  virtual String PropertyName();
  virtual Integer ListItemExtra() { return ItemHeight + 2; }
  virtual String ValueText() { return "(Unknown)"; }
  virtual void FillValueList();
  virtual void ApplyValueText(const String&) {}
  virtual void DrawListItem(Integer index, TCanvas& canvas, const TRect& rect);
  virtual void DrawValue(TCanvas& canvas, const TRect& rect);

  // The edited objects, each with its record of the edited property.
  void Add(TObject* component, const TPropInfo* prop);

  TObject* Designer;
  std::vector<TObject*> Components;
  std::vector<const TPropInfo*> Props;
  Integer ItemHeight = 16;
  TStringList Values;

 protected:
  Int64 GetOrdValue();
  void SetOrdValue(Int64 value);
  String GetStrValue();
  void SetStrValue(const String& value);
  Extended GetFloatValue();
  void SetFloatValue(Extended value);
};

class TkvxIntegerProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  String ValueText() override;
  void ApplyValueText(const String& text) override;
};

class TkvxStringProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  String ValueText() override { return GetStrValue(); }
  void ApplyValueText(const String& text) override { SetStrValue(text); }
};

class TkvxClassProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  Integer AttributeFlags() override { return 56; }
  String ValueText() override;
};

class TkvxNameProperty : public TkvxStringProperty {
 public:
  using TkvxStringProperty::TkvxStringProperty;
  Integer AttributeFlags() override { return 0; }
};

class TkvxColorProperty : public TkvxIntegerProperty {
 public:
  using TkvxIntegerProperty::TkvxIntegerProperty;
  Integer AttributeFlags() override { return 73; }
  String ValueText() override;
  void ApplyValueText(const String& text) override;
  void FillValueList() override;
  // Opens the colour dialog.
  bool RunEditor() override;
  void DrawListItem(Integer index, TCanvas& canvas, const TRect& rect) override;
  void DrawValue(TCanvas& canvas, const TRect& rect) override;
};

class TkvxFontProperty : public TkvxClassProperty {
 public:
  using TkvxClassProperty::TkvxClassProperty;
  Integer AttributeFlags() override { return 60; }
  // Opens the font dialog on the font and assigns the chosen font.
  bool RunEditor() override;
};

class TkvxFontNameProperty : public TkvxStringProperty {
 public:
  using TkvxStringProperty::TkvxStringProperty;
  Integer AttributeFlags() override { return 11; }
  void FillValueList() override;
};

class TkvxFontCharsetProperty : public TkvxIntegerProperty {
 public:
  using TkvxIntegerProperty::TkvxIntegerProperty;
  Integer AttributeFlags() override { return 11; }
  String ValueText() override;
  void ApplyValueText(const String& text) override;
  void FillValueList() override;
};

class TkvxModalResultProperty : public TkvxIntegerProperty {
 public:
  using TkvxIntegerProperty::TkvxIntegerProperty;
  Integer AttributeFlags() override { return 9; }
  String ValueText() override;
  void ApplyValueText(const String& text) override;
  void FillValueList() override;
};

class TkvxShortCutProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  Integer AttributeFlags() override { return 9; }
  String ValueText() override;
  void ApplyValueText(const String& text) override;
  void FillValueList() override;
};

class TkvxCursorProperty : public TkvxIntegerProperty {
 public:
  using TkvxIntegerProperty::TkvxIntegerProperty;
  Integer AttributeFlags() override { return 11; }
  String ValueText() override;
  void ApplyValueText(const String& text) override;
  void FillValueList() override;
};

class TkvxDateTimeProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  String ValueText() override;
  void ApplyValueText(const String& text) override;
};

class TkvxDateProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  String ValueText() override;
  void ApplyValueText(const String& text) override;
};

class TkvxTimeProperty : public TkvxPropertyEditor {
 public:
  using TkvxPropertyEditor::TkvxPropertyEditor;
  String ValueText() override;
  void ApplyValueText(const String& text) override;
};

// The text of a shortcut ("Ctrl+A", "Shift+F5", "Alt+BkSp"); '' for none.
String kvxShortCutToText(Word shortCut);

}  // namespace orv
