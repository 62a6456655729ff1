// The report library's button pictures: the program carries them as gzip-packed bitmaps of
// 16 x 16 tiles (drawn by report/model/tools/ButtonImages.cpp), unpacked on first use.
#include "platform/gui/Bitmap.h"
#include "platform/gui/ImageList.h"
#include "platform/rtl/ResourceStream.h"
#include "png/KvxCompression.h"
#include "report/model/ImageUtils.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

TImageList* Unpacked(TImageList& list, const char* resource) {
  if (list.Count() > 0) return &list;
  TResourceStream packed(resource);
  TMemoryStream unpacked;
  String name;
  kvxDecompressStream(packed, unpacked, name);
  unpacked.SetPosition(0);
  TBitmap bitmap;
  bitmap.LoadFromStream(unpacked);
  kvxAssignImages(bitmap, 16, 16, list);
  return &list;
}

}  // namespace

TImageList* TkvxResources::GetPreviewButtonImages() { return Unpacked(*images16_[0], "PreviewButtons"); }

TImageList* TkvxResources::GetObjectButtonImages() { return Unpacked(*images16_[1], "ObjectButtons"); }

}  // namespace orv
