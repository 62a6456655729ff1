// Declarations: variables with arrays and initial values, functions and parameters.
import "unit1.js", "unit1.js";
var count;
var ratio = 0.75, table[2, 3], limit = -0x10 + 2.5e1
var title = "ทะเบียน"#13#10"วัด" + "\x41\n";
function Reset() { count = 0 }
function Add(a, &b, c) {
  var local = a * c;
  b = b + local;
  return b;
}
function Nested(x) {
  function Inner(y) { return y * 2 }
  return Inner(x)
}
Reset();
count = Add(1, count, 1.5)
