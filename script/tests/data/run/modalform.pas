// A form of the script's own shown modally with nobody there to close it ends at once as
// cancelled instead of waiting.
var
  f: TForm;
begin
  f := TForm.Create(nil);
  f.Caption := 'Ask';
  ShowMessage(IntToStr(f.ShowModal));
  ShowMessage(IntToStr(f.ModalResult));
  f.Free;
end.
