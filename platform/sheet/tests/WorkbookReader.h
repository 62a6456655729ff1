#pragma once
// Reads workbooks back with independent tools for the tests: python3-openpyxl for cells,
// styles, merges, widths, outline levels and the filter; LibreOffice (one start for any number
// of files) for the values a user sees.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace orv::sheettest {

// The openpyxl facts of a workbook: Cell("Sheet!A1") gives the cell's fields (type, value,
// "bold=1", ...); Lines("MERGE") the other facts of that kind, without the kind.
class WorkbookFacts {
 public:
  // Cached: formulas read as the results stored with them (openpyxl's data_only), as every
  // reader that does not recalculate sees them.
  explicit WorkbookFacts(const std::string& file, bool cached = false) {
    std::string cmd = std::string(ORVANE_PYTHON) + " '" + ORVANE_WORKBOOK_READER + "' " +
                      (cached ? "--cached " : "") + "'" + file + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return;
    char buf[1 << 16];
    while (std::fgets(buf, sizeof buf, p)) {
      std::string line(buf);
      if (!line.empty() && line.back() == '\n') line.pop_back();
      std::vector<std::string> fields;
      std::stringstream ss(line);
      for (std::string f; std::getline(ss, f, '\t');) fields.push_back(f);
      if (fields.size() > 2 && fields[0] == "CELL") {
        cells_[fields[1]] = std::vector<std::string>(fields.begin() + 2, fields.end());
      } else if (!fields.empty()) {
        std::string kind = fields[0];
        fields.erase(fields.begin());
        std::string rest;
        for (auto& f : fields) rest += (rest.empty() ? "" : " ") + f;
        other_[kind].push_back(rest);
      }
      raw_ += line + "\n";
    }
    status_ = pclose(p);
  }
  bool Ok() const { return status_ == 0; }
  const std::string& Raw() const { return raw_; }
  bool Has(const std::string& ref) const { return cells_.count(ref) > 0; }
  // "s" (text), "n" (number), "d" (date), "b" (Boolean), "f" (formula); "" for no cell.
  std::string Type(const std::string& ref) const { return Field(ref, 0); }
  std::string Value(const std::string& ref) const { return Field(ref, 1); }
  // A named field such as "bold" or "fmt"; "" when the cell is absent.
  std::string Style(const std::string& ref, const std::string& name) const {
    auto it = cells_.find(ref);
    if (it == cells_.end()) return "";
    for (size_t i = 2; i < it->second.size(); ++i)
      if (it->second[i].rfind(name + "=", 0) == 0) return it->second[i].substr(name.size() + 1);
    return "";
  }
  std::vector<std::string> Lines(const std::string& kind) const {
    auto it = other_.find(kind);
    return it == other_.end() ? std::vector<std::string>() : it->second;
  }

 private:
  std::string Field(const std::string& ref, size_t i) const {
    auto it = cells_.find(ref);
    return it == cells_.end() || i >= it->second.size() ? "" : it->second[i];
  }
  std::map<std::string, std::vector<std::string>> cells_;
  std::map<std::string, std::vector<std::string>> other_;
  std::string raw_;
  int status_ = -1;
};

// The cells of a CSV line: split at commas outside quotes, quotes taken off and doubled ones
// made single.
inline std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      cells.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  if (line.empty()) cells.clear();
  return cells;
}

// Converts every workbook to CSV with one LibreOffice start, reading formulas as a user's
// LibreOffice does by default: their stored results, never recalculated on load. Returns each
// file's CSV rows (cells split at commas) by the workbook's path.
// inputFilter names LibreOffice's import filter where it would not pick the spreadsheet's own
// ("HTML (StarCalc)" for a page, which it would otherwise open as a text document).
inline std::map<std::string, std::vector<std::vector<std::string>>> StoredValuesCsv(
    const std::vector<std::string>& files, const std::filesystem::path& work, const std::string& inputFilter = "") {
  namespace fs = std::filesystem;
  fs::path profile = work / "lo-profile";
  fs::create_directories(profile / "user");
  std::ofstream(profile / "user" / "registrymodifications.xcu")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
         "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
         "<item oor:path=\"/org.openoffice.Office.Calc/Formula/Load\"><prop oor:name=\"OOXMLRecalcMode\" "
         "oor:op=\"fuse\"><value>1</value></prop></item>\n</oor:items>\n";
  fs::path out = work / "csv";
  fs::create_directories(out);
  std::string cmd = "soffice -env:UserInstallation=file://" + profile.string() +
                    " --headless " + (inputFilter.empty() ? std::string() : "--infilter=\"" + inputFilter + "\" ") + "--convert-to csv:\"Text - txt - csv (StarCalc)\":44,34,76 --outdir '" + out.string() + "'";
  for (auto& f : files) cmd += " '" + f + "'";
  cmd += " > '" + (work / "soffice.log").string() + "' 2>&1";
  std::map<std::string, std::vector<std::vector<std::string>>> result;
  if (std::system(cmd.c_str()) != 0) return result;
  for (auto& f : files) {
    std::ifstream in(out / (fs::path(f).stem().string() + ".csv"));
    auto& rows = result[f];
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      rows.push_back(CsvCells(line));
    }
  }
  return result;
}

}  // namespace orv::sheettest
