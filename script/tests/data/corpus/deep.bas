If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
If a Then
x = 1
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
