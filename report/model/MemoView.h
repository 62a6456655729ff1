#pragma once
// Memo views: the text objects of a report. Their text holds expressions between delimiters,
// expanded per record by the report, and is laid out and drawn by the text drawer.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "report/model/DrawText.h"
#include "report/model/View.h"

namespace orv {

ORV_ENUM(TkvxFormatKind, fkText, fkNumeric, fkDateTime, fkBoolean);

class TkvxStyleItem;

// How a value becomes text.
class TkvxFormat : public TPersistent {
  ORV_CLASS(TkvxFormat, TPersistent)

 public:
  void Assign(TPersistent* source) override;
  String DecimalSeparator, ThousandSeparator, FormatStr;
  TkvxFormatKind Kind = fkText;
};

// A font and colour the memo takes while its condition holds.
class TkvxHighlight : public TPersistent {
  ORV_CLASS(TkvxHighlight, TPersistent)

 public:
  TkvxHighlight();
  void Assign(TPersistent* source) override;
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* value) { font_->Assign(value); }

  bool Active = false;
  TColor Color = clNone;
  String Condition;

 private:
  std::unique_ptr<TFont> font_;
};

// Marks a memo leaves in its text for its page's number and logical number while the report
// runs: the prepared pages put in the numbers of the page the memo lands on, which a band moved
// to the next page or a footer repeated on further pages may change after the memo was filled.
inline constexpr char16_t kvxPageMark = u'\uE000', kvxLogicalPageMark = u'\uE001';
// Marks for the page total and the copy name, filled in only when the page is drawn. They are
// characters no text is written with, so a field whose value reads "[TotalPages#]" stays as it is.
inline constexpr char16_t kvxTotalPagesMark = u'\uE002', kvxCopyNameMark = u'\uE003';
// All four, for looking whether a text holds any.
inline constexpr std::u16string_view kvxPreviewMarks = u"\uE000\uE001\uE002\uE003";
inline constexpr const char* kvxPageMarkUtf8 = "\xEE\x80\x80";
inline constexpr const char* kvxLogicalPageMarkUtf8 = "\xEE\x80\x81";

class TkvxCustomMemoView : public TkvxStretcheable {
  ORV_CLASS(TkvxCustomMemoView, TkvxStretcheable)

 public:
  explicit TkvxCustomMemoView(TComponent* owner);
  ~TkvxCustomMemoView() override;

  String GetDescription() const override { return "obText"; }
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
  void BeforePrint() override;
  void GetData() override;
  void AfterPrint() override;
  String GetComponentText() override;
  Extended CalcHeight() override;
  virtual Extended CalcWidth();
  Extended DrawPart() override;
  void InitPart() override;
  void DrawRest() override;
  bool HasRest() const override { return !PartText().empty(); }
  Extended RestHeight() override;
  String Diff(TkvxComponent* templ) override;

  WideString Text() const { return memo_.Text(); }
  void SetText(const WideString& value) { memo_.SetText(value); }
  String AnsiText() const;
  void SetAnsiText(const String& value);
  TWideStrings* Memo() const { return &memo_; }
  void SetMemo(TWideStrings* value) { memo_.Assign(value); }
  // Both are made when first asked for: most memos have neither, and pages rebuilt for an export
  // make and free tens of thousands of memos.
  TkvxHighlight* Highlight() const;
  void SetHighlight(TkvxHighlight* value) { Highlight()->Assign(value); }
  bool HighlightActive() const { return highlight_ && highlight_->Active; }
  bool HasHighlightCondition() const;
  TkvxFormat* DisplayFormat() const;
  void SetDisplayFormat(TkvxFormat* value) { DisplayFormat()->Assign(value); }
  Integer Rotation() const { return rotation_; }
  void SetRotation(Integer value) { rotation_ = ((value % 360) + 360) % 360; }
  const String& Style() const { return style_; }
  void SetStyle(const String& value);
  // The report's style that Style names; null when the report has none of that name.
  TkvxStyleItem* FoundStyle() const;
  // Takes the style's colour, font and frame, as setting Style does.
  void TakeStyle(const TkvxStyleItem& item);
  TkvxCustomMemoView* FlowTo() const { return flowTo_; }
  void SetFlowTo(TkvxCustomMemoView* value);
  // Lays the memo out: the wrapped lines, or the text without its tags.
  WideString WrapText(bool wrapped);
  // Lays the memo out on its text drawer as drawing does and returns the drawer, whose lines and
  // line height a caller then reads; hold the drawer's lock around both. With shownLines, only
  // the first lines up to that many are made: what a box that clips the text shows of it.
  const TkvxDrawText& LayOut(size_t shownLines = SIZE_MAX);
  void ResetSuppress() { LastValue = Variant(String()); }

  bool AllowExpressions = true;
  bool AllowHTMLTags = false;
  bool AutoWidth = false;
  Extended CharSpacing = 0;
  bool Clipped = true;
  String ExpressionDelimiters = "[,]";
  bool FirstParaBreak = false;
  Extended GapX = 2, GapY = 1;
  TkvxHAlign HAlign = haLeft;
  bool HideZeros = false;
  bool LastParaBreak = false;
  Extended LineSpacing = 2;
  Extended ParagraphGap = 0;
  // The text still to be laid out while the memo is split over pages.
  std::u16string_view PartText() const { return std::u16string_view(partText_).substr(partStart_); }
  bool RTLReading = false;
  bool SuppressRepeated = false;
  WideString SavedText;
  bool Underlines = false;
  TkvxVAlign VAlign = vaTop;
  Variant Value;
  bool WordBreak = false;
  bool WordWrap = true;
  bool Wysiwyg = true;
  bool UseDefaulCharset = false;
  Variant LastValue;
  Integer TotalPages = 0, CopyNo = 0;
  // The page the memo is drawn on: its place among the prepared pages from 1 and its logical
  // number; 0 while it is not known, which leaves the page marks as they stand.
  Integer PageNo = 0, LogicalPageNo = 0;
  // Scale handed to the drawer while printing; the printing code sets it.
  Extended PrintScale = 1;
  // Puts TotalPages, the page numbers and the copy's name in place of their markers; drawing and
  // export call it.
  void ApplyPreviewVariables();
  // Turns the page total and copy name written out as "[TotalPages#]" and "[CopyName#]" into
  // their marks: the form of prepared files saved before the marks had characters of their own.
  void MarkWrittenTotals();

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
  bool DiffOmitsWidth() const override { return AutoWidth; }

  TRect TextRect{};

 private:
  TkvxDrawText& Drawer() const;
  void SetupDrawText(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
  void SetupFontAndOptions(TkvxDrawText& drawer);
  Extended HorizontalExtra() const;
  Extended VerticalExtra() const;
  bool Convert() const;
  // A field's text, made well-formed as it is read, comes through the font's charset unchanged.
  bool KeepsFieldText() const;
  // One bracketed expression of the text, read once for every record: the text before it, the
  // expression and its own format, if any.
  struct TTextExpression {
    WideString Before;
    String Expr;
    std::unique_ptr<TkvxFormat> Format;
    // The marker left in the text for a value known only when drawing, when Expr names one.
    WideString Marker;
    // The marker stands for the number of the page the memo is drawn on.
    bool PageMarker = false;
  };
  // The design text whose expressions were last read, and what was read.
  struct TExpressionText {
    WideString Source;
    String Delimiters;
    bool HasOpening = false;
    std::vector<TTextExpression> Parts;
    WideString Tail;
  };
  void ReadExpressions(const WideString& source);
  // Adds the text of e to the end of out.
  void ExpandExpression(const TTextExpression& e, TkvxReport* report, WideString& out);
  WideString FormatValue(const Variant& value, const TkvxFormat& format) const;
  void DrawUnderlines(TkvxDrawText& drawer);
  // The part's text loses its first used units and begins with text instead.
  void ReplacePartHead(size_t used, const WideString& text);

  // Part of the object: every memo has its text, and a page makes tens of thousands of memos.
  mutable TWideStrings memo_;
  mutable std::unique_ptr<TkvxHighlight> highlight_;
  mutable std::unique_ptr<TkvxFormat> displayFormat_;
  Integer rotation_ = 0;
  String style_;
  TkvxCustomMemoView* flowTo_ = nullptr;
  TExpressionText expressions_;
  // The text a row's expressions expand to; its storage serves every row.
  WideString expanded_;
  // SavedText split into lines, made when SavedText is: the design text goes back after every
  // row without being split again. Made when first printed: the many copies a page is read
  // back into never print.
  std::unique_ptr<TWideStrings> savedLines_;
  TWideStrings& SavedLines();
  // PartText is partText_ from partStart_ on: a split takes a page's text off its front by
  // moving the start, not by moving all the text after it.
  WideString partText_;
  size_t partStart_ = 0;
};

class TkvxMemoView : public TkvxCustomMemoView {
  ORV_CLASS(TkvxMemoView, TkvxCustomMemoView)

 public:
  using TkvxCustomMemoView::TkvxCustomMemoView;
};

// A memo for system values (page numbers, dates), without data binding or expression options.
class TkvxSysMemoView : public TkvxCustomMemoView {
  ORV_CLASS(TkvxSysMemoView, TkvxCustomMemoView)

 public:
  using TkvxCustomMemoView::TkvxCustomMemoView;
  String GetDescription() const override { return "obSysText"; }
};

}  // namespace orv
