// The moves page: the member's last move in its editors, read against sqlite3, and the editors
// disabled for a member who never moved.
#include "app/tests/ParishFixture.h"

namespace orv::test {

class MoveDisplayTest : public ParishTest {};

TEST_F(MoveDisplayTest, LastOfSeveralMovesIsShownAndNoMoveDisablesTheEditors) {
  MakeDemo(30);
  std::string mover =
      Cli("select min(ID) from Orvani o where not exists (select 1 from Move m "
          "where m.OrvID = o.ID)");
  std::string stayer =
      Cli("select max(ID) from Orvani o where not exists (select 1 from Move m "
          "where m.OrvID = o.ID)");
  ASSERT_NE(mover, stayer);
  const Variant moverId(static_cast<Int64>(std::stoll(mover)));
  const Variant stayerId(static_cast<Int64>(std::stoll(stayer)));
  // Three moves; the last written is the one shown, though an earlier one has the later date,
  // and its empty columns must not show the earlier moves' values.
  auto addMove = [&](const std::string& columns, const std::string& values) {
    Cli("insert into Move (OrvID, " + columns + ") values (" + mover + ", " + values + ")");
  };
  addMove("DateIn, MoveInBy, FromChurch, MoveFromNo, FromFr",
          "'1990-04-02', 'คุณพ่อยอห์น', 'วัดนักบุญยอแซฟ', '12/1990', 'คุณพ่อเปโตร'");
  addMove("DateIn, DateOut, MoveOutBy, ToChurch, MoveToNo, ReceiveInBy",
          "'1995-01-15', '2020-12-31', 'คุณพ่อยอห์น', 'วัดพระหฤทัย', '7/2020', 'คุณพ่อเปาโล'");
  addMove("DateOut, MoveOutBy, ToChurch, MoveToNo, ReceiveInBy",
          "'2003-08-09', 'คุณพ่อมาระโก', 'วัดแม่พระฟาติมา', '33/2003', 'คุณพ่อลูกา'");
  ASSERT_EQ(Cli("select count(*) from Move where OrvID = " + mover), "3");

  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", moverId, 0));
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 3);
  ExpectLastMoveShown(f);
  EXPECT_EQ(f->LabeledEdit66->Text(), "วัดแม่พระฟาติมา");
  EXPECT_EQ(f->LabeledEdit64->Text(), "9 สิงหาคม 2003");
  EXPECT_EQ(f->LabeledEdit59->Text(), "");
  EXPECT_EQ(f->LabeledEdit60->Text(), "");

  ASSERT_TRUE(f->ADOQuery1->Locate("ID", stayerId, 0));
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 0);
  ExpectLastMoveShown(f);
  EXPECT_FALSE(f->DateTimePicker11->Enabled());
  EXPECT_FALSE(f->LabeledEdit68->Enabled());

  // Back to the mover: enabled again, and stepping back through the moves shows each in turn.
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", moverId, 0));
  ExpectLastMoveShown(f);
  f->ADOQuery4->First();
  EXPECT_EQ(f->LabeledEdit59->Text(), "2 เมษายน 1990");
  EXPECT_EQ(f->LabeledEdit63->Text(), "คุณพ่อเปโตร");
  EXPECT_EQ(f->LabeledEdit66->Text(), "");
  EXPECT_EQ(f->DateTimePicker12->Date(), Date());
}

}  // namespace orv::test
