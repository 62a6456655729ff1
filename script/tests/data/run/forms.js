// A form made in the script, with a button and an edit; the button's OnClick runs a script
// function when the script clicks it.
var f, b, e, clicks;

function ButtonClick(Sender) {
  clicks = clicks + 1;
  ShowMessage("clicked " + Sender.Caption + " " + IntToStr(clicks));
}

f = new TForm(nil);
f.Caption = "ทะเบียน";
b = new TButton(f);
b.Parent = f;
b.Caption = "OK";
b.SetBounds(10, 20, 80, 25);
e = new TEdit(f);
e.Parent = f;
e.Text = "สวัสดี";
ShowMessage(f.Caption + " " + b.Caption + " " + IntToStr(b.Left) + "," + IntToStr(b.Top) + " " +
  IntToStr(b.Width) + "x" + IntToStr(b.Height) + " " + e.Text);
ShowMessage(b.Parent.ClassName + " " + VarToStr(b.Owner == f));
clicks = 0;
b.OnClick = "ButtonClick";
b.Click();
b.Click();
b.OnClick = nil;
b.Click();
ShowMessage(IntToStr(clicks) + " " + IntToStr(mrOk) + " " + IntToStr(VK_F2) + " " + IntToStr(bsDialog));
f.Free();
