#include "platform/gui/Icon.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "platform/gui/CanvasPaint.h"

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

void TIcon::LoadFromStream(TStream& stream) {
  Int64 size = stream.Size() - stream.Position();
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(0, size)));
  if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<Int64>(data.size()));
  // An icon directory: reserved 0, type 1, at least one entry.
  if (data.size() < 6 + 16 || data[0] || data[1] || data[2] != 1 || data[3] || (data[4] | data[5]) == 0)
    throw EInvalidGraphic("Icon image is not valid");
  QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer, "ICO");
  QImage best;
  int count = std::max(1, reader.imageCount());
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    QImage image = reader.read();
    if (!image.isNull() && image.width() * image.height() > best.width() * best.height()) best = image;
  }
  if (best.isNull()) throw EInvalidGraphic("Icon image is not valid");
  image_ = std::make_unique<TBitmap>();
  image_->Assign(BitmapFromImage(best.convertToFormat(QImage::Format_ARGB32)).get());
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
