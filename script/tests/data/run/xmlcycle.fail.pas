// An XML item taken into one of its own children is refused, and the tree stays as it was.
var
  a, b: TsxXMLItem;
begin
  a := TsxXMLItem.Create;
  b := TsxXMLItem.Create;
  a.AddItem(b);
  ShowMessage(IntToStr(a.Count));
  try
    b.AddItem(a);
  except
    ShowMessage(ExceptionMessage);
  end;
  ShowMessage(IntToStr(a.Count) + ' ' + IntToStr(b.Count) + ' ' + VarToStr(b.Root = a));
  b.InsertItem(0, a);
end.
