// Texts held by widgets count against the script's memory: two hundred buttons with a caption
// of 16 million characters each end with an error, not with gigabytes taken.
var
  s: String;
  i: Integer;
  f: TForm;
  b: TButton;
begin
  s := 'x';
  for i := 1 to 24 do s := s + s;
  f := TForm.Create(nil);
  ShowMessage(IntToStr(Length(s)));
  for i := 1 to 200 do
  begin
    b := TButton.Create(f);
    b.Caption := s;
  end;
  ShowMessage('not reached');
end.
