// A table of 300 codes looked up by name for every row of a parish of 50,000, once a row in
// two passes and twice a row in one, as report scripts name their codes: it runs to its end.
var
  codes: TStringList;
  i, pass, found: Integer;
  s: String;
begin
  codes := TStringList.Create;
  for i := 0 to 299 do codes.Add('c' + IntToStr(i) + '=name of ' + IntToStr(i));
  found := 0;
  for pass := 1 to 2 do
    for i := 1 to 50000 do
      if codes.Values['c' + IntToStr(i mod 300)] <> '' then found := found + 1;
  for i := 1 to 50000 do
  begin
    s := codes.Values['c' + IntToStr(i mod 300)] + codes.Values['C' + IntToStr((i * 7) mod 300)];
    if s <> '' then found := found + 1;
  end;
  ShowMessage(IntToStr(found));
  ShowMessage(codes.Values['c299']);
end.
