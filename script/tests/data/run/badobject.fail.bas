Dim o
o = 12345
ShowMessage("set")
o.Free
