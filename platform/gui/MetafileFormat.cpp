#include "platform/gui/MetafileFormat.h"

#include <algorithm>

#include <QImage>
#include <cstring>

#include "platform/gui/CanvasPaint.h"
#include "platform/gui/PictureBudget.h"

namespace orv {

// Layout: a 108-byte header (record type 1 and size 108 first, our signature, size and
// resolution, and " EMF" at offset 40 where picture loaders look for a metafile), then the
// records, every number little-endian.
namespace {

constexpr Cardinal kSignature = 0x464D4520;  // " EMF"
constexpr int kHeaderSize = 108;
constexpr char kMagic[16] = "ORVANE METAFILE";
constexpr Cardinal kVersion = 1;
constexpr Integer kMaxDetail = 64;

class Writer {
 public:
  void U8(int v) { bytes_.push_back(static_cast<Byte>(v)); }
  void I32(Int64 v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<Byte>(u >> (8 * i)));
  }
  void Raw(const void* data, size_t n) {
    auto* p = static_cast<const Byte*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
  }
  void Rect(const TRect& r) { I32(r.Left); I32(r.Top); I32(r.Right); I32(r.Bottom); }
  std::vector<Byte>& Bytes() { return bytes_; }

 private:
  std::vector<Byte> bytes_;
};

class Reader {
 public:
  Reader(const Byte* data, size_t size) : data_(data), size_(size) {}
  [[noreturn]] static void Bad() { throw EInvalidGraphic("Metafile is not valid"); }
  void Need(size_t n) const {
    if (n > size_ - pos_) Bad();
  }
  int U8() {
    Need(1);
    return data_[pos_++];
  }
  Integer I32() {
    Need(4);
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return static_cast<Integer>(u);
  }
  // A count of items of itemSize bytes that must all be present.
  size_t Count(size_t itemSize) {
    Integer n = I32();
    if (n < 0) Bad();
    Need(static_cast<size_t>(n) * itemSize);
    return static_cast<size_t>(n);
  }
  const Byte* Take(size_t n) {
    Need(n);
    const Byte* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  // A coordinate, length or width of the drawing. A file may state any 32-bit number; within
  // these bounds the sums and differences of drawing stay integers.
  Integer Coord() { return std::clamp<Integer>(I32(), -kMaxCoordinate, kMaxCoordinate); }
  TRect Rect() {
    TRect r;
    r.Left = Coord(); r.Top = Coord(); r.Right = Coord(); r.Bottom = Coord();
    return r;
  }
  static constexpr Integer kMaxCoordinate = 1 << 24;
  template <class E>
  E Enum(int last) {
    int v = U8();
    if (v > last) Bad();
    return static_cast<E>(v);
  }
  size_t Pos() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos; }

 private:
  const Byte* data_;
  size_t size_;
  size_t pos_ = 0;
};

// The widest pen and dash a file may state, in device pixels.
constexpr Integer kMaxPenWidth = 1 << 16;

void WriteRecord(Writer& w, const TCanvasRecord& r) {
  w.U8(r.Kind);
  w.I32(static_cast<Int64>(r.Points.size()));
  for (const TPoint& p : r.Points) { w.I32(p.X); w.I32(p.Y); }
  w.Rect(r.Rect);
  w.I32(r.Corner.cx);
  w.I32(r.Corner.cy);
  w.I32(r.Pen.Color);
  w.I32(r.Pen.Width);
  w.U8(r.Pen.Style);
  w.U8(r.Pen.Mode);
  w.U8(r.Pen.EndCap);
  w.I32(static_cast<Int64>(r.Pen.DashPattern.size()));
  for (int d : r.Pen.DashPattern) w.I32(d);
  w.I32(r.Brush.Color);
  w.U8(r.Brush.Style);
  w.I32(static_cast<Int64>(r.Font.Name.size()));
  w.Raw(r.Font.Name.data(), r.Font.Name.size());
  w.I32(r.Font.Height);
  w.U8(static_cast<int>(r.Font.Style.Mask()));
  w.I32(r.Font.Color);
  w.U8(r.Font.Charset);
  w.U8(r.Font.Pitch);
  w.I32(r.Font.Orientation);
  w.I32(static_cast<Int64>(r.Text.size()));
  for (char16_t c : r.Text) { w.U8(c & 0xFF); w.U8(c >> 8); }
  w.I32(static_cast<Int64>(r.Advances.size()));
  for (int a : r.Advances) w.I32(a);
  w.I32(r.Options);
  w.I32(r.Color);
  w.Rect(r.Bounds);
  if (r.Image && !r.Image->Empty()) {
    // Raw 32-bit pixels with alpha, so transparency survives exactly.
    QImage image = TCanvasAccess::Image(const_cast<TBitmap&>(*r.Image)).convertToFormat(QImage::Format_ARGB32);
    w.U8(1);
    w.I32(image.width());
    w.I32(image.height());
    for (int y = 0; y < image.height(); ++y) w.Raw(image.constScanLine(y), static_cast<size_t>(image.width()) * 4);
  } else {
    w.U8(0);
  }
}

TCanvasRecord ReadRecord(Reader& rd) {
  TCanvasRecord r;
  r.Kind = rd.Enum<TCanvasRecordKind>(crResetClip);
  size_t n = rd.Count(8);
  r.Points.resize(n);
  for (TPoint& p : r.Points) { p.X = rd.Coord(); p.Y = rd.Coord(); }
  size_t needPoints = r.Kind == crLine || r.Kind == crArc || r.Kind == crPie || r.Kind == crChord ? 2
                    : r.Kind == crText || r.Kind == crPixel || r.Kind == crPolygon || r.Kind == crPolyline ? 1 : 0;
  if (n < needPoints) Reader::Bad();
  r.Rect = rd.Rect();
  r.Corner.cx = rd.Coord();
  r.Corner.cy = rd.Coord();
  r.Pen.Color = rd.I32();
  r.Pen.Width = std::clamp<Integer>(rd.I32(), 0, kMaxPenWidth);
  r.Pen.Style = rd.Enum<TPenStyle>(psInsideFrame);
  r.Pen.Mode = rd.Enum<TPenMode>(pmNotXor);
  r.Pen.EndCap = rd.Enum<TPenEndCap>(pecFlat);
  r.Pen.DashPattern.resize(rd.Count(4));
  for (int& d : r.Pen.DashPattern) d = std::clamp<Integer>(rd.I32(), 0, kMaxPenWidth);
  r.Brush.Color = rd.I32();
  r.Brush.Style = rd.Enum<TBrushStyle>(bsDiagCross);
  size_t nameLength = rd.Count(1);
  const Byte* name = rd.Take(nameLength);
  r.Font.Name.assign(reinterpret_cast<const char*>(name), nameLength);
  // A hostile file must not make the replay measure a font of any size it names.
  r.Font.Height = std::clamp<int>(rd.I32(), -MaxFontHeight, MaxFontHeight);
  r.Font.Style = TFontStyles::FromMask(static_cast<std::uint32_t>(rd.U8() & 0x0F));
  r.Font.Color = rd.I32();
  r.Font.Charset = static_cast<TFontCharset>(rd.U8());
  r.Font.Pitch = rd.Enum<TFontPitch>(fpFixed);
  r.Font.Orientation = rd.I32() % 3600;
  size_t textLength = rd.Count(2);
  r.Text.resize(textLength);
  for (char16_t& c : r.Text) {
    int lo = rd.U8();
    c = static_cast<char16_t>(lo | (rd.U8() << 8));
  }
  r.Advances.resize(rd.Count(4));
  for (int& a : r.Advances) a = rd.Coord();
  r.Options = rd.I32();
  r.Color = rd.I32();
  r.Bounds = rd.Rect();
  if (rd.U8()) {
    Integer w = rd.I32(), h = rd.I32();
    if (!PictureFitsBudget(w, h)) Reader::Bad();
    rd.Need(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull()) Reader::Bad();
    for (int y = 0; y < h; ++y) std::memcpy(image.scanLine(y), rd.Take(static_cast<size_t>(w) * 4), static_cast<size_t>(w) * 4);
    r.Image = BitmapFromImage(image);
  }
  if (r.Kind == crImage && !r.Image) Reader::Bad();
  return r;
}

}  // namespace

void WriteMetafile(TStream& stream, const TMetafileContent& content) {
  Writer w;
  w.I32(1);
  w.I32(kHeaderSize);
  w.Raw(kMagic, sizeof kMagic);
  w.I32(kVersion);
  w.I32(content.Width);
  w.I32(content.Height);
  w.I32(content.PixelsPerInch);
  w.I32(kSignature);
  w.I32(static_cast<Int64>(content.Records.size()));
  w.I32(content.Detail);
  while (w.Bytes().size() < kHeaderSize) w.U8(0);
  for (const TCanvasRecord& r : content.Records) WriteRecord(w, r);
  stream.WriteBuffer(w.Bytes().data(), static_cast<Int64>(w.Bytes().size()));
}

TMetafileContent ReadMetafile(TStream& stream) {
  Int64 size = stream.Size() - stream.Position();
  if (size < kHeaderSize) Reader::Bad();
  std::vector<Byte> bytes(static_cast<size_t>(size));
  stream.ReadBuffer(bytes.data(), size);
  Reader rd(bytes.data(), bytes.size());
  if (rd.I32() != 1 || rd.I32() != kHeaderSize) Reader::Bad();
  if (std::memcmp(rd.Take(sizeof kMagic), kMagic, sizeof kMagic) != 0) Reader::Bad();
  if (static_cast<Cardinal>(rd.I32()) != kVersion) Reader::Bad();
  TMetafileContent content;
  content.Width = rd.Coord();
  content.Height = rd.Coord();
  content.PixelsPerInch = rd.I32();
  if (static_cast<Cardinal>(rd.I32()) != kSignature) Reader::Bad();
  Integer count = rd.I32();
  // Files from before the detail was kept hold 0 there.
  content.Detail = std::max<Integer>(1, rd.I32());
  if (content.Detail > kMaxDetail) Reader::Bad();
  if (count < 0 || content.Width < 0 || content.Height < 0 || content.PixelsPerInch <= 0) Reader::Bad();
  rd.Seek(kHeaderSize);
  for (Integer i = 0; i < count; ++i) content.Records.push_back(ReadRecord(rd));
  return content;
}

}  // namespace orv
