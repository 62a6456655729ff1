// Reporting a syntax error deep inside nested blocks, in every dialect: the time for a depth
// against the time for half that depth. Linear work gives a ratio near 2; the parser once gave
// about 4 per level in C++Script.
#include <cstdio>

#include "bench/BenchTiming.h"
#include "script/ILParser.h"

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string Nested(const std::string& dialect, int n) {
  if (dialect == "PascalScript") return Repeat("begin ", n) + "x := ;" + Repeat(" end", n) + ".";
  if (dialect == "BasicScript") return Repeat("If a Then\n", n) + "x = \n" + Repeat("End If\n", n);
  return Repeat("{ if (a) ", n) + "{ x = ; }" + Repeat(" }", n);
}

}  // namespace

int main() {
  for (const char* dialect : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
    double previous = 0;
    for (int depth = 50; depth <= 400; depth *= 2) {
      std::string source = Nested(dialect, depth);
      double seconds = orv::Best(3, [&] {
        orv::TsxILParser parser;
        parser.SelectLanguage(dialect);
        if (parser.ParseSource(source)) std::fprintf(stderr, "%s parsed a bad program\n", dialect);
      });
      if (previous > 0)
        std::printf("%-12s depth %4d: %8.3f ms, %.2f times depth %d\n", dialect, depth,
                    seconds * 1e3, seconds / previous, depth / 2);
      else
        std::printf("%-12s depth %4d: %8.3f ms\n", dialect, depth, seconds * 1e3);
      previous = seconds;
    }
  }
  return 0;
}
