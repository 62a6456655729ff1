// String lists sorted, searched and joined; an object list.
var names, objects, at;
names = new TStringList;
names.Add("สมชาย");
names.Add("Banana");
names.Add("apple");
names.Add("Cherry");
ShowMessage(IntToStr(names.Count) + " " + names[1]);
names.Sorted = true;
ShowMessage(names.CommaText);
if (names.Find("Cherry", at)) ShowMessage("Cherry at " + IntToStr(at));
if (!names.Find("Date", at)) ShowMessage("Date would go at " + IntToStr(at));
names.Duplicates = dupIgnore;
names.Add("apple");
ShowMessage(IntToStr(names.Count) + " " + IntToStr(names.IndexOf("Banana")));
names.Sorted = false;
names.Clear();
names.Values["title"] = "วัด";
names.Values["city"] = "Bangkok";
ShowMessage(names.Names[1] + "=" + names.Values["city"] + " " + names.Text);
objects = new TList;
ShowMessage(IntToStr(objects.Add(names)) + IntToStr(objects.Add(objects)) + IntToStr(objects.Remove(objects)) +
  IntToStr(objects.Remove(objects)));
ShowMessage(objects[0].ClassName + " " + objects.ClassName);
objects.Free();
names.Free();
