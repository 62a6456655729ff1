#include "platform/gui/Bitmap.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <cstring>

#include "platform/gui/CanvasPaint.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/PictureBudget.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

QImage::Format QtFormat(TPixelFormat f) {
  switch (f) {
    case pf1bit: return QImage::Format_Mono;
    case pf4bit:
    case pf8bit: return QImage::Format_Indexed8;
    case pf15bit: return QImage::Format_RGB555;
    case pf16bit: return QImage::Format_RGB16;
    case pf24bit: return QImage::Format_BGR888;
    case pf32bit: return QImage::Format_ARGB32;
    default: return QImage::Format_RGB32;
  }
}

bool Indexed(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }

// The system palettes a new palette bitmap starts with: black and white, the 16 VGA colours,
// and for 8 bits the 16 colours followed by a grey ramp.
QList<QRgb> DefaultPalette(TPixelFormat f) {
  static const QRgb vga[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                               0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                               0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
  QList<QRgb> p;
  if (f == pf1bit) return {0xFF000000, 0xFFFFFFFF};
  for (QRgb c : vga) p.append(c);
  if (f == pf8bit)
    for (int i = 16; i < 256; ++i) {
      int g = (i - 16) * 255 / 239;
      p.append(qRgb(g, g, g));
    }
  return p;
}

QImage Converted(const QImage& image, TPixelFormat f, const QList<QRgb>& palette) {
  QImage::Format q = QtFormat(f);
  if (Indexed(f)) {
    QImage out = image.format() == q && image.colorTable() == palette
                     ? image
                     : image.convertToFormat(q, palette, Qt::ThresholdDither | Qt::AvoidDither);
    return out;
  }
  return image.format() == q ? image : image.convertToFormat(q);
}

}  // namespace

struct TBitmap::Impl {
  QImage image;
  // Palette bitmaps are drawn on through a 32-bit copy, folded back into the palette when the
  // pixels are read.
  QImage paintImage;
  bool paintStale = true;
  std::unique_ptr<TCanvas> canvas;
  // The size asked for while one side is still 0 (no image yet): setting Width and then
  // Height must give a bitmap of both.
  int emptyWidth = 0;
  int emptyHeight = 0;
  // The pixels live in blocks of Qt's own, outside operator new: what they take is charged to
  // the memory account of the run that made or changed them.
  TMemoryCharge pixels;
  void ChargePixels() noexcept { pixels.Set(static_cast<Int64>(image.sizeInBytes() + paintImage.sizeInBytes())); }
};

ORV_IMPLEMENT_CLASS(TBitmap, c) {}

TBitmap::TBitmap() : impl_(std::make_unique<Impl>()) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap() {
  pixelFormat_ = format;
  SetSize(width, height);
}

TBitmap::~TBitmap() {
  if (impl_->canvas) TCanvasAccess::Detach(*impl_->canvas);
}

QImage& TCanvasAccess::Image(TBitmap& bitmap) {
  TBitmap::Impl& d = *bitmap.impl_;
  if (d.canvas) {
    TCanvasAccess::EndPaint(*d.canvas);
    if (Indexed(bitmap.pixelFormat_) && !d.paintStale) {
      d.image = Converted(d.paintImage, bitmap.pixelFormat_, d.image.colorTable());
      d.paintStale = true;
    }
  }
  return d.image;
}

std::shared_ptr<TBitmap> BitmapFromImage(const QImage& image) {
  auto bitmap = std::make_shared<TBitmap>();
  TPixelFormat f = pf32bit;
  switch (image.format()) {
    case QImage::Format_Mono: f = pf1bit; break;
    case QImage::Format_Indexed8: f = pf8bit; break;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888: f = pf24bit; break;
    case QImage::Format_RGB32: f = pfDevice; break;
    case QImage::Format_RGB555: f = pf15bit; break;
    case QImage::Format_RGB16: f = pf16bit; break;
    default: break;
  }
  bitmap->SetPixelFormat(f);
  TCanvasAccess::Image(*bitmap) = Converted(image, f, image.colorTable());
  return bitmap;
}

TCanvas& TBitmap::Canvas() {
  if (!impl_->canvas) {
    impl_->canvas = std::make_unique<TCanvas>();
    Reformat(pixelFormat_);
  }
  return *impl_->canvas;
}

void TBitmap::Reformat(TPixelFormat format) {
  Impl& d = *impl_;
  if (!d.canvas) return;
  TCanvasAccess::EndPaint(*d.canvas);
  if (Indexed(format)) {
    TCanvasAccess::AttachDevice(*d.canvas, &d.paintImage, &d.paintImage);
    TCanvasAccess::SetPrepare(*d.canvas, [this] {
      Impl& i = *impl_;
      if (i.paintStale) {
        i.paintImage = i.image.convertToFormat(QImage::Format_RGB32);
        i.paintStale = false;
      }
    });
  } else {
    TCanvasAccess::AttachDevice(*d.canvas, &d.image, &d.image);
    TCanvasAccess::SetPrepare(*d.canvas, nullptr);
  }
}

void TBitmap::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBitmap*>(source)) {
    if (b == this) return;
    QImage copy = TCanvasAccess::Image(*b);
    TCanvasAccess::Image(*this);
    pixelFormat_ = b->pixelFormat_;
    impl_->image = copy;
    transparentColor_ = b->transparentColor_;
    Reformat(pixelFormat_);
    SetTransparent(b->Transparent());
    impl_->ChargePixels();
    Changed();
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(source)) {
    // Any other graphic is drawn onto a white bitmap of its size.
    SetPixelFormat(pf24bit);
    SetSize(g->Width(), g->Height());
    if (!g->Empty()) Canvas().StretchDraw({0, 0, g->Width(), g->Height()}, *g);
    impl_->ChargePixels();
    Changed();
    return;
  }
  if (!source) {
    TCanvasAccess::Image(*this);
    impl_->image = QImage();
    impl_->ChargePixels();
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::LoadFromClipboardFormat(const TClipboardData& data) {
  if (data.Format != CF_BITMAP) throw EInvalidGraphic("Unsupported clipboard format");
  if (!data.Bitmap || data.Bitmap->Empty()) throw EInvalidGraphic("The clipboard holds no picture");
  Assign(data.Bitmap.get());
}

void TBitmap::SaveToClipboardFormat(TClipboardData& data) {
  data.Format = CF_BITMAP;
  data.Bitmap = std::make_shared<TBitmap>();
  data.Bitmap->Assign(this);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) {
  if (Empty()) return;
  QImage image = TCanvasAccess::Image(*this);
  if (Transparent()) {
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    QRgb key = ToQColor(TransparentColor()).rgb() & 0xFFFFFF;
    for (int y = 0; y < masked.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
      for (int x = 0; x < masked.width(); ++x)
        if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
    }
    image = masked;
  }
  TCanvasAccess::DrawImage(canvas, r, BitmapFromImage(image));
}

void TBitmap::LoadFromStream(TStream& stream) {
  Int64 size = stream.Size() - stream.Position();
  if (size < 0) size = 0;
  QByteArray bytes(static_cast<qsizetype>(size), 0);
  if (size) stream.ReadBuffer(bytes.data(), size);
  if (bytes.size() < 30 || bytes[0] != 'B' || bytes[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid");
  QBuffer buffer(&bytes);
  LimitImageReaders();
  QImageReader reader(&buffer, "BMP");
  // The size the info header claims (a core header of 12 bytes has 16-bit sides; a negative
  // height means rows from the top).
  auto u8 = [&](int at) { return static_cast<std::uint32_t>(static_cast<Byte>(bytes[at])); };
  auto le32 = [&](int at) { return static_cast<std::int32_t>(u8(at) | u8(at + 1) << 8 | u8(at + 2) << 16 | u8(at + 3) << 24); };
  Int64 claimedWidth = le32(18), claimedHeight = le32(22);
  if (le32(14) == 12) {
    claimedWidth = u8(18) | u8(19) << 8;
    claimedHeight = u8(20) | u8(21) << 8;
  }
  CheckPictureBudget(claimedWidth, claimedHeight < 0 ? -claimedHeight : claimedHeight);
  QImage image = reader.read();
  if (image.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
  int bits = static_cast<Byte>(bytes[28]) | (static_cast<Byte>(bytes[29]) << 8);
  TPixelFormat f = bits == 1 ? pf1bit : bits == 4 ? pf4bit : bits == 8 ? pf8bit : bits == 16 ? pf16bit
                 : bits == 32 ? pf32bit : pf24bit;
  // A 32-bit file without alpha is opaque, whatever its fourth bytes hold.
  if (f == pf32bit && !image.hasAlphaChannel()) image = image.convertToFormat(QImage::Format_RGB32);
  TCanvasAccess::Image(*this);
  pixelFormat_ = f;
  impl_->image = Converted(image, f, image.colorTable());
  Reformat(f);
  impl_->ChargePixels();
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
  QImage image = TCanvasAccess::Image(*this);
  // Qt's writer knows 1, 8, 24 and 32 bits; the other forms are written as 24 bits.
  if (pixelFormat_ == pf4bit) image = image.convertToFormat(QImage::Format_Indexed8, image.colorTable());
  else if (pixelFormat_ == pf15bit || pixelFormat_ == pf16bit || pixelFormat_ == pf24bit || pixelFormat_ == pfDevice)
    image = image.convertToFormat(QImage::Format_RGB32);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "BMP")) throw EInvalidGraphic("Bitmap image is not valid");
  stream.WriteBuffer(bytes.constData(), bytes.size());
}

bool TBitmap::Empty() const { return impl_->image.isNull(); }
int TBitmap::Width() const { return impl_->image.isNull() ? impl_->emptyWidth : impl_->image.width(); }
int TBitmap::Height() const { return impl_->image.isNull() ? impl_->emptyHeight : impl_->image.height(); }
void TBitmap::SetWidth(int width) { SetSize(width, Height()); }
void TBitmap::SetHeight(int height) { SetSize(Width(), height); }

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  impl_->emptyWidth = width;
  impl_->emptyHeight = height;
  QImage& old = TCanvasAccess::Image(*this);
  if (!old.isNull() && width == old.width() && height == old.height()) return;
  QImage image;
  if (width > 0 && height > 0) {
    // Refused before Qt is asked for a block the run may not hold.
    const Int64 depth = QImage::toPixelFormat(QtFormat(pixelFormat_)).bitsPerPixel();
    CheckMemory((Int64{width} * depth + 31) / 32 * 4 * height - impl_->pixels.Bytes());
    image = QImage(width, height, QtFormat(pixelFormat_));
    if (image.isNull()) throw EOutOfMemory("Out of system resources");
    if (Indexed(pixelFormat_)) {
      QList<QRgb> palette = old.isNull() || old.colorTable().isEmpty() ? DefaultPalette(pixelFormat_) : old.colorTable();
      image.setColorTable(palette);
      int white = static_cast<int>(palette.indexOf(0xFFFFFFFF));
      image.fill(white >= 0 ? white : 0);
    } else {
      image.fill(Qt::white);
    }
    if (!old.isNull()) {
      int rows = std::min(height, old.height());
      if (old.format() == image.format()) {
        int bytes = std::min(image.bytesPerLine(), old.bytesPerLine());
        int used = static_cast<int>((static_cast<qint64>(std::min(width, old.width())) * image.depth() + 7) / 8);
        for (int y = 0; y < rows; ++y) std::memcpy(image.scanLine(y), old.constScanLine(y), std::min(bytes, used));
      }
    }
  }
  old = image;
  impl_->paintStale = true;
  impl_->ChargePixels();
  Changed();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto b = std::make_unique<TBitmap>();
  b->Assign(const_cast<TBitmap*>(this));
  return b;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pixelFormat_) return;
  QImage& image = TCanvasAccess::Image(*this);
  if (!image.isNull()) {
    QList<QRgb> palette = DefaultPalette(format);
    image = Converted(image, format, palette);
  }
  pixelFormat_ = format;
  impl_->paintStale = true;
  Reformat(format);
  impl_->ChargePixels();
  Changed();
}

Byte* TBitmap::ScanLine(int y) {
  QImage& image = TCanvasAccess::Image(*this);
  if (y < 0 || y >= image.height()) throw ERangeError("Scan line index out of range");
  impl_->paintStale = true;
  return image.scanLine(y);
}

int TBitmap::BytesPerLine() const { return static_cast<int>(impl_->image.bytesPerLine()); }

std::vector<TColor> TBitmap::Palette() const {
  std::vector<TColor> colors;
  for (QRgb c : impl_->image.colorTable()) colors.push_back(RGB(qRed(c), qGreen(c), qBlue(c)));
  return colors;
}

void TBitmap::SetPalette(const std::vector<TColor>& colors) {
  QImage& image = TCanvasAccess::Image(*this);
  if (!Indexed(pixelFormat_)) return;
  QList<QRgb> table;
  for (TColor c : colors) table.append(ToQColor(c).rgb());
  image.setColorTable(table);
  impl_->paintStale = true;
  impl_->ChargePixels();
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (transparentColor_ != clDefault || impl_->image.isNull()) return transparentColor_;
  const QImage& image = TCanvasAccess::Image(const_cast<TBitmap&>(*this));
  return FromQColor(image.pixelColor(0, image.height() - 1));
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparentColor_) return;
  transparentColor_ = color;
  impl_->ChargePixels();
  Changed();
}

}  // namespace orv
