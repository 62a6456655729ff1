// String lists sorted, searched and joined; an object list.
var
  names: TStringList;
  objects: TList;
  i, at: Integer;
begin
  names := TStringList.Create;
  names.Add('สมชาย');
  names.Add('Banana');
  names.Add('apple');
  names.Add('Cherry');
  ShowMessage(IntToStr(names.Count) + ' ' + names[1]);
  names.Sorted := True;
  ShowMessage(names.CommaText);
  if names.Find('Cherry', at) then ShowMessage('Cherry at ' + IntToStr(at));
  if not names.Find('Date', at) then ShowMessage('Date would go at ' + IntToStr(at));
  names.Duplicates := dupIgnore;
  names.Add('apple');
  ShowMessage(IntToStr(names.Count) + ' ' + IntToStr(names.IndexOf('Banana')));
  names.Sorted := False;
  names.Clear;
  names.Values['title'] := 'วัด';
  names.Values['city'] := 'Bangkok';
  ShowMessage(names.Names[1] + '=' + names.Values['city'] + ' ' + names.Text);
  objects := TList.Create;
  ShowMessage(IntToStr(objects.Add(names)) + IntToStr(objects.Add(objects)) + IntToStr(objects.Remove(objects)) +
    IntToStr(objects.Remove(objects)));
  ShowMessage(TStringList(objects[0]).ClassName + ' ' + objects.ClassName);
  objects.Free;
  names.Free;
end.
