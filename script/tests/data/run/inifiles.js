// An ini file written, read back, listed and kept in memory.
var ini, mem, lines, back;
ini = new TIniFile("parish.ini");
ini.WriteString("Parish", "Name", "วัดอัสสัมชัญ");
ini.WriteInteger("Parish", "Members", 512);
ini.WriteBool("Parish", "Active", true);
ShowMessage(ini.ReadString("Parish", "Name", "?") + " " + IntToStr(ini.ReadInteger("Parish", "Members", 0)) + " " +
  VarToStr(ini.ReadBool("Parish", "Active", false)) + " " + ini.ReadString("Parish", "Missing", "none"));
lines = new TStringList;
lines.Add("first");
lines.Add("second");
lines.Add("third");
ini.WriteTStrings("List", lines, true);
back = new TStringList;
ShowMessage("[" + ini.ReadTStrings("List", back, true) + "] " + back.CommaText + " " +
  IntToStr(ini.ReadInteger("List", "Count", 0)));
ini.ReadSectionValuesEx("Parish", back);
ShowMessage(back.CommaText);
ShowMessage(ini.FileName + " " + VarToStr(ini.SectionExists("List")) + " " + VarToStr(ini.ValueExists("List", "Nope")));
ini.Free();
mem = new TMemIniFile("parish.ini");
ShowMessage(mem.ReadString("List", "Items1", ""));
mem.EraseSection("List");
mem.ReadSections(back);
ShowMessage(back.CommaText);
mem.Free();
lines.Free();
back.Free();
