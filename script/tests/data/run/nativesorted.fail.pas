// Switching a long list's order on and off sorts it each time.
var
  l: TStringList;
  i: Integer;
begin
  l := TStringList.Create;
  for i := 1 to 20000 do l.Add(IntToStr(i * 7919 mod 20011));
  while True do
  begin
    l.Sorted := True;
    l.Sorted := False;
    l.Add(IntToStr(i));
  end;
end.
