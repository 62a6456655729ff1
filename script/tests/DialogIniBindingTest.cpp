// The dialog and ini-file binding modules: their registrations against the design's lists, and
// the answers a script gets from the dialog service.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

using L = std::vector<String>;

TEST(ScriptDialogIniBindings, EveryClassMemberAndConstantIsRegistered) {
  TsxScript script(nullptr);
  script.AddRTTI();
  const std::vector<std::pair<String, L>> classes = {
      {"TCustomIniFile", {"Create", "FileName", "ReadInteger", "WriteInteger", "ReadBool", "WriteBool", "ReadDate",
                          "WriteDate", "ReadDateTime", "WriteDateTime", "ReadFloat", "WriteFloat", "ReadTime",
                          "WriteTime", "ReadBinaryStream", "WriteBinaryStream", "SectionExists", "ValueExists",
                          "WriteTStrings", "ReadTStrings"}},
      {"TMemIniFile", {"Create", "WriteString", "ReadString", "ReadSectionValuesEx", "DeleteKey", "ReadSection",
                       "ReadSections", "ReadSectionValues", "EraseSection", "Clear", "GetStrings", "SetStrings",
                       "SaveIniFileToStream", "LoadIniFileFromStream"}},
      {"TIniFile", {"WriteString", "ReadString", "ReadSectionValuesEx", "DeleteKey", "ReadSection", "ReadSections",
                    "ReadSectionValues", "EraseSection", "SaveIniFileToStream", "LoadIniFileFromStream"}},
      {"TCommonDialog", {"Execute"}},
      {"TOpenDialog", {"Execute"}},
      {"TSaveDialog", {}},
      {"TColorDialog", {}},
      {"TFontDialog", {}},
      {"TPrintDialog", {}},
      {"TPrinterSetupDialog", {"Execute"}},
  };
  for (const auto& [name, members] : classes) {
    TsxClassVariable* cls = script.FindClass(name);
    ASSERT_NE(cls, nullptr) << name;
    for (const String& member : members) EXPECT_NE(cls->Find(member), nullptr) << name << "." << member;
  }
  // TIniFile has no Clear of its own: what a script finds under the name is not TMemIniFile's.
  EXPECT_EQ(script.FindClass("TIniFile")->Find("Clear"), nullptr);
  for (const char* f : {"MessageDlg", "InputBox", "InputQuery"}) EXPECT_NE(script.Find(f), nullptr) << f;
  const std::vector<std::pair<String, Integer>> values = {
      {"ofReadOnly", 1}, {"ofEnableSizing", 1 << 19}, {"fsComboBox", 1}, {"cdAnyColor", 16}, {"fdApplyButton", 1 << 15},
      {"fdBoth", 2},     {"prPageNums", 2},           {"poDisablePrintToFile", 32}, {"mtCustom", 4},
      {"mbYes", 1},      {"mbNo", 2},                 {"mbHelp", 1024}};
  for (const auto& [name, value] : values) {
    ASSERT_NE(script.Find(name), nullptr) << name;
    EXPECT_EQ(script.Find(name)->Value.ToInteger(), value) << name;
  }
}

TEST(ScriptDialogIniBindings, DialogsAnswerThroughTheService) {
  auto script = test::NewScript("PascalScript",
                                "var s: String; r: Integer; ok: Boolean;\nbegin\n"
                                "  r := MessageDlg('ลบ หรือ ?', mtConfirmation, mbYes + mbNo, 0);\n"
                                "  s := 'old';\n  ok := InputQuery('c', 'p', s);\n"
                                "  ShowMessage(IntToStr(r) + ' ' + VarToStr(ok) + ' ' + s);\nend.");
  auto service = std::make_unique<TScriptedDialogService>();
  TScriptedDialogService* shown = service.get();
  service->QueueResult(7);  // mrNo
  service->QueueInput(String("ใหม่"));
  auto previous = SetDialogService(std::move(service));
  ASSERT_TRUE(script->Compile()) << script->ErrorMsg;
  script->Execute();
  ASSERT_GE(shown->Shown().size(), 3u);
  EXPECT_EQ(shown->Shown()[0].Text, "ลบ หรือ ?");
  EXPECT_EQ(shown->Shown()[0].Type, mtConfirmation);
  EXPECT_EQ(shown->Shown()[0].Buttons, (TMsgDlgButtons{mbYes, mbNo}));
  EXPECT_EQ(shown->LastText(), "7 True ใหม่");
  SetDialogService(std::move(previous));
}

TEST(ScriptDialogIniBindings, PrinterSetupDialogAnswersThroughTheService) {
  // No print server on this address: the dialog says so instead of showing an empty list.
  setenv("CUPS_SERVER", "127.0.0.1:1", 1);
  auto script = test::NewScript("PascalScript",
                                "var d: TPrinterSetupDialog;\nbegin\n  d := TPrinterSetupDialog.Create(nil);\n"
                                "  ShowMessage(VarToStr(d.Execute));\n  d.Free;\nend.");
  auto service = std::make_unique<TScriptedDialogService>();
  TScriptedDialogService* shown = service.get();
  auto previous = SetDialogService(std::move(service));
  ASSERT_TRUE(script->Compile()) << script->ErrorMsg;
  script->Execute();
  ASSERT_EQ(shown->Shown().size(), 2u);
  EXPECT_EQ(shown->Shown()[0].Caption, "Printer Setup");
  EXPECT_EQ(shown->Shown()[0].Type, mtError);
  EXPECT_EQ(shown->LastText(), "False");
  SetDialogService(std::move(previous));
}

TEST(ScriptDialogIniBindings, IniListsAppendAndMissingValuesReadEmpty) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvane-script-ini-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const String file = (dir / "a.ini").string();
  const test::TRunResult r = test::Run(
      "PascalScript",
      "var ini: TMemIniFile; l: TStringList; m: TMemoryStream;\nbegin\n"
      "  ini := TMemIniFile.Create('" + file + "');\n  l := TStringList.Create;\n  l.Add('x'); l.Add('y');\n"
      "  ini.WriteTStrings('S', l);\n  l.Clear; l.Add('kept');\n  ini.ReadTStrings('S', l, False);\n"
      "  ShowMessage(l.CommaText + '|' + ini.ReadTStrings('Nothing', l) + '|' + IntToStr(l.Count));\n"
      "  m := TMemoryStream.Create;\n  ini.SaveIniFileToStream(m);\n  ini.Clear;\n"
      "  ShowMessage(VarToStr(ini.SectionExists('S')));\n  m.Position := 0;\n  ini.LoadIniFileFromStream(m);\n"
      "  ShowMessage(ini.ReadString('S', 'Items1', '') + ini.ReadString('S', 'Count', ''));\n"
      "  ini.SaveIniFileToStream(nil);\n  m.Free; l.Free; ini.Free;\nend.");
  EXPECT_EQ(r.Lines, (L{"kept,x,y||0", "False", "y2"})) << r.CompileError << r.RunError;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orv
