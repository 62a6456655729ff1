#pragma once
// TkvxDrawText: lays out, measures, splits and draws the text of report text objects. Text is
// measured with the font scaled to 600 dpi and sizes are given in report units of 96 per inch,
// so a text breaks into the same lines on screen, on paper and in PDF.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/rtl/Sync.h"
#include "report/model/LineCounts.h"
#include "report/model/WideStrings.h"

namespace orv {

ORV_ENUM(TkvxHAlign, haLeft, haRight, haCenter, haBlock);
ORV_ENUM(TkvxVAlign, vaTop, vaBottom, vaCenter);

// The state one visible character is drawn with.
struct TkvxHTMLTag {
  // Index of the character in the drawer's plain text; -1 for a hyphen added by wrapping.
  int Position = 0;
  int Size = 0;
  // 1 for subscript.
  int AddY = 0;
  TFontStyles Style;
  TColor Color = clBlack;
  bool Small = false;
  bool DontWrap = false;
  bool operator==(const TkvxHTMLTag& o) const {
    return Size == o.Size && AddY == o.AddY && Style == o.Style && Color == o.Color && Small == o.Small;
  }
};

// One wrapped line: its text, one state per UTF-16 unit, and its paragraph flags (bit 0 first
// line of a paragraph, bit 1 last line).
struct TkvxTextLine {
  WideString Text;
  std::vector<TkvxHTMLTag> Tags;
  int Flags = 0;
};

class TkvxDrawText {
 public:
  static constexpr int PrinterRes = 600;
  static constexpr int ScreenRes = 96;
  static constexpr double Factor = double(PrinterRes) / ScreenRes;

  TkvxDrawText();
  ~TkvxDrawText();

  void SetFont(TFont* font);
  void SetOptions(bool wordWrap, bool htmlTags, bool rtlReading, bool wordBreak, bool clipped, bool wysiwyg,
                  Integer rotation);
  void SetDimensions(const TRect& textRect, const TRect& frameRect, Extended scaleX, Extended scaleY,
                     Extended printScale);
  // What the drawn text is clipped to, in the target's pixels; SetDimensions makes it the frame
  // rectangle.
  void SetClipRect(const TRect& clipRect) { clipRect_ = clipRect; }
  void SetGaps(Extended paragraphGap, Extended charSpacing, Extended lineSpacing);
  // Expands the tags and wraps the lines; set font, options, dimensions and gaps first.
  // A colour tag with a quoted hash value that is no hexadecimal number raises EConvertError.
  void SetText(const TWideStrings& lines);
  void SetParaBreaks(bool firstParaBreak, bool lastParaBreak);
  // While on, SetText lays out only the lines the text rectangle holds and the first that does
  // not: all that splitting a memo needs, so a long memo is split in one pass over its pages.
  // With cutParagraph the text's last paragraph goes on beyond the text given: only its lines
  // that end well before the cut are made, and ShortOfText() tells when they were too few.
  void SetSplitting(bool splitting, bool cutParagraph = false) {
    splitting_ = splitting;
    cutParagraph_ = splitting && cutParagraph;
  }
  // While not SIZE_MAX, SetText makes no more than this many lines and lays out none past them:
  // all that a box which clips a long text can show of it. Splitting keeps its own limit.
  void SetShownLines(size_t lines) { shownLines_ = lines; }
  // The last SetText of a cut paragraph made fewer lines than a split needs: a longer piece of
  // the paragraph must be given.
  bool ShortOfText() const { return shortOfText_; }
  // How much of a long paragraph a split of the current text rectangle reads at first, in UTF-16
  // units: enough, mostly, for the lines it holds and the first that does not fit.
  size_t SplitLength() const;
  WideString DeleteTags(const WideString& text);
  void DrawText(TCanvas* canvas, TkvxHAlign hAlign, TkvxVAlign vAlign);

  Extended CalcHeight();
  // SetText then CalcHeight, without making the lines: Lines() and the source text are left as
  // empty. A text counted before under the same layout is not laid out again.
  Extended TextHeight(const TWideStrings& lines);
  Extended CalcWidth();
  Extended UnusedSpace() const;
  // A line's step: the font's cell (its ascent and descent, which for Thai fonts hold the marks
  // stacked above and below a letter, nearly two ems) and the line spacing.
  Extended GetLineHeight() const { return CellHeight() + lineSpacing_; }
  // The font's em height in report units.
  Extended GetFontHeight() const;
  // The height of the font's cell in report units, never less than its em.
  Extended CellHeight() const;
  // How many lines a height holds: the last needs its cell and no spacing below it.
  int LinesIn(Extended height) const;
  // Cuts the lines that do not fit the text rectangle and returns their source text (tags
  // included, with the open state re-opened in front); paraBreak tells whether the cut falls
  // inside a paragraph.
  WideString GetOutBoundsText(bool& paraBreak);
  // The source text of the lines that stay.
  WideString GetInBoundsText() const { return plainText_; }
  // After GetOutBoundsText: keeps where the lines that stay break, for lines (the text that
  // stays, as the memo holds it), when they are the lines that text laid out alone makes. The
  // part is then drawn on its page and written to the PDF without being laid out again.
  void KeepPartBreaks(const TWideStrings& lines);
  WideString GetWrappedText() const;
  const std::vector<TkvxTextLine>& Lines() const { return lines_; }

  // True for the printer layer's canvas.
  static bool IsPrinter(TCanvas* canvas);
  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }

  // Wide measuring and drawing whatever the font's character set.
  bool UseDefaultCharset = false;

 private:
  struct Paragraph {
    WideString Visible;
    std::vector<TkvxHTMLTag> Tags;
  };
  Extended HeightOf(size_t lines);
  // The visible characters of source with their states, from start's state when given.
  void ParseTags(const WideString& source, int offset, Paragraph& para, const TkvxHTMLTag* start = nullptr);
  // Wraps para, a paragraph's start when paraStart and its end when stopAt is SIZE_MAX. Otherwise
  // no line begins from stopAt (a unit of para.Visible) on, nor breaks there: the unit where the
  // line not made begins is returned, SIZE_MAX when all were made.
  size_t WrapParagraph(Paragraph& para, int fullWidth, int firstWidth, int spacing, bool paraStart, size_t stopAt);
  // Lays out a paragraph's source up to the line limit; a cut one only where its lines break
  // well before its end.
  void WrapLimited(const WideString& source, int fullWidth, int firstWidth, int spacing, bool cut);
  // The width of a line at the layout resolution, and how much of a long paragraph is laid out
  // at a time for lines more lines.
  int LayoutWidth() const;
  // The same for a paragraph's first line, which its indent shortens.
  int FirstLineWidth() const;
  size_t PieceLength(size_t lines, int fullWidth) const;
  // Grapheme clusters of a line with their advances, measured run by run of state; height maps
  // a state's size to the canvas font height.
  struct Measured {
    std::vector<int> Starts;
    std::vector<int> Advances;
    int Width() const;
  };
  void MeasureLine(TCanvas& canvas, const WideString& text, const std::vector<TkvxHTMLTag>& tags, int spacing,
                   const std::function<int(int)>& height, Measured& m);
  // MeasureLine's Width() at the layout resolution, and the number of clusters; only runs of
  // small text are measured cluster by cluster.
  int MeasureWidth(TCanvas& canvas, const WideString& text, const std::vector<TkvxHTMLTag>& tags, int spacing,
                   int* clusters = nullptr);
  void SelectState(TCanvas& canvas, const TkvxHTMLTag& tag, int height);
  // Empties the lines and the source text, keeping a few lines' buffers for the next text.
  void DropLines();
  // A line added to lines_, empty, in buffers a former line leaves where there is one.
  TkvxTextLine& NewLine();
  // How many characters of the word at wordStart go before a hyphen, or 0; only Russian words
  // are hyphenated.
  int SyllablePart(const Paragraph& para, const Measured& m, int wordStart, int overflow) const;
  void DrawLine(TCanvas& canvas, const TkvxTextLine& line, int x, int y, int width, TkvxHAlign align, bool printer);

  TBitmap bitmap_;
  TCanvas* measure_;
  TFontData font_;
  int size_ = 10;
  TRect clipRect_{};
  bool wordWrap_ = true, htmlTags_ = false, rtlReading_ = false, wordBreak_ = false, clipped_ = true,
       wysiwyg_ = true;
  Integer rotation_ = 0;
  TRect textRect_{}, frameRect_{};
  Extended scaleX_ = 1, scaleY_ = 1, printScale_ = 1;
  Extended paragraphGap_ = 0, charSpacing_ = 0, lineSpacing_ = 0;
  bool splitting_ = false, cutParagraph_ = false, shortOfText_ = false;
  // The last SetText split its text, and every paragraph piece it wrapped broke word by word.
  bool splitWordByWord_ = false;
  // SetText stops making lines at this count.
  size_t lineLimit_ = SIZE_MAX;
  size_t shownLines_ = SIZE_MAX;
  // The last SetText stopped at shownLines_: its last line need not be its text's last.
  bool shownCut_ = false;
  WideString plainText_;
  std::vector<TkvxTextLine> lines_;
  // Former lines whose buffers NewLine reuses.
  std::vector<TkvxTextLine> spareLines_;
  // The paragraph being laid out; its buffers serve every paragraph in turn.
  Paragraph paragraph_;
  // The last paragraph's measures and line ends; their storage serves every paragraph.
  Measured measured_;
  std::vector<int> ends_;
  std::vector<char> breakBefore_;
  std::vector<int> breaks_;
  // One run's clusters as MeasureLine reads them; their storage serves every run.
  std::vector<int> runStarts_, runAdvances_;
  // While on, lines are counted in counted_ and not made.
  bool counting_ = false;
  size_t counted_ = 0;
  // A digest of lines and of all that decides where they break.
  TkvxLayoutDigest LayoutDigest(const TWideStrings& lines) const;
  // The face the last digest began from, and where its halves stood after its name.
  mutable String digestFont_;
  mutable std::uint64_t digestStart_[2] = {0, 0};
  mutable bool digestStarted_ = false;
  TkvxLineCounts lineCounts_;
  // Where the lines of recent whole texts without tags broke, and those of the text being
  // counted; breaksKnown_ is cleared when a counted line is not a stretch of its source.
  TkvxLineBreaks lineBreaks_;
  std::vector<TkvxLineBreak> countedBreaks_;
  bool breaksKnown_ = true;
  // Whether the text just counted made one line of each of its paragraphs, whole: a layout of it
  // under the same digest then has its paragraphs for lines.
  bool ParagraphsWhole(const TWideStrings& lines) const;
  // Keeps where the lines just made, or counted, break, when a paragraph wrapped.
  void KeepBreaks(const TkvxLayoutDigest& digest, size_t paragraphs);
  // Makes the lines of the source text from where they break.
  void LinesFromBreaks(std::span<const TkvxLineBreak> breaks);
  // The cell heights of the fonts asked for, in report units: every memo of every row asks, and
  // a page's title, heading and rows take turns in their own fonts. Kept for the few fonts a
  // report uses; past that the oldest is measured again when it comes back.
  static constexpr size_t kKeptCells = 16;
  mutable std::vector<std::pair<TFontData, Extended>> cells_;
  TCriticalSection lock_;
};

// Holds a drawer's lock for the scope.
class TkvxDrawTextLock {
 public:
  explicit TkvxDrawTextLock(TkvxDrawText& drawer) : drawer_(drawer) { drawer_.Lock(); }
  ~TkvxDrawTextLock() { drawer_.Unlock(); }
  TkvxDrawTextLock(const TkvxDrawTextLock&) = delete;
  TkvxDrawTextLock& operator=(const TkvxDrawTextLock&) = delete;

 private:
  TkvxDrawText& drawer_;
};

// The drawer of objects without a report; take its Lock around every use. Each thread has one
// of its own: an export that lays out pages while the engine measures the next ones would
// otherwise have the two take turns at one drawer, and each find the other's state in it.
TkvxDrawText& kvxDrawText();

}  // namespace orv
