#include "report/model/Registries.h"

#include <memory>

#include "platform/gui/Graphics.h"
#include "platform/rtl/ClassRegistry.h"
#include "report/model/DataSets.h"
#include "report/model/Interfaces.h"
#include "report/model/PropertyEditors.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxObjectItem, c) {}
ORV_IMPLEMENT_CLASS(TkvxObjectCollection, c) {}
ORV_IMPLEMENT_CLASS(TkvxPropertyEditorItem, c) {}
ORV_IMPLEMENT_CLASS(TkvxPropertyEditorCollection, c) {}
ORV_IMPLEMENT_CLASS(TkvxExportFilterItem, c) {}
ORV_IMPLEMENT_CLASS(TkvxExportFilterCollection, c) {}

void TkvxObjectCollection::Register(TClass classRef, std::unique_ptr<TBitmap> buttonBitmap, const String& text1,
                                    const String& text2, Word group, Integer imageIndex, Word category) {
  for (Integer i = 0; i < Count(); ++i)
    if (GetItem(i)->ClassRef == classRef && GetItem(i)->ButtonGroup == group) return;
  RegisterClass(classRef);
  auto* item = static_cast<TkvxObjectItem*>(Add());
  item->ClassRef = classRef;
  item->ButtonBitmap = std::move(buttonBitmap);
  item->ImageIndex = imageIndex;
  item->ButtonHint = text1;
  item->CategoryName = text2;
  item->ButtonGroup = group;
  if (category == 0) {
    if (classRef->InheritsFrom(TkvxDataSet::StaticClass()) || classRef->InheritsFrom(TkvxCustomDatabase::StaticClass()))
      category = 1;
    else if (classRef->InheritsFrom(TkvxDialogComponent::StaticClass()) ||
             (GetClass("TkvxDialogControl") && classRef->InheritsFrom(GetClass("TkvxDialogControl"))))
      category = 4;
    else
      category = 2;
  }
  item->Category = category;
}

void TkvxObjectCollection::Unregister(TClass classRef) {
  for (Integer i = Count() - 1; i >= 0; --i)
    if (GetItem(i)->ClassRef == classRef) Delete(i);
}

void TkvxPropertyEditorCollection::Register(const TTypeInfo* propertyType, TClass componentClass,
                                            const String& propertyName, TkvxPropertyEditorClass editorClass) {
  auto* item = static_cast<TkvxPropertyEditorItem*>(Add());
  item->PropertyType = propertyType;
  item->ComponentClass = componentClass;
  item->PropertyName = propertyName;
  item->EditorClass = editorClass;
}

void TkvxExportFilterCollection::Register(TkvxCustomExportFilter* filter) {
  if (!filter) return;
  for (Integer i = 0; i < Count(); ++i)
    if (GetItem(i)->Filter == filter) return;
  static_cast<TkvxExportFilterItem*>(Add())->Filter = filter;
}

void TkvxExportFilterCollection::Unregister(TkvxCustomExportFilter* filter) {
  for (Integer i = Count() - 1; i >= 0; --i)
    if (GetItem(i)->Filter == filter) Delete(i);
}

TkvxObjectCollection* kvxGetObjects() {
  static auto objects = std::make_unique<TkvxObjectCollection>();
  return objects.get();
}

namespace {

template <class E>
TkvxPropertyEditor* Make(TObject* designer) {
  return new E(designer);
}

// The named value types of the class library, as the registry tells them apart.
const TTypeInfo* Named(TTypeKind kind, const char* name) {
  static std::vector<std::unique_ptr<TTypeInfo>> types;
  types.push_back(std::make_unique<TTypeInfo>(kind, name));
  return types.back().get();
}

}  // namespace

TkvxPropertyEditorCollection* kvxGetPropertyEditors() {
  static auto editors = [] {
    auto e = std::make_unique<TkvxPropertyEditorCollection>();
    TClass font = TFont::StaticClass();
    e->Register(Named(tkLString, "TComponentName"), nullptr, "Name", &Make<TkvxNameProperty>);
    e->Register(Named(tkInteger, "TColor"), nullptr, "", &Make<TkvxColorProperty>);
    e->Register(TypeInfoOf<TFont*>(), nullptr, "", &Make<TkvxFontProperty>);
    e->Register(TypeInfoOf<String>(), font, "Name", &Make<TkvxFontNameProperty>);
    e->Register(TypeInfoOf<Integer>(), font, "Charset", &Make<TkvxFontCharsetProperty>);
    e->Register(Named(tkInteger, "TModalResult"), nullptr, "", &Make<TkvxModalResultProperty>);
    e->Register(Named(tkInteger, "TShortCut"), nullptr, "", &Make<TkvxShortCutProperty>);
    e->Register(Named(tkInteger, "TCursor"), nullptr, "", &Make<TkvxCursorProperty>);
    e->Register(Named(tkFloat, "TDateTime"), nullptr, "", &Make<TkvxDateTimeProperty>);
    e->Register(Named(tkFloat, "TDate"), nullptr, "", &Make<TkvxDateProperty>);
    e->Register(Named(tkFloat, "TTime"), nullptr, "", &Make<TkvxTimeProperty>);
    return e;
  }();
  return editors.get();
}

TkvxExportFilterCollection* kvxGetExportFilters() {
  static auto filters = std::make_unique<TkvxExportFilterCollection>();
  return filters.get();
}

}  // namespace orv
