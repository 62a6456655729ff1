// Recursion without an end stops with a script error instead of crashing the program.
function Down(n) {
  return Down(n + 1) + 1;
}
ShowMessage("start");
Down(0);
