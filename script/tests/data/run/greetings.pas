// A unit of the run corpus: routines that units.pas uses.
function Greet(Name: String): String;
begin
  Result := 'สวัสดี ' + Name;
end;

procedure Twice(var n: Integer);
begin
  n := n * 2;
end;

begin
end.
