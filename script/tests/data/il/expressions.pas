// Every operator group, in precedence order: unary, multiplying, adding, relational.
begin
  a := -b * c / d div e mod f and g shl 1 shr 2;
  a := b + c - d or e xor f;
  a := b >= c; a := b <> c; a := b <= c; a := b > c; a := b < c; a := b = c;
  a := b in [1, 3..5]; a := b is TList;
  a := not b and not (c or d);
  a := -(b + c) * (d - e) = f + g * h;
  m := Form1.Grid.Cells[1, 2] + t[1][2] + Items[i].Name.Length;
  p := @Reset;
  r := Calc() + Max(1, 2.5E-3, $FF);
  s := 'ชื่อ ''ทดสอบ'' '#9'ก'#3586'ค' + #13#10;
  v := <Orvani."Nm"> + <[Page#]> * 2
end.
