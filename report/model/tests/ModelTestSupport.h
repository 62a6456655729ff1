#pragma once
// Objects the tests place in reports: a text object that publishes its lines as "Memo" (what the
// serializer treats as a memo view), a view with an Align value, and a band. They stand in for
// the report's real view classes, which build on this model.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "report/model/DataSets.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"
#include "report/model/ReportComponent.h"
#include "report/model/WideStrings.h"

namespace orv::test {

// What `pdftotext -raw` reads from a PDF file, in UTF-8; empty when it cannot run.
inline std::string PdfText(const std::string& file) {
  std::string out;
  FILE* p = popen(("pdftotext -raw -enc UTF-8 '" + file + "' -").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

// The lines a memo's text wraps into.
inline std::vector<WideString> WrappedLines(TkvxCustomMemoView& memo) {
  WideString wrapped = memo.WrapText(true);
  std::vector<WideString> lines;
  for (size_t p = 0; p < wrapped.size();) {
    size_t e = wrapped.find(u"\r\n", p);
    lines.push_back(wrapped.substr(p, e - p));
    p = e + 2;
  }
  return lines;
}

class TTestMemo : public TkvxReportComponent {
  ORV_CLASS(TTestMemo, TkvxReportComponent)

 public:
  explicit TTestMemo(TComponent* owner);
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  TWideStrings* Memo() const { return memo_.get(); }
  void SetMemo(TWideStrings* v) { memo_->Assign(v); }
  const String& Style() const { return style_; }
  void SetStyle(const String& v) { style_ = v; }
  TkvxAlign Align() const { return align_; }
  void SetAlign(TkvxAlign v) { align_ = v; }
  TkvxDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TkvxDataSet* v) { dataSet_ = v; }
  TkvxComponent* Link() const { return link_; }
  void SetLink(TkvxComponent* v) { link_ = v; }
  Int64 Big() const { return big_; }
  void SetBig(Int64 v) { big_ = v; }
  Variant Data() const { return data_; }
  void SetData(const Variant& v) { data_ = v; }
  TkvxFrameTypes Sides() const { return sides_; }
  void SetSides(TkvxFrameTypes v) { sides_ = v; }

 protected:
  TkvxAlign AlignKind() const override { return align_; }

 private:
  std::unique_ptr<TWideStrings> memo_;
  String style_;
  TkvxAlign align_ = baNone;
  TkvxDataSet* dataSet_ = nullptr;
  TkvxComponent* link_ = nullptr;
  Int64 big_ = 0;
  Variant data_;
  TkvxFrameTypes sides_;
};

class TTestBand : public TkvxReportComponent {
  ORV_CLASS(TTestBand, TkvxReportComponent)

 public:
  using TkvxReportComponent::TkvxReportComponent;
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  bool IsBand() const override { return true; }
};

// Registers the test classes (once) and keeps error boxes and password prompts away.
void RegisterTestClasses();
// A report that reports errors silently and does not ask for passwords.
std::unique_ptr<TkvxReport> QuietReport();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
// xmllint's verdict on the bytes ('' when well-formed, else its complaint).
std::string XmlLint(const std::string& data);
// A fresh folder for one test's files.
std::string TempFolder(const std::string& name);

}  // namespace orv::test
