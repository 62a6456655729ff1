Dim a, b
a = 0.0
b = 0
ShowMessage("before")
ShowMessage(a / b + 1)
ShowMessage("after")
