// A form's OnShow handler that frees the form is refused: the form is still in use by the
// code that fired the event.
var
  f: TForm;

procedure H(Sender: TObject);
begin
  try
    TForm(Sender).Free;
  except
    ShowMessage(ExceptionMessage);
  end;
end;

begin
  f := TForm.Create(nil);
  f.OnShow := 'H';
  f.Show;
  ShowMessage('after');
  f.Free;
end.
