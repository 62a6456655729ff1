// A chain of 150,000 components, each owning the next, is built with each one joining its
// owner at once and freed from its root without a native frame per link.
var
  root, c: TComponent;
  i: Integer;
begin
  root := TComponent.Create(nil);
  c := root;
  for i := 1 to 150000 do
    c := TComponent.Create(c);
  ShowMessage(c.Owner.ClassName);
  root.Free;
  ShowMessage('freed');
end.
