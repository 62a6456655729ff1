// A form's OnPaint handler that frees the form is refused: the form is still in use by the
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
  f.OnPaint := 'H';
  f.Show;
  Application.ProcessMessages;
  ShowMessage('after');
  f.Free;
end.
