// Copying a long list into another counts by its lines.
var
  l, m: TStringList;
  i: Integer;
begin
  l := TStringList.Create;
  m := TStringList.Create;
  for i := 1 to 20000 do l.Add('line ' + IntToStr(i));
  while True do m.Assign(l);
end.
