// Binary columns: a photo-sized value with every byte value (zeros included) written and read
// through the field's streams and the dataset's blob streams, checked with the sqlite3 command
// line's length() and hex().
#include <gtest/gtest.h>

#include <string>

#include "platform/db/tests/DbTestSupport.h"
#include "platform/rtl/Streams.h"

namespace orv::test {
namespace {

// About the size of a member's photo: a JPEG's start and end markers around bytes of every
// value, zeros among them, so that text handling anywhere on the way would cut or change it.
std::string PhotoBytes() {
  std::string bytes = "\xFF\xD8\xFF\xE0";
  bytes.push_back('\0');
  bytes += "\x10JFIF";
  bytes.push_back('\0');
  unsigned state = 12345;
  while (bytes.size() < 48 * 1024) {
    state = state * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>((state >> 16) & 0xFF));
    if (bytes.size() % 97 == 0) bytes.append(3, '\0');
  }
  bytes += "\xFF\xD9";
  return bytes;
}

std::string StreamBytes(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()),
                     static_cast<size_t>(stream.Size()));
}

class BlobTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    conn_->Execute(
        "CREATE TABLE Picture (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT(50), photo BLOB);"
        "INSERT INTO Picture (Name) VALUES ('one'), ('two');");
  }
  // What sqlite3 reads of the photo of row id: its type, length and bytes in hex.
  std::string Stored(int id) {
    return Cli(
        "select typeof(photo) || '|' || length(photo) || '|' || ifnull(hex(photo), '') "
        "from Picture where ID = " +
        std::to_string(id));
  }
  static std::string AsStored(const std::string& bytes) {
    return "blob|" + std::to_string(bytes.size()) + "|" + Hex(bytes) + "\n";
  }
};

TEST_F(BlobTest, FieldStreamsRoundTripAPhotoWithZeroBytes) {
  const std::string photo = PhotoBytes();
  auto q = Query("select * from Picture order by ID");
  q->Open();
  auto* field = dynamic_cast<TBlobField*>(q->FieldByName("photo"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->DataSize(), 0);

  // LoadFromStream takes the rest of the stream from its position, not the whole stream.
  TMemoryStream in;
  in.WriteString("header");
  in.WriteString(photo);
  in.SetPosition(6);
  q->Edit();
  field->LoadFromStream(in);
  q->Post();
  EXPECT_EQ(Stored(1), AsStored(photo));
  EXPECT_EQ(Cli("select hex(substr(photo, 1, 6)) from Picture where ID = 1"), "FFD8FFE00010\n");

  // Read back after a fresh open: SaveToStream writes at the stream's position.
  q->Close();
  q->Open();
  field = dynamic_cast<TBlobField*>(q->FieldByName("photo"));
  EXPECT_EQ(field->DataSize(), static_cast<Integer>(photo.size()));
  TMemoryStream out;
  out.WriteString("kept");
  field->SaveToStream(out);
  EXPECT_EQ(StreamBytes(out), "kept" + photo);

  // The file forms go through the same bytes.
  std::string file = (dir_ / "photo.jpg").string();
  field->SaveToFile(file);
  q->Next();
  q->Edit();
  dynamic_cast<TBlobField*>(q->FieldByName("photo"))->LoadFromFile(file);
  q->Post();
  EXPECT_EQ(Stored(2), AsStored(photo));
}

TEST_F(BlobTest, DatasetBlobStreamsReadAndWrite) {
  const std::string photo = PhotoBytes();
  // Bytes sqlite3 wrote are read whole, zeros included.
  Cli("update Picture set photo = X'FFD8000000FFD9' where ID = 2");
  auto q = Query("select * from Picture order by ID");
  q->Open();
  TField* field = q->FieldByName("photo");
  {
    auto empty = q->CreateBlobStream(field, bmRead);
    EXPECT_EQ(empty->Size(), 0);
  }
  q->Last();
  {
    auto read = q->CreateBlobStream(field, bmRead);
    ASSERT_EQ(read->Size(), 7);
    std::string bytes(7, 'x');
    read->ReadBuffer(bytes.data(), 7);
    EXPECT_EQ(bytes, std::string("\xFF\xD8\0\0\0\xFF\xD9", 7));
  }

  // A write stream stores what was written when it is freed during the edit.
  q->First();
  q->Edit();
  {
    auto write = q->CreateBlobStream(field, bmWrite);
    write->WriteString(photo);
  }
  q->Post();
  EXPECT_EQ(Stored(1), AsStored(photo));

  // Read-write starts from the stored bytes.
  q->Last();
  q->Edit();
  {
    auto both = q->CreateBlobStream(field, bmReadWrite);
    EXPECT_EQ(both->Size(), 7);
    both->Seek(0, soEnd);
    both->WriteString(std::string("\0\x01", 2));
  }
  q->Post();
  EXPECT_EQ(Stored(2), "blob|9|FFD8000000FFD90001\n");

  // A stream freed after the edit was cancelled changes nothing.
  q->Edit();
  auto late = q->CreateBlobStream(field, bmWrite);
  late->WriteString("lost");
  q->Cancel();
  late.reset();
  EXPECT_EQ(Stored(2), "blob|9|FFD8000000FFD90001\n");

  // Writing needs the edit.
  try {
    q->CreateBlobStream(field, bmWrite);
    FAIL() << "a write stream outside an edit";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Dataset not in edit or insert mode");
  }
}

}  // namespace
}  // namespace orv::test
