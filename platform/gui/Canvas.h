#pragma once
// TCanvas: the drawing surface of bitmaps, controls, printer pages and metafiles.
#include <atomic>
#include <memory>
#include <vector>

#include "platform/gui/Graphics.h"
#include "platform/rtl/Sync.h"

namespace orv {

class TGraphic;
struct TCanvasRecord;
struct TCanvasAccess;

// Grapheme clusters of a text and where each ends when drawn in one line from x = 0.
struct TTextClusters {
  // Index in the text (UTF-16 units) where each cluster begins.
  std::vector<int> Starts;
  // Device pixels from the start of the text to the end of each cluster.
  std::vector<int> Extents;
  // How many clusters end within the width asked for (all when no width was given).
  int Fit = 0;
};

// How many grapheme clusters a text has and where the last one ends: TextExtentEx's count and
// last extent.
struct TTextRunExtent {
  int Clusters = 0;
  int Extent = 0;
};

// Options of TextOutEx.
enum TTextOutOption { etoOpaque = 2, etoClipped = 4, etoRtlReading = 128 };

// Flags of TextRect; combine with |. Left, top and word breaks off are the defaults.
enum TTextFormatFlag {
  tfLeft = 0x0, tfCenter = 0x1, tfRight = 0x2,
  tfTop = 0x0, tfVerticalCenter = 0x4, tfBottom = 0x8,
  tfWordBreak = 0x10, tfSingleLine = 0x20, tfNoClip = 0x100,
  tfCalcRect = 0x400, tfNoPrefix = 0x800, tfEndEllipsis = 0x8000
};
using TTextFormat = int;

// Draws through pen, brush and font on the device it is attached to. GDI geometry: a shape
// given by (X1, Y1, X2, Y2) covers X1 .. X2 - 1 and Y1 .. Y2 - 1; LineTo leaves out the end
// point. Text is laid out one grapheme cluster at a time at the device's resolution, so a Thai
// vowel or tone mark stays on its base. A canvas without a device raises EInvalidOperation.
class TCanvas : public TPersistent {
  ORV_CLASS(TCanvas, TPersistent)

 public:
  TCanvas();
  ~TCanvas() override;

  TFont& Font() { return *font_; }
  void SetFont(TFont& font) { font_->Assign(&font); }
  TPen& Pen() { return *pen_; }
  void SetPen(TPen& pen) { pen_->Assign(&pen); }
  TBrush& Brush() { return *brush_; }
  void SetBrush(TBrush& brush) { brush_->Assign(&brush); }
  TPoint PenPos() const { return penPos_; }
  void SetPenPos(TPoint pos) { penPos_ = pos; }

  // True while a device, painter or recorder is attached.
  bool CanDraw() const;
  // Logical resolution of the device (96 for a bitmap unless set otherwise, 600 for the spool).
  int PixelsPerInchX() const;
  int PixelsPerInchY() const;

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  // x3, y3: width and height of the ellipse that rounds the corners.
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Arc, Pie and Chord run counter-clockwise on the ellipse of the bounding box from the radial
  // through (x3, y3) to the radial through (x4, y4).
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Filled with alternate (even-odd) filling.
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);
  // Brush only, no outline.
  void FillRect(const TRect& r);
  // A one-pixel border in the brush's colour.
  void FrameRect(const TRect& r);

  // (x, y) is the top left of the text cell; an opaque brush fills the cell behind the text.
  void TextOut(int x, int y, const String& text);
  void TextOut(int x, int y, const WideString& text);
  // Text at (x, y) clipped to r.
  void TextRect(const TRect& r, int x, int y, const String& text);
  // Text aligned and wrapped in r by format; with tfCalcRect nothing is drawn and r's
  // bottom (and, for one line, right) becomes what the text needs.
  void TextRect(TRect& r, const String& text, TTextFormat format);
  // Writes text cluster by cluster with the advances given (device pixels, one per cluster as
  // TextExtentEx counts them); a missing or short list falls back to the natural advances.
  void TextOutEx(int x, int y, const WideString& text, const std::vector<int>& advances,
                 int options = 0, const TRect* clip = nullptr);

  int TextWidth(const String& text);
  int TextHeight(const String& text);
  TSize TextExtent(const String& text);
  TSize TextExtent(const WideString& text);
  // Clusters of text with their cumulative extents; maxWidth < 0 measures all without a limit.
  TTextClusters TextExtentEx(const WideString& text, int maxWidth = -1);
  // TextExtentEx's count and last extent without the cost of measuring every cluster.
  TTextRunExtent TextRunExtent(const WideString& text);
  // TextExtentEx's clusters as the steps between their extents, into the lists given (their
  // storage serves again): what laying text out needs, without making the extents.
  void TextAdvances(const WideString& text, std::vector<int>& starts, std::vector<int>& advances);
  // The same for a text that is laid out and not written next: its glyphs are not kept for a
  // TextOut, so measuring makes only the clusters' advances.
  void LayoutAdvances(const WideString& text, std::vector<int>& starts, std::vector<int>& advances);
  // Ascent, descent and internal leading of the current font on this device, in pixels.
  int FontAscent();
  int FontDescent();
  int FontInternalLeading();

  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const TRect& r, TGraphic& graphic);
  // Copies the pixels of source's rectangle into dest, scaled; source must hold pixels
  // (a bitmap's canvas).
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);

  // The colour at (x, y); clNone where the device keeps no pixels or outside it.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  // The bounds of the drawable area: the clip's bounding box, or the whole device.
  TRect ClipRect();
  void IntersectClipRect(const TRect& r);
  void ExcludeClipRect(const TRect& r);
  void ResetClip();
  // A stack of clip states: RestoreClip returns to the clip at the matching SaveClip.
  void SaveClip();
  void RestoreClip();

  // Serialises threads drawing on the same canvas (the camera's frames).
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return lockCount_; }

 protected:
  // Every drawing call becomes a record; this one paints it. A metafile canvas keeps it.
  virtual void Render(const TCanvasRecord& record);

 private:
  friend struct TCanvasAccess;
  struct Impl;
  void RequireDevice() const;

  std::unique_ptr<Impl> impl_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TPoint penPos_;
  TCriticalSection lock_;
  std::atomic<int> lockCount_ = 0;
};

}  // namespace orv
