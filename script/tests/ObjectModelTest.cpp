// The object model: item tables and scopes, registration calls, native classes with published,
// callback and indexed properties, constructors, late-bound members, automation objects, object
// handles, and the declaration-string reader with the type rules.
#include <gtest/gtest.h>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TextUtils.h"
#include "platform/rtl/TypInfo.h"
#include "script/MethodSyntax.h"
#include "script/tests/RunTestUtils.h"

namespace orv {

// A component with published properties of several kinds, as the bindings meet them.
class TScriptSample : public TComponent {
  ORV_CLASS(TScriptSample, TComponent)
 public:
  explicit TScriptSample(TComponent* owner) : TComponent(owner) {}
  String Caption() const { return caption_; }
  void SetCaption(String v) { caption_ = std::move(v); }
  Integer Count() const { return count_; }
  void SetCount(Integer v) { count_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  std::vector<String> Items;

 private:
  String caption_;
  Integer count_ = 0;
  bool enabled_ = false;
  double ratio_ = 0;
};

class TScriptSampleChild : public TScriptSample {
  ORV_CLASS(TScriptSampleChild, TScriptSample)
 public:
  using TScriptSample::TScriptSample;
};

ORV_IMPLEMENT_CLASS(TScriptSample, c) {
  c.Prop("Caption", &TScriptSample::Caption, &TScriptSample::SetCaption);
  c.Prop("Count", &TScriptSample::Count, &TScriptSample::SetCount);
  c.Prop("Enabled", &TScriptSample::Enabled, &TScriptSample::SetEnabled);
  c.Prop("Ratio", &TScriptSample::Ratio, &TScriptSample::SetRatio);
}
ORV_IMPLEMENT_CLASS(TScriptSampleChild, c) { (void)c; }

namespace {

using L = std::vector<String>;

// Registers TScriptSample and its child as a binding module would.
void RegisterSample(TsxScript& script, std::vector<String>* calls = nullptr) {
  TsxClassVariable* object = script.AddClass(TObject::StaticClass(), "");
  object->AddMethod("procedure Free", [](TObject* instance, TClass, const String&, TsxMethodHelper&) {
    if (instance) instance->Free();
    return Variant();
  });
  script.AddClass(TPersistent::StaticClass(), "TObject");
  script.AddClass(TComponent::StaticClass(), "TPersistent");
  TsxClassVariable* sample = script.AddClass(TScriptSample::StaticClass(), "TComponent");
  sample->AddConstructor("constructor Create(AOwner: TComponent)",
                         [](TObject*, TClass cls, const String&, TsxMethodHelper&) {
                           TObject* made = cls == TScriptSampleChild::StaticClass()
                                               ? new TScriptSampleChild(nullptr)
                                               : new TScriptSample(nullptr);
                           return sxObjectToValue(made);
                         });
  sample->AddMethod("function Describe(Prefix: String): String",
                    [calls](TObject* instance, TClass cls, const String& name, TsxMethodHelper& c) {
                      if (calls) calls->push_back(name + " " + cls->ClassName());
                      auto* s = static_cast<TScriptSample*>(instance);
                      return Variant(c.GetParamValue(0).ToString() + s->Caption());
                    });
  sample->AddProperty("Doubled", "Integer",
                      [](TObject* instance, TClass, const String&) {
                        return Variant(static_cast<TScriptSample*>(instance)->Count() * 2);
                      },
                      nullptr);
  sample->AddDefaultProperty("Items", "Integer", "String",
                             [calls](TObject* instance, TClass, const String& name, TsxMethodHelper& c) {
                               if (calls) calls->push_back(name);
                               auto* s = static_cast<TScriptSample*>(instance);
                               const size_t i = static_cast<size_t>(c.GetParamValue(0).ToInteger());
                               if (s->Items.size() <= i) s->Items.resize(i + 1);
                               if (name == "ITEMS.SET") s->Items[i] = c.GetParamValue(c.Count()).ToString();
                               return Variant(s->Items[i]);
                             },
                             false);
  script.AddClass(TScriptSampleChild::StaticClass(), "TScriptSample");
}

test::TRunResult RunWithSample(const String& dialect, const String& text, std::vector<String>* calls = nullptr) {
  auto script = test::NewScript(dialect, text);
  RegisterSample(*script, calls);
  return test::RunScript(*script);
}

TEST(ScriptObjectModel, ScopesFindTheNearestName) {
  TsxScript grand(nullptr), parent(nullptr), child(nullptr);
  grand.AddRTTI();
  parent.SetParent(&grand);
  child.SetParent(&parent);
  grand.AddVariable("Deep", "Variant", Variant(1));
  parent.AddVariable("Near", "Variant", Variant(2));
  child.AddVariable("near", "Variant", Variant(3));
  EXPECT_EQ(child.Find("deep"), grand.FindLocal("Deep"));
  EXPECT_EQ(child.FindLocal("Deep"), nullptr);
  // A name visible through a parent is not added again.
  EXPECT_EQ(child.Find("NEAR")->Value.ToInteger(), 2);
  EXPECT_EQ(child.FindLocal("near"), nullptr);
  // AddVariable skips a name visible through a parent; SetVariable creates a Variant.
  child.AddVariable("Deep", "Variant", Variant(9));
  EXPECT_EQ(child.FindLocal("Deep"), nullptr);
  child.SetVariable("Fresh", Variant("x"));
  EXPECT_EQ(child.FindLocal("fresh")->Value.ToString(), "x");
  EXPECT_EQ(child.FindLocal("fresh")->Typ, fvtVariant);
}

// A name added again is the one found; by position the items come in name order, blind to
// case, the later of equal names first; taking an item out finds the one added before it again.
// Checked against a plain list kept by those rules through adds, removals and owners' clears.
TEST(ScriptObjectModel, TheItemTableFindsTheLatestOfANameAndListsItemsByName) {
  TsxScript script(nullptr);
  struct Kept {
    String Key;
    TsxCustomVariable* Item;
    int Added;
    int Owner;
  };
  std::vector<Kept> model;
  const auto latest = [&](const String& key) -> TsxCustomVariable* {
    const Kept* best = nullptr;
    for (const Kept& k : model)
      if (k.Key == key && (!best || k.Added > best->Added)) best = &k;
    return best ? best->Item : nullptr;
  };
  const char* const names[] = {"alpha", "Beta", "ALPHA", "gamma", "beta", "Delta", "x", "X1", "x10", "X2"};
  int owners[2] = {0, 0};
  unsigned seed = 45;
  const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  for (int round = 0; round < 3000; ++round) {
    const unsigned kind = next() % 20;
    if (kind < 14 || model.empty()) {
      const String name = names[next() % 10];
      const int owner = static_cast<int>(next() % 2);
      script.AddedBy = &owners[owner];
      TsxCustomVariable* item = script.Add(name, std::make_unique<TsxVariable>(name, fvtVariant));
      script.AddedBy = nullptr;
      model.push_back({UpperCase(name), item, round, owner});
    } else if (kind < 19) {
      const size_t at = next() % model.size();
      EXPECT_NE(script.Remove(model[at].Item), nullptr);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
      const int owner = static_cast<int>(next() % 2);
      script.ClearItems(&owners[owner]);
      std::erase_if(model, [owner](const Kept& k) { return k.Owner == owner; });
    }
    for (const char* name : names) ASSERT_EQ(script.FindLocal(name), latest(UpperCase(name))) << round << " " << name;
    if (round % 100 == 0) {
      std::vector<Kept> sorted = model;
      std::sort(sorted.begin(), sorted.end(),
                [](const Kept& a, const Kept& b) { return a.Key != b.Key ? a.Key < b.Key : a.Added > b.Added; });
      ASSERT_EQ(script.Count(), static_cast<int>(sorted.size()));
      for (int i = 0; i < script.Count(); ++i) ASSERT_EQ(script.GetItem(i), sorted[static_cast<size_t>(i)].Item) << round;
    }
  }
}

TEST(ScriptObjectModel, EnumerationsSetsAndConstants) {
  TsxScript script(nullptr);
  script.AddRTTI();
  script.AddEnum("TKind", "kA, kB, kC");
  script.AddEnumSet("TFlags", "a, b, c");
  EXPECT_EQ(script.Find("kC")->Value.ToInteger(), 2);
  EXPECT_EQ(script.Find("c")->Value.ToInteger(), 4);
  EXPECT_EQ(script.Find("b")->Typ, fvtEnum);
  script.AddConst("Limit", "Integer", Variant(3.7));
  TsxCustomVariable* limit = script.Find("Limit");
  EXPECT_EQ(limit->Value.ToInteger(), 4);
  limit->SetValue(Variant(10));
  EXPECT_EQ(limit->Value.ToInteger(), 4);
}

TEST(ScriptObjectModel, ClearKeepsTheModulesAndClearItemsOneOwner) {
  TsxScript script(nullptr);
  script.AddRTTI();
  const int items = script.Count();
  script.AddRTTI();
  EXPECT_EQ(script.Count(), items);
  int owner = 0;
  script.AddVariable("Mine", "Variant", Variant(1));
  script.AddedBy = &owner;
  script.AddVariable("Owned", "Variant", Variant(2));
  script.AddedBy = nullptr;
  script.ClearItems(&owner);
  EXPECT_EQ(script.Find("Owned"), nullptr);
  EXPECT_NE(script.Find("Mine"), nullptr);
  script.Clear();
  EXPECT_EQ(script.Find("Mine"), nullptr);
  for (const char* name : {"ShowMessage", "True", "False", "nil", "Null", "Integer"})
    EXPECT_NE(script.Find(name), nullptr) << name;
  script.ClearRTTI();
  EXPECT_EQ(script.Find("ShowMessage"), nullptr);
}

TEST(ScriptObjectModel, VariablesConvertAndAskTheirHook) {
  TsxScript script(nullptr);
  script.AddRTTI();
  script.OnGetVarValue = [](const String& name, TsxVarType, const Variant&) {
    return name == "Hooked" ? Variant("from host") : Null();
  };
  script.AddVariable("Hooked", "Variant", Variant(1));
  script.AddVariable("Plain", "Integer", Variant(5));
  EXPECT_EQ(script.Find("Hooked")->GetValue().ToString(), "from host");
  EXPECT_EQ(script.Find("Plain")->GetValue().ToInteger(), 5);
  TsxVariable flag("f", fvtBool);
  flag.SetValue(Variant(1));
  EXPECT_EQ(flag.Value.VType(), varBoolean);
}

TEST(ScriptObjectModel, AssignmentsReadAHookedVariableThroughItsHook) {
  // The host answers 100 while Counter holds 5 and leaves every other value alone.
  auto script = test::NewScript("PascalScript",
                                "var Taken: Integer;\nbegin\n  Counter := 5;\n  Taken := Counter;\n"
                                "  Counter := Counter + 1;\n  ShowMessage(IntToStr(Taken) + ' ' + IntToStr(Counter));\n"
                                "  Counter := Counter - 1;\n  Counter := Counter * 2;\n  ShowMessage(Counter);\nend.");
  script->OnGetVarValue = [](const String& name, TsxVarType, const Variant& old) {
    return name == "Counter" && old.ToInteger() == 5 ? Variant(100) : Null();
  };
  script->AddVariable("Counter", "Integer", Variant(0));
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_EQ(r.Lines, (L{"100 101", "200"})) << r.CompileError << r.RunError;
}

TEST(ScriptObjectModel, NativeClassesThroughEveryDialect) {
  std::vector<String> calls;
  const test::TRunResult pas = RunWithSample(
      "PascalScript",
      "var s: TScriptSample;\nbegin\n  s := TScriptSample.Create(nil);\n  s.Caption := 'วัด';\n  s.Count := 21;\n"
      "  s.Enabled := True;\n  s.Ratio := 0.5;\n  s[2] := 'two';\n  s.Items[0] := 'zero';\n"
      "  ShowMessage(s.Describe('ที่ ') + ' ' + IntToStr(s.Doubled) + ' ' + VarToStr(s.Enabled) + ' ' +\n"
      "    FloatToStr(s.Ratio) + ' ' + s[2] + s.Items[0]);\n  with s do ShowMessage(Caption + IntToStr(Count));\n"
      "  s.Free;\nend.",
      &calls);
  EXPECT_EQ(pas.Lines, (L{"ที่ วัด 42 True 0.5 twozero", "วัด21"})) << pas.CompileError << pas.RunError;
  EXPECT_EQ(calls, (L{"ITEMS.SET", "ITEMS.SET", "DESCRIBE TScriptSample", "ITEMS.GET", "ITEMS.GET"}));
  // Variables without a type reach members late, by the object they hold when the line runs.
  const test::TRunResult js = RunWithSample(
      "JScript",
      "var s = new TScriptSampleChild(nil);\ns.Caption = \"x\";\ns.Count = s.Count + 4;\n"
      "ShowMessage(s.Describe(\">\") + IntToStr(s.Count));\nShowMessage(s is TScriptSample);\ns.Free();");
  EXPECT_EQ(js.Lines, (L{">x4", "True"})) << js.CompileError << js.RunError;
  const test::TRunResult bas = RunWithSample(
      "BasicScript", "Dim s\nSet s = New TScriptSample(nil)\ns.Caption = \"b\"\nShowMessage(s.Describe(\"a\"))\ns.Free\n");
  EXPECT_EQ(bas.Lines, (L{"ab"})) << bas.CompileError << bas.RunError;
}

TEST(ScriptObjectModel, ObjectReferencesAreCheckedHandles) {
  // Freed objects, made-up numbers and texts used as objects fail with one message.
  for (const String& text : {String("var s: TScriptSample;\nbegin\n  s := TScriptSample.Create(nil);\n  s.Free;\n"
                                    "  s.Caption := 'x';\nend."),
                             String("var v: Variant;\nbegin\n  v := 987654;\n  v.Caption := 'x';\nend."),
                             String("var v: TScriptSample;\nbegin\n  v := TScriptSample(777);\n  ShowMessage(v.Caption);\nend.")}) {
    const test::TRunResult r = RunWithSample("PascalScript", text);
    EXPECT_TRUE(r.Compiled) << r.CompileError;
    EXPECT_EQ(r.RunError, "Invalid object reference") << text;
  }
  // A published property of nil has no object to read.
  const test::TRunResult nilRead = RunWithSample("PascalScript",
                                                 "var s: TScriptSample;\nbegin\n  ShowMessage(s.Caption);\nend.");
  EXPECT_EQ(nilRead.RunError, "Invalid object reference");
  // A class name alone is no value.
  const test::TRunResult bare = RunWithSample("PascalScript", "var v: Variant;\nbegin\n  v := TScriptSample;\nend.");
  EXPECT_NE(bare.RunError, "");
  const test::TRunResult missing = RunWithSample("PascalScript", "var s: TScriptSample;\nbegin\n  s.Nothing := 1;\nend.");
  EXPECT_EQ(missing.CompileError, "Undeclared identifier: 'Nothing'");
  const test::TRunResult lateMissing = RunWithSample(
      "JScript", "var s = new TScriptSample(nil);\ntry { s.Nothing = 1; } finally { s.Free(); }");
  EXPECT_EQ(lateMissing.RunError, "Undeclared identifier: 'Nothing'");
  const test::TRunResult extra = RunWithSample(
      "JScript", "var s = new TScriptSample(nil);\ntry { s.Describe(\"a\", 2); } finally { s.Free(); }");
  EXPECT_EQ(extra.RunError, "Too many actual parameters");
}

TEST(ScriptObjectModel, AClassRegisteredTwiceKeepsItsFirstRegistration) {
  TsxScript script(nullptr);
  script.AddRTTI();
  RegisterSample(script);
  TsxClassVariable* first = script.FindClass("TScriptSample");
  // The second registration reaches the first, so members it adds land there.
  TsxClassVariable* again = script.AddClass(TScriptSample::StaticClass(), "TComponent");
  ASSERT_EQ(again, first);
  again->AddMethod("function Extra: Integer", [](TObject*, TClass, const String&, TsxMethodHelper&) {
    return Variant(5);
  });
  EXPECT_EQ(script.FindClass("TScriptSample"), first);
  EXPECT_NE(first->Find("Extra"), nullptr);
  EXPECT_NE(first->Find("Describe"), nullptr);
  EXPECT_NE(first->Find("Free"), nullptr);  // found through the ancestors' names
  // A non-form component adds nothing through AddForm.
  TScriptSample plain(nullptr);
  plain.SetName("Plain");
  script.AddForm(&plain);
  EXPECT_EQ(script.Find("Plain"), nullptr);
}

TEST(ScriptObjectModel, BuildingRunsNoScriptCode) {
  // The member after a function call is resolved when the line runs, not by calling F while
  // the program is built.
  auto script = test::NewScript("PascalScript",
                                "function F: Variant;\nbegin\n  ShowMessage('ran');\n  Result := 0;\nend;\n"
                                "begin\n  if False then F.Caption := 1;\nend.");
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_TRUE(r.Compiled) << r.CompileError;
  EXPECT_EQ(r.RunError, "");
  EXPECT_TRUE(r.Lines.empty());
}

TEST(ScriptObjectModel, PublishedBooleansReadAsBooleans) {
  TsxScript script(nullptr);
  script.AddRTTI();
  RegisterSample(script);
  TScriptSample sample(nullptr);
  sample.SetEnabled(true);
  script.AddObject("Sample", &sample);
  script.SetSyntaxType("PascalScript");
  script.Lines().SetText("begin\n  ShowMessage(IntToStr(VarType(Sample.Enabled)));\n  Sample.Count := 7;\nend.");
  const test::TRunResult r = test::RunScript(script);
  EXPECT_EQ(r.Lines, (L{"11"})) << r.CompileError << r.RunError;
  EXPECT_EQ(sample.Count(), 7);
}

// An automation object that records what it is asked.
class TRecordingDispatch : public IDispatch {
 public:
  std::vector<String> Log;
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    String entry = name + "/" + std::to_string(flags);
    for (const Variant& a : args) entry += " " + VarToStr(a);
    Log.push_back(entry);
    if (SameText(name, "Missing")) OleError(DISP_E_UNKNOWNNAME);
    if (SameText(name, "Sum")) return Variant(args[0].ToInteger() + args[1].ToInteger());
    return Variant("v");
  }
};

TEST(ScriptObjectModel, AutomationObjectsAreCalledByName) {
  auto disp = std::make_shared<TRecordingDispatch>();
  RegisterOleClass("Test.Recorder", [disp] { return disp; });
  const test::TRunResult r = test::Run(
      "JScript",
      "var o = CreateOleObject(\"Test.Recorder\");\nShowMessage(o.Sum(2, 3));\no.Title = \"t\";\n"
      "o.Cells(1, 2) = 5;\no.Run();\nShowMessage(o.Name);\no.Missing(1);");
  EXPECT_EQ(r.Lines, (L{"5", "v"}));
  EXPECT_EQ(disp->Log, (L{"Sum/3 2 3", "Title/4 t", "Cells/4 1 2 5", "Run/1", "Name/3", "Missing/1 1"}));
  EXPECT_EQ(r.RunError.rfind("OLE error 80020006: Missing: ", 0), 0u) << r.RunError;
}

TEST(ScriptObjectModel, DeclarationStringsAndTypeRules) {
  TsxScript script(nullptr);
  script.AddRTTI();
  TsxCustomVariable f(String(), fvtVariant);
  EXPECT_TRUE(sxParseMethodSyntax("function F(a, b: Integer = 3; var c: String; const d: Extended = -1.5): Boolean",
                                  &script, f));
  EXPECT_EQ(f.Name(), "F");
  EXPECT_EQ(f.Typ, fvtBool);
  ASSERT_EQ(f.Count(), 4);
  EXPECT_FALSE(f.Params(0)->IsOptional);
  EXPECT_TRUE(f.Params(1)->IsOptional);
  EXPECT_EQ(f.Params(1)->DefValue.ToInteger(), 3);
  EXPECT_TRUE(f.Params(2)->IsVarParam);
  EXPECT_EQ(f.Params(2)->Typ, fvtString);
  EXPECT_FALSE(f.Params(3)->IsVarParam);
  EXPECT_EQ(f.Params(3)->DefValue.ToDouble(), -1.5);
  EXPECT_EQ(f.GetNumberOfRequiredParams(), 2);
  TsxCustomVariable m(String(), fvtVariant);
  EXPECT_FALSE(sxParseMethodSyntax("macroprocedure Log(Text: String = 'x')", &script, m));
  EXPECT_TRUE(m.IsMacro);
  EXPECT_EQ(m.Params(0)->DefValue.ToString(), "x");

  const auto fits = [&](TsxVarType d, TsxVarType s, const String& dn = {}, const String& sn = {}) {
    return sxTypesCompatible({d, dn}, {s, sn}, &script);
  };
  EXPECT_TRUE(fits(fvtInt, fvtFloat));
  EXPECT_TRUE(fits(fvtInt, fvtEnum, "", "TKind"));
  EXPECT_TRUE(fits(fvtEnum, fvtInt, "TKind"));
  EXPECT_TRUE(fits(fvtEnum, fvtEnum, "TKind", "tkind"));
  EXPECT_FALSE(fits(fvtEnum, fvtEnum, "TKind", "TOther"));
  EXPECT_FALSE(fits(fvtBool, fvtInt));
  EXPECT_FALSE(fits(fvtConstructor, fvtVariant));
  TsxVariable i("i", fvtInt), x("x", fvtFloat);
  EXPECT_FALSE(sxVarsCompatible(i, x, &script));
  EXPECT_TRUE(sxVarsCompatible(x, i, &script));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(ScriptObjectModel, TheComponentPublishesItsTextAndEvents) {
  std::vector<String> names;
  for (const TPropInfo* prop : TsxScript::StaticClass()->Properties())
    if (prop->DeclaringClass() == TsxScript::StaticClass()) names.push_back(prop->Name());
  EXPECT_EQ(names, (std::vector<String>{"Lines", "SyntaxType", "OnGetILUnit", "OnGetUnit", "OnRunLine",
                                        "OnGetVarValue"}));
  TsxScript script(nullptr);
  TStringList text;
  text.SetText("begin\nend.");
  const TPropInfo* lines = TsxScript::StaticClass()->FindProperty("Lines");
  lines->SetObject(&script, &text);
  EXPECT_EQ(script.Lines().Text(), text.Text());
  EXPECT_NE(lines->GetObject(&script), &text);
  const TPropInfo* runLine = TsxScript::StaticClass()->FindProperty("OnRunLine");
  ASSERT_EQ(runLine->Kind(), tkMethod);
  TsxRunLineEvent handler;
  handler = [](TsxScript&, const String&, const String&) {};
  runLine->SetHandler(&script, std::any(handler));
  EXPECT_TRUE(static_cast<bool>(script.OnRunLine));
}

}  // namespace
}  // namespace orv
