// A set of byte strings (key images) held in little memory, for the load's checks of every row:
// each string is kept once in one arena and found through an open-addressing table whose slots
// hold part of each string's hash, so that a look-up seldom touches a string that is not the
// one sought. About 30 bytes per string beside its bytes, where a node-based set costs a hundred.
// Not thread safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace datatool {

class ImageSet {
 public:
  // Adds `image`, seen on `line` (1 or more). Returns 0 when it is new, else the line it was
  // first added with (which it keeps).
  int insert(std::string_view image, int line);
  bool contains(std::string_view image) const;
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::size_t offset;
    std::uint32_t length;
    int line;
  };
  std::string_view imageOf(const Entry& entry) const {
    return std::string_view(arena_).substr(entry.offset, entry.length);
  }
  // The slot that holds `image` (of hash `hash`), or the free slot where it would go.
  std::size_t slotOf(std::string_view image, std::uint64_t hash) const;
  void grow();

  std::string arena_;
  std::vector<Entry> entries_;
  // Per slot: the high 32 bits of the string's hash, then 1 + its index in entries_; 0: free.
  std::vector<std::uint64_t> slots_;
};

}  // namespace datatool
