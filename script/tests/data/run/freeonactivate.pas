// A form's OnActivate handler that frees the form is refused: the form is still in use by the
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
  f.OnActivate := 'H';
  f.Show;
  f.SetFocus;
  Application.ProcessMessages;
  ShowMessage('after');
  f.Free;
end.
