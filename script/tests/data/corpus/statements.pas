{ every statement form }
begin
  if (i > 0) and not Done then
    x := -i + 1 * 2 div 3
  else
    x := 0;
  case x of
    1, 2..4: y := 'a';
    5: y := 'b';
  else
    y := '';
  end;
  repeat Inc(i) until i >= 10;
  while i <> 0 do i := i - 1;
  for i := 10 downto 1 do Continue;
  try
    Obj.Items[1].Free;
  except
    Exit;
  end;
  with Form1, Button1 do Caption := <Orvani."Nm">;
  p := @Show; (* the address of a routine *)
  s := [1, 2..3] ;
  if x in [1, 2] then Break
end.
