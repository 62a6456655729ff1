// Arrays nested 400,000 deep, each holding the one before, are released without a native
// frame per level: once by the program, once (a routine's locals) when the script goes.
var
  v, w: Variant;
  i: Integer;

procedure KeepInLocals;
var
  a, b: Variant;
  k: Integer;
begin
  a := 0;
  for k := 1 to 400000 do
  begin
    b := VarArrayCreate([0, 0], varVariant);
    b[0] := a;
    a := b;
  end;
end;

begin
  v := 0;
  for i := 1 to 400000 do
  begin
    w := VarArrayCreate([0, 0], varVariant);
    w[0] := v;
    v := w;
  end;
  ShowMessage('built');
  w := 0;
  v := 0;
  ShowMessage('released');
  KeepInLocals;
  ShowMessage('kept');
end.
