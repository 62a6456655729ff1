#pragma once
// The benchmark kernels: the same algorithms written in each script dialect and for the
// two peers, lua5.4 and python3. Every program reports one checksum through Print, so that a
// run also proves the dialects compute the same thing.
#include <string>
#include <utility>
#include <vector>

namespace orv::bench {

struct TKernel {
  std::string Name;
  std::string Pascal;
  std::string Cpp;
  std::string Basic;
  std::string JScript;
  std::string Lua;
  std::string Python;
};

inline const TKernel kKernelTexts[] = {
    {"fib(30)",
     R"(function Fib(n: Integer): Integer;
begin
  if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2);
end;
begin
  Print(Fib(30));
end.)",
     R"(int Fib(int n) {
  if (n < 2) return n;
  return Fib(n - 1) + Fib(n - 2);
}
{ Print(Fib(30)); })",
     R"(Function Fib(n)
  If n < 2 Then Return n
  Return Fib(n - 1) + Fib(n - 2)
End Function
Print(Fib(30)))",
     R"(function Fib(n) {
  if (n < 2) return n;
  return Fib(n - 1) + Fib(n - 2);
}
Print(Fib(30));)",
     R"(local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
print(fib(30)))",
     R"(def fib(n):
    if n < 2: return n
    return fib(n - 1) + fib(n - 2)
print(fib(30)))"},

    {"strings",
     R"(var i, total: Integer; s: String;
begin
  s := ''; total := 0;
  for i := 1 to 100000 do
  begin
    s := s + Chr(65 + i mod 26);
    if Length(s) >= 100 then
    begin
      total := total + Length(Copy(s, 10, 50)) + Ord(Copy(s, 3, 1)[1]);
      s := '';
    end;
  end;
  Print(total);
end.)",
     R"(int i, total; string s;
{
  s = ""; total = 0;
  for (i = 1; i <= 100000; i++) {
    s = s + Chr(65 + i % 26);
    if (Length(s) >= 100) {
      total = total + Length(Copy(s, 10, 50)) + Ord(Copy(s, 3, 1)[1]);
      s = "";
    }
  }
  Print(total);
})",
     R"(Dim i, total, s
s = ""
total = 0
For i = 1 To 100000
  s = s + Chr(65 + i Mod 26)
  If Length(s) >= 100 Then
    total = total + Length(Copy(s, 10, 50)) + Ord(Copy(s, 3, 1)[1])
    s = ""
  End If
Next
Print(total))",
     R"(var i, total, s;
s = ""; total = 0;
for (i = 1; i <= 100000; i++) {
  s = s + Chr(65 + i % 26);
  if (Length(s) >= 100) {
    total = total + Length(Copy(s, 10, 50)) + Ord(Copy(s, 3, 1)[1]);
    s = "";
  }
}
Print(total);)",
     R"(local s, total = "", 0
for i = 1, 100000 do
  s = s .. string.char(65 + i % 26)
  if #s >= 100 then
    total = total + #(s:sub(10, 59)) + string.byte(s:sub(3, 3), 1)
    s = ""
  end
end
print(total))",
     R"(s = ""
total = 0
for i in range(1, 100001):
    s = s + chr(65 + i % 26)
    if len(s) >= 100:
        total = total + len(s[9:59]) + ord(s[2:3][0])
        s = ""
print(total))"},

    {"sieve(1e6)",
     R"(var a: Variant; i, j, count: Integer;
begin
  a := VarArrayCreate([0, 999999], varVariant);
  for i := 2 to 999999 do a[i] := True;
  count := 0;
  for i := 2 to 999999 do
    if a[i] then
    begin
      count := count + 1;
      if i < 1000 then
      begin
        j := i * i;
        while j <= 999999 do
        begin
          a[j] := False;
          j := j + i;
        end;
      end;
    end;
  Print(count);
end.)",
     R"(Variant a; int i, j, count;
{
  a = VarArrayCreate([0, 999999], varVariant);
  for (i = 2; i <= 999999; i++) a[i] = true;
  count = 0;
  for (i = 2; i <= 999999; i++)
    if (a[i]) {
      count++;
      if (i < 1000) {
        for (j = i * i; j <= 999999; j = j + i) a[j] = false;
      }
    }
  Print(count);
})",
     R"(Dim a, i, j, count
a = VarArrayCreate([0, 999999], varVariant)
For i = 2 To 999999
  a[i] = True
Next
count = 0
For i = 2 To 999999
  If a[i] Then
    count = count + 1
    If i < 1000 Then
      For j = i * i To 999999 Step i
        a[j] = False
      Next
    End If
  End If
Next
Print(count))",
     R"(var a, i, j, count;
a = VarArrayCreate([0, 999999], varVariant);
for (i = 2; i <= 999999; i++) a[i] = true;
count = 0;
for (i = 2; i <= 999999; i++)
  if (a[i]) {
    count++;
    if (i < 1000) {
      for (j = i * i; j <= 999999; j = j + i) a[j] = false;
    }
  }
Print(count);)",
     R"(local a = {}
for i = 2, 999999 do a[i] = true end
local count = 0
for i = 2, 999999 do
  if a[i] then
    count = count + 1
    if i < 1000 then
      for j = i * i, 999999, i do a[j] = false end
    end
  end
end
print(count))",
     R"(a = [False] * 1000000
for i in range(2, 1000000): a[i] = True
count = 0
for i in range(2, 1000000):
    if a[i]:
        count = count + 1
        if i < 1000:
            for j in range(i * i, 1000000, i): a[j] = False
print(count))"},

    {"quicksort(1e5)",
     R"(var a: Variant; i, seed, check: Integer;
procedure Sort(lo, hi: Integer);
var i, j, p, t: Integer;
begin
  i := lo; j := hi; p := a[(lo + hi) div 2];
  while i <= j do
  begin
    while a[i] < p do i := i + 1;
    while a[j] > p do j := j - 1;
    if i <= j then
    begin
      t := a[i]; a[i] := a[j]; a[j] := t;
      i := i + 1; j := j - 1;
    end;
  end;
  if lo < j then Sort(lo, j);
  if i < hi then Sort(i, hi);
end;
begin
  a := VarArrayCreate([0, 99999], varVariant);
  seed := 42;
  for i := 0 to 99999 do
  begin
    seed := (seed * 16807) mod 2147483647;
    a[i] := seed mod 1000000;
  end;
  Sort(0, 99999);
  check := 0;
  for i := 0 to 99999 do
    if (i mod 1000 = 0) then check := (check + a[i]) mod 1000000007;
  for i := 1 to 99999 do
    if a[i - 1] > a[i] then check := -1;
  Print(check);
end.)",
     R"(Variant a; int i, seed, check;
void Sort(int lo, int hi) {
  int i = lo, j = hi, p, t;
  p = a[(lo + hi) div 2];
  while (i <= j) {
    while (a[i] < p) i++;
    while (a[j] > p) j--;
    if (i <= j) {
      t = a[i]; a[i] = a[j]; a[j] = t;
      i++; j--;
    }
  }
  if (lo < j) Sort(lo, j);
  if (i < hi) Sort(i, hi);
}
{
  a = VarArrayCreate([0, 99999], varVariant);
  seed = 42;
  for (i = 0; i <= 99999; i++) {
    seed = (seed * 16807) % 2147483647;
    a[i] = seed % 1000000;
  }
  Sort(0, 99999);
  check = 0;
  for (i = 0; i <= 99999; i++)
    if (i % 1000 == 0) check = (check + a[i]) % 1000000007;
  for (i = 1; i <= 99999; i++)
    if (a[i - 1] > a[i]) check = -1;
  Print(check);
})",
     R"(Dim a, i, seed, check
Sub Sort(lo, hi)
  Dim i, j, p, t
  i = lo
  j = hi
  p = a[(lo + hi) \ 2]
  While i <= j
    While a[i] < p
      i = i + 1
    Wend
    While a[j] > p
      j = j - 1
    Wend
    If i <= j Then
      t = a[i]
      a[i] = a[j]
      a[j] = t
      i = i + 1
      j = j - 1
    End If
  Wend
  If lo < j Then Sort(lo, j)
  If i < hi Then Sort(i, hi)
End Sub
a = VarArrayCreate([0, 99999], varVariant)
seed = 42
For i = 0 To 99999
  seed = (seed * 16807) Mod 2147483647
  a[i] = seed Mod 1000000
Next
Sort(0, 99999)
check = 0
For i = 0 To 99999
  If i Mod 1000 = 0 Then check = (check + a[i]) Mod 1000000007
Next
For i = 1 To 99999
  If a[i - 1] > a[i] Then check = -1
Next
Print(check))",
     R"(var a, i, seed, check;
function Sort(lo, hi) {
  var i = lo, j = hi, p, t;
  p = a[(lo + hi) div 2];
  while (i <= j) {
    while (a[i] < p) i++;
    while (a[j] > p) j--;
    if (i <= j) {
      t = a[i]; a[i] = a[j]; a[j] = t;
      i++; j--;
    }
  }
  if (lo < j) Sort(lo, j);
  if (i < hi) Sort(i, hi);
}
a = VarArrayCreate([0, 99999], varVariant);
seed = 42;
for (i = 0; i <= 99999; i++) {
  seed = (seed * 16807) % 2147483647;
  a[i] = seed % 1000000;
}
Sort(0, 99999);
check = 0;
for (i = 0; i <= 99999; i++)
  if (i % 1000 == 0) check = (check + a[i]) % 1000000007;
for (i = 1; i <= 99999; i++)
  if (a[i - 1] > a[i]) check = -1;
Print(check);)",
     R"(local a = {}
local seed = 42
for i = 0, 99999 do
  seed = (seed * 16807) % 2147483647
  a[i] = seed % 1000000
end
local function sort(lo, hi)
  local i, j = lo, hi
  local p = a[(lo + hi) // 2]
  while i <= j do
    while a[i] < p do i = i + 1 end
    while a[j] > p do j = j - 1 end
    if i <= j then
      a[i], a[j] = a[j], a[i]
      i = i + 1; j = j - 1
    end
  end
  if lo < j then sort(lo, j) end
  if i < hi then sort(i, hi) end
end
sort(0, 99999)
local check = 0
for i = 0, 99999 do if i % 1000 == 0 then check = (check + a[i]) % 1000000007 end end
for i = 1, 99999 do if a[i - 1] > a[i] then check = -1 end end
print(check))",
     R"(import sys
sys.setrecursionlimit(10000)
a = [0] * 100000
seed = 42
for i in range(100000):
    seed = (seed * 16807) % 2147483647
    a[i] = seed % 1000000
def sort(lo, hi):
    i, j = lo, hi
    p = a[(lo + hi) // 2]
    while i <= j:
        while a[i] < p: i = i + 1
        while a[j] > p: j = j - 1
        if i <= j:
            a[i], a[j] = a[j], a[i]
            i = i + 1; j = j - 1
    if lo < j: sort(lo, j)
    if i < hi: sort(i, hi)
sort(0, 99999)
check = 0
for i in range(100000):
    if i % 1000 == 0: check = (check + a[i]) % 1000000007
for i in range(1, 100000):
    if a[i - 1] > a[i]: check = -1
print(check))"},
    {"scan ascii",
     R"(var s: String; i, n: Integer;
begin
  s := '';
  for i := 1 to 8000 do s := s + 'abcdefghij';
  n := 0;
  for i := 1 to Length(s) do
  begin
    if s[i] = 'a' then n := n + 1;
    if Copy(s, i, 1) = 'j' then n := n + 2;
    s[i] := 'x';
  end;
  if s[Length(s)] = 'x' then n := n + 1000000;
  Print(n);
end.)",
     R"(string s; int i, n;
{
  s = "";
  for (i = 1; i <= 8000; i++) s = s + "abcdefghij";
  n = 0;
  for (i = 1; i <= Length(s); i++) {
    if (s[i] == "a") n = n + 1;
    if (Copy(s, i, 1) == "j") n = n + 2;
    s[i] = "x";
  }
  if (s[Length(s)] == "x") n = n + 1000000;
  Print(n);
})",
     R"(Dim s, i, n
s = ""
For i = 1 To 8000
  s = s + "abcdefghij"
Next
n = 0
For i = 1 To Length(s)
  If s[i] = "a" Then n = n + 1
  If Copy(s, i, 1) = "j" Then n = n + 2
  s[i] = "x"
Next
If s[Length(s)] = "x" Then n = n + 1000000
Print(n))",
     R"(var s, i, n;
s = "";
for (i = 1; i <= 8000; i++) s = s + "abcdefghij";
n = 0;
for (i = 1; i <= Length(s); i++) {
  if (s[i] == "a") n = n + 1;
  if (Copy(s, i, 1) == "j") n = n + 2;
  s[i] = "x";
}
if (s[Length(s)] == "x") n = n + 1000000;
Print(n);)",
     R"(local parts = {}
for i = 1, 8000 do parts[#parts + 1] = "abcdefghij" end
local s = table.concat(parts)
local t = {}
for _, c in utf8.codes(s) do t[#t + 1] = utf8.char(c) end
local n = 0
for i = 1, #t do
  if t[i] == "a" then n = n + 1 end
  if t[i] == "j" then n = n + 2 end
  t[i] = "x"
end
if t[#t] == "x" then n = n + 1000000 end
print(n))",
     R"(s = ""
for i in range(8000): s = s + "abcdefghij"
t = list(s)
n = 0
for i in range(len(s)):
    if t[i] == "a": n = n + 1
    if s[i:i + 1] == "j": n = n + 2
    t[i] = "x"
if t[len(t) - 1] == "x": n = n + 1000000
print(n))"},

    {"mandelbrot",
     R"(var x, y, cr, ci, zr, zi, t: Double; i, j, k, inside: Integer;
begin
  inside := 0;
  for j := 0 to 99 do
    for i := 0 to 99 do
    begin
      cr := -2.0 + i * 0.025;
      ci := -1.25 + j * 0.025;
      zr := 0.0;
      zi := 0.0;
      k := 0;
      while (k < 100) and (zr * zr + zi * zi <= 4.0) do
      begin
        t := zr * zr - zi * zi + cr;
        zi := 2.0 * zr * zi + ci;
        zr := t;
        k := k + 1;
      end;
      if k = 100 then inside := inside + 1;
    end;
  Print(inside);
end.)",
     R"(double cr, ci, zr, zi, t; int i, j, k, inside;
{
  inside = 0;
  for (j = 0; j <= 99; j++)
    for (i = 0; i <= 99; i++) {
      cr = -2.0 + i * 0.025;
      ci = -1.25 + j * 0.025;
      zr = 0.0;
      zi = 0.0;
      k = 0;
      while ((k < 100) && (zr * zr + zi * zi <= 4.0)) {
        t = zr * zr - zi * zi + cr;
        zi = 2.0 * zr * zi + ci;
        zr = t;
        k = k + 1;
      }
      if (k == 100) inside = inside + 1;
    }
  Print(inside);
})",
     R"(Dim cr, ci, zr, zi, t, i, j, k, inside
inside = 0
For j = 0 To 99
  For i = 0 To 99
    cr = -2.0 + i * 0.025
    ci = -1.25 + j * 0.025
    zr = 0.0
    zi = 0.0
    k = 0
    While (k < 100) And (zr * zr + zi * zi <= 4.0)
      t = zr * zr - zi * zi + cr
      zi = 2.0 * zr * zi + ci
      zr = t
      k = k + 1
    Wend
    If k = 100 Then inside = inside + 1
  Next
Next
Print(inside))",
     R"(var cr, ci, zr, zi, t, i, j, k, inside;
inside = 0;
for (j = 0; j <= 99; j++)
  for (i = 0; i <= 99; i++) {
    cr = -2.0 + i * 0.025;
    ci = -1.25 + j * 0.025;
    zr = 0.0;
    zi = 0.0;
    k = 0;
    while ((k < 100) && (zr * zr + zi * zi <= 4.0)) {
      t = zr * zr - zi * zi + cr;
      zi = 2.0 * zr * zi + ci;
      zr = t;
      k = k + 1;
    }
    if (k == 100) inside = inside + 1;
  }
Print(inside);)",
     R"(local inside = 0
for j = 0, 99 do
  for i = 0, 99 do
    local cr = -2.0 + i * 0.025
    local ci = -1.25 + j * 0.025
    local zr, zi, k = 0.0, 0.0, 0
    while k < 100 and zr * zr + zi * zi <= 4.0 do
      local t = zr * zr - zi * zi + cr
      zi = 2.0 * zr * zi + ci
      zr = t
      k = k + 1
    end
    if k == 100 then inside = inside + 1 end
  end
end
print(inside))",
     R"(inside = 0
for j in range(100):
    for i in range(100):
        cr = -2.0 + i * 0.025
        ci = -1.25 + j * 0.025
        zr = 0.0
        zi = 0.0
        k = 0
        while k < 100 and zr * zr + zi * zi <= 4.0:
            t = zr * zr - zi * zi + cr
            zi = 2.0 * zr * zi + ci
            zr = t
            k = k + 1
        if k == 100: inside = inside + 1
print(inside))"},
};

// The Thai text scan is the ASCII one with Thai letters in its quotes: same lengths in
// characters, three bytes each.
inline std::string WithThaiLetters(std::string text) {
  const std::pair<const char*, const char*> swaps[] = {
      {"abcdefghij", "กขคงจฉชซฌญ"}, {"a", "ก"}, {"j", "ญ"}, {"x", "ฮ"}};
  for (char quote : {'\'', '"'})
    for (auto [from, to] : swaps) {
      const std::string a = quote + std::string(from) + quote, b = quote + std::string(to) + quote;
      for (size_t at = 0; (at = text.find(a, at)) != std::string::npos; at += b.size()) text.replace(at, a.size(), b);
    }
  return text;
}

inline const std::vector<TKernel>& Kernels() {
  static const std::vector<TKernel> kernels = [] {
    std::vector<TKernel> all;
    for (const TKernel& k : kKernelTexts) {
      all.push_back(k);
      if (k.Name != "scan ascii") continue;
      TKernel thai{"scan thai", WithThaiLetters(k.Pascal), WithThaiLetters(k.Cpp), WithThaiLetters(k.Basic),
                   WithThaiLetters(k.JScript), WithThaiLetters(k.Lua), WithThaiLetters(k.Python)};
      all.push_back(thai);
    }
    return all;
  }();
  return kernels;
}

}  // namespace orv::bench
