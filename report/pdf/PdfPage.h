#pragma once
// TkvxPDFPage: one page of the document and the drawing operations report views map onto.
// Positions and sizes are 96-dpi pixels from the page's top left, as report views keep them;
// the page turns them into points from the bottom left.
#include <memory>
#include <string>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fonts/FontFace.h"
#include "platform/gui/Colors.h"
#include "report/model/DrawText.h"
#include "report/pdf/PdfElement.h"
#include "report/pdf/PdfText.h"

namespace orv {

class TBitmap;
class TFont;
class TGraphic;
class TkvxComponent;
class TkvxPDFFile;
struct TkvxPDFShapedText;

class TkvxReportPage;

// A memo's lines as the shared drawer laid them out before the memo was drawn: their texts and
// paragraph flags, every character in State, and the drawer's line height for its font alone
// and once the memo was laid out.
struct TkvxPDFLaidMemo {
  const TkvxComponent* Memo = nullptr;
  // Whether the lines are the memo's; else it is laid out where it is drawn if it must be, its
  // markers (if it had any) put into its text already (FontLineHeight is known either way).
  bool LaidOut = false;
  // The memo's lines are the first Count; those after are an earlier memo's, kept for their
  // storage.
  std::vector<TkvxTextLine> Lines;
  size_t Count = 0;
  TkvxHTMLTag State;
  double FontLineHeight = 0;
  double LineHeight = 0;

  std::span<const TkvxTextLine> Laid() const { return {Lines.data(), Count}; }
};

// The memos of one page laid out ahead, in the order they were laid out. Cleared, it keeps the
// storage of its lines for the next page: a list lays out the same memos on every page, which
// then allocate nothing.
class TkvxPDFLaidMemos {
 public:
  // The entry to fill for memo; it joins the page's memos with Keep, else the next Begin
  // reuses it.
  TkvxPDFLaidMemo& Begin(const TkvxComponent* memo);
  void Keep() { ++count_; }
  // The memo's entry, or null. Memos are looked for in the order they were laid out, so each
  // search starts where the last one ended.
  const TkvxPDFLaidMemo* Find(const TkvxComponent* memo);
  size_t Count() const { return count_; }
  void Clear() {
    count_ = 0;
    cursor_ = 0;
  }

 private:
  std::vector<TkvxPDFLaidMemo> memos_;
  size_t count_ = 0;
  size_t cursor_ = 0;
};

// Lays out, into laid, the memos of page as AddObject would once the page is placed on its
// paper and has its page numbers, which go into the memos' markers first. Safe on another
// thread than the one drawing other pages: it holds the drawer while it uses it.
void kvxPDFLayOutAhead(TkvxReportPage& page, TkvxPDFLaidMemos& laid);

// Which sides of a frame are drawn.
enum TkvxPDFFrameLine { flLeft = 1, flRight = 2, flTop = 4, flBottom = 8 };
constexpr int flAll = flLeft | flRight | flTop | flBottom;

class TkvxPDFPage : public TkvxPDFElement {
 public:
  explicit TkvxPDFPage(TkvxPDFFile& parent);

  double PdfX(double x) const { return x * 0.75 + MarginLeft; }
  double PdfY(double y) const { return Height - MarginTop - y * 0.75; }
  // "0 0 0" for black, "1 1 1" for white, else red, green and blue over 255 with two decimals.
  const String& GetColor(TColor color);

  // Graphics state: what is drawn between them may be clipped without touching what follows.
  void SaveState();
  void RestoreState();
  // SaveState, and what follows until RestoreState scaled by scaleX and scaleY about the page's
  // top left corner and moved right by left and down by top (points): a page shown larger or
  // smaller on a sheet of paper.
  void SaveStateScaled(double scaleX, double scaleY, double left, double top);
  void ClipRect(double left, double top, double width, double height);
  // What follows until EndClip clipped to the rectangle (pixels), as SaveState and ClipRect
  // would, but written only where something drawn would reach out of it, before the first that
  // does: the text of a list's cells stays well inside them, and goes without.
  void BeginClip(double left, double top, double width, double height);
  void EndClip();
  // Clips to the closed figures (pixels) together: a point within an odd number of them is inside,
  // so a figure within another cuts a hole in it.
  void ClipFigures(const std::vector<std::vector<std::pair<double, double>>>& figures);

  void FillRect(double left, double top, double width, double height, TColor color);
  void Line(double x1, double y1, double x2, double y2, TColor color, double width);
  // The sides named in lines (TkvxPDFFrameLine bits); all four as one closed path.
  void Frame(double left, double top, double width, double height, int lines, TColor color,
             double lineWidth);
  // Outlined in frameColor and, unless fillColor is clNone, filled.
  void Rectangle(double left, double top, double width, double height, TColor frameColor,
                 double frameWidth, TColor fillColor);
  // An arrow head at (x2, y2) on the line from (x1, y1), length and width in pixels.
  void Arrow(double x1, double y1, double x2, double y2, double length, double width, bool solid,
             TColor color);
  // One line of text with its left end at x and its baseline at y, shaped in the document's font
  // for font (name, style, charset, size in points, colour, underline). charSpacing (pixels) is
  // added after every grapheme cluster; rotation turns the line counter-clockwise about
  // (x, y). Returns the width of the line in pixels.
  double TextOut(double x, double y, std::u16string_view text, const TFont& font, double charSpacing = 0,
                 double rotation = 0);
  // The width TextOut gives the line, in pixels.
  double TextWidth(std::u16string_view text, const TFont& font, double charSpacing = 0);
  // Text in font as TextOut shows it, shaped once per export and held until the next page is
  // added; measuring adds no font to the document.
  TkvxPDFShapedText& Shape(std::u16string_view text, const TFont& font);
  // The width of a shaped text at size points, charSpacing pixels after every grapheme cluster,
  // in pixels.
  static double GlyphsWidth(const TkvxPDFShapedText& shaped, int size, double charSpacing);
  // TextOut of text as Shape gave it for font, whose size in points is size; fontIndex is the
  // document's font for font, or -1 until a run in it is shown, which sets it.
  double ShowShaped(double x, double y, std::u16string_view text, TkvxPDFShapedText& shaped, const TFont& font,
                    int size, int& fontIndex, double charSpacing, double rotation);
  // The bitmap stretched over the rectangle, as an inline JPEG image of the given quality.
  void DrawBitmap(double left, double top, double width, double height, TBitmap& bitmap, int quality);
  // A picture (PNG, JPEG, bitmap ...) rastered at scale times its rectangle's pixel size on
  // white and drawn as DrawBitmap does.
  void DrawGraphic(double left, double top, double width, double height, TGraphic& graphic,
                   double scale, int quality);
  // A picture at its own pixels, scaled into the rectangle by the page's matrix; a metafile as
  // paths and text.
  void DrawPicture(double left, double top, double width, double height, TGraphic& graphic, double scale,
                   int quality);
  // A path through the points (pixels), closed or open; stroked with the pen (colour, width in
  // pixels, dash pattern in pixels, round caps when roundCaps) unless penColor is clNone, and
  // filled unless fillColor is clNone.
  void Path(const std::vector<std::pair<double, double>>& points, bool closed, TColor penColor, double penWidth,
            const std::vector<double>& dashes, bool roundCaps, TColor fillColor);
  // An ellipse in the rectangle, stroked and filled as Path does.
  void Ellipse(double left, double top, double width, double height, TColor penColor, double penWidth,
               const std::vector<double>& dashes, TColor fillColor);
  // A report view at its place on the page (positions include the page margins): fills, frames,
  // shadows, lines and shapes as paths in their styles, memos as text laid out as on screen,
  // pictures at their own pixels, hatched shapes and other views rastered at their size.
  // Anything that is not a view draws nothing.
  void AddObject(TkvxComponent* obj);
  // Moves what was drawn into the document's content stream, deflated when the document is
  // compressed; the page is then complete.
  void Close();
  // The page's content stream data as drawn (deflated when Deflated), the page closed first.
  void ReadContent(std::string& out);
  // Page dictionary and content stream objects, body being the content as ReadContent gave it
  // or deflated.
  // added is the addition's content as ReadContent gave it or deflated, when the page has one.
  void WriteObjects(TStream& stream, const std::string& body, bool deflated, const std::string* added = nullptr,
                    bool addedDeflated = false);
  // A second content stream of the page, drawn over the first: what is added once the page is
  // done (memos that show the page total). Made on first use, of the page's size and margins.
  TkvxPDFPage& Addition();
  TkvxPDFPage* AdditionIfAny() const { return addition_.get(); }
  // The addition's object number, given before the document is written.
  int AdditionObj = 0;

  TkvxPDFFile& Parent;
  double Width = 0;
  double Height = 0;
  double MarginLeft = 0;
  double MarginTop = 0;
  int PreparedIndex = 0;
  // Memos of the page laid out ahead (kvxPDFLayOutAhead); drawn without the drawer.
  TkvxPDFLaidMemos* LaidAhead = nullptr;
  Int64 StreamOffset = 0;
  Int64 StreamSize = 0;
  // The content was deflated when the page closed.
  bool Deflated = false;

 private:
  // Keeps a deflated body with the page when the document has no content cache.
  friend class TkvxPDFDeflater;

  // Closes the text object TextOut leaves open for the runs that follow; paths, images and
  // state changes go outside it.
  void EndText();
  void PushState();
  // Something drawn reaches from left to right and from bottom to top (points): the clip
  // BeginClip left to be written is written when it is not well inside it.
  void Reach(double left, double bottom, double right, double top);
  // Something drawn may reach anywhere: the clip left to be written is written.
  void ReachAnywhere();
  // The run of shaped text in the document's font fontIndex for font at size points.
  double ShowRun(double x, double y, std::u16string_view text, TkvxPDFShapedText& shaped, const TFont& font,
                 int size, int fontIndex, double charSpacing, double rotation);
  // Writes the operators that show the run into shaped.Shown, marking the glyphs used.
  void ComposeRun(std::u16string_view text, TkvxPDFShapedText& shaped, const TFont& font, int size, int fontIndex,
                  double charSpacing);
  void AppendPoint(double x, double y);
  // The numbers in the page's number form, separated by blanks; formatted side by side and
  // appended at once, as every memo writes a clip and every word a move.
  template <typename... T>
  void AppendNumbers(T... values) {
    char text[sizeof...(T) * (kvxFixedMaxLength + 1)];
    char* p = text;
    auto put = [&](double v) {
      if (p != text) *p++ = ' ';
      p += kvxFormatFixed(v, p);
    };
    (put(static_cast<double>(values)), ...);
    content_.append(text, static_cast<size_t>(p - text));
  }
  // Pen colour, width and dash pattern (pixels) for the path that follows.
  void SetPen(TColor color, double width, const std::vector<double>& dashes, bool roundCaps);
  void PaintPath(TColor penColor, TColor fillColor);

  // The text font and fill colour in effect at one level of saved states, as written: a list's
  // every cell saves the state to clip its text, and most cells show it in the font and colour
  // of the cell before, which are then said once outside them.
  struct TTextState {
    // -1 and clNone when not known.
    int Font = -1;
    int Size = 0;
    TColor Fill = clNone;
    // Whether this level set them itself after its "q", and whether it showed text since.
    bool FontHere = false;
    bool FillHere = false;
    bool TextHere = false;
    // Where this level's "q" is in the content.
    size_t SavedAt = 0;
  };
  // Makes the text font fontIndex at size, and the fill colour, those in effect for the run that
  // follows: written before the outermost saved state when nothing since it has set or used
  // them, else where the run is.
  void UseTextState(int fontIndex, int size, TColor fill);
  // The fill colour was set by a drawing operator: text does not take it for its own.
  void FillChanged();

  std::unique_ptr<TkvxPDFPage> addition_;
  std::string content_;
  // The document's images this page shows, for its resources.
  std::vector<int> images_;
  // The levels of saved states, the page's own first.
  std::vector<TTextState> states_{TTextState()};
  // The open text object: where its current line starts as written, and where the last run
  // started and its glyphs took the text position (thousandths of its size) as written.
  bool inText_ = false;
  double lineX_ = 0, lineY_ = 0;
  double runX_ = 0, runY_ = 0;
  double runAdvance_ = 0;
  int runSize_ = 0;
  // Where the content ended after the last run, when that run's glyphs end in a TJ the next run
  // on its line may go on in; npos when none may.
  size_t runEnd_ = std::string::npos;
  // The clips begun and not ended, whether each is written; only the innermost may be not.
  std::vector<bool> clips_;
  // The innermost clip as it is written (points, from the bottom left).
  double clipLeft_ = 0, clipBottom_ = 0, clipWidth_ = 0, clipHeight_ = 0;
  bool closed_ = false;
  TColor lastColor_ = clBlack;
  String lastColorStr_ = "0 0 0";
};

}  // namespace orv
