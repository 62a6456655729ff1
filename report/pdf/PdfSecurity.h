#pragma once
// The standard security handler of PDF, revision 3 with a 128-bit RC4 key, and the RC4 and MD5
// it is built from.
#include <array>
#include <cstdint>
#include <string>

#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

namespace orv {

enum TkvxPDFEncBit { ePrint, eModify, eCopy, eAnnot };
using TkvxPDFEncBits = TSet<TkvxPDFEncBit>;

// The RC4 stream cipher. Each Crypt starts its counters from 0, so one Start is followed by one
// Crypt wherever a standard RC4 stream is meant.
class TkvxRC4 {
 public:
  // Nothing happens unless 1 <= keyLen <= 256.
  void Start(const void* key, int keyLen);
  // source and target may be the same buffer.
  void Crypt(const void* source, void* target, size_t len);

 private:
  std::array<uint8_t, 256> state_{};
};

// MD5 (RFC 1321). Init starts a new digest on the same object.
class TkvxMD5 {
 public:
  TkvxMD5() { Init(); }
  void Init();
  void Update(const void* buffer, size_t len);
  void Final();
  const uint8_t* GetDigest() const { return digest_.data(); }

 private:
  void Transform(const uint8_t* block);
  std::array<uint32_t, 4> state_{};
  uint64_t count_ = 0;
  std::array<uint8_t, 64> buffer_{};
  std::array<uint8_t, 16> digest_{};
};

void kvxMD5Buffer(const void* buffer, size_t len, uint8_t digest[16]);
// 32 lower-case hex digits.
String kvxMD5String(std::string_view s);
// The first 32 bytes of s, completed from the handler's padding string.
std::string kvxPadPassword(std::string_view s);
// -64 plus 4 for print, 8 for modify, 16 for copy and 32 for annotations.
int32_t kvxPermissionValue(TkvxPDFEncBits flags);

// The /O, /U and file key of a document.
struct TkvxPDFKeys {
  std::string OwnerKey;
  std::string UserKey;
  std::string EncKey;
};
// An empty owner password takes the user password. fileID is 32 hex digits.
TkvxPDFKeys kvxCalcKeys(std::string ownerPassword, const std::string& userPassword,
                        int32_t permissionValue, const String& fileID);
// The RC4 key of object objNumber (generation 0).
std::string kvxObjectKey(const std::string& encKey, int objNumber);
// s encrypted with the object's key (when encrypt is on) and escaped as a literal string body.
std::string kvxCryptString(const std::string& s, const std::string& key, bool encrypt, int objNumber);
// data encrypted in place with the object's key.
void kvxCryptBuffer(std::string& data, const std::string& key, int objNumber);

}  // namespace orv
