// A member reached through a Variant fires an event whose handler reaches the same member of
// another object through a typed variable: each call works on its own object.
var
  f: Variant;
  g: TForm;

procedure H(Sender: TObject);
begin
  if g.Width <> 123 then g.SetBounds(5, 5, 123, 45);
end;

begin
  g := TForm.Create(nil);
  f := TForm.Create(nil);
  f.OnResize := 'H';
  f.SetBounds(10, 10, 300, 200);
  ShowMessage(IntToStr(f.Width) + ' ' + IntToStr(g.Width));
  f.OnResize := nil;
  f.Free;
  g.Free;
end.
