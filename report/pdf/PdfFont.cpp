#include "report/pdf/PdfFont.h"

#include <cmath>
#include <set>

#include "platform/gui/Graphics.h"
#include "platform/rtl/TextUtils.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfText.h"

namespace orv {

namespace {

// A font the machine lacks is written in the face that stands in for it (Garuda for Arial):
// the file then names the face it holds, by the face's own name, rather than the font asked
// for. So does a Thai font whose face has no Thai letters. The default charset is the Thai
// system's.
bool StandsIn(const TFont& font, const TFontFace& face) {
  const TFontCharset charset = font.Charset();
  if ((charset == THAI_CHARSET || charset == DEFAULT_CHARSET) && !face.HasCharacter(U'\u0E01')) return true;
  return !AnsiSameText(face.FamilyName(), font.Name());
}

}  // namespace

TkvxPDFFont::TkvxPDFFont(TkvxPDFFile& parent, const TFont& font)
    : parent_(parent), font_(std::make_unique<TFont>()) {
  font_->Assign(const_cast<TFont*>(&font));
  face_ = FaceFor(font);
  baseName_ = StandsIn(font, *face_) ? kvxEscapeName(face_->PostScriptName()) : GetFontName(font);
  used_.assign(face_->GlyphCount(), false);
  text_.resize(face_->GlyphCount());
  MeasureGlyphs();
}

TkvxPDFFont::TkvxPDFFont(TkvxPDFFile& parent, const TFont& font, const TFontFace& fallback)
    : parent_(parent), font_(std::make_unique<TFont>()), fallback_(true) {
  font_->Assign(const_cast<TFont*>(&font));
  // Fallback faces live as long as the program: the pointer is not owned.
  face_ = std::shared_ptr<const TFontFace>(std::shared_ptr<const TFontFace>(), &fallback);
  baseName_ = kvxEscapeName(fallback.PostScriptName());
  used_.assign(face_->GlyphCount(), false);
  text_.resize(face_->GlyphCount());
  MeasureGlyphs();
}

TkvxPDFFont::~TkvxPDFFont() = default;

void TkvxPDFFont::MeasureGlyphs() {
  widths_.resize(face_->GlyphCount());
  for (unsigned g = 0; g < widths_.size(); ++g) widths_[g] = static_cast<int>(std::lround(face_->GlyphAdvance(g)));
}

std::shared_ptr<TFontFace> TkvxPDFFont::FaceFor(const TFont& font) {
  return TFontFace::Find(font.Name(), font.Style().Contains(fsBold), font.Style().Contains(fsItalic),
                         font.Charset());
}

String TkvxPDFFont::GetFontName(const TFont& font) {
  String suffix;
  if (font.Style().Contains(fsBold)) suffix += "Bold";
  if (font.Style().Contains(fsItalic)) suffix += "Italic";
  String name = font.Name();
  if (!suffix.empty()) name += "," + suffix;
  return kvxEscapeName(name);
}

const TFontBox& TkvxPDFFont::GlyphBox(unsigned glyphId) {
  static const TFontBox none;
  if (glyphId >= face_->GlyphCount()) return none;
  if (boxes_.empty()) {
    boxes_.resize(face_->GlyphCount());
    boxed_.resize(face_->GlyphCount());
  }
  if (!boxed_[glyphId]) {
    boxes_[glyphId] = face_->GlyphBox(glyphId);
    boxed_[glyphId] = true;
  }
  return boxes_[glyphId];
}

const WideString& TkvxPDFFont::UseGlyph(unsigned glyphId, const WideString& text) {
  static const WideString none;
  if (glyphId >= used_.size()) return none;
  if (!used_[glyphId]) {
    used_[glyphId] = true;
    text_[glyphId] = text;
  }
  return text_[glyphId];
}

String TkvxPDFFont::SubsetTag() const {
  // Six capitals that change with the glyph set, so two subsets of one face differ by name.
  uint32_t hash = 2166136261u;
  for (size_t g = 0; g < used_.size(); ++g)
    if (used_[g]) hash = (hash ^ static_cast<uint32_t>(g)) * 16777619u;
  for (char c : baseName_) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  String tag;
  for (int i = 0; i < 6; ++i, hash /= 26) tag += static_cast<char>('A' + hash % 26);
  return tag;
}

void TkvxPDFFont::SaveToStream(TStream& stream) {
  TkvxPDFElement::SaveToStream(stream);
  const TFontFaceMetrics& m = face_->Metrics();
  // The program is settled first: its name says whether it is a subset.
  std::vector<Byte> program;
  // A program taken from a collection is always cut out of it: the whole file holds several.
  const std::vector<Byte>& data = face_->FontData();
  const bool collection = data.size() >= 4 && data[0] == 't' && data[1] == 't' && data[2] == 'c' && data[3] == 'f';
  if (!parent_.EmbeddedFonts || collection) {
    std::set<unsigned> glyphs;
    for (size_t g = 0; g < used_.size(); ++g)
      if (used_[g]) glyphs.insert(static_cast<unsigned>(g));
    try {
      program = face_->Subset(glyphs);
    } catch (const EFontError&) {
      // A program the subsetter cannot take apart still shows the text whole.
    }
  }
  const bool subset = !program.empty();
  if (!subset) program = face_->FontData();
  String name = baseName_;
  if (subset) name = SubsetTag() + "+" + name;
  const int n = ObjNumber;

  parent_.BeginObject(stream, n);
  WriteLn(stream, "<<");
  WriteLn(stream, "/Type /Font");
  WriteLn(stream, "/Subtype /Type0");
  WriteLn(stream, "/Name /F" + std::to_string(Index - 1));
  WriteLn(stream, "/BaseFont /" + name);
  WriteLn(stream, "/Encoding /Identity-H");
  WriteLn(stream, "/DescendantFonts [" + std::to_string(n + 1) + " 0 R]");
  WriteLn(stream, "/ToUnicode " + std::to_string(n + 3) + " 0 R");
  WriteLn(stream, ">>");
  WriteLn(stream, "endobj");

  parent_.BeginObject(stream, n + 1);
  WriteLn(stream, "<<");
  WriteLn(stream, "/Type /Font");
  WriteLn(stream, "/Subtype /CIDFontType2");
  WriteLn(stream, "/BaseFont /" + name);
  WriteLn(stream, "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>");
  WriteLn(stream, "/FontDescriptor " + std::to_string(n + 2) + " 0 R");
  WriteLn(stream, "/CIDToGIDMap /Identity");
  WriteLn(stream, "/DW " + std::to_string(m.AvgCharWidth));
  // Runs of consecutive glyph ids share one array.
  std::string widths = "/W [";
  for (size_t g = 0; g < used_.size();) {
    if (!used_[g]) {
      ++g;
      continue;
    }
    widths += std::to_string(g) + " [";
    for (; g < used_.size() && used_[g]; ++g) widths += std::to_string(GlyphWidth(static_cast<unsigned>(g))) + " ";
    widths += "] ";
  }
  WriteLn(stream, widths + "]");
  WriteLn(stream, ">>");
  WriteLn(stream, "endobj");

  parent_.BeginObject(stream, n + 2);
  int flags = 32 + (m.FixedPitch ? 1 : 0) + (face_->Italic() || m.ItalicAngle != 0 ? 64 : 0);
  const double stem = std::pow(m.Weight / 65.0, 2);
  WriteLn(stream, "<<");
  WriteLn(stream, "/Type /FontDescriptor");
  WriteLn(stream, "/FontName /" + name);
  WriteLn(stream, "/Flags " + std::to_string(flags));
  WriteLn(stream, "/FontBBox [" + std::to_string(m.FontBox.Left) + " " + std::to_string(m.FontBox.Bottom) +
                      " " + std::to_string(m.FontBox.Right) + " " + std::to_string(m.FontBox.Top) + " ]");
  WriteLn(stream, "/ItalicAngle " + kvxFloatToStrFixed(m.ItalicAngle));
  WriteLn(stream, "/Ascent " + std::to_string(m.Ascent));
  WriteLn(stream, "/Descent " + std::to_string(m.Descent));
  WriteLn(stream, "/Leading " + std::to_string(m.InternalLeading));
  WriteLn(stream, "/CapHeight " + std::to_string(m.TextHeight));
  WriteLn(stream, "/StemV " + std::to_string(std::lround(stem) + 50));
  WriteLn(stream, "/AvgWidth " + std::to_string(m.AvgCharWidth));
  WriteLn(stream, "/MaxWidth " + std::to_string(m.MaxCharWidth));
  WriteLn(stream, "/MissingWidth " + std::to_string(m.AvgCharWidth));
  WriteLn(stream, "/FontFile2 " + std::to_string(n + 4) + " 0 R");
  WriteLn(stream, ">>");
  WriteLn(stream, "endobj");

  std::string cmap =
      "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\r\n"
      "/CMapName /Adobe-Identity-UCS def\r\n/CMapType 2 def\r\n"
      "1 begincodespacerange\r\n<0000> <FFFF>\r\nendcodespacerange\r\n";
  std::vector<size_t> mapped;
  for (size_t g = 0; g < used_.size(); ++g)
    if (used_[g] && !text_[g].empty()) mapped.push_back(g);
  // A CMap section holds at most 100 entries.
  for (size_t start = 0; start < mapped.size(); start += 100) {
    size_t end = std::min(mapped.size(), start + 100);
    cmap += std::to_string(end - start) + " beginbfchar\r\n";
    for (size_t k = start; k < end; ++k) {
      cmap += '<';
      kvxAppendHex4(cmap, static_cast<unsigned>(mapped[k]));
      cmap += "> <";
      kvxAppendHex4(cmap, text_[mapped[k]]);
      cmap += ">\r\n";
    }
    cmap += "endbfchar\r\n";
  }
  cmap += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
  parent_.WriteStreamObject(stream, n + 3, cmap, true, zcFastest, "");

  std::string bytes(program.begin(), program.end());
  parent_.WriteStreamObject(stream, n + 4, bytes, true, zcMax,
                            "/Length1 " + std::to_string(bytes.size()) + " ");
}

}  // namespace orv
