// Variant arrays do not compare: the error names the operator written.
var
  a, b: Variant;
begin
  a := VarArrayCreate([0, 1], varVariant);
  b := VarArrayCreate([0, 1], varVariant);
  try
    if a <> b then ShowMessage('differ');
  except
    ShowMessage(ExceptionMessage);
  end;
  if a = b then ShowMessage('same');
end.
