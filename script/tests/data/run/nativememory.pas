// Native calls that would make a large block in one go ask the script's memory limit first:
// a picture of 64 MB, a file of 600 MB read into a stream or an ini file. A device without end
// is no file to read.
var
  s: String;
  i: Integer;
  f: TFileStream;
  m: TMemoryStream;
  ini: TMemIniFile;
  d: TsxXMLDocument;
  l: TStringList;
begin
  s := '#';
  for i := 1 to 26 do s := s + s;
  try
    ShowMessage(FormatFloat(s, 1));
  except
    ShowMessage(ExceptionMessage);
  end;
  try
    ShowMessage(FormatMaskText(s, '1'));
  except
    ShowMessage(ExceptionMessage);
  end;
  s := '';
  f := TFileStream.Create('big.bin', fmCreate);
  f.Position := 600000000;
  f.Write('x', 1);
  ShowMessage(IntToStr(f.Size));
  f.Free;
  m := TMemoryStream.Create;
  try
    m.LoadFromFile('big.bin');
  except
    ShowMessage(ExceptionMessage);
  end;
  ShowMessage(IntToStr(m.Size));
  m.Free;
  try
    ini := TMemIniFile.Create('big.bin');
  except
    ShowMessage(ExceptionMessage);
  end;
  l := TStringList.Create;
  try
    l.LoadFromFile('/dev/zero');
  except
    ShowMessage(ExceptionMessage);
  end;
  ShowMessage(IntToStr(l.Count));
  l.Free;
  d := TsxXMLDocument.Create;
  try
    d.LoadFromFile('/dev/zero');
  except
    ShowMessage(ExceptionMessage);
  end;
  d.Free;
end.
