/* Every operator group, in precedence order: unary, multiplying, adding, relational. */
a = -b * c / d div e % f && g << 1 >> 2;
a = b + c - d || e ^ f;
a = b >= c; a = b <= c; a = b > c; a = b < c
a = b == c; a = b != c; a = b in [1, 3..5]; a = b is TList;
a = !b && !(c || d);
a = -(b + c) * (d - e) == f + g * h;
m = Form1.Grid.Cells[1, 2] + Items[i].Name.Length;
p = &Reset;
r = Calc() + Max(1, 2.5E-3, 0xFF);
s = "ชื่อ \"ทดสอบ\" \x41\n" + "ก"#3586"ค";
v = <Orvani."Nm"> + <[Page#]> * 2;
