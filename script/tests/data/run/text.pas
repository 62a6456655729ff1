// Texts, characters, formatting and dates, the same in every dialect.
var
  s, t: String;
  i, n: Integer;
  d: TDateTime;
  y, m, dd: Word;
begin
  s := 'parish';
  s[1] := 'P';
  ShowMessage(s + ' ' + s[2] + IntToStr(Length(s)));
  t := '';
  for i := Length(s) downto 1 do t := t + s[i];
  ShowMessage(t);
  n := 0;
  for i := 1 to Length('ทะเบียนสมรส') do
    if Copy('ทะเบียนสมรส', i, 1) = 'ส' then n := n + 1;
  ShowMessage('ส x ' + IntToStr(n));
  t := 'abcdef';
  Delete(t, 2, 2);
  Insert('XY', t, 3);
  ShowMessage(t + ' ' + IntToStr(Pos('XY', t)));
  ShowMessage(Uppercase('Mixed') + Lowercase('Case') + ' ' + NameCase('wat PHRA kaew'));
  ShowMessage(Format('%s has %d members (%.1f%%)', ['วัด', 120, 12.5]));
  ShowMessage(FormatFloat('#,##0.00', 1234567.891));
  d := EncodeDate(2024, 2, 29);
  ShowMessage(FormatDateTime('d mmmm yyyy', d) + ' ' + IntToStr(DayOfWeek(d)));
  DecodeDate(d + 1, y, m, dd);
  ShowMessage(IntToStr(y) + '-' + IntToStr(m) + '-' + IntToStr(dd));
  ShowMessage(IntToStr(Ord('A')) + Chr(66) + IntToStr(Round(2.5)) + IntToStr(Trunc(-2.7)));
  ShowMessage(Trim('  x  ') + '|' + IntToStr(CompareText('abc', 'ABC')));
end.
