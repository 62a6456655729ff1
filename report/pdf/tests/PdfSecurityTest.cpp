// The security handler's pieces against published test values, and whole files against qpdf.
#include <gtest/gtest.h>

#include "report/pdf/ExportStrings.h"
#include "report/pdf/PdfSecurity.h"
#include "report/pdf/PdfText.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

std::string Md5Hex(const std::string& s) { return kvxMD5String(s); }

TEST(PdfSecurityTest, Md5GivesTheDigestsOfRfc1321) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
  // The same digest whatever pieces the data arrive in.
  TkvxMD5 md5;
  std::string text = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
  for (size_t i = 0; i < text.size(); i += 7) md5.Update(text.data() + i, std::min<size_t>(7, text.size() - i));
  md5.Final();
  EXPECT_EQ(kvxStrToHex(std::string(reinterpret_cast<const char*>(md5.GetDigest()), 16)),
            "57EDF4A22BE3C955AC49DA2E2107B67A");
}

TEST(PdfSecurityTest, Rc4GivesThePublishedKeyStreams) {
  auto rc4 = [](const std::string& key, const std::string& text) {
    TkvxRC4 cipher;
    cipher.Start(key.data(), static_cast<int>(key.size()));
    std::string out(text.size(), '\0');
    cipher.Crypt(text.data(), out.data(), text.size());
    return kvxStrToHex(out);
  };
  EXPECT_EQ(rc4("Key", "Plaintext"), "BBF316E8D940AF0AD3");
  EXPECT_EQ(rc4("Wiki", "pedia"), "1021BF0420");
  EXPECT_EQ(rc4("Secret", "Attack at dawn"), "45A01F645FC35B383552544B9BF5");
}

TEST(PdfSecurityTest, PermissionsPasswordsAndKeys) {
  EXPECT_EQ(kvxPermissionValue({ePrint, eModify, eCopy, eAnnot}), -4);
  EXPECT_EQ(kvxPermissionValue({}), -64);
  EXPECT_EQ(kvxPermissionValue({ePrint}), -60);
  EXPECT_EQ(kvxPermissionValue({ePrint, eCopy}), -44);
  EXPECT_EQ(kvxStrToHex(kvxPadPassword("")),
            "28BF4E5E4E758A4164004E56FFFA01082E2E00B6D0683E802F0CA9FE6453697A");
  EXPECT_EQ(kvxPadPassword("abc").substr(0, 5), std::string("abc\x28\xBF"));
  EXPECT_EQ(kvxPadPassword(std::string(40, 'x')), std::string(32, 'x'));

  TkvxPDFFile a(false, ""), b(false, "");
  for (TkvxPDFFile* document : {&a, &b}) {
    document->UserPassword = "user";
    document->PrepareKeys();
    EXPECT_TRUE(document->Encrypted);
    EXPECT_EQ(document->FileID.size(), 32u);
    EXPECT_EQ(document->UserKey.substr(16), std::string(16, '\0'));
    EXPECT_EQ(document->OwnerKey.size(), 32u);
  }
  EXPECT_NE(a.FileID, b.FileID);
  EXPECT_NE(a.EncKey, b.EncKey);
  // An owner password left empty takes the user password.
  TkvxPDFKeys same = kvxCalcKeys("", "user", -4, a.FileID), explicitOwner = kvxCalcKeys("user", "user", -4, a.FileID);
  EXPECT_EQ(same.OwnerKey, explicitOwner.OwnerKey);
  TkvxPDFFile plain(false, "");
  plain.PrepareKeys();
  EXPECT_FALSE(plain.Encrypted);
  EXPECT_EQ(plain.FileID.size(), 32u);
}

TEST(PdfSecurityTest, EncryptedStringsAreEscapedAfterEncryption) {
  const std::string key = "0123456789ABCDEF";
  // Over enough objects every byte that needs escaping turns up in some encrypted text.
  int escaped = 0;
  for (int n = 1; n < 400; ++n) {
    std::string body = kvxCryptString("Title text", key, true, n);
    std::string unescaped;
    for (size_t i = 0; i < body.size(); ++i) {
      if (body[i] != '\\') {
        unescaped += body[i];
        continue;
      }
      ++escaped;
      char next = body[++i];
      unescaped += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    kvxCryptBuffer(unescaped, key, n);
    ASSERT_EQ(unescaped, "Title text") << n;
  }
  EXPECT_GT(escaped, 0);
  EXPECT_EQ(kvxCryptString("a(b)c\\d\r\n", key, false, 1), "a\\(b\\)c\\\\d\\r\\n");
}

TEST(PdfSecurityTest, LongPasswordsCountByTheirFirst32Bytes) {
  const std::string password = "ทะเบียนสัตบุรุษปี2569";  // 59 bytes in UTF-8
  const std::string file = TempPath("long-password.pdf");
  {
    TkvxPDFFile document(false, "");
    document.UserPassword = password;
    document.PrepareKeys();
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
    page.TextOut(40, 40, u"ลับ", *ReportFont("Tahoma", 12));
    SaveDocument(document, file);
  }
  EXPECT_EQ(RunCommand("qpdf --check --password=" + Quote(password) + " " + Quote(file)).Status, 0);
  EXPECT_EQ(RunCommand("qpdf --check --password=" + Quote(password.substr(0, 32)) + " " + Quote(file)).Status, 0);
  EXPECT_NE(RunCommand("qpdf --check --password=" + Quote(password.substr(0, 31)) + " " + Quote(file)).Status, 0);
  EXPECT_EQ(ExtractText(file, password), "ลับ\n\f");
}

TEST(ExportStringsTest, TheTableHoldsThePdfExportTexts) {
  const std::string table = kvxExportStrings;
  EXPECT_EQ(table.rfind("<?xml version=\"1.1\" encoding=\"utf-8\"?>", 0), 0u);
  EXPECT_NE(table.find("<Resources CodePage=\"1252\">"), std::string::npos);
  for (const char* row : {"Name=\"PDFexport\" Text=\"PDF file\"", "Name=\"8708\" Text=\".pdf\"",
                          "Name=\"8707\" Text=\"Adobe PDF file (*.pdf)|*.pdf\"",
                          "Name=\"8700\" Text=\"Export to PDF\"", "Name=\"8965\" Text=\"User password\"",
                          "Name=\"8988\" Text=\"Print scaling\""})
    EXPECT_NE(table.find(row), std::string::npos) << row;
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

using namespace orv::testing;

TEST(PdfSecurityTest, EncryptedBookmarksAndInformationReadBackWithThePassword) {
  TTreeOutline outline;
  outline.Root = {{"บทที่ ๑", 0, 0, {{"ศีลล้างบาป", 0, 300, {}}}}, {"Chapter 2", 1, 0, {}}};
  const std::string file = TempPath("encrypted-outline.pdf");
  {
    TkvxPDFFile document(false, "");
    document.UserPassword = "อ่าน";
    document.OwnerPassword = "เจ้าของ";
    document.SetProtectionFlags({ePrint});
    document.PrepareKeys();
    document.Outline = true;
    document.PreviewOutline = &outline;
    document.Subject = "ใบรับรอง (สำเนา)";
    for (int p = 0; p < 2; ++p) document.AddPage(A4Width, A4Height, 0, 0, p).TextOut(40, 40, u"หน้า", *ReportFont("Tahoma", 12));
    SaveDocument(document, file);
  }
  for (const std::string password : {"อ่าน", "เจ้าของ"}) {
    const std::string option = password == "อ่าน" ? "-upw " : "-opw ";
    std::string json = Shell("qpdf --json --json-key=outlines --password=" + Quote(password) + " " + Quote(file));
    for (const char* title : {"บทที่ ๑", "ศีลล้างบาป", "Chapter 2"})
      EXPECT_NE(json.find(std::string("\"title\": \"") + title + "\""), std::string::npos) << password << json;
    std::string info = Shell("pdfinfo " + option + Quote(password) + " " + Quote(file));
    EXPECT_NE(info.find("ใบรับรอง (สำเนา)"), std::string::npos) << info;
  }
  EXPECT_NE(RunCommand("pdfinfo " + Quote(file)).Status, 0) << "no password, no document";
}

}  // namespace
}  // namespace orv
