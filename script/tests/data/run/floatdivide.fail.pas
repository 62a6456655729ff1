var
  d, z: Double;
begin
  d := 1.5;
  z := 0;
  ShowMessage('before');
  ShowMessage(FloatToStr(d * 2 / z));
  ShowMessage('after');
end.
