x = 1; x += 2; x -= 3; x *= 4; x /= 5
x++; x--
if (x > 0)
  if (y) z = 1; else z = 2;
else {
  z = 3
}
switch (x) {
  case 1: y = 1;
  case 2, 4..6: { y = 2; break }
  default: y = 0
}
do x--; while (x > 0);
while (x < 10) { x++; if (x == 5) continue }
for (var i = 0; i < 10; i++) Shift(i);
for (; x < 3; ) x++
try {
  list = new TStringList;
  delete list
} except {
  x = 0
}
try x = 1; finally x = 0;
with (Form1.Grid) { Caption = "x"; Refresh() }
function F() { return }
