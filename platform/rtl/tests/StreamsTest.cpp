#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

using namespace orv;

TEST(Streams, MemoryFileAndStringStreamsRoundTrip) {
  TMemoryStream mem;
  mem.WriteString("สวัสดี parish");
  EXPECT_EQ(mem.Size(), static_cast<Int64>(String("สวัสดี parish").size()));
  mem.SetPosition(0);
  char buf[4];
  mem.ReadBuffer(buf, 3);
  EXPECT_EQ(String(buf, 3), "\xE0\xB8\xAA");
  char rest[1000];
  EXPECT_THROW(mem.ReadBuffer(rest, sizeof rest), EReadError);

  auto path = (std::filesystem::temp_directory_path() / "orvane_stream_test.bin").string();
  mem.SaveToFile(path);
  TMemoryStream back;
  back.LoadFromFile(path);
  EXPECT_EQ(String(reinterpret_cast<const char*>(back.Memory()), back.Size()), "สวัสดี parish");

  {
    TFileStream f(path, fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteString("!");
    f.SetSize(3);
    EXPECT_EQ(f.Size(), 3);
  }
  TStringStream s;
  {
    TFileStream f(path, fmOpenRead);
    s.CopyFrom(f, 0);
  }
  EXPECT_EQ(s.DataString(), "\xE0\xB8\xAA");
  std::filesystem::remove(path);
  EXPECT_THROW(TFileStream(path, fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream("/nonexistent-dir/x", fmCreate), EFCreateError);
}

TEST(Streams, ClassInfoAndBadArguments) {
  TStringStream s("abcdef");
  EXPECT_EQ(s.ClassName(), "TStringStream");
  EXPECT_TRUE(s.InheritsFrom(TStream::StaticClass()));
  auto created = TMemoryStream::StaticClass()->CreateObject();
  EXPECT_EQ(created->ClassName(), "TMemoryStream");

  EXPECT_EQ(s.ReadString(-3), "");
  EXPECT_EQ(s.ReadString(2), "ab");
  TMemoryStream m;
  EXPECT_EQ(m.CopyFrom(s, -1), 0);
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.CopyFrom(s, 0), 6);  // 0 copies the whole source from its start
  s.SetPosition(4);
  EXPECT_EQ(m.CopyFrom(s, 2), 2);
  EXPECT_THROW(m.CopyFrom(s, 1), EReadError);
  EXPECT_EQ(String(reinterpret_cast<const char*>(m.Memory()), m.Size()), "abcdefef");

  auto folder = std::filesystem::temp_directory_path().string();
  EXPECT_THROW(TFileStream(folder, fmOpenRead), EFOpenError);
}

namespace {

// Whether opening fifo as mode was refused as no regular file. The open runs on another thread:
// one that blocks is let go after a few seconds by opening the pipe's other end, so that the
// fault fails the test instead of holding it.
bool RefusedAsNoFile(const std::string& fifo, Word mode) {
  auto opening = std::async(std::launch::async, [&] {
    try {
      TFileStream stream(fifo, mode);
    } catch (const EFOpenError& e) {
      return e.Message().find("It is not a regular file") != std::string::npos;
    } catch (const EFCreateError& e) {
      return e.Message().find("It is not a regular file") != std::string::npos;
    }
    return false;
  });
  if (opening.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return opening.get();
  const int bothEnds = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  opening.wait();
  ::close(bothEnds);
  return false;
}

}  // namespace

TEST(Streams, ANamedPipeIsRefusedAsNoFileWithoutWaitingForAWriter) {
  const std::string fifo = (std::filesystem::temp_directory_path() / ("orvane-fifo-" + std::to_string(getpid()))).string();
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(RefusedAsNoFile(fifo, fmOpenRead | fmShareDenyWrite));
  EXPECT_TRUE(RefusedAsNoFile(fifo, fmOpenWrite));
  EXPECT_TRUE(RefusedAsNoFile(fifo, fmOpenReadWrite));
  EXPECT_TRUE(RefusedAsNoFile(fifo, fmCreate));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  std::filesystem::remove(fifo);
}
