#include "tools/image_set.h"

#include <functional>

namespace datatool {

namespace {

std::uint64_t hashOf(std::string_view image) { return std::hash<std::string_view>{}(image); }
std::uint32_t tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }
std::uint64_t slotValue(std::uint64_t hash, std::size_t index) {
  return (static_cast<std::uint64_t>(tag(hash)) << 32) | (index + 1);
}

}  // namespace

std::size_t ImageSet::slotOf(std::string_view image, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const std::uint64_t held = slots_[slot];
    if (held == 0) return slot;
    if (static_cast<std::uint32_t>(held >> 32) == tag(hash) && imageOf(entries_[(held & 0xFFFFFFFFu) - 1]) == image) {
      return slot;
    }
  }
}

// Doubles the table (kept at most half full, so that a look-up ends after a few slots).
void ImageSet::grow() {
  slots_.assign(slots_.empty() ? 1024 : slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  // In the order the strings were added: the arena is read once, from start to end.
  for (std::size_t index = 0; index < entries_.size(); ++index) {
    const std::uint64_t hash = hashOf(imageOf(entries_[index]));
    std::size_t slot = hash & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = slotValue(hash, index);
  }
}

int ImageSet::insert(std::string_view image, int line) {
  if ((entries_.size() + 1) * 2 > slots_.size()) grow();
  const std::uint64_t hash = hashOf(image);
  const std::size_t slot = slotOf(image, hash);
  if (slots_[slot] != 0) return entries_[(slots_[slot] & 0xFFFFFFFFu) - 1].line;
  entries_.push_back(Entry{arena_.size(), static_cast<std::uint32_t>(image.size()), line});
  arena_.append(image);
  slots_[slot] = slotValue(hash, entries_.size() - 1);
  return 0;
}

bool ImageSet::contains(std::string_view image) const {
  return !slots_.empty() && slots_[slotOf(image, hashOf(image))] != 0;
}

}  // namespace datatool
