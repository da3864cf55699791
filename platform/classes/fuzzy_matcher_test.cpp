#include "platform/classes/fuzzy_matcher.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct Case {
  bool noCase;
  bool wordOnly;
  const char* pattern;
  const char* text;
  int score;
};

TEST(FuzzyMatcherTest, Scores) {
  const Case cases[] = {
      {false, false, "Perez", "Perez   ", 100},  // trailing blanks never count
      {false, false, "perez", "Perez", 80},      // 4 of 5 characters
      {true, false, "perez", "PEREZ", 100},
      {false, false, "ana", "Mariana", 99},     // all characters found, but not equal
      {false, false, "jpz", "Juan Perez", 33},  // only "z"... lowercase j,p absent
      {true, false, "jpz", "Juan Perez", 99},   // J..P..z in order
      {true, false, "zpj", "Juan Perez", 33},   // order counts: one of three in order
      {false, false, "xyz", "Juan", 0},
      {false, false, "", "Juan", 0},
      {false, false, "   ", "", 0},
      {false, true, "Juan Perez", "Juan  Perez", 100},  // same words, other spacing
      {false, true, "Juan Perez", "Juan Carlos Perez", 99},
      {false, true, "Perez Juan", "Juan Carlos Perez", 50},
      {false, true, "Jua", "Juan", 0},                 // whole words only
      {true, true, "juan, perez", "JUAN PEREZ", 100},  // punctuation separates words
  };
  for (const Case& c : cases) {
    FuzzyMatcher m;
    m.init();
    m.setOption(FuzzyMatcher::kNoCase, c.noCase);
    m.setOption(FuzzyMatcher::kWordOnly, c.wordOnly);
    EXPECT_EQ(m.match(c.pattern, c.text), c.score)
        << "\"" << c.pattern << "\" in \"" << c.text << "\" nocase=" << c.noCase << " words=" << c.wordOnly;
  }
}

TEST(FuzzyMatcherTest, IgnoringCaseUsesTheLocaleLetters) {
  Locale spanish;
  ASSERT_TRUE(spanish.set("CLACASE", "\xD1\xC9,\xF1\xE9"));  // Ñ/ñ, É/é in code page 1252
  FuzzyMatcher plain;
  FuzzyMatcher withLocale(spanish);
  for (FuzzyMatcher* m : {&plain, &withLocale}) {
    m->init();
    m->setOption(FuzzyMatcher::kNoCase, true);
  }
  EXPECT_EQ(withLocale.match("pe\xF1"
                             "a",
                             "PE\xD1"
                             "A"),
            100);
  EXPECT_EQ(plain.match("pe\xF1"
                        "a",
                        "PE\xD1"
                        "A"),
            75);
}

TEST(FuzzyMatcherTest, OptionsStartOffAndKillClearsThem) {
  FuzzyMatcher m;
  m.init();
  EXPECT_FALSE(m.NOCASE);
  EXPECT_FALSE(m.WORDONLY);
  EXPECT_TRUE(m.setOption(1, true));
  EXPECT_TRUE(m.setOption(2, true));
  EXPECT_FALSE(m.setOption(3, true));
  EXPECT_TRUE(m.NOCASE && m.WORDONLY);
  EXPECT_EQ(m.match("a b", "A B"), 100);
  m.kill();
  EXPECT_FALSE(m.option(1) || m.option(2));
  EXPECT_EQ(m.match("a b", "A B"), 0);
}

}  // namespace
}  // namespace platform
