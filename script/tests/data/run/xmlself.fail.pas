// An XML item taken into itself is refused.
var
  a: TsxXMLItem;
begin
  a := TsxXMLItem.Create;
  a.Name := 'a';
  ShowMessage(a.Name);
  a.AddItem(a);
  ShowMessage(a.Root.Name);
end.
