{ An index or argument of a member reached through an untyped variable runs once, in the
  order written, also when the member before the index is not an indexed property. }
var m: Variant; log: String;

function Note(v: Variant): Variant;
begin
  log := log + '<' + VarToStr(v) + '>';
  Result := v;
end;

begin
  m := TMemo.Create(nil);
  m.Lines.Add('a');
  m.Lines.Add('b');
  m.Lines.Add('c');
  log := '';
  ShowMessage(m.Lines[Note(2)] + ': ' + log);
  log := '';
  m.Lines[Note(0)] := 'z';
  ShowMessage(m.Lines[0] + ': ' + log);
  log := '';
  m.Lines.Insert(Note(1), Note('y'));
  ShowMessage(m.Lines[1] + ': ' + log);
  m.Free;
end.
