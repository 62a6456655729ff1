#include "controls/LumGDIPPicture.h"

#include "controls/ImageHeaderSize.h"

#include <cstring>

#include "platform/gui/Picture.h"
#include "png/PNGObject.h"

namespace orv {

namespace {

// A PNG larger than this is not rendered into pixels: the decoded picture would not fit memory.
constexpr long long kMaxPngPixels = 64LL * 1024 * 1024;

const Byte kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

bool IsPng(const std::vector<Byte>& b) {
  return b.size() >= 8 && std::memcmp(b.data(), kPngSignature, 8) == 0;
}

}  // namespace

TLumGDIPPicture::TLumGDIPPicture() = default;

void TLumGDIPPicture::SetBytes(std::vector<Byte> bytes) {
  bytes_ = std::move(bytes);
  empty_ = bytes_.empty();
}

void TLumGDIPPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetBytes({});
    width_ = height_ = 0;
    Changed();
    if (OnClear) OnClear(this);
    return;
  }
  TGraphic* graphic = dynamic_cast<TGraphic*>(Source);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) graphic = picture->Graphic();
  if (auto* other = dynamic_cast<TLumGDIPPicture*>(Source)) {
    if (other == this) return;
    SetBytes(other->bytes_);
  } else if (graphic || dynamic_cast<TPicture*>(Source)) {
    TMemoryStream stream;
    if (graphic && !graphic->Empty()) graphic->SaveToStream(stream);
    SetBytes(std::vector<Byte>(stream.Memory(), stream.Memory() + stream.Size()));
  } else {
    TGraphic::Assign(Source);
    return;
  }
  width_ = height_ = 0;
  ReadImageSize();
  Changed();
}

void TLumGDIPPicture::LoadFromFile(const String& FileName) {
  TMemoryStream stream;
  stream.LoadFromFile(FileName);
  SetBytes(std::vector<Byte>(stream.Memory(), stream.Memory() + stream.Size()));
  empty_ = false;
  if (OnClear) OnClear(this);
  TSize size = ImageFileHeaderSize(FileName, bytes_);
  width_ = size.cx;
  height_ = size.cy;
  Changed();
}

void TLumGDIPPicture::LoadFromStream(TStream& Stream) {
  Int64 left = Stream.Size() - Stream.Position();
  if (left <= 0) return;
  std::vector<Byte> bytes(static_cast<std::size_t>(left));
  bytes.resize(static_cast<std::size_t>(Stream.Read(bytes.data(), left)));
  if (bytes.empty()) return;
  SetBytes(std::move(bytes));
  ReadImageSize();
  Changed();
}

void TLumGDIPPicture::SaveToStream(TStream& Stream) {
  if (!bytes_.empty()) Stream.Write(bytes_.data(), static_cast<Int64>(bytes_.size()));
}

std::unique_ptr<TGPImage> TLumGDIPPicture::Decode() const {
  if (bytes_.empty()) return nullptr;
  if (IsPng(bytes_)) {
    try {
      TPNGObject png;
      TMemoryStream stream;
      stream.Write(bytes_.data(), static_cast<Int64>(bytes_.size()));
      stream.SetPosition(0);
      png.LoadFromStream(stream);
      if (png.Empty() || static_cast<long long>(png.Width()) * png.Height() > kMaxPngPixels) return nullptr;
      TPaintImage image;
      if (!image.SetPixels(png.Width(), png.Height(), png.RenderArgb())) return nullptr;
      return std::make_unique<TGPImage>(std::move(image), rfPNG);
    } catch (const std::exception&) {
      return nullptr;
    }
  }
  auto image = std::make_unique<TGPImage>(bytes_.data(), bytes_.size());
  if (image->GetLastStatus() != Ok) return nullptr;
  return image;
}

bool TLumGDIPPicture::ReadImageSize() {
  std::unique_ptr<TGPImage> image = Decode();
  if (!image) return false;
  width_ = static_cast<int>(image->GetWidth());
  height_ = static_cast<int>(image->GetHeight());
  return true;
}

void TLumGDIPPicture::Draw(TCanvas& Canvas, const TRect& R) {
  TGPGraphics graphics(Canvas);
  GDIPDraw(graphics, MakeRect(float(R.Left), float(R.Top), float(R.Right - R.Left), float(R.Bottom - R.Top)));
}

void TLumGDIPPicture::GDIPDraw(TGPGraphics& Graphics, const TGPRectF& Rect) {
  std::unique_ptr<TGPImage> image = Decode();
  if (!image) return;
  width_ = static_cast<int>(image->GetWidth());
  height_ = static_cast<int>(image->GetHeight());
  if (image->GetRawFormat() == rfBMP && Transparent()) {
    TGPImageAttributes attributes;
    ARGB key = image->Image().Pixel(0, 0);
    attributes.SetColorKey(key, key);
    Graphics.DrawImage(*image, MakeRect(Rect.X, Rect.Y, float(width_), float(height_)), attributes);
  } else {
    Graphics.DrawImage(*image, Rect);
  }
}

std::unique_ptr<TGPTextureBrush> TLumGDIPPicture::CreateTextureBrush() const {
  std::unique_ptr<TGPImage> image = Decode();
  if (!image) return nullptr;
  return std::make_unique<TGPTextureBrush>(*image);
}

std::unique_ptr<TGraphic> TLumGDIPPicture::Clone() const {
  auto copy = std::make_unique<TLumGDIPPicture>();
  copy->bytes_ = bytes_;
  copy->empty_ = empty_;
  copy->width_ = width_;
  copy->height_ = height_;
  copy->SetTransparent(Transparent());
  return copy;
}

ORV_IMPLEMENT_CLASS(TLumGDIPPicture, c) {}

}  // namespace orv
