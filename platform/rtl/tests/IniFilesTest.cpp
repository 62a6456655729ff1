#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

namespace orv {
namespace {

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::vector<String> Lines(const TStrings& list) {
  std::vector<String> out;
  for (Integer i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

class IniFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char folderTemplate[] = "/tmp/orvane_ini_XXXXXX";
    folder_ = mkdtemp(folderTemplate);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  String Path(const char* name) const { return (folder_ / name).string(); }
  std::filesystem::path folder_;
};

TEST_F(IniFiles, IniFileWritesAtOnceAndReadsBackCaseBlind) {
  TIniFile ini(Path("settings.ini"));
  ini.WriteString("Main", "Parish", "วัดพระแม่");
  ini.WriteInteger("Main", "Count", 3);
  ini.WriteBool("Options", "Preview", true);
  ini.WriteFloat("Options", "Zoom", 1.5);
  EXPECT_EQ(ReadBytes(Path("settings.ini")),
            "[Main]\r\nParish=วัดพระแม่\r\nCount=3\r\n\r\n[Options]\r\nPreview=1\r\nZoom=1.5\r\n");

  TIniFile other(Path("settings.ini"));
  EXPECT_EQ(other.ReadString("MAIN", "parish", "?"), "วัดพระแม่");
  EXPECT_EQ(other.ReadInteger("main", "Count", 0), 3);
  EXPECT_TRUE(other.ReadBool("Options", "Preview", false));
  EXPECT_DOUBLE_EQ(other.ReadFloat("Options", "Zoom", 0), 1.5);
  EXPECT_EQ(other.ReadString("Main", "Missing", "dflt"), "dflt");
  EXPECT_EQ(other.ReadInteger("Main", "Parish", -1), -1);  // not a number

  other.WriteString("Main", "count", "0x1F");
  EXPECT_EQ(ini.ReadInteger("Main", "Count", 0), 31);
  other.WriteDate("Dates", "Baptism", 45000);
  EXPECT_EQ(ini.ReadDate("Dates", "Baptism", 0), 45000);
  EXPECT_EQ(ini.ReadDate("Dates", "Nope", 7), 7);

  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (std::vector<String>{"Main", "Options", "Dates"}));
  ini.ReadSection("options", list);
  EXPECT_EQ(Lines(list), (std::vector<String>{"Preview", "Zoom"}));
  ini.ReadSectionValues("Options", list);
  EXPECT_EQ(Lines(list), (std::vector<String>{"Preview=1", "Zoom=1.5"}));
  EXPECT_TRUE(ini.SectionExists("OPTIONS"));
  EXPECT_TRUE(ini.ValueExists("Options", "zoom"));
  EXPECT_FALSE(ini.ValueExists("Options", "Width"));

  ini.DeleteKey("Options", "Zoom");
  ini.EraseSection("Dates");
  EXPECT_FALSE(ini.SectionExists("Dates"));
  EXPECT_EQ(ReadBytes(Path("settings.ini")),
            "[Main]\r\nParish=วัดพระแม่\r\nCount=0x1F\r\n\r\n[Options]\r\nPreview=1\r\n\r\n");
}

TEST_F(IniFiles, HandWrittenFilesKeepTheirCommentsAndOldCodePage) {
  WriteBytes(Path("old.ini"), "; settings\n[Unit]\n  Name = \xA1\xD2\xC3  \n# note\n\n[Other]\nx=1\n");
  TIniFile ini(Path("old.ini"));
  EXPECT_EQ(ini.ReadString("unit", "NAME", ""), "การ");
  ini.WriteString("Unit", "Size", "2");
  EXPECT_EQ(ReadBytes(Path("old.ini")),
            "; settings\r\n[Unit]\r\nName=การ\r\nSize=2\r\n# note\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST_F(IniFiles, BadWritesRaiseAndKeepTheFile) {
  TIniFile ini(Path("keep.ini"));
  ini.WriteString("A", "k", "v");
  EXPECT_THROW(ini.WriteString("A", "k", "line\r\n[B]\r\nx=y"), EIniFileException);
  EXPECT_THROW(ini.WriteString("A", "k=j", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("A]", "k", "v"), EIniFileException);
  EXPECT_EQ(ReadBytes(Path("keep.ini")), "[A]\r\nk=v\r\n");

  TIniFile nowhere(Path("no/such/folder/x.ini"));
  EXPECT_EQ(nowhere.ReadString("A", "k", "d"), "d");
  try {
    nowhere.WriteString("A", "k", "v");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + Path("no/such/folder/x.ini"));
  }
}

TEST_F(IniFiles, BinaryStreamsTravelAsHex) {
  TMemIniFile ini(Path("bin.ini"));
  TMemoryStream data;
  data.WriteString(std::string("\x00\xFF\x10ก", 6));
  data.SetPosition(1);
  ini.WriteBinaryStream("B", "Blob", data);
  EXPECT_EQ(ini.ReadString("B", "Blob", ""), "FF10E0B881");
  TMemoryStream back;
  back.WriteString("xy");
  EXPECT_EQ(ini.ReadBinaryStream("B", "Blob", back), 5);
  EXPECT_EQ(back.Position(), 2);
  EXPECT_EQ(String(reinterpret_cast<const char*>(back.Memory()), back.Size()),
            "xy\xFF\x10ก");
  ini.WriteString("B", "Bad", "0AZZ11");
  TMemoryStream partial;
  EXPECT_EQ(ini.ReadBinaryStream("B", "Bad", partial), 1);  // stops at the first bad pair
}

TEST_F(IniFiles, MemIniFileWritesOnlyOnUpdate) {
  WriteBytes(Path("mem.ini"), "[S]\r\na=1\r\n");
  TMemIniFile ini(Path("mem.ini"));
  EXPECT_EQ(ini.ReadString("s", "A", ""), "1");
  ini.WriteString("S", "b", "2");
  ini.WriteString("T", "c", "3");
  EXPECT_EQ(ReadBytes(Path("mem.ini")), "[S]\r\na=1\r\n");
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(Path("mem.ini")), "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nc=3\r\n");

  TStringList lines;
  ini.GetStrings(lines);
  EXPECT_EQ(Lines(lines), (std::vector<String>{"[S]", "a=1", "b=2", "", "[T]", "c=3"}));
  TMemIniFile fromLines(lines);
  EXPECT_EQ(fromLines.ReadString("T", "c", ""), "3");
  EXPECT_THROW(fromLines.UpdateFile(), EIniFileException);
  fromLines.Rename(Path("copy.ini"), false);
  fromLines.UpdateFile();
  EXPECT_EQ(ReadBytes(Path("copy.ini")), ReadBytes(Path("mem.ini")));

  ini.Clear();
  EXPECT_FALSE(ini.SectionExists("S"));
  ini.Rename(Path("mem.ini"), true);
  EXPECT_TRUE(ini.SectionExists("S"));
}

// The first of two equal keys or sections is the one read and written; a key written after a
// deletion, an erased section or a comment goes where a person would put it.
TEST_F(IniFiles, MemIniFileFindsKeysAfterEveryKindOfChange) {
  WriteBytes(Path("keys.ini"), "[S]\r\na=1\r\nA=2\r\n; note\r\n\r\n[T]\r\nx=1\r\n[s]\r\na=3\r\n");
  TMemIniFile ini(Path("keys.ini"));
  EXPECT_EQ(ini.ReadString("s", "a", ""), "1");
  ini.WriteString("S", "a", "4");
  ini.WriteString("S", "b", "5");
  ini.DeleteKey("S", "a");
  EXPECT_EQ(ini.ReadString("S", "a", "none"), "none") << "both equal keys go";
  EXPECT_EQ(ini.ReadString("S", "b", ""), "5");
  ini.EraseSection("T");
  EXPECT_FALSE(ini.SectionExists("T"));
  ini.WriteString("S", "c", "6");
  EXPECT_EQ(ini.ReadString("S", "c", ""), "6");
  TStringList lines;
  ini.GetStrings(lines);
  EXPECT_EQ(Lines(lines), (std::vector<String>{"[S]", "b=5", "c=6", "; note", "", "[s]", "a=3"}));
  ini.EraseSection("S");
  EXPECT_EQ(ini.ReadString("S", "a", ""), "") << "the second section of the name went with the first";
}

// Thirty thousand keys are written and read back one by one as fast as a few hundred were.
TEST_F(IniFiles, MemIniFileOfManyKeys) {
  TMemIniFile ini(Path("many.ini"));
  for (int i = 0; i < 30000; ++i) ini.WriteString("S", "k" + std::to_string(i), std::to_string(i));
  for (int i = 0; i < 30000; i += 997) EXPECT_EQ(ini.ReadString("s", "K" + std::to_string(i), ""), std::to_string(i));
  ini.UpdateFile();
  TMemIniFile back(Path("many.ini"));
  EXPECT_EQ(back.ReadString("S", "k29999", ""), "29999");
}

TEST_F(IniFiles, RegistryStoreLivesUnderTheConfigFolder) {
  const char* saved = getenv("XDG_CONFIG_HOME");
  String savedValue = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  String expected = Path("orvane/Software/Quillans.ini");
  EXPECT_EQ(TRegistryIniFile::KeyFileName("\\Software\\Quillans"), expected);
  EXPECT_EQ(TRegistryIniFile::KeyFileName("\\Software\\..\\..\\Quillans"),
            Path("orvane/Software/Quillans.ini"));
  {
    TRegistryIniFile store("\\Software\\Quillans");
    EXPECT_EQ(store.FileName(), "\\Software\\Quillans");
    EXPECT_EQ(store.ReadInteger("Form", "Units", 2), 2);
    store.WriteInteger("Form", "Units", 1);
    EXPECT_EQ(ReadBytes(expected), "[Form]\r\nUnits=1\r\n");
    TRegistryIniFile again("\\software\\Quillans\\");
    EXPECT_EQ(again.StoreFileName(), Path("orvane/software/Quillans.ini"));
  }
  // Without either variable the settings go to the account's own home, never to a folder
  // every user may write to.
  const char* home = getenv("HOME");
  String homeValue = home ? home : "";
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  String account = HomeFolder();
  ASSERT_FALSE(account.empty());
  EXPECT_EQ(TRegistryIniFile::KeyFileName("\\Software\\Quillans"),
            ExcludeTrailingPathDelimiter(account) + "/.config/orvane/Software/Quillans.ini");
  if (home) setenv("HOME", homeValue.c_str(), 1);
  if (saved)
    setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace orv
