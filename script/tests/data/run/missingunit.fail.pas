uses 'missing-unit.pas';
begin
end.
