#include "report/model/ReportBindings.h"

#include <cmath>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"
#include "report/model/Bands.h"
#include "report/model/Cursors.h"
#include "report/model/Interfaces.h"
#include "report/model/Report.h"
#include "report/model/ReportBindingsSupport.h"
#include "report/model/ReportOptions.h"
#include "report/model/Styles.h"
#include "report/model/Variables.h"
#include "script/Script.h"

namespace orv {

using namespace kvxbind;

void kvxAddReportBindings() {
  sxAddRTTIModule("kvxReportFunctions",
                  [](TsxScript* script) -> std::unique_ptr<TsxRTTIModule> { return std::make_unique<TkvxReportFunctions>(script); });
}

namespace {
const bool registered = (kvxAddReportBindings(), true);
}  // namespace

TkvxReportFunctions::TkvxReportFunctions(TsxScript* script) : TsxRTTIModule(script) {
  AddConstants();
  AddEnumerations();
  AddObjectClasses();
  AddReportClasses();
  AddFunctions();
}

void TkvxReportFunctions::AddConstants() {
  TsxScript& s = *Script;
  s.AddConst("kv01cm", "Extended", Variant(3.77953));
  s.AddConst("kv1cm", "Extended", Variant(37.7953));
  s.AddConst("kv01in", "Extended", Variant(9.6));
  s.AddConst("kv1in", "Extended", Variant(96.0));
  s.AddConst("kv1CharX", "Extended", Variant(9.6));
  s.AddConst("kv1CharY", "Extended", Variant(17.0));
  s.AddConst("clTransparent", "Integer", Variant(Integer{0x1FFFFFFF}));
  s.AddConst("crHand", "Integer", Variant(Integer{crHand}));
  s.AddConst("crZoom", "Integer", Variant(Integer{crZoom}));
  s.AddConst("crFormat", "Integer", Variant(Integer{crFormat}));
}

void TkvxReportFunctions::AddEnumerations() {
  TsxScript& s = *Script;
  s.AddEnum("TkvxStretchMode", "smDontStretch, smActualHeight, smMaxHeight");
  s.AddEnum("TkvxShiftMode", "smDontShift, smAlways, smWhenOverlapped");
  s.AddEnum("TkvxDuplexMode", "dmNone, dmVertical, dmHorizontal, dmSimplex");
  s.AddEnum("TkvxAlign", "baNone, baLeft, baRight, baCenter, baWidth, baBottom");
  s.AddEnum("TkvxFrameStyle", "fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble");
  s.AddEnumSet("TkvxFrameTypes", "ftLeft, ftRight, ftTop, ftBottom");
  s.AddEnum("TkvxHAlign", "haLeft, haRight, haCenter, haBlock");
  s.AddEnum("TkvxVAlign", "vaTop, vaBottom, vaCenter");
  s.AddEnumSet("TkvxRestrictions", "rfDontModify, rfDontSize, rfDontMove, rfDontDelete");
  s.AddEnum("TkvxShapeKind", "skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2");
  // The names stand in the order of the set's own members, so each name is the bit the
  // preview options really test.
  s.AddEnumSet("TkvxPreviewButtons",
               "pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbOutline, pbPageSetup, pbTools, pbEdit, "
               "pbNavigator, pbExportQuick, pbNoClose, pbNoFullScreen, pbNoEmail");
  s.AddEnum("TkvxZoomMode", "zmDefault, zmWholePage, zmPageWidth, zmManyPages");
  s.AddEnum("TkvxPrintPages", "ppAll, ppOdd, ppEven");
  s.AddEnumSet("TkvxDMPFontStyles",
               "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, fsx12cpi, fsx15cpi");
  s.AddEnum("TkvxRangeBegin", "rbFirst, rbCurrent");
  s.AddEnum("TkvxRangeEnd", "reLast, reCurrent, reCount");
  s.AddEnum("TkvxFieldType", "fftNumeric, fftString, fftBoolean");
  s.AddEnum("TkvxFormatKind", "fkText, fkNumeric, fkDateTime, fkBoolean");
}

namespace {

// Variables are named by text, array entries by any value.
String KeyOf(const Variant& key, const TkvxVariables*) { return key.ToString(); }
const Variant& KeyOf(const Variant& key, const TkvxArray*) { return key; }

template <class T>
void AddVariablesClass(TsxScript& s, const String& keyType) {
  TsxClassVariable* cls = s.AddClass(T::StaticClass(), "TCollection");
  cls->AddConstructor("constructor Create",
                      [](TObject*, TClass, const String&, Caller&) { return Handle(new T()); });
  cls->AddDefaultProperty("Variables", keyType, "Variant",
                          Indexed<T>([](T& self, Caller& c) { return self.GetVariable(KeyOf(c.GetParamValue(0), &self)); },
                                     [](T& self, Caller& c, const Variant& v) { self.SetVariable(KeyOf(c.GetParamValue(0), &self), v); }),
                          false);
}

}  // namespace

void TkvxReportFunctions::AddReportClasses() {
  TsxScript& s = *Script;
  s.AddClass(TkvxEngineOptions::StaticClass(), "TPersistent")
      ->AddProperty("DestroyForms", "Boolean",
                    Getter<TkvxEngineOptions>([](TkvxEngineOptions& o) { return Variant(o.DestroyForms); }),
                    Setter<TkvxEngineOptions>([](TkvxEngineOptions& o, const Variant& v) { o.DestroyForms = v.ToBoolean(); }));
  for (TClass cls : {TkvxPrintOptions::StaticClass(), TkvxPreviewOptions::StaticClass(), TkvxReportOptions::StaticClass()})
    s.AddClass(cls, "TPersistent");

  s.AddClass(TkvxVariable::StaticClass(), "TCollectionItem");
  AddVariablesClass<TkvxVariables>(s, "String");

  s.AddClass(TkvxStyleItem::StaticClass(), "TCollectionItem");
  TsxClassVariable* styles = s.AddClass(TkvxStyles::StaticClass(), "TCollection");
  styles->AddConstructor("constructor Create(AReport: TkvxReport)", [](TObject*, TClass, const String&, Caller& c) {
    return Handle(new TkvxStyles(ObjectArg<TkvxReport>(c, 0)));
  });
  // Assigning an item copies the given style into the one at that index.
  styles->AddDefaultProperty(
      "Items", "Integer", "TkvxStyleItem",
      Indexed<TkvxStyles>([](TkvxStyles& self, Caller& c) { return Handle(self.Items(IntArg(c, 0))); },
                          [](TkvxStyles& self, Caller& c, const Variant& v) {
                            self.Items(IntArg(c, 0))->Assign(&Self<TkvxStyleItem>(sxValueToObject(v)));
                          }),
      false);
  styles->AddMethod("function Add: TkvxStyleItem", Method<TkvxStyles>([](TkvxStyles& self, Caller&) { return Handle(self.Add()); }));
  styles->AddMethod("function Find(const Name: String): TkvxStyleItem",
                    Method<TkvxStyles>([](TkvxStyles& self, Caller& c) { return Handle(self.Find(TextArg(c, 0))); }));
  styles->AddMethod("procedure Apply", Proc<TkvxStyles>([](TkvxStyles& self, Caller&) { self.Apply(); }));
  styles->AddMethod("procedure GetList(List: TStrings)",
                    Proc<TkvxStyles>([](TkvxStyles& self, Caller& c) { self.GetList(*ObjectArg<TStrings>(c, 0)); }));
  styles->AddMethod("procedure LoadFromFile(const FileName: String)",
                    Proc<TkvxStyles>([](TkvxStyles& self, Caller& c) { self.LoadFromFile(TextArg(c, 0)); }));
  styles->AddMethod("procedure LoadFromStream(Stream: TStream)",
                    Proc<TkvxStyles>([](TkvxStyles& self, Caller& c) { self.LoadFromStream(*ObjectArg<TStream>(c, 0)); }));
  styles->AddMethod("procedure SaveToFile(const FileName: String)",
                    Proc<TkvxStyles>([](TkvxStyles& self, Caller& c) { self.SaveToFile(TextArg(c, 0)); }));
  styles->AddMethod("procedure SaveToStream(Stream: TStream)",
                    Proc<TkvxStyles>([](TkvxStyles& self, Caller& c) { self.SaveToStream(*ObjectArg<TStream>(c, 0)); }));

  AddVariablesClass<TkvxArray>(s, "Variant");
  s.AddObject("kvxGlobalVariables", kvxGlobalVariables());

  TsxClassVariable* report = s.AddClass(TkvxReport::StaticClass(), "TkvxComponent");
  report->AddMethod("function Calc(const Expr: String): Variant",
                    Method<TkvxReport>([](TkvxReport& self, Caller& c) { return self.Calc(TextArg(c, 0), nullptr, true); }));
  report->AddMethod("function GetDataset(const Alias: String): TkvxDataset",
                    Method<TkvxReport>([](TkvxReport& self, Caller& c) { return Handle(self.GetDataset(TextArg(c, 0))); }));
  report->AddMethod("function LoadFromFile(const FileName: String): Boolean",
                    Method<TkvxReport>([](TkvxReport& self, Caller& c) {
                      // Loading empties the report first, also when the file is missing.
                      self.RefuseWhileInUse("load a report");
                      return Variant(self.LoadFromFile(TextArg(c, 0), false));
                    }));
  report->AddMethod("procedure SaveToFile(const FileName: String)",
                    Proc<TkvxReport>([](TkvxReport& self, Caller& c) { self.SaveToFile(TextArg(c, 0)); }));
  // A second run of the report inside its own would rebuild the tree and the script in use.
  report->AddMethod("procedure ShowReport", Proc<TkvxReport>([](TkvxReport& self, Caller&) {
                      self.RefuseWhileInUse("show the report");
                      self.ShowReport(true);
                    }));
  report->AddProperty("Terminated", "Boolean", Getter<TkvxReport>([](TkvxReport& r) { return Variant(r.Terminated); }),
                      Setter<TkvxReport>([](TkvxReport& r, const Variant& v) { r.SetTerminated(v.ToBoolean()); }));
  report->AddProperty("Variables", "TkvxVariables",
                      Getter<TkvxReport>([](TkvxReport& r) { return Handle(r.Variables.get()); }), nullptr);
  report->AddProperty("Styles", "TkvxStyles", Getter<TkvxReport>([](TkvxReport& r) { return Handle(r.Styles.get()); }),
                      nullptr);

  TsxClassVariable* engine = s.AddClass(TkvxCustomEngine::StaticClass(), "TPersistent");
  engine->AddMethod("procedure NewPage", Proc<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller&) { e.NewPage(); }));
  engine->AddMethod("procedure NewColumn", Proc<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller&) { e.NewColumn(); }));
  engine->AddMethod("procedure ShowBand(Band: TkvxBand)",
                    Proc<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller& c) { e.ShowBand(ObjectArg<TkvxBand>(c, 0)); }));
  engine->AddMethod("procedure StopReport", Proc<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller&) { e.StopReport(); }));
  engine->AddMethod("function FreeSpace: Extended",
                    Method<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller&) { return Variant(static_cast<double>(e.FreeSpace())); }));
  engine->AddMethod("procedure AddAnchor(const Text: String)", Proc<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller& c) {
                      if (e.PreviewPages) e.PreviewPages->AddAnchor(TextArg(c, 0));
                    }));
  engine->AddMethod("function GetAnchorPage(const Text: String): Integer",
                    Method<TkvxCustomEngine>([](TkvxCustomEngine& e, Caller& c) {
                      return Variant(e.PreviewPages ? e.PreviewPages->GetAnchorPage(TextArg(c, 0)) : 1);
                    }));

  TsxClassVariable* outline = s.AddClass(TkvxCustomOutline::StaticClass(), "TPersistent");
  outline->AddMethod("procedure AddItem(const Text: String)", Proc<TkvxCustomOutline>([](TkvxCustomOutline& o, Caller& c) {
                       TkvxCustomEngine* engine = o.GetEngine();
                       o.AddItem(TextArg(c, 0), engine ? static_cast<Integer>(std::lround(engine->CurY)) : 0);
                     }));
  outline->AddMethod("procedure LevelRoot", Proc<TkvxCustomOutline>([](TkvxCustomOutline& o, Caller&) { o.LevelRoot(); }));
  outline->AddMethod("procedure LevelUp", Proc<TkvxCustomOutline>([](TkvxCustomOutline& o, Caller&) { o.LevelUp(); }));
}

void TkvxReportFunctions::AddFunctions() {
  TsxScript& s = *Script;
  // The parts come from the date itself, not from a text formatted in the user's locale.
  auto datePart = [](int part) {
    return [part](TObject*, TClass, const String&, Caller& c) -> Variant {
      Word year = 0, month = 0, day = 0;
      DecodeDate(c.GetParamValue(0).ToDateTime(), year, month, day);
      return Variant(Integer{part == 0 ? day : part == 1 ? month : year});
    };
  };
  s.AddMethod("function DayOf(Date: TDateTime): Integer", datePart(0), "ctDate");
  s.AddMethod("function MonthOf(Date: TDateTime): Integer", datePart(1), "ctDate");
  s.AddMethod("function YearOf(Date: TDateTime): Integer", datePart(2), "ctDate");
  // Declared here so every script lists them; the report's own script declares them again bound
  // to the report, and that later entry is the one found.
  auto none = [](TObject*, TClass, const String&, Caller&) { return Variant(Integer{0}); };
  s.AddMethod("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", none, "ctOther");
  s.AddMethod("function SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", none, "ctAggregate");
  s.AddMethod("function AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", none, "ctAggregate");
  s.AddMethod("function MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", none, "ctAggregate");
  s.AddMethod("function MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", none, "ctAggregate");
  s.AddMethod("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", none, "ctAggregate");
}

}  // namespace orv
