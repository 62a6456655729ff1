// Making a large array counts by its elements.
var
  a: Variant;
begin
  while True do a := VarArrayCreate([0, 1000000], varVariant);
end.
