// Formatting a long text counts by the bytes taken and made.
var
  s, t: String;
  i: Integer;
begin
  s := 'x';
  for i := 1 to 20 do s := s + s;
  while True do t := Format('%s.', [s]);
end.
