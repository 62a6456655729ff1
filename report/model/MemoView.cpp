#include "report/model/MemoView.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DataSets.h"
#include "report/model/LegacyText.h"
#include "report/model/Report.h"
#include "report/model/ReportUtils.h"
#include "report/model/Styles.h"
#include "report/model/Variables.h"
#include "report/model/XmlEscape.h"

namespace orv {

#define ORV_FIELD(T, field) [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

ORV_IMPLEMENT_CLASS(TkvxFormat, c) {
  using T = TkvxFormat;
  c.Prop("DecimalSeparator", ORV_FIELD(T, DecimalSeparator));
  c.Prop("FormatStr", ORV_FIELD(T, FormatStr));
  c.Prop("Kind", ORV_FIELD(T, Kind)).Default(fkText);
  c.Prop("ThousandSeparator", ORV_FIELD(T, ThousandSeparator));
}

ORV_IMPLEMENT_CLASS(TkvxHighlight, c) {
  using T = TkvxHighlight;
  // Set for each printed row by the condition; the prepared pages carry it to the rebuilt page.
  c.Prop("Active", ORV_FIELD(T, Active)).Default(false);
  c.Prop("Font", &T::Font, &T::SetFont);
  c.Prop("Color", ORV_FIELD(T, Color)).Default(clNone);
  c.Prop("Condition", ORV_FIELD(T, Condition));
}

namespace {

// Blank after dropping the control characters and blanks at either end.
bool IsBlankText(const String& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 33) return false;
  return true;
}

template <class T>
void PublishMemoCommon(TClassBuilder<T>& c) {
  c.Prop("AutoWidth", ORV_FIELD(T, AutoWidth)).Default(false);
  c.Prop("BrushStyle", &T::BrushStyle, &T::SetBrushStyle).Default(bsSolid);
  c.Prop("CharSpacing", ORV_FIELD(T, CharSpacing)).Stored([](T& v) { return v.CharSpacing != 0; });
  c.Prop("Color", &T::Color, &T::SetColor).Default(clNone);
  c.Prop("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
  c.Prop("Font", &T::Font, &T::SetFont).Stored([](T& v) { return !v.ParentFont(); });
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("GapX", ORV_FIELD(T, GapX)).Stored([](T& v) { return v.GapX != 2; });
  c.Prop("GapY", ORV_FIELD(T, GapY)).Stored([](T& v) { return v.GapY != 1; });
  c.Prop("HAlign", ORV_FIELD(T, HAlign)).Default(haLeft);
  c.Prop("HideZeros", ORV_FIELD(T, HideZeros)).Default(false);
  c.Prop("Highlight", &T::Highlight, &T::SetHighlight).Stored([](T& v) {
    return v.HasHighlightCondition();
  });
}

}  // namespace

ORV_IMPLEMENT_CLASS(TkvxCustomMemoView, c) { (void)c; }

ORV_IMPLEMENT_CLASS(TkvxMemoView, c) {
  using T = TkvxMemoView;
  c.Prop("FirstParaBreak", ORV_FIELD(T, FirstParaBreak)).Default(false);
  c.Prop("LastParaBreak", ORV_FIELD(T, LastParaBreak)).Default(false);
  c.Prop("Cursor", &T::Cursor, &T::SetCursor).Default(crDefault);
  c.Prop("TagStr", &T::TagStr, &T::SetTagStr);
  c.Prop("URL", &T::URL, &T::SetURL);
  c.Prop("AutoWidth", ORV_FIELD(T, AutoWidth)).Default(false);
  c.Prop("AllowExpressions", ORV_FIELD(T, AllowExpressions)).Default(true);
  c.Prop("AllowHTMLTags", ORV_FIELD(T, AllowHTMLTags)).Default(false);
  c.Prop("BrushStyle", &T::BrushStyle, &T::SetBrushStyle).Default(bsSolid);
  c.Prop("CharSpacing", ORV_FIELD(T, CharSpacing)).Stored([](T& v) { return v.CharSpacing != 0; });
  c.Prop("Clipped", ORV_FIELD(T, Clipped)).Default(true);
  c.Prop("Color", &T::Color, &T::SetColor).Default(clNone);
  c.Prop("DataField", &T::DataField, &T::SetDataField);
  c.Prop("DataSet", &T::DataSet, &T::SetDataSet);
  c.Prop("DataSetName", &T::DataSetName, &T::SetDataSetName);
  c.Prop("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
  c.Prop("ExpressionDelimiters", ORV_FIELD(T, ExpressionDelimiters)).Stored([](T& v) {
    return v.ExpressionDelimiters != "[,]";
  });
  c.Prop("FlowTo", &T::FlowTo, &T::SetFlowTo);
  c.Prop("Font", &T::Font, &T::SetFont).Stored([](T& v) { return !v.ParentFont(); });
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("GapX", ORV_FIELD(T, GapX)).Stored([](T& v) { return v.GapX != 2; });
  c.Prop("GapY", ORV_FIELD(T, GapY)).Stored([](T& v) { return v.GapY != 1; });
  c.Prop("HAlign", ORV_FIELD(T, HAlign)).Default(haLeft);
  c.Prop("HideZeros", ORV_FIELD(T, HideZeros)).Default(false);
  c.Prop("Highlight", &T::Highlight, &T::SetHighlight).Stored([](T& v) {
    return v.HasHighlightCondition();
  });
  c.Prop("LineSpacing", ORV_FIELD(T, LineSpacing)).Stored([](T& v) { return v.LineSpacing != 2; });
  c.Prop("Memo", &T::Memo, &T::SetMemo);
  c.Prop("ParagraphGap", ORV_FIELD(T, ParagraphGap)).Stored([](T& v) { return v.ParagraphGap != 0; });
  c.Prop("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  c.Prop("Rotation", &T::Rotation, &T::SetRotation).Default(0);
  c.Prop("RTLReading", ORV_FIELD(T, RTLReading)).Default(false);
  c.Prop("Style", &T::Style, &T::SetStyle);
  c.Prop("SuppressRepeated", ORV_FIELD(T, SuppressRepeated)).Default(false);
  c.Prop("Underlines", ORV_FIELD(T, Underlines)).Default(false);
  c.Prop("UseDefaulCharset", ORV_FIELD(T, UseDefaulCharset)).Default(false);
  c.Prop("WordBreak", ORV_FIELD(T, WordBreak)).Default(false);
  c.Prop("WordWrap", ORV_FIELD(T, WordWrap)).Default(true);
  c.Prop("Wysiwyg", ORV_FIELD(T, Wysiwyg)).Default(true);
  c.Prop("VAlign", ORV_FIELD(T, VAlign)).Default(vaTop);
}

ORV_IMPLEMENT_CLASS(TkvxSysMemoView, c) {
  using T = TkvxSysMemoView;
  PublishMemoCommon<T>(c);
  c.Prop("LineSpacing", ORV_FIELD(T, LineSpacing)).Stored([](T& v) { return v.LineSpacing != 2; });
  c.Prop("Memo", &T::Memo, &T::SetMemo);
  c.Prop("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  c.Prop("Rotation", &T::Rotation, &T::SetRotation).Default(0);
  c.Prop("RTLReading", ORV_FIELD(T, RTLReading)).Default(false);
  c.Prop("Style", &T::Style, &T::SetStyle);
  c.Prop("SuppressRepeated", ORV_FIELD(T, SuppressRepeated)).Default(false);
  c.Prop("VAlign", ORV_FIELD(T, VAlign)).Default(vaTop);
  c.Prop("WordWrap", ORV_FIELD(T, WordWrap)).Default(true);
}

void TkvxFormat::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TkvxFormat*>(source)) {
    DecimalSeparator = f->DecimalSeparator;
    ThousandSeparator = f->ThousandSeparator;
    FormatStr = f->FormatStr;
    Kind = f->Kind;
    return;
  }
  TPersistent::Assign(source);
}

TkvxHighlight::TkvxHighlight() : font_(std::make_unique<TFont>()) {
  font_->SetName("Arial");
  font_->SetSize(10);
  font_->SetColor(clRed);
}

void TkvxHighlight::Assign(TPersistent* source) {
  if (auto* h = dynamic_cast<TkvxHighlight*>(source)) {
    font_->Assign(h->font_.get());
    Color = h->Color;
    Condition = h->Condition;
    return;
  }
  TPersistent::Assign(source);
}

TkvxCustomMemoView::TkvxCustomMemoView(TComponent* owner)
    : TkvxStretcheable(owner) {
  SetParentFont(true);
  Traits &= ~otFullDiff;
}

TkvxHighlight* TkvxCustomMemoView::Highlight() const {
  if (!highlight_) highlight_ = std::make_unique<TkvxHighlight>();
  return highlight_.get();
}

bool TkvxCustomMemoView::HasHighlightCondition() const {
  return highlight_ && !IsBlankText(highlight_->Condition);
}

TkvxFormat* TkvxCustomMemoView::DisplayFormat() const {
  if (!displayFormat_) displayFormat_ = std::make_unique<TkvxFormat>();
  return displayFormat_.get();
}

TkvxCustomMemoView::~TkvxCustomMemoView() = default;

void TkvxCustomMemoView::Notification(TComponent* component, TOperation operation) {
  TkvxStretcheable::Notification(component, operation);
  if (operation == opRemove && component == static_cast<TComponent*>(flowTo_)) flowTo_ = nullptr;
}

void TkvxCustomMemoView::SetFlowTo(TkvxCustomMemoView* value) {
  flowTo_ = value;
  if (value) FreeNotification(value);
}

String TkvxCustomMemoView::AnsiText() const { return kvxUnicodeToAnsi(Text(), Font()->Charset()); }

void TkvxCustomMemoView::SetAnsiText(const String& value) { SetText(kvxAnsiToUnicode(value, Font()->Charset())); }

void TkvxCustomMemoView::SetStyle(const String& value) {
  style_ = value;
  if (TkvxStyleItem* item = FoundStyle()) TakeStyle(*item);
}

TkvxStyleItem* TkvxCustomMemoView::FoundStyle() const {
  TkvxReport* report = GetReport();
  return report ? report->Styles->Find(style_) : nullptr;
}

void TkvxCustomMemoView::TakeStyle(const TkvxStyleItem& item) {
  SetColor(item.Color());
  SetFont(item.Font());
  SetParentFont(false);
  Frame()->Assign(item.Frame());
}

String TkvxCustomMemoView::GetComponentText() {
  String text = AnsiText();
  if (AllowExpressions) {
    Integer p = Pos("[TOTALPAGES]", UpperCase(text));
    if (p > 0) text = text.substr(0, p - 1) + IntToStr(TotalPages) + text.substr(p - 1 + 12);
  }
  return text;
}

bool TkvxCustomMemoView::Convert() const { return Font()->Charset() != DEFAULT_CHARSET && !UseDefaulCharset; }

bool TkvxCustomMemoView::KeepsFieldText() const { return !Convert() || kvxCharsetKeepsText(Font()->Charset()); }

WideString TkvxCustomMemoView::FormatValue(const Variant& value, const TkvxFormat& format) const {
  if (value.IsNull()) return WideString();
  auto asText = [&] {
    // A field's text, the usual value, is read where it lies rather than copied first.
    const bool field = value.VType() == varString;
    WideString wide = field ? kvxUtf8ToWide(value.StrView()) : value.ToWideString();
    // The system's code page holds a field's text as it stands, and the text of a number, which
    // is ASCII, too: every row's line number comes this way.
    const auto ascii = [&] { return std::all_of(wide.begin(), wide.end(), [](char16_t c) { return c < 0x80; }); };
    if (!Convert() || ((field || ascii()) && KeepsFieldText())) return wide;
    return kvxAnsiToUnicode(kvxUnicodeToAnsi(wide, Font()->Charset()), Font()->Charset());
  };
  if (format.Kind == fkText) return asText();
  try {
    String result;
    switch (format.Kind) {
      case fkNumeric: {
        const String& fs = format.FormatStr;
        if (fs.find('#') != String::npos) {
          result = FormatFloat(fs, value.ToDouble());
        } else if (fs.find('d') != String::npos || fs.find('u') != String::npos) {
          result = Format(fs, {static_cast<long long>(value.ToInt64())});
        } else {
          result = Format(fs, {static_cast<Extended>(value.ToDouble())});
        }
        const String& system = FormatSettings().DecimalSeparator;
        if (format.DecimalSeparator.size() == 1 && format.DecimalSeparator != system && !system.empty()) {
          for (size_t p = result.find(system); p != String::npos; p = result.find(system, p + 1))
            result.replace(p, system.size(), format.DecimalSeparator);
        }
        break;
      }
      case fkDateTime:
        result = FormatDateTime(format.FormatStr, value.ToDouble());
        break;
      case fkBoolean: {
        size_t comma = format.FormatStr.find(',');
        String no = format.FormatStr.substr(0, comma);
        String yes = comma == String::npos ? String() : format.FormatStr.substr(comma + 1);
        result = value.ToBoolean() ? yes : no;
        break;
      }
      case fkText:
        break;
    }
    return kvxUtf8ToWide(result);
  } catch (const std::exception&) {
    // A value the pattern does not fit prints as it is rather than stopping the report.
    return asText();
  }
}

void TkvxCustomMemoView::ReadExpressions(const WideString& source) {
  TExpressionText& t = expressions_;
  t.Source = source;
  t.Delimiters = ExpressionDelimiters;
  t.Parts.clear();
  t.Tail.clear();
  size_t comma = ExpressionDelimiters.find(',');
  WideString open = kvxUtf8ToWide(ExpressionDelimiters.substr(0, comma));
  WideString close = kvxUtf8ToWide(comma == String::npos ? String() : ExpressionDelimiters.substr(comma + 1));
  t.HasOpening = !open.empty() && source.find(open) != WideString::npos;
  if (!t.HasOpening) return;
  // The scan only looks forward, so what an expression gives never changes where the next one
  // is found: the text is cut once into plain pieces and expressions.
  size_t i = 0, done = 0;
  while (true) {
    i = source.find(open, i);
    if (i == WideString::npos) break;
    Integer start = static_cast<Integer>(i) + 1, end = start;
    WideString wideExpr;
    kvxGetBracketedText(source, open, close, wideExpr, end, start);
    if (end <= start) break;
    TTextExpression e;
    e.Before = source.substr(done, static_cast<size_t>(start - 1) - done);
    e.Expr = kvxWideToUtf8(wideExpr);
    if (size_t hash = kvxFormatSuffix(e.Expr); hash != String::npos) {
      String fmt = e.Expr.substr(hash + 2);
      e.Expr.resize(hash);
      e.Format = std::make_unique<TkvxFormat>();
      char kind = fmt.empty() ? ' ' : fmt[0];
      e.Format->Kind = (kind == 'N' || kind == 'n')                                  ? fkNumeric
                       : (kind == 'D' || kind == 'd' || kind == 'T' || kind == 't') ? fkDateTime
                       : (kind == 'B' || kind == 'b')                                ? fkBoolean
                                                                                     : fkText;
      if (e.Format->Kind == fkNumeric)
        for (size_t k = 1; k < fmt.size(); ++k)
          if (fmt[k] == ',' || fmt[k] == '-' || fmt[k] == '.') {
            e.Format->DecimalSeparator = String(1, fmt[k]);
            fmt[k] = '.';
          }
      e.Format->FormatStr = fmt.size() > 1 ? fmt.substr(1, 255) : String();
    }
    if (SameText(e.Expr, "TOTALPAGES#")) e.Marker = WideString(1, kvxTotalPagesMark);
    if (SameText(e.Expr, "COPYNAME#")) e.Marker = WideString(1, kvxCopyNameMark);
    // A band that moves to the next page, alone or with its kept block, and a footer repeated
    // on the pages a wide row continues on show the number of the page they end up on.
    if (!e.Format && (SameText(e.Expr, "PAGE#") || SameText(e.Expr, "PAGE"))) {
      e.Marker = WideString(1, SameText(e.Expr, "PAGE#") ? kvxPageMark : kvxLogicalPageMark);
      e.PageMarker = true;
    }
    t.Parts.push_back(std::move(e));
    done = static_cast<size_t>(end);
    i = done;
  }
  t.Tail = source.substr(done);
}

void TkvxCustomMemoView::ExpandExpression(const TTextExpression& e, TkvxReport* report, WideString& out) {
  // A formatted number, or one compared with the row before, is the number of the page now.
  const bool pageNow = e.PageMarker && (SuppressRepeated || DisplayFormat()->Kind != fkText);
  if (!e.Marker.empty() && !pageNow) {
    if (e.PageMarker && report) Value = report->Calc(e.Expr);
    out += e.Marker;
    return;
  }
  Value = report ? report->Calc(e.Expr) : Variant();
  auto isString = [](const Variant& v) { return v.VType() == varString || v.VType() == varOleStr; };
  if (HideZeros && !isString(Value) && !Value.IsNull() && !Value.IsEmpty() && Value.ToDouble() == 0) return;
  const TkvxFormat& format = e.Format ? *e.Format : *DisplayFormat();
  // A field's text without a format, the usual value, goes straight into the memo's text.
  if (format.Kind == fkText && Value.VType() == varString && KeepsFieldText()) {
    kvxAppendUtf8ToWide(out, Value.StrView());
    return;
  }
  out += FormatValue(Value, format);
}

void TkvxCustomMemoView::GetData() {
  TkvxStretcheable::GetData();
  TkvxReport* report = GetReport();
  if (HasDataBinding()) {
    TkvxDataSet* ds = DataSet();
    if (ds->IsBlobField(DataField())) {
      ds->AssignBlobTo(DataField(), &memo_);
    } else {
      Value = ds->GetValue(DataField());
      WideString text = DisplayFormat()->Kind == fkText ? ds->GetDisplayText(DataField())
                                                         : FormatValue(Value, *DisplayFormat());
      bool isString = Value.VType() == varString || Value.VType() == varOleStr;
      if (HideZeros && !isString && !Value.IsNull() && !Value.IsEmpty() && Value.ToDouble() == 0) text.clear();
      SetText(text);
    }
  } else if (AllowExpressions) {
    if (!memo_.TextEquals(expressions_.Source) || ExpressionDelimiters != expressions_.Delimiters)
      ReadExpressions(Text());
    if (expressions_.HasOpening) {
      WideString& s = expanded_;
      s.clear();
      // Room for the plain text and values of the usual length, so that the appends below do
      // not move it again and again.
      s.reserve(expressions_.Source.size() + 96 * expressions_.Parts.size());
      for (const TTextExpression& e : expressions_.Parts) {
        s += e.Before;
        ExpandExpression(e, report, s);
      }
      s += expressions_.Tail;
      SetText(s);
    }
  }
  if (report) report->SetScriptValue(Value);
  if (highlight_) {
    highlight_->Active = false;
    if (!highlight_->Condition.empty() && report) highlight_->Active = report->Calc(highlight_->Condition).ToBoolean();
  }
  if (SuppressRepeated) {
    WideString text = Text();
    if (!LastValue.IsEmpty() && text == LastValue.ToWideString()) {
      SetText(WideString());
    } else {
      LastValue = Variant(text);
    }
  }
  if (flowTo_) {
    InitPart();
    DrawPart();
    flowTo_->SetText(WideString(PartText()));
    flowTo_->AllowExpressions = false;
  }
}

void TkvxCustomMemoView::BeforePrint() {
  TkvxStretcheable::BeforePrint();
  // Mostly the design text saved for the row before, put back by AfterPrint.
  if (!HasDataBinding() && !memo_.TextEquals(SavedText)) {
    SavedText = Text();
    SavedLines().SetText(SavedText);
  }
}

TWideStrings& TkvxCustomMemoView::SavedLines() {
  if (!savedLines_) savedLines_ = std::make_unique<TWideStrings>();
  return *savedLines_;
}

void TkvxCustomMemoView::AfterPrint() {
  if (!HasDataBinding()) memo_.Assign(&SavedLines());
  TkvxStretcheable::AfterPrint();
}

void TkvxCustomMemoView::BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                   Extended offsetY) {
  TkvxStretcheable::BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  TRect r{X, Y, X1, Y1};
  const TkvxFrame& frame = DrawnFrame();
  Extended fw = frame.Width();
  TkvxFrameTypes typ = frame.Typ();
  if (typ.Contains(ftLeft)) r.Left += static_cast<int>(kvxLRound((fw * scaleX - 1) / 2));
  if (typ.Contains(ftRight)) r.Right -= static_cast<int>(kvxLRound(fw * scaleX / 2));
  if (typ.Contains(ftTop)) r.Top += static_cast<int>(kvxLRound((fw * scaleY - 1) / 2));
  if (typ.Contains(ftBottom)) r.Bottom -= static_cast<int>(kvxLRound(fw * scaleY / 2));
  r.Left += static_cast<int>(kvxLRound(GapX * scaleX));
  r.Right -= static_cast<int>(kvxLRound(GapX * scaleX)) - 1;
  r.Top += static_cast<int>(kvxLRound(GapY * scaleY));
  r.Bottom -= static_cast<int>(kvxLRound(GapY * scaleY)) - 1;
  TextRect = r;
}

Extended TkvxCustomMemoView::VerticalExtra() const {
  Extended e = 2 * GapY;
  const TkvxFrame& frame = DrawnFrame();
  Extended fw = frame.Width();
  if (frame.Typ().Contains(ftTop)) e += (fw - 1) / 2;
  if (frame.Typ().Contains(ftBottom)) e += fw / 2;
  if (frame.DropShadow()) e += frame.ShadowWidth();
  return e;
}

Extended TkvxCustomMemoView::HorizontalExtra() const {
  Extended e = 2 * GapX;
  const TkvxFrame& frame = DrawnFrame();
  Extended fw = frame.Width();
  if (frame.Typ().Contains(ftLeft)) e += (fw - 1) / 2;
  if (frame.Typ().Contains(ftRight)) e += fw / 2;
  if (frame.DropShadow()) e += frame.ShadowWidth();
  return e;
}

TkvxDrawText& TkvxCustomMemoView::Drawer() const { return kvxDrawText(); }

void TkvxCustomMemoView::SetupFontAndOptions(TkvxDrawText& drawer) {
  drawer.UseDefaultCharset = UseDefaulCharset;
  if (HighlightActive()) {
    drawer.SetFont(highlight_->Font());
    SetColor(highlight_->Color);
  } else {
    drawer.SetFont(Font());
  }
  drawer.SetOptions(WordWrap, AllowHTMLTags, RTLReading, WordBreak, Clipped, Wysiwyg, rotation_);
  drawer.SetGaps(ParagraphGap, CharSpacing, LineSpacing);
}

void TkvxCustomMemoView::SetupDrawText(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                       Extended offsetY) {
  TkvxDrawText& drawer = Drawer();
  SetupFontAndOptions(drawer);
  if (AutoWidth && !IsDesigning) {
    TRect box{0, 0, 10000, 10000};
    drawer.SetDimensions(box, box, 1, 1, 1);
    drawer.SetText(memo_);
    Extended oldWidth = Width();
    Extended newWidth = drawer.CalcWidth() + HorizontalExtra();
    SetWidth(newWidth);
    if (HAlign == haRight) SetLeft(Left() + oldWidth - newWidth);
    if (HAlign == haCenter) SetLeft(Left() + (oldWidth - newWidth) / 2);
    if (Parent()) Parent()->AlignChildren();
  }
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  TRect frameRect = TextRect;
  // Text is clipped to the memo, not to its inner margins: marks above and below a line and
  // letters that lean out of their cell keep the room the gaps give them.
  TRect memoRect = Rect(X, Y, X1 + 1, Y1 + 1);
  // Laying out for the PDF draws at the report's own scale: the rectangles are those just made.
  if (scaleX != 1 || scaleY != 1 || offsetX != 0 || offsetY != 0) BeginDraw(canvas, 1, 1, 0, 0);
  if (!IsPrinting) PrintScale = 1;
  drawer.SetDimensions(TextRect, frameRect, scaleX, scaleY, PrintScale);
  drawer.SetClipRect(memoRect);
  drawer.SetText(memo_);
  drawer.SetParaBreaks(FirstParaBreak, LastParaBreak);
}

void TkvxCustomMemoView::ApplyPreviewVariables() {
  if (!AllowExpressions) return;
  WideString s = Text();
  // Most memos of a page hold no marker at all and are not searched.
  if (s.find_first_of(kvxPreviewMarks) != WideString::npos) {
    WideString total = kvxUtf8ToWide(IntToStr(TotalPages));
    WideString page = kvxUtf8ToWide(IntToStr(PageNo)), logical = kvxUtf8ToWide(IntToStr(LogicalPageNo));
    WideString copy;
    if (kvxGlobalVariables()->IndexOf("CopyName") >= 0)
      copy = kvxGlobalVariables()->GetVariable("CopyName").ToWideString() + kvxUtf8ToWide(IntToStr(CopyNo));
    // Every marker goes, in one pass over the text: a footer such as "page 3 of
    // [TotalPages#] ([TotalPages#])" shows both, and a memo of thousands of markers takes
    // no longer than its length.
    WideString out;
    out.reserve(s.size());
    for (char16_t c : s) {
      if (c == kvxTotalPagesMark)
        out += total;
      else if (PageNo > 0 && c == kvxPageMark)
        out += page;
      else if (PageNo > 0 && c == kvxLogicalPageMark)
        out += logical;
      else if (c == kvxCopyNameMark)
        out += copy;
      else
        out += c;
    }
    s = std::move(out);
  }
  SetText(s);
}

void TkvxCustomMemoView::MarkWrittenTotals() {
  WideString s = Text();
  if (s.find(u'[') == WideString::npos) return;
  static constexpr std::u16string_view kTotal = u"[TOTALPAGES#]", kCopy = u"[COPYNAME#]";
  // Written by the program, the markers are ASCII; they are matched without regard to case.
  auto at = [&](size_t i, std::u16string_view marker) {
    if (s.size() - i < marker.size()) return false;
    for (size_t k = 0; k < marker.size(); ++k) {
      char16_t c = s[i + k];
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      if (c != marker[k]) return false;
    }
    return true;
  };
  WideString out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (s[i] == u'[' && at(i, kTotal)) {
      out += kvxTotalPagesMark;
      i += kTotal.size();
    } else if (s[i] == u'[' && at(i, kCopy)) {
      out += kvxCopyNameMark;
      i += kCopy.size();
    } else {
      out += s[i++];
    }
  }
  if (out.size() != s.size()) SetText(out);
}

void TkvxCustomMemoView::DrawUnderlines(TkvxDrawText& drawer) {
  TCanvas& c = *DrawCanvas;
  c.Pen().SetColor(DrawnFrame().Color());
  c.Pen().SetWidth(FW);
  c.Pen().SetStyle(psSolid);
  c.Pen().SetMode(pmCopy);
  Extended step = drawer.GetLineHeight() * ScaleY;
  if (step <= 0) return;
  for (Extended y = Y + (GapY - LineSpacing + 1) * ScaleY + step; y < Y1; y += step) {
    int iy = static_cast<int>(std::lround(y));
    c.MoveTo(X, iy);
    c.LineTo(X1, iy);
  }
}

void TkvxCustomMemoView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  WideString designText;
  bool showField = IsDesigning && HasDataBinding();
  if (showField) {
    designText = Text();
    SetText(kvxUtf8ToWide("[" + DataSet()->UserName() + ".\"" + DataField() + "\"]"));
  } else {
    ApplyPreviewVariables();
  }
  TColor savedColor = Color();
  TkvxDrawText& drawer = Drawer();
  {
    TkvxDrawTextLock guard(drawer);
    try {
      SetupDrawText(canvas, scaleX, scaleY, offsetX, offsetY);
      BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
      DrawBackground();
      DrawFrame();
      if (Underlines && rotation_ == 0) DrawUnderlines(drawer);
      drawer.DrawText(canvas, HAlign, VAlign);
    } catch (...) {
      // The highlight's colour must not stay on the object.
      SetColor(savedColor);
      if (showField) SetText(designText);
      throw;
    }
  }
  SetColor(savedColor);
  if (showField) SetText(designText);
}

Extended TkvxCustomMemoView::CalcHeight() {
  TkvxDrawText& drawer = Drawer();
  TkvxDrawTextLock guard(drawer);
  SetupFontAndOptions(drawer);
  if (AutoWidth) {
    TRect box{0, 0, 10000, 10000};
    drawer.SetDimensions(box, box, 1, 1, 1);
  } else {
    BeginDraw(nullptr, 1, 1, 0, 0);
    drawer.SetDimensions(TextRect, TextRect, 1, 1, 1);
  }
  return std::round(drawer.TextHeight(memo_) + VerticalExtra());
}

Extended TkvxCustomMemoView::CalcWidth() {
  TkvxDrawText& drawer = Drawer();
  TkvxDrawTextLock guard(drawer);
  SetupFontAndOptions(drawer);
  TRect box{0, 0, 10000, 10000};
  drawer.SetDimensions(box, box, 1, 1, 1);
  drawer.SetText(memo_);
  return std::round(drawer.CalcWidth() + HorizontalExtra());
}

void TkvxCustomMemoView::InitPart() {
  partText_ = Text();
  partStart_ = 0;
  FirstParaBreak = false;
  LastParaBreak = false;
}

namespace {

bool EndsLine(char16_t c) { return c == u'\r' || c == u'\n' || c == u'\u2028'; }

// Where the part to lay out ends in text: after its first count lines as TWideStrings breaks
// lines, the end of the text when it has no more; or, when that is further than bound, inside
// the first paragraph that reaches past bound (cut is then set). A text that ends at a NUL is
// all one part, as TWideStrings reads nothing after it.
size_t PartEnd(std::u16string_view text, size_t count, size_t bound, bool& cut) {
  cut = false;
  size_t i = 0;
  for (size_t line = 0; line < count; ++line) {
    const size_t lineStart = i;
    while (i < text.size() && !EndsLine(text[i])) {
      if (text[i] == u'\0') return text.size();
      // Never between the halves of a surrogate pair.
      if (i >= bound && i > lineStart && !(text[i] >= 0xDC00 && text[i] <= 0xDFFF)) {
        cut = true;
        return i;
      }
      ++i;
    }
    if (i < text.size() && text[i] == u'\r') ++i;
    if (i < text.size() && text[i] == u'\n') ++i;
    if (i < text.size() && text[i] == u'\u2028') ++i;
    if (i >= text.size()) return text.size();
  }
  return i;
}

}  // namespace

void TkvxCustomMemoView::ReplacePartHead(size_t used, const WideString& text) {
  const size_t end = partStart_ + used;
  if (text.size() <= end) {
    // The text put back is what the page did not take: it fits where that page's text was.
    partStart_ = end - text.size();
    std::copy(text.begin(), text.end(), partText_.begin() + static_cast<std::ptrdiff_t>(partStart_));
  } else {
    partText_ = text + partText_.substr(end);
    partStart_ = 0;
  }
  if (partStart_ == partText_.size()) {
    WideString().swap(partText_);
    partStart_ = 0;
  }
}

Extended TkvxCustomMemoView::DrawPart() {
  TkvxDrawText& drawer = Drawer();
  TkvxDrawTextLock guard(drawer);
  TColor savedColor = Color();
  // The part takes no more lines of the text than its height holds, and each source line makes
  // a line at least: only those lines and the first that does not fit are laid out, and of a
  // long paragraph only a piece about the part's size, so a long memo is split in one pass over
  // its pages. An auto-width memo measures all its lines for its width.
  const std::u16string_view rest = PartText();
  size_t lines = SIZE_MAX, bound = SIZE_MAX;
  if (!AutoWidth) {
    SetupFontAndOptions(drawer);
    BeginDraw(nullptr, 1, 1, 0, 0);
    TRect box = TextRect;
    drawer.SetDimensions(box, box, 1, 1, 1);
    lines = static_cast<size_t>(drawer.LinesIn(TextRect.Bottom - TextRect.Top + 1)) + 1;
    bound = drawer.SplitLength();
  }
  size_t head = rest.size();
  bool cut = false;
  for (;;) {
    if (!AutoWidth) head = PartEnd(rest, lines, bound, cut);
    SetText(WideString(rest.substr(0, head)));
    drawer.SetSplitting(!AutoWidth, cut);
    try {
      SetupDrawText(nullptr, 1, 1, 0, 0);
    } catch (...) {
      drawer.SetSplitting(false);
      throw;
    }
    drawer.SetSplitting(false);
    // A piece that gave too few lines (a paragraph of unusually narrow letters) is taken longer.
    if (!cut || !drawer.ShortOfText()) break;
    bound *= 2;
  }
  bool paraBreak = false;
  WideString out = drawer.GetOutBoundsText(paraBreak);
  // The part's height less that of the lines it keeps, each with its spacing: what the whole
  // text needed less that is what the rest needs, wrapped again from where the part ends.
  const Extended kept = static_cast<Extended>(drawer.Lines().size()) * drawer.GetLineHeight();
  // The drawer ends every paragraph it was given; a cut one goes on in the text not given.
  if (cut && out.size() >= 2 && out.compare(out.size() - 2, 2, u"\r\n") == 0) out.resize(out.size() - 2);
  // What did not fit takes the place of the text laid out; the rest of the text stays put.
  ReplacePartHead(head, out);
  SetText(drawer.GetInBoundsText());
  if (!PartText().empty()) drawer.KeepPartBreaks(memo_);
  LastParaBreak = paraBreak;
  SetColor(savedColor);
  return kept == 0 ? Height() : std::max(Height() - kept, 0.0001);
}

void TkvxCustomMemoView::DrawRest() {
  SetText(WideString(PartText()));
  WideString().swap(partText_);
  partStart_ = 0;
  LastParaBreak = false;
}

Extended TkvxCustomMemoView::RestHeight() {
  if (PartText().empty()) return 0;
  const WideString shown = Text();
  SetText(WideString(PartText()));
  Extended h = 0;
  try {
    h = CalcHeight();
  } catch (...) {
    SetText(shown);
    throw;
  }
  SetText(shown);
  return h;
}

WideString TkvxCustomMemoView::WrapText(bool wrapped) {
  TkvxDrawText& drawer = Drawer();
  TkvxDrawTextLock guard(drawer);
  LayOut();
  return wrapped ? drawer.GetWrappedText() : drawer.DeleteTags(Text());
}

const TkvxDrawText& TkvxCustomMemoView::LayOut(size_t shownLines) {
  TkvxDrawText& drawer = Drawer();
  // The limit holds for this layout only; the drawer serves every memo after it.
  struct TShown {
    TkvxDrawText& Drawer;
    ~TShown() { Drawer.SetShownLines(SIZE_MAX); }
  } shown{drawer};
  drawer.SetShownLines(shownLines);
  // Laying out measures on the drawer's own canvas: no target canvas is needed.
  SetupDrawText(nullptr, 1, 1, 0, 0);
  return drawer;
}

String TkvxCustomMemoView::Diff(TkvxComponent* templ) {
  String out = TkvxStretcheable::Diff(templ);
  // Asked for every object of every page: the class chain is a few steps, a dynamic_cast a walk
  // of the C++ hierarchy.
  auto* t = templ && templ->InheritsFrom(TkvxCustomMemoView::StaticClass()) ? static_cast<TkvxCustomMemoView*>(templ)
                                                                            : nullptr;
  if (!t) return out;
  auto attr = [&](const char* name, const String& value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
  };
  auto flag = [](bool b) { return String(b ? "1" : "0"); };
  if (AutoWidth != t->AutoWidth) attr("AutoWidth", flag(AutoWidth));
  if (kvxDiffers(CharSpacing, t->CharSpacing)) attr("CharSpacing", kvxFormatFloat(CharSpacing));
  if (kvxDiffers(GapX, t->GapX)) attr("GapX", kvxFormatFloat(GapX));
  if (kvxDiffers(GapY, t->GapY)) attr("GapY", kvxFormatFloat(GapY));
  if (HAlign != t->HAlign) attr("HAlign", IntToStr(HAlign));
  if (HighlightActive() != t->HighlightActive()) attr("Highlight.Active", flag(HighlightActive()));
  if (kvxDiffers(LineSpacing, t->LineSpacing)) attr("LineSpacing", kvxFormatFloat(LineSpacing));
  if (UseDefaulCharset != t->UseDefaulCharset) attr("UseDefaulCharset", flag(UseDefaulCharset));
  out += " u=\"";
  if (memo_.Count() == 1) {
    kvxAppendXML(out, memo_.Line(0));
  } else if (memo_.Count() > 1) {
    WideString text = Text();
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0) text.resize(text.size() - 2);
    kvxAppendXML(out, text);
  }
  out += '"';
  if (kvxDiffers(ParagraphGap, t->ParagraphGap)) attr("ParagraphGap", kvxFormatFloat(ParagraphGap));
  if (rotation_ != t->rotation_) attr("Rotation", IntToStr(rotation_));
  if (RTLReading != t->RTLReading) attr("RTLReading", flag(RTLReading));
  if (Underlines != t->Underlines) attr("Underlines", flag(Underlines));
  if (VAlign != t->VAlign) attr("VAlign", IntToStr(VAlign));
  if (WordWrap != t->WordWrap) attr("WordWrap", flag(WordWrap));
  if (FirstParaBreak) attr("FirstParaBreak", "1");
  if (LastParaBreak) attr("LastParaBreak", "1");
  FirstParaBreak = LastParaBreak;
  LastParaBreak = false;
  return out;
}

}  // namespace orv
