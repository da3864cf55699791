// The locale: named settings that decide how texts compare, sort and change case, the AM/PM
// marks, the month names, the message-box button captions, the runtime error texts and the
// platform's other texts that reach the user.
//
// One Locale belongs to the process (owned by the program's start-up objects, passed by
// reference to whoever compares texts). Not thread safe for writing: it is set once, before any
// data file is touched, and only read afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/cp1252_text.h"

namespace platform {

enum class MessageButton : std::uint8_t { Ok, Yes, No, Abort, Retry, Ignore, Cancel, Help };

// The platform's own texts that reach the user besides the runtime error texts, with the
// platform's (English) text of each. "%1" and "%2" stand for what the message names.
enum class PlatformText : std::uint8_t {
  PdfNotWritten,     // "The PDF file %1 could not be written:|%2": the file, the error's text
  RecordsNotRead,    // "The records cannot be read (error %1).": the error's number; %2 its text
  ReportNotPrinted,  // "The report could not be printed: %2": the error's number (%1) and text
  UnknownError,      // "Error %1": the text of an error number the platform has no text for
  MessageCaption,    // "Error": the caption of a message box that is given none
};
inline constexpr std::size_t kPlatformTextCount = 5;

// `pattern` with "%1" to "%9" replaced by the values in that place ("" past the last), in one
// pass: a value that holds "%1" is not expanded again. Any character code works, so the pattern
// and the values need only share theirs.
std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> values);

class Locale {
 public:
  // The platform's defaults: every character weighs its own code, no digraphs, only A-Z/a-z
  // have a case, "AM"/"PM", English month names and button captions, the platform's own error
  // texts.
  Locale();

  // Applies one setting by name, matched without regard to case ("CLACOLSEQ", "ClaCASE",
  // "CLAMSG46", ...). The value is code page 1252. Returns false, changing nothing, when the name
  // is unknown or the value is malformed (a list with the wrong number of elements, a case list
  // whose two halves differ in length, a digraph that is not three characters, more than 16
  // digraphs).
  //   CLACHARSET  "WINDOWS" or "ANSI" (any case); the values are taken byte for byte. Others are
  //               refused.
  //   CLACOLSEQ   taken whole: the characters S of the value (first occurrence only) share out
  //               their own codes as weights, the k-th character of S getting the k-th smallest
  //               code; every other character weighs its own code. Replaces any earlier order.
  //   CLAAMPM     list of 2 marks, at most 2 characters each.
  //   CLAMONTH    list of 12 month names, 1 to 12 characters each, January first.
  //   CLAMON      list of 12 abbreviations of exactly 3 characters.
  //   CLADIGRAPH  list of at most 16 elements of exactly 3 characters: a character and the two it
  //               reads as in comparisons (a character listed twice is refused); "" clears them.
  //   CLACASE     list of 2 elements of equal length, upper-case letters and their lower-case
  //               partners position by position. Replaces every earlier pair except A-Z/a-z,
  //               which always keep their pairing (positions naming them are skipped); any other
  //               character not listed has no case.
  //   CLABUTTON   list of 8 captions: OK, Yes, No, Abort, Retry, Ignore, Cancel, Help.
  //   CLAMSGn     (n decimal digits) the text of runtime error n, taken whole, commas included.
  bool set(std::string_view name, std::string_view value);
  // The same as set("CLAMSG<code>", text).
  void setErrorText(int code, std::string_view text);
  // Replaces one of the platform's texts (code page 1252, "%1" and "%2" as the default has them).
  void setText(PlatformText which, std::string_view text) { texts_[static_cast<std::size_t>(which)] = text; }
  const std::string& text(PlatformText which) const { return texts_[static_cast<std::size_t>(which)]; }

  // Text comparison: trailing blanks never matter; the first differing character decides by its
  // weight; with digraphs the texts are read with each digraph expanded from that point and only
  // if those readings agree do the two characters' weights decide. Returns <0, 0 or >0.
  int compare(std::string_view a, std::string_view b) const;
  bool equal(std::string_view a, std::string_view b) const { return compare(a, b) == 0; }
  // The same after both texts are upper-cased.
  int compareNoCase(std::string_view a, std::string_view b) const;
  // The same for texts of the Cp1252Text type.
  int compare(Cp1252View a, Cp1252View b) const { return compare(a.bytes(), b.bytes()); }
  bool equal(Cp1252View a, Cp1252View b) const { return compare(a, b) == 0; }
  int compareNoCase(Cp1252View a, Cp1252View b) const { return compareNoCase(a.bytes(), b.bytes()); }

  std::uint8_t weight(std::uint8_t c) const { return weights_[c]; }

  char upper(char c) const { return static_cast<char>(upper_[static_cast<std::uint8_t>(c)]); }
  char lower(char c) const { return static_cast<char>(lower_[static_cast<std::uint8_t>(c)]); }
  std::string upper(std::string_view text) const;
  std::string lower(std::string_view text) const;
  Cp1252Text upper(Cp1252View text) const { return Cp1252Text::fromBytes(upper(text.bytes())); }
  Cp1252Text lower(Cp1252View text) const { return Cp1252Text::fromBytes(lower(text.bytes())); }

  // Appends to `out` an image of `text` whose plain byte order (memcmp, shorter first on a tie)
  // is the order of compare() (or compareNoCase() when caseInsensitive). Images are prefix-free,
  // so images of several key components can be concatenated; texts that compare equal ("abc"
  // and "abc  ") have identical images. The image depends on the weights, digraphs and (when
  // caseInsensitive) the case pairs: see collationSignature().
  void appendKeyImage(std::string_view text, bool caseInsensitive, std::string& out) const;

  // A short text that changes whenever the weights, digraphs or case pairs change: a data file
  // keeps it to know whether its stored key images still sort right.
  std::string collationSignature() const;

  // digraph character -> the two characters it reads as.
  const std::map<std::uint8_t, std::string>& digraphs() const { return digraphs_; }

  const std::string& amMark() const { return amPm_[0]; }
  const std::string& pmMark() const { return amPm_[1]; }
  // month is 1 to 12.
  const std::string& monthName(int month) const { return months_.at(static_cast<std::size_t>(month - 1)); }
  const std::string& monthAbbreviation(int month) const {
    return monthAbbrevs_.at(static_cast<std::size_t>(month - 1));
  }
  const std::string& buttonCaption(MessageButton button) const { return buttons_[static_cast<std::size_t>(button)]; }

  // The text of a runtime error: the locale's own when set ("CLAMSG" n), else the platform's, or
  // for a number the platform has no text for, the UnknownError text with the number.
  std::string errorText(int code) const;

 private:
  // The prefix-free, order-preserving image of a text compared without digraphs.
  void appendEncoded(std::string_view text, std::string& out) const;
  // Whether every digraph's first reading character weighs less than the digraph itself.
  bool digraphsLeadLighter() const;

  std::array<std::uint8_t, 256> weights_{};
  std::array<std::uint8_t, 256> upper_{};
  std::array<std::uint8_t, 256> lower_{};
  // digraph character -> the two characters it reads as
  std::map<std::uint8_t, std::string> digraphs_;
  std::array<std::string, 2> amPm_;
  std::array<std::string, 12> months_;
  std::array<std::string, 12> monthAbbrevs_;
  std::array<std::string, 8> buttons_;
  std::map<int, std::string> errorTexts_;
  std::array<std::string, kPlatformTextCount> texts_;
};

}  // namespace platform
