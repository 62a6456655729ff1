import "unit1.js"
var a, b[2, 3], c = 0x1F;
function Twice(x, &y) { return x * 2 }
if (a == 1) b = 2; else { b = 3; }
switch (a) { case 1: b = 1; default: b = 0 }
do a = a - 1; while (a != 0);
while (a < 3) a++
for (var i = 0; i < 10; i += 1) { if (i > 5) break; continue }
try { o = new TList } except { delete o }
with (Form1) Caption = "x\x41\\";
x = <Orvani."Nm">
