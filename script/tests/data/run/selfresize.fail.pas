// A handler that resizes its own form again at every call never ends by itself: the depth
// guard stops it with a script error.
var
  f: TForm;

procedure Resized(Sender: TObject);
begin
  f.SetBounds(0, 0, f.Width + 1, 100);
end;

begin
  f := TForm.Create(nil);
  f.OnResize := 'Resized';
  ShowMessage('start');
  f.SetBounds(0, 0, 200, 100);
  ShowMessage('not reached');
end.
