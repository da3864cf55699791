// Order-preserving images of field values and keys (see FORMAT.md): plain byte comparison of two
// images (shorter first on a tie) gives the order of the values. Every image is prefix-free, so
// images of several fields concatenate into the image of the list of fields.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/locale.h"
#include "platform/core/record.h"
#include "platform/storage/file_decl.h"

namespace platform::storage {

// LONG: big-endian with the sign bit flipped (4 bytes).
void appendLongImage(std::int32_t value, std::string& out);
// REAL: the IEEE bits made order-preserving (8 bytes); -0 and +0 have one image.
void appendRealImage(double value, std::string& out);
// One field of a record; texts through the locale's collation, upper-cased first when
// `caseInsensitive`.
void appendFieldImage(const Locale& locale, const RecordBuffer& record, int field, bool caseInsensitive,
                      std::string& out);
// The image of a record in a key of its file; empty when an optional key leaves the record out.
std::string keyImageOf(const FileDecl& decl, const Locale& locale, const RecordBuffer& record, int key);
// The least string above every string that begins with `prefix`; empty when there is none (a
// prefix of FFh bytes only, or an empty one).
std::string prefixSuccessor(std::string prefix);
// Reverses the order of an image, for descending orders (prefix-free images stay prefix-free).
void invertImage(std::string& image, std::size_t from);

}  // namespace platform::storage
