// The print dialog driven through its widgets, with the private CUPS server's queues listed:
// what it opens with, what OK leaves in the report's print options, the printer and sheet
// choices, print to file, and the number boxes refusing what cannot be printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>

#include "platform/gui/Application.h"
#include "platform/gui/Keys.h"
#include "platform/gui/Timers.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/gui/tests/DialogTesting.h"
#include "platform/print/tests/CaptureTesting.h"
#include "report/engine/PrintDialog.h"
#include "report/engine/Printers.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/model/Report.h"
#include "report/model/tests/RunTestSupport.h"

namespace orv {
namespace {

using namespace orv::testing;

class PrintDialogTest : public ScriptedDialogsTest {
 protected:
  void SetUp() override {
    ScriptedDialogsTest::SetUp();
    Application->Initialize();
    UseTestServer();
    report_ = std::make_unique<TkvxReport>(nullptr);
    // A prepared report of ten pages whose preview shows page seven; the dialog asks no more.
    pages_ = std::make_unique<test::TTestPages>(report_.get());
    pages_->Count = 10;
    pages_->CurPreviewPage = 7;
    report_->PreviewPages = pages_.get();
    kvxPrinters()->SetPrinterIndex(kvxPrinters()->IndexOf("PdfQ"));
  }
  void TearDown() override {
    report_->PreviewPages = nullptr;
    ScriptedDialogsTest::TearDown();
  }

  // The printer's properties dialog, when it shows, is left with this paper, tray 2, both sides
  // along the long edge and high quality.
  void QueueProperties(const std::string& paper) {
    TPrinterSetupRequest answer;
    answer.Paper = paper;
    answer.Source = "tray-2";
    answer.Sides = 2;
    answer.Quality = 5;
    dialogs_->QueuePrinterSetup(answer);
  }

  // Shows the dialog modally and runs the steps one by one, each after the events of the one
  // before, as a person works through a window; the last step must end the dialog.
  TModalResult Run(TkvxPrintDialog& dialog, std::vector<std::function<void()>> steps) {
    dialog.Report = report_.get();
    std::deque<std::function<void()>> queue(steps.begin(), steps.end());
    // Clicks put the keyboard somewhere only in the active window.
    queue.push_front([&] { EXPECT_TRUE(WaitFor([&] { return dialog.Active(); })); });
    TTimer timer(nullptr);
    int idle = 0;
    timer.OnTimer = [&](TObject*) {
      if (queue.empty()) {
        // A dialog the steps left open would hold the test for ever.
        if (++idle == 100) {
          ADD_FAILURE() << "the dialog stayed open";
          dialog.SetModalResult(mrAbort);
        }
        return;
      }
      auto step = std::move(queue.front());
      queue.pop_front();
      step();
    };
    timer.SetInterval(15);
    TModalResult result = dialog.ShowModal();
    EXPECT_TRUE(queue.empty()) << queue.size() << " steps never ran";
    return result;
  }

  static void Click(TControl* c) { ClickMouse(c, 4, 4); }
  // Picks the item with this text the way the arrow keys do, one line at a time.
  static void Choose(TComboBox* box, const String& text) {
    int target = box->Items()->IndexOf(text);
    ASSERT_GE(target, 0) << text;
    while (box->ItemIndex() < target) TypeKey(box, VK_DOWN);
    while (box->ItemIndex() > target) TypeKey(box, VK_UP);
  }
  // The user goes into the box and types the text over what it holds.
  static void Retype(TEdit* edit, const std::string& text) {
    edit->SetFocus();
    TypeKey(edit, VK_END);
    for (int i = 0; i < 40; ++i) TypeKey(edit, VK_BACK);
    TypeText(edit, text);
  }
  static std::vector<String> ItemsOf(TComboBox* box) {
    std::vector<String> items;
    for (int i = 0; i < box->Items()->Count(); ++i) items.push_back(box->Items()->Strings(i));
    return items;
  }

  TkvxPrintOptions* Options() { return report_->PrintOptions(); }

  std::unique_ptr<TkvxReport> report_;
  std::unique_ptr<test::TTestPages> pages_;
};

TEST_F(PrintDialogTest, OpensWithTheCaptionsQueuesAndTheReportsOptions) {
  Options()->PageNumbers = "2-4";
  Options()->Copies = 3;
  Options()->Collate = false;
  Options()->PrintPages = ppEven;
  Options()->Reverse = true;
  Options()->PrintMode = pmScale;
  Options()->PrintOnSheet = 11;
  TkvxPrintDialog dialog(nullptr);
  EXPECT_EQ(dialog.Caption(), "Print");
  EXPECT_EQ(dialog.OtherGB->Caption(), "Other");
  EXPECT_EQ(dialog.OrderL->Caption(), "Order");
  EXPECT_EQ(dialog.PropButton->Caption(), "Properties...");
  EXPECT_EQ(dialog.DescrL->Caption(),
            "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12");
  EXPECT_EQ(ItemsOf(dialog.OrderCB), (std::vector<String>{"Direct (1-9)", "Reverse (9-1)"}));
  EXPECT_EQ(ItemsOf(dialog.PrintPagesCB), (std::vector<String>{"All pages", "Odd pages", "Even pages"}));
  EXPECT_EQ(ItemsOf(dialog.DuplexCB), (std::vector<String>{"Default", "Vertical", "Horizontal", "Simplex"}));
  EXPECT_EQ(ItemsOf(dialog.PrintModeCB),
            (std::vector<String>{"Default", "Split big pages", "Join small pages", "Scale"}));
  EXPECT_EQ(ItemsOf(dialog.PrintersCB), (std::vector<String>{"PdfQ", "RawQ"}));
  EXPECT_EQ(dialog.PrintersCB->Text(), "PdfQ");
  // The queue's seven papers after "Default", the custom size left out.
  std::vector<String> sheets = ItemsOf(dialog.PagPageSizeCB);
  ASSERT_EQ(sheets.size(), 8u);
  EXPECT_EQ(sheets[0], "Default");
  EXPECT_EQ(std::count(sheets.begin(), sheets.end(), "Custom"), 0);
  EXPECT_NE(std::find(sheets.begin(), sheets.end(), "A5"), sheets.end());

  TModalResult result = Run(dialog, {[&] {
    EXPECT_EQ(dialog.ClientWidth(), 557);
    EXPECT_EQ(dialog.ClientHeight(), 334);
    EXPECT_TRUE(dialog.PageNumbersRB->Checked());
    EXPECT_FALSE(dialog.AllRB->Checked());
    EXPECT_EQ(dialog.PageNumbersE->Text(), "2-4");
    EXPECT_EQ(dialog.CopiesE->Text(), "3");
    EXPECT_FALSE(dialog.CollateCB->Checked());
    EXPECT_EQ(dialog.PrintPagesCB->Text(), "Even pages");
    EXPECT_EQ(dialog.OrderCB->ItemIndex(), 1);
    EXPECT_EQ(dialog.PrintModeCB->Text(), "Scale");
    EXPECT_TRUE(dialog.PagPageSizeCB->Enabled());
    EXPECT_EQ(dialog.PagPageSizeCB->Text(), "A5");
    EXPECT_EQ(dialog.DuplexCB->ItemIndex(), 0);
    Click(dialog.CancelB);
  }});
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(Options()->PageNumbers, "2-4");
  EXPECT_EQ(Options()->Copies, 3);
  EXPECT_EQ(Options()->PrintMode, pmScale);
}

TEST_F(PrintDialogTest, OkLeavesEveryChoiceInThePrintOptions) {
  TkvxPrintDialog dialog(nullptr);
  dialog.Duplex = 3;
  TModalResult result = Run(dialog, {
      [&] {
        EXPECT_TRUE(dialog.AllRB->Checked());
        EXPECT_EQ(dialog.CopiesE->Text(), "1");
        EXPECT_FALSE(dialog.PagPageSizeCB->Enabled());
        EXPECT_EQ(dialog.PagPageSizeCB->Text(), "Default");
        Click(dialog.CurPageRB);
        Choose(dialog.PrintPagesCB, "Odd pages");
        Choose(dialog.DuplexCB, "Horizontal");
        Choose(dialog.OrderCB, "Reverse (9-1)");
        // Splitting with the sheet at "Default" prints on A4.
        Choose(dialog.PrintModeCB, "Split big pages");
        EXPECT_TRUE(dialog.PagPageSizeCB->Enabled());
        EXPECT_EQ(dialog.PagPageSizeCB->Text(), "A4");
        Choose(dialog.PagPageSizeCB, "Letter");
        Click(dialog.CollateCB);
        Retype(dialog.CopiesE, "2");
      },
      [&] { Click(dialog.OkB); },
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(Options()->PageNumbers, "7") << "the page the preview shows";
  EXPECT_EQ(Options()->PrintPages, ppOdd);
  EXPECT_EQ(dialog.Duplex, 2);
  EXPECT_TRUE(Options()->Reverse);
  EXPECT_EQ(Options()->PrintMode, pmSplit);
  EXPECT_EQ(Options()->PrintOnSheet, 1) << "Letter";
  EXPECT_FALSE(Options()->Collate);
  EXPECT_EQ(Options()->Copies, 2);
  EXPECT_TRUE(dialogs_->Shown().empty());
}

TEST_F(PrintDialogTest, SheetBoxFollowsTheModeAndTheArrows) {
  Options()->PrintMode = pmScale;
  Options()->PrintOnSheet = 8;
  TkvxPrintDialog dialog(nullptr);
  TModalResult result = Run(dialog, {
      [&] {
        EXPECT_EQ(dialog.PagPageSizeCB->Text(), "A3");
        // Back to the default mode: the sheet is the page's own again.
        Choose(dialog.PrintModeCB, "Default");
        EXPECT_EQ(dialog.PagPageSizeCB->ItemIndex(), 0);
        EXPECT_FALSE(dialog.PagPageSizeCB->Enabled());
        // Joining keeps a sheet already chosen.
        Choose(dialog.PrintModeCB, "Join small pages");
        EXPECT_EQ(dialog.PagPageSizeCB->Text(), "A4");
        Choose(dialog.PagPageSizeCB, "A3");
        Choose(dialog.PrintModeCB, "Scale");
        EXPECT_EQ(dialog.PagPageSizeCB->Text(), "A3");
        // The arrows step the typed count.
        ASSERT_EQ(UpDownButtonCount(dialog.UpDown1), 2);
        Retype(dialog.CopiesE, "41");
        ClickUpDownButton(dialog.UpDown1, 0);
        ClickUpDownButton(dialog.UpDown1, 0);
        EXPECT_EQ(dialog.CopiesE->Text(), "43");
        ClickUpDownButton(dialog.UpDown1, 1);
        EXPECT_EQ(dialog.CopiesE->Text(), "42");
      },
      [&] { Click(dialog.OkB); },
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(Options()->PrintMode, pmScale);
  EXPECT_EQ(Options()->PrintOnSheet, 8);
  EXPECT_EQ(Options()->Copies, 42);
}

TEST_F(PrintDialogTest, PrinterChoiceTakesEffectAndCancelPutsItBack) {
  TkvxPrintDialog dialog(nullptr);
  TModalResult result = Run(dialog, {[&] {
    // The raw queue lists no papers: the sheet box holds "Default" alone.
    Choose(dialog.PrintersCB, "RawQ");
    EXPECT_EQ(kvxPrinters()->Printer()->Name(), "RawQ");
    EXPECT_EQ(dialog.WhereL1->Caption(), kvxPrinters()->Printer()->Port());
    EXPECT_EQ(ItemsOf(dialog.PagPageSizeCB), (std::vector<String>{"Default"}));
    EXPECT_EQ(dialog.PagPageSizeCB->ItemIndex(), 0);
    // Back on a printer with papers, "Default" (the custom size, which every printer lists)
    // moves to the printer's first real paper.
    Choose(dialog.PrintersCB, "PdfQ");
    EXPECT_EQ(dialog.PagPageSizeCB->ItemIndex(), 1);
    EXPECT_EQ(dialog.PagPageSizeCB->Text(), "Env10");
    // A paper the new printer lacks goes back to "Default".
    Choose(dialog.PrintModeCB, "Scale");
    Choose(dialog.PagPageSizeCB, "A3");
    Choose(dialog.PrintersCB, "RawQ");
    EXPECT_EQ(dialog.PagPageSizeCB->Text(), "Default");
    Click(dialog.CancelB);
  }});
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(kvxPrinters()->Printer()->Name(), "PdfQ");

  TkvxPrintDialog again(nullptr);
  result = Run(again, {[&] {
    Choose(again.PrintersCB, "RawQ");
    Click(again.CancelB);
  }});
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(kvxPrinters()->Printer()->Name(), "PdfQ") << "cancel restores the printer of before";

  TkvxPrintDialog chosen(nullptr);
  result = Run(chosen, {[&] { Choose(chosen.PrintersCB, "RawQ"); }, [&] { Click(chosen.OkB); }});
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(kvxPrinters()->Printer()->Name(), "RawQ");
}

TEST_F(PrintDialogTest, WhereShowsTheDeviceAndThePropertiesGoWithTheJob) {
  TCupsServer server = UseTestServer();
  QueueProperties("iso_a4_210x297mm");
  TkvxPrintDialog dialog(nullptr);
  TModalResult result = Run(dialog, {[&] {
    EXPECT_EQ(dialog.WhereL1->Caption(), "capture:/pdf");
    Choose(dialog.PrintersCB, "RawQ");
    EXPECT_EQ(dialog.WhereL1->Caption(), "capture:/raw");
    Choose(dialog.PrintersCB, "PdfQ");
    Click(dialog.PropButton);
  }, [&] { Click(dialog.OkB); }});
  EXPECT_EQ(result, mrOk);
  // The properties offered are the queue's own.
  const TPrinterSetupRequest& asked = dialogs_->LastPrinterSetupRequest();
  EXPECT_EQ(asked.Caption, "PdfQ");
  EXPECT_TRUE(asked.Printers.empty()) << "the printer is chosen in the print dialog";
  EXPECT_TRUE(asked.ShowSides);
  const TPrinterOffer& offer = dialogs_->LastPrinterOffer();
  std::vector<String> sources;
  for (const TPrinterOfferItem& s : offer.Sources) sources.push_back(s.Name);
  EXPECT_EQ(sources, (std::vector<String>{"Default", "Auto", "Tray 1", "Tray 2", "Manual"}));
  EXPECT_EQ(offer.Qualities, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(offer.Papers.size(), 7u);

  // The next job carries them, whatever tray its pages ask for.
  TkvxCustomPrinter* printer = kvxPrinters()->Printer();
  ASSERT_EQ(printer->Name(), "PdfQ");
  TCapturedJob job = PrintPlainPage(printer, server, "with properties", "properties");
  ASSERT_TRUE(job.Arrived) << printer->LastError();
  auto o = JobOptions(job);
  EXPECT_EQ(o["media-source"], "tray-2");
  EXPECT_EQ(o["sides"], "two-sided-long-edge");
  EXPECT_EQ(o["print-quality"], "5");
  EXPECT_EQ(o["cupsPrintQuality"], "High");
  // The tray was chosen for one job.
  EXPECT_EQ(printer->Bin(), -1);

  // Cancelled, the properties change nothing.
  dialogs_->QueuePrinterSetup(std::nullopt);
  EXPECT_FALSE(printer->PropertiesDlg());
  EXPECT_EQ(printer->Bin(), -1);
}

TEST_F(PrintDialogTest, ACancelledDialogLeavesThePrinterAsItWas) {
  TCupsServer server = UseTestServer();
  TkvxCustomPrinter* printer = kvxPrinters()->Printer();
  ASSERT_EQ(printer->Name(), "PdfQ");
  TCapturedJob before = PrintPlainPage(printer, server, "before-the-cancelled-dialog");
  ASSERT_TRUE(before.Arrived) << printer->LastError();
  Integer paper = printer->Paper();
  Extended width = printer->PaperWidth();

  // Another paper, tray, sides and quality in the properties, then Cancel in the print dialog.
  QueueProperties("iso_a5_148x210mm");
  TkvxPrintDialog dialog(nullptr);
  EXPECT_EQ(Run(dialog, {[&] { Click(dialog.PropButton); }, [&] { Click(dialog.CancelB); }}), mrCancel);
  EXPECT_EQ(dialogs_->LastPrinterSetupRequest().Caption, "PdfQ");
  EXPECT_EQ(printer->Paper(), paper);
  EXPECT_EQ(printer->PaperWidth(), width);
  EXPECT_EQ(printer->Bin(), -1);

  TCapturedJob after = PrintPlainPage(printer, server, "after-the-cancelled-dialog");
  ASSERT_TRUE(after.Arrived) << printer->LastError();
  EXPECT_EQ(JobSettings(after), JobSettings(before));
  EXPECT_NE(JobOptions(after)["media-source"], "tray-2");
  EXPECT_NE(JobOptions(after)["sides"], "two-sided-long-edge");
}

TEST_F(PrintDialogTest, PrintToFileAsksForAPrnFileAndItsCancelCancelsThePrint) {
  std::string folder = TempPath("print-dialog");
  TkvxPrintDialog dialog(nullptr);
  dialogs_->QueueFiles({folder + "/out.txt"});
  TModalResult result = Run(dialog, {[&] { Click(dialog.FileCB); }, [&] { Click(dialog.OkB); }});
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(kvxPrinters()->Printer()->FileName(), folder + "/out.prn");
  EXPECT_EQ(dialogs_->LastFileRequest().Title, "Print To File");
  EXPECT_EQ(dialogs_->LastFileRequest().Filter, "Printer files (*.prn)|*.prn");

  // Printing again without the box goes to the printer, not to the old file.
  Options()->Copies = 5;
  TkvxPrintDialog plain(nullptr);
  result = Run(plain, {[&] { Click(plain.OkB); }});
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(kvxPrinters()->Printer()->FileName(), "");

  TkvxPrintDialog cancelled(nullptr);
  result = Run(cancelled, {
      [&] {
        Choose(cancelled.PrintersCB, "RawQ");
        Click(cancelled.FileCB);
        Retype(cancelled.CopiesE, "9");
      },
      [&] { Click(cancelled.OkB); },
  });
  EXPECT_EQ(result, mrCancel) << "the file dialog was cancelled";
  EXPECT_EQ(kvxPrinters()->Printer()->Name(), "PdfQ");
  EXPECT_EQ(kvxPrinters()->Printer()->FileName(), "");
  EXPECT_EQ(Options()->Copies, 5);
}

TEST_F(PrintDialogTest, NumberBoxesRefuseWhatCannotBePrintedWithAMessage) {
  TkvxPrintDialog dialog(nullptr);
  size_t boxes = 0;
  auto refused = [&](const char* what) {
    ++boxes;
    ASSERT_EQ(dialogs_->Shown().size(), boxes) << what;
    EXPECT_EQ(dialogs_->Shown().back().Type, mtError) << what;
    EXPECT_TRUE(dialog.Visible()) << what << ": the dialog stays open";
  };
  TModalResult result = Run(dialog, {
      [&] { Retype(dialog.CopiesE, ""); },
      [&] { Click(dialog.OkB); },
      [&] {
        refused("no copies");
        EXPECT_NE(dialogs_->LastText().find("9999"), String::npos) << dialogs_->LastText();
        // Letters are not typed into the count at all.
        Retype(dialog.CopiesE, "x0");
        EXPECT_EQ(dialog.CopiesE->Text(), "0");
      },
      [&] { Click(dialog.OkB); },
      [&] {
        refused("zero copies");
        dialog.CopiesE->SetText("99999999999");
      },
      [&] { Click(dialog.OkB); },
      [&] {
        refused("more copies than the server makes");
        Retype(dialog.CopiesE, "2");
        Retype(dialog.PageNumbersE, "1,x");
        EXPECT_TRUE(dialog.PageNumbersRB->Checked()) << "typing there chose the page numbers";
      },
      [&] { Click(dialog.OkB); },
      [&] {
        refused("a page that is no number");
        EXPECT_NE(dialogs_->LastText().find("10"), String::npos) << dialogs_->LastText();
        Retype(dialog.PageNumbersE, "12,40-99");
      },
      [&] { Click(dialog.OkB); },
      [&] {
        refused("no page of the report");
        Retype(dialog.PageNumbersE, "1--3");
      },
      [&] { Click(dialog.OkB); },
      [&] {
        refused("a range of nothing");
        // Ranges past the end stop at the last page, however far they reach.
        Retype(dialog.PageNumbersE, "2, 4-99999999999, 30, 9-");
      },
      [&] { Click(dialog.OkB); },
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(dialogs_->Shown().size(), boxes);
  EXPECT_EQ(Options()->Copies, 2);
  EXPECT_EQ(Options()->PageNumbers, "2,4-10,9-10");
}

TEST_F(PrintDialogTest, OwnerDrawnBoxesAndTheCopiesPicture) {
  TkvxPrintDialog dialog(nullptr);
  Run(dialog, {[&] {
    // The printer's picture left of its name, the mode's picture in front of its text.
    EXPECT_GT(DarkPixels(dialog.PrintersCB, 2, 22), 10);
    EXPECT_GT(DarkPixels(dialog.PrintModeCB, 2, 70), 10);
    std::unique_ptr<TBitmap> collated = PaintedPicture(dialog.CopiesPB);
    Click(dialog.CollateCB);
    Pump(30);
    EXPECT_FALSE(SamePicture(*PaintedPicture(dialog.CopiesPB), *collated));
    Click(dialog.CollateCB);
    Pump(30);
    EXPECT_TRUE(SamePicture(*PaintedPicture(dialog.CopiesPB), *collated));
    Click(dialog.CancelB);
  }});
}

}  // namespace
}  // namespace orv
