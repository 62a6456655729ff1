// Sorting a long list again and again never ends by itself: each sort counts by the lines it
// compares, so the loop stops at the step limit within seconds.
var
  l: TStringList;
  i: Integer;
begin
  l := TStringList.Create;
  for i := 1 to 20000 do l.Add(IntToStr(i * 7919 mod 20011));
  while True do l.Sort;
end.
