// A Thai text written to a stream and read back by the count Write gave: both count characters.
var m = TMemoryStream.Create;
var s = "ทะเบียนสมรส";
var n = m.Write(s, Length(s));
var back = "";
m.Position = 0;
var r = m.Read(back, n);
ShowMessage(IntToStr(n) + " " + IntToStr(r) + " " + back);
m.Position = 0;
r = m.Read(back, 3);
ShowMessage(back + " " + IntToStr(r) + " " + IntToStr(m.Position));
m.Free;
