#include "report/model/DotMatrix.h"

#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/rtl/ClassRegistry.h"
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

ORV_IMPLEMENT_CLASS(TkvxDMPLineView, c) {
  using T = TkvxDMPLineView;
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

TkvxDMPPage::TkvxDMPPage(TComponent* owner) : TkvxReportPage(owner) { kvxResetDMPFont(Font(), fontStyle_); }

void TkvxDMPPage::SetFontStyle(TkvxDMPFontStyles value) {
  fontStyle_ = value;
  kvxResetDMPFont(Font(), fontStyle_);
  for (TkvxComponent* child : Objects())
    if (child->ParentFont()) child->SetParentFont(true);
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
  StorePaperSize(Round(PaperWidth() * kvxPixelsPerMM / C) * C / kvxPixelsPerMM,
                 Round(PaperHeight() * kvxPixelsPerMM / L) * L / kvxPixelsPerMM);
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
  objects->Register(TkvxDMPLineView::StaticClass(), nullptr, "", "", 0, 5, 8);
  objects->Register(TkvxDMPCommand::StaticClass(), nullptr, "", "", 0, 21, 8);
  return true;
}();

}  // namespace

}  // namespace orv
