#include "platform/storage/page_cipher.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace platform::storage {
namespace {

constexpr std::size_t kKeySize = 32;
constexpr std::size_t kIvSize = 16;
constexpr std::size_t kHmacSize = 20;
constexpr int kHmacKeyIterations = 2;
constexpr unsigned char kHmacSaltMask = 0x3a;
constexpr char kFileHeader[] = "SQLite format 3";  // with its NUL: the 16 bytes the salt replaces
static_assert(sizeof kFileHeader == kCipherSaltSize);

using Key = std::array<unsigned char, kKeySize>;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The key of "x'<64 hex digits>'"; false for any other text.
bool parseRawKey(const std::string& rawKey, Key& key) {
  if (rawKey.size() != 2 * kKeySize + 3 || rawKey.compare(0, 2, "x'") != 0 || rawKey.back() != '\'') return false;
  for (std::size_t i = 0; i < kKeySize; ++i) {
    const int high = hexDigit(rawKey[2 + 2 * i]), low = hexDigit(rawKey[3 + 2 * i]);
    if (high < 0 || low < 0) return false;
    key[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return true;
}

// Each file's pages are authenticated with a key derived from the cipher key and the file's salt.
Key hmacKey(const Key& key, std::string_view salt) {
  unsigned char masked[kCipherSaltSize];
  for (std::size_t i = 0; i < kCipherSaltSize; ++i) masked[i] = static_cast<unsigned char>(salt[i]) ^ kHmacSaltMask;
  Key out{};
  PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(key.data()), kKeySize, masked, sizeof masked, kHmacKeyIterations,
                    EVP_sha1(), kKeySize, out.data());
  return out;
}

// HMAC over the encrypted bytes and the IV that follows them, then the page number (little-endian).
std::array<unsigned char, kHmacSize> pageHmac(const Key& hmac, const unsigned char* bytes, std::size_t length,
                                              std::uint32_t page) {
  std::string input(reinterpret_cast<const char*>(bytes), length);
  for (int i = 0; i < 4; ++i) input.push_back(static_cast<char>((page >> (8 * i)) & 0xFF));
  std::array<unsigned char, kHmacSize> out{};
  unsigned int outLength = 0;
  HMAC(EVP_sha1(), hmac.data(), kKeySize, reinterpret_cast<const unsigned char*>(input.data()), input.size(),
       out.data(), &outLength);
  return out;
}

// AES-256-CBC without padding over whole blocks, `out` as long as `in`.
bool aes(bool encrypt, const Key& key, const unsigned char* iv, const unsigned char* in, std::size_t length,
         unsigned char* out) {
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  int written = 0, last = 0;
  const bool ok = context != nullptr &&
                  EVP_CipherInit_ex(context, EVP_aes_256_cbc(), nullptr, key.data(), iv, encrypt ? 1 : 0) == 1 &&
                  EVP_CIPHER_CTX_set_padding(context, 0) == 1 &&
                  EVP_CipherUpdate(context, out, &written, in, static_cast<int>(length)) == 1 &&
                  EVP_CipherFinal_ex(context, out + written, &last) == 1;
  EVP_CIPHER_CTX_free(context);
  return ok;
}

// The part of page `page` (1-based) that the cipher covers: all of it but the salt on page 1.
std::size_t coveredFrom(std::uint32_t page) { return page == 1 ? kCipherSaltSize : 0; }

}  // namespace

bool decryptPages(std::string_view file, const std::string& rawKey, std::string& pages) {
  Key key;
  if (!parseRawKey(rawKey, key) || file.size() % kCipherPageSize != 0) return false;
  pages.assign(file.size(), '\0');
  if (file.empty()) return true;
  const Key hmac = hmacKey(key, file.substr(0, kCipherSaltSize));
  for (std::size_t offset = 0; offset < file.size(); offset += kCipherPageSize) {
    const auto page = static_cast<std::uint32_t>(offset / kCipherPageSize + 1);
    const auto* in = reinterpret_cast<const unsigned char*>(file.data()) + offset + coveredFrom(page);
    auto* out = reinterpret_cast<unsigned char*>(pages.data()) + offset + coveredFrom(page);
    const std::size_t length = kCipherPageSize - coveredFrom(page) - kCipherReserve;
    const auto mac = pageHmac(hmac, in, length + kIvSize, page);
    if (std::memcmp(mac.data(), in + length + kIvSize, kHmacSize) != 0) return false;
    if (!aes(false, key, in + length, in, length, out)) return false;
    std::memcpy(out + length, in + length, kCipherReserve);
  }
  std::memcpy(pages.data(), kFileHeader, kCipherSaltSize);
  return true;
}

std::string encryptPages(std::string_view pages, const std::string& rawKey, std::string_view salt) {
  Key key;
  if (!parseRawKey(rawKey, key) || salt.size() != kCipherSaltSize) return {};
  const std::size_t count = (pages.size() + kCipherPageSize - 1) / kCipherPageSize;
  std::string plain(pages);
  plain.resize(count * kCipherPageSize, '\0');
  std::string file(plain.size(), '\0');
  if (file.empty()) return file;
  const Key hmac = hmacKey(key, salt);
  for (std::uint32_t page = 1; page <= count; ++page) {
    const std::size_t offset = (page - 1) * kCipherPageSize + coveredFrom(page);
    const auto* in = reinterpret_cast<const unsigned char*>(plain.data()) + offset;
    auto* out = reinterpret_cast<unsigned char*>(file.data()) + offset;
    const std::size_t length = kCipherPageSize - coveredFrom(page) - kCipherReserve;
    // Any IV will do; one made from the page number keeps the output of an input always the same.
    unsigned char* iv = out + length;
    std::memset(iv, 0, kCipherReserve);
    std::memcpy(iv, &page, sizeof page);
    if (!aes(true, key, iv, in, length, out)) return {};
    const auto mac = pageHmac(hmac, out, length + kIvSize, page);
    std::memcpy(out + length + kIvSize, mac.data(), kHmacSize);
  }
  std::memcpy(file.data(), salt.data(), kCipherSaltSize);
  return file;
}

std::uint32_t statedPageSize(std::string_view firstPage, const std::string& rawKey) {
  std::string page;
  if (firstPage.size() != kCipherPageSize || !decryptPages(firstPage, rawKey, page)) return 0;
  // Big-endian; 1 stands for 65536.
  const std::uint32_t size = static_cast<unsigned char>(page[16]) << 8 | static_cast<unsigned char>(page[17]);
  return size == 1 ? 65536 : size;
}

}  // namespace platform::storage
