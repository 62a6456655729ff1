#include "png/PNGObject.h"

#include <cstring>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/TypInfo.h"
#include "png/PngChunkIHDR.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TPNGObject, c) {}

namespace {

// Registered once at start-up, unless someone registered the class already.
const bool PngFormatRegistered = [] {
  if (!TPicture::IsGraphicClassRegistered(TPNGObject::StaticClass()))
    TPicture::RegisterFileFormat("png", "Portable Network Graphics", TPNGObject::StaticClass(),
                                 [] { return std::make_unique<TPNGObject>(); });
  return true;
}();

TRGBQuad Quad(TColor c) { return TRGBQuad{Byte(c >> 16), Byte(c >> 8), Byte(c), 0}; }

// The bitmap's pixels in the store's layout: palette formats as they are (4-bit pixels packed
// two to a byte), everything else as 24-bit.
TPngBitmap StoreFromBitmap(TBitmap& bitmap) {
  TPixelFormat format = bitmap.PixelFormat();
  TBitmap converted;
  TBitmap* source = &bitmap;
  if (format != pf1bit && format != pf4bit && format != pf8bit && format != pf24bit) {
    converted.Assign(&bitmap);
    converted.SetPixelFormat(pf24bit);
    source = &converted;
    format = pf24bit;
  }
  int bpp = format == pf1bit ? 1 : format == pf4bit ? 4 : format == pf8bit ? 8 : 24;
  TPngBitmap store;
  store.Create(source->Width(), source->Height(), bpp, false, false, false);
  std::vector<TColor> palette = source->Palette();
  for (size_t i = 0; i < palette.size() && i < 256; ++i) store.Palette()[i] = Quad(palette[i]);
  store.SetPaletteCount(int(std::min<size_t>(palette.size(), 256)));
  for (int y = 0; y < store.Height(); ++y) {
    const Byte* from = source->ScanLine(y);
    Byte* to = store.ScanLine(y);
    if (bpp == 4) {
      for (int x = 0; x < store.Width(); ++x) store.SetIndex(to, x, from[x]);
    } else {
      std::memcpy(to, from, std::min(store.BytesPerRow(), size_t(source->BytesPerLine())));
    }
  }
  return store;
}

}  // namespace

TPNGObject::TPNGObject() = default;

TPNGObject::~TPNGObject() = default;

void TPNGObject::Assign(TPersistent* source) {
  if (auto* png = dynamic_cast<TPNGObject*>(source)) {
    TPngImage::Assign(*png);
    Changed();
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    AssignHandle(*bitmap, bitmap->Transparent(), bitmap->TransparentColor());
  } else {
    TGraphic::Assign(source);
  }
}

void TPNGObject::AssignHandle(TBitmap& bitmap, bool transparent, TColor transparentColor) {
  AssignBitmap(StoreFromBitmap(bitmap), transparent, TPngColor(transparentColor) & 0xFFFFFF);
  Changed();
}

void TPNGObject::Draw(TCanvas& canvas, const TRect& r) {
  if (Empty() || r.Width() == 0 || r.Height() == 0) return;
  int width = TPngImage::Width(), height = TPngImage::Height();
  TBitmap image(width, height, pf32bit);
  std::vector<Cardinal> argb = RenderArgb();
  for (int y = 0; y < height; ++y)
    std::memcpy(image.ScanLine(y), argb.data() + size_t(y) * width, size_t(width) * 4);
  canvas.StretchDraw(r, image);
}

void TPNGObject::LoadFromStream(TStream& stream) {
  try {
    TPngImage::LoadFromStream(stream);
  } catch (...) {
    Changed();
    throw;
  }
  Changed();
}

void TPNGObject::SaveToStream(TStream& stream) { TPngImage::SaveToStream(stream); }

void TPNGObject::LoadFromClipboardFormat(const TClipboardData& data) {
  TBitmap bitmap;
  bitmap.LoadFromClipboardFormat(data);
  AssignHandle(bitmap, false, 0);
}

void TPNGObject::SaveToClipboardFormat(TClipboardData& data) {
  TBitmap bitmap;
  bitmap.Assign(this);
  bitmap.SaveToClipboardFormat(data);
}

void TPNGObject::SetWidth(int width) {
  Resize(width, TPngImage::Height());
  Changed();
}

void TPNGObject::SetHeight(int height) {
  Resize(TPngImage::Width(), height);
  Changed();
}

std::unique_ptr<TGraphic> TPNGObject::Clone() const {
  auto copy = std::make_unique<TPNGObject>();
  copy->TPngImage::Assign(*this);
  return copy;
}

}  // namespace orv
