// A var parameter given an element gives its value back to that element: the index runs once,
// and the call's other arguments run with it in the order written.
var
  a: array[0..4] of Integer;
  n, i: Integer;
  log: String;
  l: TStringList;

function Take: Integer;
begin
  n := n + 1;
  log := log + IntToStr(n);
  Result := n;
end;

procedure Bump(var x: Integer);
begin
  x := x + 10;
end;

procedure Pair(k: Integer; var x: Integer);
begin
  x := x + k * 100;
end;

procedure Bang(var s: String);
begin
  s := s + '!';
end;

begin
  for i := 0 to 4 do a[i] := 0;
  n := 0;
  log := '';
  Bump(a[Take]);
  ShowMessage(IntToStr(a[1]) + ' ' + IntToStr(a[2]) + ' ' + log);
  Pair(Take, a[Take]);
  ShowMessage(IntToStr(a[2]) + ' ' + IntToStr(a[3]) + ' ' + log);
  l := TStringList.Create;
  l.CommaText := 'a,b,c,d';
  n := 0;
  log := '';
  Bang(l[Take]);
  ShowMessage(l.CommaText + ' ' + log);
  l.Free;
end.
