// The fuzzy matcher: scores how well a pattern matches a text, 0 (nothing in common) to 100.
//
// Texts are code page 1252 (as records hold them); trailing blanks never count. Options:
//   NOCASE (1)   letters compare without regard to case, by the locale's case pairs;
//   WORDONLY (2) the texts are compared as sequences of whole words (runs of characters other
//                than blanks and punctuation) instead of characters.
// Score: 100 when pattern and text are equal under the options (in word mode: the same words in
// the same order). Otherwise the longest run of the pattern's units (characters other than blanks,
// or words) that appear in the text in the same order, not necessarily adjacent, as a share of
// the pattern's units, rounded down and capped at 99. An empty pattern scores 0.
//
// init() and setOption() configure one object; match() only reads it, so several threads may match
// at once once it is set up.
#pragma once

#include <string_view>

#include "platform/core/locale.h"

namespace platform {

class FuzzyMatcher {
 public:
  static constexpr int kNoCase = 1;
  static constexpr int kWordOnly = 2;

  // Without a locale only A-Z and a-z have a case.
  FuzzyMatcher();
  explicit FuzzyMatcher(const Locale& locale);

  // Sets both options off.
  void init();
  // Turns option kNoCase or kWordOnly on or off; returns false for any other option number.
  bool setOption(int option, bool on);
  bool option(int option) const;
  // Sets both options off; the matcher can be initialised again.
  void kill();

  int match(std::string_view pattern, std::string_view text) const;

  bool NOCASE = false;
  bool WORDONLY = false;

 private:
  const Locale* locale_;
};

}  // namespace platform
