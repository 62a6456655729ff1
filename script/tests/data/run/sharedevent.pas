// One procedure serves two forms' OnResize; the first form's call resizes the second, whose
// call runs inside it; the first call's Sender is its own again afterwards.
var
  f, g: TForm;
  s: String;

procedure Resized(Sender: TObject);
begin
  s := s + TForm(Sender).Caption + ';';
  if TForm(Sender).Caption = 'one' then g.SetBounds(5, 5, 123, 45);
  s := s + TForm(Sender).Caption + '!';
end;

begin
  f := TForm.Create(nil);
  f.Caption := 'one';
  g := TForm.Create(nil);
  g.Caption := 'two';
  f.OnResize := 'Resized';
  g.OnResize := 'Resized';
  f.SetBounds(10, 10, 300, 200);
  ShowMessage(s);
  ShowMessage(IntToStr(f.Width) + ' ' + IntToStr(g.Width));
  f.OnResize := nil;
  g.OnResize := nil;
  f.Free;
  g.Free;
end.
