// Reads an .xlsx workbook into the model: sheets in their order, cell values and formulas,
// styles, merges, column widths, the auto-filter, the print gridlines and the page setup. The file is the user's
// and may be damaged or hostile: every size and count it declares is bounded before it is
// trusted, and anything that does not fit raises EOleException naming the file.
#include <zip.h>

#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/TextUtils.h"
#include "platform/sheet/FormulaShift.h"
#include "platform/sheet/SheetDates.h"
#include "platform/sheet/SheetWorkbook.h"

namespace orv {

namespace {

// Bounds of what a workbook may hold; past them the file is refused rather than let it fill
// the memory.
constexpr zip_int64_t kMaxEntries = 10000;
// Parts are read as streams: these bound the time a file takes, the model bounds below the memory.
constexpr zip_uint64_t kMaxPartBytes = zip_uint64_t{1} << 30;
constexpr zip_uint64_t kMaxTotalBytes = zip_uint64_t{2} << 30;
// The XML reader holds a text, or the blanks between two elements, whole before it hands them on:
// no stretch between two "<" may be longer than a cell's longest text written with a character
// reference for every character ("&#x10FFFF;"), and a tag.
constexpr size_t kMaxStretchBytes = static_cast<size_t>(SheetMaxCellText) * 10 + 4096;
// The texts of cells and formulas together.
constexpr size_t kMaxTextBytes = 256u << 20;
constexpr size_t kMaxSheets = 1024;
constexpr size_t kMaxStrings = 4u << 20;
constexpr size_t kMaxStyleItems = 65536;
// Cells the rows of all sheets may span (empty ones between included): 16 bytes each.
constexpr size_t kMaxCellSlots = 16u << 20;
// Rows of all sheets up to the last one used: 32 bytes each.
constexpr size_t kMaxRowSlots = 4u << 20;
constexpr size_t kMaxMerges = 16384;
// A merge larger than this many cells is kept to the cells the sheet uses: each cell of a merge
// is written again on every save, and one of the whole sheet (A1:XFD1048576) is seventeen
// billion of them. All merges of a sheet together cover at most kMaxMergedCells.
constexpr Int64 kLargeMergeCells = 65536;
constexpr Int64 kMaxMergedCells = 16 << 20;
constexpr double kMaxMarginInches = 4;

[[noreturn]] void Damaged(const String& file, const String& why) {
  throw EOleException("The workbook " + file + " cannot be read: " + why, DISP_E_EXCEPTION, "Sheet", "");
}

class ZipPart;

// The number of parts the archive's end record states, read before libzip loads the directory
// of them all (a second for a hundred thousand); -1 when the file has no end record libzip
// would not find wanting too.
long long StatedParts(const String& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.seekg(0, std::ios::end)) return -1;
  auto size = static_cast<long long>(in.tellg());
  // The end record (22 bytes) and its comment of at most 65535 bytes close the file.
  long long from = std::max(0LL, size - 22 - 65535);
  std::string tail(static_cast<size_t>(size - from), '\0');
  if (!in.seekg(from) || !in.read(tail.data(), static_cast<std::streamsize>(tail.size()))) return -1;
  auto le = [&](const std::string& b, size_t at, int bytes) {
    unsigned long long v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
  };
  size_t end = tail.rfind(std::string("PK\5\6", 4));
  if (end == std::string::npos || end + 22 > tail.size()) return -1;
  unsigned long long parts = le(tail, end + 10, 2);
  if (parts != 0xFFFF || end < 20 || tail.compare(end - 20, 4, std::string("PK\6\7", 4)) != 0)
    return static_cast<long long>(parts);
  // Zip64: the locator before the end record points to the larger end record and its count.
  unsigned long long at = le(tail, end - 20 + 8, 8);
  std::string record(56, '\0');
  if (at > static_cast<unsigned long long>(size) || !in.seekg(static_cast<std::streamoff>(at)) ||
      !in.read(record.data(), 56) || record.compare(0, 4, std::string("PK\6\6", 4)) != 0)
    return -1;
  return static_cast<long long>(std::min(le(record, 32, 8), 1ULL << 62));
}

class ZipArchive {
 public:
  explicit ZipArchive(const String& file) : file_(file) {
    // A named pipe would hold the reader until another program wrote into it.
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec))
      Damaged(file, "it is not a regular file");
    if (StatedParts(file) > kMaxEntries) Damaged(file, "it has too many parts");
    int error = 0;
    zip_ = zip_open(file.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip_) {
      zip_error_t e;
      zip_error_init_with_code(&e, error);
      String why = zip_error_strerror(&e);
      zip_error_fini(&e);
      Damaged(file, why);
    }
    if (zip_get_num_entries(zip_, 0) > kMaxEntries) {
      zip_discard(zip_);
      Damaged(file, "it has too many parts");
    }
  }
  ~ZipArchive() { zip_discard(zip_); }
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  bool Has(const String& name) const { return zip_name_locate(zip_, name.c_str(), 0) >= 0; }

  // The part as a stream for the XML reader, which takes it piece by piece: a large sheet is
  // never held whole. Reading stops at the bounds whatever the part's header claims.
  std::unique_ptr<ZipPart> Open(const String& name);
  zip_t* Handle() const { return zip_; }
  const String& File() const { return file_; }
  // Counts what the parts unpack to; false past the bound for all parts together.
  bool Count(zip_uint64_t bytes) { return (total_ += bytes) <= kMaxTotalBytes; }

 private:
  String file_;
  zip_t* zip_ = nullptr;
  zip_uint64_t total_ = 0;
};

class ZipPart : public QIODevice {
 public:
  ZipPart(ZipArchive& archive, zip_file_t* file, String name) : archive_(archive), file_(file), name_(std::move(name)) {
    open(QIODevice::ReadOnly);
  }
  ~ZipPart() override { zip_fclose(file_); }
  bool isSequential() const override { return true; }
  // Why the part stopped before its end; empty when it did not.
  const String& Failure() const { return failure_; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (!failure_.empty()) return -1;
    zip_int64_t n = zip_fread(file_, data, static_cast<zip_uint64_t>(maxSize));
    if (n < 0) {
      failure_ = "the part " + name_ + " is damaged: " + zip_file_strerror(file_);
      return -1;
    }
    read_ += static_cast<zip_uint64_t>(n);
    if (read_ > kMaxPartBytes || !archive_.Count(static_cast<zip_uint64_t>(n))) {
      failure_ = "the part " + name_ + " unpacks to more than a workbook can hold";
      return -1;
    }
    for (const char *at = data, *end = data + n; at < end;) {
      const void* open = std::memchr(at, '<', static_cast<size_t>(end - at));
      const char* stop = open ? static_cast<const char*>(open) : end;
      stretch_ += static_cast<size_t>(stop - at);
      if (stretch_ > kMaxStretchBytes) {
        failure_ = "the part " + name_ + " holds a text longer than a cell can hold";
        return -1;
      }
      if (!open) break;
      stretch_ = 0;
      at = stop + 1;
    }
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  ZipArchive& archive_;
  zip_file_t* file_;
  String name_;
  zip_uint64_t read_ = 0;
  size_t stretch_ = 0;  // bytes since the last "<"
  String failure_;
};

std::unique_ptr<ZipPart> ZipArchive::Open(const String& name) {
  zip_stat_t st;
  if (zip_stat(zip_, name.c_str(), 0, &st) != 0) Damaged(file_, "the part " + name + " is missing");
  if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxPartBytes) Damaged(file_, "the part " + name + " is too large");
  zip_file_t* in = zip_fopen(zip_, name.c_str(), 0);
  if (!in) Damaged(file_, "the part " + name + " cannot be opened: " + zip_strerror(zip_));
  return std::make_unique<ZipPart>(*this, in, name);
}

String Str(QStringView s) { return s.toString().toStdString(); }

String Attr(const QXmlStreamReader& x, const char* name) { return Str(x.attributes().value(QLatin1String(name))); }

bool Is(const QXmlStreamReader& x, const char* name) { return x.name() == QLatin1String(name); }

// The next start element at any depth; false at the end of the part or at a fault.
bool NextStart(QXmlStreamReader& x) {
  while (!x.atEnd()) {
    x.readNext();
    if (x.isStartElement()) return true;
  }
  return false;
}

std::optional<long long> ToInt(const String& s) {
  long long v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<double> ToDouble(const String& s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool ToBool(const String& s) { return s == "1" || s == "true"; }

// A part's path from a relationship's target, against the folder of the part that names it.
String ResolvePart(const String& base, const String& target) {
  String path = target.starts_with('/') ? target.substr(1) : base + target;
  std::vector<String> parts;
  size_t at = 0;
  while (at <= path.size()) {
    size_t slash = path.find('/', at);
    if (slash == String::npos) slash = path.size();
    String piece = path.substr(at, slash - at);
    if (piece == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!piece.empty() && piece != ".") {
      parts.push_back(piece);
    }
    at = slash + 1;
  }
  String out;
  for (auto& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

String FolderOf(const String& part) {
  size_t slash = part.rfind('/');
  return slash == String::npos ? String() : part.substr(0, slash + 1);
}

String RelsOf(const String& part) {
  return FolderOf(part) + "_rels/" + part.substr(FolderOf(part).size()) + ".rels";
}

struct Relationship {
  String Type;  // the last word of the type URI: "worksheet", "styles", ...
  String Target;
};

// The number formats every workbook has without declaring them.
const char* BuiltinFormat(long long id) {
  switch (id) {
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?" "?/?" "?";
    case 14: return "mm-dd-yy";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "m/d/yy h:mm";
    case 37: return "#,##0 ;(#,##0)";
    case 38: return "#,##0 ;[Red](#,##0)";
    case 39: return "#,##0.00;(#,##0.00)";
    case 40: return "#,##0.00;[Red](#,##0.00)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mmss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return "";
  }
}

// "FFRRGGBB" as the model's 0x00BBGGRR; -1 for colours given otherwise (theme, palette).
int ColorOf(const QXmlStreamReader& x) {
  String rgb = Attr(x, "rgb");
  if (rgb.size() != 8) return -1;
  unsigned v = 0;
  auto [end, ec] = std::from_chars(rgb.data() + 2, rgb.data() + 8, v, 16);
  if (ec != std::errc() || end != rgb.data() + 8) return -1;
  return static_cast<int>(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
}

SheetBorderEdge EdgeOf(const String& style) {
  constexpr int medium = -4138, thick = 4, hairline = 1, thin = xlThin;
  struct Kind {
    const char* Name;
    int LineStyle, Weight;
  };
  static const Kind kinds[] = {
      {"thin", xlContinuous, thin},   {"medium", xlContinuous, medium},    {"thick", xlContinuous, thick},
      {"hair", xlContinuous, hairline}, {"dashed", -4115, thin},          {"mediumDashed", -4115, medium},
      {"dotted", -4118, thin},        {"double", -4119, thin},             {"dashDot", 4, thin},
      {"mediumDashDot", 4, medium},   {"dashDotDot", 5, thin},             {"mediumDashDotDot", 5, medium},
      {"slantDashDot", 13, thin},
  };
  for (const Kind& k : kinds)
    if (style == k.Name) return SheetBorderEdge{k.LineStyle, k.Weight, 0};
  return SheetBorderEdge{};
}

// The file stores a column's width with the cell padding in it, in digit widths of its standard
// font (seven pixels, five of padding); the model counts the characters the column shows.
double CharacterWidth(double stored) {
  double pixels = std::round(std::clamp(stored, 0.0, 255.0) * 7);
  return pixels <= 12 ? pixels / 12 : (pixels - 5) / 7;
}

int AlignmentOf(const String& h) {
  if (h == "left") return -4131;
  if (h == "right") return -4152;
  if (h == "center" || h == "centerContinuous") return -4108;
  return xlHAlignGeneral;
}

class WorkbookReader {
 public:
  explicit WorkbookReader(const String& file) : file_(file), zip_(file), book_(std::make_shared<SheetWorkbook>()) {}

  std::shared_ptr<SheetWorkbook> Read() {
    String workbookPart = "xl/workbook.xml";
    for (auto& [id, rel] : Relationships("_rels/.rels", ""))
      if (rel.Type == "officeDocument") workbookPart = rel.Target;
    String base = FolderOf(workbookPart);
    auto rels = Relationships(RelsOf(workbookPart), base);
    for (auto& [id, rel] : rels) {
      if (rel.Type == "sharedStrings") ReadStrings(rel.Target);
      if (rel.Type == "styles") ReadStyles(rel.Target);
    }
    if (styleIds_.empty()) styleIds_.push_back(0);

    auto in = zip_.Open(workbookPart);
    QXmlStreamReader x(in.get());
    while (NextStart(x)) {
      if (Is(x, "workbookPr")) {
        date1904_ = ToBool(Attr(x, "date1904"));
        x.skipCurrentElement();
      } else if (Is(x, "sheet")) {
        String name = Attr(x, "name");
        String id;
        for (const auto& a : x.attributes())
          if (a.name() == QLatin1String("id")) id = Str(a.value());
        x.skipCurrentElement();
        auto rel = rels.find(id);
        // Chart sheets and dialog sheets hold no cells for the model.
        if (rel == rels.end() || rel->second.Type != "worksheet") continue;
        if (name.empty() || book_->FindSheet(name)) Damaged(file_, "two sheets have the name \"" + name + "\"");
        if (static_cast<size_t>(book_->SheetCount()) >= kMaxSheets) Damaged(file_, "it has too many sheets");
        auto sheet = book_->AddSheet();
        sheet->SetName(name);
        ReadSheet(*sheet, rel->second.Target);
      } else if (!Is(x, "workbook") && !Is(x, "sheets")) {
        x.skipCurrentElement();
      }
    }
    Check(x, *in, workbookPart);
    if (book_->SheetCount() == 0) Damaged(file_, "it has no worksheet");
    return book_;
  }

 private:
  void Check(const QXmlStreamReader& x, const ZipPart& in, const String& part) {
    if (!in.Failure().empty()) Damaged(file_, in.Failure());
    if (x.hasError()) Damaged(file_, "the part " + part + " is not well-formed: " + x.errorString().toStdString());
  }

  // A cell's text, refused when it is longer than a cell holds.
  const String& CellText(const String& text, const String& part) {
    if (text.size() > static_cast<size_t>(SheetMaxCellText) && Length(text) > SheetMaxCellText)
      Damaged(file_, "a text in " + part + " is longer than a cell can hold (" + std::to_string(SheetMaxCellText) +
                         " characters)");
    return text;
  }

  void CountText(size_t bytes) {
    if ((textBytes_ += bytes) > kMaxTextBytes) Damaged(file_, "its texts take more than the memory can hold");
  }

  std::map<String, Relationship> Relationships(const String& part, const String& base) {
    std::map<String, Relationship> out;
    if (!zip_.Has(part)) return out;
    auto in = zip_.Open(part);
    QXmlStreamReader x(in.get());
    while (NextStart(x)) {
      if (Is(x, "Relationship")) {
        String type = Attr(x, "Type");
        type = type.substr(type.rfind('/') + 1);
        if (Attr(x, "TargetMode") != "External") out[Attr(x, "Id")] = {type, ResolvePart(base, Attr(x, "Target"))};
        if (out.size() > static_cast<size_t>(kMaxEntries)) Damaged(file_, "the part " + part + " has too many links");
      }
      if (!Is(x, "Relationships")) x.skipCurrentElement();
    }
    Check(x, *in, part);
    return out;
  }

  // The text of an <si> or <is>: its own <t>, or its runs' texts one after the other; phonetic
  // readings are left out.
  String RichText(QXmlStreamReader& x, const String& part) {
    String text;
    int depth = 1;
    while (depth > 0 && !x.atEnd()) {
      x.readNext();
      if (x.isStartElement()) {
        if (Is(x, "rPh")) {
          x.skipCurrentElement();
        } else if (Is(x, "t")) {
          String piece = x.readElementText().toStdString();
          CountText(piece.size());
          text += piece;
          CellText(text, part);
        } else {
          ++depth;
        }
      } else if (x.isEndElement()) {
        --depth;
      }
    }
    return text;
  }

  void ReadStrings(const String& part) {
    auto in = zip_.Open(part);
    QXmlStreamReader x(in.get());
    while (NextStart(x)) {
      if (Is(x, "sst")) {
        // What the file says it holds is refused before any of it is read: the uses of texts
        // cannot outnumber the cells, nor the texts themselves the bound.
        auto unique = ToInt(Attr(x, "uniqueCount")), uses = ToInt(Attr(x, "count"));
        if ((unique && *unique > static_cast<long long>(kMaxStrings)) ||
            (uses && *uses > static_cast<long long>(kMaxCellSlots)))
          Damaged(file_, "it has more texts than the memory can hold");
      } else if (Is(x, "si")) {
        if (strings_.size() >= kMaxStrings) Damaged(file_, "it has too many texts");
        strings_.push_back(RichText(x, part));
      } else {
        x.skipCurrentElement();
      }
    }
    Check(x, *in, part);
  }

  struct Font {
    String Name;
    double Size = 0;
    int Color = -1;
    bool Bold = false, Italic = false, Underline = false;
  };

  // The children of a list element (<fonts>, <fills> ...), each read by one call of item.
  template <typename Item>
  void List(QXmlStreamReader& x, const char* element, Item item) {
    while (x.readNextStartElement()) {
      if (!Is(x, element)) {
        x.skipCurrentElement();
        continue;
      }
      if (++styleItems_ > kMaxStyleItems) Damaged(file_, "it has too many styles");
      item();
    }
  }

  void ReadStyles(const String& part) {
    auto in = zip_.Open(part);
    QXmlStreamReader x(in.get());
    std::map<long long, String> formats;
    std::vector<Font> fonts;
    std::vector<int> fills;
    std::vector<std::array<SheetBorderEdge, 4>> borders;
    while (NextStart(x)) {
      if (Is(x, "numFmts")) {
        List(x, "numFmt", [&] {
          if (auto id = ToInt(Attr(x, "numFmtId"))) formats[*id] = Attr(x, "formatCode");
          x.skipCurrentElement();
        });
      } else if (Is(x, "fonts")) {
        List(x, "font", [&] {
          Font f;
          while (x.readNextStartElement()) {
            String val = Attr(x, "val");
            if (Is(x, "b")) f.Bold = val.empty() || ToBool(val);
            else if (Is(x, "i")) f.Italic = val.empty() || ToBool(val);
            else if (Is(x, "u")) f.Underline = val != "none";
            else if (Is(x, "sz")) f.Size = ToDouble(val).value_or(0);
            else if (Is(x, "name")) f.Name = val;
            else if (Is(x, "color")) f.Color = ColorOf(x);
            x.skipCurrentElement();
          }
          fonts.push_back(f);
        });
      } else if (Is(x, "fills")) {
        List(x, "fill", [&] {
          int color = -1;
          while (x.readNextStartElement()) {
            if (Is(x, "patternFill") && Attr(x, "patternType") == "solid") {
              while (x.readNextStartElement()) {
                if (Is(x, "fgColor")) color = ColorOf(x);
                x.skipCurrentElement();
              }
            } else {
              x.skipCurrentElement();
            }
          }
          fills.push_back(color);
        });
      } else if (Is(x, "borders")) {
        List(x, "border", [&] {
          std::array<SheetBorderEdge, 4> edges;
          while (x.readNextStartElement()) {
            int index = Is(x, "left") || Is(x, "start") ? 0 : Is(x, "top") ? 1 : Is(x, "bottom") ? 2
                      : Is(x, "right") || Is(x, "end") ? 3 : -1;
            if (index < 0) {
              x.skipCurrentElement();
              continue;
            }
            SheetBorderEdge edge = EdgeOf(Attr(x, "style"));
            while (x.readNextStartElement()) {
              if (Is(x, "color")) edge.Color = std::max(ColorOf(x), 0);
              x.skipCurrentElement();
            }
            if (edge.LineStyle != xlNone) edges[static_cast<size_t>(index)] = edge;
          }
          borders.push_back(edges);
        });
      } else if (Is(x, "cellXfs")) {
        List(x, "xf", [&] {
          SheetStyle s;
          auto at = [](const auto& list, const String& id) -> const auto* {
            auto i = ToInt(id);
            return i && *i >= 0 && static_cast<size_t>(*i) < list.size() ? &list[static_cast<size_t>(*i)] : nullptr;
          };
          if (const Font* f = at(fonts, Attr(x, "fontId"))) {
            // The file's own default font is named on every cell: the model's default is another.
            s.FontName = f->Name;
            s.FontSize = f->Size;
            s.FontColor = f->Color;
            s.Bold = f->Bold;
            s.Italic = f->Italic;
            s.Underline = f->Underline;
            if (s.FontName == SheetDefaultFontName && s.FontSize == SheetDefaultFontSize) {
              s.FontName.clear();
              s.FontSize = 0;
            }
          }
          if (const int* fill = at(fills, Attr(x, "fillId"))) s.FillColor = *fill;
          if (const auto* edges = at(borders, Attr(x, "borderId"))) s.Edges = *edges;
          if (auto id = ToInt(Attr(x, "numFmtId"))) {
            auto custom = formats.find(*id);
            s.NumberFormat = custom != formats.end() ? custom->second : String(BuiltinFormat(*id));
            if (s.NumberFormat == "General") s.NumberFormat.clear();
          }
          while (x.readNextStartElement()) {
            if (Is(x, "alignment")) {
              s.HorizontalAlignment = AlignmentOf(Attr(x, "horizontal"));
              s.WrapText = ToBool(Attr(x, "wrapText"));
              long long angle = ToInt(Attr(x, "textRotation")).value_or(0);
              // 91 to 180 turn the text downwards; 255 stacks it, which the model does not carry.
              if (angle > 90 && angle <= 180) angle = 90 - angle;
              if (angle < -90 || angle > 90) angle = 0;
              s.Orientation = static_cast<int>(angle);
            }
            x.skipCurrentElement();
          }
          dateStyles_.push_back(IsDateFormat(s.NumberFormat));
          styleIds_.push_back(book_->Store().Styles.Intern(s));
        });
      } else if (!Is(x, "styleSheet")) {
        x.skipCurrentElement();
      }
    }
    Check(x, *in, part);
  }

  std::uint32_t StyleOf(const String& s) {
    if (s.empty()) return styleIds_[0];
    auto id = ToInt(s);
    if (!id || *id < 0 || static_cast<size_t>(*id) >= styleIds_.size()) Damaged(file_, "a cell names a style it does not have");
    return styleIds_[static_cast<size_t>(*id)];
  }

  bool IsDateStyle(const String& s) {
    auto id = ToInt(s.empty() ? String("0") : s);
    return id && *id >= 0 && static_cast<size_t>(*id) < dateStyles_.size() && dateStyles_[static_cast<size_t>(*id)];
  }

  void ReadSheet(SheetWorksheet& sheet, const String& part) {
    auto in = zip_.Open(part);
    QXmlStreamReader x(in.get());
    sharedFormulas_.clear();
    int row = 0;
    while (NextStart(x)) {
      if (Is(x, "worksheet") || Is(x, "sheetData")) continue;
      if (Is(x, "row")) {
        String r = Attr(x, "r");
        auto n = r.empty() ? std::optional<long long>(row + 1) : ToInt(r);
        if (!n || *n <= row || *n > SheetMaxRows) Damaged(file_, "a row number in " + part + " is out of order or beyond the sheet");
        row = static_cast<int>(*n);
        int column = 0;
        while (x.readNextStartElement()) {
          if (!Is(x, "c")) {
            x.skipCurrentElement();
            continue;
          }
          String ref = Attr(x, "r");
          if (ref.empty()) {
            ++column;
          } else {
            auto at = ParseCellName(ref);
            if (!at || at->Row != row || at->Column <= column) Damaged(file_, "the cell " + ref + " in " + part + " is misplaced");
            column = at->Column;
          }
          if (column > SheetMaxColumns) Damaged(file_, "a cell in " + part + " lies beyond the last column");
          if (row > sheet.RowCount()) {
            rowSlots_ += static_cast<size_t>(row - sheet.RowCount());
            if (rowSlots_ > kMaxRowSlots) Damaged(file_, "it has more rows than the memory can hold");
          }
          const SheetRow* existing = sheet.RowAt(row);
          size_t had = existing ? existing->Cells.size() : 0;
          if (static_cast<size_t>(column) > had) {
            cellSlots_ += static_cast<size_t>(column) - had;
            if (cellSlots_ > kMaxCellSlots) Damaged(file_, "it has more cells than the memory can hold");
          }
          ReadCell(x, sheet, {row, column}, part);
        }
      } else if (Is(x, "cols")) {
        while (x.readNextStartElement()) {
          if (Is(x, "col") && ToBool(Attr(x, "customWidth"))) {
            auto from = ToInt(Attr(x, "min")), to = ToInt(Attr(x, "max"));
            auto width = ToDouble(Attr(x, "width"));
            if (from && to && width && *from >= 1 && *to >= *from && *to <= SheetMaxColumns)
              sheet.SetColumnWidth(static_cast<int>(*from), static_cast<int>(*to), CharacterWidth(*width));
          }
          x.skipCurrentElement();
        }
      } else if (Is(x, "mergeCells")) {
        // The cells come before the merges in the part.
        const SheetRect used = sheet.UsedRange();
        Int64 merged = 0;
        while (x.readNextStartElement()) {
          if (Is(x, "mergeCell")) {
            auto rect = ParseRangeName(Attr(x, "ref"));
            if (!rect) Damaged(file_, "a merged range in " + part + " is not a range");
            if (sheet.Merges().size() >= kMaxMerges) Damaged(file_, "it has too many merged ranges");
            if (Int64(rect->Rows()) * rect->Columns() > kLargeMergeCells) {
              rect->Last.Row = std::max(rect->First.Row, std::min(rect->Last.Row, used.Last.Row));
              rect->Last.Column = std::max(rect->First.Column, std::min(rect->Last.Column, used.Last.Column));
            }
            merged += Int64(rect->Rows()) * rect->Columns();
            if (merged > kMaxMergedCells) Damaged(file_, "its merged ranges in " + part + " cover too many cells");
            sheet.Merge(*rect);
          }
          x.skipCurrentElement();
        }
      } else if (Is(x, "autoFilter")) {
        if (auto rect = ParseRangeName(Attr(x, "ref"))) sheet.SetAutoFilter(*rect);
        x.skipCurrentElement();
      } else if (Is(x, "printOptions")) {
        sheet.PrintGridlines = ToBool(Attr(x, "gridLines"));
        x.skipCurrentElement();
      } else if (Is(x, "pageMargins")) {
        // Margins past a few inches would leave no room on any paper: such a file keeps the defaults.
        SheetPageSetup& setup = sheet.PageSetup;
        auto margin = [&](const char* name, double& to) {
          if (auto inches = ToDouble(Attr(x, name)); inches && *inches >= 0 && *inches <= kMaxMarginInches) to = *inches;
        };
        margin("left", setup.LeftMargin);
        margin("right", setup.RightMargin);
        margin("top", setup.TopMargin);
        margin("bottom", setup.BottomMargin);
        margin("header", setup.HeaderMargin);
        x.skipCurrentElement();
      } else if (Is(x, "pageSetup")) {
        sheet.PageSetup.Landscape = Attr(x, "orientation") == "landscape";
        if (auto paper = ToInt(Attr(x, "paperSize")); paper && *paper >= 0 && *paper <= 255)
          sheet.PageSetup.PaperSize = static_cast<int>(*paper);
        x.skipCurrentElement();
      } else {
        x.skipCurrentElement();
      }
    }
    Check(x, *in, part);
  }

  // A formula filled down or across is written once, in the first cell of its range; the
  // other cells name only its group and get the formula moved to where they stand. A cell
  // naming a group it does not lie in keeps only its stored result.
  String SharedFormula(long long group, const String& ref, const String& text, const SheetCellRef& at) {
    if (!text.empty()) {
      if (auto range = ParseRangeName(ref)) sharedFormulas_[group] = {*range, text};
      return text;
    }
    auto it = sharedFormulas_.find(group);
    if (it == sharedFormulas_.end()) return String();
    const SheetRect& range = it->second.Range;
    if (at.Row < range.First.Row || at.Row > range.Last.Row || at.Column < range.First.Column || at.Column > range.Last.Column)
      return String();
    String moved = MoveFormula(it->second.Text, at.Row - range.First.Row, at.Column - range.First.Column);
    CountText(moved.size());
    return moved;
  }

  void ReadCell(QXmlStreamReader& x, SheetWorksheet& sheet, SheetCellRef at, const String& part) {
    String type = Attr(x, "t");
    String styleAttr = Attr(x, "s");
    String value, formula;
    bool hasValue = false, hasFormula = false, inline_ = false;
    while (x.readNextStartElement()) {
      if (Is(x, "v")) {
        value = CellText(x.readElementText().toStdString(), part);
        CountText(value.size());
        hasValue = true;
      } else if (Is(x, "f")) {
        bool shared = Attr(x, "t") == "shared";
        auto group = ToInt(Attr(x, "si"));
        String ref = Attr(x, "ref");
        formula = CellText(x.readElementText().toStdString(), part);
        CountText(formula.size());
        if (shared && group) formula = SharedFormula(*group, ref, formula, at);
        hasFormula = !formula.empty();
      } else if (Is(x, "is")) {
        value = RichText(x, part);
        inline_ = hasValue = true;
      } else {
        x.skipCurrentElement();
      }
    }
    sheet.SetStyle(at, StyleOf(styleAttr));
    if (hasFormula) {
      sheet.SetFormula(at, "=" + formula);
      // Numbers only: the model writes no other kind of result with a formula.
      if (auto result = ToDouble(value); hasValue && result && (type.empty() || type == "n"))
        sheet.SetStoredResult(at, *result);
      return;
    }
    if (!hasValue) return;
    if (inline_ || type == "str" || type == "e" || type == "d") {
      sheet.SetValue(at, Variant(value));
    } else if (type == "s") {
      auto index = ToInt(value);
      if (!index || *index < 0 || static_cast<size_t>(*index) >= strings_.size())
        Damaged(file_, "a cell in " + part + " names a text it does not have");
      sheet.SetValue(at, Variant(strings_[static_cast<size_t>(*index)]));
    } else if (type == "b") {
      sheet.SetValue(at, Variant(ToBool(value)));
    } else {
      auto number = ToDouble(value);
      if (!number) Damaged(file_, "the cell " + SheetColumnName(at.Column) + std::to_string(at.Row) + " in " + part + " is not a number");
      // Dates of a workbook counted from 1904 move to the count the model writes.
      if (date1904_ && IsDateStyle(styleAttr)) *number += 1462;
      sheet.SetValue(at, Variant(*number));
    }
  }

  String file_;
  ZipArchive zip_;
  std::shared_ptr<SheetWorkbook> book_;
  std::vector<String> strings_;
  std::vector<std::uint32_t> styleIds_;  // the model's style of each of the file's cell formats
  std::vector<bool> dateStyles_;
  struct SharedGroup {
    SheetRect Range;
    String Text;
  };
  std::map<long long, SharedGroup> sharedFormulas_;  // of the sheet being read, by group number
  size_t styleItems_ = 0;
  size_t cellSlots_ = 0;
  size_t rowSlots_ = 0;
  size_t textBytes_ = 0;
  bool date1904_ = false;
};

}  // namespace

std::shared_ptr<SheetWorkbook> ReadXlsx(const String& fileName) { return WorkbookReader(fileName).Read(); }

}  // namespace orv
