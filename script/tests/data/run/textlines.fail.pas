// Splitting a text of 16 million short lines into a list stops at the memory limit while it
// splits, not after.
var
  s: String;
  i: Integer;
  l: TStringList;
begin
  s := 'x' + #13#10;
  for i := 1 to 24 do s := s + s;
  l := TStringList.Create;
  ShowMessage(IntToStr(Length(s)));
  l.Text := s;
  ShowMessage('not reached');
end.
