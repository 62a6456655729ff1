var x = 1;
try {
  x = x + 1;
} finally {
  ShowMessage("finally " + IntToStr(x));
}
RaiseException("stopped at " + IntToStr(x));
ShowMessage("never");
