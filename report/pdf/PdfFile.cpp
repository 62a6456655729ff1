#include "report/pdf/PdfFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/gui/Graphics.h"
#include "platform/rtl/FileUtils.h"
#include "report/pdf/PdfFont.h"
#include "report/pdf/PdfPage.h"
#include "report/pdf/PdfText.h"

namespace orv {

namespace {

String Num(Int64 n) { return std::to_string(n); }

String Ref(int n) { return std::to_string(n) + " 0 R"; }

// "D:" and the local date and time, digits only.
String DateText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "D:%Y%m%d%H%M%S", &local);
  return text;
}

}  // namespace

TkvxPDFFile::TkvxPDFFile(bool useFileCache, const String& tempDir) {
  if (useFileCache) {
    TempFileName = CreateTempFile(tempDir.empty() ? GetTempDir() : tempDir, "pdf");
    ContentStream = std::make_unique<TFileStream>(TempFileName, fmOpenReadWrite);
    // Gone from the folder at once: the open stream keeps it, and a killed run leaves nothing.
    DeleteFile(TempFileName);
  }
  SetProtectionFlags({ePrint, eModify, eCopy, eAnnot});
}

TkvxPDFFile::~TkvxPDFFile() {
  Clear();
  ContentStream.reset();
}

void TkvxPDFFile::Clear() {
  // The deflater's waiting pages go before the pages themselves.
  deflater_.reset();
  Pages.clear();
  Fonts.clear();
  lastFont_ = -1;
  // Shaped runs name the fonts they were written in.
  shaped_.clear();
  older_.clear();
  spareShaped_.clear();
  shapedFace_ = nullptr;
  shapedTexts_ = nullptr;
  olderTexts_ = nullptr;
  shapedBytes_ = 0;
  Images.clear();
  imageIndex_.clear();
  xref_.clear();
  SetProtectionFlags({ePrint, eModify, eCopy, eAnnot});
}

void TkvxPDFFile::SetProtectionFlags(TkvxPDFEncBits flags) {
  ProtectionFlags = flags;
  PermissionValue = kvxPermissionValue(flags);
}

void TkvxPDFFile::PrepareKeys() {
  FileID = kvxMD5String(kvxCreateGUIDString());
  Encrypted = !OwnerPassword.empty() || !UserPassword.empty();
  if (Encrypted) CalcKeys();
}

void TkvxPDFFile::CalcKeys() {
  TkvxPDFKeys keys = kvxCalcKeys(OwnerPassword, UserPassword, PermissionValue, FileID);
  OwnerKey = keys.OwnerKey;
  UserKey = keys.UserKey;
  EncKey = keys.EncKey;
}

void TkvxPDFFile::CloseLastPage() {
  if (!Pages.empty()) Pages.back()->Close();
}

TkvxPDFPage& TkvxPDFFile::AddPage(double widthPx, double heightPx, double leftMarginMm,
                                  double topMarginMm, int preparedIndex) {
  CloseLastPage();
  // Line numbers and other one-off texts would otherwise make the memory grow with the pages:
  // when the texts shaped since the last turn reach the budget, those of the turn before go, and
  // the current ones become the older. A text still in use (a heading, a name the list repeats)
  // has moved to the current ones when it was asked for again. Turned between pages, so that
  // what a page shapes holds while it draws.
  constexpr size_t kShapedBudget = 1 << 18;
  if (shapedBytes_ >= kShapedBudget) {
    // The tables and entries of the texts that go serve the next turn's texts: a list shapes
    // thousands of numbers and names once each, and would otherwise allocate and free them all.
    // Entries the last turn left unused go, so that no more are kept than one turn's.
    constexpr size_t kSpareEntries = 4096;
    spareShaped_.clear();
    for (auto& [face, texts] : older_) texts.Clear(spareShaped_, kSpareEntries);
    std::swap(older_, shaped_);
    shapedFace_ = nullptr;
    shapedTexts_ = nullptr;
    olderTexts_ = nullptr;
    shapedBytes_ = 0;
  }
  auto page = std::make_unique<TkvxPDFPage>(*this);
  page->Width = widthPx * 0.75;
  page->Height = heightPx * 0.75;
  page->MarginLeft = leftMarginMm * 0.05;
  page->MarginTop = topMarginMm * 0.05;
  page->PreparedIndex = preparedIndex;
  Pages.push_back(std::move(page));
  Pages.back()->Index = static_cast<int>(Pages.size());
  return *Pages.back();
}

int TkvxPDFFile::AddFont(const TFont& font) {
  auto same = [&](size_t i) {
    const TFont& f = Fonts[i]->Font();
    return !Fonts[i]->IsFallback() && f.Name() == font.Name() && f.Style() == font.Style() &&
           f.Charset() == font.Charset();
  };
  // Runs mostly follow one another in one font.
  if (lastFont_ >= 0 && same(static_cast<size_t>(lastFont_))) return lastFont_;
  for (size_t i = 0; i < Fonts.size(); ++i)
    if (same(i)) return lastFont_ = static_cast<int>(i);
  Fonts.push_back(std::make_unique<TkvxPDFFont>(*this, font));
  Fonts.back()->Index = static_cast<int>(Fonts.size());
  return lastFont_ = static_cast<int>(Fonts.size()) - 1;
}

int TkvxPDFFile::AddFallbackFont(const TFont& font, const TFontFace& face) {
  for (size_t i = 0; i < Fonts.size(); ++i)
    if (Fonts[i]->IsFallback() && &Fonts[i]->Face() == &face) return static_cast<int>(i);
  Fonts.push_back(std::make_unique<TkvxPDFFont>(*this, font, face));
  Fonts.back()->Index = static_cast<int>(Fonts.size());
  return static_cast<int>(Fonts.size()) - 1;
}

const TFontFace& TkvxPDFFile::FaceOf(const TFont& font) {
  if (!face_ || font.Name() != faceName_ || font.Style() != faceStyle_ || font.Charset() != faceCharset_) {
    face_ = TkvxPDFFont::FaceFor(font);
    faceName_ = font.Name();
    faceStyle_ = font.Style();
    faceCharset_ = font.Charset();
  }
  return *face_;
}

TkvxPDFShapedText& TkvxPDFFile::Shaped(const TFontFace& face, std::u16string_view text) {
  if (shapedFace_ != &face) {
    shapedTexts_ = &shaped_[&face];
    auto older = older_.find(&face);
    olderTexts_ = older == older_.end() ? nullptr : &older->second;
    shapedFace_ = &face;
  }
  TkvxPDFShapedTexts& texts = *shapedTexts_;
  const size_t hash = TkvxPDFShapedTexts::Hash(text);
  if (TkvxPDFShapedText* known = texts.Find(text, hash)) return *known;
  // What a text costs: its glyphs, its key and the operators that will show it.
  auto cost = [](const TkvxPDFShapedTexts::TEntry& entry) {
    return sizeof(TkvxPDFShapedTexts::TEntry) + entry.Key.size() * sizeof(char16_t) +
           entry.Shaped.Glyphs.size() * (sizeof(TShapedGlyph) + 7);
  };
  if (olderTexts_) {
    // Moved whole: the text stays where it is, with the run it was last written as.
    if (auto entry = olderTexts_->Take(text, hash)) {
      shapedBytes_ += cost(*entry);
      return texts.Add(std::move(entry), hash);
    }
  }
  std::unique_ptr<TkvxPDFShapedTexts::TEntry> entry;
  if (spareShaped_.empty()) {
    entry = std::make_unique<TkvxPDFShapedTexts::TEntry>();
  } else {
    entry = std::move(spareShaped_.back());
    spareShaped_.pop_back();
  }
  entry->Key.assign(text);
  entry->Shaped.ShapeIn(face, entry->Key);
  shapedBytes_ += cost(*entry);
  return texts.Add(std::move(entry), hash);
}

int TkvxPDFFile::AddImage(TGraphic& graphic) {
  TkvxPDFImage image;
  if (!kvxPDFImageOf(graphic, image)) return -1;
  const size_t key = std::hash<std::string>{}(image.Data);
  for (auto [it, end] = imageIndex_.equal_range(key); it != end; ++it) {
    const TkvxPDFImage& known = Images[static_cast<size_t>(it->second)];
    if (known.Entries == image.Entries && known.Data == image.Data) return it->second;
  }
  Images.push_back(std::move(image));
  const int index = static_cast<int>(Images.size()) - 1;
  imageIndex_.emplace(key, index);
  return index;
}

void TkvxPDFFile::BeginObject(TStream& stream, int n) {
  if (xref_.size() <= static_cast<size_t>(n)) xref_.resize(n + 1, -1);
  xref_[n] = stream.Position();
  WriteLn(stream, Num(n) + " 0 obj");
}

void TkvxPDFFile::WriteStreamObject(TStream& stream, int n, const std::string& data, bool deflate,
                                    TZCompressionLevel level, const std::string& extra) {
  deflate = deflate && !data.empty();
  WriteStreamBody(stream, n, deflate ? ZCompress(data, level) : data, deflate, extra);
}

void TkvxPDFFile::WriteStreamBody(TStream& stream, int n, std::string_view body, bool deflated,
                                  const std::string& extra) {
  std::string encrypted;
  if (Encrypted) {
    encrypted.assign(body);
    kvxCryptBuffer(encrypted, EncKey, n);
    body = encrypted;
  }
  BeginObject(stream, n);
  String dict = "<< ";
  if (deflated) dict += "/Filter /FlateDecode ";
  dict += extra + "/Length " + Num(static_cast<Int64>(body.size())) + " >>";
  WriteLn(stream, dict);
  WriteLn(stream, "stream");
  Write(stream, body);
  // The end-of-line before "endstream" is not part of the data.
  WriteLn(stream, "");
  WriteLn(stream, "endstream");
  WriteLn(stream, "endobj");
}

bool TkvxPDFFile::ReadBody(TkvxPDFPage& page, std::string& body) {
  page.ReadContent(body);
  // A page closed before the document was set to compress.
  if (Compressed && !page.Deflated && !body.empty()) {
    body = ZCompress(body, zcFastest);
    return true;
  }
  return page.Deflated;
}

void TkvxPDFFile::WritePages(TStream& stream) {
  std::string body, added;
  for (auto& page : Pages) {
    const bool deflated = ReadBody(*page, body);
    TkvxPDFPage* addition = page->AdditionIfAny();
    const bool addedDeflated = addition && ReadBody(*addition, added);
    page->WriteObjects(stream, body, deflated, addition ? &added : nullptr, addedDeflated);
  }
}

TkvxPDFDeflater& TkvxPDFFile::Deflater() {
  if (!deflater_) deflater_ = std::make_unique<TkvxPDFDeflater>(ContentStream.get());
  return *deflater_;
}

std::string TkvxPDFFile::SpareContent() { return deflater_ ? deflater_->Spare() : std::string(); }

void TkvxPDFFile::WaitForBodies() {
  if (deflater_) deflater_->Finish();
}

int TkvxPDFFile::ExportedPosition(int preparedPage) const {
  for (size_t k = 0; k < Pages.size(); ++k)
    if (Pages[k]->PreparedIndex == preparedPage) return static_cast<int>(k);
  return -1;
}

void TkvxPDFFile::BuildOutline(TkvxPDFOutlineNode& node) {
  int count = PreviewOutline->GetCount();
  for (int i = 0; i < count; ++i) {
    String text;
    int page = 0, top = 0;
    PreviewOutline->GetItem(i, text, page, top);
    PreviewOutline->LevelDown(i);
    // A bookmark on a page that is not in the file goes; those below it whose pages are in the
    // file (a group begun before the range, its rows within it) take its place.
    if (ExportedPosition(page) < 0) {
      BuildOutline(node);
      PreviewOutline->LevelUp();
      continue;
    }
    auto child = std::make_unique<TkvxPDFOutlineNode>();
    child->Title = text;
    child->Page = page;
    child->Top = top;
    child->Parent = &node;
    child->Prev = node.Last;
    TkvxPDFOutlineNode* raw = child.get();
    if (node.Last)
      node.Last->Next = std::move(child);
    else
      node.First = std::move(child);
    node.Last = raw;
    BuildOutline(*raw);
    PreviewOutline->LevelUp();
    node.Count += 1;
    node.Descendants += raw->Descendants + 1;
  }
}

std::unique_ptr<TkvxPDFOutlineNode> TkvxPDFFile::BuildOutlineTree() {
  if (!Outline || !PreviewOutline) return nullptr;
  PreviewOutline->LevelRoot();
  auto root = std::make_unique<TkvxPDFOutlineNode>();
  BuildOutline(*root);
  PreviewOutline->LevelRoot();
  if (root->Descendants == 0) return nullptr;
  return root;
}

void TkvxPDFFile::WriteOutlineItem(TStream& stream, TkvxPDFOutlineNode& node, int parentNumber,
                                   int& objNo) {
  // Siblings are written in a loop and only children recurse, so a long flat outline does not
  // go deep.
  for (TkvxPDFOutlineNode* item = &node; item; item = item->Next.get()) {
    item->Number = objNo++;
    BeginObject(stream, item->Number);
    WriteLn(stream, "<<");
    WriteLn(stream, "/Title " + kvxPrepareText(item->Title, EncKey, Encrypted, item->Number));
    WriteLn(stream, "/Parent " + Ref(parentNumber));
    if (item->Prev) WriteLn(stream, "/Prev " + Ref(item->Prev->Number));
    if (item->First) {
      WriteLn(stream, "/First " + Ref(item->Number + 1));
      WriteLn(stream, "/Last " + Ref(item->Number + item->Descendants - item->Last->Descendants));
      // Every bookmark is open, so the count is of all items below it.
      WriteLn(stream, "/Count " + Num(item->Descendants));
    }
    if (item->Next) WriteLn(stream, "/Next " + Ref(item->Number + item->Descendants + 1));
    int position = ExportedPosition(item->Page);
    const TkvxPDFPage& target = *Pages[position];
    String y = Num(static_cast<Int64>(std::nearbyint(target.Height - item->Top * 0.75)));
    WriteLn(stream, "/Dest [" + Ref(FirstPageObj + 2 * position) + " /XYZ 0 " + y + " 0]");
    WriteLn(stream, ">>");
    WriteLn(stream, "endobj");
    if (item->First) WriteOutlineItem(stream, *item->First, item->Number, objNo);
  }
}

void TkvxPDFFile::WriteInfo(TStream& stream) {
  BeginObject(stream, 2);
  WriteLn(stream, "<<");
  const std::pair<const char*, const String*> fields[] = {
      {"/Title ", &Title},     {"/Author ", &Author},   {"/Subject ", &Subject},
      {"/Keywords ", &Keywords}, {"/Creator ", &Creator}, {"/Producer ", &Producer}};
  for (const auto& [key, value] : fields)
    WriteLn(stream, key + kvxPrepareText(*value, EncKey, Encrypted, 2));
  String date = DateText();
  if (Encrypted) {
    WriteLn(stream, "/CreationDate " + kvxPrepareText(date, EncKey, true, 2));
    WriteLn(stream, "/ModDate " + kvxPrepareText(date, EncKey, true, 2));
  } else {
    WriteLn(stream, "/CreationDate (" + date + ")");
    WriteLn(stream, "/ModDate (" + date + ")");
  }
  WriteLn(stream, ">>");
  WriteLn(stream, "endobj");
}

void TkvxPDFFile::SaveToStream(TStream& stream) {
  TkvxPDFElement::SaveToStream(stream);
  CloseLastPage();
  xref_.clear();
  if (FileID.empty()) PrepareKeys();
  std::unique_ptr<TkvxPDFOutlineNode> root = BuildOutlineTree();
  const bool outline = root != nullptr;
  const int outlineItems = outline ? root->Descendants : 0;

  // Numbers of what comes later are known before it is written: outline items, then the pages
  // tree, then each font's fixed number of objects, then a dictionary and a content stream per page.
  ObjBase = outline ? 3 + outlineItems : 2;
  PagesObj = ObjBase + 1;
  int next = PagesObj + 1;
  for (auto& font : Fonts) {
    font->ObjNumber = next;
    next += TkvxPDFFont::ObjectCount;
  }
  FirstPageObj = next;
  FirstImageObj = FirstPageObj + 2 * static_cast<int>(Pages.size());
  // What was added to pages once they were done follows the images.
  next = FirstImageObj + static_cast<int>(Images.size());
  for (auto& page : Pages)
    if (page->AdditionIfAny()) page->AdditionObj = next++;

  WriteLn(stream, "%PDF-1.5");
  WriteLn(stream, "%\xE2\xE3\xCF\xD3");

  BeginObject(stream, 1);
  WriteLn(stream, "<<");
  WriteLn(stream, "/Type /Catalog");
  WriteLn(stream, "/Pages " + Ref(PagesObj));
  WriteLn(stream, outline ? "/PageMode /UseOutlines" : "/PageMode /UseNone");
  if (outline) WriteLn(stream, "/Outlines 3 0 R");
  WriteLn(stream, "/ViewerPreferences <<");
  if (!Title.empty()) WriteLn(stream, "/DisplayDocTitle true");
  if (HideToolbar) WriteLn(stream, "/HideToolbar true");
  if (HideMenubar) WriteLn(stream, "/HideMenubar true");
  if (HideWindowUI) WriteLn(stream, "/HideWindowUI true");
  if (FitWindow) WriteLn(stream, "/FitWindow true");
  if (CenterWindow) WriteLn(stream, "/CenterWindow true");
  if (!PrintScaling) WriteLn(stream, "/PrintScaling /None");
  WriteLn(stream, ">>");
  WriteLn(stream, ">>");
  WriteLn(stream, "endobj");

  WriteInfo(stream);

  if (outline) {
    BeginObject(stream, 3);
    WriteLn(stream, "<<");
    WriteLn(stream, "/Count " + Num(root->Descendants));
    WriteLn(stream, "/First 4 0 R");
    WriteLn(stream, "/Last " + Ref(3 + root->Descendants - root->Last->Descendants));
    WriteLn(stream, ">>");
    WriteLn(stream, "endobj");
    int objNo = 4;
    WriteOutlineItem(stream, *root->First, 3, objNo);
  }

  for (auto& font : Fonts) font->SaveToStream(stream);
  WritePages(stream);
  for (size_t k = 0; k < Images.size(); ++k) {
    const TkvxPDFImage& image = Images[k];
    // The data carry their own filter: the stream body is written as it stands.
    WriteStreamBody(stream, FirstImageObj + static_cast<int>(k), image.Data, false,
                    "/Type /XObject /Subtype /Image " + image.Entries);
  }

  BeginObject(stream, PagesObj);
  WriteLn(stream, "<<");
  WriteLn(stream, "/Type /Pages");
  std::string kids = "/Kids [";
  for (size_t k = 0; k < Pages.size(); ++k) kids += Ref(FirstPageObj + 2 * static_cast<int>(k)) + " ";
  WriteLn(stream, kids + "]");
  WriteLn(stream, "/Count " + Num(static_cast<Int64>(Pages.size())));
  WriteLn(stream, ">>");
  WriteLn(stream, "endobj");

  Int64 startXRef = stream.Position();
  WriteLn(stream, "xref");
  WriteLn(stream, "0 " + Num(static_cast<Int64>(xref_.size())));
  std::string table = "0000000000 65535 f\r\n";
  char line[24];
  for (size_t n = 1; n < xref_.size(); ++n) {
    std::snprintf(line, sizeof line, "%010lld 00000 n\r\n", static_cast<long long>(xref_[n]));
    table += line;
  }
  Write(stream, table);
  WriteLn(stream, "trailer");
  WriteLn(stream, "<<");
  WriteLn(stream, "/Size " + Num(static_cast<Int64>(xref_.size())));
  WriteLn(stream, "/Root 1 0 R");
  WriteLn(stream, "/Info 2 0 R");
  WriteLn(stream, "/ID [<" + FileID + "><" + FileID + ">]");
  if (Encrypted) {
    WriteLn(stream, "/Encrypt <<");
    WriteLn(stream, "/Filter /Standard");
    WriteLn(stream, "/V 2");
    WriteLn(stream, "/R 3");
    WriteLn(stream, "/Length 128");
    WriteLn(stream, "/P " + Num(PermissionValue));
    WriteLn(stream, "/O (" + kvxEscapeString(OwnerKey) + ")");
    WriteLn(stream, "/U (" + kvxEscapeString(UserKey) + ")");
    WriteLn(stream, ">>");
  }
  WriteLn(stream, ">>");
  WriteLn(stream, "startxref");
  WriteLn(stream, Num(startXRef));
  WriteLn(stream, "%%EOF");
}

}  // namespace orv
