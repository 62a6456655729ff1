// One member access meeting objects of different classes in turn reaches each class's own
// member, and a freed object is refused there as anywhere.
var list, item, memo, o, i, s;
list = new TStringList;
list.Add("a");
list.Add("b");
item = new TsxXMLItem;
item.Text = "node";
item.Add();
memo = TMemo.Create(nil);
memo.Lines.Add("x");
memo.Lines.Add("y");
memo.Lines.Add("z");
for (i = 0; i < 6; i++) {
  if (i % 3 == 0) o = list; else if (i % 3 == 1) o = item; else o = memo.Lines;
  s = IntToStr(o.Count);
  if (i % 3 == 1) s = s + " " + o.Text; else s = s + " " + o[o.Count - 1];
  ShowMessage(s);
}
memo.Free();
item.Free();
list.Free();
