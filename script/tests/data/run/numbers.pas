// Whole numbers widen past 32 and 64 bits instead of wrapping, floats mix with them, and text,
// Null and unassigned values take the Variant rules wherever the arithmetic meets them.
var
  i, j, n: Integer;
  d, e: Double;
  v, w, u: Variant;

procedure Show(x: Variant);
begin
  ShowMessage(VarToStr(x));
end;

function NoValue: Variant;
begin
end;

function Halve(x: Double): Double;
begin
  if x < 1 then Result := x else Result := Halve(x / 2);
end;

begin
  i := 2147483647;
  v := i + 1;
  Show(v);
  Show(VarType(v));
  v := i * i;
  Show(v);
  w := v * 4;
  Show(VarType(w));
  Show(w = 18446744056529682436.0);
  j := -2147483647 - 1;
  Show(-j);
  Show(VarType(j - 1));
  d := 0.5;
  Show(i + d);
  Show(3 * d);
  i := 5;
  j := 2;
  Show(i / j);
  Show(VarType(i / j));
  Show(i div j);
  Show(i mod j);
  Show(-i div j);
  Show(-i mod j);
  v := '5';
  Show(v + 1);
  Show(v * 2);
  w := 'ab';
  Show(w + w);
  Show(w < 'b');
  u := Null;
  Show(u = 0);
  Show(u < 1);
  Show(u > -1);
  Show(u = Null);
  v := NoValue;
  Show(v = 0);
  Show(v < u);
  Show(v + 1);
  w := d * 5;
  i := w;
  Show(i);
  w := d * 7;
  i := w;
  Show(i);
  e := i div 2;
  Show(e);
  Show(VarType(e));
  v := 1.5;
  w := 2;
  Show(v < w);
  Show(w <= 2.0);
  Show(w = 2.0);
  Show(v + w * 2 - 1);
  n := 0;
  for i := 1 to 10 do
  begin
    if i = 3 then continue;
    if i = 8 then break else n := n + i;
  end;
  Show(n);
  v := '10';
  w := 0;
  while w < v do w := w + 3;
  Show(w);
  Show(Halve(10));
end.
