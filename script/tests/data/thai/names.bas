Dim ยอดรวม
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
If ยอดรวม < 9 Then
ยอดรวม = ยอดรวม + 1
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
End If
