// A queue: an in-memory list of records of one layout, with one record buffer through which
// entries go in and out. Entries are numbered from 1.
//
//   append()     adds the buffer's content as a new last entry;
//   insert(n)    adds it before entry n (n = count + 1 appends);
//   get(n)       copies entry n into the buffer; with n = 0 or past the last entry it fails and
//                leaves the buffer as it was;
//   read(n, r)   copies entry n into another record of the same layout, leaving the buffer alone
//                (for readers, such as a list showing the entries, that must not disturb it);
//   put(n)       replaces entry n with the buffer's content;
//   erase(n)     removes entry n (the buffer keeps what it holds);
//   sort(...)    orders the entries by fields, stably (equal entries keep their order);
//   free()       removes every entry (the buffer keeps what it holds).
//
// Sorting compares texts by the locale (trailing blanks never matter) and numbers by value.
// The buffer starts cleared (texts blank, numbers 0). The layout must outlive the queue.
// Not thread safe: a queue belongs to one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/locale.h"
#include "platform/core/record.h"

namespace platform {

class RecordQueue {
 public:
  // `prefix` lets fields be named "PREFIX:FIELD" in sort texts ("QGRU:LS_GRUPO").
  explicit RecordQueue(const RecordLayout& layout, std::string prefix = {});

  RecordBuffer& buffer() { return buffer_; }
  const RecordBuffer& buffer() const { return buffer_; }
  const std::string& prefix() const { return prefix_; }

  int count() const { return count_; }

  void append();
  bool insert(int position);
  bool get(int position);
  bool read(int position, RecordBuffer& into) const;
  bool put(int position);
  bool erase(int position);
  void free();

  struct SortField {
    int field;
    bool descending = false;
  };
  // Fields out of range are a programming error: sort() then changes nothing and returns false.
  bool sort(const Locale& locale, const std::vector<SortField>& fields);
  // Fields by name, separated by commas, each with or without the prefix, a leading "-" for
  // descending ("QGRU:LS_DESCRIPCION,QGRU:LS_GRUPO"). Returns false, changing nothing, when a
  // name is not a field of the queue.
  bool sort(const Locale& locale, std::string_view fields);

 private:
  bool valid(int position) const { return position >= 1 && position <= count_; }
  std::size_t offset(int position) const { return static_cast<std::size_t>(position - 1) * buffer_.size(); }

  RecordBuffer buffer_;
  std::string prefix_;
  std::vector<std::uint8_t> entries_;  // count_ records of the layout's length, one after another
  int count_ = 0;
};

}  // namespace platform
