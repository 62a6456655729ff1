// The file at the database's path replaced while a connection has it open: its writes are
// refused, and the file left whole; other programs writing it the database's way are no
// replacement.
#include <fstream>
#include <iterator>

#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class ReplacedFileTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    conn_->Execute("create table t (x text); insert into t values ('one')");
  }
  std::string Bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(ReplacedFileTest, OtherProgramsWritingAndMergingTheLogAreNoReplacement) {
  Cli("insert into t values ('two'); pragma wal_checkpoint(truncate)");
  conn_->Execute("insert into t values ('three')");
  Cli("pragma wal_checkpoint(truncate)");
  conn_->Execute("insert into t values ('four')");
  auto q = Query("select x from t");
  q->Open();
  q->Edit();
  q->Fields()[0]->SetAsString("five");
  q->Post();
  EXPECT_EQ(Cli("select group_concat(x, ',') from t"), "five,two,three,four\n");
}

TEST_F(ReplacedFileTest, WritesIntoAFileMovedOrCopiedOverAreRefused) {
  const std::string copy = (dir_ / "copy.db").string();
  Cli("pragma wal_checkpoint(truncate)");
  std::filesystem::copy_file(file_, copy);
  // Copied over: the same file, other contents.
  conn_->Execute("insert into t values ('later')");
  std::ofstream(file_, std::ios::binary | std::ios::trunc) << Bytes(copy);
  EXPECT_THROW(conn_->Execute("insert into t values ('lost')"), EDatabaseReplaced);
  auto q = Query("select x from t");
  q->Open();
  q->Edit();
  q->Fields()[0]->SetAsString("lost");
  EXPECT_THROW(q->Post(), EDatabaseReplaced);
  q->Cancel();
  q->Close();
  conn_->Close();
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");

  // Moved over.
  conn_->Open();
  conn_->Execute("insert into t values ('later')");
  std::filesystem::copy_file(copy, copy + ".2");
  std::filesystem::rename(copy + ".2", file_);
  try {
    conn_->Execute("insert into t values ('lost')");
    ADD_FAILURE() << "written";
  } catch (const EDatabaseReplaced& e) {
    EXPECT_NE(e.Message().find(file_), std::string::npos) << e.Message();
  }
  conn_->Close();
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");
}

}  // namespace
}  // namespace orv::test
