// The pages of an encrypted data file, read and written without the engine. The storage reads a
// file's first page this way before the engine does (see statedPageSize); tests and fuzz targets
// decrypt a file's pages and encrypt them again, to damage a file where only a program's bugs
// would (inside the pages, with every page still authentic).
//
// The pages are those of the installed SQLCipher's format with the storage's settings: 4096-byte
// pages, AES-256-CBC, an IV and an HMAC-SHA1 (over the page, its IV and its number) at the end of
// each page, the file's salt in its first 16 bytes. A test that decrypts a file the storage made
// and opens it again once encrypted here (page_cipher_test.cpp) fails if that format ever changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/storage/stored_format.h"

namespace platform::storage {

inline constexpr std::size_t kCipherPageSize = stored::kPageSize;
inline constexpr std::size_t kCipherSaltSize = 16;
// Bytes at the end of each page that the cipher keeps for itself (IV, HMAC, padding): the page
// images give them as the reserved space of every page.
inline constexpr std::size_t kCipherReserve = 48;

// Decrypts the bytes of an encrypted data file, keyed with `rawKey` (the engine's text
// "x'<64 hex digits>'", Engine::rawKey), into the page images the engine reads: the first begins
// "SQLite format 3". False when the length is not whole pages or a page fails its authentication.
bool decryptPages(std::string_view file, const std::string& rawKey, std::string& pages);

// Encrypts page images into the bytes of a data file with that key and `salt` (16 bytes; the
// first 16 bytes of the images are replaced by it, as the engine does). A last partial page is
// filled up with zeros; a page's last kCipherReserve bytes are overwritten. An empty input gives
// an empty file.
std::string encryptPages(std::string_view pages, const std::string& rawKey, std::string_view salt);

// The page size that the first page of an encrypted file states (its header's bytes 16 and 17),
// read through the cipher; 0 when `firstPage` is not one whole authentic page under `rawKey`.
std::uint32_t statedPageSize(std::string_view firstPage, const std::string& rawKey);

}  // namespace platform::storage
