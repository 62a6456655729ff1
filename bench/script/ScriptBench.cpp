// Times the kernels (recursive fib, string building, a sieve over a Variant array, a quicksort
// of a Variant array, a character scan of 80,000 ASCII and Thai characters, a floating-point
// Mandelbrot set; then the lines of a memo, a sorted string list and a text built by chained
// appends, each at two sizes four times apart) in each script dialect and runs the same
// algorithms in lua5.4 and python3 in the same run; then compiling a program of 20,000
// statements and one of 200,000 declared variables against lua's load and python's compile,
// with the ratio of each compile time to that of a quarter of the program (4 is linear). Prints each
// time and the ratios (ours / peer; below 1 is faster). Every side of a kernel is timed as a whole
// process by the wall clock, start-up included: ours this program started anew for the compile
// and the run, each peer its interpreter's process, named by its path. A compile's time is that
// of a side's whole process less that of the same process stopping before it compiles, ours and
// the peers' alike, both by the wall clock; whether it grows with the program is told in this
// process, where a process's start does not blur it.
// Run: script_bench [runs [kernel-name-prefix [dialect]]].
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/BenchTiming.h"
#include "bench/script/Kernels.h"
#include "bench/script/ListKernels.h"
#include "platform/gui/Application.h"
#include "script/Script.h"

using namespace orv;

namespace {

// How far a process of this program goes with its source: all the way, to the end of the
// compile, or to the compile's start (what a compile's time is measured against).
enum class TKernelStep { Run, Compile, BeforeCompile };

// The kernel in this program started anew (--kernel DIALECT SOURCE CHECKSUM): the GUI library
// started, the source compiled and run, what it printed written to CHECKSUM; --compile and
// --before-compile stop after the compile and before it. 0 when it ran.
int RunKernel(TKernelStep step, const char* dialect, const char* sourceFile, const char* checksumFile) {
  // The memo kernel makes a widget: the application object is there, without a display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  std::stringstream text;
  text << std::ifstream(sourceFile).rdbuf();
  std::string out;
  TsxScript script(nullptr);
  script.AddRTTI();
  script.AddMethod("procedure Print(v: Variant)", [&out](TObject*, TClass, const String&, TsxMethodHelper& c) -> Variant {
    out = VarToStr(c.GetParamValue(0));
    return Variant();
  });
  script.SetSyntaxType(dialect);
  script.Lines().SetText(text.str());
  if (step == TKernelStep::BeforeCompile) std::_Exit(0);
  if (!script.Compile()) {
    std::fprintf(stderr, "%s: %s at %s\n", dialect, script.ErrorMsg.c_str(), script.ErrorPos.c_str());
    return 1;
  }
  if (step == TKernelStep::Compile) std::_Exit(0);
  try {
    script.Execute();
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", dialect, e.Message().c_str());
    return 1;
  }
  std::ofstream(checksumFile) << out;
  std::fflush(nullptr);
  // What the run made goes with the process, as it goes with an interpreter's.
  std::_Exit(0);
}

// Compiles and runs the kernel once in a process of this program of its own, started anew as a
// peer's interpreter is, timed from its start to its end; the checksum the program printed is
// returned in printed.
double TimeScript(const std::string& self, const char* dialect, const std::string& text, int runs, std::string& printed,
                  const char* step = "--kernel") {
  const auto dir = BenchFolder("script-ours");
  const auto source = dir / "kernel", checksum = dir / "printed";
  { std::ofstream(source) << text; }
  const std::string cmd =
      "'" + self + "' " + step + " '" + dialect + "' '" + source.string() + "' '" + checksum.string() + "'";
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    bool ok = true;
    best = std::min(best, Seconds([&] { ok = std::system(cmd.c_str()) == 0; }));
    if (!ok) {
      std::filesystem::remove_all(dir);
      return -1;
    }
  }
  std::stringstream s;
  s << std::ifstream(checksum).rdbuf();
  printed = s.str();
  std::filesystem::remove_all(dir);
  return best;
}

// The best of runs of the peer's whole process running text; what it printed is returned in
// printed.
double TimePeer(const std::string& program, const std::string& text, int runs, std::string& printed) {
  const auto dir = BenchFolder("script");
  const auto source = dir / "kernel";
  const auto output = dir / "out";
  { std::ofstream(source) << text; }
  const std::string cmd = program + " '" + source.string() + "' > '" + output.string() + "'";
  double best = 1e9;
  for (int i = 0; i < runs; ++i)
    best = std::min(best, Seconds([&] {
      if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "%s failed\n", program.c_str());
    }));
  std::stringstream s;
  s << std::ifstream(output).rdbuf();
  printed = s.str();
  while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r')) printed.pop_back();
  std::filesystem::remove_all(dir);
  return best;
}

// A peer's compile: its whole process less that of the same program ended where the compile
// begins (the line "-- compile" in lua, "# compile" in python, and all after it).
double TimePeerCompile(const std::string& program, const std::string& text, int runs, std::string& printed) {
  const bool lua = program == ORVANE_LUA;
  const std::string before = text.substr(0, text.find(lua ? "-- compile" : "# compile"));
  std::string unused;
  const double whole = TimePeer(program, text, runs, printed);
  const double building = TimePeer(program, before, runs, unused);
  return std::max(whole - building, 0.0);
}

constexpr int kCompiledStatements = 20000;
constexpr int kDeclaredVariables = 200000;

// One statement per line adding its own number, so that no two lines are alike.
std::string CompileKernel(const std::string& dialect, int statements) {
  std::string text;
  const auto each = [&](const char* before, const char* after) {
    for (int i = 1; i <= statements; ++i) text += before + std::to_string(i) + after;
  };
  if (dialect == "PascalScript") {
    text = "var x: Integer;\nbegin\n  x := 0;\n";
    each("  x := x + ", ";\n");
    text += "end.";
  } else if (dialect == "C++Script") {
    text = "int x;\n{\n  x = 0;\n";
    each("  x = x + ", ";\n");
    text += "}";
  } else if (dialect == "BasicScript") {
    text = "Dim x\nx = 0\n";
    each("x = x + ", "\n");
  } else {
    text = "var x;\nx = 0;\n";
    each("x = x + ", ";\n");
  }
  return text;
}

// One variable declared per line, each of its own name.
std::string DeclarationsKernel(const std::string& dialect, int variables) {
  std::string text;
  const auto each = [&](const char* before, const char* after) {
    for (int i = 1; i <= variables; ++i) text += before + std::to_string(i) + after;
  };
  if (dialect == "PascalScript") {
    each("var v", ": Integer;\n");
    text += "begin\nend.";
  } else if (dialect == "C++Script") {
    each("int v", ";\n");
    text += "{\n}";
  } else if (dialect == "BasicScript") {
    each("Dim v", "\n");
  } else {
    each("var v", ";\n");
  }
  return text;
}

// Our compile as the peers' is measured: this program's whole process ending after the compile,
// less the same ending before it.
double TimeCompileProcess(const std::string& self, const std::string& text, const char* dialect, int runs) {
  std::string unused;
  const double whole = TimeScript(self, dialect, text, runs, unused, "--compile");
  const double before = TimeScript(self, dialect, text, runs, unused, "--before-compile");
  return whole < 0 || before < 0 ? -1 : std::max(whole - before, 0.0);
}

// A compile timed in this process: what tells whether the compile grows with the program (the
// start of a process would blur a quarter of it).
double TimeCompile(const std::string& text, const char* dialect, int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    TsxScript script(nullptr);
    script.AddRTTI();
    script.SetSyntaxType(dialect);
    script.Lines().SetText(text);
    bool compiled = false;
    best = std::min(best, Seconds([&] { compiled = script.Compile(); }));
    if (!compiled) {
      std::fprintf(stderr, "%s: %s at %s\n", dialect, script.ErrorMsg.c_str(), script.ErrorPos.c_str());
      return -1;
    }
  }
  return best;
}

// The peers build the same text, then compile it (TimePeerCompile).
const char* const kLuaDeclarations = R"(local parts = {}
for i = 1, 200000 do parts[#parts + 1] = "v" .. i .. " = 0" end
local src = table.concat(parts, "\n")
-- compile
local f = load(src)
print(f and "compiled" or "failed"))";
const char* const kPythonDeclarations = R"(parts = []
for i in range(1, 200001): parts.append("v" + str(i) + " = 0")
src = "\n".join(parts)
# compile
code = compile(src, "kernel", "exec")
print("compiled"))";
const char* const kLuaCompile = R"(local parts = {"x = 0"}
for i = 1, 20000 do parts[#parts + 1] = "x = x + " .. i end
local src = table.concat(parts, "\n")
-- compile
local f = load(src)
print(f and "compiled" or "failed"))";
const char* const kPythonCompile = R"(parts = ["x = 0"]
for i in range(1, 20001): parts.append("x = x + " + str(i))
src = "\n".join(parts)
# compile
code = compile(src, "kernel", "exec")
print("compiled"))";

// Compiling a program of size units that make writes, against the peers, with the ratio to a
// quarter of it (4 is linear).
void CompareCompiles(const std::string& self, const char* name, std::string (*make)(const std::string&, int), int size,
                     const char* lua, const char* python, int runs, const std::string& onlyDialect) {
  std::string luaOut, pyOut;
  const double luaTime = TimePeerCompile(ORVANE_LUA, lua, runs, luaOut);
  const double pythonTime = TimePeerCompile(ORVANE_PYTHON, python, runs, pyOut);
  const std::string label = std::string(name) + "(" + std::to_string(size) + ")";
  for (const char* dialect : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
    if (!onlyDialect.empty() && onlyDialect != dialect) continue;
    const double ours = TimeCompileProcess(self, make(dialect, size), dialect, runs);
    const double here = TimeCompile(make(dialect, size), dialect, runs);
    const double quarter = TimeCompile(make(dialect, size / 4), dialect, runs);
    std::printf("%-15s %-13s %9.3f %9.3f %9.3f %9.2f %9.2f  (%d/%d in this process: %.2f)\n", label.c_str(), dialect,
                ours, luaTime, pythonTime, ours / luaTime, ours / pythonTime, size, size / 4, here / quarter);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5) {
    const std::string step = argv[1];
    if (step == "--kernel") return RunKernel(TKernelStep::Run, argv[2], argv[3], argv[4]);
    if (step == "--compile") return RunKernel(TKernelStep::Compile, argv[2], argv[3], argv[4]);
    if (step == "--before-compile") return RunKernel(TKernelStep::BeforeCompile, argv[2], argv[3], argv[4]);
  }
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
  const std::string only = argc > 2 ? argv[2] : "";
  const std::string onlyDialect = argc > 3 ? argv[3] : "";
  // The memo kernel makes a widget: the application object is there, without a display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  std::printf("peers: %s and %s; every side of a kernel a whole process\n", ORVANE_LUA, ORVANE_PYTHON);
  std::printf("%-15s %-13s %9s %9s %9s %9s %9s\n", "kernel", "dialect", "seconds", "lua5.4", "python3",
              "/lua", "/python");
  std::vector<bench::TKernel> kernels = bench::Kernels();
  for (bench::TKernel& k : bench::ListKernels()) kernels.push_back(std::move(k));
  for (const bench::TKernel& k : kernels) {
    if (std::string(k.Name).rfind(only, 0) != 0) continue;
    std::string luaOut, pyOut;
    const double lua = TimePeer(ORVANE_LUA, k.Lua, runs, luaOut);
    const double python = TimePeer(ORVANE_PYTHON, k.Python, runs, pyOut);
    const struct {
      const char* Dialect;
      const char* Text;
    } dialects[] = {{"PascalScript", k.Pascal.c_str()}, {"C++Script", k.Cpp.c_str()}, {"BasicScript", k.Basic.c_str()},
                   {"JScript", k.JScript.c_str()}};
    for (const auto& d : dialects) {
      if (!onlyDialect.empty() && onlyDialect != d.Dialect) continue;
      std::string out;
      const double ours = TimeScript(self, d.Dialect, d.Text, runs, out);
      std::printf("%-15s %-13s %9.3f %9.3f %9.3f %9.2f %9.2f%s\n", k.Name.c_str(), d.Dialect, ours, lua, python,
                  ours / lua, ours / python, out == luaOut && out == pyOut ? "" : "  (checksums differ!)");
      if (out != luaOut || out != pyOut)
        std::printf("    ours %s, lua %s, python %s\n", out.c_str(), luaOut.c_str(), pyOut.c_str());
    }
  }
  if (std::string("compile").rfind(only, 0) == 0)
    CompareCompiles(self, "compile", CompileKernel, kCompiledStatements, kLuaCompile, kPythonCompile, runs, onlyDialect);
  if (std::string("declarations").rfind(only, 0) == 0)
    CompareCompiles(self, "declare", DeclarationsKernel, kDeclaredVariables, kLuaDeclarations, kPythonDeclarations, runs,
                    onlyDialect);
  return 0;
}
