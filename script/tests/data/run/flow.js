// Exceptions, finally parts after jumps, switch with break, var parameters down a recursion, && and ||.
var i, total, log;

function Fill(depth, &acc) {
  acc = acc + depth;
  if (depth > 0) Fill(depth - 1, acc);
}

function Guarded(k) {
  Result = "start";
  try {
    if (k == 1) return;
    Result = "body";
  } finally {
    Result = Result + "+finally";
  }
}

function Describe(k) {
  var d = "other";
  switch (k) {
    case 1: { d = "one"; break; }
    case 2, 3: d = "two or three";
    case 4..6: { d = "four to six"; break; d = "never"; }
  }
  return d;
}

try {
  RaiseException("ไม่พบสมาชิก");
} except {
  ShowMessage(ExceptionClassName + ": " + ExceptionMessage);
}
try {
  i = StrToInt("12a");
} except {
  ShowMessage(ExceptionClassName + ": " + ExceptionMessage);
}
ShowMessage(Guarded(1) + " " + Guarded(2));
log = "";
for (i = 1; i <= 5; i++) {
  try {
    if (i == 2) continue;
    if (i == 4) break;
    log = log + IntToStr(i);
  } finally {
    log = log + "f";
    log = log + ";";
  }
}
ShowMessage(log);
total = 0;
Fill(4, total);
ShowMessage("sum " + IntToStr(total));
ShowMessage(Describe(1) + ", " + Describe(3) + ", " + Describe(5) + ", " + Describe(9));
if (1 < 2 && 3 < 4) ShowMessage("and holds");
if (!(1 > 2) || false) ShowMessage("or holds");
i = 0;
do i = i + 2; while (i < 7);
ShowMessage(IntToStr(i));
log = "";
for (i = 3; i >= 1; i--) log = log + IntToStr(i);
ShowMessage(log);
if (4 in [1, 3..5]) ShowMessage("4 in set");
if (!(2 in [1, 3..5])) ShowMessage("2 not in set");
