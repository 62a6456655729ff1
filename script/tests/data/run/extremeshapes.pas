// Shapes at the largest and smallest coordinates draw as shapes reaching past every edge of
// the bitmap, with nothing overflowing on the way.
var
  b: TBitmap;
begin
  b := TBitmap.Create;
  b.Width := 20;
  b.Height := 10;
  b.Canvas.Brush.Color := clRed;
  b.Canvas.Rectangle(-2147483647, -2147483647, 2147483647, 2147483647);
  b.Canvas.Ellipse(-2147483647, 0, 2147483647, 10);
  b.Canvas.RoundRect(-2147483647, -2147483647, 2147483647, 2147483647, 2147483647, -2147483647);
  b.Canvas.MoveTo(-2147483647, 5);
  b.Canvas.LineTo(2147483647, 5);
  ShowMessage(IntToStr(b.Canvas.Pixels[10, 2]) + ' ' + IntToStr(b.Canvas.Pixels[10, 5]));
  b.Free;
end.
