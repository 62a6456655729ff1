// A var parameter given an element gives its value back to that element: the index runs once,
// and the call's other arguments run with it in the order written.
var a[5];
var n, i, log, l;

function Take() {
  n = n + 1;
  log = log + IntToStr(n);
  return n;
}

function Bump(&x) {
  x = x + 10;
}

function Pair(k, &x) {
  x = x + k * 100;
}

function Bang(&s) {
  s = s + "!";
}

for (i = 0; i < 5; i++) a[i] = 0;
n = 0;
log = "";
Bump(a[Take()]);
ShowMessage(IntToStr(a[1]) + " " + IntToStr(a[2]) + " " + log);
Pair(Take(), a[Take()]);
ShowMessage(IntToStr(a[2]) + " " + IntToStr(a[3]) + " " + log);
l = new TStringList;
l.CommaText = "a,b,c,d";
n = 0;
log = "";
Bang(l[Take()]);
ShowMessage(l.CommaText + " " + log);
l.Free;
