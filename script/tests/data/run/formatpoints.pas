// A picture with more than one point: the first is the decimal point, the others stand for
// nothing (a report's number format turns every separator into a point).
begin
  ShowMessage(FormatFloat('#.##0.00', 1234.5));
  ShowMessage(FormatFloat('#,##0.00', 1234.5));
  ShowMessage(FormatFloat('0.0.0', 1.25));
  ShowMessage(FormatFloat('0.00.', -2));
end.
