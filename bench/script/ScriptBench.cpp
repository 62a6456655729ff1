// Times four kernels (recursive fib, string building, a sieve over a Variant array, a quicksort
// of a Variant array) in each script dialect and runs the same algorithms in lua5.4 and python3
// in the same run; prints each time and the ratios (ours / peer; below 1 is faster). Each peer
// times the kernel inside its own process, so its start-up does not count.
// Run: script_bench [runs [kernel-name-prefix]].
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/BenchTiming.h"
#include "bench/script/Kernels.h"
#include "script/Script.h"

using namespace orv;

namespace {

// Compiles once, then times Execute; the checksum the program printed is returned in printed.
double TimeScript(const char* dialect, const char* text, int runs, std::string& printed) {
  TsxScript script(nullptr);
  script.AddRTTI();
  script.AddMethod("procedure Print(v: Variant)",
                   [&printed](TObject*, TClass, const String&, TsxMethodHelper& c) -> Variant {
                     printed = VarToStr(c.GetParamValue(0));
                     return Variant();
                   });
  script.SetSyntaxType(dialect);
  script.Lines().SetText(text);
  if (!script.Compile()) {
    std::fprintf(stderr, "%s: %s at %s\n", dialect, script.ErrorMsg.c_str(), script.ErrorPos.c_str());
    return -1;
  }
  try {
    return Best(runs, [&] { script.Execute(); });
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s: %s\n", dialect, e.Message().c_str());
    return -1;
  }
}

// The peer times the kernel itself, so its start-up is left out: the program is wrapped in a
// clock read before and after, the seconds written to standard error.
double TimePeer(const std::string& program, const char* text, int runs, std::string& printed) {
  const bool lua = program.rfind("lua", 0) == 0;
  const std::string wrapped =
      lua ? std::string("local __start = os.clock()\n") + text + "\nio.stderr:write(os.clock() - __start)\n"
          : std::string("import time as __time\n__start = __time.perf_counter()\n") + text +
                "\nimport sys as __sys\n__sys.stderr.write(str(__time.perf_counter() - __start))\n";
  const auto dir = BenchFolder("script");
  const auto source = dir / "kernel";
  const auto output = dir / "out";
  const auto seconds = dir / "seconds";
  { std::ofstream(source) << wrapped; }
  const std::string cmd = program + " '" + source.string() + "' > '" + output.string() + "' 2> '" +
                          seconds.string() + "'";
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "%s failed\n", program.c_str());
    std::ifstream in(seconds);
    double t = 1e9;
    in >> t;
    best = std::min(best, t);
  }
  std::stringstream s;
  s << std::ifstream(output).rdbuf();
  printed = s.str();
  while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r')) printed.pop_back();
  std::filesystem::remove_all(dir);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
  const std::string only = argc > 2 ? argv[2] : "";
  std::printf("%-15s %-13s %9s %9s %9s %9s %9s\n", "kernel", "dialect", "seconds", "lua5.4", "python3",
              "/lua", "/python");
  for (const bench::TKernel& k : bench::kKernels) {
    if (std::string(k.Name).rfind(only, 0) != 0) continue;
    std::string luaOut, pyOut;
    const double lua = TimePeer("lua5.4", k.Lua, runs, luaOut);
    const double python = TimePeer("python3", k.Python, runs, pyOut);
    const struct {
      const char* Dialect;
      const char* Text;
    } dialects[] = {{"PascalScript", k.Pascal}, {"C++Script", k.Cpp}, {"BasicScript", k.Basic}, {"JScript", k.JScript}};
    for (const auto& d : dialects) {
      std::string out;
      const double ours = TimeScript(d.Dialect, d.Text, runs, out);
      std::printf("%-15s %-13s %9.3f %9.3f %9.3f %9.2f %9.2f%s\n", k.Name, d.Dialect, ours, lua, python,
                  ours / lua, ours / python, out == luaOut && out == pyOut ? "" : "  (checksums differ!)");
      if (out != luaOut || out != pyOut)
        std::printf("    ours %s, lua %s, python %s\n", out.c_str(), luaOut.c_str(), pyOut.c_str());
    }
  }
  return 0;
}
