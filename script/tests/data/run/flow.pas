// Exceptions, finally parts after jumps, case labels, var parameters down a recursion, and/or.
var
  i, total: Integer;
  log: String;

procedure Fill(depth: Integer; var acc: Integer);
begin
  acc := acc + depth;
  if depth > 0 then Fill(depth - 1, acc);
end;

function Guarded(k: Integer): String;
begin
  Result := 'start';
  try
    if k = 1 then Exit;
    Result := 'body';
  finally
    Result := Result + '+finally';
  end;
end;

function Describe(k: Integer): String;
begin
  case k of
    1: Result := 'one';
    2, 3: Result := 'two or three';
    4..6: Result := 'four to six';
  else
    Result := 'other';
  end;
end;

begin
  try
    RaiseException('ไม่พบสมาชิก');
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    i := StrToInt('12a');
  except
    ShowMessage(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  ShowMessage(Guarded(1) + ' ' + Guarded(2));
  log := '';
  for i := 1 to 5 do
  begin
    try
      if i = 2 then Continue;
      if i = 4 then Break;
      log := log + IntToStr(i);
    finally
      log := log + 'f';
      log := log + ';';
    end;
  end;
  ShowMessage(log);
  total := 0;
  Fill(4, total);
  ShowMessage('sum ' + IntToStr(total));
  ShowMessage(Describe(1) + ', ' + Describe(3) + ', ' + Describe(5) + ', ' + Describe(9));
  if (1 < 2) and (3 < 4) then ShowMessage('and holds');
  if not (1 > 2) or False then ShowMessage('or holds');
  i := 0;
  repeat
    i := i + 2;
  until i >= 7;
  ShowMessage(IntToStr(i));
  log := '';
  for i := 3 downto 1 do log := log + IntToStr(i);
  ShowMessage(log);
  if 4 in [1, 3..5] then ShowMessage('4 in set');
  if not (2 in [1, 3..5]) then ShowMessage('2 not in set');
end.
