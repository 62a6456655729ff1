// Twenty thousand buttons put on one form one by one, then the form freed: each control joins
// and leaves in the time of one.
var
  f: TForm;
  b: TButton;
  i, n: Integer;
begin
  f := TForm.Create(nil);
  n := 0;
  for i := 1 to 20000 do
  begin
    b := TButton.Create(f);
    b.Parent := f;
    n := n + 1;
  end;
  ShowMessage(IntToStr(n) + ' ' + b.Parent.ClassName);
  f.Free;
  ShowMessage('freed');
end.
