begin
  ShowMessage(IntToStr(Ord('A')));
  ShowMessage(IntToStr(Ord('')));
end.
