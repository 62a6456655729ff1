// A form's OnCloseQuery handler that frees the form is refused: the form is still in use by the
// code that fired the event.
var
  f: TForm;

procedure H(Sender: TObject; var CanClose: Boolean);
begin
  try
    TForm(Sender).Free;
  except
    ShowMessage(ExceptionMessage);
  end;
end;

begin
  f := TForm.Create(nil);
  f.OnCloseQuery := 'H';
  f.Show;
  f.Close;
  ShowMessage('after');
  f.Free;
end.
