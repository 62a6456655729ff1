// Searching a text of 32 million characters over and over is counted by the text's length,
// not as one step a search: the run ends at the step limit within seconds, not days.
var
  s: String;
  i, n: Integer;
begin
  s := 'x';
  for i := 1 to 25 do s := s + s;
  ShowMessage(IntToStr(Length(s)));
  n := 0;
  for i := 1 to 1000000 do n := n + Pos('y', s);
  ShowMessage('not reached');
end.
