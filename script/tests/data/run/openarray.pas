// Open-array parameters take any array: their elements are read and written by index.
var
  a: array[0..3] of Integer;
  i: Integer;

function Sum(x: array of Integer): Integer;
var
  k: Integer;
begin
  Result := 0;
  for k := 0 to Length(x) - 1 do Result := Result + x[k];
end;

procedure Twice(var x: array of Integer);
var
  k: Integer;
begin
  for k := 0 to Length(x) - 1 do x[k] := x[k] * 2;
end;

begin
  for i := 0 to 3 do a[i] := i + 1;
  ShowMessage(IntToStr(Sum(a)));
  Twice(a);
  ShowMessage(IntToStr(a[0]) + ' ' + IntToStr(a[3]) + ' ' + IntToStr(Sum(a)));
  ShowMessage(IntToStr(Sum(VarArrayCreate([0, 1], varInteger))));
end.
