#include "platform/core/locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"

namespace platform {
namespace {

// Test texts are written in UTF-8 and held in code page 1252, as records hold them.
std::string cp(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(utf8ToCp1252(utf8, out)) << utf8;
  return out;
}

std::uint8_t byte(const std::string& utf8) { return static_cast<std::uint8_t>(cp(utf8).at(0)); }

int sign(int v) { return (v > 0) - (v < 0); }

// A locale with a collating sequence, digraphs and case pairs of accented letters, the kind of
// settings a program applies at start-up.
Locale AccentedLocale() {
  Locale locale;
  EXPECT_TRUE(locale.set("CLACOLSEQ", cp("AÄÆaäæBbCcEeÉéNÑnñOoÓóZz")));
  EXPECT_TRUE(locale.set("CLADIGRAPH", cp("ÆAe,æae")));
  EXPECT_TRUE(locale.set("CLACASE", cp("ÄÆÉÑÓ,äæéñó")));
  return locale;
}

TEST(LocaleSettings, NamesMatchWithoutRegardToCase) {
  Locale locale;
  EXPECT_TRUE(locale.set("clamonth", "a,b,c,d,e,f,g,h,i,j,k,l"));
  EXPECT_TRUE(locale.set("ClaAmPm", "Am,Pm"));
  EXPECT_TRUE(locale.set("ClaCASE", cp("Ñ,ñ")));
  EXPECT_TRUE(locale.set("ClaMsg46", "rebuild"));
  EXPECT_EQ(locale.monthName(12), "l");
  EXPECT_EQ(locale.amMark(), "Am");
  EXPECT_EQ(locale.upper(static_cast<char>(byte("ñ"))), static_cast<char>(byte("Ñ")));
  EXPECT_EQ(locale.errorText(46), "rebuild");
  EXPECT_FALSE(locale.set("CLANOSUCH", "x"));
  EXPECT_FALSE(locale.set("", "x"));
}

TEST(LocaleSettings, ListsSplitAtCommasAndWholeValuesKeepThem) {
  Locale locale;
  ASSERT_TRUE(locale.set("CLAMONTH",
                         "Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,Septiembre,Octubre,Noviembre,Diciembre"));
  ASSERT_TRUE(locale.set("CLAMON", "Ene,Feb,Mar,Abr,May,Jun,Jul,Ago,Sep,Oct,Nov,Dic"));
  ASSERT_TRUE(locale.set("CLABUTTON", "&Aceptar,&Si,&No,&Abortar,&Reintentar,&Ignorar,&Cancelar,&Ayuda"));
  EXPECT_EQ(locale.monthName(1), "Enero");
  EXPECT_EQ(locale.monthName(9), "Septiembre");
  EXPECT_EQ(locale.monthAbbreviation(12), "Dic");
  EXPECT_EQ(locale.buttonCaption(MessageButton::Ok), "&Aceptar");
  EXPECT_EQ(locale.buttonCaption(MessageButton::Help), "&Ayuda");
  // A message text and a collating sequence are taken whole, commas included.
  ASSERT_TRUE(locale.set("CLAMSG5", "Acceso negado, otra vez..."));
  EXPECT_EQ(locale.errorText(5), "Acceso negado, otra vez...");
  ASSERT_TRUE(locale.set("CLACOLSEQ", "b,a"));
  EXPECT_LT(locale.compare("b", ","), 0);
  EXPECT_LT(locale.compare(",", "a"), 0);
}

TEST(LocaleSettings, MalformedValuesAreRefusedAndChangeNothing) {
  struct Case {
    const char* name;
    std::string value;
  };
  const Case cases[] = {
      {"CLACHARSET", "OEM"},
      {"CLAAMPM", "Am"},                       // one mark
      {"CLAAMPM", "Am,Pm,Xm"},                 // three
      {"CLAAMPM", "AMM,PM"},                   // a mark of three characters
      {"CLAMONTH", "a,b,c"},                   // not twelve
      {"CLAMONTH", "a,b,c,d,e,f,g,h,i,j,k,"},  // an empty name
      {"CLAMONTH", "a,b,c,d,e,f,g,h,i,j,k,Thirteen-long"},
      {"CLAMON", "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dece"},
      {"CLABUTTON", "&OK,&Yes,&No"},
      {"CLADIGRAPH", "XA"},       // a digraph is a character and two more
      {"CLADIGRAPH", "XAe,XOe"},  // one character twice
      {"CLADIGRAPH", "aAA,bAA,cAA,dAA,eAA,fAA,gAA,hAA,iAA,jAA,kAA,lAA,mAA,nAA,oAA,pAA,qAA"},  // 17
      {"CLACASE", cp("ÄÖ,ä")},  // halves of unequal length
      {"CLACASE", cp("ÄÖ")},    // one half
      {"CLAMSG", "x"},          // no number
      {"CLAMSG4x", "x"},
      {"CLAMSG99999999999", "x"},
  };
  const Locale defaults;
  for (const Case& c : cases) {
    Locale locale;
    EXPECT_FALSE(locale.set(c.name, c.value)) << c.name << " " << c.value;
    EXPECT_EQ(locale.collationSignature(), defaults.collationSignature()) << c.name;
    EXPECT_EQ(locale.amMark(), "AM");
    EXPECT_EQ(locale.monthName(12), "December");
    EXPECT_EQ(locale.monthAbbreviation(12), "Dec");
    EXPECT_EQ(locale.buttonCaption(MessageButton::Ok), "&OK");
    EXPECT_EQ(locale.errorText(4), errors::defaultErrorText(4));
  }
  Locale locale;
  EXPECT_TRUE(locale.set("CLACHARSET", "windows"));
  EXPECT_TRUE(locale.set("CLACHARSET", "ANSI"));
  EXPECT_TRUE(locale.set("CLADIGRAPH", ""));  // no digraphs at all
  EXPECT_TRUE(locale.digraphs().empty());
}

TEST(LocaleWeights, TheSequenceSharesOutItsOwnCodesInOrder) {
  Locale locale;
  // The codes of "zyx" sorted are x, y, z: z gets x's code, y y's, x z's. A repeat counts once.
  ASSERT_TRUE(locale.set("CLACOLSEQ", "zyxz"));
  EXPECT_EQ(locale.weight('z'), 'x');
  EXPECT_EQ(locale.weight('y'), 'y');
  EXPECT_EQ(locale.weight('x'), 'z');
  EXPECT_EQ(locale.weight('a'), 'a');
  EXPECT_EQ(locale.weight(' '), ' ');
  EXPECT_LT(locale.compare("z", "y"), 0);
  EXPECT_LT(locale.compare("y", "x"), 0);
  EXPECT_GT(locale.compare("z", "w"), 0);  // w is not in the sequence: it keeps its code

  // A new sequence replaces the old one whole; every weight is used exactly once.
  ASSERT_TRUE(locale.set("CLACOLSEQ", cp("ÿaÁ0")));
  EXPECT_EQ(locale.weight('z'), 'z');
  EXPECT_EQ(locale.weight(byte("ÿ")), '0');
  EXPECT_EQ(locale.weight('a'), 'a');
  EXPECT_EQ(locale.weight(byte("Á")), byte("Á"));
  EXPECT_EQ(locale.weight('0'), 0xFF);
  std::set<int> used;
  for (int c = 0; c < 256; ++c) used.insert(locale.weight(static_cast<std::uint8_t>(c)));
  EXPECT_EQ(used.size(), 256u);
}

TEST(LocaleCompare, OrdersByWeightsWithBlanksAfterTheEnd) {
  Locale locale;
  ASSERT_TRUE(locale.set("CLACOLSEQ", "AaBbCc"));
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"abc", "abc", 0},   {"abc", "abc   ", 0}, {"", "   ", 0},       {"", "", 0},
      {"ABC", "abc", -1},  {"a", "B", -1},       {"A", "a", -1},       {"ab", "b", -1},
      {"ab", "abc", -1},   {"ab c", "abc", -1},  {"ab\x01", "ab", -1},  // below the blank: before the end
      {" abc", "abc", -1}, {"abc", "abd", -1},   {"9", "A", -1},       {"a b", "a  b", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sign(locale.compare(c.a, c.b)), c.expected) << '"' << c.a << "\" / \"" << c.b << '"';
    EXPECT_EQ(sign(locale.compare(c.b, c.a)), -c.expected) << '"' << c.b << "\" / \"" << c.a << '"';
    EXPECT_EQ(locale.equal(c.a, c.b), c.expected == 0);
  }
}

TEST(LocaleCompare, DigraphsDecideTheOrderOfUnequalTextsOnly) {
  const Locale locale = AccentedLocale();
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"Aesir", "Æsir", -1},  // the readings agree: "A" weighs less than "Æ"
      {"Æb", "Aec", -1},      // read as "Aeb" against "Aec"
      {"Æz", "Aa", 1},        // "Aez" after "Aa"
      {"Ac", "Æ", -1},        // "Ac" before "Ae"
      {"Ao", "Æ", 1},         // "Ao" after "Ae", though "A" weighs less than "Æ"
      {"æ", "ae", 1},        {"æ", "ao", -1},     {"Æ", "Æ  ", 0},
      {"Æ", "Ae ", 1},       {"bÆb", "bAec", -1},  // the difference may come after a common start
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sign(locale.compare(cp(c.a), cp(c.b))), c.expected) << c.a << " / " << c.b;
    EXPECT_EQ(sign(locale.compare(cp(c.b), cp(c.a))), -c.expected) << c.b << " / " << c.a;
  }
}

TEST(LocaleCase, PairsAreTheListedOnesAndAsciiLetters) {
  Locale locale;
  // Before any case list only A-Z have a case.
  EXPECT_EQ(locale.upper(cp("añb")), cp("AñB"));
  locale = AccentedLocale();
  EXPECT_EQ(locale.upper(cp("ñandú éa")), cp("ÑANDú ÉA"));  // ú is not listed here
  EXPECT_EQ(locale.lower(cp("ÑANDÚ ÉA")), cp("ñandÚ éa"));
  EXPECT_EQ(locale.upper(cp("è")), cp("è"));
  EXPECT_EQ(locale.upper(cp("1,;")), "1,;");
  // A new list replaces the earlier pairs, and can never unpair A-Z.
  ASSERT_TRUE(locale.set("CLACASE", cp("ÚA,úb")));
  EXPECT_EQ(locale.upper(cp("úñab")), cp("ÚñAB"));
  EXPECT_EQ(locale.lower(cp("ÚÑAB")), cp("úÑab"));
}

TEST(LocaleCase, CompareNoCaseUsesThePairs) {
  const Locale locale = AccentedLocale();
  EXPECT_EQ(locale.compareNoCase(cp("peña"), cp("PEÑA  ")), 0);
  EXPECT_NE(locale.compare(cp("peña"), cp("PEÑA")), 0);
  EXPECT_LT(locale.compareNoCase(cp("pena"), cp("PEÑA")), 0);
  EXPECT_LT(locale.compareNoCase(cp("a"), cp("B")), 0);
}

TEST(LocaleTexts, DefaultsAndErrorTexts) {
  Locale locale;
  EXPECT_EQ(locale.amMark(), "AM");
  EXPECT_EQ(locale.pmMark(), "PM");
  EXPECT_EQ(locale.monthName(1), "January");
  EXPECT_EQ(locale.buttonCaption(MessageButton::No), "&No");
  EXPECT_EQ(locale.errorText(errors::kFileNotFound), errors::defaultErrorText(errors::kFileNotFound));
  locale.setErrorText(errors::kFileNotFound, "missing");
  EXPECT_EQ(locale.errorText(errors::kFileNotFound), "missing");
  EXPECT_EQ(locale.errorText(errors::kAccessDenied), errors::defaultErrorText(errors::kAccessDenied));
  EXPECT_EQ(locale.errorText(12345), "Error 12345");
  EXPECT_THROW(locale.monthName(13), std::out_of_range);
  EXPECT_THROW(locale.monthName(0), std::out_of_range);
}

TEST(LocaleTexts, ThePlatformsMessagesAreReplacedLikeTheErrorTexts) {
  Locale locale;
  EXPECT_EQ(locale.text(PlatformText::PdfNotWritten), "The PDF file %1 could not be written:|%2");
  EXPECT_EQ(locale.text(PlatformText::RecordsNotRead), "The records cannot be read (error %1).");
  EXPECT_EQ(locale.text(PlatformText::ReportNotPrinted), "The report could not be printed: %2");
  locale.setText(PlatformText::UnknownError, "Fallo %1");
  EXPECT_EQ(locale.errorText(12345), "Fallo 12345") << "a number without a text of its own";
  EXPECT_EQ(locale.errorText(errors::kDiskFull), errors::defaultErrorText(errors::kDiskFull));
  EXPECT_EQ(locale.text(PlatformText::PdfNotWritten), "The PDF file %1 could not be written:|%2") << "only one";
}

TEST(FillIn, ReplacesEachNumberedPlaceOnce) {
  EXPECT_EQ(fillIn("%1 y %2", {"uno", "dos"}), "uno y dos");
  EXPECT_EQ(fillIn("%2%1%2", {"a", "b"}), "bab");
  EXPECT_EQ(fillIn("%1 (%3)", {"a"}), "a ()") << "a place past the values is empty";
  EXPECT_EQ(fillIn("%1", {"%2", "no"}), "%2") << "a value is not expanded again";
  EXPECT_EQ(fillIn("100% %", {"x"}), "100% %");
  EXPECT_EQ(fillIn("al final %", {}), "al final %");
  EXPECT_EQ(fillIn("%0 %a", {"x"}), "%0 %a");
  EXPECT_EQ(fillIn("", {"x"}), "");
}

// --- Key images -------------------------------------------------------------------------------

// Images ordered as memcmp with the shorter first on a tie, as the database orders blobs.
int imageOrder(const std::string& a, const std::string& b) { return sign(a.compare(b)); }

std::string image(const Locale& locale, const std::string& text, bool caseInsensitive = false) {
  std::string out;
  locale.appendKeyImage(text, caseInsensitive, out);
  return out;
}

// Texts over an alphabet that reaches every branch of the images: characters that weigh less
// than the blank, inner and trailing blanks, the digraphs, the heaviest weights, case pairs.
std::vector<std::string> SampleTexts(std::uint32_t seed) {
  const std::string alphabet = cp("  \x01\tAaBbeEÆæÉéÑñzÿ") + "\xFE\xFD";
  std::mt19937 random(seed);
  std::vector<std::string> texts = {"", " ", "  ", cp("Æ"), "Ae", "A", "A ", "A  \x01", "A \x01"};
  for (int i = 0; i < 400; ++i) {
    const int length = static_cast<int>(random() % 6);
    std::string text;
    for (int k = 0; k < length; ++k) text.push_back(alphabet[random() % alphabet.size()]);
    texts.push_back(text);
  }
  return texts;
}

struct ImageConfig {
  const char* name;
  Locale (*make)();
};
void PrintTo(const ImageConfig& config, std::ostream* out) { *out << config.name; }

class KeyImage : public ::testing::TestWithParam<ImageConfig> {};

TEST_P(KeyImage, ByteOrderIsTheComparisonsOrder) {
  const Locale locale = GetParam().make();
  const std::vector<std::string> texts = SampleTexts(7);
  for (bool caseInsensitive : {false, true}) {
    std::vector<std::string> images;
    for (const std::string& t : texts) images.push_back(image(locale, t, caseInsensitive));
    for (std::size_t i = 0; i < texts.size(); ++i) {
      for (std::size_t j = 0; j < texts.size(); ++j) {
        const int expected =
            caseInsensitive ? sign(locale.compareNoCase(texts[i], texts[j])) : sign(locale.compare(texts[i], texts[j]));
        ASSERT_EQ(imageOrder(images[i], images[j]), expected)
            << "\"" << cp1252ToUtf8(texts[i]) << "\" / \"" << cp1252ToUtf8(texts[j]) << "\" nocase " << caseInsensitive;
      }
    }
  }
}

TEST_P(KeyImage, ImagesOfComponentsConcatenateInOrder) {
  // Images are prefix-free: a key of two text components sorts by the first, then the second.
  const Locale locale = GetParam().make();
  std::vector<std::string> texts = SampleTexts(11);
  texts.resize(60);
  struct Pair {
    std::string first, second, image;
  };
  std::vector<Pair> pairs;
  for (const std::string& a : texts) {
    for (const std::string& b : {std::string(""), std::string("A"), cp(" Æ"), std::string("\x01")}) {
      Pair p{a, b, {}};
      locale.appendKeyImage(a, false, p.image);
      locale.appendKeyImage(b, false, p.image);
      pairs.push_back(p);
    }
  }
  for (const Pair& x : pairs) {
    for (const Pair& y : pairs) {
      int expected = sign(locale.compare(x.first, y.first));
      if (expected == 0) expected = sign(locale.compare(x.second, y.second));
      ASSERT_EQ(imageOrder(x.image, y.image), expected)
          << cp1252ToUtf8(x.first) << "|" << cp1252ToUtf8(x.second) << " / " << cp1252ToUtf8(y.first) << "|"
          << cp1252ToUtf8(y.second);
    }
  }
}

Locale PlainLocale() { return Locale(); }

// Digraphs whose first reading character is heavier than the digraph itself.
Locale HeavyLeadDigraphs() {
  Locale locale;
  EXPECT_TRUE(locale.set("CLACOLSEQ", cp("ÆAaeEz")));
  EXPECT_TRUE(locale.set("CLADIGRAPH", cp("ÆzA,\x01"
                                          "AA")));
  return locale;
}

INSTANTIATE_TEST_SUITE_P(Configurations, KeyImage,
                         ::testing::Values(ImageConfig{"plain", PlainLocale}, ImageConfig{"accented", AccentedLocale},
                                           ImageConfig{"heavyLead", HeavyLeadDigraphs}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyImageSignature, ChangesWithEverySettingThatMovesTheOrder) {
  const Locale plain;
  Locale sequence;
  ASSERT_TRUE(sequence.set("CLACOLSEQ", "ba"));
  Locale digraphs;
  ASSERT_TRUE(digraphs.set("CLADIGRAPH", cp("ÆAe")));
  Locale cases;
  ASSERT_TRUE(cases.set("CLACASE", cp("Ñ,ñ")));
  Locale texts;
  ASSERT_TRUE(texts.set("CLAAMPM", "Am,Pm"));
  const std::set<std::string> signatures = {plain.collationSignature(), sequence.collationSignature(),
                                            digraphs.collationSignature(), cases.collationSignature()};
  EXPECT_EQ(signatures.size(), 4u);
  EXPECT_EQ(texts.collationSignature(), plain.collationSignature());  // AM/PM do not order keys
}

// --- Key images of several components, with a digraph whose reading is lighter ----------------

// A locale with the digraph Æ -> "Ae" (code page 1252: C6h), whose first reading character
// weighs less than the digraph itself.
Locale withDigraph() {
  Locale locale;
  EXPECT_TRUE(locale.set("CLADIGRAPH",
                         "\xC6"
                         "Ae"));
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
}  // namespace platform
