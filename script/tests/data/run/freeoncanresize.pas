// A form's OnCanResize handler that frees the form is refused: the form is still in use by the
// code that fired the event.
var
  f: TForm;

procedure H(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);
begin
  try
    TForm(Sender).Free;
  except
    ShowMessage(ExceptionMessage);
  end;
end;

begin
  f := TForm.Create(nil);
  f.OnCanResize := 'H';
  f.SetBounds(10, 10, 310, 210);
  ShowMessage('after');
  f.Free;
end.
