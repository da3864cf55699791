#include "platform/core/locale.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/runtime_errors.h"

namespace platform {

namespace {

constexpr std::uint8_t kBlank = ' ';

bool isAsciiLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string asciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

// Splits a list value at its commas ("a,b" gives two elements, "" gives one empty element).
std::vector<std::string_view> splitList(std::string_view value) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = value.find(',', start);
    if (comma == std::string_view::npos) {
      parts.push_back(value.substr(start));
      return parts;
    }
    parts.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
}

template <std::size_t N>
bool takeList(std::string_view value, std::size_t minLen, std::size_t maxLen, std::array<std::string, N>& into) {
  const std::vector<std::string_view> parts = splitList(value);
  if (parts.size() != N) return false;
  for (std::string_view p : parts) {
    if (p.size() < minLen || p.size() > maxLen) return false;
  }
  for (std::size_t i = 0; i < N; ++i) into[i] = std::string(parts[i]);
  return true;
}

// Reads a text as a sequence of characters, each digraph character replaced by its two
// characters, and blanks for ever after the end.
class Reader {
 public:
  Reader(std::string_view text, const std::map<std::uint8_t, std::string>& digraphs)
      : text_(text), digraphs_(digraphs) {}
  bool ended() const { return !hasPending_ && pos_ >= text_.size(); }
  std::uint8_t next() {
    if (hasPending_) {
      hasPending_ = false;
      return pending_;
    }
    if (pos_ >= text_.size()) return kBlank;
    const std::uint8_t c = static_cast<std::uint8_t>(text_[pos_++]);
    auto it = digraphs_.find(c);
    if (it == digraphs_.end()) return c;
    pending_ = static_cast<std::uint8_t>(it->second[1]);
    hasPending_ = true;
    return static_cast<std::uint8_t>(it->second[0]);
  }

 private:
  std::string_view text_;
  const std::map<std::uint8_t, std::string>& digraphs_;
  std::size_t pos_ = 0;
  std::uint8_t pending_ = 0;  // the second character of a digraph just read
  bool hasPending_ = false;
};

}  // namespace

Locale::Locale() {
  for (int c = 0; c < 256; ++c) {
    weights_[c] = static_cast<std::uint8_t>(c);
    upper_[c] = static_cast<std::uint8_t>(c);
    lower_[c] = static_cast<std::uint8_t>(c);
  }
  for (int c = 'a'; c <= 'z'; ++c) {
    upper_[c] = static_cast<std::uint8_t>(c - 'a' + 'A');
    lower_[c - 'a' + 'A'] = static_cast<std::uint8_t>(c);
  }
  amPm_ = {"AM", "PM"};
  months_ = {"January", "February", "March",     "April",   "May",      "June",
             "July",    "August",   "September", "October", "November", "December"};
  monthAbbrevs_ = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  buttons_ = {"&OK", "&Yes", "&No", "&Abort", "&Retry", "&Ignore", "&Cancel", "&Help"};
  texts_ = {"The PDF file %1 could not be written:|%2", "The records cannot be read (error %1).",
            "The report could not be printed: %2", "Error %1", "Error"};
}

bool Locale::set(std::string_view name, std::string_view value) {
  const std::string key = asciiUpper(name);

  if (key == "CLACHARSET") {
    const std::string v = asciiUpper(value);
    return v == "WINDOWS" || v == "ANSI";
  }

  if (key == "CLACOLSEQ") {
    std::array<bool, 256> seen{};
    std::vector<std::uint8_t> sequence;
    for (char ch : value) {
      const std::uint8_t c = static_cast<std::uint8_t>(ch);
      if (!seen[c]) {
        seen[c] = true;
        sequence.push_back(c);
      }
    }
    std::vector<std::uint8_t> codes = sequence;
    std::sort(codes.begin(), codes.end());
    for (int c = 0; c < 256; ++c) weights_[c] = static_cast<std::uint8_t>(c);
    for (std::size_t k = 0; k < sequence.size(); ++k) weights_[sequence[k]] = codes[k];
    return true;
  }

  if (key == "CLAAMPM") return takeList(value, 0, 2, amPm_);
  if (key == "CLAMONTH") return takeList(value, 1, 12, months_);
  if (key == "CLAMON") return takeList(value, 3, 3, monthAbbrevs_);
  if (key == "CLABUTTON") return takeList(value, 0, std::string_view::npos, buttons_);

  if (key == "CLADIGRAPH") {
    std::map<std::uint8_t, std::string> digraphs;
    if (!value.empty()) {
      const std::vector<std::string_view> parts = splitList(value);
      if (parts.size() > 16) return false;
      for (std::string_view p : parts) {
        if (p.size() != 3) return false;
        if (!digraphs.emplace(static_cast<std::uint8_t>(p[0]), std::string(p.substr(1))).second) return false;
      }
    }
    digraphs_ = std::move(digraphs);
    return true;
  }

  if (key == "CLACASE") {
    const std::vector<std::string_view> parts = splitList(value);
    if (parts.size() != 2 || parts[0].size() != parts[1].size()) return false;
    for (int c = 0; c < 256; ++c) {
      if (!isAsciiLetter(static_cast<std::uint8_t>(c))) {
        upper_[c] = static_cast<std::uint8_t>(c);
        lower_[c] = static_cast<std::uint8_t>(c);
      }
    }
    for (std::size_t i = 0; i < parts[0].size(); ++i) {
      const std::uint8_t up = static_cast<std::uint8_t>(parts[0][i]);
      const std::uint8_t lo = static_cast<std::uint8_t>(parts[1][i]);
      // A to Z and a to z keep their pairing whatever the list says.
      if (isAsciiLetter(up) || isAsciiLetter(lo)) continue;
      upper_[lo] = up;
      lower_[up] = lo;
    }
    return true;
  }

  if (key.size() > 6 && key.compare(0, 6, "CLAMSG") == 0) {
    int code = 0;
    for (std::size_t i = 6; i < key.size(); ++i) {
      const char d = key[i];
      if (d < '0' || d > '9') return false;
      if (code > 99999999) return false;
      code = code * 10 + (d - '0');
    }
    errorTexts_[code] = std::string(value);
    return true;
  }

  return false;
}

void Locale::setErrorText(int code, std::string_view text) { errorTexts_[code] = std::string(text); }

int Locale::compare(std::string_view a, std::string_view b) const {
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t ca = i < a.size() ? static_cast<std::uint8_t>(a[i]) : kBlank;
    const std::uint8_t cb = i < b.size() ? static_cast<std::uint8_t>(b[i]) : kBlank;
    if (ca == cb) continue;
    const int byWeight = weights_[ca] < weights_[cb] ? -1 : 1;
    if (digraphs_.empty()) return byWeight;
    // Read both texts on from here with the digraphs expanded; the first difference decides.
    Reader ra(a.substr(std::min(i, a.size())), digraphs_);
    Reader rb(b.substr(std::min(i, b.size())), digraphs_);
    while (!ra.ended() || !rb.ended()) {
      const std::uint8_t xa = ra.next();
      const std::uint8_t xb = rb.next();
      if (xa != xb) return weights_[xa] < weights_[xb] ? -1 : 1;
    }
    return byWeight;
  }
  return 0;
}

int Locale::compareNoCase(std::string_view a, std::string_view b) const { return compare(upper(a), upper(b)); }

std::string Locale::upper(std::string_view text) const {
  std::string r(text);
  for (char& c : r) c = upper(c);
  return r;
}

std::string Locale::lower(std::string_view text) const {
  std::string r(text);
  for (char& c : r) c = lower(c);
  return r;
}

// Key images. A text compares as its characters' weights with blanks read after its end, so
// trailing blanks are dropped and each character becomes one symbol:
//   weight w below the blank's weight B      -> w
//   an inner blank followed (after the run of blanks) by a character weighing less than B -> B
//   the end of the text                                                                    -> B+1
//   an inner blank followed by a character weighing more than B                            -> B+2
//   weight w above B                         -> w+2
// The end symbol sits between the weights below and above the blank, as a blank read past the
// end does; an inner blank compares with the end (another text's padding) as the first
// character after its run decides, and with any character as the blank does. Symbols 0..254 are
// one byte; 255..257 are FFh followed by the symbol minus 255, so the image is prefix-free.
void Locale::appendEncoded(std::string_view text, std::string& out) const {
  std::size_t n = text.size();
  while (n > 0 && static_cast<std::uint8_t>(text[n - 1]) == kBlank) --n;
  const unsigned blankWeight = weights_[kBlank];
  const auto emit = [&out](unsigned symbol) {
    if (symbol < 0xFF) {
      out.push_back(static_cast<char>(symbol));
    } else {
      out.push_back(static_cast<char>(0xFF));
      out.push_back(static_cast<char>(symbol - 0xFF));
    }
  };
  // Work out, from the end, whether each blank run is followed by a lighter or a heavier char.
  std::vector<unsigned> syms(n);
  bool nextIsLighter = false;  // defined before any blank, since the text ends in a non-blank
  for (std::size_t i = n; i-- > 0;) {
    const std::uint8_t c = static_cast<std::uint8_t>(text[i]);
    if (c == kBlank) {
      syms[i] = nextIsLighter ? blankWeight : blankWeight + 2;
    } else {
      const unsigned w = weights_[c];
      nextIsLighter = w < blankWeight;
      syms[i] = nextIsLighter ? w : w + 2;
    }
  }
  for (unsigned s : syms) emit(s);
  emit(blankWeight + 1);
}

bool Locale::digraphsLeadLighter() const {
  for (const auto& [c, reading] : digraphs_) {
    if (weights_[static_cast<std::uint8_t>(reading[0])] >= weights_[c]) return false;
  }
  return true;
}

void Locale::appendKeyImage(std::string_view text, bool caseInsensitive, std::string& out) const {
  std::string upperText;
  if (caseInsensitive) {
    upperText = upper(text);
    text = upperText;
  }
  if (digraphs_.empty()) {
    appendEncoded(text, out);
    return;
  }
  // The order is that of the expanded readings, and between texts whose readings agree that of
  // the texts as written: the image is the expanded reading's image followed by the text's own.
  std::string expanded;
  bool hasDigraph = false;
  expanded.reserve(text.size() + 8);
  for (char ch : text) {
    auto it = digraphs_.find(static_cast<std::uint8_t>(ch));
    if (it == digraphs_.end()) {
      expanded.push_back(ch);
    } else {
      expanded += it->second;
      hasDigraph = true;
    }
  }
  appendEncoded(expanded, out);
  // A text without digraph characters, compared with one whose reading agrees with it, has at
  // the first difference the first character of a digraph's reading against the digraph itself;
  // when every such first character weighs less than its digraph the plain text is the lower one
  // and its image ends with the marker 0, below the marker 1 that introduces the text's own image.
  // The marker keeps images prefix-free, so that images of several components concatenate.
  if (hasDigraph || !digraphsLeadLighter()) {
    out.push_back('\x01');
    appendEncoded(text, out);
  } else {
    out.push_back('\0');
  }
}

std::string Locale::collationSignature() const {
  std::uint64_t h = 0xcbf29ce484222325ull;
  const auto mix = [&h](std::uint8_t b) {
    h ^= b;
    h *= 0x100000001b3ull;
  };
  // The image encoding's version: a change of encoding must change every signature.
  for (char c : std::string_view("key-image-2")) mix(static_cast<std::uint8_t>(c));
  for (std::uint8_t w : weights_) mix(w);
  for (std::uint8_t u : upper_) mix(u);
  for (std::uint8_t l : lower_) mix(l);
  mix(static_cast<std::uint8_t>(digraphs_.size()));
  for (const auto& [c, reading] : digraphs_) {
    mix(c);
    for (char r : reading) mix(static_cast<std::uint8_t>(r));
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::string Locale::errorText(int code) const {
  auto it = errorTexts_.find(code);
  if (it != errorTexts_.end()) return it->second;
  if (!errors::isKnownError(code)) return fillIn(text(PlatformText::UnknownError), {std::to_string(code)});
  return errors::defaultErrorText(code);
}

std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const std::size_t place = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (place < values.size()) out += values.begin()[place];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace platform
