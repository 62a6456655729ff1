// Reading and writing a long list's comma text counts by its lines and bytes.
var
  l: TStringList;
  i: Integer;
  s: String;
begin
  l := TStringList.Create;
  for i := 1 to 20000 do l.Add('line ' + IntToStr(i));
  while True do
  begin
    s := l.CommaText;
    l.CommaText := s;
  end;
end.
