// Characters read from a text are texts of their own: changing one changes nothing else.
var s, c, t, i, n;
s = "กขค" + "abc" + "ง";
c = s[1];
c[1] = "x";
ShowMessage(c + s[1] + Copy(s, 1, 1));
t = "";
for (i = Length(s); i >= 1; i--) t = t + s[i];
ShowMessage(t);
n = 0;
for (i = 1; i <= Length(s); i++)
  if (s[i] == Copy(s, i, 1)) n = n + 1;
ShowMessage(IntToStr(n));
s[2] = "ฮ";
ShowMessage(s + " " + c);
