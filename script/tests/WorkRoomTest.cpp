// The working room compiles keep between them: blocks in use never share room, what a thread
// keeps stays bounded, and a compile on reused room reads nothing the one before left there.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "script/Script.h"
#include "script/WorkRoom.h"

namespace orv {
namespace {

TEST(ScriptWorkRoom, BlocksInUseNeverShareRoomAndWhatIsKeptStaysBounded) {
  struct Taken {
    unsigned char* Bytes;
    size_t Size;
    unsigned char Mark;
  };
  std::vector<Taken> taken;
  std::mt19937 random(7);
  const auto intact = [](const Taken& t) {
    for (size_t i = 0; i < t.Size; i += 4093)
      if (t.Bytes[i] != t.Mark) return false;
    return t.Bytes[t.Size - 1] == t.Mark;
  };
  for (int step = 0; step < 3000; ++step) {
    if (taken.empty() || random() % 3 != 0) {
      // Sizes from a byte to 20 MB, most of them large enough to be kept.
      const size_t size = size_t{1} << (random() % 25);
      auto* bytes = static_cast<unsigned char*>(sxTakeWorkRoom(size));
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % alignof(std::max_align_t), 0u);
      const auto mark = static_cast<unsigned char>(step);
      for (size_t i = 0; i < size; i += 4093) bytes[i] = mark;
      bytes[size - 1] = mark;
      taken.push_back({bytes, size, mark});
      if (taken.size() > 12) {
        ASSERT_TRUE(intact(taken.front()));
        sxReturnWorkRoom(taken.front().Bytes);
        taken.erase(taken.begin());
      }
    } else {
      const size_t k = random() % taken.size();
      ASSERT_TRUE(intact(taken[k])) << "a block in use was handed out again";
      sxReturnWorkRoom(taken[k].Bytes);
      taken.erase(taken.begin() + static_cast<std::ptrdiff_t>(k));
    }
    ASSERT_LE(sxKeptWorkRoom(), size_t{48} << 20);
  }
  for (const Taken& t : taken) {
    EXPECT_TRUE(intact(t));
    sxReturnWorkRoom(t.Bytes);
  }
  EXPECT_LE(sxKeptWorkRoom(), size_t{48} << 20);
}

String LongProgram(int statements, int brokenAt) {
  String text = "var x: Integer;\nbegin\n  x := 0;\n";
  for (int i = 1; i <= statements; ++i)
    text += i == brokenAt ? "  x := x + ;\n" : "  x := x + " + std::to_string(i) + ";\n";
  return text + "end.";
}

struct TCompiled {
  bool Ok;
  String Message;
  String Pos;
};

TCompiled Compile(const String& text) {
  TsxScript script(nullptr);
  script.AddRTTI();
  script.SetSyntaxType("PascalScript");
  script.Lines().SetText(text);
  const bool ok = script.Compile();
  return {ok, script.ErrorMsg, script.ErrorPos};
}

TEST(ScriptWorkRoom, ACompileOnReusedRoomReadsNothingTheOneBeforeLeft) {
  // A long program fills the walk's records and failure tables; the next, as long, breaks in
  // one statement: "';' expected" at row 3 + n, column 10 (the "+"). Then a shorter program breaks where the longer one
  // was sound, and a sound one after it compiles.
  ASSERT_TRUE(Compile(LongProgram(20000, 0)).Ok);
  for (const int broken : {17000, 3, 19999}) {
    const TCompiled c = Compile(LongProgram(20000, broken));
    EXPECT_FALSE(c.Ok);
    EXPECT_EQ(c.Message, "';' expected");
    EXPECT_EQ(c.Pos, std::to_string(3 + broken) + ":10");
  }
  const TCompiled shorter = Compile(LongProgram(5000, 4000));
  EXPECT_EQ(shorter.Pos, "4003:10");
  EXPECT_TRUE(Compile(LongProgram(12000, 0)).Ok);
}

TEST(ScriptWorkRoom, CompilesOnManyThreadsEachKeepTheirOwnRoom) {
  std::vector<std::thread> threads;
  std::vector<String> positions(4);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &positions] {
      for (int round = 0; round < 3; ++round) positions[static_cast<size_t>(t)] = Compile(LongProgram(6000, 1000 * (t + 1))).Pos;
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(positions[static_cast<size_t>(t)], std::to_string(3 + 1000 * (t + 1)) + ":10");
}

}  // namespace
}  // namespace orv
