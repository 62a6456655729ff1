#include <cmath>

#include "platform/gui/JPEGImage.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/List.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/StringList.h"
#include "png/PNGObject.h"
#include "report/model/Bands.h"
#include "report/model/DBDataset.h"
#include "report/model/DataSets.h"
#include "report/model/DialogControls.h"
#include "report/model/DialogPage.h"
#include "report/model/DotMatrix.h"
#include "report/model/Frame.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/PictureView.h"
#include "report/model/ReportBindings.h"
#include "report/model/Report.h"
#include "report/model/ReportBindingsSupport.h"
#include "report/model/ShapeView.h"
#include "report/model/WideStrings.h"
#include "script/Script.h"

namespace orv {

using namespace kvxbind;

namespace {

void AddWideStrings(TsxScript& s) {
  TsxClassVariable* ws = s.AddClass(TWideStrings::StaticClass(), "TPersistent");
  using W = TWideStrings;
  ws->AddConstructor("constructor Create", [](TObject*, TClass, const String&, Caller&) { return Handle(new W()); });
  ws->AddMethod("function Add(const S: string): Integer",
                Method<W>([](W& self, Caller& c) { return Variant(self.Add(WideArg(c, 0))); }));
  // The list keeps plain pointers; an object reaches it only from a script, so it has a handle,
  // and one freed since has lost it and reads back as nil.
  ws->AddMethod("function AddObject(const S: string; AObject: TObject): Integer", Method<W>([](W& self, Caller& c) {
                  return Variant(self.AddObject(WideArg(c, 0), sxValueToObject(c.GetParamValue(1))));
                }));
  ws->AddMethod("procedure Clear", Proc<W>([](W& self, Caller&) { self.Clear(); }));
  ws->AddMethod("procedure Delete(Index: Integer)", Proc<W>([](W& self, Caller& c) { self.Delete(IntArg(c, 0)); }));
  ws->AddMethod("function IndexOf(const S: string): Integer",
                Method<W>([](W& self, Caller& c) { return Variant(self.IndexOf(WideArg(c, 0))); }));
  ws->AddMethod("procedure Insert(Index: Integer; const S: string)",
                Proc<W>([](W& self, Caller& c) { self.Insert(IntArg(c, 0), WideArg(c, 1)); }));
  ws->AddMethod("procedure LoadFromFile(const FileName: string)",
                Proc<W>([](W& self, Caller& c) { self.LoadFromFile(TextArg(c, 0)); }));
  ws->AddMethod("procedure LoadFromStream(Stream: TStream)",
                Proc<W>([](W& self, Caller& c) { self.LoadFromStream(*ObjectArg<TStream>(c, 0)); }));
  ws->AddMethod("procedure SaveToFile(const FileName: string)",
                Proc<W>([](W& self, Caller& c) { self.SaveToFile(TextArg(c, 0)); }));
  ws->AddMethod("procedure SaveToStream(Stream: TStream)",
                Proc<W>([](W& self, Caller& c) { self.SaveToStream(*ObjectArg<TStream>(c, 0)); }));
  ws->AddProperty("Count", "Integer", Getter<W>([](W& self) { return Variant(self.Count()); }), nullptr);
  ws->AddIndexProperty("Objects", "Integer", "TObject",
                       Indexed<W>([](W& self, Caller& c) { return Variant(FindObjectHandle(self.Objects(IntArg(c, 0)))); },
                                  [](W& self, Caller& c, const Variant& v) { self.SetObjects(IntArg(c, 0), sxValueToObject(v)); }),
                       false);
  ws->AddDefaultProperty("Strings", "Integer", "string",
                         Indexed<W>([](W& self, Caller& c) { return Variant(self.Strings(IntArg(c, 0))); },
                                    [](W& self, Caller& c, const Variant& v) { self.Put(IntArg(c, 0), v.ToWideString()); }),
                         false);
  ws->AddProperty("Text", "string", Getter<W>([](W& self) { return Variant(self.Text()); }),
                  Setter<W>([](W& self, const Variant& v) { self.SetText(v.ToWideString()); }));
}

void AddDataSets(TsxScript& s) {
  using D = TkvxDataSet;
  TsxClassVariable* ds = s.AddClass(D::StaticClass(), "TComponent");
  ds->AddMethod("procedure Open", Proc<D>([](D& d, Caller&) { d.Open(); }));
  ds->AddMethod("procedure Close", Proc<D>([](D& d, Caller&) { d.Close(); }));
  ds->AddMethod("procedure First", Proc<D>([](D& d, Caller&) { d.First(); }));
  ds->AddMethod("procedure Next", Proc<D>([](D& d, Caller&) { d.Next(); }));
  ds->AddMethod("procedure Prior", Proc<D>([](D& d, Caller&) { d.Prior(); }));
  ds->AddMethod("function Eof: Boolean", Method<D>([](D& d, Caller&) { return Variant(d.Eof()); }));
  ds->AddMethod("function FieldsCount: Integer", Method<D>([](D& d, Caller&) { return Variant(d.FieldsCount()); }));
  ds->AddMethod("function HasField(const fName: String): Boolean",
                Method<D>([](D& d, Caller& c) { return Variant(d.HasField(TextArg(c, 0))); }));
  ds->AddMethod("function IsBlobField(const fName: String): Boolean",
                Method<D>([](D& d, Caller& c) { return Variant(d.IsBlobField(TextArg(c, 0))); }));
  ds->AddMethod("function RecordCount: Integer", Method<D>([](D& d, Caller&) { return Variant(d.RecordCount()); }));
  ds->AddMethod("procedure GetFieldList(List: TStrings)",
                Proc<D>([](D& d, Caller& c) { d.GetFieldList(*ObjectArg<TStrings>(c, 0)); }));
  ds->AddProperty("RecNo", "Integer", Getter<D>([](D& d) { return Variant(d.RecNo()); }), nullptr);
  auto readOnly = [](D&, Caller&, const Variant&) {};
  ds->AddIndexProperty("DisplayText", "String", "String",
                       Indexed<D>([](D& d, Caller& c) { return Variant(d.GetDisplayText(TextArg(c, 0))); }, readOnly), true);
  ds->AddIndexProperty("DisplayWidth", "String", "Integer",
                       Indexed<D>([](D& d, Caller& c) { return Variant(d.GetDisplayWidth(TextArg(c, 0))); }, readOnly), true);
  ds->AddIndexProperty("FieldType", "String", "TkvxFieldType",
                       Indexed<D>([](D& d, Caller& c) { return Variant(static_cast<Integer>(d.GetFieldType(TextArg(c, 0)))); },
                                  readOnly),
                       true);
  ds->AddIndexProperty("Value", "String", "Variant",
                       Indexed<D>([](D& d, Caller& c) { return d.GetValue(TextArg(c, 0)); }, readOnly), true);
  // The query's parameters, for a detail that follows its master's row.
  auto query = [](D& d) -> TkvxDBDataset& {
    auto* db = dynamic_cast<TkvxDBDataset*>(&d);
    if (!db) throw EDatabaseError("DataSet " + d.Name() + " has no parameters");
    return *db;
  };
  ds->AddIndexProperty("Params", "String", "Variant",
                       Indexed<D>([query](D& d, Caller& c) { return query(d).ParamValue(TextArg(c, 0)); },
                                  [query](D& d, Caller& c, const Variant& v) { query(d).SetParamValue(TextArg(c, 0), v); }),
                       false);
  s.AddClass(TkvxUserDataSet::StaticClass(), "TkvxDataSet");
  s.AddClass(TkvxCustomDBDataSet::StaticClass(), "TkvxDataSet");
}

// A child list as the script's TList; the script keeps it until it is cleared.
Variant ListOf(TsxScript* script, const std::vector<TkvxComponent*>& objects) {
  auto list = std::make_unique<TList>();
  for (TkvxComponent* obj : objects) list->Add(obj);
  TList* result = list.get();
  script->AddOwnedObject(std::move(list));
  return Handle(result);
}

// Emptying or reloading an object frees the objects whose events may be running, and the
// engine holds on to them until the run ends.
void RefuseWhileReportInUse(const TkvxComponent& obj, const String& what) {
  const TkvxReport* report = obj.GetReport();
  if (!report) report = dynamic_cast<const TkvxReport*>(obj.Owner());
  if (report) report->RefuseWhileInUse(obj.Name().empty() ? what : what + " " + obj.Name());
}

void AddComponent(TsxScript& s) {
  using C = TkvxComponent;
  TsxClassVariable* cls = s.AddClass(C::StaticClass(), "TComponent");
  cls->AddMethod("procedure Clear", Proc<C>([](C& self, Caller&) {
                   RefuseWhileReportInUse(self, "clear");
                   self.Clear();
                 }));
  cls->AddMethod("function FindObject(s: String): TkvxComponent",
                 Method<C>([](C& self, Caller& c) { return Handle(self.FindObject(TextArg(c, 0))); }));
  cls->AddMethod("procedure LoadFromStream(Stream: TStream)",
                 Proc<C>([](C& self, Caller& c) {
                   RefuseWhileReportInUse(self, "load");
                   self.LoadFromStream(*ObjectArg<TStream>(c, 0));
                 }));
  cls->AddMethod("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)", Proc<C>([](C& self, Caller& c) {
                   self.SaveToStream(*ObjectArg<TStream>(c, 0), c.GetParamValue(1).ToBoolean(), false);
                 }));
  cls->AddMethod("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)", Proc<C>([](C& self, Caller& c) {
                   self.SetBounds(FloatArg(c, 0), FloatArg(c, 1), FloatArg(c, 2), FloatArg(c, 3));
                 }));
  TsxScript* script = &s;
  cls->AddProperty("Objects", "TList", Getter<C>([script](C& self) { return ListOf(script, self.Objects()); }), nullptr);
  cls->AddProperty("AllObjects", "TList", Getter<C>([script](C& self) { return ListOf(script, self.AllObjects()); }), nullptr);
  cls->AddProperty("Parent", "TkvxComponent", Getter<C>([](C& self) { return Handle(self.Parent()); }),
                   Setter<C>([](C& self, const Variant& v) {
                     TObject* obj = sxValueToObject(v);
                     self.SetParent(obj ? &Self<C>(obj) : nullptr);
                   }));
  cls->AddProperty("Page", "TkvxPage", Getter<C>([](C& self) { return Handle(self.GetPage()); }), nullptr);
  cls->AddProperty("AbsLeft", "Extended", Getter<C>([](C& self) { return Variant(static_cast<double>(self.AbsLeft())); }),
                   nullptr);
  cls->AddProperty("AbsTop", "Extended", Getter<C>([](C& self) { return Variant(static_cast<double>(self.AbsTop())); }),
                   nullptr);
}

// An 8-bit text in a memo of a national charset is in that charset's code page; anything else
// converts as the value itself does.
WideString MemoText(const TkvxCustomMemoView& memo, const Variant& value) {
  const Byte charset = memo.Font()->Charset();
  if (charset != DEFAULT_CHARSET && value.VType() == varString) return kvxAnsiToUnicode(value.ToString(), charset, 0);
  return value.ToWideString();
}

void AddMemos(TsxScript& s) {
  using M = TkvxCustomMemoView;
  TsxClassVariable* memo = s.AddClass(M::StaticClass(), "TkvxStretcheable");
  memo->AddMethod("function CalcWidth: Extended",
                  Method<M>([](M& m, Caller&) { return Variant(static_cast<double>(m.CalcWidth())); }));
  memo->AddProperty("Text", "String", Getter<M>([](M& m) { return Variant(m.Text()); }),
                    Setter<M>([](M& m, const Variant& v) { m.SetText(MemoText(m, v)); }));
  memo->AddProperty("AnsiText", "String", Getter<M>([](M& m) { return Variant(m.AnsiText()); }),
                    Setter<M>([](M& m, const Variant& v) { m.SetAnsiText(v.ToString()); }));
  memo->AddProperty("Lines", "TWideStrings", Getter<M>([](M& m) { return Handle(m.Memo()); }),
                    Setter<M>([](M& m, const Variant& v) { m.Memo()->Assign(&Self<TPersistent>(sxValueToObject(v))); }));
  memo->AddProperty("Value", "Variant", Getter<M>([](M& m) { return m.Value; }), nullptr);
  for (TClass cls : {TkvxMemoView::StaticClass(), TkvxSysMemoView::StaticClass(), TkvxDMPMemoView::StaticClass()})
    s.AddClass(cls, "TkvxCustomMemoView");
}

void AddViews(TsxScript& s) {
  s.AddClass(TkvxReportComponent::StaticClass(), "TkvxComponent");
  s.AddClass(TkvxDialogComponent::StaticClass(), "TkvxReportComponent");
  s.AddClass(TkvxDialogControl::StaticClass(), "TkvxReportComponent")
      ->AddMethod("procedure SetFocus", Proc<TkvxDialogControl>([](TkvxDialogControl& c, Caller&) { c.SetFocus(); }));
  s.AddClass(TkvxFrameLine::StaticClass(), "TPersistent");
  s.AddClass(TkvxFrame::StaticClass(), "TPersistent");
  s.AddClass(TkvxView::StaticClass(), "TkvxReportComponent")
      ->AddProperty("TagStr", "String", Getter<TkvxView>([](TkvxView& v) { return Variant(v.TagStr()); }),
                    Setter<TkvxView>([](TkvxView& v, const Variant& value) { v.SetTagStr(value.ToString()); }));
  s.AddClass(TkvxShapeView::StaticClass(), "TkvxView");
  s.AddClass(TkvxStretcheable::StaticClass(), "TkvxView")
      ->AddMethod("function CalcHeight: Extended", Method<TkvxStretcheable>([](TkvxStretcheable& v, Caller&) {
                    return Variant(static_cast<double>(v.CalcHeight()));
                  }));
  s.AddClass(TkvxHighlight::StaticClass(), "TPersistent");
  s.AddClass(TkvxFormat::StaticClass(), "TPersistent");
  AddMemos(s);
  s.AddClass(TkvxCustomLineView::StaticClass(), "TkvxStretcheable");
  s.AddClass(TkvxLineView::StaticClass(), "TkvxCustomLineView");
  s.AddClass(TkvxDMPLineView::StaticClass(), "TkvxCustomLineView");
  s.AddClass(TkvxDMPCommand::StaticClass(), "TkvxView");
  s.AddClass(TkvxPictureView::StaticClass(), "TkvxView")
      ->AddMethod("procedure LoadFromFile(filename: String)",
                  Proc<TkvxPictureView>([](TkvxPictureView& v, Caller& c) { v.Picture()->LoadFromFile(TextArg(c, 0)); }));
  s.AddClass(TkvxSubreport::StaticClass(), "TkvxView");
}

void AddBandsAndPages(TsxScript& s) {
  s.AddClass(TkvxBand::StaticClass(), "TkvxReportComponent");
  for (TClass cls : {TkvxDataBand::StaticClass(), TkvxHeader::StaticClass(), TkvxFooter::StaticClass()})
    s.AddClass(cls, "TkvxBand");
  for (TClass cls : {TkvxMasterData::StaticClass(), TkvxDetailData::StaticClass(), TkvxSubdetailData::StaticClass(),
                     TkvxDataBand4::StaticClass(), TkvxDataBand5::StaticClass(), TkvxDataBand6::StaticClass()})
    s.AddClass(cls, "TkvxDataBand");
  for (TClass cls : {TkvxPageHeader::StaticClass(), TkvxPageFooter::StaticClass(), TkvxColumnHeader::StaticClass(),
                     TkvxColumnFooter::StaticClass(), TkvxGroupHeader::StaticClass(), TkvxGroupFooter::StaticClass(),
                     TkvxReportTitle::StaticClass(), TkvxReportSummary::StaticClass(), TkvxChild::StaticClass(),
                     TkvxOverlay::StaticClass()})
    s.AddClass(cls, "TkvxBand");
  s.AddClass(TkvxPage::StaticClass(), "TkvxComponent");
  s.AddClass(TkvxReportPage::StaticClass(), "TkvxPage");
  TsxClassVariable* dialog = s.AddClass(TkvxDialogPage::StaticClass(), "TkvxPage");
  dialog->AddMethod("function ShowModal: Integer",
                    Method<TkvxDialogPage>([](TkvxDialogPage& p, Caller&) { return Variant(p.ShowModal()); }));
  dialog->AddProperty("ModalResult", "Integer", Getter<TkvxDialogPage>([](TkvxDialogPage& p) { return Variant(p.ModalResult()); }),
                      Setter<TkvxDialogPage>([](TkvxDialogPage& p, const Variant& v) { p.SetModalResult(v.ToInteger()); }));
  s.AddClass(TkvxDMPPage::StaticClass(), "TkvxReportPage");
  s.AddClass(TkvxDataPage::StaticClass(), "TkvxPage");
}

}  // namespace

void TkvxReportFunctions::AddObjectClasses() {
  TsxScript& s = *Script;
  s.AddClass(TJPEGImage::StaticClass(), "TGraphic");
  s.AddClass(TPNGObject::StaticClass(), "TGraphic");
  if (s.FindClass("TPersistent")) AddWideStrings(s);
  AddDataSets(s);
  AddComponent(s);
  AddViews(s);
  AddBandsAndPages(s);
}

}  // namespace orv
