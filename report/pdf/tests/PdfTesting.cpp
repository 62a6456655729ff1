#include "report/pdf/tests/PdfTesting.h"

#include "report/pdf/PdfFont.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/gui/Application.h"
#include "platform/fonts/FontConfig.h"
#include "platform/rtl/tests/ScratchFolder.h"

namespace orv::testing {

TRunResult RunCommand(const std::string& command) {
  TRunResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return {"", -1};
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.Output.append(buffer, n);
  int status = pclose(pipe);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Shell(const std::string& command) { return RunCommand(command).Output; }

void TTreeOutline::GetItem(int index, String& text, int& page, int& top) {
  const TItem& item = (*path_.back())[index];
  text = item.Text, page = item.Page, top = item.Top;
}

void EnsureGraphics() { Application->Initialize(); }

std::string Quote(const std::string& path) { return "'" + path + "'"; }

std::string TempPath(const std::string& name) {
  return (orv::testing::ProcessScratchFolder("orvane-pdf-tests-") / name).string();
}

void SaveDocument(TkvxPDFFile& document, const std::string& fileName) {
  TFileStream out(fileName, fmCreate);
  document.SaveToStream(out);
}

TPixmap ReadPpm(const std::string& file) {
  std::string data = ReadFile(file);
  std::istringstream in(data);
  std::string magic;
  int maxValue = 0;
  TPixmap pixmap;
  in >> magic >> pixmap.Width >> pixmap.Height >> maxValue;
  in.get();
  pixmap.Rgb = data.substr(static_cast<size_t>(in.tellg()));
  return pixmap;
}

std::string ReadFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string ExtractText(const std::string& file, const std::string& password) {
  std::string options = "-raw -enc UTF-8";
  if (!password.empty()) options += " -upw " + Quote(password);
  return RunCommand("pdftotext " + options + " " + Quote(file) + " -").Output;
}

std::string Letters(std::string text) {
  std::erase_if(text, [](char ch) { return ch == ' ' || ch == '\n' || ch == '\f' || ch == '\r'; });
  return text;
}

std::unique_ptr<TFont> ReportFont(const String& name, int size, TFontStyles style, TColor color) {
  InitFonts();
  auto font = std::make_unique<TFont>();
  font->SetName(name);
  font->SetSize(size);
  font->SetStyle(style);
  font->SetColor(color);
  font->SetCharset(THAI_CHARSET);
  return font;
}

std::string FaceName(const String& name, TFontStyles style) {
  return TkvxPDFFont::FaceFor(*ReportFont(name, 10, style))->PostScriptName();
}

}  // namespace orv::testing
