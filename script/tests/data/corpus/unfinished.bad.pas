begin
  x := 1
