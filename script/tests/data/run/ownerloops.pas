// A control put inside a control it owns, or inside one below it, would be freed twice: once
// with its owner and once with its parent. Every such loop is refused, and everything is freed
// once.
var
  f1, f2, f3: TForm;
  g: TGroupBox;
  b: TButton;
begin
  f1 := TForm.Create(nil);
  f2 := TForm.Create(f1);
  try
    f1.Parent := f2;
  except
    ShowMessage(ExceptionMessage);
  end;
  g := TGroupBox.Create(f1);
  g.Parent := f2;
  try
    f1.Parent := g;
  except
    ShowMessage(ExceptionMessage);
  end;
  f3 := TForm.Create(nil);
  b := TButton.Create(f3);
  f3.Parent := f1;
  g.Parent := f3;
  try
    f1.Parent := g;
  except
    ShowMessage(ExceptionMessage);
  end;
  try
    g.Parent := g;
  except
    ShowMessage(ExceptionMessage);
  end;
  b.Parent := f2;
  ShowMessage(b.Parent.ClassName);
  f2.Free;
  f3.Free;
  f1.Free;
  ShowMessage('freed');
end.
