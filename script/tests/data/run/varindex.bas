' A var parameter given an element gives its value back to that element: the index runs once,
' and the call's other arguments run with it in the order written.
Dim a[5]
Dim n, i, log, l

Function Take
  n = n + 1
  log = log & IntToStr(n)
  Return n
End Function

Sub Bump(ByRef x)
  x = x + 10
End Sub

Sub Pair(k, ByRef x)
  x = x + k * 100
End Sub

Sub Bang(ByRef s)
  s = s & "!"
End Sub

For i = 0 To 4
  a[i] = 0
Next
n = 0
log = ""
Bump(a[Take])
ShowMessage(IntToStr(a[1]) & " " & IntToStr(a[2]) & " " & log)
Pair(Take, a[Take])
ShowMessage(IntToStr(a[2]) & " " & IntToStr(a[3]) & " " & log)
l = New TStringList
l.CommaText = "a,b,c,d"
n = 0
log = ""
Bang(l[Take])
ShowMessage(l.CommaText & " " & log)
l.Free
