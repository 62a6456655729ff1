#pragma once
// Writing documents to files and reading them back with qpdf and poppler's tools.
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Graphics.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"

namespace orv::testing {

// Output and exit status of a shell command.
struct TRunResult {
  std::string Output;
  int Status = 0;
};
TRunResult RunCommand(const std::string& command);
// Output of a command, its error output included.
std::string Shell(const std::string& command);
std::string Quote(const std::string& path);

WideString Wide(const std::string& utf8);
std::string Narrow(const WideString& text);

// The application object that canvases and fonts need, started once.
void EnsureGraphics();

// A fresh folder for this test program's files.
std::string TempPath(const std::string& name);
// The document written to a file, as the export writes it.
void SaveDocument(TkvxPDFFile& document, const std::string& fileName);
std::string ReadFile(const std::string& fileName);

// pdftotext's UTF-8 text of a file (raw order; the password, when given, opens it).
std::string ExtractText(const std::string& file, const std::string& password = "");
// The text without blanks, line ends and page breaks: what the letters and their order are.
std::string Letters(std::string text);

// A P6 picture as pdftoppm writes it.
struct TPixmap {
  int Width = 0, Height = 0;
  std::string Rgb;
  int At(int x, int y, int channel) const {
    return static_cast<unsigned char>(Rgb[(static_cast<size_t>(y) * Width + x) * 3 + channel]);
  }
};
TPixmap ReadPpm(const std::string& file);

// A font of the reports at a size in points.
std::unique_ptr<TFont> ReportFont(const String& name, int size, TFontStyles style = {},
                                  TColor color = clBlack);
// The name of the face a report font of that name and style is written in (Loma for Tahoma
// here): the name a PDF gives the face it embeds.
std::string FaceName(const String& name, TFontStyles style = {});

// A prepared outline kept as a tree of items.
struct TTreeOutline : TkvxPDFOutlineSource {
  struct TItem {
    String Text;
    int Page;
    int Top;
    std::vector<TItem> Children;
  };
  std::vector<TItem> Root;
  int GetCount() override { return static_cast<int>(path_.back()->size()); }
  void GetItem(int index, String& text, int& page, int& top) override;
  void LevelDown(int index) override { path_.push_back(&(*path_.back())[index].Children); }
  void LevelUp() override { path_.pop_back(); }
  void LevelRoot() override { path_.resize(1); }

 private:
  std::vector<const std::vector<TItem>*> path_{&Root};
};

// An A4 report page, 794 x 1123 pixels.
constexpr double A4Width = 794;
constexpr double A4Height = 1123;

}  // namespace orv::testing
