#include "script/FormsBindings.h"

#include "platform/gui/Action.h"
#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/SizeConstraints.h"
#include "platform/gui/StdCtrls.h"
#include "script/BindingCallbacks.h"
#include "script/EventBridges.h"
#include "script/Script.h"

namespace orv {

std::unique_ptr<TsxRTTIModule> sxCreateFormsFunctions(TsxScript* script) {
  return std::make_unique<TsxFormsFunctions>(script);
}

namespace {

using Caller = TsxMethodHelper;

using sxbind::Getter;
using sxbind::Self;
using sxbind::Setter;

template <class T, class F>
TsxCallMethodNewEvent Method(F body) {
  return [body](TObject* instance, TClass, const String&, Caller& c) -> Variant {
    body(Self<T>(instance), c);
    return Variant();
  };
}

void AddIntegers(TsxScript& s, std::initializer_list<std::pair<const char*, Integer>> constants) {
  for (const auto& [name, value] : constants) s.AddConst(name, "Integer", Variant(value));
}

}  // namespace

TsxFormsFunctions::TsxFormsFunctions(TsxScript* script) : TsxRTTIModule(script) {
  TsxScript& s = *Script;
  AddIntegers(s, {{"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrAbort", 3}, {"mrRetry", 4}, {"mrIgnore", 5},
                  {"mrYes", 6}, {"mrNo", 7}, {"mrAll", 8}, {"mrNoToAll", 9}, {"mrYesToAll", 10}});
  AddIntegers(s, {{"crDefault", 0},     {"crNone", -1},      {"crArrow", -2},     {"crCross", -3},
                  {"crIBeam", -4},      {"crSize", -22},     {"crSizeNESW", -6},  {"crSizeNS", -7},
                  {"crSizeNWSE", -8},   {"crSizeWE", -9},    {"crUpArrow", -10},  {"crHourGlass", -11},
                  {"crDrag", -12},      {"crNoDrop", -13},   {"crHSplit", -14},   {"crVSplit", -15},
                  {"crMultiDrag", -16}, {"crSQLWait", -17},  {"crNo", -18},       {"crAppStart", -19},
                  {"crHelp", -20},      {"crHandPoint", -21}, {"crSizeAll", -22}});
  AddIntegers(s, {{"bsNone", 0}, {"bsSingle", 1}, {"bsSizeable", 2}, {"bsDialog", 3}, {"bsToolWindow", 4},
                  {"bsSizeToolWin", 5}});
  AddIntegers(s, {{"VK_RBUTTON", 2},   {"VK_CANCEL", 3},  {"VK_MBUTTON", 4}, {"VK_BACK", 8},     {"VK_TAB", 9},
                  {"VK_RETURN", 13},   {"VK_SHIFT", 16},  {"VK_CONTROL", 17}, {"VK_MENU", 18},   {"VK_PAUSE", 19},
                  {"VK_CAPITAL", 20},  {"VK_ESCAPE", 27}, {"VK_SPACE", 32},  {"VK_PRIOR", 33},   {"VK_NEXT", 34},
                  {"VK_END", 35},      {"VK_HOME", 36},   {"VK_LEFT", 37},   {"VK_UP", 38},      {"VK_RIGHT", 39},
                  {"VK_DOWN", 40},     {"VK_INSERT", 45}, {"VK_DELETE", 46}, {"VK_HELP", 47},    {"VK_LWIN", 91},
                  {"VK_RWIN", 92},     {"VK_APPS", 93},   {"VK_NUMPAD0", 96}, {"VK_NUMPAD1", 97}, {"VK_NUMPAD2", 98},
                  {"VK_NUMPAD3", 99},  {"VK_NUMPAD4", 100}, {"VK_NUMPAD5", 101}, {"VK_NUMPAD6", 102},
                  {"VK_NUMPAD7", 103}, {"VK_NUMPAD8", 104}, {"VK_NUMPAD9", 105}, {"VK_MULTIPLY", 106},
                  {"VK_ADD", 107},     {"VK_SEPARATOR", 108}, {"VK_SUBTRACT", 109}, {"VK_DECIMAL", 110},
                  {"VK_DIVIDE", 111},  {"VK_F1", 112},    {"VK_F2", 113},    {"VK_F3", 114},     {"VK_F4", 115},
                  {"VK_F5", 116},      {"VK_F6", 117},    {"VK_F7", 118},    {"VK_F8", 119},     {"VK_F9", 120},
                  {"VK_F10", 121},     {"VK_F11", 122},   {"VK_F12", 123},   {"VK_NUMLOCK", 144}, {"VK_SCROLL", 145}});
  for (const char* name : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"}) s.AddType(name, fvtInt);
  AddIntegers(s, {{"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2}});
  s.AddEnumSet("TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble");
  s.AddEnum("TAlign", "alNone, alTop, alBottom, alLeft, alRight, alClient");
  s.AddEnum("TMouseButton", "mbLeft, mbRight, mbMiddle");
  s.AddEnumSet("TAnchors", "akLeft, akTop, akRight, akBottom");
  s.AddEnum("TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace");
  s.AddEnum("TTextLayout", "tlTop, tlCenter, tlBottom");
  s.AddEnum("TEditCharCase", "ecNormal, ecUpperCase, ecLowerCase");
  s.AddEnum("TScrollStyle", "ssNone, ssHorizontal, ssVertical, ssBoth");
  s.AddEnum("TComboBoxStyle", "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable");
  s.AddEnum("TCheckBoxState", "cbUnchecked, cbChecked, cbGrayed");
  s.AddEnum("TListBoxStyle", "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable");
  s.AddEnum("TWindowState", "wsNormal, wsMinimized, wsMaximized");
  s.AddEnum("TFormStyle", "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop");
  s.AddEnumSet("TBorderIcons", "biSystemMenu, biMinimize, biMaximize, biHelp");
  s.AddEnum("TPosition", "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter");
  s.AddEnum("TCloseAction", "caNone, caHide, caFree, caMinimize");

  TsxClassVariable* control = s.AddClass(TControl::StaticClass(), "TComponent");
  control->AddProperty("Parent", "TWinControl", Getter<TControl>([](TControl& self) { return sxObjectToValue(self.Parent()); }),
                       Setter<TControl>([](TControl& self, const Variant& v) {
                         TObject* parent = sxValueToObject(v);
                         auto* win = dynamic_cast<TWinControl*>(parent);
                         if (parent && !win) throw EInvalidPointer("Invalid object reference");
                         self.SetParent(win);
                       }));
  control->AddMethod("procedure Hide", Method<TControl>([](TControl& self, Caller&) { self.Hide(); }));
  control->AddMethod("procedure Show", Method<TControl>([](TControl& self, Caller&) { self.Show(); }));
  control->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)",
                     Method<TControl>([](TControl& self, Caller& c) {
                       self.SetBounds(c.GetParamValue(0).ToInteger(), c.GetParamValue(1).ToInteger(),
                                      c.GetParamValue(2).ToInteger(), c.GetParamValue(3).ToInteger());
                     }));
  // Fires OnClick as a user's click would, so a script can drive its own handlers.
  control->AddMethod("procedure Click", Method<TControl>([](TControl& self, Caller&) { self.Click(); }));
  control->AddEvent("OnCanResize", TsxCanResizeEvent);
  control->AddEvent("OnClick", TsxNotifyEvent);
  control->AddEvent("OnDblClick", TsxNotifyEvent);
  control->AddEvent("OnMouseDown", TsxMouseEvent);
  control->AddEvent("OnMouseMove", TsxMouseMoveEvent);
  control->AddEvent("OnMouseUp", TsxMouseEvent);
  control->AddEvent("OnResize", TsxNotifyEvent);

  s.AddClass(TSizeConstraints::StaticClass(), "TPersistent");
  TsxClassVariable* action = s.AddClass(TAction::StaticClass(), "TComponent");
  action->AddMethod("function Execute: Boolean", [](TObject* instance, TClass, const String&, Caller&) {
    return Variant(Self<TAction>(instance).Execute());
  });
  action->AddEvent("OnExecute", TsxNotifyEvent);

  TsxClassVariable* win = s.AddClass(TWinControl::StaticClass(), "TControl");
  win->AddMethod("procedure SetFocus", Method<TWinControl>([](TWinControl& self, Caller&) { self.SetFocus(); }));
  win->AddEvent("OnEnter", TsxNotifyEvent);
  win->AddEvent("OnExit", TsxNotifyEvent);
  win->AddEvent("OnKeyDown", TsxKeyEvent);
  win->AddEvent("OnKeyPress", TsxKeyPressEvent);
  win->AddEvent("OnKeyUp", TsxKeyEvent);

  s.AddClass(TCustomControl::StaticClass(), "TWinControl");
  s.AddClass(TGraphicControl::StaticClass(), "TControl");
  s.AddClass(TGroupBox::StaticClass(), "TWinControl");
  s.AddClass(TLabel::StaticClass(), "TControl");
  s.AddClass(TEdit::StaticClass(), "TWinControl");
  s.AddClass(TMemo::StaticClass(), "TWinControl");

  TsxClassVariable* combo = s.AddClass(TCustomComboBox::StaticClass(), "TWinControl");
  combo->AddProperty("DroppedDown", "Boolean",
                     Getter<TCustomComboBox>([](TCustomComboBox& self) { return Variant(self.DroppedDown()); }),
                     Setter<TCustomComboBox>([](TCustomComboBox& self, const Variant& v) { self.SetDroppedDown(v.ToBoolean()); }));
  combo->AddProperty("ItemIndex", "Integer",
                     Getter<TCustomComboBox>([](TCustomComboBox& self) { return Variant(self.ItemIndex()); }),
                     Setter<TCustomComboBox>([](TCustomComboBox& self, const Variant& v) { self.SetItemIndex(v.ToInteger()); }));
  combo->AddEvent("OnChange", TsxNotifyEvent);
  combo->AddEvent("OnDropDown", TsxNotifyEvent);
  combo->AddEvent("OnCloseUp", TsxNotifyEvent);
  s.AddClass(TComboBox::StaticClass(), "TCustomComboBox");
  for (TClass cls : {TButton::StaticClass(), TCheckBox::StaticClass(), TRadioButton::StaticClass()})
    s.AddClass(cls, "TWinControl");

  TsxClassVariable* list = s.AddClass(TCustomListBox::StaticClass(), "TWinControl");
  list->AddProperty("ItemIndex", "Integer",
                    Getter<TCustomListBox>([](TCustomListBox& self) { return Variant(self.ItemIndex()); }),
                    Setter<TCustomListBox>([](TCustomListBox& self, const Variant& v) { self.SetItemIndex(v.ToInteger()); }));
  list->AddProperty("SelCount", "Integer",
                    Getter<TCustomListBox>([](TCustomListBox& self) { return Variant(self.SelCount()); }), nullptr);
  list->AddIndexProperty("Selected", "Integer", "Boolean",
                         [](TObject* instance, TClass, const String& name, Caller& c) -> Variant {
                           TCustomListBox& self = Self<TCustomListBox>(instance);
                           const Integer index = c.GetParamValue(0).ToInteger();
                           if (name == "SELECTED.SET") {
                             self.SetSelected(index, c.GetParamValue(c.Count()).ToBoolean());
                             return Variant();
                           }
                           return Variant(self.Selected(index));
                         },
                         false);
  s.AddClass(TListBox::StaticClass(), "TCustomListBox");
  s.AddClass(TControlScrollBar::StaticClass(), "TPersistent");
  s.AddClass(TScrollingWinControl::StaticClass(), "TWinControl");
  s.AddClass(TScrollBox::StaticClass(), "TScrollingWinControl");

  TsxClassVariable* form = s.AddClass(TCustomForm::StaticClass(), "TScrollingWinControl");
  form->AddMethod("procedure Close", Method<TCustomForm>([](TCustomForm& self, Caller&) { self.Close(); }));
  form->AddMethod("procedure Hide", Method<TCustomForm>([](TCustomForm& self, Caller&) { self.Hide(); }));
  form->AddMethod("procedure Show", Method<TCustomForm>([](TCustomForm& self, Caller&) { self.Show(); }));
  form->AddMethod("function ShowModal: Integer", [](TObject* instance, TClass, const String&, Caller&) {
    return Variant(static_cast<Integer>(Self<TCustomForm>(instance).ShowModal()));
  });
  for (const char* name : {"OnActivate", "OnCreate", "OnDestroy", "OnDeactivate", "OnHide", "OnPaint", "OnShow"})
    form->AddEvent(name, TsxNotifyEvent);
  form->AddEvent("OnClose", TsxCloseEvent);
  form->AddEvent("OnCloseQuery", TsxCloseQueryEvent);
  form->AddProperty("Canvas", "TCanvas",
                    Getter<TCustomForm>([](TCustomForm& self) { return sxObjectToValue(self.Canvas()); }), nullptr);
  form->AddProperty("ModalResult", "Integer",
                    Getter<TCustomForm>([](TCustomForm& self) { return Variant(static_cast<Integer>(self.ModalResult())); }),
                    Setter<TCustomForm>([](TCustomForm& self, const Variant& v) { self.SetModalResult(v.ToInteger()); }));
  s.AddClass(TForm::StaticClass(), "TCustomForm");
  s.AddClass(TDataModule::StaticClass(), "TComponent");

  TsxClassVariable* app = s.AddClass(TApplication::StaticClass(), "TComponent");
  app->AddMethod("procedure Minimize", Method<TApplication>([](TApplication& self, Caller&) { self.Minimize(); }));
  app->AddMethod("procedure ProcessMessages",
                 Method<TApplication>([](TApplication& self, Caller&) { self.ProcessMessages(); }));
  app->AddMethod("procedure Restore", Method<TApplication>([](TApplication& self, Caller&) { self.Restore(); }));
  app->AddProperty("ExeName", "String", Getter<TApplication>([](TApplication& self) { return Variant(self.ExeName()); }),
                   nullptr);
  s.AddObject("Application", Application.operator->());
}

}  // namespace orv
