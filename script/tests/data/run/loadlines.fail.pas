// Reading a file of ten million short lines into a list stops at the memory limit while it
// reads.
var
  s: String;
  i: Integer;
  f: TFileStream;
  l: TStringList;
begin
  s := 'x' + #13#10;
  for i := 1 to 20 do s := s + s;
  f := TFileStream.Create('lines.txt', fmCreate);
  for i := 1 to 10 do f.Write(s, Length(s));
  ShowMessage(IntToStr(f.Size));
  f.Free;
  s := '';
  l := TStringList.Create;
  l.LoadFromFile('lines.txt');
  ShowMessage('not reached');
end.
