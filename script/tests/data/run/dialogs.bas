' Dialogs answered through the dialog service: with nothing queued a box takes its first
' button, an input box keeps its default and an input query is cancelled.
Dim answer, text, ok, dlg
answer = MessageDlg("ลบสมาชิกคนนี้ หรือ ?", mtConfirmation, mbYes + mbNo, 0)
ShowMessage("answer " & IntToStr(answer))
text = InputBox("Parish", "Name:", "วัดแม่พระ")
ShowMessage(text)
text = "unchanged"
ok = InputQuery("Parish", "Name:", text)
ShowMessage(VarToStr(ok) & " " & text)
dlg = New TOpenDialog(nil)
dlg.Title = "Open"
ShowMessage(VarToStr(dlg.Execute) & " " & dlg.Title)
dlg.Free
