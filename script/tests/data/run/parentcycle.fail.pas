// Two group boxes cannot be put each inside the other.
var
  g1, g2: TGroupBox;
begin
  g1 := TGroupBox.Create(nil);
  g2 := TGroupBox.Create(nil);
  g1.Parent := g2;
  ShowMessage(g1.Parent.ClassName);
  g2.Parent := g1;
  ShowMessage('not reached');
end.
