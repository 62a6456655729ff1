' The same algorithms in every dialect: recursion, loops, strings, arrays, sorting.
Dim i, n, s
Dim a[10]

Function Fib(k)
  If k < 2 Then Return k
  Return Fib(k - 1) + Fib(k - 2)
End Function

Function Gcd(x, y)
  While y <> 0
    n = y
    y = x Mod y
    x = n
  Wend
  Return x
End Function

Sub Sort
  Dim j, k, t
  For j = 0 To 8
    For k = 0 To 8 - j
      If a[k] > a[k + 1] Then
        t = a[k]
        a[k] = a[k + 1]
        a[k + 1] = t
      End If
    Next
  Next
End Sub

ShowMessage("fib(20) = " & Fib(20))
ShowMessage("gcd(84, 36) = " & Gcd(84, 36))
s = ""
For i = 1 To 5
  s = s & (i * i) & " "
Next
ShowMessage(Trim(s))
For i = 0 To 9
  a[i] = (i * 7) Mod 10
Next
Sort
s = ""
For i = 0 To 9
  s = s & a[i]
Next
ShowMessage(s)
ShowMessage(Copy("ทะเบียนวัด", 1, 7) & " " & IntToStr(Length("ทะเบียนวัด")))
i = 10
While i > 0
  i = i - 3
  If i = 4 Then Continue
  If i < 2 Then Break
Wend
ShowMessage(IntToStr(i))
ShowMessage(Format("%d items, %s", [3, "done"]))
