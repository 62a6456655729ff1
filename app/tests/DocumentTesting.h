#pragma once
// Test support for the register's documents: a window command run until its preview window shows
// the prepared pages, which are then exported to PDF or printed on the private CUPS server; and
// the checks of a PDF by outside tools (qpdf, pdffonts, pdftotext, pdftoppm).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "app/tests/ParishFixture.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Timers.h"
#include "platform/print/tests/CaptureTesting.h"
#include "report/engine/PreviewForm.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

namespace orv::test {

// The preview window a report opened, while it shows; nullptr when none does.
inline TkvxPreviewForm* ShownPreviewForm() {
  for (Integer i = 0; i < Application->ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TkvxPreviewForm*>(Application->Components(i)); form && form->Visible())
      return form;
  return nullptr;
}

// Runs command (a menu or button click; its confirmation boxes are answered Yes). When a preview
// window opens and its report has finished building the pages, withPreview gets the window,
// which is then closed. Returns whether a preview window opened.
inline bool RunToPreview(const std::function<void()>& command,
                         const std::function<void(TkvxPreviewForm&)>& withPreview) {
  using Clock = std::chrono::steady_clock;
  bool opened = false;
  const Clock::time_point start = Clock::now();
  TTimer poll(nullptr);
  poll.SetInterval(20);
  poll.OnTimer = [&](TObject*) {
    TkvxPreviewForm* form = ShownPreviewForm();
    if (!form) return;
    opened = true;
    TkvxReport* report = form->Preview()->Report;
    const bool built = report && !(report->Engine && report->Engine->Running) && report->PreviewPages &&
                       report->PreviewPages->GetCount() > 0;
    if (!built && Clock::now() - start < std::chrono::seconds(60)) return;
    poll.SetEnabled(false);
    if (built)
      withPreview(*form);
    else
      ADD_FAILURE() << "the preview window showed no pages";
    form->Close();
  };
  poll.SetEnabled(true);
  command();
  poll.SetEnabled(false);
  return opened;
}

// Runs command and exports the pages its preview shows to pdf through the PDF export filter,
// without its dialog. Returns whether a preview window opened.
inline bool ExportShownDocument(const std::function<void()>& command, const std::string& pdf) {
  std::filesystem::remove(pdf);
  return RunToPreview(command, [&](TkvxPreviewForm& form) {
    TkvxPDFExport filter(nullptr);
    filter.SetShowDialog(false);
    filter.SetShowProgress(false);
    filter.SetFileName(pdf);
    form.Preview()->Export(&filter);
  });
}

// Runs command and prints the pages its preview shows, without the print dialog, on the PDF
// queue of the private CUPS server under title; returns what the server's backend received.
inline testing::TCapturedJob PrintShownDocument(const std::function<void()>& command,
                                                const testing::TCupsServer& server, const std::string& title) {
  bool opened = RunToPreview(command, [&](TkvxPreviewForm& form) {
    TkvxReport* report = form.Preview()->Report;
    report->PrintOptions()->ShowDialog = false;
    report->PrintOptions()->Printer = "PdfQ";
    report->ReportOptions()->Name = title;
    form.Preview()->Print();
  });
  EXPECT_TRUE(opened) << title;
  if (!opened) return {};
  testing::TCapturedJob job = testing::FindJob(server, title);
  EXPECT_TRUE(job.Arrived) << title;
  return job;
}

// The checks every exported document passes: qpdf finds the file sound and every font it uses is
// embedded. Returns its text as pdftotext reads it with the layout kept.
inline std::string CheckedPdfText(const std::string& pdf) {
  EXPECT_TRUE(std::filesystem::exists(pdf)) << pdf;
  EXPECT_TRUE(testing::QpdfAccepts(pdf)) << pdf;
  std::istringstream fonts(testing::Run("pdffonts '" + pdf + "'"));
  std::string line;
  int listed = 0;
  for (int n = 0; std::getline(fonts, line); ++n) {
    if (n < 2 || line.empty()) continue;  // the header and its rule
    // Columns from the end: object number and generation, uni, sub, emb.
    std::istringstream words(line);
    std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
    EXPECT_GE(w.size(), 6u) << line;
    if (w.size() < 6) continue;
    EXPECT_EQ(w[w.size() - 5], "yes") << "not embedded: " << line;
    ++listed;
  }
  EXPECT_GT(listed, 0) << pdf << " uses no font";
  return testing::Run("pdftotext -layout '" + pdf + "' -");
}

// The number of pages pdfinfo counts.
inline size_t PdfPageCount(const std::string& pdf) { return testing::PdfPageSizes(pdf).size(); }

// Renders every page of pdf with pdftoppm as "document-pages/<name>-N.png" under the test's
// working folder in the build tree, where they stay to be looked at; returns how many.
inline int RenderPages(const std::string& pdf, const std::string& name) {
  std::filesystem::path folder = std::filesystem::current_path() / "document-pages";
  std::filesystem::create_directories(folder);
  for (auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().rfind(name + "-", 0) == 0) std::filesystem::remove(e.path());
  testing::Run("pdftoppm -r 60 -png '" + pdf + "' '" + (folder / name).string() + "'");
  int pages = 0;
  for (auto& e : std::filesystem::directory_iterator(folder))
    if (e.path().filename().string().rfind(name + "-", 0) == 0 && e.path().extension() == ".png") ++pages;
  return pages;
}

// The text of pdf in the order it was drawn (pdftotext -raw): the lines of one text object stay
// together, whatever stands beside them.
inline std::string PdfReadingText(const std::string& pdf) { return testing::Run("pdftotext -raw '" + pdf + "' -"); }

// text without its blanks and line breaks, so that text wrapped or spaced by the layout still
// compares with the value it shows.
inline std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t' && c != '\f') out += c;
  return out;
}

// Whether the drawn text of pdf shows value, blanks and line breaks aside.
inline bool Shows(const std::string& pdf, const std::string& value) {
  return Squeezed(PdfReadingText(pdf)).find(Squeezed(value)) != std::string::npos;
}

// The sizes of the pictures pdf holds, "WxH" each, as pdfimages lists them.
inline std::vector<std::string> PdfImageSizes(const std::string& pdf) {
  std::vector<std::string> sizes;
  std::istringstream lines(testing::Run("pdfimages -list '" + pdf + "'"));
  std::string line;
  for (int n = 0; std::getline(lines, line); ++n) {
    if (n < 2) continue;
    std::istringstream words(line);
    std::string page, num, type, width, height;
    if (words >> page >> num >> type >> width >> height) sizes.push_back(width + "x" + height);
  }
  return sizes;
}

// A JPEG photo of width by height pixels in one colour, as the photo window saves them.
inline void WriteJpeg(const std::string& file, int width, int height, TColor color) {
  TBitmap bitmap;
  bitmap.SetSize(width, height);
  bitmap.Canvas().Brush().SetColor(color);
  bitmap.Canvas().FillRect(Rect(0, 0, width, height));
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  jpeg.SaveToFile(file);
}

// How many times word occurs in text.
inline int Occurrences(const std::string& text, const std::string& word) {
  int n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + word.size())) ++n;
  return n;
}

}  // namespace orv::test
