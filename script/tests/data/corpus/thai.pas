// ข้อความภาษาไทยในสตริงและหมายเหตุ
begin
  Memo1.Lines.Add('ศีลล้างบาป ' + <Orvani."Nm"> + #13#10);
  if Length('วัด') = 3 then ShowMessage('ครบ');
end.
