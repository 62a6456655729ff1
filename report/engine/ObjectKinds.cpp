#include "report/engine/ObjectKinds.h"

#include <array>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Icon.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Metafile.h"
#include "platform/rtl/TypInfo.h"
#include "png/PNGObject.h"
#include "report/model/PropertyIndex.h"
#include "report/model/WideStrings.h"

namespace orv {

bool kvxIsKindOf(const TObject* obj, std::string_view className) {
  if (!obj) return false;
  for (TClass cls = obj->ClassType(); cls; cls = cls->ClassParent())
    if (cls->ClassName() == className) return true;
  return false;
}

namespace {

// A class's "Picture" property. Asked for every object of every page read back, of a few
// classes taking turns: the answers for the last classes asked about are remembered (classes
// live as long as the program).
const TPropInfo* PictureProp(TClass cls) {
  struct TKnown {
    TClass Class = nullptr;
    const TPropInfo* Prop = nullptr;
  };
  thread_local std::array<TKnown, 4> known{};
  thread_local size_t next = 0;
  for (const TKnown& k : known)
    if (k.Class == cls) return k.Prop;
  const TPropInfo* prop = kvxFindProp(cls, "Picture");
  known[next] = {cls, prop};
  next = (next + 1) % known.size();
  return prop;
}

}  // namespace

TPicture* kvxPictureOf(TkvxComponent* view) {
  const TPropInfo* prop = view ? PictureProp(view->ClassType()) : nullptr;
  if (!prop || prop->Kind() != tkClass) return nullptr;
  return dynamic_cast<TPicture*>(prop->GetObject(view));
}

Integer kvxImageIndexOf(TkvxComponent* view) {
  const TPropInfo* prop = kvxFindProp(view->ClassType(), "ImageIndex");
  return prop && prop->Kind() == tkInteger ? static_cast<Integer>(prop->GetOrd(view)) : 0;
}

void kvxSetImageIndex(TkvxComponent* view, Integer index) {
  const TPropInfo* prop = kvxFindProp(view->ClassType(), "ImageIndex");
  if (prop && prop->Kind() == tkInteger && prop->IsWritable()) prop->SetOrd(view, index);
}

namespace {

std::unique_ptr<TGraphic> GraphicFor(const String& bytes) {
  auto starts = [&](std::string_view sig) { return bytes.compare(0, sig.size(), sig) == 0; };
  if (starts("\x89PNG")) return std::make_unique<TPNGObject>();
  if (starts("\xFF\xD8")) return std::make_unique<TJPEGImage>();
  if (starts("BM")) return std::make_unique<TBitmap>();
  if (starts(std::string_view("\0\0\1\0", 4))) return std::make_unique<TIcon>();
  return std::make_unique<TMetafile>();
}

}  // namespace

void kvxLoadPictureFromBytes(TPicture* picture, const String& bytes) {
  std::unique_ptr<TGraphic> graphic = GraphicFor(bytes);
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
  try {
    graphic->LoadFromStream(stream);
  } catch (const Exception&) {
    // A damaged picture in a saved report shows as no picture rather than failing its page.
    picture->SetGraphic(static_cast<TGraphic*>(nullptr));
    return;
  }
  picture->SetGraphic(std::move(graphic));
}

TWideStrings* kvxMemoLinesOf(TkvxComponent* obj) {
  const TPropInfo* memo = kvxFindProp(obj->ClassType(), "Memo");
  return memo && memo->Kind() == tkClass ? dynamic_cast<TWideStrings*>(memo->GetObject(obj)) : nullptr;
}

void kvxForgetMemoData(TkvxComponent* obj) {
  if (!kvxMemoLinesOf(obj)) return;
  if (const TPropInfo* p = kvxFindProp(obj->ClassType(), "DataSet"); p && p->IsWritable()) {
    if (p->Kind() == tkClass) p->SetObject(obj, nullptr);
    else if (p->Kind() == tkString || p->Kind() == tkLString) p->SetStr(obj, "");
  }
  if (const TPropInfo* p = kvxFindProp(obj->ClassType(), "DataField"); p && p->IsWritable() &&
                                                                       (p->Kind() == tkString || p->Kind() == tkLString))
    p->SetStr(obj, "");
}

}  // namespace orv
