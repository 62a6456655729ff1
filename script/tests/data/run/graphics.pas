// A canvas drawn on a bitmap, its pixels read back; colours and style sets as numbers.
var
  b: TBitmap;
begin
  ShowMessage(IntToStr(clRed) + ' ' + IntToStr(clBlue) + ' ' + IntToStr(clNone) + ' ' + IntToStr(clBtnFace));
  ShowMessage(IntToStr(fsBold + fsItalic) + ' ' + IntToStr(psDot) + ' ' + IntToStr(bsClear));
  b := TBitmap.Create;
  b.Width := 20;
  b.Height := 10;
  b.Canvas.Brush.Color := clWhite;
  b.Canvas.Pen.Color := clWhite;
  b.Canvas.Rectangle(0, 0, 20, 10);
  b.Canvas.Brush.Color := clRed;
  b.Canvas.Pen.Color := clRed;
  b.Canvas.Rectangle(2, 2, 8, 8);
  b.Canvas.Pixels[15, 5] := clBlue;
  ShowMessage(IntToStr(b.Canvas.Pixels[4, 4]) + ' ' + IntToStr(b.Canvas.Pixels[15, 5]) + ' ' +
    IntToStr(b.Canvas.Pixels[12, 1]) + ' ' + IntToStr(b.Width) + 'x' + IntToStr(b.Height));
  b.Free;
end.
