#pragma once
// TkvxView: a visible report object: a frame, a background, a binding to a data-set field, a
// tag text and a link text. TkvxStretcheable: a view whose height can follow its content.
#include <memory>

#include "platform/gui/Cursors.h"
#include "report/model/Frame.h"
#include "report/model/ReportComponent.h"

namespace orv {

class TkvxDataSet;

ORV_ENUM(TkvxShiftMode, smDontShift, smAlways, smWhenOverlapped);
ORV_ENUM(TkvxStretchMode, smDontStretch, smActualHeight, smMaxHeight);

class TkvxView : public TkvxReportComponent {
  ORV_CLASS(TkvxView, TkvxReportComponent)

 public:
  explicit TkvxView(TComponent* owner);
  ~TkvxView() override;

  // Background, then frame.
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
  void BeforePrint() override;
  // The tag and link texts get the values of their bracketed expressions for this row.
  void GetData() override;
  void AfterPrint() override;
  String Diff(TkvxComponent* templ) override;
  // text with each bracketed expression replaced by its value as text.
  String ExpandBrackets(const String& text);
  bool HasDataBinding() const { return dataSet_ && !dataField_.empty(); }

  TkvxAlign Align() const { return align_; }
  void SetAlign(TkvxAlign v) { align_ = v; }
  TBrushStyle BrushStyle() const { return brushStyle_; }
  void SetBrushStyle(TBrushStyle v) { brushStyle_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v) { cursor_ = v; }
  const String& DataField() const { return dataField_; }
  void SetDataField(const String& v) { dataField_ = v; }
  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* value);
  String DataSetName() const;
  void SetDataSetName(const String& value);
  // Made when first asked for: most views never have one, and pages rebuilt for an export make
  // and free tens of thousands of views. What is only read goes through DrawnFrame.
  TkvxFrame* Frame() const;
  void SetFrame(TkvxFrame* v) { Frame()->Assign(v); }
  // The frame as it is drawn: a view whose frame was never made has the frame a new one has.
  const TkvxFrame& DrawnFrame() const;
  bool Printable() const { return printable_; }
  void SetPrintable(bool v) { printable_ = v; }
  TkvxShiftMode ShiftMode() const { return shiftMode_; }
  void SetShiftMode(TkvxShiftMode v) { shiftMode_ = v; }
  const String& TagStr() const { return tagStr_; }
  void SetTagStr(const String& v) { tagStr_ = v; }
  const String& Hint() const { return hint_; }
  void SetHint(const String& v) { hint_ = v; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v) { showHint_ = v; }
  const String& URL() const { return url_; }
  void SetURL(const String& v) { url_ = v; }
  // Names of script procedures.
  String OnAfterData, OnAfterPrint, OnBeforePrint, OnPreviewClick, OnPreviewDblClick;

  // The pixel rectangle of the last BeginDraw and its frame width.
  int X = 0, Y = 0, X1 = 0, Y1 = 0, DX = 0, DY = 0, FW = 0;

 protected:
  TkvxAlign AlignKind() const override { return align_; }
  void Notification(TComponent* component, TOperation operation) override;

  virtual void BeginDraw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
  virtual void DrawBackground();
  virtual void DrawFrame();
  // The pen for a frame of this style, width pixels wide on the canvas, its dashes scaled with
  // the page so that the preview, the printer and the PDF break it alike.
  void SetFramePen(TkvxFrameStyle style, int width);
  // One stroke in the current pen's colour, w pixels wide and broken as style says, centred on
  // the line; an even width reaches one pixel further up and to the left.
  void DrawThickLine(int x1, int y1, int x2, int y2, int w, TkvxFrameStyle style = fsSolid);

  TCanvas* DrawCanvas = nullptr;
  Extended ScaleX = 1, ScaleY = 1, OffsetX = 0, OffsetY = 0;

 private:
  void DrawFrameLine(TkvxFrameLine* line, int x1, int y1, int x2, int y2, bool startMeets, bool endMeets);

  TkvxAlign align_ = baNone;
  TBrushStyle brushStyle_ = bsSolid;
  TColor color_ = clNone;
  TCursor cursor_ = crDefault;
  String dataField_;
  TkvxDataSet* dataSet_ = nullptr;
  String dataSetName_;
  mutable std::unique_ptr<TkvxFrame> frame_;
  bool printable_ = true;
  TkvxShiftMode shiftMode_ = smAlways;
  String tagStr_, savedTagStr_;
  String hint_;
  bool showHint_ = false;
  String url_, savedURL_;
};

class TkvxStretcheable : public TkvxView {
  ORV_CLASS(TkvxStretcheable, TkvxView)

 public:
  using TkvxView::TkvxView;
  TkvxStretchMode StretchMode() const { return stretchMode_; }
  void SetStretchMode(TkvxStretchMode v) { stretchMode_ = v; }
  // The height the content needs; the view's own height here.
  virtual Extended CalcHeight() { return Height(); }
  // Lays out the next part into the current height and returns the height used; 0 here.
  virtual Extended DrawPart() { return 0; }
  virtual void InitPart() {}
  // The last part: all that is left, however little of it the height shows (clipped as an
  // object that is not split).
  virtual void DrawRest() { DrawPart(); }
  // Whether anything is left for a further part.
  virtual bool HasRest() const { return true; }
  // The height what is left needs, laid out again; the view's own height here.
  virtual Extended RestHeight() { return Height(); }

 private:
  TkvxStretchMode stretchMode_ = smDontStretch;
};

// The frame attributes of a diff: the frame's values that differ from the template's, then the
// lines' values that differ from their frame or, where the frame wrote nothing, from the
// template's line.
String kvxFrameDiff(const TkvxFrame* frame, const TkvxFrame* templ);

// The broken pen a shape or a slanted line strokes a frame style with: alternate dots as dots,
// double and square frames whole.
TkvxFrameStyle kvxStrokeStyle(TkvxFrameStyle style);

}  // namespace orv
