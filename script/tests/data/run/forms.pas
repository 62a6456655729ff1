// A form made in the script, with a button and an edit; the button's OnClick runs a script
// procedure when the script clicks it.
var
  f: TForm;
  b: TButton;
  e: TEdit;
  clicks: Integer;

procedure ButtonClick(Sender: TObject);
begin
  clicks := clicks + 1;
  ShowMessage('clicked ' + TButton(Sender).Caption + ' ' + IntToStr(clicks));
end;

begin
  f := TForm.Create(nil);
  f.Caption := 'ทะเบียน';
  b := TButton.Create(f);
  b.Parent := f;
  b.Caption := 'OK';
  b.SetBounds(10, 20, 80, 25);
  e := TEdit.Create(f);
  e.Parent := f;
  e.Text := 'สวัสดี';
  ShowMessage(f.Caption + ' ' + b.Caption + ' ' + IntToStr(b.Left) + ',' + IntToStr(b.Top) + ' ' +
    IntToStr(b.Width) + 'x' + IntToStr(b.Height) + ' ' + e.Text);
  ShowMessage(b.Parent.ClassName + ' ' + VarToStr(b.Owner = f));
  clicks := 0;
  b.OnClick := 'ButtonClick';
  b.Click;
  b.Click;
  b.OnClick := nil;
  b.Click;
  ShowMessage(IntToStr(clicks) + ' ' + IntToStr(mrOk) + ' ' + IntToStr(VK_F2) + ' ' + IntToStr(bsDialog));
  f.Free;
end.
