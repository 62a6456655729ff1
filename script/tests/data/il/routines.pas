program Routines;
const
  Limit = 10;
  Title = 'ทะเบียน';
var
  count: Integer;
  names: array of String;

procedure Reset;
begin
  count := 0
end;

procedure Store(a, b: Integer; var total: Extended; const note: String);
var
  local: Integer = 1;
begin
  total := a * b + local;
  if total > Limit then Exit
end;

function Twice(x: Integer): Integer;
const
  Factor = 2;

  function Scale(y: Integer): Integer;
  begin
    Result := y * Factor
  end;

begin
  Result := Scale(x);
end;

begin
  Reset;
  ;;
  while count < Limit do
  begin
    count := count + 1;
    if count = 3 then Continue else if count = 8 then Break;
  end;
  repeat
    count := count - 1;
    Store(1, 2, count, Title)
  until count <= 0;
  for count := 1 to Twice(Limit) do names[count] := '';
  try
    with Form1.Grid do Refresh
  finally
    count := 0;
  end;
  case count of
    0: Reset
    else count := 1
  end
end.
