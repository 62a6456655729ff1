#include "platform/gui/Icon.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdint>

#include "platform/gui/CanvasPaint.h"
#include "platform/gui/PictureBudget.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TIcon, c) {}

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Assign(TPersistent* source) {
  if (auto* i = dynamic_cast<TIcon*>(source)) {
    if (i == this) return;
    data_ = i->data_;
    image_.reset();
    if (i->image_) {
      image_ = std::make_unique<TBitmap>();
      image_->Assign(i->image_.get());
    }
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::Draw(TCanvas& canvas, const TRect& r) {
  if (image_) image_->Draw(canvas, r);
}

namespace {

std::uint32_t LE32(const std::vector<Byte>& d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}
std::uint32_t BE32(const std::vector<Byte>& d, size_t at) {
  return static_cast<std::uint32_t>(d[at]) << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3];
}

// The size an image of the icon claims: its PNG header's, else its bitmap header's (which
// counts the mask's rows too), else the directory's bytes (0 meaning 256).
struct IconEntry {
  int Index = -1;
  Int64 Width = 0;
  Int64 Height = 0;
  int Bits = 0;
};

IconEntry ReadEntry(const std::vector<Byte>& d, int index) {
  size_t at = 6 + 16 * static_cast<size_t>(index);
  IconEntry e;
  e.Index = index;
  e.Width = d[at] ? d[at] : 256;
  e.Height = d[at + 1] ? d[at + 1] : 256;
  e.Bits = d[at + 6] | d[at + 7] << 8;
  size_t offset = LE32(d, at + 12);
  static const Byte kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (offset < d.size() && d.size() - offset >= 24 && std::equal(kPng, kPng + 8, d.begin() + static_cast<long>(offset))) {
    e.Width = BE32(d, offset + 16);
    e.Height = BE32(d, offset + 20);
  } else if (offset < d.size() && d.size() - offset >= 12) {
    e.Width = static_cast<std::int32_t>(LE32(d, offset + 4));
    e.Height = static_cast<std::int32_t>(LE32(d, offset + 8)) / 2;
    if (e.Height < 0) e.Height = -e.Height;
  }
  return e;
}

}  // namespace

void TIcon::LoadFromStream(TStream& stream) {
  Int64 size = stream.Size() - stream.Position();
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(0, size)));
  if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<Int64>(data.size()));
  // An icon directory: reserved 0, type 1, at least one entry.
  if (data.size() < 6 + 16 || data[0] || data[1] || data[2] != 1 || data[3] || (data[4] | data[5]) == 0)
    throw EInvalidGraphic("Icon image is not valid");
  // The largest image is chosen from the directory and only that one decoded: a directory of
  // thousands of entries must not decode thousands of images.
  int entries = std::min({data[4] | data[5] << 8, kMaxIconImages, static_cast<int>((data.size() - 6) / 16)});
  IconEntry best;
  for (int i = 0; i < entries; ++i) {
    IconEntry e = ReadEntry(data, i);
    if (e.Width <= 0 || e.Height <= 0) continue;
    // Sides past the budget are refused anyway; kept below it their product cannot overflow.
    e.Width = std::min(e.Width, kMaxPicturePixels + 1);
    e.Height = std::min(e.Height, kMaxPicturePixels + 1);
    if (best.Index < 0 || e.Width * e.Height > best.Width * best.Height ||
        (e.Width * e.Height == best.Width * best.Height && e.Bits > best.Bits))
      best = e;
  }
  if (best.Index < 0) throw EInvalidGraphic("Icon image is not valid");
  CheckPictureBudget(best.Width, best.Height);
  QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  LimitImageReaders();
  QImageReader reader(&buffer, "ICO");
  QImage image;
  if (best.Index == 0 || reader.jumpToImage(best.Index)) image = reader.read();
  if (image.isNull()) throw EInvalidGraphic("Icon image is not valid");
  CheckPictureBudget(image.width(), image.height());
  image_ = std::make_unique<TBitmap>();
  image_->Assign(BitmapFromImage(image.convertToFormat(QImage::Format_ARGB32)).get());
  data_ = std::move(data);
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<Int64>(data_.size()));
}

bool TIcon::Empty() const { return !image_; }
int TIcon::Width() const { return image_ ? image_->Width() : 0; }
int TIcon::Height() const { return image_ ? image_->Height() : 0; }
void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto i = std::make_unique<TIcon>();
  i->Assign(const_cast<TIcon*>(this));
  return i;
}

}  // namespace orv
