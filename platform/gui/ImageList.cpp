#include "platform/gui/ImageList.h"

#include <QImage>
#include <QPainter>

#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/CanvasPaint.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/QtBridge.h"

namespace orv {

struct TImageList::Impl {
  std::vector<QImage> images;  // ARGB32, Width x Height each
  // The controls that show the images, each told when they change.
  std::vector<std::pair<const void*, std::function<void()>>> listeners;
};

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner), impl_(std::make_unique<Impl>()) {}

TImageList::~TImageList() = default;

void TImageList::SetWidth(int Value) {
  if (Value == width_ || Value <= 0) return;
  width_ = Value;
  Clear();
}

void TImageList::SetHeight(int Value) {
  if (Value == height_ || Value <= 0) return;
  height_ = Value;
  Clear();
}

int TImageList::Count() const { return static_cast<int>(impl_->images.size()); }

int TImageList::Add(TBitmap* Image) { return AddTiles(Image, false, clNone); }

int TImageList::AddMasked(TBitmap* Image, TColor MaskColor) { return AddTiles(Image, true, MaskColor); }

int TImageList::AddTiles(TBitmap* Image, bool masked, TColor maskColor) {
  if (!Image || Image->Empty()) return -1;
  QImage source = BitmapImage(*Image).convertToFormat(QImage::Format_ARGB32);
  if (source.height() != height_)
    source = source.scaled(std::max(1, source.width() * height_ / source.height()), height_);
  if (masked) {
    if (maskColor == clDefault) maskColor = FromQColor(source.pixelColor(0, source.height() - 1));
    QRgb key = ToQColor(maskColor).rgb() & 0xFFFFFF;
    for (int y = 0; y < source.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
      for (int x = 0; x < source.width(); ++x)
        if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
    }
  }
  int first = Count();
  int tiles = std::max(1, source.width() / width_);
  for (int i = 0; i < tiles; ++i) {
    QImage tile(width_, height_, QImage::Format_ARGB32);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.drawImage(0, 0, source, i * width_, 0, width_, height_);
    painter.end();
    impl_->images.push_back(std::move(tile));
  }
  Changed();
  return first;
}

void TImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  impl_->images.erase(impl_->images.begin() + Index);
  Changed();
}

void TImageList::Clear() {
  impl_->images.clear();
  Changed();
}

void TImageList::GetBitmap(int Index, TBitmap* Image) const {
  if (Index < 0 || Index >= Count() || !Image) return;
  QImage flat(width_, height_, QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, impl_->images[Index]);
  painter.end();
  Image->Assign(BitmapFromImage(flat).get());
}

void TImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) const {
  if (!Canvas || Index < 0 || Index >= Count()) return;
  QImage image = impl_->images[Index];
  if (!Enabled) {
    // Grey at half strength, as a disabled command's picture looks.
    for (int y = 0; y < image.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        int g = qGray(row[x]);
        row[x] = qRgba(g, g, g, qAlpha(row[x]) / 2);
      }
    }
  }
  TCanvasAccess::DrawImage(*Canvas, {X, Y, X + width_, Y + height_}, BitmapFromImage(image));
}

void TImageList::Changed() {
  if (OnChange) OnChange(this);
  // A listener may stop listening while it is told.
  auto listeners = impl_->listeners;
  for (auto& listener : listeners) listener.second();
}

QPixmap ImageListAccess::Pixmap(const TImageList* list, int index) {
  if (!list || index < 0 || index >= list->Count()) return {};
  return QPixmap::fromImage(list->impl_->images[index]);
}

void ImageListAccess::Listen(TImageList* list, const void* client, std::function<void()> listener) {
  list->impl_->listeners.emplace_back(client, std::move(listener));
}

void ImageListAccess::Unlisten(TImageList* list, const void* client) {
  auto& l = list->impl_->listeners;
  std::erase_if(l, [client](const auto& entry) { return entry.first == client; });
}

bool ImageListAccess::Switch(TComponent* client, TImageList*& field, TImageList* list,
                             std::function<void()> listener) {
  if (field == list) return false;
  if (field) {
    Unlisten(field, client);
    field->RemoveFreeNotification(client);
  }
  field = list;
  if (list) {
    list->FreeNotification(client);
    Listen(list, client, std::move(listener));
  }
  return true;
}

ORV_IMPLEMENT_CLASS(TImageList, c) {
  c.Prop("Width", &TImageList::Width, &TImageList::SetWidth).Default(16);
  c.Prop("Height", &TImageList::Height, &TImageList::SetHeight).Default(16);
  c.Prop("Count", &TImageList::Count);
  c.Event("OnChange", &TImageList::OnChange);
}

}  // namespace orv
