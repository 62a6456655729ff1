// The preview's commands for a report designer, which this program does not have: editing the
// shown page and showing the report's template leave the prepared pages as they were.
#include <gtest/gtest.h>

#include "platform/gui/Forms.h"
#include "report/engine/Preview.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/tests/EngineTestSupport.h"

namespace orv::test {
namespace {

std::vector<std::vector<std::string>> AllTexts(TkvxPreviewPages& pages) {
  std::vector<std::vector<std::string>> texts;
  for (Integer i = 0; i < pages.GetCount(); ++i) texts.push_back(PageTexts(pages.GetPage(i)));
  return texts;
}

TEST(PreviewDesign, EditAndShowTemplateLeaveThePreparedPagesAsTheyWere) {
  TEngineReport r;
  r.MemoView(r.Band<TkvxPageHeader>("PH", 0, 20), "Title", "สมาชิก");
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  std::vector<std::map<String, Variant>> rows;
  for (int i = 1; i <= 60; ++i) rows.push_back({{"Name", Variant(String("N") + std::to_string(i))}});
  data->SetDataSet(r.Data("M", rows));
  r.MemoView(data, "Name", "[M.\"Name\"]");
  TForm form(nullptr);
  auto* preview = new TkvxPreview(&form);
  preview->SetParent(&form);
  r.Report->SetPreview(preview);
  ASSERT_TRUE(r.Report->PrepareReport());
  auto& pages = *static_cast<TkvxPreviewPages*>(r.Report->PreviewPages);
  ASSERT_GT(pages.GetCount(), 1);
  auto before = AllTexts(pages);
  preview->SetPageNo(2);
  preview->Edit();
  preview->ShowTemplate();
  EXPECT_EQ(AllTexts(pages), before);
  EXPECT_EQ(preview->PageNo(), 2);
  EXPECT_FALSE(r.Report->DesignPreviewPage());
  r.Report->SetPreview(nullptr);
}

}  // namespace
}  // namespace orv::test
