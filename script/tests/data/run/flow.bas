' Exceptions, finally parts after jumps, Select Case, ByRef parameters down a recursion, And/Or.
Dim i, total, log

Sub Fill(depth, ByRef acc)
  acc = acc + depth
  If depth > 0 Then Fill(depth - 1, acc)
End Sub

Function Guarded(k)
  Result = "start"
  Try
    If k = 1 Then Exit
    Result = "body"
  Finally
    Result = Result & "+finally"
  End Try
End Function

Function Describe(k)
  Select Case k
    Case 1: Result = "one"
    Case 2, 3: Result = "two or three"
    Case 4..6: Result = "four to six"
    Case Else: Result = "other"
  End Select
End Function

Try
  RaiseException("ไม่พบสมาชิก")
Catch
  ShowMessage(ExceptionClassName & ": " & ExceptionMessage)
End Try
Try
  i = StrToInt("12a")
Catch
  ShowMessage(ExceptionClassName & ": " & ExceptionMessage)
End Try
ShowMessage(Guarded(1) & " " & Guarded(2))
log = ""
For i = 1 To 5
  Try
    If i = 2 Then Continue
    If i = 4 Then Break
    log = log & i
  Finally
    log = log & "f"
    log = log & ";"
  End Try
Next
ShowMessage(log)
total = 0
Fill(4, total)
ShowMessage("sum " & total)
ShowMessage(Describe(1) & ", " & Describe(3) & ", " & Describe(5) & ", " & Describe(9))
If 1 < 2 And 3 < 4 Then ShowMessage("and holds")
If Not (1 > 2) Or False Then ShowMessage("or holds")
i = 0
Do
  i = i + 2
Loop Until i >= 7
ShowMessage(IntToStr(i))
log = ""
For i = 3 To 1 Step -1
  log = log & i
Next
ShowMessage(log)
If 4 In [1, 3..5] Then ShowMessage("4 in set")
If Not (2 In [1, 3..5]) Then ShowMessage("2 not in set")
