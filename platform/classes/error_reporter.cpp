#include "platform/classes/error_reporter.h"

#include <array>
#include <ostream>
#include <string_view>
#include <utility>

#include "platform/core/cp1252.h"
#include "platform/core/trim.h"

namespace platform {
namespace {

// The status used by a reporter that has not been bound to the program's per-thread status.
ErrorStatus& unboundStatus() {
  thread_local ErrorStatus status;
  return status;
}

constexpr std::string_view kEndSuffix = "  Press OK to end this application";

ErrorMessage unknownMessage(int id) {
  return ErrorMessage{id, kLevelProgram, "Error",
                      "Message number " + std::to_string(id) + " is not in the message table."};
}

}  // namespace

ErrorReporter::ErrorReporter(const Locale& locale, UserPort& port) : locale_(locale), port_(port) {}

void ErrorReporter::init(ErrorStatus& (*statusOfThisThread)()) { statusOfThisThread_ = statusOfThisThread; }

ErrorStatus& ErrorReporter::status() const {
  return statusOfThisThread_ != nullptr ? statusOfThisThread_() : unboundStatus();
}

void ErrorReporter::addMessages(const std::vector<ErrorMessage>& messages) {
  for (const ErrorMessage& m : messages) messages_.insert_or_assign(m.id, m);
}

const ErrorMessage* ErrorReporter::find(int id) const {
  auto it = messages_.find(id);
  return it == messages_.end() ? nullptr : &it->second;
}

std::string ErrorReporter::setProcedureName(std::string name) {
  return std::exchange(status().procedure, std::move(name));
}

void ErrorReporter::setError(int code, std::string utf8Text) {
  ErrorStatus& s = status();
  s.errorCode = code;
  s.errorText = utf8Text.empty() && code != 0 ? cp1252ToUtf8(locale_.errorText(code)) : std::move(utf8Text);
}

namespace {

// Replaces the four placeholders in one left-to-right pass.
std::string fillPlaceholders(std::string_view text,
                             const std::array<std::pair<std::string_view, std::string>, 4>& values) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '%') {
      bool replaced = false;
      for (const auto& [name, value] : values) {
        if (text.substr(i, name.size()) == name) {
          out += value;
          i += name.size();
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    out += text[i++];
  }
  return out;
}

}  // namespace

std::string ErrorReporter::render(int id, const std::string& messageText) const {
  const ErrorMessage* found = find(id);
  const ErrorMessage fallback = found == nullptr ? unknownMessage(id) : ErrorMessage{};
  const ErrorMessage* m = found != nullptr ? found : &fallback;
  const ErrorStatus& s = status();
  std::string errorText = s.errorText;
  if (errorText.empty() && s.errorCode != 0) errorText = cp1252ToUtf8(locale_.errorText(s.errorCode));
  return fillPlaceholders(m->text, {{{"%File", std::string(trimRight(s.file))},
                                     {"%Field", s.field},
                                     {"%Message", messageText},
                                     {"%ErrorText", errorText}}});
}

Level ErrorReporter::throwMessage(int id, const std::string& messageText) {
  ErrorStatus& s = status();
  s.message = messageText;
  const ErrorMessage* found = find(id);
  const ErrorMessage message = found != nullptr ? *found : unknownMessage(id);
  if (message.level == kLevelBenign) return kLevelBenign;

  MessageRequest request;
  request.caption = message.title;
  request.text = render(id, messageText);

  s.history.push_back((s.procedure.empty() ? std::string() : s.procedure + ": ") + std::to_string(id) + " " +
                      message.title + ": " + request.text);
  if (s.history.size() > kErrorHistoryLimit)
    s.history.erase(s.history.begin(), s.history.end() - static_cast<std::ptrdiff_t>(kErrorHistoryLimit));

  if (message.level == kLevelUser) {
    request.icon = MessageIcon::Question;
    if (message.buttons.empty()) {
      request.buttons = {MessageButton::Yes, MessageButton::No};
      request.defaultButton = MessageButton::Yes;
    } else {
      request.buttons = message.buttons;
      request.defaultButton = message.defaultButton;
    }
    switch (port_.message(request)) {
      case MessageButton::Yes:
        return kLevelBenign;
      case MessageButton::Cancel:
        return kLevelUser;
      default:
        return kLevelCancel;
    }
  }

  request.icon = MessageIcon::Exclamation;
  request.buttons = {MessageButton::Ok};
  request.defaultButton = MessageButton::Ok;
  if (message.level == kLevelProgram || message.level == kLevelFatal) {
    request.text += kEndSuffix;
    port_.message(request);
    port_.halt();
  }
  // Notify, cancel and any level outside the table: a notice with one OK button. An unlisted
  // level is returned as given so that the caller's test of the result still sees a failure.
  port_.message(request);
  return static_cast<Level>(message.level);
}

void PrintTo(Level level, std::ostream* os) {
  static constexpr std::array<std::string_view, 6> kNames = {"done", "user", "program", "fatal", "cancelled", "notify"};
  *os << static_cast<int>(level);
  if (level >= 0 && level < static_cast<int>(kNames.size()))
    *os << " (" << kNames[static_cast<std::size_t>(level)] << ")";
}

}  // namespace platform
