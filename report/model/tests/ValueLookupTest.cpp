// How a report finds values: the lookup chain for plain names, expressions compiled into the
// report's script and cached, variables that lead back to themselves, and the script's Get, Set
// and macro functions.
#include <gtest/gtest.h>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Bands.h"
#include "report/model/DataSets.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/model/tests/RunTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

class ValueLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    report_ = RunnableReport();
    people_ = new TkvxUserDataSet(report_.get());
    people_->SetName("People");
    TStringList fields;
    fields.SetText("Name\r\nAge\r\nBaptised");
    people_->SetFields(&fields);
    people_->OnGetValue = [this](const String& field, Variant& value) {
      if (field == "Name") value = row_ == 0 ? Variant("สมชาย") : Null();
      if (field == "Age") value = row_ == 0 ? Variant(41) : Null();
      if (field == "Baptised") value = row_ == 0 ? Variant(true) : Null();
    };
    report_->DataSets->Add()->SetDataSet(people_);
  }

  Variant Value(const String& name) {
    Variant v;
    EXPECT_TRUE(report_->DoGetValue(name, v)) << name;
    return v;
  }
  bool HasError(const String& text) const {
    for (Integer i = 0; i < report_->Errors->Count(); ++i)
      if (report_->Errors->Strings(i).find(text) != String::npos) return true;
    return false;
  }

  std::unique_ptr<TkvxReport> report_;
  TkvxUserDataSet* people_ = nullptr;
  int row_ = 0;
};

TEST_F(ValueLookup, DataFieldsAndNullsByFieldType) {
  EXPECT_EQ(VarToStr(Value("People.\"Name\"")), "สมชาย");
  EXPECT_EQ(Value("People.\"Age\"").ToInteger(), 41);

  row_ = 1;
  people_->OnGetValue = [](const String&, Variant& value) { value = Null(); };
  // The user data set reports every field as numeric.
  EXPECT_EQ(VarType(Value("People.\"Name\"")), VarType(Variant(0)));
  EXPECT_EQ(Value("People.\"Name\"").ToInteger(), 0);
  report_->EngineOptions()->ConvertNulls = false;
  EXPECT_TRUE(Value("People.\"Name\"").IsNull());

  TkvxDataSet* ds = nullptr;
  String field;
  report_->GetDataSetAndField("People.\"Born \"\"old\"\"\"", ds, field);
  EXPECT_EQ(ds, people_);
  EXPECT_EQ(field, "Born \"\"old\"\"");
  report_->GetDataSetAndField("Nobody.\"Name\"", ds, field);
  EXPECT_EQ(ds, nullptr);
  EXPECT_EQ(field, "Name");
  report_->GetDataSetAndField("People.Name", ds, field);
  EXPECT_EQ(ds, nullptr);
  EXPECT_EQ(field, "");
}

TEST_F(ValueLookup, SystemVariablesComeFromTheEngineAndThePages) {
  TTestEngine& engine = EngineOf(*report_);
  TTestPages& pages = PagesOf(*report_);
  engine.StartDate = 45000;
  engine.StartTime = 0.25;
  engine.TotalPages = 12;
  engine.CurLine = 3;
  engine.CurLineThrough = 17;
  pages.CurPage = 4;
  pages.LogicalPage = 2;
  pages.LogicalTotal = 9;
  kvxGlobalVariables()->SetVariable("CopyName0", "สำเนา");

  EXPECT_EQ(Value("date").ToDouble(), 45000.0);
  EXPECT_EQ(VarType(Value("Date")), VarType(Variant::FromDate(1)));
  EXPECT_EQ(Value("TIME").ToDouble(), 0.25);
  EXPECT_EQ(Value("Page").ToInteger(), 2);
  EXPECT_EQ(Value("Page#").ToInteger(), 5);
  EXPECT_EQ(Value("TotalPages").ToInteger(), 9);
  EXPECT_EQ(Value("TotalPages#").ToInteger(), 12);
  EXPECT_EQ(Value("Line").ToInteger(), 3);
  EXPECT_EQ(Value("Line#").ToInteger(), 17);
  EXPECT_EQ(VarToStr(Value("CopyName#")), "สำเนา");
  kvxGlobalVariables()->Clear();
}

TEST_F(ValueLookup, WindowAnswerThenReportThenGlobalVariables) {
  report_->Variables->SetVariable("Sum", "1+2");
  report_->Variables->SetVariable("Lines", "one\r\ntwo");
  report_->Variables->SetVariable("Count", 5);
  report_->Variables->SetVariable("Parish", "'วัดพระแม่'");
  kvxGlobalVariables()->SetVariable("Diocese", "Bangkok");
  kvxGlobalVariables()->SetVariable("Count", 99);

  EXPECT_EQ(Value("sum").ToInteger(), 3);
  EXPECT_EQ(VarToStr(Value("Lines")), "one\r\ntwo");
  EXPECT_EQ(Value("Count").ToInteger(), 5);
  EXPECT_EQ(VarToStr(Value("Parish")), "วัดพระแม่");
  EXPECT_EQ(VarToStr(Value("Diocese")), "Bangkok");

  report_->OnGetValue = [](const String& name, Variant& value) {
    if (SameText(name, "count")) value = 7;
  };
  EXPECT_EQ(Value("Count").ToInteger(), 7);

  Variant v;
  EXPECT_FALSE(report_->DoGetValue("Nowhere", v));
  EXPECT_TRUE(v.IsNull());
  kvxGlobalVariables()->Clear();
}

TEST_F(ValueLookup, DuringARunFieldsFollowTheRowAndLaterVariablesAreSeen) {
  TTestEngine& engine = EngineOf(*report_);
  report_->EngineOptions()->ConvertNulls = false;
  ASSERT_TRUE(report_->PrepareScript());
  engine.Running = true;
  EXPECT_EQ(VarToStr(Value("People.\"Name\"")), "สมชาย");
  row_ = 1;
  EXPECT_TRUE(Value("People.\"Name\"").IsNull()) << "the field is read from the row at hand";
  engine.CurLine = 3;
  EXPECT_EQ(Value("Line").ToInteger(), 3);
  engine.CurLine = 4;
  EXPECT_EQ(Value("line").ToInteger(), 4);

  // A name nothing knows yet, then answered by each later step of the chain in turn.
  Variant v;
  EXPECT_FALSE(report_->DoGetValue("Later", v));
  kvxGlobalVariables()->SetVariable("Later", 1);
  EXPECT_EQ(Value("Later").ToInteger(), 1);
  report_->Variables->SetVariable("Later", 2);
  EXPECT_EQ(Value("Later").ToInteger(), 2);
  report_->OnGetValue = [](const String& name, Variant& value) {
    if (name == "Later") value = 3;
  };
  EXPECT_EQ(Value("Later").ToInteger(), 3);
  report_->OnGetValue = nullptr;
  kvxGlobalVariables()->Clear();

  // The next run sees the data sets as they are then.
  engine.Running = false;
  report_->DataSets->Clear();
  ASSERT_TRUE(report_->PrepareScript());
  engine.Running = true;
  EXPECT_FALSE(report_->DoGetValue("People.\"Name\"", v));
  engine.Running = false;
}

TEST_F(ValueLookup, ADataSetFreedDuringARunIsNoLongerRead) {
  TTestEngine& engine = EngineOf(*report_);
  ASSERT_TRUE(report_->PrepareScript());
  engine.Running = true;
  EXPECT_EQ(VarToStr(Value("People.\"Name\"")), "สมชาย");
  delete people_;
  people_ = nullptr;
  Variant v;
  EXPECT_FALSE(report_->DoGetValue("People.\"Name\"", v));
  auto* again = new TkvxUserDataSet(report_.get());
  again->SetName("People");
  TStringList fields;
  fields.SetText("Name");
  again->SetFields(&fields);
  again->OnGetValue = [](const String&, Variant& value) { value = "สมหญิง"; };
  report_->DataSets->Add()->SetDataSet(again);
  EXPECT_EQ(VarToStr(Value("People.\"Name\"")), "สมหญิง") << "a data set made in the run is found";
  engine.Running = false;
}

TEST_F(ValueLookup, ExpressionsAreCompiledOnceAndKeyedOnTheirExactText) {
  report_->Variables->SetVariable("Flag", true);
  ASSERT_TRUE(report_->PrepareScript());
  // The IIF, its condition and the branch taken are three expressions.
  EXPECT_EQ(VarToStr(report_->Calc("IIF(<Flag>,'Yes','No')")), "Yes");
  EXPECT_EQ(report_->ExpressionCache->Count(), 3);
  EXPECT_EQ(VarToStr(report_->Calc("IIF(<Flag>,'YES','NO')")), "YES");
  EXPECT_EQ(report_->ExpressionCache->Count(), 5);
  EXPECT_EQ(VarToStr(report_->Calc("IIF(<Flag>,'Yes','No')")), "Yes");
  EXPECT_EQ(report_->ExpressionCache->Count(), 5);
  EXPECT_EQ(report_->Calc("2 * (3 + 4)").ToInteger(), 14);
  EXPECT_EQ(report_->ExpressionCache->Count(), 6);

  // A new preparation starts an empty cache, so a changed variable is read afresh.
  report_->Variables->SetVariable("Flag", false);
  ASSERT_TRUE(report_->PrepareScript());
  EXPECT_EQ(report_->ExpressionCache->Count(), 0);
  EXPECT_EQ(VarToStr(report_->Calc("IIF(<Flag>,'Yes','No')")), "No");
}

TEST_F(ValueLookup, AFailedExpressionIsReportedRaisedAndNotCached) {
  ASSERT_TRUE(report_->PrepareScript());
  report_->CurrentObjectName = "Memo1";
  EXPECT_THROW(report_->Calc("1 +* 2"), Exception);
  ASSERT_EQ(report_->Errors->Count(), 1);
  const String line = report_->Errors->Strings(0);
  EXPECT_EQ(line.rfind("Memo1: Error in expression '1 +* 2': ", 0), 0u) << line;
  EXPECT_EQ(report_->ExpressionCache->Count(), 0);

  // Nothing of the failed function stays behind: the next expression is the cache's first.
  EXPECT_EQ(report_->Calc("10 div 3").ToInteger(), 3);
  EXPECT_EQ(report_->ExpressionCache->Count(), 1);

  report_->Errors->Clear();
  try {
    report_->Calc("1 +* 2", nullptr, true);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Error in Calc expression: Error in expression '1 +* 2'", 0), 0u) << e.Message();
  }
  EXPECT_EQ(report_->Errors->Count(), 0);

  // A run-time failure inside the function is reported the same way.
  report_->CurrentObjectName.clear();
  EXPECT_THROW(report_->Calc("1 div (3 - 3)"), Exception);
  EXPECT_EQ(report_->Errors->Count(), 1);
}

TEST_F(ValueLookup, AVariableThatLeadsBackToItselfStopsWithAnErrorLine) {
  ASSERT_TRUE(report_->PrepareScript());
  report_->Variables->SetVariable("Self1", "Self1");
  Variant v = Value("Self1");
  EXPECT_TRUE(v.IsNull());
  EXPECT_TRUE(HasError("Self1"));

  report_->Errors->Clear();
  report_->Variables->SetVariable("A", "B");
  report_->Variables->SetVariable("B", "C");
  report_->Variables->SetVariable("C", "a");
  Value("A");
  EXPECT_EQ(report_->Errors->Count(), 1);
  EXPECT_TRUE(HasError(kvxGetResources()->Get("clVarCycle")));

  // Through Get inside an expression the chain is caught as well.
  report_->Errors->Clear();
  report_->Variables->SetVariable("D", "Get('D') + 1");
  try {
    Value("D");
  } catch (const Exception&) {
  }
  EXPECT_TRUE(HasError(kvxGetResources()->Get("clVarCycle")));

  // A variable used twice side by side is no cycle.
  report_->Errors->Clear();
  report_->Variables->SetVariable("One", "1");
  report_->Variables->SetVariable("Two", "Get('One') + Get('One')");
  EXPECT_EQ(Value("Two").ToInteger(), 2);
  EXPECT_EQ(report_->Errors->Count(), 0);
}

TEST_F(ValueLookup, GetSetAndTheMacroFunctions) {
  auto* page = new TkvxReportPage(report_.get());
  page->SetName("Page1");
  page->SetParent(report_.get());
  auto* band = new TkvxMasterData(report_.get());
  band->SetName("MasterData1");
  band->SetParent(page);
  report_->ScriptText()->SetText("var Seen: Integer;\r\nbegin\r\n  Seen := 11;\r\n  Set('Stored', 'x' + 'y');\r\nend.");
  ASSERT_TRUE(report_->PrepareScript()) << report_->Errors->Text();
  report_->Script->Execute();
  EXPECT_EQ(VarToStr(report_->Variables->GetVariable("Stored")), "xy");
  EXPECT_EQ(Value("Seen").ToInteger(), 11);

  TTestEngine& engine = EngineOf(*report_);
  EXPECT_EQ(report_->Calc("SUM(<People.\"Age\"> * 2, MasterData1, 1 + 2)").ToInteger(), 42);
  ASSERT_EQ(engine.Aggregates.size(), 1u);
  EXPECT_EQ(engine.Aggregates[0].Name, "SUM");
  EXPECT_EQ(engine.Aggregates[0].Expression, "<People.\"Age\"> * 2");
  EXPECT_EQ(engine.Aggregates[0].Band, band);
  EXPECT_EQ(engine.Aggregates[0].Flags, 3);

  report_->Calc("COUNT()");
  report_->Calc("Get('MAX(<Age>)')");
  ASSERT_EQ(engine.Aggregates.size(), 3u);
  EXPECT_EQ(engine.Aggregates[1].Name, "COUNT");
  EXPECT_EQ(engine.Aggregates[1].Band, nullptr);
  EXPECT_EQ(engine.Aggregates[1].Flags, 0);
  EXPECT_EQ(engine.Aggregates[2].Name, "MAX");
  EXPECT_EQ(engine.Aggregates[2].Expression, "<Age>");

  // Inside a procedure the arguments see its locals.
  report_->ScriptText()->SetText(
      "var Outcome: Integer;\r\n"
      "procedure Check(Sender: TObject);\r\nvar L: Integer;\r\nbegin\r\n  L := 7;\r\n"
      "  Outcome := IIF(L > 5, L * 2, 0);\r\nend;\r\nbegin\r\nend.");
  ASSERT_TRUE(report_->PrepareScript()) << report_->Errors->Text();
  report_->DoNotifyEvent(report_.get(), "Check", true);
  EXPECT_EQ(report_->Script->Find("Outcome")->GetValue().ToInteger(), 14);
  EXPECT_EQ(report_->Errors->Count(), 0);

  // IIF leaves the branch it does not take alone.
  EXPECT_EQ(report_->Calc("IIF(1 = 1, 5, Get('Missing'))").ToInteger(), 5);
  EXPECT_EQ(report_->Errors->Count(), 0);
  EXPECT_TRUE(report_->Calc("IIF(1 = 2, 5, Get('Missing'))").IsNull());
  ASSERT_EQ(report_->Errors->Count(), 1);
  EXPECT_EQ(report_->Errors->Strings(0), "Unknown variable or datafield: Missing");
}

TEST_F(ValueLookup, TheWindowAnswersFunctionsTheReportDoesNotKnow) {
  String askedName, askedParams;
  report_->OnUserFunction = [&](const String& name, const String& params, Variant& value) {
    askedName = name;
    askedParams = params;
    if (name == "DOUBLE") value = 2 * StrToInt(params);
  };
  ASSERT_TRUE(report_->PrepareScript()) << report_->Errors->Text();
  EXPECT_EQ(report_->Calc("Get('Double(21)') + 1").ToInteger(), 43);
  EXPECT_EQ(askedName, "DOUBLE");
  EXPECT_EQ(askedParams, "21");
  EXPECT_EQ(report_->Errors->Count(), 0);
  // A function the window leaves unanswered is still an unknown name.
  EXPECT_TRUE(report_->Calc("Get('Halve(4)')").IsNull());
  ASSERT_EQ(report_->Errors->Count(), 1);
  EXPECT_EQ(report_->Errors->Strings(0), "Unknown variable or datafield: Halve(4)");
}

}  // namespace

TEST_F(ValueLookup, ANameChangedWhereItStandsFindsItsOwnSource) {
  auto* family = new TkvxUserDataSet(report_.get());
  family->SetName("Family");
  TStringList fields;
  fields.SetText("Name");
  family->SetFields(&fields);
  family->OnGetValue = [](const String&, Variant& value) { value = "ใจดี"; };
  report_->DataSets->Add()->SetDataSet(family);
  TTestEngine& engine = EngineOf(*report_);
  ASSERT_TRUE(report_->PrepareScript());
  engine.Running = true;
  // The same text object, asked row after row, then rewritten in place to another data set's
  // field of the same length, then to a system variable; short and long texts alike.
  for (String name : {String("People.\"Name\""), String("People.\"Name\"") + String(40, ' ')}) {
    const char* at = name.data();
    name.resize(13);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(VarToStr(Value(name)), "สมชาย");
    name.replace(0, 6, "Family");
    EXPECT_EQ(name.data(), at);
    EXPECT_EQ(VarToStr(Value(name)), "ใจดี");
    engine.CurLine = 7;
    name = "Line";
    EXPECT_EQ(Value(name).ToInteger(), 7);
    name = "People.\"Name\"";
    EXPECT_EQ(VarToStr(Value(name)), "สมชาย");
  }
  engine.Running = false;
}
