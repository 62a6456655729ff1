' Declarations: variables with types, arrays and initial values; routines with parameters.
Imports "unit1.bas", "unit1.bas"
Dim count
Dim ratio As Decimal = 0.75, table[2, 3] As String, limit = -0x10 + 2.5e1
Dim title = "ทะเบียน" & #13#10 & "วัด"#3585
Sub Reset
  count = 0
End Sub
Sub Store(ByVal a As Integer, ByRef b, c = 1.5)
  b = a * c
  Exit
End Sub
Function Add(a, b As Integer) As Integer
  Dim local = a
  Return local + b
End Function
Function Pick()
  Pick = table[1, 2]
End Function
Reset
Store(1, count)
count = Add(1, 2)
