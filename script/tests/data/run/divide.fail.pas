var
  a, b: Integer;
begin
  a := 10;
  b := 0;
  ShowMessage('before');
  ShowMessage(IntToStr(a div b));
  ShowMessage('after');
end.
