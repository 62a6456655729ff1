// A memo's lines after any mix of changes by code and by the user: what Lines, Text and the
// screen give is what a plain string list given the same changes holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <random>

#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

String Joined(const TStringList& list, const char* separator) {
  String text;
  for (Integer i = 0; i < list.Count(); ++i) text += (i ? separator : "") + list.Strings(i);
  return text;
}

// What the editor on the screen holds, one line a paragraph.
String Shown(TMemo* memo) { return OStr(static_cast<QPlainTextEdit*>(WidgetOf(memo))->toPlainText()); }

class MemoLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(0, 0, 400, 300);
    memo_ = new TMemo(form_.get());
    memo_->SetParent(form_.get());
    memo_->SetBounds(0, 0, 300, 200);
    memo_->OnChange = [this](TObject*) { ++changes_; };
  }
  void ExpectLikeModel(int round) {
    TStrings& lines = *memo_->Lines();
    ASSERT_EQ(lines.Count(), model_.Count()) << round;
    for (Integer i = 0; i < model_.Count(); ++i) ASSERT_EQ(lines.Strings(i), model_.Strings(i)) << round << ": " << i;
    EXPECT_EQ(lines.Text(), model_.Text()) << round;
    EXPECT_EQ(memo_->Text(), Joined(model_, "\r\n")) << round;
  }
  std::unique_ptr<TForm> form_;
  TMemo* memo_ = nullptr;
  TStringList model_;
  int changes_ = 0;
};

TEST_F(MemoLinesTest, MixedChangesByCodeAndTypingGiveTheStringListsLinesOnScreenToo) {
  form_->Show();
  TStrings& lines = *memo_->Lines();
  std::mt19937 random(45);
  const char* const words[] = {"", "บรรทัด", "line ", "เปลี่ยน ", "x y "};
  int made = 0;
  for (int round = 1; round <= 3000; ++round) {
    const Integer n = model_.Count();
    const String s = round % 9 == 0 ? String() : words[random() % 5] + std::to_string(round);
    const unsigned kind = random() % 6;
    if (kind <= 1) {
      lines.Add(s);
      model_.Add(s);
    } else if (kind == 2) {
      const Integer at = static_cast<Integer>(random() % static_cast<unsigned>(n + 1));
      lines.Insert(at, s);
      model_.Insert(at, s);
    } else if (n == 0) {
      continue;
    } else if (kind == 3) {
      const Integer at = static_cast<Integer>(random() % static_cast<unsigned>(n));
      lines.SetStrings(at, s);
      model_.SetStrings(at, s);
    } else {
      const Integer at = static_cast<Integer>(random() % static_cast<unsigned>(n));
      lines.Delete(at);
      model_.Delete(at);
    }
    ++made;
    // The editor takes the changes made since it last ran, one or several.
    if (random() % 3 == 0) QApplication::processEvents();
    if (round % 100 == 0) {
      ExpectLikeModel(round);
      // The screen catches up once the event loop runs.
      const String expected = Joined(model_, "\n");
      EXPECT_TRUE(testing::WaitFor([&] { return Shown(memo_) == expected; })) << round;
      // The user types at the end of the text; the lines read it back.
      memo_->SetSelStart(static_cast<int>(QString::fromStdString(expected).toUcs4().size()));
      testing::KeyClicks(testing::KeyTarget(memo_), "z");
      ++made;
      if (model_.Count() == 0) model_.Add("z");
      else model_.SetStrings(model_.Count() - 1, model_.Strings(model_.Count() - 1) + "z");
      ExpectLikeModel(round);
    }
  }
  EXPECT_EQ(changes_, made);
  memo_->SetText("หนึ่ง\r\nสอง\r\n");
  model_.SetText("หนึ่ง\r\nสอง\r\n");
  ExpectLikeModel(0);
  memo_->Clear();
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_TRUE(testing::WaitFor([&] { return Shown(memo_).empty(); }));
}

// The memo shows a text with line breaks as several lines, and its lines say so; an empty line
// is a line, as in a string list.
TEST_F(MemoLinesTest, LinesAreWhatTheMemoShows) {
  TStrings& lines = *memo_->Lines();
  lines.Add("");
  lines.Add("x");
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Strings(0), "");
  EXPECT_EQ(memo_->Text(), "\r\nx");
  lines.Add("ก\r\nข\nค\rง");
  lines.SetStrings(1, "y\r\nz");
  model_.SetText("\r\ny\r\nz\r\nก\r\nข\r\nค\r\nง\r\n");
  ExpectLikeModel(0);
  form_->Show();
  EXPECT_TRUE(testing::WaitFor([&] { return Shown(memo_) == "\ny\nz\nก\nข\nค\nง"; }));
  lines.Delete(0);
  model_.Delete(0);
  // Where the user's cursor goes, the lines' changes are there first.
  memo_->SetSelStart(3);
  EXPECT_EQ(memo_->SelStart(), 3);
  testing::KeyClicks(testing::KeyTarget(memo_), "w");
  model_.SetStrings(1, "zw");
  ExpectLikeModel(0);
}

}  // namespace
}  // namespace orv
