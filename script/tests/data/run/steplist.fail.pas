// Looking through a list of a million lines over and over is counted line by line: the run
// ends at the step limit within seconds, not days.
var
  l: TStringList;
  i, n: Integer;
begin
  l := TStringList.Create;
  for i := 1 to 1000000 do l.Add('');
  ShowMessage(IntToStr(l.Count));
  n := 0;
  for i := 1 to 1000000 do n := n + l.IndexOf('absent');
  ShowMessage('not reached');
end.
