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
x = 
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
