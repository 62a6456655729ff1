#pragma once
// TkvxPDFFile: the PDF document of one export, written in one forward pass.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fonts/FontFace.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/Streams.h"

#include "png/ZLibStreams.h"
#include "report/pdf/PdfDeflater.h"
#include "report/pdf/PdfElement.h"
#include "report/pdf/PdfImage.h"
#include "report/pdf/PdfOutlineSource.h"
#include "report/pdf/PdfSecurity.h"
#include "report/pdf/PdfShapedTexts.h"

namespace orv {

class TFont;
class TkvxPDFPage;
class TkvxPDFFont;

class TkvxPDFFile : public TkvxPDFElement {
 public:
  // With useFileCache the pages' content waits in a temporary file in tempDir (the system's
  // temporary folder when empty) instead of memory.
  TkvxPDFFile(bool useFileCache, const String& tempDir);
  ~TkvxPDFFile() override;

  void Clear();
  // A page of widthPx x heightPx pixels at 96 per inch, with margins in millimetres, showing
  // the prepared page preparedIndex (from 0), where bookmarks to that page lead.
  TkvxPDFPage& AddPage(double widthPx, double heightPx, double leftMarginMm, double topMarginMm,
                       int preparedIndex);
  // The index in Fonts of the font for font's name, style and charset; size and colour do not
  // make another font.
  int AddFont(const TFont& font);
  // The index in Fonts of the font for a face that font's text falls back to.
  int AddFallbackFont(const TFont& font, const TFontFace& face);
  // The face a report font's name, style and charset resolve to.
  const TFontFace& FaceOf(const TFont& font);
  // Text shaped in a face. A list repeats its names, words and headings on every page, so each
  // is shaped once per export; the reference holds until the next page is added.
  TkvxPDFShapedText& Shaped(const TFontFace& face, std::u16string_view text);
  // The index in Images of graphic's image at its own pixels; a picture seen before (the parish
  // seal on every page) is the same image. -1 when the graphic has no pixels to embed.
  int AddImage(TGraphic& graphic);
  void SetProtectionFlags(TkvxPDFEncBits flags);
  // Sets FileID; with a password, the keys.
  void PrepareKeys();
  void CalcKeys();
  // Writes the whole file at the stream's position. Called once per document.
  void SaveToStream(TStream& stream) override;

  // Starts object number n at the stream's position: records its offset for the
  // cross-reference table and writes "n 0 obj".
  void BeginObject(TStream& stream, int n);
  // A stream object's dictionary entries and data, deflated at level and encrypted with the
  // object's key as the document asks; extra goes into the dictionary before /Length.
  void WriteStreamObject(TStream& stream, int n, const std::string& data, bool deflate,
                         TZCompressionLevel level, const std::string& extra);
  // A stream object whose body is ready: deflated (and so filtered) or not, encrypted here as
  // the document asks.
  void WriteStreamBody(TStream& stream, int n, std::string_view body, bool deflated, const std::string& extra);

  std::vector<std::unique_ptr<TkvxPDFPage>> Pages;
  std::vector<std::unique_ptr<TkvxPDFFont>> Fonts;
  std::vector<TkvxPDFImage> Images;
  String Title, Author, Subject, Creator, Keywords, Producer;
  bool Compressed = true;
  bool Outline = false;
  // Pictures rastered at three times their size; the page background view drawn.
  bool PrintOptimized = false;
  bool Background = false;
  TkvxPDFOutlineSource* PreviewOutline = nullptr;
  // The whole font programs instead of subsets of the glyphs used.
  bool EmbeddedFonts = false;
  bool HideToolbar = false, HideMenubar = false, HideWindowUI = false, FitWindow = false,
       CenterWindow = false, PrintScaling = false;

  bool Encrypted = false;
  TkvxPDFEncBits ProtectionFlags;
  int32_t PermissionValue = -4;
  std::string OwnerPassword, UserPassword;
  String FileID;
  std::string EncKey, OwnerKey, UserKey;

  int ObjBase = 0;
  int PagesObj = 0;
  int FirstPageObj = 0;
  // Image objects follow the pages' objects.
  int FirstImageObj = 0;
  // The temporary file of the pages' content; null while pages keep their own.
  std::unique_ptr<TStream> ContentStream;
  String TempFileName;

  // Deflates closed pages while the next are drawn (pages call it; made on first use).
  TkvxPDFDeflater& Deflater();
  // Room for a new page's content: that of a page deflated already, when there is one.
  std::string SpareContent();
  // Waits until every closed page has its body in place; raises what failed deflating one.
  void WaitForBodies();

 private:
  void CloseLastPage();
  void WritePages(TStream& stream);
  // The page's content as it goes into the file; true when deflated.
  bool ReadBody(TkvxPDFPage& page, std::string& body);
  void WriteInfo(TStream& stream);
  std::unique_ptr<TkvxPDFOutlineNode> BuildOutlineTree();
  void BuildOutline(TkvxPDFOutlineNode& node);
  void WriteOutlineItem(TStream& stream, TkvxPDFOutlineNode& node, int parentNumber, int& objNo);
  int ExportedPosition(int preparedPage) const;

  std::unique_ptr<TkvxPDFDeflater> deflater_;
  std::vector<Int64> xref_;
  // Images by a hash of their data, for finding one seen before.
  std::unordered_multimap<size_t, int> imageIndex_;
  // The texts shaped or asked for again since the last turn (see AddPage), and those of the turn
  // before, by face.
  std::unordered_map<const TFontFace*, TkvxPDFShapedTexts> shaped_, older_;
  // The face asked for last, and its texts of both turns: most runs follow one in the same face.
  const TFontFace* shapedFace_ = nullptr;
  TkvxPDFShapedTexts* shapedTexts_ = nullptr;
  TkvxPDFShapedTexts* olderTexts_ = nullptr;
  // Bytes of the texts in shaped_, about.
  size_t shapedBytes_ = 0;
  // Entries of texts gone at the last turn, whose storage the next new texts take.
  std::vector<std::unique_ptr<TkvxPDFShapedTexts::TEntry>> spareShaped_;
  // The font AddFont gave last, by the name, style and charset asked for.
  int lastFont_ = -1;
  String faceName_;
  TFontStyles faceStyle_;
  Byte faceCharset_ = 0;
  std::shared_ptr<TFontFace> face_;
};

}  // namespace orv
