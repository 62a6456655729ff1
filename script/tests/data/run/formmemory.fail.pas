// Forms a script shows count in its memory by their windows' pixels: shown large and kept,
// they end with "Out of memory" long before the address space does.
var
  kept: TList;
  f: TForm;
  i: Integer;
begin
  kept := TList.Create;
  for i := 1 to 2000 do
  begin
    f := TForm.Create(nil);
    f.SetBounds(0, 0, 2000, 2000);
    f.Show;
    kept.Add(f);
  end;
  ShowMessage('not reached');
end.
