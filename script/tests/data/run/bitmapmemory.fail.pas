// Bitmaps a script sizes and keeps count in its memory: a thousand of a million pixels end
// with "Out of memory" long before the address space does.
var
  kept: TList;
  b: TBitmap;
  i: Integer;
begin
  kept := TList.Create;
  for i := 1 to 1000 do
  begin
    b := TBitmap.Create;
    b.Width := 1000;
    b.Height := 1000;
    kept.Add(b);
  end;
  ShowMessage('not reached');
end.
