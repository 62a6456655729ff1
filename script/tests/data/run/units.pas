// A program that uses a unit found beside it.
uses 'greetings.pas';
var
  n: Integer;
begin
  ShowMessage(Greet('คุณพ่อ'));
  n := 21;
  Twice(n);
  ShowMessage(IntToStr(n));
end.
