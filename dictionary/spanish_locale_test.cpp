#include "dictionary/spanish_locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/cp1252.h"
#include "platform/core/date_time.h"
#include "platform/core/picture.h"
#include "platform/core/runtime_errors.h"

namespace dictionary {
namespace {

using platform::Locale;
using platform::MessageButton;

std::string cp(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(platform::utf8ToCp1252(utf8, out)) << utf8;
  return out;
}

std::uint8_t byte(const std::string& utf8) { return static_cast<std::uint8_t>(cp(utf8).at(0)); }

class SpanishLocale : public ::testing::Test {
 protected:
  void SetUp() override { ApplySpanishLocale(locale_); }
  Locale locale_;
};

TEST_F(SpanishLocale, WeightsOfTheCollatingSequence) {
  struct Case {
    const char* character;
    int weight;
  };
  const Case cases[] = {
      {"A", 0x41}, {"Ä", 0x42}, {"Å", 0x43}, {"Æ", 0x44}, {"a", 0x45}, {"ë", 0x5A}, {"F", 0x61}, {"Ö", 0x7A},
      {"o", 0xC4}, {"z", 0xFC}, {"ÿ", 0xFF}, {"Á", 0xC1}, {"[", 0x5B}, {"{", 0x7B}, {" ", 0x20}, {"0", 0x30},
  };
  for (const Case& c : cases) EXPECT_EQ(locale_.weight(byte(c.character)), c.weight) << c.character;
}

TEST_F(SpanishLocale, TextsSortAsTheGradeBookShowsThem) {
  struct Case {
    const char* lower;
    const char* higher;
  };
  const Case cases[] = {
      {"Olga", "Ángel"}, {"Ángel", "Pablo"}, {"Pena", "Peña"}, {"Peña", "Perez"}, {"Martinez", "Martínez"},
      {"Aesir", "Æsir"}, {"Æb", "Aec"},      {"ABC", "abc"},   {"a", "B"},        {"Ñuñez", "nuñez"},
      {"9", "A"},        {"Nuñez", "Ñuñez"},
  };
  for (const Case& c : cases) {
    EXPECT_LT(locale_.compare(cp(c.lower), cp(c.higher)), 0) << c.lower << " < " << c.higher;
    EXPECT_GT(locale_.compare(cp(c.higher), cp(c.lower)), 0) << c.higher << " > " << c.lower;
  }
  EXPECT_EQ(locale_.compare("abc", "abc   "), 0);
  EXPECT_NE(locale_.compare(cp("Æsir"), "Aesir"), 0);
  EXPECT_NE(locale_.compare(cp("æ"), "ae"), 0);
}

TEST_F(SpanishLocale, KeyImagesSortTheNamesLikeTheComparison) {
  std::vector<std::string> names;
  for (const char* n :
       {"Perez", "Peña", "Pena", "Pablo", "Ángel",    "Olga",     "Æsir",     "Aesir", "Aec",   "Æb",
        "abc",   "ABC",  "B",    "a",     "Martínez", "Martinez", "martinez", "ÑANDÚ", "ñandú", "Ñandu "}) {
    names.push_back(cp(n));
  }
  for (bool caseInsensitive : {false, true}) {
    std::vector<std::string> byImage = names, byCompare = names;
    auto image = [&](const std::string& text) {
      std::string out;
      locale_.appendKeyImage(text, caseInsensitive, out);
      return out;
    };
    std::stable_sort(byImage.begin(), byImage.end(),
                     [&](const std::string& a, const std::string& b) { return image(a) < image(b); });
    std::stable_sort(byCompare.begin(), byCompare.end(), [&](const std::string& a, const std::string& b) {
      return (caseInsensitive ? locale_.compareNoCase(a, b) : locale_.compare(a, b)) < 0;
    });
    EXPECT_EQ(byImage, byCompare) << "case-insensitive " << caseInsensitive;
  }
}

TEST_F(SpanishLocale, CaseConversionUsesTheTwelvePairs) {
  struct Case {
    const char* text;
    const char* upper;
    const char* lower;
  };
  const Case cases[] = {
      {"ñandú", "ÑANDÚ", "ñandú"},
      {"è", "è", "è"},  // no pair: left as it is
      {"Äåáæçéíñöóüú", "ÄÅÁÆÇÉÍÑÖÓÜÚ", "äåáæçéíñöóüú"},
      {"ÀÈàèÿß", "ÀÈàèÿß", "ÀÈàèÿß"},
      {"Peña Núñez", "PEÑA NÚÑEZ", "peña núñez"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(locale_.upper(cp(c.text)), cp(c.upper)) << c.text;
    EXPECT_EQ(locale_.lower(cp(c.text)), cp(c.lower)) << c.text;
  }
  EXPECT_EQ(locale_.compareNoCase(cp("peña"), cp("PEÑA")), 0);
}

TEST_F(SpanishLocale, MarksMonthsAndButtons) {
  EXPECT_EQ(locale_.amMark(), "Am");
  EXPECT_EQ(locale_.pmMark(), "Pm");
  EXPECT_EQ(locale_.monthName(1), "Enero");
  EXPECT_EQ(locale_.monthName(12), "Diciembre");
  EXPECT_EQ(locale_.monthAbbreviation(8), "Ago");
  EXPECT_EQ(locale_.buttonCaption(MessageButton::Yes), "&Si");
  EXPECT_EQ(locale_.buttonCaption(MessageButton::No), "&No");
  EXPECT_EQ(locale_.buttonCaption(MessageButton::Ok), "&Aceptar");
  EXPECT_EQ(locale_.buttonCaption(MessageButton::Cancel), "&Cancelar");
  EXPECT_EQ(platform::formatPicture("t6", platform::clockValue(19, 5, 9), locale_), " 7:05:09Pm");
}

TEST_F(SpanishLocale, ErrorTextsAreTheSpanishOnesExactly) {
  EXPECT_EQ(locale_.errorText(30), "Entrada no encontrada");
  EXPECT_EQ(locale_.errorText(5), "Acceso negado...");
  EXPECT_EQ(platform::cp1252ToUtf8(locale_.errorText(2)), "No se encontró el archivo");
  EXPECT_EQ(platform::cp1252ToUtf8(locale_.errorText(78)), "Número inválido de Parámetros...");
  EXPECT_EQ(locale_.errorText(89), "Registro cambiado por otro Usuario...");
  // All 33 numbers are given Spanish texts; the platform's other numbers keep their own.
  const int spanish[] = {2,  3,  4,  5,  7,  8,  15, 30, 32, 33, 35, 36, 37, 40, 43, 45, 46,
                         47, 48, 52, 54, 55, 57, 63, 64, 65, 73, 75, 76, 77, 78, 80, 89};
  for (int code : spanish) {
    EXPECT_NE(locale_.errorText(code), platform::errors::defaultErrorText(code)) << code;
  }
}

TEST_F(SpanishLocale, ThePlatformsOtherErrorsAndMessagesAreSpanishToo) {
  namespace errors = platform::errors;
  const struct {
    int code;
    const char* text;
  } others[] = {
      {errors::kNotInCodePage, "El texto tiene un carácter que no se puede guardar..."},
      {errors::kTransactionActive, "No se permite durante una transacción..."},
      {errors::kNoTransaction, "No hay una transacción activa..."},
      {errors::kDiskFull, "El disco está lleno..."},
      {errors::kIoError, "Error de entrada/salida..."},
      {errors::kInvalidFilter, "El filtro es inválido..."},
      {errors::kInvalidOrder, "El orden es inválido..."},
      {12345, "Error desconocido (12345)"},
      {-7, "Error desconocido (-7)"},
  };
  for (const auto& o : others) EXPECT_EQ(platform::cp1252ToUtf8(locale_.errorText(o.code)), o.text) << o.code;
  using platform::PlatformText;
  const auto text = [this](PlatformText which, std::initializer_list<std::string_view> values) {
    return platform::fillIn(platform::cp1252ToUtf8(locale_.text(which)), values);
  };
  EXPECT_EQ(text(PlatformText::PdfNotWritten, {"/media/usb/hoja.pdf", "El disco está lleno..."}),
            "No se pudo escribir el archivo PDF /media/usb/hoja.pdf:|El disco está lleno...");
  EXPECT_EQ(text(PlatformText::RecordsNotRead, {"32", "El archivo está bloqueado..."}),
            "No se pudieron leer los registros: El archivo está bloqueado... (error 32).");
  EXPECT_EQ(text(PlatformText::ReportNotPrinted, {"94", "Error de entrada/salida..."}),
            "No se pudo imprimir el reporte: Error de entrada/salida...");
}

}  // namespace
}  // namespace dictionary
