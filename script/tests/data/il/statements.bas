x = 1 : x += 2 : x -= 3 : x *= 4 : x /= 5
x++ : x--
Set o = New TList
If x > 0 Then y = 1 : z = 2
If x = 1 Then
  y = 1
ElseIf x = 2 Then
  y = 2
ElseIf x = 3 Then
  y = 3
Else
  y = 0
End If
Select Case x
  Case 1:
    y = 1
  Case 2, 4..6: y = 2
  Case Else: y = 0
End Select
Do
  x = x - 1
  If x = 5 Then Continue
Loop Until x <= 0
For i = 1 To 10
  If i > 5 Then Break
Next
While x < 10
  x++
Wend
Try
  Delete o
Finally
  o = 0
End Try
With Form1.Grid
  Caption = "x"
End With
Function F()
  Return
End Function
Exit
