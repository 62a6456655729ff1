// The forms and controls bindings and the event bridges: registrations against the design's
// lists, and native events running script procedures with their arguments written back.
#include <gtest/gtest.h>

#include "platform/gui/Action.h"
#include "platform/gui/Forms.h"
#include "platform/gui/SizeConstraints.h"
#include "platform/gui/StdCtrls.h"
#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

using L = std::vector<String>;

TEST(ScriptFormsBindings, EveryClassMemberEventAndConstantIsRegistered) {
  TsxScript script(nullptr);
  script.AddRTTI();
  const std::vector<std::pair<String, L>> classes = {
      {"TControl", {"Parent", "Hide", "Show", "SetBounds", "OnCanResize", "OnClick", "OnDblClick", "OnMouseDown",
                    "OnMouseMove", "OnMouseUp", "OnResize"}},
      {"TWinControl", {"SetFocus", "OnEnter", "OnExit", "OnKeyDown", "OnKeyPress", "OnKeyUp", "OnClick"}},
      {"TCustomControl", {}}, {"TGraphicControl", {}}, {"TGroupBox", {"SetFocus"}}, {"TLabel", {"OnClick"}},
      {"TEdit", {"OnKeyPress"}}, {"TMemo", {}},
      {"TCustomComboBox", {"DroppedDown", "ItemIndex", "OnChange", "OnDropDown", "OnCloseUp"}},
      {"TComboBox", {}}, {"TButton", {}}, {"TCheckBox", {}}, {"TRadioButton", {}},
      {"TCustomListBox", {"ItemIndex", "SelCount", "Selected"}}, {"TListBox", {}}, {"TControlScrollBar", {}},
      {"TScrollingWinControl", {}}, {"TScrollBox", {}},
      {"TCustomForm", {"Close", "Hide", "Show", "ShowModal", "OnActivate", "OnClose", "OnCloseQuery", "OnCreate",
                       "OnDestroy", "OnDeactivate", "OnHide", "OnPaint", "OnShow", "Canvas", "ModalResult"}},
      {"TForm", {}}, {"TDataModule", {}},
      {"TApplication", {"Minimize", "ProcessMessages", "Restore", "ExeName"}}};
  for (const auto& [name, members] : classes) {
    TsxClassVariable* cls = script.FindClass(name);
    ASSERT_NE(cls, nullptr) << name;
    for (const String& member : members) EXPECT_NE(cls->Find(member), nullptr) << name << "." << member;
  }
  const std::vector<std::pair<String, Integer>> values = {
      {"mrOk", 1},        {"mrYesToAll", 10}, {"crSize", -22},     {"crSizeAll", -22},   {"crHandPoint", -21},
      {"bsDialog", 3},    {"VK_RETURN", 13},  {"VK_ESCAPE", 27},   {"VK_F1", 112},       {"VK_F12", 123},
      {"VK_SCROLL", 145}, {"taCenter", 2},    {"ssDouble", 64},    {"alClient", 5},      {"akBottom", 8},
      {"fsNormal", 0},    {"fsBold", 1},      {"biHelp", 8},       {"poDesktopCenter", 5}, {"caMinimize", 3}};
  for (const auto& [name, value] : values) {
    ASSERT_NE(script.Find(name), nullptr) << name;
    EXPECT_EQ(script.Find(name)->Value.ToInteger(), value) << name;
  }
  for (Integer k = 1; k <= 12; ++k) EXPECT_EQ(script.Find("VK_F" + std::to_string(k))->Value.ToInteger(), 111 + k);
  EXPECT_EQ(script.FindClass("Application"), nullptr);
  ASSERT_NE(script.Find("Application"), nullptr);
  EXPECT_EQ(script.Find("Application")->TypeName(), "TApplication");
}

TEST(ScriptFormsBindings, BridgesPassTheEventsArgumentsAndWriteBack) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetName("Edit1");
  auto script = test::NewScript(
      "PascalScript",
      "var clicks: Integer;\n"
      "procedure Typed(Sender: TObject; var Key: Char);\nbegin\n"
      "  if Key = 'a' then Key := 'B';\n  if Key = 'x' then Key := '';\nend;\n"
      "procedure Clicked(Sender: TObject);\nbegin\n  clicks := clicks + 1;\n  if clicks < 3 then TEdit(Sender).Click;\nend;\n"
      "var extraA: Variant;\n"
      "procedure Extra(Sender: TObject; A, B: Integer);\nbegin\n  extraA := A;\nend;\n"
      "procedure Query(Sender: TObject; var CanClose: Boolean);\nbegin\n  CanClose := False;\nend;\n"
      "function NotAProcedure: Integer;\nbegin\nend;\n"
      "begin\n  Form1.Edit1.OnKeyPress := 'Typed';\n  Form1.Edit1.OnClick := 'Clicked';\n  Form1.Edit1.OnDblClick := 'Extra';\n"
      "  Form1.OnCloseQuery := 'Query';\nend.");
  form.SetName("Form1");
  script->AddForm(&form);
  const test::TRunResult r = test::RunScript(*script);
  ASSERT_TRUE(r.Compiled) << r.CompileError;
  ASSERT_EQ(r.RunError, "");
  char32_t key = U'a';
  edit->OnKeyPress(edit, key);
  EXPECT_EQ(key, U'B');
  key = U'x';
  edit->OnKeyPress(edit, key);
  EXPECT_EQ(key, U'x');  // an empty text keeps the key
  // A handler that causes its own event again runs again, inside itself.
  edit->Click();
  EXPECT_EQ(script->Find("clicks")->Value.ToInteger(), 3);
  // A procedure with more parameters than the event supplies gets only what there is.
  edit->OnDblClick(edit);
  EXPECT_TRUE(script->Find("extraA")->Value.IsNull());
  bool canClose = true;
  form.OnCloseQuery(&form, canClose);
  EXPECT_FALSE(canClose);
  // A function is refused; nil detaches. The host clears the script before compiling anew.
  script->Clear();
  script->AddForm(&form);
  script->Lines().SetText(
      "function NotAProcedure(Sender: TObject): Integer;\nbegin\n  Result := 1;\nend;\n"
      "begin\n  Form1.Edit1.OnClick := 'NotAProcedure';\nend.");
  EXPECT_EQ(test::RunScript(*script).RunError, "Event handler must be a procedure");
  script->Clear();
  script->AddForm(&form);
  script->Lines().SetText("begin\n  Form1.Edit1.OnClick := nil;\nend.");
  EXPECT_EQ(test::RunScript(*script).RunError, "");
  EXPECT_FALSE(static_cast<bool>(edit->OnClick));
}

TEST(ScriptFormsBindings, AFormRegisteredAgainReachesItsOwnComponents) {
  auto script = test::NewScript("PascalScript", "begin\n  ShowMessage(Form1.Edit1.Text);\nend.");
  for (const char* text : {"first", "second"}) {
    TForm form(nullptr);
    form.SetName("Form1");
    auto* edit = new TEdit(&form);
    edit->SetName("Edit1");
    edit->SetText(text);
    script->Clear();
    script->AddForm(&form);
    const test::TRunResult r = test::RunScript(*script);
    EXPECT_EQ(r.Lines, (L{text})) << r.CompileError << r.RunError;
  }
}

TEST(ScriptFormsBindings, AScriptBindsAnActionToAButtonAndLimitsItsSize) {
  TForm form(nullptr);
  form.SetName("Form1");
  auto* action = new TAction(&form);
  action->SetName("SaveAction");
  auto* button = new TButton(&form);
  button->SetName("Button1");
  button->SetParent(&form);
  auto script = test::NewScript(
      "PascalScript",
      "var runs: Integer;\n"
      "procedure Saved(Sender: TObject);\nbegin\n  runs := runs + 1;\nend;\n"
      "begin\n"
      "  Form1.SaveAction.Caption := 'บันทึก';\n"
      "  Form1.SaveAction.OnExecute := 'Saved';\n"
      "  Form1.Button1.Action := Form1.SaveAction;\n"
      "  Form1.Button1.Constraints.MaxWidth := 80;\n"
      "  Form1.Button1.Width := 300;\n"
      "  ShowMessage(IntToStr(Form1.Button1.Width) + ' ' + Form1.Button1.Caption);\n"
      "  Form1.SaveAction.Execute;\n"
      "end.");
  script->AddForm(&form);
  const test::TRunResult r = test::RunScript(*script);
  ASSERT_TRUE(r.Compiled) << r.CompileError;
  ASSERT_EQ(r.RunError, "");
  EXPECT_EQ(r.Lines, (L{"80 บันทึก"}));
  EXPECT_EQ(button->Action(), action);
  EXPECT_EQ(button->Constraints()->MaxWidth(), 80);
  EXPECT_EQ(script->Find("runs")->Value.ToInteger(), 1);
  // The button's click runs the script's handler through the action.
  button->Click();
  EXPECT_EQ(script->Find("runs")->Value.ToInteger(), 2);
}

}  // namespace
}  // namespace orv
