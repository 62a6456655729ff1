// An ini file of fifty thousand keys is written and read back key by key, each in the time of
// one.
var
  ini: TMemIniFile;
  l: TStringList;
  i, sum: Integer;
begin
  ini := TMemIniFile.Create('many.ini');
  for i := 1 to 50000 do ini.WriteInteger('Keys', 'k' + IntToStr(i), i);
  sum := 0;
  for i := 1 to 50000 do sum := sum + ini.ReadInteger('KEYS', 'K' + IntToStr(i), 0);
  ShowMessage(IntToStr(sum));
  l := TStringList.Create;
  ini.GetStrings(l);
  ShowMessage(IntToStr(l.Count) + ' ' + l[50000]);
  l.Free;
  ini.Free;
end.
