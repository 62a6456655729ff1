var ยอดรวม: Integer;
begin
  ยอดรวม := 0;
  begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin begin ยอดรวม := ยอดรวม + 1; end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end end
end.
