' String lists sorted, searched and joined; an object list.
Dim names, objects, at
names = New TStringList
names.Add("สมชาย")
names.Add("Banana")
names.Add("apple")
names.Add("Cherry")
ShowMessage(IntToStr(names.Count) & " " & names[1])
names.Sorted = True
ShowMessage(names.CommaText)
If names.Find("Cherry", at) Then ShowMessage("Cherry at " & IntToStr(at))
If Not names.Find("Date", at) Then ShowMessage("Date would go at " & IntToStr(at))
names.Duplicates = dupIgnore
names.Add("apple")
ShowMessage(IntToStr(names.Count) & " " & IntToStr(names.IndexOf("Banana")))
names.Sorted = False
names.Clear
names.Values["title"] = "วัด"
names.Values["city"] = "Bangkok"
ShowMessage(names.Names[1] & "=" & names.Values["city"] & " " & names.Text)
objects = New TList
ShowMessage(IntToStr(objects.Add(names)) & IntToStr(objects.Add(objects)) & IntToStr(objects.Remove(objects)) & IntToStr(objects.Remove(objects)))
ShowMessage(objects[0].ClassName & " " & objects.ClassName)
objects.Free
Delete names
