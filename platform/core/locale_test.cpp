#include "platform/core/locale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Locale;

// A locale with the digraph Æ -> "Ae" (code page 1252: C6h), whose first reading character
// weighs less than the digraph itself.
Locale withDigraph() {
  Locale locale;
  EXPECT_TRUE(locale.set("CLADIGRAPH", "\xC6" "Ae"));
  return locale;
}

// Key images of several components are concatenated: the composite image must order as the
// first component, then the second. Texts whose expanded readings agree ("Aesir" and "Æsir")
// once made one image a prefix of the other, so the second component decided before the first.
TEST(LocaleKeyImage, ConcatenatedImagesOrderComponentByComponent) {
  const Locale locale = withDigraph();
  const std::vector<std::string> texts = {"Aesir", "\xC6sir", "Aes", "\xC6", "Ae", "A", "", "Aesir  x", "B"};
  const std::vector<std::string> suffixes = {std::string(1, '\0'), "\x01", "\x7F", "\xFF\xFF"};
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      const int byText = locale.compare(a, b);
      for (const std::string& sa : suffixes) {
        for (const std::string& sb : suffixes) {
          std::string ia, ib;
          locale.appendKeyImage(a, false, ia);
          locale.appendKeyImage(b, false, ib);
          ia += sa;
          ib += sb;
          const int expected = byText != 0 ? byText : sa.compare(sb);
          const int actual = ia.compare(ib);
          EXPECT_EQ(expected < 0, actual < 0) << "'" << a << "'+" << int(sa[0]) << " vs '" << b << "'+" << int(sb[0]);
          EXPECT_EQ(expected == 0, actual == 0) << "'" << a << "' vs '" << b << "'";
        }
      }
    }
  }
}

TEST(LocaleKeyImage, EqualTextsHaveEqualImagesWhateverTheTrailingBlanks) {
  const Locale locale = withDigraph();
  for (const char* text : {"abc", "\xC6sir", ""}) {
    std::string plain, padded;
    locale.appendKeyImage(text, false, plain);
    locale.appendKeyImage(std::string(text) + "   ", false, padded);
    EXPECT_EQ(plain, padded) << text;
  }
}

}  // namespace
