// The class-library binding module: its registrations against the list the design gives, and
// what scripts do with files, components, owners and XML trees through it.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "script/tests/RunTestUtils.h"
#include "script/tests/ScriptTestUtils.h"

namespace orv {
namespace {

using L = std::vector<String>;

TEST(ScriptClassLibrary, EveryClassMemberAndConstantIsRegistered) {
  TsxScript script(nullptr);
  script.AddRTTI();
  const std::vector<std::pair<String, L>> classes = {
      {"TObject", {"Create", "Free", "ClassName"}},
      {"TPersistent", {"Assign"}},
      {"TCollectionItem", {}},
      {"TCollection", {"Clear", "Count", "Items"}},
      {"TList", {"Add", "Clear", "Delete", "IndexOf", "Insert", "Remove", "Count", "Items"}},
      {"TStrings", {"Add", "AddObject", "Clear", "Delete", "IndexOf", "IndexOfName", "IndexOfObject", "Insert",
                    "InsertObject", "LoadFromFile", "LoadFromStream", "SaveToFile", "Move", "SaveToStream",
                    "CommaText", "Count", "Names", "Objects", "Values", "Strings", "Text"}},
      {"TStringList", {"Find", "Sort", "Duplicates", "Sorted"}},
      {"TStream", {"Read", "Write", "Seek", "CopyFrom", "Position", "Size"}},
      {"TFileStream", {"Create"}},
      {"TMemoryStream", {"Clear", "LoadFromStream", "LoadFromFile", "SaveToStream", "SaveToFile"}},
      {"TComponent", {"Create", "Owner"}},
      {"TsxXMLItem", {"Create", "AddItem", "Clear", "InsertItem", "Add", "Find", "FindItem", "Root", "Data", "Count",
                      "Items", "Prop", "Name", "Parent", "Text"}},
      {"TsxXMLDocument", {"Create", "SaveToStream", "LoadFromStream", "SaveToFile", "LoadFromFile", "Root"}},
  };
  for (const auto& [name, members] : classes) {
    TsxClassVariable* cls = script.FindClass(name);
    ASSERT_NE(cls, nullptr) << name;
    for (const String& member : members) EXPECT_NE(cls->Find(member), nullptr) << name << "." << member;
  }
  // Default properties, and TStringList's inherited from TStrings.
  EXPECT_EQ(script.FindClass("TStringList")->DefProperty->Name(), "Strings");
  EXPECT_EQ(script.FindClass("TList")->DefProperty->Name(), "Items");
  EXPECT_EQ(script.FindClass("TsxXMLItem")->DefProperty->Name(), "Items");
  const std::vector<std::pair<String, Integer>> constants = {
      {"fmCreate", 65535}, {"fmOpenRead", 0},        {"fmOpenWrite", 1},      {"fmOpenReadWrite", 2},
      {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32}, {"fmShareDenyNone", 64}, {"soFromBeginning", 0},
      {"soFromCurrent", 1}, {"soFromEnd", 2},     {"dupIgnore", 0},        {"dupAccept", 1},
      {"dupError", 2},     {"poPortrait", 0},      {"poLandscape", 1}};
  for (const auto& [name, value] : constants) {
    ASSERT_NE(script.Find(name), nullptr) << name;
    EXPECT_EQ(script.Find(name)->Value.ToInteger(), value) << name;
  }
}

TEST(ScriptClassLibrary, FilesOpenOrFailWithTheirPath) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvane-script-files-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const String file = (dir / "note.txt").string();
  const test::TRunResult r = test::Run(
      "PascalScript",
      "var f: TFileStream; s: String; lines: TStringList;\nbegin\n"
      "  f := TFileStream.Create('" + file + "', fmCreate);\n  f.Write('ทะเบียน', 7);\n  f.Free;\n"
      "  lines := TStringList.Create;\n  lines.LoadFromFile('" + file + "');\n  ShowMessage(lines[0]);\n"
      "  lines.Add('second');\n  lines.SaveToFile('" + file + "');\n  lines.Free;\n"
      "  f := TFileStream.Create('" + file + "', fmOpenRead);\n  f.Read(s, 100);\n  f.Free;\n"
      "  ShowMessage(IntToStr(Length(s)));\nend.");
  // Two lines, each ended by CR LF.
  EXPECT_EQ(r.Lines, (L{"ทะเบียน", "17"})) << r.CompileError << r.RunError;
  const String missing = (dir / "no-such-folder" / "x.txt").string();
  const test::TRunResult bad = test::Run(
      "JScript", "try { var f = new TFileStream(\"" + missing + "\", fmCreate); } except { ShowMessage(ExceptionClassName); ShowMessage(ExceptionMessage); }");
  ASSERT_EQ(bad.Lines.size(), 2u) << bad.CompileError << bad.RunError;
  EXPECT_EQ(bad.Lines[0], "EFCreateError");
  EXPECT_NE(bad.Lines[1].find(missing), String::npos) << bad.Lines[1];
  std::filesystem::remove_all(dir);
}

TEST(ScriptClassLibrary, ComponentsRunTheirConstructorAndDieWithTheirOwner) {
  const test::TRunResult r = test::Run(
      "PascalScript",
      "var owner, child: TComponent;\nbegin\n  owner := TComponent.Create(nil);\n"
      "  child := TComponent.Create(owner);\n  child.Name := 'Child';\n"
      "  ShowMessage(child.Owner.ClassName + ' ' + child.Name + ' ' + IntToStr(child.Tag));\n"
      "  owner.Free;\n  ShowMessage(child.Name);\nend.");
  EXPECT_EQ(r.Lines, (L{"TComponent Child 0"})) << r.CompileError;
  EXPECT_EQ(r.RunError, "Invalid object reference");
}

TEST(ScriptClassLibrary, XmlTreesBuildSaveAndLoad) {
  const test::TRunResult r = test::Run(
      "JScript",
      "var doc = new TsxXMLDocument, m = new TMemoryStream, item, again;\n"
      "doc.Root.Name = \"report\";\nitem = doc.Root.Add();\nitem.Name = \"band\";\nitem.Prop[\"height\"] = \"25\";\n"
      "var loose = new TsxXMLItem;\nloose.Name = \"page\";\ndoc.Root.InsertItem(0, loose);\n"
      "doc.SaveToStream(m);\nm.Position = 0;\nagain = new TsxXMLDocument;\nagain.LoadFromStream(m);\n"
      "ShowMessage(again.Root.Name + \" \" + IntToStr(again.Root.Count) + \" \" + again.Root[0].Name + \" \" +\n"
      "  again.Root[1].Prop[\"height\"] + \" \" + IntToStr(again.Root.Find(\"BAND\")));\n"
      "loose.Free();\nShowMessage(IntToStr(doc.Root.Count));\n"
      "try { doc.Root.Free(); } except { ShowMessage(ExceptionMessage); }\n"
      "doc.Free(); again.Free(); m.Free();");
  EXPECT_EQ(r.Lines, (L{"report 2 page 25 1", "1", "The root of an XML document is freed with its document"}))
      << r.CompileError << r.RunError;
}

TEST(ScriptClassLibrary, GraphicsClassesColoursAndSets) {
  TsxScript script(nullptr);
  script.AddRTTI();
  const std::vector<std::pair<String, L>> classes = {
      {"TFont", {"Create"}},
      {"TPen", {"Create"}},
      {"TBrush", {"Create"}},
      {"TCanvas", {"Create", "Draw", "Ellipse", "LineTo", "MoveTo", "Rectangle", "RoundRect", "StretchDraw",
                   "TextHeight", "TextOut", "TextWidth", "Pixels"}},
      {"TGraphic", {"Create", "LoadFromFile", "SaveToFile", "Height", "Width"}},
      {"TPicture", {"LoadFromFile", "SaveToFile", "Height", "Width"}},
      {"TMetafile", {}},
      {"TMetafileCanvas", {"Create"}},
      {"TBitmap", {"Canvas", "Width"}},
  };
  for (const auto& [name, members] : classes) {
    TsxClassVariable* cls = script.FindClass(name);
    ASSERT_NE(cls, nullptr) << name;
    for (const String& member : members) EXPECT_NE(cls->Find(member), nullptr) << name << "." << member;
  }
  EXPECT_EQ(script.FindClass("TCanvas")->DefProperty, nullptr);
  const std::vector<std::pair<String, Integer>> values = {
      {"clBlack", 0},         {"clMaroon", 0x80},        {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
      {"clCream", 0xF0FBFF},  {"clMedGray", 0xA4A0A0},   {"clDefault", 0x20000000},  {"clScrollBar", -16777216},
      {"clMenuBar", -16777186}, {"clWindowText", -16777208}, {"fsStrikeout", 8},     {"fpFixed", 2},
      {"psInsideFrame", 6},   {"pmNotXor", 15},          {"bsDiagCross", 7}};
  for (const auto& [name, value] : values) {
    ASSERT_NE(script.Find(name), nullptr) << name;
    EXPECT_EQ(script.Find(name)->Value.ToInteger(), value) << name;
  }
  const test::TRunResult huge = test::Run("PascalScript", "var b: TBitmap;\nbegin\n  b := TBitmap.Create;\n"
                                          "  try\n    b.Width := 100000;\n  finally\n    b.Free;\n  end;\nend.");
  EXPECT_EQ(huge.RunError, "Out of system resources");
}

}  // namespace
}  // namespace orv
