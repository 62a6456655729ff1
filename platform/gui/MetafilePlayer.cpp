#include "platform/gui/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfSignature = 0x464D4520u;
// Larger files are not pictures a report holds; the sizes below bound what one record draws.
constexpr Int64 kMaxFileSize = 64 << 20;
constexpr size_t kMaxPoints = 1 << 20;
constexpr size_t kMaxRecords = 1 << 20;
constexpr size_t kMaxTextLength = 1 << 16;
constexpr int kMaxPictureSide = 20000;

[[noreturn]] void Bad() { throw EInvalidGraphic("Metafile is not valid"); }

std::uint32_t U32(const Byte* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t U16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// One record's parameters, read with bounds checks.
class Params {
 public:
  Params(const Byte* data, size_t size) : data_(data), size_(size) {}
  size_t Size() const { return size_; }
  std::int32_t I32(size_t at) const {
    if (at + 4 > size_) Bad();
    return static_cast<std::int32_t>(U32(data_ + at));
  }
  std::int16_t I16(size_t at) const {
    if (at + 2 > size_) Bad();
    return static_cast<std::int16_t>(U16(data_ + at));
  }
  std::uint16_t W(size_t at) const { return static_cast<std::uint16_t>(I16(at)); }
  Byte B(size_t at) const {
    if (at >= size_) Bad();
    return data_[at];
  }
  // A count of items of itemSize bytes from at on, all within the record.
  size_t Fits(size_t at, Int64 count, size_t itemSize) const {
    if (count < 0 || static_cast<size_t>(count) > kMaxPoints || at > size_ ||
        static_cast<size_t>(count) * itemSize > size_ - at)
      Bad();
    return static_cast<size_t>(count);
  }

 private:
  const Byte* data_;
  size_t size_;
};

struct TGdiObject {
  enum Kind { kNone, kPen, kBrush, kFont } Type = kNone;
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
};

struct TDcState {
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
  TColor TextColor = clBlack;
  int TextAlign = 0;
  double WinOrgX = 0, WinOrgY = 0, WinExtX = 0, WinExtY = 0;
  double VpOrgX = 0, VpOrgY = 0, VpExtX = 0, VpExtY = 0;
  int MapMode = 1;
  TPoint Current;
  int ClipDepth = 0;
};

class Player {
 public:
  explicit Player(std::vector<String>& skipped) : skipped_(skipped) {
    state_.Brush.Color = clWhite;
    state_.Font.Color = clBlack;
    state_.Font.Height = -12;
  }

  TMetafileContent Content;

  // Logical point to picture pixels.
  TPoint Map(double x, double y) const {
    double dx = x, dy = y;
    if (state_.MapMode >= 7 && state_.WinExtX != 0 && state_.WinExtY != 0 && state_.VpExtX != 0 &&
        state_.VpExtY != 0) {
      dx = (x - state_.WinOrgX) * state_.VpExtX / state_.WinExtX + state_.VpOrgX;
      dy = (y - state_.WinOrgY) * state_.VpExtY / state_.WinExtY + state_.VpOrgY;
    } else if (!emf_ && state_.WinExtX != 0 && state_.WinExtY != 0) {
      dx = (x - state_.WinOrgX) * Content.Width / state_.WinExtX;
      dy = (y - state_.WinOrgY) * Content.Height / state_.WinExtY;
      return {Clamp(dx), Clamp(dy)};
    } else {
      dx = x - state_.WinOrgX + state_.VpOrgX;
      dy = y - state_.WinOrgY + state_.VpOrgY;
    }
    return {Clamp(dx * scaleX_ + offsetX_), Clamp(dy * scaleY_ + offsetY_)};
  }
  int MapLength(double w) const {
    TPoint a = Map(0, 0), b = Map(w, 0);
    return static_cast<int>(std::abs(b.X - a.X));
  }

  void Emit(TCanvasRecordKind kind, std::vector<TPoint> points, TRect rect = {}) {
    if (Content.Records.size() >= kMaxRecords) Bad();
    TCanvasRecord r;
    r.Kind = kind;
    r.Points = std::move(points);
    r.Rect = rect;
    r.Pen = state_.Pen;
    r.Brush = state_.Brush;
    r.Font = state_.Font;
    r.Pen.Width = std::max(1, r.Pen.Width);
    Content.Records.push_back(std::move(r));
  }
  void Shape(TCanvasRecordKind kind, double l, double t, double r, double b, TSize corner = {}) {
    TPoint a = Map(l, t), c = Map(r, b);
    Emit(kind, {}, TRect{std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)});
    Content.Records.back().Corner = corner;
  }
  void Text(double x, double y, const WideString& text) {
    if (text.empty()) return;
    TPoint p = Map(x, y);
    const int h = std::abs(state_.Font.Height);
    if ((state_.TextAlign & 24) == 24) p.Y -= h * 4 / 5;  // the baseline at y
    else if (state_.TextAlign & 8) p.Y -= h;              // the bottom at y
    TFontData font = state_.Font;
    font.Color = state_.TextColor;
    Emit(crText, {p});
    Content.Records.back().Font = font;
    Content.Records.back().Text = text;
  }

  void Skip(const String& name) {
    if (skippedNames_.insert({name, true}).second) skipped_.push_back(name);
  }

  // Object table: WMF takes the lowest free slot, EMF names the slot.
  void CreateObject(const TGdiObject& obj, std::optional<std::uint32_t> slot = std::nullopt) {
    if (slot) {
      if (*slot > 65535) Bad();
      objects_[*slot] = obj;
      return;
    }
    std::uint32_t i = 0;
    while (objects_.count(i)) ++i;
    if (i > 65535) Bad();
    objects_[i] = obj;
  }
  void Select(std::uint32_t index) {
    if (emf_ && (index & 0x80000000u)) {
      // Stock objects.
      switch (index & 0xFF) {
        case 0: state_.Brush = {clWhite, bsSolid}; break;
        case 1: state_.Brush = {0xC0C0C0, bsSolid}; break;
        case 2: state_.Brush = {0x808080, bsSolid}; break;
        case 3: state_.Brush = {0x404040, bsSolid}; break;
        case 4: state_.Brush = {clBlack, bsSolid}; break;
        case 5: state_.Brush.Style = bsClear; break;
        case 6: state_.Pen = TPenData{}, state_.Pen.Color = clWhite; break;
        case 7: state_.Pen = TPenData{}; break;
        case 8: state_.Pen.Style = psClear; break;
        default: break;
      }
      return;
    }
    auto it = objects_.find(index);
    if (it == objects_.end()) return;
    switch (it->second.Type) {
      case TGdiObject::kPen: state_.Pen = it->second.Pen; break;
      case TGdiObject::kBrush: state_.Brush = it->second.Brush; break;
      case TGdiObject::kFont: state_.Font = it->second.Font; break;
      default: break;
    }
  }
  void Delete(std::uint32_t index) { objects_.erase(index); }
  TPenData MakePen(int style, double width, TColor color) const {
    TPenData pen;
    pen.Color = color & 0xFFFFFF;
    pen.Width = std::max(1, MapLength(width));
    static constexpr TPenStyle kStyles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    pen.Style = (style & 15) < 7 ? kStyles[style & 15] : psSolid;
    return pen;
  }
  static TBrushData MakeBrush(int style, TColor color, int hatch) {
    TBrushData brush;
    brush.Color = color & 0xFFFFFF;
    if (style == 1) brush.Style = bsClear;
    else if (style == 2) brush.Style = static_cast<TBrushStyle>(bsHorizontal + std::clamp(hatch, 0, 5));
    else brush.Style = bsSolid;
    return brush;
  }
  TFontData MakeFont(double height, int weight, bool italic, bool underline, bool strike, const String& face) const {
    TFontData font;
    font.Name = face.empty() ? String("Arial") : face;
    int h = MapLength(std::abs(height));
    font.Height = -std::clamp(h, 1, MaxFontHeight);
    if (weight >= 600) font.Style.Include(fsBold);
    if (italic) font.Style.Include(fsItalic);
    if (underline) font.Style.Include(fsUnderline);
    if (strike) font.Style.Include(fsStrikeOut);
    return font;
  }
  void Save() {
    saved_.push_back(state_);
    Emit(crSaveClip, {});
    if (saved_.size() > 1000) Bad();
  }
  void Restore(int relative) {
    // A negative number counts back from the top; others name an absolute level.
    int n = relative < 0 ? -relative : static_cast<int>(saved_.size()) - relative + 1;
    for (; n > 0 && !saved_.empty(); --n) {
      state_ = saved_.back();
      saved_.pop_back();
      Emit(crRestoreClip, {});
    }
  }

  TDcState state_;
  bool emf_ = false;
  double scaleX_ = 1, scaleY_ = 1, offsetX_ = 0, offsetY_ = 0;

 private:
  static int Clamp(double v) { return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6))); }
  std::vector<String>& skipped_;
  std::map<String, bool> skippedNames_;
  std::map<std::uint32_t, TGdiObject> objects_;
  std::vector<TDcState> saved_;
};

WideString Utf16(const Params& p, size_t at, size_t count) {
  count = p.Fits(at, static_cast<Int64>(std::min(count, kMaxTextLength)), 2);
  WideString s;
  for (size_t i = 0; i < count; ++i) s += static_cast<char16_t>(p.W(at + 2 * i));
  return s;
}

// Latin-1: the code page of the drawing programs' western fonts.
WideString Ansi(const Params& p, size_t at, size_t count) {
  count = p.Fits(at, static_cast<Int64>(std::min(count, kMaxTextLength)), 1);
  WideString s;
  for (size_t i = 0; i < count; ++i) {
    Byte c = p.B(at + i);
    if (c == 0) break;
    s += static_cast<char16_t>(c);
  }
  return s;
}

String ToUtf8(const WideString& w) {
  String s;
  for (char16_t c : w)
    if (c < 0xD800 || c > 0xDFFF) AppendCodePoint(s, c);
  return s;
}

void PlayWmf(const std::vector<Byte>& file, Player& player) {
  if (file.size() < 22 + 18) Bad();
  const Byte* h = file.data();
  const int left = static_cast<std::int16_t>(U16(h + 6)), top = static_cast<std::int16_t>(U16(h + 8));
  const int right = static_cast<std::int16_t>(U16(h + 10)), bottom = static_cast<std::int16_t>(U16(h + 12));
  const int inch = U16(h + 14);
  if (inch == 0 || right == left || bottom == top) Bad();
  TMetafileContent& c = player.Content;
  c.Width = static_cast<int>(std::lround(std::abs(right - left) * 96.0 / inch));
  c.Height = static_cast<int>(std::lround(std::abs(bottom - top) * 96.0 / inch));
  if (c.Width <= 0 || c.Height <= 0 || c.Width > kMaxPictureSide || c.Height > kMaxPictureSide) Bad();
  player.scaleX_ = 96.0 / inch * (right > left ? 1 : -1);
  player.scaleY_ = 96.0 / inch * (bottom > top ? 1 : -1);
  player.offsetX_ = -left * player.scaleX_;
  player.offsetY_ = -top * player.scaleY_;
  size_t pos = 22;
  const size_t headerWords = U16(file.data() + pos + 2);
  if (headerWords < 9) Bad();
  pos += headerWords * 2;
  TDcState& s = player.state_;
  while (pos + 6 <= file.size()) {
    const std::uint64_t words = U32(file.data() + pos);
    const int function = U16(file.data() + pos + 4);
    if (words < 3 || words * 2 > file.size() - pos) Bad();
    Params p(file.data() + pos + 6, static_cast<size_t>(words * 2 - 6));
    pos += static_cast<size_t>(words * 2);
    auto pt = [&](size_t at) { return player.Map(p.I16(at + 2), p.I16(at)); };  // y then x
    switch (function) {
      case 0x0000: return;
      case 0x020B: s.WinOrgY = p.I16(0), s.WinOrgX = p.I16(2); break;
      case 0x020C: s.WinExtY = p.I16(0), s.WinExtX = p.I16(2); break;
      case 0x020D: s.VpOrgY = p.I16(0), s.VpOrgX = p.I16(2); break;
      case 0x020E: s.VpExtY = p.I16(0), s.VpExtX = p.I16(2); break;
      case 0x0103: s.MapMode = p.I16(0); break;
      // Modes without effect on what is drawn here, and escapes (comments of the drawing program).
      case 0x0102: case 0x0106: case 0x0201: case 0x0104: case 0x0107: case 0x0108: case 0x0109: case 0x0626:
        break;
      case 0x0209: s.TextColor = static_cast<TColor>(p.I32(0)) & 0xFFFFFF; break;
      case 0x012E: s.TextAlign = p.W(0); break;
      case 0x0214: s.Current = pt(0); break;
      case 0x0213: {
        TPoint to = pt(0);
        player.Emit(crPolyline, {s.Current, to});
        s.Current = to;
        break;
      }
      case 0x0324: case 0x0325: {
        size_t n = p.Fits(2, p.I16(0), 4);
        std::vector<TPoint> points;
        for (size_t i = 0; i < n; ++i) points.push_back(player.Map(p.I16(2 + 4 * i), p.I16(4 + 4 * i)));
        player.Emit(function == 0x0324 ? crPolygon : crPolyline, std::move(points));
        break;
      }
      case 0x0538: {
        size_t polys = p.Fits(2, p.I16(0), 2);
        size_t at = 2 + 2 * polys;
        for (size_t k = 0; k < polys; ++k) {
          size_t n = p.Fits(at, p.I16(2 + 2 * k), 4);
          std::vector<TPoint> points;
          for (size_t i = 0; i < n; ++i) points.push_back(player.Map(p.I16(at + 4 * i), p.I16(at + 2 + 4 * i)));
          at += 4 * n;
          player.Emit(crPolygon, std::move(points));
        }
        break;
      }
      case 0x041B: case 0x0418:
        player.Shape(function == 0x041B ? crRectangle : crEllipse, p.I16(6), p.I16(4), p.I16(2), p.I16(0));
        break;
      case 0x061C: {
        int w = player.MapLength(p.I16(2)), hgt = player.MapLength(p.I16(0));
        player.Shape(crRoundRect, p.I16(10), p.I16(8), p.I16(6), p.I16(4), TSize{w, hgt});
        break;
      }
      case 0x02FA: {
        TGdiObject o;
        o.Type = TGdiObject::kPen;
        o.Pen = player.MakePen(p.W(0), p.I16(2), static_cast<TColor>(p.I32(6)));
        player.CreateObject(o);
        break;
      }
      case 0x02FC: {
        TGdiObject o;
        o.Type = TGdiObject::kBrush;
        o.Brush = Player::MakeBrush(p.W(0), static_cast<TColor>(p.I32(2)), p.W(6));
        player.CreateObject(o);
        break;
      }
      case 0x02FB: {
        TGdiObject o;
        o.Type = TGdiObject::kFont;
        o.Font = player.MakeFont(p.I16(0), p.I16(8), p.B(10) != 0, p.B(11) != 0, p.B(12) != 0,
                                 ToUtf8(Ansi(p, 18, p.Size() > 18 ? std::min<size_t>(32, p.Size() - 18) : 0)));
        player.CreateObject(o);
        break;
      }
      // Palettes, pattern brushes and regions take a slot in the table like any object.
      case 0x00F7: case 0x0142: case 0x01F9: case 0x06FF:
        player.CreateObject(TGdiObject{});
        player.Skip("WMF record " + IntToHex(function, 4));
        break;
      case 0x012D: player.Select(p.W(0)); break;
      case 0x01F0: player.Delete(p.W(0)); break;
      case 0x001E: player.Save(); break;
      case 0x0127: player.Restore(p.I16(0)); break;
      case 0x0416: case 0x0415: {
        TPoint a = player.Map(p.I16(6), p.I16(4)), b = player.Map(p.I16(2), p.I16(0));
        player.Emit(function == 0x0416 ? crIntersectClip : crExcludeClip, {},
                    TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)});
        break;
      }
      case 0x0521: {
        size_t n = p.Fits(2, p.I16(0), 1);
        size_t at = 2 + ((n + 1) & ~size_t{1});
        player.Text(p.I16(at + 2), p.I16(at), Ansi(p, 2, n));
        break;
      }
      case 0x0A32: {
        int y = p.I16(0), x = p.I16(2);
        size_t n = p.Fits(8, p.I16(4), 1);
        int options = p.W(6);
        size_t at = 8 + ((options & 6) ? 8 : 0);
        player.Text(x, y, Ansi(p, at, n));
        break;
      }
      default: player.Skip("WMF record " + IntToHex(function, 4)); break;
    }
  }
}

void PlayEmf(const std::vector<Byte>& file, Player& player) {
  if (file.size() < 88) Bad();
  const Byte* h = file.data();
  auto i32 = [&](size_t at) { return static_cast<std::int32_t>(U32(h + at)); };
  const double frameL = i32(24), frameT = i32(28), frameR = i32(32), frameB = i32(36);
  const double devX = i32(72), devY = i32(76), mmX = i32(80), mmY = i32(84);
  if (devX <= 0 || devY <= 0 || mmX <= 0 || mmY <= 0 || frameR <= frameL || frameB <= frameT) Bad();
  TMetafileContent& c = player.Content;
  c.Width = static_cast<int>(std::lround((frameR - frameL) * 96 / 2540));
  c.Height = static_cast<int>(std::lround((frameB - frameT) * 96 / 2540));
  if (c.Width <= 0 || c.Height <= 0 || c.Width > kMaxPictureSide || c.Height > kMaxPictureSide) Bad();
  player.emf_ = true;
  // Reference-device pixels to hundredths of millimetres to our pixels.
  player.scaleX_ = mmX * 100 / devX * 96 / 2540;
  player.scaleY_ = mmY * 100 / devY * 96 / 2540;
  player.offsetX_ = -frameL * 96 / 2540;
  player.offsetY_ = -frameT * 96 / 2540;
  TDcState& s = player.state_;
  std::vector<std::vector<TPoint>> path;
  bool inPath = false;
  size_t pos = 0;
  while (pos + 8 <= file.size()) {
    const std::uint32_t type = U32(file.data() + pos), size = U32(file.data() + pos + 4);
    if (size < 8 || size % 4 != 0 || size > file.size() - pos) Bad();
    Params p(file.data() + pos + 8, size - 8);
    pos += size;
    auto pt32 = [&](size_t at) { return player.Map(p.I32(at), p.I32(at + 4)); };
    auto points16 = [&](size_t countAt, size_t at) {
      size_t n = p.Fits(at, p.I32(countAt), 4);
      std::vector<TPoint> points;
      for (size_t i = 0; i < n; ++i) points.push_back(player.Map(p.I16(at + 4 * i), p.I16(at + 2 + 4 * i)));
      return points;
    };
    auto points32 = [&](size_t countAt, size_t at) {
      size_t n = p.Fits(at, p.I32(countAt), 8);
      std::vector<TPoint> points;
      for (size_t i = 0; i < n; ++i) points.push_back(pt32(at + 8 * i));
      return points;
    };
    // Lines and curves inside a path become its figures; the path is drawn when filled or stroked.
    auto figure = [&](std::vector<TPoint> points, bool continues, TCanvasRecordKind kind) {
      if (!inPath) {
        if (continues) points.insert(points.begin(), s.Current);
        if (!points.empty()) s.Current = points.back();
        player.Emit(kind, std::move(points));
        return;
      }
      if (path.empty() || !continues) path.push_back({s.Current});
      if (!continues) path.back().clear();
      path.back().insert(path.back().end(), points.begin(), points.end());
      if (!points.empty()) s.Current = points.back();
    };
    switch (type) {
      case 1: break;
      case 14: return;
      case 9: s.WinExtX = p.I32(0), s.WinExtY = p.I32(4); break;
      case 10: s.WinOrgX = p.I32(0), s.WinOrgY = p.I32(4); break;
      case 11: s.VpExtX = p.I32(0), s.VpExtY = p.I32(4); break;
      case 12: s.VpOrgX = p.I32(0), s.VpOrgY = p.I32(4); break;
      case 17: s.MapMode = p.I32(0); break;
      // Modes without effect on what is drawn here, comments and the colour-management switches.
      case 13: case 16: case 18: case 19: case 20: case 21: case 25: case 70: case 98: case 115: break;
      case 22: s.TextAlign = p.I32(0); break;
      case 24: s.TextColor = static_cast<TColor>(p.I32(0)) & 0xFFFFFF; break;
      case 27:
        s.Current = pt32(0);
        if (inPath) path.push_back({s.Current});
        break;
      case 54: figure({pt32(0)}, true, crPolyline); break;
      case 3: case 86: player.Emit(crPolygon, type == 3 ? points32(16, 20) : points16(16, 20)); break;
      case 4: case 87:
        if (inPath) figure(type == 4 ? points32(16, 20) : points16(16, 20), false, crPolyline);
        else player.Emit(crPolyline, type == 4 ? points32(16, 20) : points16(16, 20));
        break;
      case 6: case 89: figure(type == 6 ? points32(16, 20) : points16(16, 20), true, crPolyline); break;
      case 5: case 88: {
        // Bezier segments, drawn as their control polygons' flattening.
        std::vector<TPoint> control = type == 5 ? points32(16, 20) : points16(16, 20);
        std::vector<TPoint> flat;
        TPoint from = s.Current;
        for (size_t i = 0; i + 2 < control.size(); i += 3) {
          const TPoint a = from, b = control[i], cc = control[i + 1], d = control[i + 2];
          for (int k = 1; k <= 16; ++k) {
            double t = k / 16.0, u = 1 - t;
            flat.push_back({static_cast<int>(std::lround(u * u * u * a.X + 3 * u * u * t * b.X + 3 * u * t * t * cc.X + t * t * t * d.X)),
                            static_cast<int>(std::lround(u * u * u * a.Y + 3 * u * u * t * b.Y + 3 * u * t * t * cc.Y + t * t * t * d.Y))});
          }
          from = d;
        }
        figure(std::move(flat), true, crPolyline);
        break;
      }
      case 90: case 91: case 7: case 8: {
        const bool wide = type == 7 || type == 8;
        size_t polys = p.Fits(24, p.I32(16), 4);
        size_t at = 24 + 4 * polys;
        for (size_t k = 0; k < polys; ++k) {
          size_t n = p.Fits(at, p.I32(24 + 4 * k), wide ? 8 : 4);
          std::vector<TPoint> points;
          for (size_t i = 0; i < n; ++i)
            points.push_back(wide ? pt32(at + 8 * i) : player.Map(p.I16(at + 4 * i), p.I16(at + 2 + 4 * i)));
          at += n * (wide ? 8 : 4);
          player.Emit(type == 91 || type == 8 ? crPolygon : crPolyline, std::move(points));
        }
        break;
      }
      case 42: case 43: player.Shape(type == 43 ? crRectangle : crEllipse, p.I32(0), p.I32(4), p.I32(8), p.I32(12)); break;
      case 44:
        player.Shape(crRoundRect, p.I32(0), p.I32(4), p.I32(8), p.I32(12),
                     TSize{player.MapLength(p.I32(16)), player.MapLength(p.I32(20))});
        break;
      case 38: {
        TGdiObject o;
        o.Type = TGdiObject::kPen;
        o.Pen = player.MakePen(p.I32(4), p.I32(8), static_cast<TColor>(p.I32(16)));
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 95: {
        TGdiObject o;
        o.Type = TGdiObject::kPen;
        o.Pen = player.MakePen(p.I32(20), p.I32(24), static_cast<TColor>(p.I32(32)));
        if (p.I32(28) == 1) o.Pen.Style = psClear;  // a hollow brush draws nothing
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 39: {
        TGdiObject o;
        o.Type = TGdiObject::kBrush;
        o.Brush = Player::MakeBrush(p.I32(4), static_cast<TColor>(p.I32(8)), p.I32(12));
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 82: {
        TGdiObject o;
        o.Type = TGdiObject::kFont;
        WideString face = Utf16(p, 32, p.Size() > 32 ? std::min<size_t>(32, (p.Size() - 32) / 2) : 0);
        face = face.substr(0, face.find(u'\0'));
        o.Font = player.MakeFont(p.I32(4), p.I32(20), p.B(24) != 0, p.B(25) != 0, p.B(26) != 0, ToUtf8(face));
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 37: player.Select(static_cast<std::uint32_t>(p.I32(0))); break;
      case 40: player.Delete(static_cast<std::uint32_t>(p.I32(0))); break;
      case 33: player.Save(); break;
      case 34: player.Restore(p.I32(0)); break;
      case 30: case 29: {
        TPoint a = pt32(0), b = pt32(8);
        player.Emit(type == 30 ? crIntersectClip : crExcludeClip, {},
                    TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)});
        break;
      }
      case 59: inPath = true, path.clear(); break;
      case 60: inPath = false; break;
      case 61:
        if (!path.empty() && !path.back().empty()) path.back().push_back(path.back().front());
        break;
      case 62: case 63: case 64: {
        const TPenData pen = s.Pen;
        const TBrushData brush = s.Brush;
        if (type == 62) s.Pen.Style = psClear;
        if (type == 64) s.Brush.Style = bsClear;
        for (auto& f : path)
          if (f.size() > 1) player.Emit(type == 64 ? crPolyline : crPolygon, f);
        s.Pen = pen;
        s.Brush = brush;
        path.clear();
        break;
      }
      case 84: {
        // EMRTEXT behind bounds, graphics mode and two scales.
        const size_t t = 28;
        size_t n = static_cast<size_t>(std::max(0, p.I32(t + 8)));
        const std::int32_t off = p.I32(t + 12);
        if (off < 8) Bad();
        player.Text(p.I32(t), p.I32(t + 4), Utf16(p, static_cast<size_t>(off) - 8, n));
        break;
      }
      default: player.Skip("EMF record " + IntToStr(static_cast<Integer>(type))); break;
    }
  }
}

}  // namespace

bool IsWindowsMetafile(const Byte* head, size_t size) {
  return (size >= 22 && U32(head) == kPlaceableKey) || (size >= 100 && U32(head) == 1 && U32(head + 40) == kEmfSignature);
}

TMetafileContent PlayWindowsMetafile(TStream& stream, std::vector<String>& skipped) {
  Int64 left = stream.Size() - stream.Position();
  if (left <= 0 || left > kMaxFileSize) Bad();
  std::vector<Byte> file(static_cast<size_t>(left));
  stream.ReadBuffer(file.data(), left);
  if (!IsWindowsMetafile(file.data(), file.size())) Bad();
  Player player(skipped);
  if (U32(file.data()) == kPlaceableKey) PlayWmf(file, player);
  else PlayEmf(file, player);
  return std::move(player.Content);
}

}  // namespace orv
