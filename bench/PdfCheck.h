#pragma once
// What the benchmarks read back of the PDF files each side wrote, through poppler's and qpdf's
// command lines: a peer's time counts only when its output is right.
#include <cstdio>
#include <filesystem>
#include <string>

namespace orv {

// Pages of a PDF file as qpdf counts them; 0 when it cannot.
inline int PdfPages(const std::filesystem::path& file) {
  std::string command = "qpdf --show-npages '" + file.string() + "' 2>/dev/null";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  int pages = 0;
  if (std::fscanf(out, "%d", &pages) != 1) pages = 0;
  pclose(out);
  return pages;
}

// Whether pdftotext -raw finds text in the PDF: a check that a side printed the Thai names as
// they are, not in another code page.
inline bool PdfHasText(const std::filesystem::path& pdf, const std::string& text) {
  if (text.empty()) return false;
  std::string command = "pdftotext -raw -l 3 '" + pdf.string() + "' - 2>/dev/null";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return false;
  std::string all;
  char chunk[4096];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, out)) > 0;) all.append(chunk, got);
  pclose(out);
  return all.find(text) != std::string::npos;
}

}  // namespace orv
