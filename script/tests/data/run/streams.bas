' A memory stream written and read back; counts past the data are clamped.
Dim m, lines, s, n
m = New TMemoryStream
n = m.Write("register", 8)
ShowMessage(IntToStr(n) & " " & IntToStr(m.Size) & " " & IntToStr(m.Position))
n = m.Write("abc", 10)
ShowMessage(IntToStr(n) & " " & IntToStr(m.Size))
ShowMessage(IntToStr(m.Write("zzz", -5)))
m.Position = 0
n = m.Read(s, 3)
ShowMessage(s & " " & IntToStr(n))
m.Seek(2, soFromCurrent)
n = m.Read(s, 100)
ShowMessage(s & " " & IntToStr(n) & " " & IntToStr(m.Position))
lines = New TStringList
lines.Add("one")
lines.Add("สอง")
m.Clear
lines.SaveToStream(m)
lines.Clear
m.Position = 0
lines.LoadFromStream(m)
ShowMessage(IntToStr(lines.Count) & " " & lines[1])
lines.Free
m.Free
