#pragma once
// The three process-wide registries of the report library: report object classes (with their
// toolbar image and the kinds of page they stand on), property editors (which editor edits which
// property), and export filters (every export component that exists, in creation order).
#include "platform/gui/Bitmap.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

class TkvxCustomExportFilter;

// Categories: 1 data-page objects, 2 report-page objects, 4 dialog-page objects, 8 dot-matrix.
class TkvxObjectItem : public TCollectionItem {
  ORV_CLASS(TkvxObjectItem, TCollectionItem)

 public:
  explicit TkvxObjectItem(TCollection* collection) : TCollectionItem(collection) {}
  TClass ClassRef = nullptr;
  std::unique_ptr<TBitmap> ButtonBitmap;
  Integer ImageIndex = -1;
  String ButtonHint;
  String CategoryName;
  Word ButtonGroup = 0;
  Word Category = 0;
};

class TkvxObjectCollection : public TCollection {
  ORV_CLASS(TkvxObjectCollection, TCollection)

 public:
  TkvxObjectCollection() : TCollection(TkvxObjectItem::StaticClass()) {}
  // Nothing when the class is listed with the same group; otherwise the class is registered for
  // reading by name and listed. A zero category is filled in from the class.
  void Register(TClass classRef, std::unique_ptr<TBitmap> buttonBitmap, const String& text1,
                const String& text2, Word group = 0, Integer imageIndex = -1, Word category = 0);
  void Unregister(TClass classRef);
  TkvxObjectItem* GetItem(Integer index) const { return static_cast<TkvxObjectItem*>(Items(index)); }
};

class TkvxPropertyEditor;
using TkvxPropertyEditorClass = TkvxPropertyEditor* (*)(TObject* designer);

class TkvxPropertyEditorItem : public TCollectionItem {
  ORV_CLASS(TkvxPropertyEditorItem, TCollectionItem)

 public:
  explicit TkvxPropertyEditorItem(TCollection* collection) : TCollectionItem(collection) {}
  const TTypeInfo* PropertyType = nullptr;
  // nullptr: any class; '': any name.
  TClass ComponentClass = nullptr;
  String PropertyName;
  TkvxPropertyEditorClass EditorClass = nullptr;
};

class TkvxPropertyEditorCollection : public TCollection {
  ORV_CLASS(TkvxPropertyEditorCollection, TCollection)

 public:
  TkvxPropertyEditorCollection() : TCollection(TkvxPropertyEditorItem::StaticClass()) {}
  void Register(const TTypeInfo* propertyType, TClass componentClass, const String& propertyName,
                TkvxPropertyEditorClass editorClass);
  TkvxPropertyEditorItem* GetItem(Integer index) const { return static_cast<TkvxPropertyEditorItem*>(Items(index)); }
  Integer EventsEditorIndex = -1;
};

class TkvxExportFilterItem : public TCollectionItem {
  ORV_CLASS(TkvxExportFilterItem, TCollectionItem)

 public:
  explicit TkvxExportFilterItem(TCollection* collection) : TCollectionItem(collection) {}
  // Not owned.
  TkvxCustomExportFilter* Filter = nullptr;
};

class TkvxExportFilterCollection : public TCollection {
  ORV_CLASS(TkvxExportFilterCollection, TCollection)

 public:
  TkvxExportFilterCollection() : TCollection(TkvxExportFilterItem::StaticClass()) {}
  // A nil filter or one already listed is ignored.
  void Register(TkvxCustomExportFilter* filter);
  void Unregister(TkvxCustomExportFilter* filter);
  TkvxExportFilterItem* GetItem(Integer index) const { return static_cast<TkvxExportFilterItem*>(Items(index)); }
};

TkvxObjectCollection* kvxGetObjects();
// Filled with the standard property editors on first use.
TkvxPropertyEditorCollection* kvxGetPropertyEditors();
TkvxExportFilterCollection* kvxGetExportFilters();

}  // namespace orv
