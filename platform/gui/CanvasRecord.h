#pragma once
// One drawing call of a canvas as a value: what the canvas paints, and what a metafile keeps,
// enumerates, searches and replays.
#include <memory>
#include <vector>

#include "platform/gui/Graphics.h"

namespace orv {

class TBitmap;

enum TCanvasRecordKind : Byte {
  crLine,         // Points[0] to Points[1], end point left out
  crPolyline,     // Points
  crPolygon,      // Points, even-odd filled
  crRectangle,    // Rect
  crRoundRect,    // Rect, Corner = corner ellipse size
  crEllipse,      // Rect
  crArc,          // Rect, Points[0] and Points[1] = start and end radials
  crPie,          // as crArc
  crChord,        // as crArc
  crFillRect,     // Rect, brush only
  crFrameRect,    // Rect, one-pixel border in Brush.Color
  crText,         // Text at Points[0] (cell top left); Advances when given; Rect = clip with etoClipped
  crTextRect,     // Text laid out in Rect by Format
  crPixel,        // Points[0] set to Color
  crImage,        // Image stretched into Rect, in the raster operation Pen.Mode
  crIntersectClip,  // Rect
  crExcludeClip,    // Rect
  crSaveClip,
  crRestoreClip,
  crResetClip
};

struct TCanvasRecord {
  TCanvasRecordKind Kind = crLine;
  std::vector<TPoint> Points;
  TRect Rect;
  TSize Corner;
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
  WideString Text;
  // One advance per grapheme cluster of Text, device pixels; empty for the font's own spacing.
  std::vector<int> Advances;
  // etoClipped / etoOpaque / etoRtlReading for crText, TTextFormat flags for crTextRect.
  int Options = 0;
  TColor Color = clBlack;
  // A private copy of the pixels (transparency already applied as alpha), so that later
  // changes of the drawn bitmap do not reach the record.
  std::shared_ptr<const TBitmap> Image;
  // The device area the record paints (for text: the cell of the whole run).
  TRect Bounds;
};

}  // namespace orv
