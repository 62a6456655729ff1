#pragma once
// What the prepared pages need to know of a report object's kind and of a picture view, asked
// through class names and published properties: the store works with every object class the
// model registers, including classes it was built without.
#include <string_view>

#include "platform/gui/Picture.h"
#include "report/model/KvxComponent.h"
#include "report/model/WideStrings.h"

namespace orv {

// The object's class or one of its ancestors is named className.
bool kvxIsKindOf(const TObject* obj, std::string_view className);
// obj as a T when its class is T or one of T's descendants, else nullptr. Asked for every object
// of every printed row: the class chain is a few pointer steps, where a failed dynamic_cast
// walks the whole C++ hierarchy comparing type names.
template <class T>
T* kvxAs(TObject* obj) {
  if (!obj) return nullptr;
  // The objects of a band come class by class: the answer for the last class asked about is
  // kept, per kind asked for.
  thread_local TClass lastClass = nullptr;
  thread_local bool lastIsKind = false;
  const TClass cls = obj->ClassType();
  if (cls != lastClass) {
    lastIsKind = cls->InheritsFrom(T::StaticClass());
    lastClass = cls;
  }
  return lastIsKind ? static_cast<T*>(obj) : nullptr;
}
// The picture a view publishes as "Picture"; nullptr for objects without one.
TPicture* kvxPictureOf(TkvxComponent* view);
Integer kvxImageIndexOf(TkvxComponent* view);
void kvxSetImageIndex(TkvxComponent* view, Integer index);
// The picture holds the graphic that bytes describe, its class told by the bytes' signature
// (PNG, JPEG, bitmap, icon, else a metafile). Damaged bytes leave the picture empty.
void kvxLoadPictureFromBytes(TPicture* picture, const String& bytes);
// The lines a memo view publishes as "Memo"; nullptr for objects without them.
TWideStrings* kvxMemoLinesOf(TkvxComponent* obj);
// A memo view ("Memo" published) forgets its DataSet and DataField.
void kvxForgetMemoData(TkvxComponent* obj);

}  // namespace orv
