// Characters read from a text are texts of their own: changing one changes nothing else.
var
  s, c, t: String;
  i, n: Integer;
begin
  s := 'กขค' + 'abc' + 'ง';
  c := s[1];
  c[1] := 'x';
  ShowMessage(c + s[1] + Copy(s, 1, 1));
  t := '';
  for i := Length(s) downto 1 do t := t + s[i];
  ShowMessage(t);
  n := 0;
  for i := 1 to Length(s) do
    if s[i] = Copy(s, i, 1) then n := n + 1;
  ShowMessage(IntToStr(n));
  s[2] := 'ฮ';
  ShowMessage(s + ' ' + c);
end.
