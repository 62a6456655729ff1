Imports "unit1.bas"
Dim a, b As Integer = 2, c[3]
Sub Show(ByRef s, n)
  ShowMessage(s) : Exit
End Sub
Function Twice(x As Decimal) As Decimal
  Return x * 2
End Function
If a > 1 Then b = 1
If a = 2 Then
  b = 2
ElseIf a = 3 Then
  b = 3
Else
  b = 4
End If
Select Case a
  Case 1, 2: b = 1
  Case Else: b = 0
End Select
Do
  a -= 1
Loop While a > 0
For i = 1 To 10 Step 2
  b = b & "x" \ 2 Mod 3
Next
While a < 3
  a++
Wend
Try
  Set o = New TList
Catch
  Delete o
End Try
With Form1
  Caption = "t" _
    & "u" ' continued
End With
p = AddressOf Show
