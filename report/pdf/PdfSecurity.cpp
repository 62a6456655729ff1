#include "report/pdf/PdfSecurity.h"

#include <cstring>

#include "report/pdf/PdfText.h"

namespace orv {

namespace {

constexpr uint8_t Padding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                 0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string Md5(std::string_view data) {
  uint8_t digest[16];
  kvxMD5Buffer(data.data(), data.size(), digest);
  return std::string(reinterpret_cast<char*>(digest), 16);
}

std::string Rc4(const std::string& key, std::string data) {
  TkvxRC4 rc4;
  rc4.Start(key.data(), static_cast<int>(key.size()));
  rc4.Crypt(data.data(), data.data(), data.size());
  return data;
}

// Nineteen more passes with the key's bytes XORed with the pass number.
std::string Rc4Rounds(const std::string& key, std::string data) {
  data = Rc4(key, std::move(data));
  for (int i = 1; i <= 19; ++i) {
    std::string k = key;
    for (char& c : k) c = static_cast<char>(c ^ i);
    data = Rc4(k, std::move(data));
  }
  return data;
}

std::string HexToBytes(const String& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

inline uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

}  // namespace

void TkvxRC4::Start(const void* key, int keyLen) {
  if (keyLen < 1 || keyLen > 256) return;
  auto* k = static_cast<const uint8_t*>(key);
  for (int i = 0; i < 256; ++i) state_[i] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<uint8_t>(j + state_[i] + k[i % keyLen]);
    std::swap(state_[i], state_[j]);
  }
}

void TkvxRC4::Crypt(const void* source, void* target, size_t len) {
  auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(target);
  uint8_t i = 0, j = 0;
  for (size_t n = 0; n < len; ++n) {
    i = static_cast<uint8_t>(i + 1);
    j = static_cast<uint8_t>(j + state_[i]);
    std::swap(state_[i], state_[j]);
    out[n] = in[n] ^ state_[static_cast<uint8_t>(state_[i] + state_[j])];
  }
}

void TkvxMD5::Init() {
  state_ = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
  count_ = 0;
}

void TkvxMD5::Transform(const uint8_t* block) {
  static constexpr uint32_t K[64] = {
      0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
      0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
      0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
      0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
      0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
      0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
      0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
      0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
  static constexpr int S[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = block[i * 4] | (block[i * 4 + 1] << 8) | (block[i * 4 + 2] << 16) |
           (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) { f = (b & c) | (~b & d); g = i; }
    else if (i < 32) { f = (d & b) | (~d & c); g = (5 * i + 1) % 16; }
    else if (i < 48) { f = b ^ c ^ d; g = (3 * i + 5) % 16; }
    else { f = c ^ (b | ~d); g = (7 * i) % 16; }
    uint32_t next = d;
    d = c;
    c = b;
    b = b + Rotl(a + f + K[i] + m[g], S[i]);
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void TkvxMD5::Update(const void* buffer, size_t len) {
  auto* in = static_cast<const uint8_t*>(buffer);
  size_t have = static_cast<size_t>((count_ / 8) % 64);
  count_ += static_cast<uint64_t>(len) * 8;
  size_t n = 0;
  if (have > 0) {
    size_t take = std::min(len, 64 - have);
    std::memcpy(buffer_.data() + have, in, take);
    n = take;
    have += take;
    if (have < 64) return;
    Transform(buffer_.data());
  }
  for (; n + 64 <= len; n += 64) Transform(in + n);
  std::memcpy(buffer_.data(), in + n, len - n);
}

void TkvxMD5::Final() {
  uint64_t bits = count_;
  uint8_t pad[72] = {0x80};
  size_t have = static_cast<size_t>((bits / 8) % 64);
  size_t padLen = have < 56 ? 56 - have : 120 - have;
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (8 * i));
  Update(pad, padLen);
  Update(length, 8);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) digest_[i * 4 + k] = static_cast<uint8_t>(state_[i] >> (8 * k));
  // Nothing of the message stays behind in the object.
  state_.fill(0);
  buffer_.fill(0);
  count_ = 0;
}

void kvxMD5Buffer(const void* buffer, size_t len, uint8_t digest[16]) {
  TkvxMD5 md5;
  md5.Update(buffer, len);
  md5.Final();
  std::memcpy(digest, md5.GetDigest(), 16);
}

String kvxMD5String(std::string_view s) {
  String hex = kvxStrToHex(Md5(s));
  for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return hex;
}

std::string kvxPadPassword(std::string_view s) {
  std::string out(s.substr(0, 32));
  out.append(reinterpret_cast<const char*>(Padding), 32 - out.size());
  return out;
}

int32_t kvxPermissionValue(TkvxPDFEncBits flags) {
  return -64 + (flags.Contains(ePrint) ? 4 : 0) + (flags.Contains(eModify) ? 8 : 0) +
         (flags.Contains(eCopy) ? 16 : 0) + (flags.Contains(eAnnot) ? 32 : 0);
}

TkvxPDFKeys kvxCalcKeys(std::string ownerPassword, const std::string& userPassword,
                        int32_t permissionValue, const String& fileID) {
  if (ownerPassword.empty()) ownerPassword = userPassword;
  TkvxPDFKeys keys;
  std::string d = Md5(kvxPadPassword(ownerPassword));
  for (int i = 0; i < 50; ++i) d = Md5(d);
  keys.OwnerKey = Rc4Rounds(d, kvxPadPassword(userPassword)).substr(0, 32);
  std::string id = HexToBytes(fileID);
  std::string p(4, '\0');
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(static_cast<uint32_t>(permissionValue) >> (8 * i));
  std::string key = Md5(kvxPadPassword(userPassword) + keys.OwnerKey + p + id);
  for (int i = 0; i < 50; ++i) key = Md5(key);
  keys.EncKey = key;
  std::string y = Md5(std::string(reinterpret_cast<const char*>(Padding), 32) + id);
  keys.UserKey = Rc4Rounds(key, y) + std::string(16, '\0');
  return keys;
}

std::string kvxObjectKey(const std::string& encKey, int objNumber) {
  std::string material = encKey;
  material += static_cast<char>(objNumber & 0xFF);
  material += static_cast<char>((objNumber >> 8) & 0xFF);
  material += static_cast<char>((objNumber >> 16) & 0xFF);
  material.append(2, '\0');
  return Md5(material);
}

void kvxCryptBuffer(std::string& data, const std::string& key, int objNumber) {
  TkvxRC4 rc4;
  std::string objectKey = kvxObjectKey(key, objNumber);
  rc4.Start(objectKey.data(), 16);
  rc4.Crypt(data.data(), data.data(), data.size());
}

std::string kvxCryptString(const std::string& s, const std::string& key, bool encrypt, int objNumber) {
  if (!encrypt) return kvxEscapeString(s);
  std::string data = s;
  kvxCryptBuffer(data, key, objNumber);
  return kvxEscapeString(data);
}

}  // namespace orv
