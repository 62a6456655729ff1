// Bringing a parish database of an older layout up to date. Probes read the schema (never the
// data) and no upgrade deletes a row.
#include "app/ParishSchema.h"
#include "app/MainWindow.h"
#include "platform/gui/Application.h"
#include "platform/gui/Screen.h"
#include "report/model/ProgressWindow.h"

namespace orv {

namespace {

// The caption and the text of the window that shows while the search indexes are built.
const char* const kIndexingText = "กำลังสร้างดัชนีสำหรับค้นหาข้อมูล";

}  // namespace

bool TForm1::HasColumn(const String& table, const String& column) {
  ADOQuery11->Close();
  ADOQuery11->SQL().SetText(
      "select name from pragma_table_info(:table) where name = :column collate nocase");
  ADOQuery11->Parameters().ParamByName("table")->SetValue(table);
  ADOQuery11->Parameters().ParamByName("column")->SetValue(column);
  ADOQuery11->Open();
  bool found = !ADOQuery11->IsEmpty();
  ADOQuery11->Close();
  return found;
}

void TForm1::FindOrvID() {
  bool addKey = !HasColumn("Move", "OrvID");
  bool convert = ParishSchemaVersionOf(*ADOConnection1) < ParishSchemaVersion;
  if (addKey || convert) ConvertMoves(addKey, convert);
  AddSearchIndexes();
}

void TForm1::ConvertMoves(bool addKey, bool convert) {
  ADOConnection1->BeginTrans();
  try {
    if (addKey) {
      ADOCommand1->SetCommandText("ALTER TABLE Move ADD OrvID integer");
      ADOCommand1->Execute();
      // Rows of the older layout keep their history; a row whose member code names exactly one
      // member is that member's move.
      ADOCommand1->SetCommandText(
          "UPDATE Move SET OrvID = (SELECT o.ID FROM Orvani o WHERE o.NUM = Move.NUM) "
          "WHERE (SELECT COUNT(*) FROM Orvani o WHERE o.NUM = Move.NUM) = 1");
      ADOCommand1->Execute();
    }
    if (convert) {
      UpdateMove();
      SetParishSchemaVersion(*ADOConnection1, ParishSchemaVersion);
    }
    ADOConnection1->CommitTrans();
  } catch (...) {
    ADOConnection1->RollbackTrans();
    throw;
  }
}

void TForm1::AddSearchIndexes() {
  // The searches match a prefix with LIKE, which SQLite answers from an index only when the
  // index folds case as LIKE does; the children of a member are found by the parent's exact
  // name (OrvaniName covers Nm, and Nm with sur, exactly; OrvaniNum the exact code). No index uses the THAI collation: another SQLite tool
  // could then no longer write the file.
  static const char* const kIndexes[][2] = {
      {"OrvaniNmLike", "Orvani (Nm COLLATE NOCASE)"},
      {"OrvaniSurLike", "Orvani (sur COLLATE NOCASE)"},
      {"OrvaniNumLike", "Orvani (NUM COLLATE NOCASE)"},
      {"OrvaniBirth", "Orvani (birth_date)"},
      {"OrvaniDead", "Orvani (dead_date)"},
      {"OrvaniBirthDay", "Orvani (substr(birth_date, 6, 5))"},
      {"OrvaniDeathDay", "Orvani (substr(dead_date, 6, 5))"},
      {"OrvaniDateIn", "Orvani (DateIn)"},
      {"OrvaniDateOut", "Orvani (DateOut)"},
      {"OrvaniPapaLike", "Orvani (papa_nm COLLATE NOCASE)"},
      {"OrvaniMamaLike", "Orvani (mama_nm COLLATE NOCASE)"},
      {"OrvaniHouseLike", "Orvani (Address1 COLLATE NOCASE)"},
      {"OrvaniSaintLike", "Orvani (st COLLATE NOCASE)"},
      {"OrvaniGodparentLike", "Orvani (btsm_parent COLLATE NOCASE)"},
      {"OrvaniSponsorLike", "Orvani (cnfm_parent COLLATE NOCASE)"},
      {"OrvaniFamily", "Orvani (from_family)"},
      {"OrvaniFamilyNo", "Orvani (family_no)"},
      {"OrvaniPapa", "Orvani (papa_nm)"},
      {"OrvaniMama", "Orvani (mama_nm)"},
      {"MoveMember", "Move (OrvID)"},
      // A search that must look at every member (a group, a baptism church, an occupation, the
      // witnesses, the status alone) reads this narrow copy of what it compares and sorts by
      // instead of the members' whole rows, a fifth of the file.
      {"OrvaniScan", "Orvani (dead_date, DateOut, religion, Nm, sur, gang, btsm_wat, Occupation, "
                     "mtmn_father, mtmn_mother)"}};
  String names;
  for (const auto& index : kIndexes) names += String(names.empty() ? "'" : ", '") + index[0] + "'";
  ADOQuery11->Close();
  ADOQuery11->SQL().SetText("select count(*) from sqlite_master where type = 'index' and name in (" +
                            names + ")");
  ADOQuery11->Open();
  bool complete = ADOQuery11->Fields()[0]->AsInteger() == static_cast<Integer>(std::size(kIndexes));
  ADOQuery11->Close();
  // A database that has them all is not written to, so a read-only one opens as well.
  if (complete) return;
  // On a parish of many members building them takes seconds before the main window can show:
  // a window says what is being done and how far it has come.
  TkvxProgress progress(nullptr);
  progress.SetCaption(kIndexingText);
  progress.Execute(static_cast<int>(std::size(kIndexes)), kIndexingText, false, true);
  progress.SetBounds((Screen->Width() - progress.Width()) / 2, (Screen->Height() - progress.Height()) / 2,
                     progress.Width(), progress.Height());
  Application->ProcessMessages();
  for (size_t k = 0; k < std::size(kIndexes); ++k) {
    ADOConnection1->Execute(String("CREATE INDEX IF NOT EXISTS ") + kIndexes[k][0] + " ON " + kIndexes[k][1]);
    progress.SetPosition(static_cast<int>(k + 1));
  }
}

void TForm1::UpdateMove() {
  // Once per database: a member with move dates of their own and no move row gets one. Run on
  // every display instead, it would bring back a move the user had deleted.
  ADOCommand1->SetCommandText(
      "INSERT INTO Move (OrvID, NUM, DateIn, DateOut, FromChurch, ToChurch) "
      "SELECT o.ID, o.NUM, o.DateIn, o.DateOut, o.From_church, o.To_church FROM Orvani o "
      "WHERE (o.DateIn IS NOT NULL OR o.DateOut IS NOT NULL) "
      "AND NOT EXISTS (SELECT 1 FROM Move m WHERE m.OrvID = o.ID)");
  ADOCommand1->Execute();
}

void TForm1::AddSettingsColumn(const String& column, const String& firstValue) {
  if (!HasColumn("print", column)) {
    ADOQuery3->Close();
    // The column name is ours, never a user's text.
    ADOCommand1->SetCommandText("ALTER TABLE print ADD " + column + " TEXT(50)");
    ADOCommand1->Execute();
    ADOQuery3->SQL().SetText("select * from print");
    ADOQuery3->Open();
    ADOQuery3->Edit();
    ADOQuery3->FieldByName(column)->SetAsString(firstValue);
    ADOQuery3->Post();
  }
  ADOQuery3->Close();
  ADOQuery3->SQL().SetText("Select * from print");
  ADOQuery3->Open();
}

void TForm1::FindSen() { AddSettingsColumn("sen", "เรียน"); }

void TForm1::FindPrefix() { AddSettingsColumn("Prefix", "คุณ"); }

}  // namespace orv
