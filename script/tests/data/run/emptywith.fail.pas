// A with statement names an object even when its body is empty.
var i: Integer;
begin
  i := 1;
  with i do ;
end.
