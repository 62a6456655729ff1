// The same algorithms in every dialect: recursion, loops, strings, arrays, sorting.
var
  i, n: Integer;
  s: String;
  a: array[0..9] of Integer;

function Fib(k: Integer): Integer;
begin
  if k < 2 then
    Result := k
  else
    Result := Fib(k - 1) + Fib(k - 2);
end;

function Gcd(x, y: Integer): Integer;
begin
  while y <> 0 do
  begin
    n := y;
    y := x mod y;
    x := n;
  end;
  Result := x;
end;

procedure Sort;
var
  j, k, t: Integer;
begin
  for j := 0 to 8 do
    for k := 0 to 8 - j do
      if a[k] > a[k + 1] then
      begin
        t := a[k];
        a[k] := a[k + 1];
        a[k + 1] := t;
      end;
end;

begin
  ShowMessage('fib(20) = ' + IntToStr(Fib(20)));
  ShowMessage('gcd(84, 36) = ' + IntToStr(Gcd(84, 36)));
  s := '';
  for i := 1 to 5 do
    s := s + IntToStr(i * i) + ' ';
  ShowMessage(Trim(s));
  for i := 0 to 9 do
    a[i] := (i * 7) mod 10;
  Sort;
  s := '';
  for i := 0 to 9 do
    s := s + IntToStr(a[i]);
  ShowMessage(s);
  ShowMessage(Copy('ทะเบียนวัด', 1, 7) + ' ' + IntToStr(Length('ทะเบียนวัด')));
  i := 10;
  while i > 0 do
  begin
    i := i - 3;
    if i = 4 then Continue;
    if i < 2 then Break;
  end;
  ShowMessage(IntToStr(i));
  ShowMessage(Format('%d items, %s', [3, 'done']));
end.
