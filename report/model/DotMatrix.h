#pragma once
// Objects of reports for character printers: every position and size sits on the grid of
// character cells, and printer font styles stand in for a free font.
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"

namespace orv {

ORV_ENUM(TkvxDMPFontStyle, fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide,
         fsx12cpi, fsx15cpi);
using TkvxDMPFontStyles = TSet<TkvxDMPFontStyle>;
ORV_SET_INFO(TkvxDMPFontStyles);

// The character cell in report pixels.
inline constexpr Extended kv1CharX = 9.6;
inline constexpr Extended kv1CharY = 17;

// The printer font of a style: "Courier New" 12 with bold, italic and underline from the style.
// The font no longer reports its changes to its owner.
void kvxResetDMPFont(TFont* font, TkvxDMPFontStyles style);

class TkvxDMPMemoView : public TkvxCustomMemoView {
  ORV_CLASS(TkvxDMPMemoView, TkvxCustomMemoView)

 public:
  explicit TkvxDMPMemoView(TComponent* owner);
  String GetDescription() const override { return "obDMPText"; }
  void SetLeft(Extended value) override;
  void SetTop(Extended value) override;
  void SetWidth(Extended value) override;
  void SetHeight(Extended value) override;
  void SetParentFont(bool value) override;
  Extended CalcHeight() override;
  Extended CalcWidth() override;
  String Diff(TkvxComponent* templ) override;
  // A font of its own is the printer font of its style, whatever the file said before the style.
  void Loaded() override;

  TkvxDMPFontStyles FontStyle() const { return fontStyle_; }
  void SetFontStyle(TkvxDMPFontStyles value);
  // Left to the character printer; kept with the report.
  bool TruncOutboundText = false;

 protected:
  // The frame runs around the character cells, half a cell outside the text.
  void DrawFrame() override;

 private:
  void ResetFont();
  TkvxDMPFontStyles fontStyle_;
};

class TkvxDMPLineView : public TkvxCustomLineView {
  ORV_CLASS(TkvxDMPLineView, TkvxCustomLineView)

 public:
  // A new line already stands in its cell, so a report saved before it is placed reads back the
  // same.
  explicit TkvxDMPLineView(TComponent* owner);
  String GetDescription() const override { return "obDMPLine"; }
  // A line runs through the middle of a character cell.
  void SetLeft(Extended value) override;
  void SetTop(Extended value) override;
  void SetWidth(Extended value) override;
  void SetParentFont(bool value) override;
  String Diff(TkvxComponent* templ) override;

  TkvxDMPFontStyles FontStyle() const { return fontStyle_; }
  void SetFontStyle(TkvxDMPFontStyles value);

 private:
  TkvxDMPFontStyles fontStyle_;
};

class TkvxDMPCommand : public TkvxView {
  ORV_CLASS(TkvxDMPCommand, TkvxView)

 public:
  explicit TkvxDMPCommand(TComponent* owner) : TkvxView(owner) {}
  String GetDescription() const override { return "obDMPCmd"; }
  void SetLeft(Extended value) override;
  void SetTop(Extended value) override;
  String Diff(TkvxComponent* templ) override;

  // The printer's own command text.
  String Command;
};

class TkvxDMPPage : public TkvxReportPage {
  ORV_CLASS(TkvxDMPPage, TkvxReportPage)

 public:
  explicit TkvxDMPPage(TComponent* owner);
  // Paper and margins come out as whole character cells.
  void SetPaperWidth(Extended value) override;
  void SetPaperHeight(Extended value) override;
  void SetPaperSize(Integer value) override;
  void SetDefaults() override;
  // The page's font is the printer font of its style, whatever the file said before the style.
  void Loaded() override;

  TkvxDMPFontStyles FontStyle() const { return fontStyle_; }
  void SetFontStyle(TkvxDMPFontStyles value);

 private:
  void SnapPaper();
  TkvxDMPFontStyles fontStyle_;
};

}  // namespace orv
