var u: Integer;
begin
end.
