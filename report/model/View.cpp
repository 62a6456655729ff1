#include "report/model/View.h"

#include <cmath>
#include <cstdlib>

#include "platform/rtl/Conversions.h"
#include "report/model/DataSets.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/XmlEscape.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxView, c) {
  using T = TkvxView;
  c.Prop("Align", &T::Align, &T::SetAlign).Default(baNone);
  c.Prop("Printable", &T::Printable, &T::SetPrintable).Default(true);
  c.Prop("ShiftMode", &T::ShiftMode, &T::SetShiftMode).Default(smAlways);
  c.Prop("Left", &T::Left, &T::SetLeft);
  c.Prop("Top", &T::Top, &T::SetTop);
  c.Prop("Width", &T::Width, &T::SetWidth);
  c.Prop("Height", &T::Height, &T::SetHeight);
  c.Prop("GroupIndex", &T::GroupIndex, &T::SetGroupIndex).Default(0);
  c.Prop("Restrictions", &T::Restrictions, &T::SetRestrictions).Default(TkvxRestrictions());
  c.Prop("Visible", &T::Visible, &T::SetVisible).Default(true);
  c.Prop("OnAfterData", [](T& v) { return v.OnAfterData; }, [](T& v, const String& s) { v.OnAfterData = s; });
  c.Prop("OnAfterPrint", [](T& v) { return v.OnAfterPrint; }, [](T& v, const String& s) { v.OnAfterPrint = s; });
  c.Prop("OnBeforePrint", [](T& v) { return v.OnBeforePrint; }, [](T& v, const String& s) { v.OnBeforePrint = s; });
  c.Prop("OnPreviewClick", [](T& v) { return v.OnPreviewClick; }, [](T& v, const String& s) { v.OnPreviewClick = s; });
  c.Prop("OnPreviewDblClick", [](T& v) { return v.OnPreviewDblClick; },
         [](T& v, const String& s) { v.OnPreviewDblClick = s; });
  c.Prop("Hint", &T::Hint, &T::SetHint);
  c.Prop("ShowHint", &T::ShowHint, &T::SetShowHint).Default(false);
}

ORV_IMPLEMENT_CLASS(TkvxStretcheable, c) {
  c.Prop("StretchMode", &TkvxStretcheable::StretchMode, &TkvxStretcheable::SetStretchMode).Default(smDontStretch);
}

TkvxView::TkvxView(TComponent* owner) : TkvxReportComponent(owner) { Traits |= otFullDiff; }

TkvxFrame* TkvxView::Frame() const {
  if (!frame_) frame_ = std::make_unique<TkvxFrame>();
  return frame_.get();
}

const TkvxFrame& TkvxView::DrawnFrame() const {
  // Never freed, so that no view outlives it at exit; only ever read, from any thread.
  static const TkvxFrame& none = *new TkvxFrame();
  return frame_ ? *frame_ : none;
}

TkvxView::~TkvxView() = default;

void TkvxView::SetDataSet(TkvxDataSet* value) {
  dataSet_ = value;
  dataSetName_ = value ? value->UserName() : String();
  if (value) FreeNotification(value);
}

String TkvxView::DataSetName() const { return dataSet_ ? dataSet_->UserName() : dataSetName_; }

void TkvxView::SetDataSetName(const String& value) {
  dataSetName_ = value;
  dataSet_ = FindDataSet(dataSet_, value);
  if (dataSet_) FreeNotification(dataSet_);
}

void TkvxView::Notification(TComponent* component, TOperation operation) {
  TkvxReportComponent::Notification(component, operation);
  // The data set is being destroyed: compare addresses only.
  if (operation == opRemove && component == static_cast<TComponent*>(dataSet_)) dataSet_ = nullptr;
}

void TkvxView::BeforePrint() {
  TkvxReportComponent::BeforePrint();
  savedTagStr_ = tagStr_;
  savedURL_ = url_;
}

void TkvxView::GetData() {
  TkvxReportComponent::GetData();
  if (tagStr_.find('[') != String::npos) tagStr_ = ExpandBrackets(tagStr_);
  if (url_.find('[') != String::npos) url_ = ExpandBrackets(url_);
}

String TkvxView::ExpandBrackets(const String& text) {
  TkvxReport* report = GetReport();
  if (!report) return text;
  String out = text;
  for (size_t i = out.find('['); i != String::npos; i = out.find('[', i)) {
    Integer start = static_cast<Integer>(i) + 1, end = start;
    String expr;
    kvxGetBracketedText(out, "[", "]", expr, end, start);
    if (end <= start) break;
    String value = VarToStr(report->Calc(expr));
    out.replace(static_cast<size_t>(start - 1), static_cast<size_t>(end - start + 1), value);
    i = static_cast<size_t>(start - 1) + value.size();
  }
  return out;
}

void TkvxView::AfterPrint() {
  TkvxReportComponent::AfterPrint();
  tagStr_ = savedTagStr_;
  url_ = savedURL_;
}

void TkvxView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  DrawBackground();
  DrawFrame();
}

void TkvxView::BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  DrawCanvas = canvas;
  ScaleX = scaleX;
  ScaleY = scaleY;
  OffsetX = offsetX;
  OffsetY = offsetY;
  Extended left, top;
  AbsPosition(left, top);
  X = static_cast<int>(kvxLRound(left * scaleX + offsetX));
  Y = static_cast<int>(kvxLRound(top * scaleY + offsetY));
  X1 = static_cast<int>(kvxLRound((left + Width()) * scaleX + offsetX));
  Y1 = static_cast<int>(kvxLRound((top + Height()) * scaleY + offsetY));
  const TkvxFrame& frame = DrawnFrame();
  if (frame.DropShadow()) {
    // The shadow stays inside the object's bounds.
    X1 -= static_cast<int>(kvxLRound(frame.ShadowWidth() * scaleX));
    Y1 -= static_cast<int>(kvxLRound(frame.ShadowWidth() * scaleY));
  }
  DX = X1 - X;
  DY = Y1 - Y;
  FW = static_cast<int>(kvxLRound(frame.Width() * scaleX));
}

void TkvxView::DrawBackground() {
  TCanvas& c = *DrawCanvas;
  c.Brush().SetStyle(brushStyle_);
  if (color_ != clNone) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(color_);
    c.FillRect(Rect(X, Y, X1, Y1));
  }
  if (brushStyle_ >= bsHorizontal && brushStyle_ <= bsDiagCross) {
    TBrushData saved = c.Brush().Data();
    c.Brush().SetStyle(brushStyle_);
    c.Brush().SetColor(DrawnFrame().Color());
    c.Rectangle(X, Y, X1 + 1, Y1 + 1);
    c.Brush().SetData(saved);
  }
}

void TkvxView::SetFramePen(TkvxFrameStyle style, int width) {
  TPen& pen = DrawCanvas->Pen();
  pen.SetStyle(psSolid);
  pen.SetWidth(std::max(width, 1));
  std::vector<int> dashes;
  for (double d : kvxFrameDashes(style)) dashes.push_back(std::max(1, static_cast<int>(std::lround(d * ScaleX))));
  // Dashes keep their length: round caps would stretch them into each other.
  pen.SetEndCap(dashes.empty() ? pecDefault : pecFlat);
  pen.SetDashPattern(std::move(dashes));
}

void TkvxView::DrawThickLine(int x1, int y1, int x2, int y2, int w, TkvxFrameStyle style) {
  TCanvas& c = *DrawCanvas;
  if (c.Pen().Style() == psClear) return;
  // One stroke of the whole width: a stroke per pixel of width made a thick frame at a high
  // zoom, or on the printer, cost hundreds of them.
  TPenData saved = c.Pen().Data();
  SetFramePen(style, w);
  c.Pen().SetEndCap(pecFlat);
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
  c.Pen().SetData(saved);
}

void TkvxView::DrawFrameLine(TkvxFrameLine* line, int x1, int y1, int x2, int y2, bool startMeets, bool endMeets) {
  TCanvas& c = *DrawCanvas;
  int p = static_cast<int>(std::lround(line->Width() * ScaleX));
  bool horizontal = y1 == y2;
  // Moves a line end by d pixels outward along the line (negative: inward).
  auto extend = [&](int& ax, int& ay, int sign, int d) {
    if (horizontal) ax += sign * d;
    else ay += sign * d;
  };
  c.Pen().SetColor(line->Color());
  switch (line->Style()) {
    case fsSolid: {
      c.Pen().SetStyle(psSolid);
      c.Pen().SetWidth(std::max(p, 1));
      c.Pen().SetEndCap(pecSquare);
      int sx = x1, sy = y1, ex = x2, ey = y2;
      if (!startMeets) extend(sx, sy, 1, p / 2);
      if (!endMeets) extend(ex, ey, -1, p / 2);
      c.MoveTo(sx, sy);
      c.LineTo(ex, ey);
      c.Pen().SetEndCap(pecDefault);
      break;
    }
    case fsDouble: {
      c.Pen().SetStyle(psSolid);
      c.Pen().SetWidth(std::max(p, 1));
      c.Pen().SetEndCap(pecSquare);
      // Outward is left for a vertical line at the view's left edge, up for the top edge.
      bool outwardNegative = (horizontal && y1 == Y) || (!horizontal && x1 == X);
      int out = outwardNegative ? -p : p;
      auto stroke = [&](int offset, int lengthen) {
        int sx = x1, sy = y1, ex = x2, ey = y2;
        if (horizontal) {
          sy += offset;
          ey += offset;
        } else {
          sx += offset;
          ex += offset;
        }
        if (startMeets) extend(sx, sy, -1, lengthen);
        if (endMeets) extend(ex, ey, 1, lengthen);
        c.MoveTo(sx, sy);
        c.LineTo(ex, ey);
      };
      stroke(out, p);
      if (color_ != clNone) {
        c.Pen().SetColor(color_);
        stroke(0, 0);
        c.Pen().SetColor(line->Color());
      }
      stroke(-out, -p);
      c.Pen().SetEndCap(pecDefault);
      break;
    }
    case fsDash:
    case fsDot:
    case fsDashDot:
    case fsDashDotDot:
      DrawThickLine(x1, y1, x2, y2, p, line->Style());
      break;
    case fsAltDot:
    case fsSquare: {
      if (color_ != clNone) {
        c.Pen().SetStyle(psSolid);
        c.Pen().SetWidth(1);
        c.Pen().SetColor(color_);
        DrawThickLine(x1, y1, x2, y2, p);
        c.Pen().SetColor(line->Color());
      }
      c.Pen().SetStyle(psSolid);
      if (p >= 2 && line->Style() == fsAltDot) {
        // Round dots of the line's width, 2P apart: drawn as discs, for a dash of length zero
        // with round caps is no mark at all to most painters and PDF readers.
        c.Pen().SetWidth(1);
        TBrush saved;
        saved.Assign(&c.Brush());
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(line->Color());
        const int length = horizontal ? std::abs(x2 - x1) : std::abs(y2 - y1);
        const int dir = (horizontal ? x2 - x1 : y2 - y1) < 0 ? -1 : 1;
        for (int d = 0; d <= length; d += 2 * p) {
          int cx = horizontal ? x1 + dir * d : x1, cy = horizontal ? y1 : y1 + dir * d;
          c.Ellipse(cx - p / 2, cy - p / 2, cx - p / 2 + p, cy - p / 2 + p);
        }
        c.Brush().Assign(&saved);
        break;
      }
      c.Pen().SetWidth(std::max(p, 1));
      if (p < 2) {
        c.Pen().SetEndCap(pecFlat);
        c.Pen().SetDashPattern({1, 1});
      } else {
        c.Pen().SetEndCap(pecFlat);
        c.Pen().SetDashPattern({p, p});
      }
      c.MoveTo(x1, y1);
      c.LineTo(x2, y2);
      c.Pen().SetDashPattern({});
      c.Pen().SetEndCap(pecDefault);
      break;
    }
  }
}

void TkvxView::DrawFrame() {
  TCanvas& c = *DrawCanvas;
  const TkvxFrame& frame = DrawnFrame();
  if (frame.DropShadow()) {
    c.Pen().SetStyle(psSolid);
    c.Pen().SetWidth(1);
    c.Pen().SetColor(frame.ShadowColor());
    int s = static_cast<int>(std::lround(frame.ShadowWidth() * ScaleX));
    DrawThickLine(X1 + s / 2, Y + s, X1 + s / 2, Y1, s);
    s = static_cast<int>(std::lround(frame.ShadowWidth() * ScaleY));
    DrawThickLine(X + s, Y1 + s / 2, X1 + s, Y1 + s / 2, s);
  }
  TkvxFrameTypes typ = frame.Typ();
  if (typ.Empty() || frame.Color() == clNone || frame.Width() == 0) return;
  c.Brush().SetStyle(bsSolid);
  if (frame.Style() != fsSolid) {
    if (color_ == clNone) c.Brush().SetStyle(bsClear);
    else c.Brush().SetColor(color_);
  }
  bool top = typ.Contains(ftTop), bottom = typ.Contains(ftBottom);
  bool left = typ.Contains(ftLeft), right = typ.Contains(ftRight);
  if (left) DrawFrameLine(frame.LeftLine(), X, Y, X, Y1, top, bottom);
  if (right) DrawFrameLine(frame.RightLine(), X1, Y, X1, Y1, top, bottom);
  if (top) DrawFrameLine(frame.TopLine(), X, Y, X1, Y, left, right);
  if (bottom) DrawFrameLine(frame.BottomLine(), X, Y1, X1, Y1, left, right);
  c.Pen().SetWidth(1);
  c.Pen().SetStyle(psSolid);
}

TkvxFrameStyle kvxStrokeStyle(TkvxFrameStyle style) { return style == fsAltDot ? fsDot : style; }

namespace {

void DiffAttr(String& out, const String& name, const String& value) {
  out += ' ';
  out += name;
  out += "=\"";
  out += value;
  out += '"';
}

}  // namespace

namespace {

bool SameLine(const TkvxFrameLine* a, const TkvxFrameLine* b) {
  return a->Color() == b->Color() && a->Style() == b->Style() && a->Width() == b->Width();
}

// Frames holding the same values differ in nothing: a copy on a page mostly keeps its
// template's frame, and the attribute by attribute walk below costs every object of every page.
bool SameFrame(const TkvxFrame* f, const TkvxFrame* t) {
  return f->Color() == t->Color() && f->DropShadow() == t->DropShadow() && f->ShadowColor() == t->ShadowColor() &&
         f->ShadowWidth() == t->ShadowWidth() && f->Style() == t->Style() && f->Typ() == t->Typ() &&
         f->Width() == t->Width() && SameLine(f->LeftLine(), t->LeftLine()) && SameLine(f->TopLine(), t->TopLine()) &&
         SameLine(f->RightLine(), t->RightLine()) && SameLine(f->BottomLine(), t->BottomLine());
}

}  // namespace

String kvxFrameDiff(const TkvxFrame* f, const TkvxFrame* t) {
  String out;
  // Two views without frames of their own share the one that draws none.
  if (f == t || SameFrame(f, t)) return out;
  bool colorWritten = f->Color() != t->Color();
  bool styleWritten = f->Style() != t->Style();
  bool widthWritten = kvxDiffers(f->Width(), t->Width());
  if (colorWritten) DiffAttr(out, "Frame.Color", IntToStr(f->Color()));
  if (f->DropShadow() != t->DropShadow()) DiffAttr(out, "Frame.DropShadow", f->DropShadow() ? "1" : "0");
  if (f->ShadowColor() != t->ShadowColor()) DiffAttr(out, "Frame.ShadowColor", IntToStr(f->ShadowColor()));
  if (kvxDiffers(f->ShadowWidth(), t->ShadowWidth()))
    DiffAttr(out, "Frame.ShadowWidth", kvxFormatFloat(f->ShadowWidth()));
  if (styleWritten) DiffAttr(out, "Frame.Style", IntToStr(f->Style()));
  if (f->Typ() != t->Typ()) DiffAttr(out, "Frame.Typ", IntToStr(f->Typ().Mask()));
  if (widthWritten) DiffAttr(out, "Frame.Width", kvxFormatFloat(f->Width()));
  const std::pair<const char*, TkvxFrameLine* (TkvxFrame::*)() const> lines[] = {
      {"LeftLine", &TkvxFrame::LeftLine},
      {"TopLine", &TkvxFrame::TopLine},
      {"RightLine", &TkvxFrame::RightLine},
      {"BottomLine", &TkvxFrame::BottomLine}};
  for (const auto& line : lines) {
    const char* name = line.first;
    TkvxFrameLine* l = (f->*line.second)();
    TkvxFrameLine* tl = (t->*line.second)();
    // Most lines differ in nothing: their names are only made for what is written.
    auto prefixed = [&](const char* what) { return String("Frame.") + name + "." + what; };
    if (colorWritten ? l->Color() != f->Color() : l->Color() != tl->Color())
      DiffAttr(out, prefixed("Color"), IntToStr(l->Color()));
    if (styleWritten ? l->Style() != f->Style() : l->Style() != tl->Style())
      DiffAttr(out, prefixed("Style"), IntToStr(l->Style()));
    if (widthWritten ? kvxDiffers(l->Width(), f->Width()) : kvxDiffers(l->Width(), tl->Width()))
      DiffAttr(out, prefixed("Width"), kvxFormatFloat(l->Width()));
  }
  return out;
}

String TkvxView::Diff(TkvxComponent* templ) {
  String out = TkvxReportComponent::Diff(templ);
  auto* t = templ && templ->InheritsFrom(StaticClass()) ? static_cast<TkvxView*>(templ) : nullptr;
  if (!t) return out;
  if (brushStyle_ != t->brushStyle_) DiffAttr(out, "BrushStyle", IntToStr(brushStyle_));
  if (align_ != t->align_) DiffAttr(out, "Align", IntToStr(align_));
  if (color_ != t->color_) DiffAttr(out, "Color", IntToStr(color_));
  out += kvxFrameDiff(&DrawnFrame(), &t->DrawnFrame());
  if (cursor_ != t->cursor_) DiffAttr(out, "Cursor", IntToStr(cursor_));
  if (printable_ != t->printable_) DiffAttr(out, "Printable", printable_ ? "1" : "0");
  if (tagStr_ != t->tagStr_) DiffAttr(out, "TagStr", kvxStrToXML(tagStr_));
  if (url_ != t->url_) DiffAttr(out, "URL", kvxStrToXML(url_));
  return out;
}

}  // namespace orv
