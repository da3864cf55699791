#include "platform/classes/fuzzy_matcher.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/trim.h"

namespace platform {
namespace {

const Locale& plainLocale() {
  static const Locale locale;
  return locale;
}

// A word ends at a blank, a control character or ASCII punctuation.
bool isSeparator(char c) {
  const auto u = static_cast<std::uint8_t>(c);
  if (u <= ' ' || u == 0x7F || u == 0xA0) return true;
  return u < 0x80 && !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
}

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> out;
  std::string current;
  for (char c : text) {
    if (isSeparator(c)) {
      if (!current.empty()) out.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) out.push_back(std::move(current));
  return out;
}

std::vector<std::string> characters(std::string_view text) {
  std::vector<std::string> out;
  for (char c : text)
    if (c != ' ') out.emplace_back(1, c);
  return out;
}

// Length of the longest common subsequence of two unit sequences.
std::size_t longestInOrder(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::size_t> row(b.size() + 1, 0);
  for (const std::string& x : a) {
    std::size_t diagonal = 0;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = x == b[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

FuzzyMatcher::FuzzyMatcher() : locale_(&plainLocale()) {}
FuzzyMatcher::FuzzyMatcher(const Locale& locale) : locale_(&locale) {}

void FuzzyMatcher::init() {
  NOCASE = false;
  WORDONLY = false;
}

bool FuzzyMatcher::setOption(int option, bool on) {
  switch (option) {
    case kNoCase:
      NOCASE = on;
      return true;
    case kWordOnly:
      WORDONLY = on;
      return true;
    default:
      return false;
  }
}

bool FuzzyMatcher::option(int option) const {
  return option == kNoCase ? NOCASE : option == kWordOnly ? WORDONLY : false;
}

void FuzzyMatcher::kill() { init(); }

int FuzzyMatcher::match(std::string_view pattern, std::string_view text) const {
  std::string p(trimRight(pattern));
  std::string t(trimRight(text));
  if (NOCASE) {
    p = locale_->upper(p);
    t = locale_->upper(t);
  }
  const std::vector<std::string> pu = WORDONLY ? words(p) : characters(p);
  if (pu.empty()) return 0;
  const std::vector<std::string> tu = WORDONLY ? words(t) : characters(t);
  if (WORDONLY ? pu == tu : p == t) return 100;
  const std::size_t found = longestInOrder(pu, tu);
  return static_cast<int>(std::min<std::size_t>(99, found * 100 / pu.size()));
}

}  // namespace platform
