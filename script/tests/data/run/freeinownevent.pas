// A form's event handler that frees the form is refused, for every event a form has: the form
// is still in use by the code that fired the event. One form a event, each freed at the end.
var
  f: TForm;

procedure Refuse(Sender: TObject);
begin
  try
    TForm(Sender).Free;
  except
    ShowMessage(ExceptionMessage);
  end;
end;

procedure H(Sender: TObject);
begin
  Refuse(Sender);
end;

procedure HClose(Sender: TObject; var Action: Integer);
begin
  Refuse(Sender);
end;

procedure HCloseQuery(Sender: TObject; var CanClose: Boolean);
begin
  Refuse(Sender);
end;

procedure HCanResize(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);
begin
  Refuse(Sender);
end;

begin
  f := TForm.Create(nil);
  f.OnResize := 'H';
  f.SetBounds(10, 10, 300, 200);
  ShowMessage('resize');
  f.OnResize := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnCanResize := 'HCanResize';
  f.SetBounds(10, 10, 310, 210);
  ShowMessage('canresize');
  f.OnCanResize := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnClose := 'HClose';
  f.Show;
  f.Close;
  ShowMessage('close');
  f.OnClose := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnCloseQuery := 'HCloseQuery';
  f.Show;
  f.Close;
  ShowMessage('closequery');
  f.OnCloseQuery := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnShow := 'H';
  f.Show;
  ShowMessage('show');
  f.OnShow := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnHide := 'H';
  f.Show;
  f.Hide;
  ShowMessage('hide');
  f.OnHide := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnActivate := 'H';
  f.Show;
  f.SetFocus;
  Application.ProcessMessages;
  ShowMessage('activate');
  f.OnActivate := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnPaint := 'H';
  f.Show;
  Application.ProcessMessages;
  ShowMessage('paint');
  f.OnPaint := nil;
  f.Free;

  f := TForm.Create(nil);
  f.OnDestroy := 'H';
  f.Free;
  ShowMessage('destroy');
end.
