// Freed native objects: a script that frees what a native owner holds, or keeps using what was
// freed, gets an error, never a dangling pointer. Meant to run under AddressSanitizer too.
#include <gtest/gtest.h>

#include <set>

#include "platform/rtl/TextUtils.h"
#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

struct TGetter {
  String Name;
  bool ReturnsObject;
};

// Every plain property of the class and its ancestors, as the class binding lists them.
std::vector<TGetter> GettersOf(TsxScript& script, TsxClassVariable* cls) {
  std::vector<TGetter> getters;
  std::set<String> seen;
  for (; cls; cls = script.FindClass(cls->AncestorName)) {
    for (int i = 0; i < cls->MemberCount(); ++i) {
      TsxCustomHelper* member = cls->Members(i);
      if (member->Kind != TsxItemKind::Property || !seen.insert(UpperCase(member->Name())).second) continue;
      getters.push_back({member->Name(), member->Typ == fvtClass});
    }
    if (cls->AncestorName.empty()) break;
  }
  return getters;
}

// "TFoo.Create" or "TFoo.Create(nil)"; empty for constructors that need other arguments.
String Construction(TsxClassVariable* cls) {
  TsxCustomHelper* ctor = cls->Find("Create");
  if (!ctor || ctor->Typ != fvtConstructor) return String();
  if (ctor->Count() == 0) return cls->Name() + ".Create";
  if (ctor->Count() == 1 && ctor->Params(0)->Typ == fvtClass) return cls->Name() + ".Create(nil)";
  return String();
}

test::TRunResult RunProgram(const String& text) { return test::Run("PascalScript", text); }

TEST(ScriptFreedObjects, EveryGetterRunsAfterEachObjectAGetterReturnsIsFreed) {
  auto probe = test::NewScript("PascalScript", "");
  int programs = 0;
  for (int i = 0; i < probe->Count(); ++i) {
    TsxCustomVariable* item = probe->GetItem(i);
    if (item->Kind != TsxItemKind::Class) continue;
    auto* cls = static_cast<TsxClassVariable*>(item);
    const String made = Construction(cls);
    if (made.empty()) continue;
    const std::vector<TGetter> getters = GettersOf(*probe, cls);
    String readAll;
    for (const TGetter& g : getters) readAll += "  try v := o." + g.Name + "; except end;\n";
    for (const TGetter& freed : getters) {
      if (!freed.ReturnsObject) continue;
      SCOPED_TRACE(cls->Name() + "." + freed.Name);
      // Freeing the part, then every getter of the whole, then the whole and the part again.
      // An abstract class is not made; its getters then meet nil.
      const String text = "var o: " + cls->Name() + "; v, part: Variant;\nbegin\n  try o := " + made +
                          "; except end;\n  try part := o." + freed.Name + "; except end;\n  try TObject(part).Free; except end;\n" +
                          readAll + "  try o.Free; except end;\n  try TObject(part).ClassName; except end;\n" +
                          "  try TObject(part).Free; except end;\n  ShowMessage('done');\nend.";
      const test::TRunResult r = RunProgram(text);
      ASSERT_TRUE(r.Compiled) << r.CompileError << " at " << r.CompilePos << "\n" << text;
      EXPECT_EQ(r.RunError, "") << text;
      EXPECT_EQ(r.Lines, std::vector<String>{"done"});
      ++programs;
    }
  }
  EXPECT_GT(programs, 20);
}

// The programs that used to end in a signal: each ends with a refusal or a stale reference.
TEST(ScriptFreedObjects, WhatTheProgramHoldsIsNotFreedAndStaleReferencesRaise) {
  const std::vector<std::pair<String, String>> cases = {
      {"var b: TBitmap; begin b := TBitmap.Create; b.Width := 4; b.Height := 4; b.Canvas.Free; "
       "b.Canvas.Pixels[1, 1] := clRed; end.", "Cannot free TCanvas"},
      {"var f: TForm; cb: TComboBox; begin f := TForm.Create(nil); cb := TComboBox.Create(f); cb.Items.Free; "
       "cb.Items.Add('x'); end.", "Cannot free TStrings"},
      {"var f: TForm; m: TMemo; begin f := TForm.Create(nil); m := TMemo.Create(f); m.Lines.Free; end.",
       "Cannot free TStrings"},
      {"var f: TForm; begin f := TForm.Create(nil); f.Font.Free; f.Show; end.", "Cannot free TFont"},
      {"var f: TForm; begin f := TForm.Create(nil); f.Canvas.Free; f.Free; end.", "Cannot free TCanvas"},
      {"begin Application.Free; end.", "Cannot free TApplication"},
      {"var b: TBitmap; begin b := TBitmap.Create; b.Canvas.Font.Free; b.Canvas.TextOut(1, 1, 'x'); end.",
       "Cannot free TFont"},
      {"var l: TList; o: TObject; begin l := TList.Create; o := TObject.Create; l.Add(o); o.Free; "
       "ShowMessage(TObject(l[0]).ClassName); end.", "Invalid object reference"},
      {"var l: TStringList; o: TObject; begin l := TStringList.Create; o := TObject.Create; l.AddObject('a', o); "
       "o.Free; ShowMessage(TObject(l.Objects[0]).ClassName); end.", "Invalid object reference"},
      {"var m: TMetafile; c: TMetafileCanvas; begin m := TMetafile.Create; c := TMetafileCanvas.Create(m, 0); "
       "m.Free; c.MoveTo(1, 1); end.", "Cannot free TMetafile"},
      {"var f: TForm; b: TButton; begin f := TForm.Create(nil); b := TButton.Create(f); f.Free; b.Caption := 'x'; "
       "end.", "Invalid object reference"},
  };
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text);
    const test::TRunResult r = RunProgram(text);
    ASSERT_TRUE(r.Compiled) << r.CompileError << " at " << r.CompilePos;
    EXPECT_NE(r.RunError.find(error), String::npos) << r.RunError;
  }
  // What a script made itself it frees, also a component with an owner, also after its canvas
  // is released.
  const test::TRunResult r = RunProgram(
      "var f: TForm; b: TButton; m: TMetafile; c: TMetafileCanvas;\nbegin\n  f := TForm.Create(nil);\n"
      "  b := TButton.Create(f);\n  b.Free;\n  f.Free;\n  m := TMetafile.Create;\n"
      "  c := TMetafileCanvas.Create(m, 0);\n  c.Free;\n  m.Free;\n  ShowMessage('freed');\nend.");
  EXPECT_EQ(r.RunError, "");
  EXPECT_EQ(r.Lines, std::vector<String>{"freed"});
}

}  // namespace
}  // namespace orv
