// s := s + a + b appends to s where it lies, and means what the sum means: operands that are
// no texts, and an operand that changes s while it is worked out, give the same as before.
var
  s, t: String;
  v: Variant;
  i: Integer;

function Touch: String;
begin
  s := 'changed';
  Result := 'x';
end;

begin
  s := '';
  for i := 1 to 5 do s := s + 'ab' + Chr(48 + i);
  ShowMessage(s);
  t := s;
  s := s + '-' + 'ก';
  ShowMessage(t + ' ' + s);
  s := 'a';
  s := s + 'b' + Touch;
  ShowMessage(s);
  v := 1;
  v := v + 2 + '3';
  ShowMessage(VarToStr(v));
  v := '1';
  v := v + '2' + 3;
  ShowMessage(VarToStr(v));
  v := 'p';
  v := v + 'q' + 'r' + 's' + 't' + 'u' + 'v';
  ShowMessage(VarToStr(v));
end.
