// The PDF export's options dialog driven through its widgets: what it opens with, what OK hands
// to the filter and so to the file (read back with qpdf and poppler), the page list refused with
// a message, and the ways out that write nothing.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <regex>

#include "platform/gui/Keys.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Timers.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/gui/tests/DialogTesting.h"
#include "platform/rtl/Streams.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/PdfExportDialog.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;
using TStep = std::function<void(TkvxPDFExportDialog&)>;

class PdfExportDialogTest : public ScriptedDialogsTest {
 protected:
  void SetUp() override {
    ScriptedDialogsTest::SetUp();
    report_ = ListReport();
    report_->ReportOptions()->Name = "ทะเบียนสมาชิก";
    folder_ = TempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
    // Process ids come round again: a folder left by an earlier run starts empty.
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }

  // Exports through the options dialog, running the steps one by one on it, each after the
  // events of the one before, as a person works through a window; the last step must end it.
  bool Export(TkvxPDFExport& pdf, std::vector<TStep> steps) {
    std::deque<TStep> queue(steps.begin(), steps.end());
    TkvxPDFExportDialog* dialog = nullptr;
    TTimer timer(nullptr);
    int idle = 0;
    timer.OnTimer = [&](TObject*) {
      if (!dialog) {
        for (int i = 0; i < Screen->FormCount() && !dialog; ++i)
          if (auto* d = dynamic_cast<TkvxPDFExportDialog*>(Screen->Forms(i)); d && d->Active()) dialog = d;
        return;
      }
      if (queue.empty()) {
        // A dialog the steps left open would hold the test for ever.
        if (++idle == 100 && dialog->Visible()) {
          ADD_FAILURE() << "the dialog stayed open";
          dialog->SetModalResult(mrAbort);
        }
        return;
      }
      TStep step = std::move(queue.front());
      queue.pop_front();
      step(*dialog);
    };
    timer.SetInterval(15);
    bool exported = report_->PreviewPages->Export(&pdf);
    timer.SetEnabled(false);
    EXPECT_TRUE(queue.empty()) << queue.size() << " steps never ran";
    return exported;
  }

  static void Click(TControl* c) { ClickMouse(c, 4, 4); }
  // The user goes into the box and types the text over what it holds.
  static void Retype(TEdit* edit, const std::string& text) {
    edit->SetFocus();
    TypeKey(edit, VK_END);
    for (int i = 0; i < 40; ++i) TypeKey(edit, VK_BACK, U'\b');
    TypeText(edit, text);
  }
  size_t FilesIn(const std::string& folder) const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
  }

  std::unique_ptr<TkvxReport> report_;
  std::string folder_;
};

TEST_F(PdfExportDialogTest, OpensWithTheFiltersOptionsAndCancelLeavesThemAsTheyWere) {
  report_->PreviewOptions()->OutlineVisible = false;
  TkvxPDFExport pdf(nullptr);
  pdf.PageNumbers = "2-3";
  pdf.OwnerPassword = "vestry";
  pdf.ProtectionFlags = {ePrint, eCopy};
  pdf.EmbeddedFonts = true;
  pdf.HideMenubar = true;
  pdf.Keywords = "baptism";
  bool exported = Export(pdf, {[&](TkvxPDFExportDialog& d) {
    EXPECT_EQ(d.Caption(), "Export to PDF");
    EXPECT_EQ(d.ClientWidth(), 292);
    EXPECT_EQ(d.ClientHeight(), 321);
    ASSERT_EQ(d.PageControl1->PageCount(), 4);
    std::vector<String> tabs;
    for (int i = 0; i < 4; ++i) tabs.push_back(d.PageControl1->Pages(i)->Caption());
    EXPECT_EQ(tabs, (std::vector<String>{"Export", "Information", "Security", "Viewer"}));
    EXPECT_EQ(d.GroupPageRange->Caption(), "Page range");
    EXPECT_EQ(d.GroupQuality->Caption(), "Export settings");
    EXPECT_EQ(d.SecGB->Caption(), "Authentification");
    EXPECT_EQ(d.AnnotCB->Caption(), "Add or modify text annotations");
    EXPECT_EQ(d.PrintScalingCB->Caption(), "Print scaling");
    EXPECT_TRUE(d.PageNumbersRB->Checked());
    EXPECT_EQ(d.PageNumbersE->Text(), "2-3");
    // The preview hides the outline: no bookmarks to offer.
    EXPECT_FALSE(d.OutlineCB->Checked());
    EXPECT_FALSE(d.OutlineCB->Enabled());
    EXPECT_TRUE(d.CompressedCB->Checked());
    EXPECT_TRUE(d.EmbeddedCB->Checked());
    EXPECT_FALSE(d.PrintOptCB->Checked());
    EXPECT_TRUE(d.OpenCB->Visible());
    EXPECT_EQ(d.OwnPassE->Text(), "vestry");
    EXPECT_EQ(d.OwnPassE->PasswordChar(), U'*');
    EXPECT_EQ(d.UserPassE->Text(), "");
    EXPECT_TRUE(d.PrintCB->Checked());
    EXPECT_FALSE(d.ModCB->Checked());
    EXPECT_TRUE(d.CopyCB->Checked());
    EXPECT_FALSE(d.AnnotCB->Checked());
    EXPECT_EQ(d.TitleE->Text(), "ทะเบียนสมาชิก") << "the report's name";
    EXPECT_EQ(d.AuthorE->Text(), "Quillan");
    EXPECT_EQ(d.SubjectE->Text(), "Quillan PDF export");
    EXPECT_EQ(d.KeywordsE->Text(), "baptism");
    EXPECT_TRUE(d.HideMenubarCB->Checked());
    EXPECT_FALSE(d.HideToolbarCB->Checked());
    // What is typed and ticked before Cancel reaches nothing.
    Click(d.CompressedCB);
    Click(d.AllRB);
    d.PageControl1->SetActivePage(d.InfoPage);
    Retype(d.AuthorE, "someone else");
    Click(d.CancelB);
  }});
  EXPECT_FALSE(exported);
  EXPECT_TRUE(pdf.Compressed);
  EXPECT_EQ(pdf.Author, "Quillan");
  EXPECT_EQ(pdf.PageNumbers, "2-3");
  EXPECT_EQ(pdf.Title, "ทะเบียนสมาชิก");
  EXPECT_TRUE(pdf.FileName().empty());
  EXPECT_EQ(dialogs_->LastFileRequest().FileName, "") << "no file was asked for";
  EXPECT_EQ(FilesIn(folder_), 0u);
}

TEST_F(PdfExportDialogTest, OkHandsEveryTabToTheFileAndTheSaveDialogStartsInTheDefaultFolder) {
  report_->FileName = "C:\\Reports\\members.xml";
  report_->PreviewOptions()->OutlineVisible = true;
  TkvxPDFExport pdf(nullptr);
  pdf.SetDefaultPath(folder_);
  pdf.SetOverwritePrompt(true);
  std::string file = folder_ + "/members.pdf";
  dialogs_->QueueFiles({file});
  bool exported = Export(pdf, {
      [&](TkvxPDFExportDialog& d) {
        EXPECT_TRUE(d.AllRB->Checked());
        EXPECT_TRUE(d.OutlineCB->Enabled());
        EXPECT_TRUE(d.OutlineCB->Checked());
        // A letter is not typed at all; a digit chooses "Pages:".
        d.PageNumbersE->SetFocus();
        TypeText(d.PageNumbersE, "a");
        EXPECT_EQ(d.PageNumbersE->Text(), "");
        EXPECT_TRUE(d.AllRB->Checked());
        TypeText(d.PageNumbersE, "3-");
        EXPECT_EQ(d.PageNumbersE->Text(), "3-");
        EXPECT_TRUE(d.PageNumbersRB->Checked());
        Click(d.CompressedCB);
      },
      [&](TkvxPDFExportDialog& d) {
        d.PageControl1->SetActivePage(d.InfoPage);
        Retype(d.TitleE, "รายชื่อสมาชิก");
        Retype(d.AuthorE, "วัดนักบุญยอแซฟ");
        Retype(d.KeywordsE, "members");
      },
      [&](TkvxPDFExportDialog& d) {
        d.PageControl1->SetActivePage(d.SecurityPage);
        Retype(d.OwnPassE, "vestry");
        Click(d.ModCB);
        d.PageControl1->SetActivePage(d.ViewerPage);
        Click(d.FitWindowCB);
      },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
  });
  ASSERT_TRUE(exported) << report_->Errors->Text();
  const TFileDialogRequest& asked = dialogs_->LastFileRequest();
  EXPECT_EQ(asked.FileName, "members.pdf");
  EXPECT_EQ(asked.InitialDir, folder_);
  EXPECT_EQ(asked.Filter, "Adobe PDF file (*.pdf)|*.pdf");
  EXPECT_EQ(asked.DefaultExt, ".pdf");
  EXPECT_TRUE(asked.Options.Contains(ofOverwritePrompt));
  EXPECT_EQ(pdf.FileName(), file);
  EXPECT_EQ(pdf.PageNumbers, "3-4");

  // With only an owner password anyone opens it, with the permissions left ticked.
  TRunResult check = RunCommand("qpdf --check " + Quote(file));
  EXPECT_EQ(check.Status, 0) << check.Output;
  std::string info = Shell("pdfinfo " + Quote(file));
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +2\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Title: +รายชื่อสมาชิก\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Author: +วัดนักบุญยอแซฟ\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Keywords: +members\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Encrypted: +yes \\(print:yes copy:yes change:no addNotes:yes")))
      << info;
  // Pages 3 and 4 keep their own bookmarks, now on the file's pages 1 and 2.
  std::string outline = Shell("qpdf --json=2 --json-key=outlines " + Quote(file));
  std::vector<int> targets;
  std::regex dest("\"destpageposfrom1\": ([0-9]+)");
  for (std::sregex_iterator it(outline.begin(), outline.end(), dest), end; it != end; ++it)
    targets.push_back(std::stoi((*it)[1]));
  EXPECT_EQ(targets, (std::vector<int>{1, 2}));
  std::string raw = ReadFile(file);
  EXPECT_EQ(raw.find("/FlateDecode"), std::string::npos) << "compression was switched off";
  EXPECT_NE(raw.find("/FitWindow true"), std::string::npos);
  EXPECT_EQ(raw.find("/HideToolbar"), std::string::npos);
}

TEST_F(PdfExportDialogTest, PageNumbersAreCheckedBeforeTheDialogCloses) {
  TkvxPDFExport pdf(nullptr);
  std::string file = folder_ + "/all.pdf";
  dialogs_->QueueFiles({file});
  size_t boxes = 0;
  auto refused = [&](TkvxPDFExportDialog& d, const char* what) {
    ++boxes;
    ASSERT_EQ(dialogs_->Shown().size(), boxes) << what;
    EXPECT_EQ(dialogs_->Shown().back().Type, mtError) << what;
    EXPECT_NE(dialogs_->LastText().find("1 to 4"), String::npos) << dialogs_->LastText();
    EXPECT_TRUE(d.Visible()) << what << ": the dialog stays open";
  };
  bool exported = Export(pdf, {
      [&](TkvxPDFExportDialog& d) { Retype(d.PageNumbersE, "9"); },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
      [&](TkvxPDFExportDialog& d) {
        refused(d, "no page of the report");
        Retype(d.PageNumbersE, "1,,2");
      },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
      [&](TkvxPDFExportDialog& d) {
        refused(d, "an empty entry");
        Retype(d.PageNumbersE, "3-1");
      },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
      [&](TkvxPDFExportDialog& d) {
        refused(d, "a range of nothing");
        // "Pages:" with nothing typed is every page.
        Retype(d.PageNumbersE, "");
        EXPECT_TRUE(d.PageNumbersRB->Checked());
      },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
  });
  ASSERT_TRUE(exported);
  EXPECT_EQ(dialogs_->Shown().size(), boxes + 1) << "the refusals and the save dialog";
  EXPECT_EQ(pdf.PageNumbers, "");
  std::string info = Shell("pdfinfo " + Quote(file));
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +4\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Encrypted: +no"))) << info;
}

TEST_F(PdfExportDialogTest, ACancelledSaveDialogKeepsTheOptionsButWritesNothing) {
  TkvxPDFExport pdf(nullptr);
  bool exported = Export(pdf, {
      [&](TkvxPDFExportDialog& d) {
        Click(d.CurPageRB);
        Click(d.EmbeddedCB);
      },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
  });
  EXPECT_FALSE(exported);
  // A report without a file name proposes the extension alone.
  EXPECT_EQ(dialogs_->LastFileRequest().FileName, ".pdf");
  EXPECT_TRUE(pdf.CurrentPageOnly);
  EXPECT_TRUE(pdf.EmbeddedFonts);
  EXPECT_TRUE(pdf.FileName().empty());

  // The next export starts from them: the current page alone, with its fonts inside.
  std::string file = folder_ + "/current.pdf";
  dialogs_->QueueFiles({file});
  exported = Export(pdf, {
      [&](TkvxPDFExportDialog& d) {
        EXPECT_TRUE(d.EmbeddedCB->Checked());
        Click(d.CurPageRB);
      },
      [&](TkvxPDFExportDialog& d) { Click(d.OkB); },
  });
  ASSERT_TRUE(exported);
  std::string info = Shell("pdfinfo " + Quote(file));
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +1\n"))) << info;
  EXPECT_EQ(FilesIn(folder_), 1u);
}

TEST_F(PdfExportDialogTest, ANestedExportAsksNoFileAndOpensNothing) {
  TkvxPDFExport pdf(nullptr);
  pdf.NestedExport = true;
  pdf.OpenAfterExport = true;
  bool exported = Export(pdf, {[&](TkvxPDFExportDialog& d) {
    EXPECT_FALSE(d.OpenCB->Visible());
    EXPECT_FALSE(d.OpenCB->Checked());
    Click(d.OkB);
  }});
  ASSERT_TRUE(exported) << report_->Errors->Text();
  EXPECT_FALSE(pdf.OpenAfterExport);
  EXPECT_EQ(dialogs_->LastFileRequest().FileName, "") << "no file was asked for";
  ASSERT_FALSE(pdf.FileName().empty());
  EXPECT_EQ(std::filesystem::path(pdf.FileName()).extension(), ".pdf");
  EXPECT_EQ(RunCommand("qpdf --check " + Quote(pdf.FileName())).Status, 0);
  std::filesystem::remove(pdf.FileName());

  // Into a caller's stream: no dialog at all, and the stream stays the caller's.
  TMemoryStream stream;
  TkvxPDFExport streamed(nullptr);
  streamed.Stream = &stream;
  streamed.OpenAfterExport = true;
  ASSERT_TRUE(Export(streamed, {}));
  EXPECT_EQ(streamed.Title, "ทะเบียนสมาชิก");
  ASSERT_GT(stream.Size(), 8);
  std::string head(8, '\0');
  stream.SetPosition(0);
  stream.Read(head.data(), 8);
  EXPECT_EQ(head, "%PDF-1.5");
}

}  // namespace
}  // namespace orv
