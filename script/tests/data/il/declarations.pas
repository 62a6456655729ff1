program Demo;
uses 'unit1.pas';
const
  Max = $FF;
  Name = 'Orvane'#13#10'วัด';
var
  i, j: Integer;
  a: array[1..5, 3] of String;
  k: Integer = 5;

procedure Show(const s: String; var n: Integer);
begin
  ShowMessage(s);
end;

function Twice(x: Extended): Extended;
begin
  Result := x * 2;
end;

begin
  Show(Name, i);
  j := Twice(1.5e3);
end.
