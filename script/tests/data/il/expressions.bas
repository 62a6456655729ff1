rem Every operator group, in precedence order: unary, multiplying, adding, relational.
a = -b * c / d \ e Mod f And g
a = b + c - d & e Or f Xor g
a = b >= c : a = b <> c : a = b <= c : a = b > c : a = b < c : a = b = c
a = b In [1, 3..5] : a = b Is TList
a = Not b And Not (c Or d)
a = -(b + c) * (d - e) = f + g * h
m = Form1.Grid.Cells[1, 2] + Items[i].Name.Length
p = AddressOf Reset
r = Calc() + Max(1, 2.5E-3, 0xFF)
s = "ชื่อ ""ทดสอบ"" " & "ก"#3586"ค" & _
    "ต่อ"
v = <Orvani."Nm"> + <[Page#]> * 2
