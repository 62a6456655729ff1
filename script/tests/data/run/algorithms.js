// The same algorithms in every dialect: recursion, loops, strings, arrays, sorting.
var i, n, s;
var a[10];

function Fib(k) {
  if (k < 2) return k;
  return Fib(k - 1) + Fib(k - 2);
}

function Gcd(x, y) {
  while (y != 0) {
    n = y;
    y = x % y;
    x = n;
  }
  return x;
}

function Sort() {
  var j, k, t;
  for (j = 0; j <= 8; j++)
    for (k = 0; k <= 8 - j; k++)
      if (a[k] > a[k + 1]) {
        t = a[k];
        a[k] = a[k + 1];
        a[k + 1] = t;
      }
}

ShowMessage("fib(20) = " + IntToStr(Fib(20)));
ShowMessage("gcd(84, 36) = " + IntToStr(Gcd(84, 36)));
s = "";
for (i = 1; i <= 5; i++)
  s = s + IntToStr(i * i) + " ";
ShowMessage(Trim(s));
for (i = 0; i <= 9; i++)
  a[i] = (i * 7) % 10;
Sort();
s = "";
for (i = 0; i <= 9; i++)
  s = s + IntToStr(a[i]);
ShowMessage(s);
ShowMessage(Copy("ทะเบียนวัด", 1, 7) + " " + IntToStr(Length("ทะเบียนวัด")));
i = 10;
while (i > 0) {
  i = i - 3;
  if (i == 4) continue;
  if (i < 2) break;
}
ShowMessage(IntToStr(i));
ShowMessage(Format("%d items, %s", [3, "done"]));
