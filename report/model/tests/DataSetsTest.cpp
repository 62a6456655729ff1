// Report data sets: user names that follow component names, the counted record range, the
// field events, field aliases, the report's list and the global lookup by name.
#include <gtest/gtest.h>

#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

TEST(DataSets, UserNameFollowsTheNameUntilSetApart) {
  TComponent window(nullptr);
  auto* ds = new TkvxUserDataSet(&window);
  ds->SetName("Members");
  EXPECT_EQ(ds->UserName(), "Members");
  ds->SetName("People");
  EXPECT_EQ(ds->UserName(), "People");
  ds->SetUserName("สมาชิก");
  ds->SetName("Others");
  EXPECT_EQ(ds->UserName(), "สมาชิก");
  try {
    ds->SetUserName("  ");
    ADD_FAILURE() << "blank user name accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), kvxGetResources()->Get("prInvProp"));
  }
  EXPECT_EQ(ds->UserName(), "สมาชิก");
}

TEST(DataSets, ACountedRangeYieldsExactlyThatManyRecords) {
  TkvxUserDataSet ds(nullptr);
  ds.SetRangeEnd(reCount);
  ds.SetRangeEndCount(3);
  int nexts = 0;
  ds.OnNext = [&](TObject*) { ++nexts; };
  std::vector<Integer> seen;
  for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(ds.RecNo());
  EXPECT_EQ(seen, (std::vector<Integer>{0, 1, 2}));
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_EQ(nexts, 2);
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.SetRangeEndCount(0);
  ds.First();
  EXPECT_TRUE(ds.Eof());
  // Without a count the end is what OnCheckEOF says.
  TkvxUserDataSet open(nullptr);
  open.OnCheckEOF = [](TObject* sender, bool& eof) { eof = static_cast<TkvxDataSet*>(sender)->RecNo() >= 2; };
  open.First();
  open.Next();
  EXPECT_FALSE(open.Eof());
  open.Next();
  EXPECT_TRUE(open.Eof());
  EXPECT_EQ(open.RecordCount(), 0);
}

TEST(DataSets, UserDataSetFieldsComeFromItsEvents) {
  TkvxUserDataSet ds(nullptr);
  ds.Fields()->SetText("Nm\r\nSur");
  EXPECT_EQ(ds.FieldsCount(), 2);
  EXPECT_TRUE(ds.HasField("Sur"));
  EXPECT_FALSE(ds.HasField("Age"));
  EXPECT_TRUE(ds.GetValue("Nm").IsNull());
  ds.OnGetValue = [](const String& name, Variant& value) { value = Variant(String("old " + name)); };
  ds.OnNewGetValue = [](TObject*, const String& name, Variant& value) {
    if (name == "Nm") value = Variant(String("สมชาย"));
  };
  EXPECT_EQ(ds.GetValue("Nm").ToString(), "สมชาย");
  EXPECT_EQ(ds.GetValue("Sur").ToString(), "old Sur");
  EXPECT_EQ(ds.GetDisplayText("Nm"), u"สมชาย");
  EXPECT_EQ(ds.GetDisplayWidth("Nm"), 10);
  EXPECT_EQ(ds.GetFieldType("Nm"), fftNumeric);
}

namespace {

class TAliasDataSet : public TkvxCustomDBDataSet {
 public:
  using TkvxCustomDBDataSet::TkvxCustomDBDataSet;
  void GetFieldList(TStrings& list) override { list.SetText("Nm\r\nSur\r\nTel"); }
};

}  // namespace

TEST(DataSets, AliasesNameFieldsWithoutCase) {
  TAliasDataSet ds(nullptr);
  ds.FieldAliases()->SetText("Nm=ชื่อ\r\nSur=Surname");
  EXPECT_EQ(ds.ConvertAlias("surname"), "Sur");
  EXPECT_EQ(ds.ConvertAlias("ชื่อ"), "Nm");
  EXPECT_EQ(ds.ConvertAlias("Tel"), "Tel");
  EXPECT_EQ(ds.FieldsCount(), 3);
  EXPECT_TRUE(ds.OpenDataSource());
}

TEST(DataSets, NamesResolveThroughTheGlobalListInCreationOrder) {
  TComponent window1(nullptr), window2(nullptr);
  auto report = QuietReport();
  auto* first = new TkvxUserDataSet(&window1);
  first->SetName("Shared");
  auto* second = new TkvxUserDataSet(&window2);
  second->SetName("Shared");
  auto* data = new TkvxDataPage(report.get());
  auto* inReport = new TkvxUserDataSet(data);
  inReport->SetName("Inside");
  auto other = QuietReport();
  auto* foreign = new TkvxUserDataSet(new TkvxDataPage(other.get()));
  foreign->SetName("Foreign");

  EXPECT_EQ(kvxFindDataSet(nullptr, "shared", report.get()), first);
  EXPECT_EQ(kvxFindDataSet(nullptr, "Inside", report.get()), inReport);
  EXPECT_EQ(kvxFindDataSet(nullptr, "Foreign", report.get()), nullptr);
  EXPECT_EQ(kvxFindDataSet(second, "Nothing", report.get()), second);
  EXPECT_EQ(kvxFindDataSet(second, "", report.get()), nullptr);
  EXPECT_EQ(kvxFindDataSet(second, "Shared", nullptr), second);
  delete first;
  EXPECT_EQ(kvxFindDataSet(nullptr, "Shared", report.get()), second);

  // The report's list: items by data set and by name, and removal when a data set goes.
  auto* item = report->DataSets->Add();
  item->SetDataSet(inReport);
  EXPECT_EQ(item->DataSetName(), "Inside");
  EXPECT_EQ(report->GetDataset("inside"), inReport);
  auto* byName = report->DataSets->Add();
  byName->SetDataSetName("Shared");
  EXPECT_EQ(byName->DataSet(), second);
  report->SetDataSet(inReport);
  delete inReport;
  EXPECT_EQ(report->DataSets->Count(), 1);
  EXPECT_EQ(report->DataSet(), nullptr);
  // Without the global list, names resolve in the report's own list of available data sets.
  report->EngineOptions()->UseGlobalDataSetList = false;
  EXPECT_EQ(report->FindDataSet(nullptr, "Shared"), nullptr);
  report->EnabledDataSets->Add()->SetDataSet(second);
  EXPECT_EQ(report->FindDataSet(nullptr, "Shared"), second);
}

TEST(DataSets, InitializeBindsEachDataSetToTheReport) {
  auto report = QuietReport();
  auto* data = new TkvxDataPage(report.get());
  auto* ds = new TkvxUserDataSet(data);
  int opened = 0;
  ds->OnOpen = [&](TObject*) { ++opened; };
  report->DataSets->Add()->SetDataSet(ds);
  report->DataSets->Add();
  report->DataSets->Initialize();
  EXPECT_EQ(ds->ReportRef, report.get());
  ds->Open();
  EXPECT_EQ(opened, 1);
  report->DataSets->Finalize();
}
