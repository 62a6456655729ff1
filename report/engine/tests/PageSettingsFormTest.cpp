// The page settings dialog driven as a user drives it: the unit from the report's settings,
// paper choice and orientation, the custom size, what OK writes into the page, and input that
// is refused with a message while the page stays as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Keys.h"
#include "platform/gui/Timers.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/gui/tests/DialogTesting.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/tests/ScratchFolder.h"
#include "report/engine/PageSettingsForm.h"
#include "report/model/Report.h"

using namespace orv;
using namespace orv::testing;

namespace {

// A printer whose papers have the sizes of the paper standards (mm), the custom size first.
class TStandardPapers : public IkvxPaperSource {
 public:
  int PaperCount() const override { return static_cast<int>(papers_.size()); }
  String PaperName(int i) const override { return papers_[i].Name; }
  Integer PaperCode(int i) const override { return papers_[i].Code; }
  void SetViewParams(Integer code, Extended w, Extended h, TPrinterOrientation o) override {
    width_ = w;
    height_ = h;
    for (const TPaper& p : papers_)
      if (p.Code == code && code != 256) {
        width_ = o == poLandscape ? p.Height : p.Width;
        height_ = o == poLandscape ? p.Width : p.Height;
      }
  }
  Extended PaperWidth() const override { return width_; }
  Extended PaperHeight() const override { return height_; }

 private:
  struct TPaper {
    Integer Code;
    String Name;
    Extended Width, Height;
  };
  std::vector<TPaper> papers_{{256, "Custom", 0, 0}, {1, "Letter", 215.9, 279.4}, {9, "A4", 210, 297},
                              {11, "A5", 148, 210}};
  Extended width_ = 0, height_ = 0;
};

class PageSettingsTest : public ScriptedDialogsTest {
 protected:
  void SetUp() override {
    ScriptedDialogsTest::SetUp();
    settings_ = (orv::testing::ProcessScratchFolder("orvane-page-settings-") /
                 (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ini"))
                    .string();
    report_.SetIniFile(settings_);
    page_ = new TkvxReportPage(&report_);
    page_->SetDefaults();
  }
  void SetUnits(int units) {
    std::ofstream(settings_) << "[Form.TkvxDesignerForm]\nUnits=" << units << "\n";
  }
  // Runs the dialog modally; the steps run one after another inside its message loop, each
  // once the dialog is open and has dealt with what the one before did.
  TModalResult Run(TkvxPageSettingsForm& form, std::vector<std::function<void()>> steps) {
    form.Page = page_;
    form.Report = &report_;
    size_t next = 0;
    TTimer driver(nullptr);
    driver.OnTimer = [&](TObject*) {
      if (next < steps.size() && form.Visible() && form.ModalResult() == mrNone) steps[next++]();
    };
    driver.SetInterval(20);
    TModalResult result = form.ShowModal();
    EXPECT_EQ(next, steps.size());
    return result;
  }
  void ExpectPage(TPrinterOrientation o, Integer size, Extended w, Extended h, Extended l, Extended t,
                  Extended r, Extended b) {
    EXPECT_EQ(page_->Orientation(), o);
    EXPECT_EQ(page_->PaperSize(), size);
    EXPECT_NEAR(page_->PaperWidth(), w, 1e-6);
    EXPECT_NEAR(page_->PaperHeight(), h, 1e-6);
    EXPECT_NEAR(page_->LeftMargin(), l, 1e-6);
    EXPECT_NEAR(page_->TopMargin(), t, 1e-6);
    EXPECT_NEAR(page_->RightMargin(), r, 1e-6);
    EXPECT_NEAR(page_->BottomMargin(), b, 1e-6);
  }

  std::string settings_;
  TkvxReport report_{nullptr};
  TkvxReportPage* page_;
  TStandardPapers printer_;
};

void TypeInto(TEdit* edit, const std::string& text) {
  edit->SetFocus();
  edit->SelectAll();
  TypeKey(edit, VK_DELETE);
  TypeText(edit, text);
}

void Choose(TComboBox* box, int index) {
  box->SetDroppedDown(true);
  Application->ProcessMessages();
  ClickComboListItem(box, index);
  Application->ProcessMessages();
}

void Click(TControl* control) { ClickMouse(control, 6, 8); }

}  // namespace

TEST_F(PageSettingsTest, ShowsThePageInTheUnitOfTheSettings) {
  page_->SetLeftMargin(12.7);
  struct TCase {
    int Units;
    const char *Width, *Height, *Left, *Top, *Unit;
  };
  // Inches: 210 / 25.4 = 8.2677, 297 / 25.4 = 11.6929, 12.7 / 25.4 = 0.5; centimetres: mm / 10.
  // Units the dialog does not know count as centimetres.
  for (TCase c : {TCase{1, "8.27", "11.69", "0.50", "0.39", "in"}, TCase{0, "21", "29.70", "1.27", "1", "cm"},
                  TCase{2, "21", "29.70", "1.27", "1", "cm"}, TCase{7, "21", "29.70", "1.27", "1", "cm"},
                  TCase{257, "21", "29.70", "1.27", "1", "cm"}}) {
    SCOPED_TRACE(c.Units);
    SetUnits(c.Units);
    TkvxPageSettingsForm form(nullptr, printer_);
    form.Page = page_;
    form.Report = &report_;
    form.Show();
    EXPECT_EQ(form.Caption(), "Page Settings");
    EXPECT_EQ(form.ClientWidth(), 286);
    EXPECT_EQ(form.ClientHeight(), 359);
    EXPECT_EQ(form.SizeCB->Items()->Count(), 4);
    EXPECT_EQ(form.SizeCB->Text(), "A4");
    EXPECT_EQ(form.WidthE->Text(), c.Width);
    EXPECT_EQ(form.HeightE->Text(), c.Height);
    EXPECT_EQ(form.MarginLeftE->Text(), c.Left);
    EXPECT_EQ(form.MarginTopE->Text(), c.Top);
    EXPECT_EQ(form.UnitL1->Caption(), c.Unit);
    EXPECT_EQ(form.UnitL6->Caption(), c.Unit);
    EXPECT_TRUE(form.PortraitRB->Checked());
    EXPECT_TRUE(form.ApplyToCurRB->Checked());
    EXPECT_FALSE(form.GetApplyToAll());
    form.Hide();
  }
  ExpectPage(poPortrait, 9, 210, 297, 12.7, 10, 10, 10);
}

TEST_F(PageSettingsTest, PaperChoiceOrientationAndTheCustomSize) {
  SetUnits(0);
  TkvxPageSettingsForm form(nullptr, printer_);
  TModalResult result = Run(form, {
      [&] {
        // Typing a size makes the paper custom; turning it exchanges the two values.
        TypeInto(form.WidthE, "15");
        EXPECT_EQ(form.SizeCB->ItemIndex(), 0);
        Click(form.LandscapeRB);
        EXPECT_TRUE(form.LandscapeRB->Checked());
        EXPECT_EQ(form.WidthE->Text(), "29.70");
        EXPECT_EQ(form.HeightE->Text(), "15");
        EXPECT_TRUE(form.LandscapeImg->Visible());
        EXPECT_FALSE(form.PortraitImg->Visible());
      },
      [&] {
        // A listed paper shows its own size in the orientation chosen.
        Choose(form.SizeCB, 1);
        EXPECT_EQ(form.SizeCB->Text(), "Letter");
        EXPECT_EQ(form.WidthE->Text(), "27.94");
        EXPECT_EQ(form.HeightE->Text(), "21.59");
        Click(form.PortraitRB);
        EXPECT_EQ(form.WidthE->Text(), "21.59");
        EXPECT_EQ(form.HeightE->Text(), "27.94");
        Click(form.LandscapeRB);
        Choose(form.SizeCB, 2);
        EXPECT_EQ(form.WidthE->Text(), "29.70");
        EXPECT_EQ(form.HeightE->Text(), "21");
      },
      [&] {
        TypeInto(form.MarginLeftE, "2");
        TypeInto(form.MarginTopE, "1,5");
        TypeInto(form.MarginRightE, "0.5");
        TypeInto(form.MarginBottomE, "0");
        Click(form.ApplyToAllRB);
        Click(form.OKB);
      },
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_TRUE(form.GetApplyToAll());
  ExpectPage(poLandscape, 9, 297, 210, 20, 15, 5, 0);
  EXPECT_EQ(dialogs_->Shown().size(), 0u);
  // The bands were laid out again: the page spans the printable width, 297 - 20 - 5 mm at
  // 3.77953 pixels per mm.
  EXPECT_NEAR(page_->Width(), (297 - 20 - 5) * 3.77953, 0.01);
}

TEST_F(PageSettingsTest, InchesGoBackAsMillimetresAndACustomPaperStaysCustom) {
  SetUnits(1);
  page_->SetPaperWidth(100);
  page_->SetPaperHeight(150);
  TkvxPageSettingsForm first(nullptr, printer_);
  EXPECT_EQ(Run(first, {[&] {
              EXPECT_EQ(first.SizeCB->Text(), "Custom");
              EXPECT_EQ(first.WidthE->Text(), "3.94");
              Click(first.OKB);
            }}),
            mrOk);
  // The edits show rounded inches; the page keeps its exact size when they are not touched.
  EXPECT_EQ(page_->PaperSize(), 256);
  EXPECT_NEAR(page_->PaperWidth(), 3.94 * 25.4, 1e-6);

  TkvxPageSettingsForm second(nullptr, printer_);
  EXPECT_EQ(Run(second, {[&] {
              TypeInto(second.WidthE, "10");
              TypeInto(second.HeightE, "5");
              TypeInto(second.MarginLeftE, "1");
              TypeInto(second.MarginTopE, "0.25");
              TypeInto(second.MarginRightE, "1");
              TypeInto(second.MarginBottomE, "0.25");
              Click(second.OKB);
            }}),
            mrOk);
  ExpectPage(poPortrait, 256, 254, 127, 25.4, 6.35, 25.4, 6.35);
}

TEST_F(PageSettingsTest, BadInputIsRefusedWithAMessageAndThePageStaysAsItWas) {
  SetUnits(0);
  TkvxPageSettingsForm form(nullptr, printer_);
  auto refused = [&](const char* says) {
    EXPECT_TRUE(form.Visible());
    ASSERT_FALSE(dialogs_->Shown().empty());
    EXPECT_NE(dialogs_->LastText().find(says), String::npos) << dialogs_->LastText();
    EXPECT_EQ(dialogs_->Shown().back().Type, mtError);
  };
  TModalResult result = Run(form, {
      [&] {
        Click(form.LandscapeRB);
        TypeInto(form.MarginTopE, "abc");
        Click(form.OKB);
      },
      [&] {
        refused("Margins, Top: 'abc' is not a number");
        TypeInto(form.MarginTopE, "1");
        TypeInto(form.WidthE, "-3");
        Click(form.OKB);
      },
      [&] {
        refused("Width: the value must be greater than 0");
        TypeInto(form.WidthE, "21");
        TypeInto(form.MarginRightE, "-0.1");
        Click(form.OKB);
      },
      [&] {
        refused("Margins, Right: the value cannot be less than 0");
        TypeInto(form.MarginRightE, "11");
        TypeInto(form.MarginLeftE, "10");
        Click(form.OKB);
      },
      [&] {
        refused("left and right margins leave no room");
        TypeInto(form.MarginLeftE, "1");
        TypeInto(form.HeightE, "2");
        Click(form.OKB);
      },
      [&] {
        refused("top and bottom margins leave no room");
        EXPECT_EQ(dialogs_->Shown().size(), 5u);
        // Turning a custom size whose text is no number exchanges the texts as typed.
        TypeInto(form.WidthE, "x");
        Click(form.PortraitRB);
        EXPECT_EQ(form.WidthE->Text(), "2");
        EXPECT_EQ(form.HeightE->Text(), "x");
        Click(form.CancelB);
      },
  });
  EXPECT_EQ(result, mrCancel);
  ExpectPage(poPortrait, 9, 210, 297, 10, 10, 10, 10);
}
