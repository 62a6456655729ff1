#include "report/model/DotMatrix.h"

#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/rtl/ClassRegistry.h"
#include "report/model/DataSets.h"
#include "report/model/Registries.h"
#include "report/model/XmlEscape.h"

namespace orv {

namespace {

constexpr Extended C = kv1CharX;
constexpr Extended L = kv1CharY;

Extended Round(Extended v) { return std::round(v); }
Extended Trunc(Extended v) { return std::trunc(v); }

bool FontStyleStored(TkvxComponent& obj) { return !obj.ParentFont(); }

}  // namespace

#define ORV_FIELD(T, field) [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

ORV_IMPLEMENT_CLASS(TkvxDMPMemoView, c) {
  using T = TkvxDMPMemoView;
  c.Prop("AutoWidth", ORV_FIELD(T, AutoWidth)).Default(false);
  c.Prop("AllowExpressions", ORV_FIELD(T, AllowExpressions)).Default(true);
  c.Prop("DataField", &T::DataField, &T::SetDataField);
  c.Prop("DataSet", &T::DataSet, &T::SetDataSet);
  c.Prop("DataSetName", &T::DataSetName, &T::SetDataSetName);
  c.Prop("DisplayFormat", &T::DisplayFormat, &T::SetDisplayFormat);
  c.Prop("ExpressionDelimiters", ORV_FIELD(T, ExpressionDelimiters)).Stored([](T& v) {
    return v.ExpressionDelimiters != "[,]";
  });
  c.Prop("FlowTo", &T::FlowTo, &T::SetFlowTo);
  c.Prop("FontStyle", &T::FontStyle, &T::SetFontStyle).Stored([](T& o) { return FontStyleStored(o); });
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("HAlign", ORV_FIELD(T, HAlign)).Default(haLeft);
  c.Prop("HideZeros", ORV_FIELD(T, HideZeros)).Default(false);
  c.Prop("Memo", &T::Memo, &T::SetMemo);
  c.Prop("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  c.Prop("RTLReading", ORV_FIELD(T, RTLReading)).Default(false);
  c.Prop("SuppressRepeated", ORV_FIELD(T, SuppressRepeated)).Default(false);
  c.Prop("WordWrap", ORV_FIELD(T, WordWrap)).Default(true);
  c.Prop("TruncOutboundText", ORV_FIELD(T, TruncOutboundText)).Default(false);
  c.Prop("VAlign", ORV_FIELD(T, VAlign)).Default(vaTop);
}

ORV_IMPLEMENT_CLASS(TkvxDMPLineView, c) {
  using T = TkvxDMPLineView;
  PublishLineProperties(c);
  c.Prop("FontStyle", &T::FontStyle, &T::SetFontStyle).Stored([](T& o) { return FontStyleStored(o); });
  c.Prop("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
}

ORV_IMPLEMENT_CLASS(TkvxDMPCommand, c) {
  c.Prop("Command", [](TkvxDMPCommand& o) { return o.Command; },
         [](TkvxDMPCommand& o, String v) { o.Command = std::move(v); });
}

ORV_IMPLEMENT_CLASS(TkvxDMPPage, c) { c.Prop("FontStyle", &TkvxDMPPage::FontStyle, &TkvxDMPPage::SetFontStyle); }

void kvxResetDMPFont(TFont* font, TkvxDMPFontStyles style) {
  font->OnChange = nullptr;
  font->SetName("Courier New");
  font->SetSize(12);
  TFontStyles fs;
  if (style.Contains(fsxBold)) fs.Include(fsBold);
  if (style.Contains(fsxItalic)) fs.Include(fsItalic);
  if (style.Contains(fsxUnderline)) fs.Include(fsUnderline);
  font->SetStyle(fs);
}

namespace {

// The page's style, for objects that take their font from a dot-matrix page.
const TkvxDMPPage* DMPPageOf(TkvxComponent& obj) { return dynamic_cast<const TkvxDMPPage*>(obj.Parent() ? obj.Parent()->GetPage() : nullptr); }

String FontStyleDiff(TkvxDMPFontStyles value, TkvxDMPFontStyles templ) {
  if (value == templ) return {};
  return " FontStyle=\"" + std::to_string(value.Mask()) + "\"";
}

}  // namespace

TkvxDMPMemoView::TkvxDMPMemoView(TComponent* owner) : TkvxCustomMemoView(owner) { ResetFont(); }

void TkvxDMPMemoView::ResetFont() {
  kvxResetDMPFont(Font(), fontStyle_);
  CharSpacing = 0;
  LineSpacing = 1;
  GapX = 0;
  GapY = 0;
}

void TkvxDMPMemoView::SetLeft(Extended v) {
  TkvxCustomMemoView::SetLeft(Align() == baRight ? Trunc(v / C) * C : Round(v / C) * C);
}

void TkvxDMPMemoView::SetTop(Extended v) { TkvxCustomMemoView::SetTop(Round(v / L) * L); }
void TkvxDMPMemoView::SetWidth(Extended v) { TkvxCustomMemoView::SetWidth(Round(v / C) * C); }
void TkvxDMPMemoView::SetHeight(Extended v) { TkvxCustomMemoView::SetHeight(Round(v / L) * L); }

void TkvxDMPMemoView::SetParentFont(bool value) {
  TkvxCustomMemoView::SetParentFont(value);
  if (const TkvxDMPPage* page = value ? DMPPageOf(*this) : nullptr) {
    fontStyle_ = page->FontStyle();
    ResetFont();
  }
}

void TkvxDMPMemoView::SetFontStyle(TkvxDMPFontStyles value) {
  fontStyle_ = value;
  SetParentFont(false);
  ResetFont();
}

void TkvxDMPMemoView::Loaded() {
  TkvxCustomMemoView::Loaded();
  if (!ParentFont()) ResetFont();
}

Extended TkvxDMPMemoView::CalcHeight() { return Round(TkvxCustomMemoView::CalcHeight() / L) * L; }
Extended TkvxDMPMemoView::CalcWidth() { return Round(TkvxCustomMemoView::CalcWidth() / C) * C; }

void TkvxDMPMemoView::DrawFrame() {
  X = static_cast<int>(std::lround((AbsLeft() - C / 2) * ScaleX + OffsetX));
  Y = static_cast<int>(std::lround((AbsTop() - L / 2) * ScaleY + OffsetY));
  X1 = static_cast<int>(std::lround((AbsLeft() + Width() + C / 2) * ScaleX + OffsetX));
  Y1 = static_cast<int>(std::lround((AbsTop() + Height() + L / 2) * ScaleY + OffsetY));
  TkvxCustomMemoView::DrawFrame();
}

String TkvxDMPMemoView::Diff(TkvxComponent* templ) {
  String out = TkvxCustomMemoView::Diff(templ);
  if (auto* t = dynamic_cast<TkvxDMPMemoView*>(templ)) out += FontStyleDiff(fontStyle_, t->fontStyle_);
  return out;
}

TkvxDMPLineView::TkvxDMPLineView(TComponent* owner) : TkvxCustomLineView(owner) {
  TkvxDMPLineView::SetLeft(0);
  TkvxDMPLineView::SetTop(0);
}

void TkvxDMPLineView::SetLeft(Extended v) {
  if (v < 0)
    v = Trunc(v / C) * C - C / 2;
  else if (Align() == baRight)
    v = Round(v / C) * C - C / 2;
  else
    v = Trunc(v / C) * C + C / 2;
  TkvxCustomLineView::SetLeft(v);
}

void TkvxDMPLineView::SetTop(Extended v) { TkvxCustomLineView::SetTop(Trunc(v / L) * L + L / 2); }

void TkvxDMPLineView::SetWidth(Extended v) {
  TkvxCustomLineView::SetWidth(Align() == baWidth ? Trunc(v / C) * C : Round(v / C) * C);
}

void TkvxDMPLineView::SetParentFont(bool value) {
  TkvxCustomLineView::SetParentFont(value);
  if (const TkvxDMPPage* page = value ? DMPPageOf(*this) : nullptr) fontStyle_ = page->FontStyle();
}

void TkvxDMPLineView::SetFontStyle(TkvxDMPFontStyles value) {
  fontStyle_ = value;
  SetParentFont(false);
}

String TkvxDMPLineView::Diff(TkvxComponent* templ) {
  String out = TkvxCustomLineView::Diff(templ);
  if (auto* t = dynamic_cast<TkvxDMPLineView*>(templ)) out += FontStyleDiff(fontStyle_, t->fontStyle_);
  return out;
}

void TkvxDMPCommand::SetLeft(Extended v) { TkvxView::SetLeft(Round(v / C) * C); }
void TkvxDMPCommand::SetTop(Extended v) { TkvxView::SetTop(Round(v / L) * L); }

String TkvxDMPCommand::Diff(TkvxComponent* templ) {
  String out = TkvxView::Diff(templ);
  auto* t = dynamic_cast<TkvxDMPCommand*>(templ);
  if (t && Command != t->Command) out += " Command=\"" + kvxStrToXML(Command) + "\"";
  return out;
}

TkvxDMPPage::TkvxDMPPage(TComponent* owner) : TkvxReportPage(owner) {
  kvxResetDMPFont(Font(), fontStyle_);
  // The page's font is the printer's, never the report's: moving the page among the report's
  // pages must not hand it the report's font.
  SetParentFont(false);
  // The paper a new page starts with keeps to the grid as well, so a page read back from a
  // file is the page that was written.
  SnapPaper();
}

void TkvxDMPPage::SnapPaper() {
  StorePaperSize(Round(PaperWidth() * kvxPixelsPerMM / C) * C / kvxPixelsPerMM,
                 Round(PaperHeight() * kvxPixelsPerMM / L) * L / kvxPixelsPerMM);
}

void TkvxDMPPage::SetFontStyle(TkvxDMPFontStyles value) {
  fontStyle_ = value;
  kvxResetDMPFont(Font(), fontStyle_);
  for (TkvxComponent* child : Objects())
    if (child->ParentFont()) child->SetParentFont(true);
}

void TkvxDMPPage::Loaded() {
  TkvxReportPage::Loaded();
  SetFontStyle(fontStyle_);
}

void TkvxDMPPage::SetPaperWidth(Extended value) {
  TkvxReportPage::SetPaperWidth(value);
  StorePaperSize(Round(PaperWidth() * kvxPixelsPerMM / C) * C / kvxPixelsPerMM, PaperHeight());
}

void TkvxDMPPage::SetPaperHeight(Extended value) {
  TkvxReportPage::SetPaperHeight(value);
  StorePaperSize(PaperWidth(), Round(PaperHeight() * kvxPixelsPerMM / L) * L / kvxPixelsPerMM);
}

void TkvxDMPPage::SetPaperSize(Integer value) {
  TkvxReportPage::SetPaperSize(value);
  SnapPaper();
}

void TkvxDMPPage::SetDefaults() {
  TkvxReportPage::SetDefaults();
  SetLeftMargin(C / kvxPixelsPerMM);
  SetRightMargin(C / kvxPixelsPerMM);
  SetTopMargin(L / kvxPixelsPerMM);
  SetBottomMargin(L / kvxPixelsPerMM);
  // Whole cells that fit on the sheet itself: the paper setters round, which may already have
  // added a column beyond the paper's edge.
  Extended width = PaperWidth(), height = PaperHeight();
  kvxPaperDimensions(PaperSize(), width, height);
  StorePaperSize(Trunc(width * kvxPixelsPerMM / C) * C / kvxPixelsPerMM,
                 Trunc(height * kvxPixelsPerMM / L) * L / kvxPixelsPerMM);
}

namespace {

const bool registered = [] {
  RegisterClass(TkvxDMPPage::StaticClass());
  TkvxObjectCollection* objects = kvxGetObjects();
  objects->Register(TkvxDMPMemoView::StaticClass(), nullptr, "", "", 0, 2, 8);
  objects->Register(TkvxDMPLineView::StaticClass(), nullptr, "", "", 0, 5, 8);
  objects->Register(TkvxDMPCommand::StaticClass(), nullptr, "", "", 0, 21, 8);
  return true;
}();

}  // namespace

}  // namespace orv
