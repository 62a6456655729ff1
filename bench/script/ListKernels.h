#pragma once
// Kernels of native list and text work, each at a size and at four times that size, so that
// their ratio shows whether the work grows in proportion (4 is linear): the lines of a memo
// added, read and changed; a sorted string list filled with distinct keys; a text built by
// appending two pieces a round; and a program of many declared variables compiled.
#include <string>
#include <vector>

#include "bench/script/Kernels.h"

namespace orv::bench {

// "@N@" in a kernel's texts stands for its size.
inline const TKernel kListKernelTexts[] = {
    {"memo lines",
     R"(var m: TMemo; i, total: Integer;
begin
  m := TMemo.Create(nil);
  for i := 1 to @N@ do m.Lines.Add('line ' + IntToStr(i));
  total := 0;
  for i := 0 to m.Lines.Count - 1 do total := total + Length(m.Lines[i]);
  m.Lines[0] := 'first';
  m.Lines.Delete(1);
  m.Lines.Insert(1, 'second');
  total := total + m.Lines.Count + Length(m.Lines[0]) + Length(m.Lines[1]);
  m.Free;
  Print(total);
end.)",
     R"(TMemo m; int i, total;
{
  m = TMemo.Create(nil);
  for (i = 1; i <= @N@; i++) m.Lines.Add("line " + IntToStr(i));
  total = 0;
  for (i = 0; i < m.Lines.Count; i++) total = total + Length(m.Lines[i]);
  m.Lines[0] = "first";
  m.Lines.Delete(1);
  m.Lines.Insert(1, "second");
  total = total + m.Lines.Count + Length(m.Lines[0]) + Length(m.Lines[1]);
  m.Free;
  Print(total);
})",
     R"(Dim m, i, total
m = TMemo.Create(nil)
For i = 1 To @N@
  m.Lines.Add("line " + IntToStr(i))
Next
total = 0
For i = 0 To m.Lines.Count - 1
  total = total + Length(m.Lines[i])
Next
m.Lines[0] = "first"
m.Lines.Delete(1)
m.Lines.Insert(1, "second")
total = total + m.Lines.Count + Length(m.Lines[0]) + Length(m.Lines[1])
m.Free
Print(total))",
     R"(var m, i, total;
m = TMemo.Create(nil);
for (i = 1; i <= @N@; i++) m.Lines.Add("line " + IntToStr(i));
total = 0;
for (i = 0; i < m.Lines.Count; i++) total = total + Length(m.Lines[i]);
m.Lines[0] = "first";
m.Lines.Delete(1);
m.Lines.Insert(1, "second");
total = total + m.Lines.Count + Length(m.Lines[0]) + Length(m.Lines[1]);
m.Free;
Print(total);)",
     R"(local t = {}
for i = 1, @N@ do t[#t + 1] = "line " .. i end
local total = 0
for i = 1, #t do total = total + #t[i] end
t[1] = "first"
table.remove(t, 2)
table.insert(t, 2, "second")
total = total + #t + #t[1] + #t[2]
print(total))",
     R"(t = []
for i in range(1, @N@ + 1): t.append("line " + str(i))
total = 0
for line in t: total = total + len(line)
t[0] = "first"
del t[1]
t.insert(1, "second")
total = total + len(t) + len(t[0]) + len(t[1])
print(total))"},

    // Distinct keys in a scattered order: (i * 7919) mod N visits every number below N once.
    {"sorted list",
     R"(var l: TStringList; i: Integer;
begin
  l := TStringList.Create;
  l.Sorted := True;
  for i := 1 to @N@ do l.Add(IntToStr((i * 7919) mod @N@));
  Print(l.Count + Length(l[0]) + Length(l[l.Count - 1]) + Length(l[l.Count div 2]));
  l.Free;
end.)",
     R"(TStringList l; int i;
{
  l = TStringList.Create;
  l.Sorted = true;
  for (i = 1; i <= @N@; i++) l.Add(IntToStr((i * 7919) % @N@));
  Print(l.Count + Length(l[0]) + Length(l[l.Count - 1]) + Length(l[Trunc(l.Count / 2)]));
  l.Free;
})",
     R"(Dim l, i
l = TStringList.Create
l.Sorted = True
For i = 1 To @N@
  l.Add(IntToStr((i * 7919) Mod @N@))
Next
Print(l.Count + Length(l[0]) + Length(l[l.Count - 1]) + Length(l[l.Count \ 2]))
l.Free)",
     R"(var l, i;
l = TStringList.Create;
l.Sorted = true;
for (i = 1; i <= @N@; i++) l.Add(IntToStr((i * 7919) % @N@));
Print(l.Count + Length(l[0]) + Length(l[l.Count - 1]) + Length(l[Trunc(l.Count / 2)]));
l.Free;)",
     R"(local seen, keys = {}, {}
for i = 1, @N@ do
  local k = tostring((i * 7919) % @N@)
  if not seen[k] then seen[k] = true; keys[#keys + 1] = k end
end
table.sort(keys)
print(#keys + #keys[1] + #keys[#keys] + #keys[#keys // 2 + 1]))",
     R"(seen = set()
for i in range(1, @N@ + 1): seen.add(str((i * 7919) % @N@))
keys = sorted(seen)
print(len(keys) + len(keys[0]) + len(keys[-1]) + len(keys[len(keys) // 2])))"},

    {"concat chain",
     R"(var s: String; i: Integer;
begin
  s := '';
  for i := 1 to @N@ do s := s + 'ab' + Chr(48 + i mod 10);
  Print(Length(s) + Ord(s[Length(s)]));
end.)",
     R"(string s; int i;
{
  s = "";
  for (i = 1; i <= @N@; i++) s = s + "ab" + Chr(48 + i % 10);
  Print(Length(s) + Ord(Copy(s, Length(s), 1)));
})",
     R"(Dim s, i
s = ""
For i = 1 To @N@
  s = s + "ab" + Chr(48 + i Mod 10)
Next
Print(Length(s) + Ord(Copy(s, Length(s), 1))))",
     R"(var s, i;
s = "";
for (i = 1; i <= @N@; i++) s = s + "ab" + Chr(48 + i % 10);
Print(Length(s) + Ord(Copy(s, Length(s), 1)));)",
     R"(local parts = {}
for i = 1, @N@ do parts[#parts + 1] = "ab" .. string.char(48 + i % 10) end
local s = table.concat(parts)
print(#s + string.byte(s, -1)))",
     R"(parts = []
for i in range(1, @N@ + 1): parts.append("ab" + chr(48 + i % 10))
s = "".join(parts)
print(len(s) + ord(s[-1])))"},
};

// The size of each list kernel's smaller run.
inline int ListKernelSize(const std::string& name) {
  if (name == "memo lines") return 20000;
  if (name == "sorted list") return 50000;
  return 100000;
}

inline std::string WithSize(std::string text, int n) {
  const std::string mark = "@N@", value = std::to_string(n);
  for (size_t at = 0; (at = text.find(mark, at)) != std::string::npos; at += value.size()) text.replace(at, mark.size(), value);
  return text;
}

// Each list kernel at its size and at four times it, named with the size.
inline std::vector<TKernel> ListKernels() {
  std::vector<TKernel> all;
  for (const TKernel& k : kListKernelTexts)
    for (int n : {ListKernelSize(k.Name), 4 * ListKernelSize(k.Name)})
      all.push_back({k.Name + "(" + std::to_string(n) + ")", WithSize(k.Pascal, n), WithSize(k.Cpp, n),
                     WithSize(k.Basic, n), WithSize(k.JScript, n), WithSize(k.Lua, n), WithSize(k.Python, n)});
  return all;
}

}  // namespace orv::bench
