// Report views mapped onto a PDF page.
#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "platform/fonts/FontFace.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Picture.h"
#include "report/model/Frame.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/PictureView.h"
#include "report/model/ShapeView.h"
#include "report/model/View.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfFont.h"
#include "report/pdf/PdfPage.h"
#include "report/pdf/PdfViewShapes.h"

namespace orv {
namespace {

// Pictures and rastered views keep this JPEG quality: text in them stays legible.
constexpr int kRasterQuality = 90;

using TBox = TkvxPDFBox;

TBox BoxOf(const TkvxView& view) {
  // One walk up the parents for both corners: every object of every page is placed.
  Extended left = 0, top = 0;
  view.AbsPosition(left, top);
  return {static_cast<double>(left), static_cast<double>(top), static_cast<double>(view.Width()),
          static_cast<double>(view.Height())};
}

void DrawFrame(TkvxPDFPage& page, const TkvxView& view, const TBox& b) { kvxPDFDrawFrame(page, view, b); }

// What a drop shadow takes of a view's width and height.
double Shadow(const TkvxView& view) { return view.DrawnFrame().DropShadow() ? view.DrawnFrame().ShadowWidth() : 0; }

// The view drawn by its own code on a white bitmap of its size, then placed as an image: used for
// what has no path of its own here.
void RasterView(TkvxPDFPage& page, TkvxView& view, const TBox& b) {
  int w = std::max(1, static_cast<int>(std::ceil(b.Width)) + 1);
  int h = std::max(1, static_cast<int>(std::ceil(b.Height)) + 1);
  TBitmap bitmap(w, h);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(TRect{0, 0, w, h});
  view.Draw(&bitmap.Canvas(), 1, 1, -b.Left, -b.Top);
  page.DrawBitmap(b.Left, b.Top, w, h, bitmap, kRasterQuality);
}

// Placed as the canvas places it: stretched (keeping its proportions, and then centred, when
// asked), or at its own size clipped to the view; the pixels are the picture's own.
void DrawPictureView(TkvxPDFPage& page, TkvxPictureView& view, TBox b, double scale) {
  TGraphic* graphic = view.Picture()->Graphic();
  if (!graphic || graphic->Empty() || graphic->Width() <= 0 || graphic->Height() <= 0) return;
  const double shadow = Shadow(view);
  b.Width -= shadow;
  b.Height -= shadow;
  TBox r = b;
  const double gw = graphic->Width(), gh = graphic->Height();
  if (view.Stretched) {
    if (view.KeepAspectRatio) {
      const double kx = b.Width / gw, ky = b.Height / gh;
      if (ky <= kx) r.Width = gw * ky;
      else r.Height = gh * kx;
      if (view.Center) {
        r.Left += (b.Width - r.Width) / 2;
        r.Top += (b.Height - r.Height) / 2;
      }
    }
    page.DrawPicture(r.Left, r.Top, r.Width, r.Height, *graphic, scale, kRasterQuality);
    return;
  }
  r.Width = gw;
  r.Height = gh;
  if (view.Center) {
    r.Left += (b.Width - gw) / 2;
    r.Top += (b.Height - gh) / 2;
  }
  page.SaveState();
  page.ClipRect(b.Left, b.Top, b.Width, b.Height);
  page.DrawPicture(r.Left, r.Top, r.Width, r.Height, *graphic, scale, kRasterQuality);
  page.RestoreState();
}

// Puts the old colour back on a memo whose highlight the layout applied to it.
class TColorRestore {
 public:
  explicit TColorRestore(TkvxView& view) : view_(view), color_(view.Color()) {}
  ~TColorRestore() { view_.SetColor(color_); }
  TColorRestore(const TColorRestore&) = delete;
  TColorRestore& operator=(const TColorRestore&) = delete;

 private:
  TkvxView& view_;
  TColor color_;
};

// The font of one run of characters that share a state. Kept from run to run and memo to memo:
// the memos of a list mostly share one.
const TFont& RunFont(const TFont& base, const TkvxHTMLTag& tag) {
  thread_local TFont font;
  thread_local TFontData source;
  thread_local int sourceResolution = 0;
  thread_local TkvxHTMLTag state;
  if (sourceResolution == base.PixelsPerInch() && state.Size == tag.Size && state.Style == tag.Style &&
      state.Color == tag.Color && source == base.Data())
    return font;
  font.Assign(const_cast<TFont*>(&base));
  if (tag.Size > 0) font.SetSize(tag.Size);
  font.SetStyle(tag.Style);
  font.SetColor(tag.Color);
  source = base.Data();
  sourceResolution = base.PixelsPerInch();
  state = tag;
  return font;
}

// Pieces of a line: runs of one state, cut after every blank so justified lines can spread
// their blanks. Offsets into the line's text; a piece past the line's states has none.
struct TPiece {
  size_t From;
  size_t Length;
  const TkvxHTMLTag* Tag;
  bool EndsInBlank;
};

// uniform: every character of the line is in one state, as in a memo without tags; only, when
// given, is that state, the line keeping none of its own.
void PiecesOf(const TkvxTextLine& line, bool uniform, std::vector<TPiece>& pieces, const TkvxHTMLTag* only = nullptr) {
  pieces.clear();
  const size_t n = line.Text.size(), states = line.Tags.size();
  size_t start = 0;
  for (size_t i = 0; i < n; ++i) {
    const bool blank = line.Text[i] <= u' ';
    const bool last = i + 1 == n;
    const bool stateChanges = !uniform && !last && i + 1 < states && !(line.Tags[i + 1] == line.Tags[i]);
    if (blank || last || stateChanges) {
      const TkvxHTMLTag* tag = only ? only : start < states ? &line.Tags[start] : nullptr;
      pieces.push_back({start, i + 1 - start, tag, blank});
      start = i + 1;
    }
  }
}

std::u16string_view TextOf(const TkvxTextLine& line, const TPiece& piece) {
  return std::u16string_view(line.Text).substr(piece.From, piece.Length);
}

// Where the layout starts its lines (top left of the first, turned with the text), the width
// a line may take and the height the lines may fill, in the text rectangle's pixels.
struct TTextFrame {
  double X, Y, Width, Height;
};

TTextFrame FrameFor(double l, double t, double r, double b, int angle, double textHeight) {
  const double rad = angle * M_PI / 180, as = std::abs(std::sin(rad)), ac = std::abs(std::cos(rad));
  const double slant = ac > 1e-9 ? ((r - l) - textHeight * as) / ac : r - l;
  if (angle == 0) return {l, t, r - l, b - t};
  if (angle == 90) return {l, b, b - t, r - l};
  if (angle == 180) return {r, b, r - l, b - t};
  if (angle == 270) return {r, t, b - t, r - l};
  if (angle < 90) return {l, t + slant * as, slant, b - (t + slant * as) - textHeight * ac + textHeight};
  if (angle < 180) return {l + slant * ac, b, slant, b - t - (textHeight * ac + slant * as) + textHeight};
  if (angle < 270) return {r, b - slant * as, slant, (b - slant * as) - t - textHeight * ac + textHeight};
  return {l + textHeight * as, t, slant, b - t - (slant * as + textHeight * ac) + textHeight};
}

// Room the screen's layout may measure differently from the PDF font, as a share of the width
// and in pixels. Both shape the same face with HarfBuzz, unhinted; the layout rounds to whole
// pixels at 600 dpi (its font height too: under half a percent) and keeps its text rectangle in
// whole pixels. Spaced letters keep more room: the layout rounds each letter's spacing to its
// pixels, and a line of them adds up what the PDF does not round.
constexpr double kFitShare = 0.97;
constexpr double kFitSlack = 3;
constexpr double kSpacedFitShare = 0.9;
constexpr double kSpacedFitSlack = 8;

// A piece shaped in its run's font and its width in pixels.
struct TPlaced {
  TkvxPDFShapedText* Shaped;
  double Width;
};

// The widest a paragraph of the memo may be, in pixels, to stay on a line of its own in room:
// well inside it, as the screen measures the text a little wider.
double FitLimit(TkvxCustomMemoView& memo, double room) {
  const bool spaced = memo.CharSpacing != 0;
  return (room - memo.ParagraphGap) * (spaced ? kSpacedFitShare : kFitShare) - (spaced ? kSpacedFitSlack : kFitSlack);
}

// The least share of an em a character of a paragraph is taken to need: a paragraph wider
// than that surely wraps (a list's long addresses), and one wider at the share most text
// needs likely does.
constexpr double kSurelyCharEm = 0.25;
constexpr double kLikelyCharEm = 0.5;

// Whether the memo is the drawer's to lay out, told without measuring its text: one it
// rotates, fits or highlights, one whose height shows it wraps, or one of whose first shown
// paragraphs holds tags or would not fit with charEm of an em a character.
bool LeftToDrawer(TkvxCustomMemoView& memo, double room, double textHeight, double lineH, size_t shown,
                  double charEm) {
  if (memo.AutoWidth || memo.HighlightActive() || memo.Rotation() != 0 || memo.WordBreak) return true;
  const int size = memo.Font()->Size();
  if (size <= 0) return true;
  const TWideStrings& paragraphs = *memo.Memo();
  // A memo as high as its text that holds a line more than it has paragraphs wrapped when it
  // was prepared. Its height is its lines' and the font's internal leading less the spacing,
  // and the leading is less than the font's height.
  if (memo.WordWrap && memo.StretchMode() == smActualHeight &&
      textHeight > (static_cast<double>(paragraphs.Count()) + 1) * lineH)
    return true;
  const double limit = FitLimit(memo, room);
  const size_t count = std::min(static_cast<size_t>(paragraphs.Count()), shown);
  for (size_t i = 0; i < count; ++i) {
    const WideString& text = paragraphs.Line(static_cast<Integer>(i));
    if (memo.AllowHTMLTags && text.find(u'<') != WideString::npos) return true;
    if (memo.WordWrap && text.size() > 1 && static_cast<double>(text.size()) * size * 96.0 / 72.0 * charEm > limit)
      return true;
  }
  return false;
}

// The lines of a memo whose every paragraph plainly stays on one line: no tags, and either no
// wrapping or a width well inside the room even as the screen measures it. Each paragraph is
// then one line in one state, as the drawer gives it, without laying the text out on a canvas
// again for every memo of every page. False where only the drawer can tell. The lines are the
// first counts.size() of lines (those after keep their storage for the next memo), their
// pieces, shaped and measured, are left in pieces and placed, line after line, and how many
// each line has in counts, for drawing them. Only the first shown paragraphs are taken.
bool SingleLines(TkvxPDFPage& page, TkvxCustomMemoView& memo, double room, double textHeight, double lineH,
                 size_t shown, std::vector<TkvxTextLine>& lines, std::vector<TPiece>& pieces, std::vector<TPlaced>& placed,
                 std::vector<size_t>& counts) {
  if (LeftToDrawer(memo, room, textHeight, lineH, shown, kSurelyCharEm)) return false;
  const TFont& font = *memo.Font();
  const int size = font.Size();
  const TWideStrings& paragraphs = *memo.Memo();
  // Every piece's state, kept until the memo is drawn.
  thread_local TkvxHTMLTag state;
  state = TkvxHTMLTag();
  state.Size = size;
  state.Style = font.Style();
  state.Color = font.Color();
  const TFontFace& face = page.Parent.FaceOf(font);
  const double limit = FitLimit(memo, room);
  pieces.clear();
  placed.clear();
  counts.clear();
  thread_local std::vector<TPiece> linePieces;
  for (Integer i = 0; i < paragraphs.Count() && counts.size() < shown; ++i) {
    const WideString& text = paragraphs.Line(i);
    // Piece by piece, as the line is then written, so each piece is shaped once; a paragraph
    // is given up as soon as it wraps.
    const bool wraps = memo.WordWrap && text.size() > 1;
    if (counts.size() == lines.size()) lines.emplace_back();
    TkvxTextLine& line = lines[counts.size()];
    if (text.empty()) line.Text.assign(1, u' ');
    else line.Text.assign(text);
    line.Flags = 3;
    PiecesOf(line, true, linePieces, &state);
    double width = 0;
    for (const TPiece& p : linePieces) {
      TkvxPDFShapedText& shaped = page.Parent.Shaped(face, TextOf(line, p));
      if (wraps)
        for (const TShapedGlyph& g : shaped.Glyphs)
          if (g.GlyphId == 0) return false;
      const double w = shaped.Width(size, memo.CharSpacing);
      width += w;
      if (wraps && width > limit) return false;
      placed.push_back({&shaped, w});
    }
    pieces.insert(pieces.end(), linePieces.begin(), linePieces.end());
    counts.push_back(linePieces.size());
  }
  if (!counts.empty() && memo.FirstParaBreak) lines.front().Flags &= ~1;
  if (!counts.empty() && memo.LastParaBreak) lines[counts.size() - 1].Flags &= ~2;
  return true;
}

bool HasPreviewMarks(const TWideStrings& lines) {
  // The marks are consecutive code points: one comparison a letter instead of one a mark, over
  // every line of every memo of every page.
  constexpr char16_t kFirst = kvxPreviewMarks.front(), kLast = kvxPreviewMarks.back();
  static_assert(kLast - kFirst + 1 == kvxPreviewMarks.size());
  for (Integer i = 0; i < lines.Count(); ++i)
    for (char16_t c : lines.Line(i))
      if (static_cast<char16_t>(c - kFirst) <= kLast - kFirst) return true;
  return false;
}

// Whether drawing the memo puts the page-count and copy markers into its text first. Most memos
// of a list hold none, and looking for them converts the whole text more than once.
bool TakesPreviewVariables(TkvxCustomMemoView& memo) {
  return memo.AllowExpressions && HasPreviewMarks(*memo.Memo());
}

// The memo's box as drawn: a view may be stored with a negative width or height.
TBox DrawnBox(const TkvxView& view) {
  TBox b = BoxOf(view);
  if (b.Width < 0) {
    b.Left += b.Width;
    b.Width = -b.Width;
  }
  if (b.Height < 0) {
    b.Top += b.Height;
    b.Height = -b.Height;
  }
  return b;
}

// The rectangle the memo's text is laid out in, inside its gaps, frame and shadow.
struct TTextBounds {
  double Left, Top, Right, Bottom;
};

TTextBounds TextBoundsOf(TkvxCustomMemoView& memo, const TBox& b) {
  const TkvxFrame& frame = memo.DrawnFrame();
  const double fw = frame.Width();
  const double shadow = frame.DropShadow() ? frame.ShadowWidth() : 0;
  const TkvxFrameTypes typ = frame.Typ();
  return {b.Left + memo.GapX + (typ.Contains(ftLeft) ? (fw - 1) / 2 : 0),
          b.Top + memo.GapY + (typ.Contains(ftTop) ? (fw - 1) / 2 : 0),
          b.Left + b.Width - shadow - memo.GapX - (typ.Contains(ftRight) ? fw / 2 : 0),
          b.Top + b.Height - shadow - memo.GapY - (typ.Contains(ftBottom) ? fw / 2 : 0)};
}

// The drawer's line for the memo: the font's cell at its measuring resolution, and the spacing.
double FontLineHeight(TkvxDrawText& drawer, TkvxCustomMemoView& memo) {
  drawer.SetFont(memo.Font());
  drawer.SetGaps(0, 0, memo.LineSpacing);
  return drawer.GetLineHeight();
}

// Whether the memo holds more text than any page can show: only such a text is cut to its box
// before it is laid out, so the lines a box clips stay in the file's text for every other memo.
bool LongerThanAPageShows(const TkvxCustomMemoView& memo) {
  constexpr size_t kPageOfText = 65536;
  size_t units = 0;
  const TWideStrings& lines = *memo.Memo();
  for (Integer i = 0; i < lines.Count() && units <= kPageOfText; ++i) units += lines.Line(i).size() + 1;
  return units > kPageOfText;
}

// How many of a memo's lines its clip can show, as the lines are placed below: those that
// start above the clip's bottom, and two more for marks that reach out of their cells. A text
// longer than a page is then laid out no further than its box shows it. Every line where the
// lines are placed from the bottom or the centre, turned, or in the heights of other fonts.
size_t ShownLines(TkvxCustomMemoView& memo, const TBox& b, double lineH) {
  if (lineH <= 0 || memo.VAlign != vaTop || memo.Rotation() != 0 || memo.AllowHTMLTags || memo.AutoWidth ||
      memo.HighlightActive() || !LongerThanAPageShows(memo))
    return SIZE_MAX;
  const double clipBottom = b.Top + b.Height + memo.DrawnFrame().Width();
  const double room = std::max(0.0, clipBottom - TextBoundsOf(memo, b).Top);
  return static_cast<size_t>(std::min(1e9, std::ceil(room / lineH))) + 2;
}

// The memo's text as runs of real text in its fonts, laid out by the same drawer the screen
// uses so that lines break at the same places; frame, fill and ruled lines as the canvas has them.
void DrawMemo(TkvxPDFPage& page, TkvxCustomMemoView& memo, const TBox& b) {
  const TkvxFrame* frame = &memo.DrawnFrame();
  const double fw = frame->Width();
  page.BeginClip(b.Left - fw, b.Top - fw, b.Width + 2 * fw, b.Height + 2 * fw);
  TColorRestore restore(memo);
  // A memo met ahead has its markers in place already.
  const TkvxPDFLaidMemo* met = page.LaidAhead ? page.LaidAhead->Find(&memo) : nullptr;
  if (!met && TakesPreviewVariables(memo)) memo.ApplyPreviewVariables();
  const double shadow = frame->DropShadow() ? frame->ShadowWidth() : 0;
  const auto [l, t, r, bt] = TextBoundsOf(memo, b);
  // Kept from memo to memo, so that drawing a line allocates nothing once they have grown.
  thread_local std::vector<TkvxTextLine> single;
  thread_local std::vector<TPiece> pieces, singlePieces;
  thread_local std::vector<TPlaced> placed, singlePlaced;
  thread_local std::vector<size_t> singleCounts;
  std::span<const TkvxTextLine> lines;
  const TkvxHTMLTag* only = nullptr;
  bool fast = false;
  double lineH = 0;
  // The shared drawer's lines are read in place while it is held; lines laid out ahead need
  // no drawer, nor does a memo met ahead whose lines stay paragraphs.
  std::optional<TkvxDrawTextLock> guard;
  if (met) {
    lineH = met->FontLineHeight;
    // Paragraphs the drawer wrapped are too wide for lines of their own: they are not measured
    // again to find that out.
    const bool wrapped = met->LaidOut && met->Count > static_cast<size_t>(memo.Memo()->Count());
    fast = !wrapped && SingleLines(page, memo, r - l, bt - t, lineH, ShownLines(memo, b, lineH), single, singlePieces,
                                   singlePlaced, singleCounts);
    if (!fast && met->LaidOut) {
      lines = met->Laid();
      lineH = met->LineHeight;
      only = &met->State;
    }
  } else {
    guard.emplace(kvxDrawText());
    lineH = FontLineHeight(kvxDrawText(), memo);
    fast = SingleLines(page, memo, r - l, bt - t, lineH, ShownLines(memo, b, lineH), single, singlePieces, singlePlaced,
                       singleCounts);
  }
  if (!fast && (!met || !met->LaidOut)) {
    if (!guard) guard.emplace(kvxDrawText());
    const TkvxDrawText& laid = memo.LayOut(ShownLines(memo, b, lineH));
    lines = laid.Lines();
    lineH = laid.GetLineHeight();
  }
  if (fast) lines = std::span<const TkvxTextLine>(single).first(singleCounts.size());
  // Without tags the drawer gives every character the memo's own state.
  const bool uniform = !memo.AllowHTMLTags;
  size_t fastPiece = 0;
  const TFont& font = memo.HighlightActive() ? *memo.Highlight()->Font() : *memo.Font();

  if (memo.Color() != clNone && memo.BrushStyle() != bsClear)
    page.FillRect(b.Left, b.Top, b.Width - shadow, b.Height - shadow, memo.Color());
  DrawFrame(page, memo, b);
  const int angle = memo.Rotation();
  if (memo.Underlines && angle == 0 && lineH > 0 && frame->Color() != clNone) {
    for (double y = b.Top + memo.GapY - memo.LineSpacing + 1 + lineH; y < b.Top + b.Height; y += lineH)
      page.Line(b.Left, y, b.Left + b.Width, y, frame->Color(), std::max(1.0, fw));
  }

  const double textHeight = lineH * lines.size();
  TTextFrame tf = FrameFor(l, t, r, bt, angle, textHeight);
  const double rad = angle * M_PI / 180, c = std::cos(rad), s = std::sin(rad);
  // Along a line and from one line down to the next, in page pixels (y grows downwards).
  const double ux = c, uy = -s, vx = s, vy = c;
  double shift = 0;
  if (memo.VAlign == vaBottom) shift = tf.Height - textHeight;
  else if (memo.VAlign == vaCenter) shift = (tf.Height - textHeight) / 2;
  if (angle % 90 != 0) {
    // Slanted text moves straight down, as the screen moves it.
    const double k = (angle > 90 && angle < 270) ? -1 : 1;
    tf.Y += shift * k;
    shift = 0;
  }

  // A run's font follows from its state alone; most memos are pieces of one state.
  static const TkvxHTMLTag kNoState;
  const TFont* runFont = nullptr;
  const TkvxHTMLTag* runTag = nullptr;
  int runSize = 0;
  int runFontIndex = -1;
  const TFontFace* runFace = nullptr;
  double runAscent = 0;
  auto useRunFont = [&](const TkvxHTMLTag* tag) {
    if (!tag) tag = &kNoState;
    if (runTag && *runTag == *tag) return;
    runFont = &RunFont(font, *tag);
    runTag = tag;
    runSize = runFont->Size();
    runFontIndex = -1;
    runFace = &page.Parent.FaceOf(*runFont);
    // The baseline lies the face's ascent below the top of the line.
    const double sizePx = runSize * 96.0 / 72.0;
    runAscent = runFace->Metrics().Ascent / 1000.0 * sizePx;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const TkvxTextLine& line = lines[i];
    double total = 0;
    int blanks = 0;
    std::span<const TPiece> linePieces;
    std::span<const TPlaced> linePlaced;
    if (fast) {
      // Shaped and measured already, piece by piece.
      const size_t count = singleCounts[i];
      linePieces = std::span<const TPiece>(singlePieces).subspan(fastPiece, count);
      linePlaced = std::span<const TPlaced>(singlePlaced).subspan(fastPiece, count);
      fastPiece += count;
      for (size_t k = 0; k < count; ++k) {
        total += linePlaced[k].Width;
        if (linePieces[k].EndsInBlank && k + 1 < count) ++blanks;
      }
    } else {
      PiecesOf(line, uniform, pieces, only);
      placed.clear();
      for (size_t k = 0; k < pieces.size(); ++k) {
        const TPiece& p = pieces[k];
        useRunFont(p.Tag);
        TkvxPDFShapedText& shaped = page.Parent.Shaped(*runFace, TextOf(line, p));
        placed.push_back({&shaped, shaped.Width(runSize, memo.CharSpacing)});
        total += placed.back().Width;
        if (p.EndsInBlank && k + 1 < pieces.size()) ++blanks;
      }
      linePieces = pieces;
      linePlaced = placed;
    }
    // The line ends at its last letter, as the screen measures it: the spacing after that
    // letter is no part of its width.
    if (!linePieces.empty()) total -= memo.CharSpacing;
    const bool firstOfParagraph = line.Flags & 1;
    TkvxHAlign align = memo.HAlign;
    if (align == haBlock && (line.Flags & 2)) align = memo.RTLReading ? haRight : haLeft;
    const double indent =
        firstOfParagraph && (memo.HAlign == haLeft || memo.HAlign == haBlock) ? memo.ParagraphGap : 0;
    const double room = tf.Width - indent;
    double along = indent, extra = 0;
    if (align == haRight) along += room - total;
    else if (align == haCenter) along += (room - total) / 2;
    else if (align == haBlock && blanks > 0) extra = (room - total) / blanks;
    const double down = shift + i * lineH;
    for (size_t k = 0; k < linePieces.size(); ++k) {
      const TPiece& p = linePieces[k];
      useRunFont(p.Tag);
      const double baseline = down + runAscent + (p.Tag ? p.Tag->AddY * p.Tag->Size : 0);
      page.ShowShaped(tf.X + along * ux + baseline * vx, tf.Y + along * uy + baseline * vy, TextOf(line, p),
                      *linePlaced[k].Shaped, *runFont, runSize, runFontIndex, memo.CharSpacing, angle);
      along += linePlaced[k].Width + (p.EndsInBlank && k + 1 < linePieces.size() ? extra : 0);
    }
  }
  page.EndClip();
}

// The memo a view is, when it is drawn as text (a hatched one is rastered); else null.
TkvxCustomMemoView* DrawnAsText(TkvxView& view) {
  if (!view.InheritsFrom(TkvxCustomMemoView::StaticClass())) return nullptr;
  if (view.BrushStyle() != bsSolid && view.BrushStyle() != bsClear) return nullptr;
  return static_cast<TkvxCustomMemoView*>(&view);
}

// The memo's lines as DrawMemo has the drawer lay them out where its paragraphs are not its
// lines (for a memo without tags, AutoWidth or highlight, whose drawing leaves its text as it
// is); false for one whose characters the drawer leaves in more than one state.
bool LayOutAhead(TkvxCustomMemoView& memo, TkvxPDFLaidMemo& laid) {
  TkvxDrawText& drawer = kvxDrawText();
  TkvxDrawTextLock guard(drawer);
  laid.FontLineHeight = FontLineHeight(drawer, memo);
  const TBox b = DrawnBox(memo);
  const size_t shown = ShownLines(memo, b, laid.FontLineHeight);
  // A memo that likely stays on one line a paragraph is measured first where it is drawn, in
  // the glyphs it is drawn in, and mostly is: a list's cells. Laying it out here would shape
  // its words once more, on a thread whose word shapes start empty where the thread that
  // prepared the report keeps them; one that does wrap is laid out there from those.
  const auto [l, t, r, bt] = TextBoundsOf(memo, b);
  if (!LeftToDrawer(memo, r - l, bt - t, laid.FontLineHeight, shown, kLikelyCharEm)) return false;
  const TkvxDrawText& drawn = memo.LayOut(shown);
  laid.LineHeight = drawn.GetLineHeight();
  bool stated = false;
  for (const TkvxTextLine& line : drawn.Lines()) {
    if (line.Tags.size() < line.Text.size()) return false;
    for (size_t i = 0; i < line.Text.size(); ++i) {
      if (!stated) {
        laid.State = line.Tags[i];
        stated = true;
      } else if (!(line.Tags[i] == laid.State)) {
        return false;
      }
    }
    // Into an earlier page's line where there is one: its text keeps its storage.
    TkvxTextLine& copy = laid.Count < laid.Lines.size() ? laid.Lines[laid.Count] : laid.Lines.emplace_back();
    ++laid.Count;
    copy.Text = line.Text;
    copy.Flags = line.Flags;
  }
  return true;
}

}  // namespace

TkvxPDFLaidMemo& TkvxPDFLaidMemos::Begin(const TkvxComponent* memo) {
  if (count_ == memos_.size()) memos_.emplace_back();
  TkvxPDFLaidMemo& laid = memos_[count_];
  laid.Memo = memo;
  laid.Count = 0;
  return laid;
}

const TkvxPDFLaidMemo* TkvxPDFLaidMemos::Find(const TkvxComponent* memo) {
  for (size_t k = 0; k < count_; ++k) {
    const size_t i = (cursor_ + k) % count_;
    if (memos_[i].Memo == memo) {
      cursor_ = i + 1 == count_ ? 0 : i + 1;
      return &memos_[i];
    }
  }
  return nullptr;
}

void kvxPDFLayOutAhead(TkvxReportPage& page, TkvxPDFLaidMemos& laid) {
  for (TkvxComponent* obj : page.AllObjects()) {
    if (!obj->InheritsFrom(TkvxView::StaticClass())) continue;
    TkvxCustomMemoView* memo = DrawnAsText(*static_cast<TkvxView*>(obj));
    if (!memo) continue;
    if (memo->AllowHTMLTags || memo->AutoWidth || memo->HighlightActive()) continue;
    // What fails here fails again where the memo is drawn, and is told there. Markers put in
    // here are not put in again there, whether the layout succeeds or not.
    try {
      const bool markers = TakesPreviewVariables(*memo);
      if (markers) memo->ApplyPreviewVariables();
      TkvxPDFLaidMemo& one = laid.Begin(memo);
      if (markers) {
        // Page numbers make its text new on every page: it is mostly drawn without being laid
        // out, and laying it out here would only fill the drawer's word caches with numbers.
        TkvxDrawTextLock guard(kvxDrawText());
        one.FontLineHeight = FontLineHeight(kvxDrawText(), *memo);
        one.LaidOut = false;
      } else {
        one.LaidOut = LayOutAhead(*memo, one);
      }
      // Kept also when left to be laid out where it is drawn: the drawing then knows its
      // markers were looked for and its font's line height without asking the drawer again.
      laid.Keep();
    } catch (...) {
    }
  }
}

void TkvxPDFPage::AddObject(TkvxComponent* obj) {
  // The class registry answers for every view of every page, cheaper than dynamic_cast.
  if (!obj || !obj->InheritsFrom(TkvxView::StaticClass())) return;
  auto* view = static_cast<TkvxView*>(obj);
  // The page's own colour, frame and picture come as this view; drawn only when asked.
  if (view->Name() == "_pagebackground" && !Parent.Background) return;
  TBox b = BoxOf(*view);
  // A line runs from its left-top corner to its right-bottom one, whatever the signs of its
  // size: an upward or leftward diagonal is stored with a negative height or width.
  if (view->InheritsFrom(TkvxCustomLineView::StaticClass())) {
    kvxPDFDrawLineView(*this, *static_cast<TkvxCustomLineView*>(view), b);
    return;
  }
  b = DrawnBox(*view);
  if (auto* memo = DrawnAsText(*view)) {
    DrawMemo(*this, *memo, b);
    return;
  }
  if (auto* shape = dynamic_cast<TkvxShapeView*>(view)) {
    if (!kvxPDFDrawShape(*this, *shape, b)) RasterView(*this, *view, b);
    return;
  }
  if (view->Color() != clNone && view->BrushStyle() != bsClear)
    FillRect(b.Left, b.Top, b.Width - Shadow(*view), b.Height - Shadow(*view), view->Color());
  if (auto* picture = dynamic_cast<TkvxPictureView*>(view))
    DrawPictureView(*this, *picture, b, Parent.PrintOptimized ? 3 : 1);
  else if (view->ClassName() != "TkvxView")
    RasterView(*this, *view, b);
  DrawFrame(*this, *view, b);
}

}  // namespace orv
