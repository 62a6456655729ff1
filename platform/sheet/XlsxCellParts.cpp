#include "platform/sheet/XlsxCellParts.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/FileUtils.h"
#include "platform/sheet/FormulaValue.h"

namespace orv {

namespace {

[[noreturn]] void PartError(const String& fileName, const String& why) {
  throw EOleException("Cannot write " + fileName + ": " + why, DISP_E_EXCEPTION, "Sheet", "");
}

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kSharedStringsPart = "xl/sharedStrings.xml";

// A part written to a file of its own beside the workbook before it goes into the archive, so
// that the archive knows its size and a large sheet is never held in memory. The file goes when
// the part does.
class PartFile {
 public:
  explicit PartFile(const String& workbook)
      : workbook_(workbook), name_(CreatePartFile(workbook)) {
    file_ = std::fopen(name_.c_str(), "wb");
    if (!file_) {
      std::remove(name_.c_str());
      PartError(workbook_, "a temporary file cannot be written");
    }
    buffer_.reserve(kFlushAt + 4096);
  }
  ~PartFile() {
    if (file_) std::fclose(file_);
    std::remove(name_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  const String& Name() const { return name_; }

  void Raw(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void Int(std::uint64_t n) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    buffer_.append(digits, end);
  }
  // The shortest digits that read back as the same double.
  void Number(double value) {
    char digits[32];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer_.append(digits, end);
  }
  // Text content: the markup characters as entities, and the control characters XML cannot
  // carry in the spreadsheet's own escape (_x0001_).
  void Text(std::string_view s) {
    size_t from = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      auto c = static_cast<unsigned char>(s[i]);
      if ((c >= ' ' && c != '&' && c != '<' && c != '>') || c == '\t' || c == '\n' || c == '\r') continue;
      buffer_.append(s.data() + from, i - from);
      from = i + 1;
      if (c == '&') {
        buffer_.append("&amp;");
      } else if (c == '<') {
        buffer_.append("&lt;");
      } else if (c == '>') {
        buffer_.append("&gt;");
      } else {
        char code[8];
        std::snprintf(code, sizeof code, "_x%04X_", c);
        buffer_.append(code);
      }
    }
    buffer_.append(s.data() + from, s.size() - from);
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void Close() {
    Flush();
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) PartError(workbook_, "a temporary file cannot be written");
  }

 private:
  static constexpr size_t kFlushAt = 1 << 18;
  void Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      PartError(workbook_, "a temporary file cannot be written");
    buffer_.clear();
  }

  String workbook_;
  String name_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
};

// The workbook libxlsxwriter wrote, opened to have its parts replaced and added.
class Archive {
 public:
  explicit Archive(const String& fileName) : fileName_(fileName) {
    int error = 0;
    zip_ = zip_open(fileName.c_str(), 0, &error);
    if (!zip_) PartError(fileName, "libxlsxwriter's file cannot be opened again");
  }
  ~Archive() {
    if (zip_) zip_discard(zip_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool Has(const char* part) const { return zip_name_locate(zip_, part, 0) >= 0; }

  String Read(const String& part) const {
    zip_file_t* f = zip_fopen(zip_, part.c_str(), 0);
    if (!f) PartError(fileName_, "its part " + part + " is missing");
    String out;
    char chunk[65536];
    zip_int64_t n;
    while ((n = zip_fread(f, chunk, sizeof chunk)) > 0) out.append(chunk, static_cast<size_t>(n));
    zip_fclose(f);
    if (n < 0) PartError(fileName_, "its part " + part + " cannot be read");
    return out;
  }

  // Replaces or adds the part by the contents of file, compressed at the fastest level.
  void PutFile(const String& part, const String& file) {
    zip_source_t* source = zip_source_file(zip_, file.c_str(), 0, -1);
    if (!source) PartError(fileName_, zip_error_strerror(zip_get_error(zip_)));
    // Removed and added anew, not replaced: libzip takes a new level for a replaced part only
    // when its method changes, and libxlsxwriter's parts are deflated already.
    zip_int64_t index = zip_name_locate(zip_, part.c_str(), 0);
    if (index >= 0 && zip_delete(zip_, static_cast<zip_uint64_t>(index)) != 0) {
      zip_source_free(source);
      PartError(fileName_, zip_error_strerror(zip_get_error(zip_)));
    }
    index = zip_file_add(zip_, part.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      PartError(fileName_, zip_error_strerror(zip_get_error(zip_)));
    }
    if (zip_set_file_compression(zip_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1) != 0)
      PartError(fileName_, zip_error_strerror(zip_get_error(zip_)));
  }
  // Replaces a small part in its place ([Content_Types].xml stays first, where tools that guess
  // a file's type look); text must stay as it is until Close.
  void PutText(const String& part, const String& text) {
    zip_source_t* source = zip_source_buffer(zip_, text.data(), text.size(), 0);
    zip_int64_t index = zip_name_locate(zip_, part.c_str(), 0);
    if (!source || index < 0 || zip_file_replace(zip_, static_cast<zip_uint64_t>(index), source, 0) != 0) {
      if (source) zip_source_free(source);
      PartError(fileName_, "its part " + part + " cannot be replaced");
    }
  }

  void Close() {
    if (zip_close(zip_) != 0) PartError(fileName_, zip_error_strerror(zip_get_error(zip_)));
    zip_ = nullptr;
  }

 private:
  String fileName_;
  zip_t* zip_ = nullptr;
};

// Spaces at either end of a text are its own, not layout.
bool KeepsSpaces(const String& text) {
  return !text.empty() && (std::isspace(static_cast<unsigned char>(text.front())) ||
                           std::isspace(static_cast<unsigned char>(text.back())));
}

// The texts of the workbook's cells in the order they are first written, each once.
class SharedTexts {
 public:
  explicit SharedTexts(const SheetStrings& strings) : strings_(strings), index_(strings.Count(), kNone) {}
  std::uint32_t Index(std::uint32_t text) {
    ++uses_;
    std::uint32_t& i = index_[text];
    if (i == kNone) {
      i = static_cast<std::uint32_t>(order_.size());
      order_.push_back(text);
    }
    return i;
  }
  bool Empty() const { return order_.empty(); }
  void Write(PartFile& out) const {
    out.Raw(kXmlDeclaration);
    out.Raw("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"");
    out.Int(uses_);
    out.Raw("\" uniqueCount=\"");
    out.Int(order_.size());
    out.Raw("\">");
    for (std::uint32_t id : order_) {
      const String& text = strings_[id];
      out.Raw(KeepsSpaces(text) ? "<si><t xml:space=\"preserve\">" : "<si><t>");
      out.Text(text);
      out.Raw("</t></si>");
    }
    out.Raw("</sst>");
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  const SheetStrings& strings_;
  std::vector<std::uint32_t> index_;  // by the model's text
  std::vector<std::uint32_t> order_;  // the model's texts by shared index
  std::uint64_t uses_ = 0;
};

// libxlsxwriter's sheet part around its rows: what comes before and after <sheetData>.
struct SheetFrame {
  String Before, After;
};

SheetFrame SplitSheet(const String& xml, const String& fileName) {
  size_t open = xml.find("<sheetData");
  if (open == String::npos) PartError(fileName, "libxlsxwriter wrote a sheet without rows");
  size_t close = xml.compare(open, 12, "<sheetData/>") == 0 ? open + 12 : xml.find("</sheetData>", open);
  if (close == String::npos) PartError(fileName, "libxlsxwriter wrote a sheet without rows");
  if (close != open + 12) close += 12;
  return SheetFrame{xml.substr(0, open), xml.substr(close)};
}

// The sheet's used area as the part states it at its start.
String WithDimension(const String& before, const String& area) {
  size_t at = before.find("<dimension ref=\"");
  if (at == String::npos) return before;
  at += 16;
  size_t end = before.find('"', at);
  return before.substr(0, at) + area + before.substr(end);
}

// The area of the cells the sheet part holds ("A1" when none), which it states before them.
String WrittenArea(const SheetWorksheet& sheet, const XlsxCellFormats& formats) {
  int top = 0, bottom = 0, left = 0, right = 0;
  auto take = [&](int r1, int c1, int r2, int c2) {
    if (!top) top = r1, left = c1, right = c2;
    top = std::min(top, r1);
    bottom = std::max(bottom, r2);
    left = std::min(left, c1);
    right = std::max(right, c2);
  };
  sheet.ForEachRow([&](int r, const SheetRow& row) {
    for (size_t c = 0; c < row.Cells.size(); ++c)
      if (XlsxCellWritten(row.Cells[c], formats)) take(r, static_cast<int>(c) + 1, r, static_cast<int>(c) + 1);
  });
  for (const SheetRect& m : sheet.Merges())
    if (const SheetCell* first = sheet.CellAt(m.First.Row, m.First.Column); first && formats.Format[first->Style])
      take(m.First.Row, m.First.Column, m.Last.Row, m.Last.Column);
  if (!top) return "A1";
  return SheetColumnName(left) + std::to_string(top) + ":" + SheetColumnName(right) + std::to_string(bottom);
}

class SheetRows {
 public:
  SheetRows(const SheetWorksheet& sheet, const XlsxCellFormats& formats, SharedTexts& texts, PartFile& out)
      : sheet_(sheet), formats_(formats), texts_(texts), out_(out) {}

  void Write() {
    // Merges by their first row, to sweep down the sheet with the merges of the current row.
    std::vector<const SheetRect*> merges;
    for (const auto& m : sheet_.Merges()) merges.push_back(&m);
    std::sort(merges.begin(), merges.end(), [](auto a, auto b) { return a->First.Row < b->First.Row; });
    size_t nextMerge = 0;
    std::vector<const SheetRect*> active;

    out_.Raw("<sheetData>");
    sheet_.ForEachRow([&](int r, const SheetRow& row) {
      while (nextMerge < merges.size() && merges[nextMerge]->First.Row <= r) active.push_back(merges[nextMerge++]);
      std::erase_if(active, [&](const SheetRect* m) { return m->Last.Row < r; });
      rowDigits_ = std::to_string(r);
      rowOpen_ = false;
      if (active.empty())
        PlainRow(r, row);
      else
        MergedRow(r, row, active);
      if (rowOpen_)
        out_.Raw("</row>");
      else if (row.OutlineLevel)
        OpenRow(row, true);
    });
    out_.Raw("</sheetData>");
  }

 private:
  void PlainRow(int r, const SheetRow& row) {
    for (size_t c = 0; c < row.Cells.size(); ++c)
      if (XlsxCellWritten(row.Cells[c], formats_)) Cell(r, static_cast<int>(c) + 1, row, row.Cells[c]);
  }

  // A merge shows its first cell; the others are blanks in the first cell's look, so that its
  // fill and borders cover the whole area.
  void MergedRow(int r, const SheetRow& row, const std::vector<const SheetRect*>& active) {
    int last = static_cast<int>(row.Cells.size());
    for (const SheetRect* m : active) last = std::max(last, m->Last.Column);
    for (int c = 1; c <= last; ++c) {
      const SheetRect* in = nullptr;
      for (const SheetRect* m : active)
        if (c >= m->First.Column && c <= m->Last.Column && (r != m->First.Row || c != m->First.Column)) in = m;
      if (in) {
        const SheetCell* first = sheet_.CellAt(in->First.Row, in->First.Column);
        SheetCell blank;
        blank.Style = first ? first->Style : 0;
        if (blank.Style && formats_.Format[blank.Style]) Cell(r, c, row, blank);
        continue;
      }
      if (static_cast<size_t>(c) <= row.Cells.size() && XlsxCellWritten(row.Cells[static_cast<size_t>(c - 1)], formats_))
        Cell(r, c, row, row.Cells[static_cast<size_t>(c - 1)]);
    }
  }

  void OpenRow(const SheetRow& row, bool empty) {
    out_.Raw("<row r=\"");
    out_.Raw(rowDigits_);
    if (row.OutlineLevel) {
      out_.Raw("\" outlineLevel=\"");
      out_.Int(row.OutlineLevel);
    }
    out_.Raw(empty ? "\"/>" : "\">");
  }

  const String& ColumnName(int column) {
    if (static_cast<size_t>(column) >= columnNames_.size()) columnNames_.resize(static_cast<size_t>(column) + 1);
    String& name = columnNames_[static_cast<size_t>(column)];
    if (name.empty()) name = SheetColumnName(column);
    return name;
  }

  void Cell(int r, int c, const SheetRow& row, const SheetCell& cell) {
    if (!rowOpen_) {
      OpenRow(row, false);
      rowOpen_ = true;
    }
    out_.Raw("<c r=\"");
    out_.Raw(ColumnName(c));
    out_.Raw(rowDigits_);
    if (std::int32_t f = formats_.Format[cell.Style]) {
      out_.Raw("\" s=\"");
      out_.Int(static_cast<std::uint64_t>(f));
    }
    const SheetStrings& strings = sheet_.Store().Strings;
    switch (cell.Kind) {
      case SheetCellKind::Empty: out_.Raw("\"/>"); break;
      case SheetCellKind::Number:
        if (!std::isfinite(cell.Number)) {
          out_.Raw("\" t=\"e\"><v>#NUM!</v></c>");
          break;
        }
        out_.Raw("\"><v>");
        out_.Number(cell.Number);
        out_.Raw("</v></c>");
        break;
      case SheetCellKind::Boolean: out_.Raw(cell.Boolean ? "\" t=\"b\"><v>1</v></c>" : "\" t=\"b\"><v>0</v></c>"); break;
      case SheetCellKind::Text:
        // A text read back from the spool is written where it stands: the shared table would
        // otherwise hold every text of the sheet until its end.
        if (SheetStrings::IsTransient(cell.Text)) {
          const String& text = strings[cell.Text];
          out_.Raw(KeepsSpaces(text) ? "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" : "\" t=\"inlineStr\"><is><t>");
          out_.Text(text);
          out_.Raw("</t></is></c>");
          break;
        }
        out_.Raw("\" t=\"s\"><v>");
        out_.Int(texts_.Index(cell.Text));
        out_.Raw("</v></c>");
        break;
      case SheetCellKind::Formula: {
        const String& formula = strings[cell.Text];
        // With its result, so that readers which do not recalculate show it.
        auto value = FormulaValue(sheet_, formula);
        if (!value) value = sheet_.StoredResult(r, c);
        out_.Raw("\"><f>");
        out_.Text(std::string_view(formula).substr(formula.starts_with('=') ? 1 : 0));
        out_.Raw("</f>");
        if (value && std::isfinite(*value)) {
          out_.Raw("<v>");
          out_.Number(*value);
          out_.Raw("</v>");
        }
        out_.Raw("</c>");
        break;
      }
    }
  }

  const SheetWorksheet& sheet_;
  const XlsxCellFormats& formats_;
  SharedTexts& texts_;
  PartFile& out_;
  std::vector<String> columnNames_;
  String rowDigits_;
  bool rowOpen_ = false;
};

// The next free relationship id of a relationships part ("rId4" after rId1..rId3).
String NextRelationshipId(const String& rels) {
  long long highest = 0;
  for (size_t at = rels.find("Id=\"rId"); at != String::npos; at = rels.find("Id=\"rId", at + 1)) {
    long long n = 0;
    std::from_chars(rels.data() + at + 7, rels.data() + rels.size(), n);
    highest = std::max(highest, n);
  }
  return "rId" + std::to_string(highest + 1);
}

String InsertBefore(const String& xml, std::string_view closing, const String& element, const String& fileName) {
  size_t at = xml.rfind(closing);
  if (at == String::npos) PartError(fileName, "libxlsxwriter wrote a part that lacks " + String(closing));
  return xml.substr(0, at) + element + xml.substr(at);
}

}  // namespace

void WriteXlsxCells(const SheetWorkbook& book, const String& fileName, const XlsxCellFormats& formats) {
  Archive archive(fileName);
  SharedTexts texts(book.Store().Strings);
  std::vector<std::unique_ptr<PartFile>> parts;
  for (int i = 1; i <= book.SheetCount(); ++i) {
    String part = "xl/worksheets/sheet" + std::to_string(i) + ".xml";
    SheetFrame frame = SplitSheet(archive.Read(part), fileName);
    auto& out = *parts.emplace_back(std::make_unique<PartFile>(fileName));
    const SheetWorksheet& sheet = *book.Sheet(i);
    out.Raw(WithDimension(frame.Before, WrittenArea(sheet, formats)));
    SheetRows(sheet, formats, texts, out).Write();
    out.Raw(frame.After);
    out.Close();
    archive.PutFile(part, out.Name());
  }

  String contentTypes, rels;
  if (!texts.Empty()) {
    auto& sst = *parts.emplace_back(std::make_unique<PartFile>(fileName));
    texts.Write(sst);
    sst.Close();
    if (!archive.Has(kSharedStringsPart)) {
      contentTypes = InsertBefore(archive.Read("[Content_Types].xml"), "</Types>",
                                  "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                                  "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>",
                                  fileName);
      String old = archive.Read("xl/_rels/workbook.xml.rels");
      rels = InsertBefore(old, "</Relationships>",
                          "<Relationship Id=\"" + NextRelationshipId(old) +
                              "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                              "sharedStrings\" Target=\"sharedStrings.xml\"/>",
                          fileName);
      archive.PutText("[Content_Types].xml", contentTypes);
      archive.PutText("xl/_rels/workbook.xml.rels", rels);
    }
    archive.PutFile(kSharedStringsPart, sst.Name());
  }
  archive.Close();
}

}  // namespace orv
