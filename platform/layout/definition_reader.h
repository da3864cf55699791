// How window and report definitions (JSON) are read: every problem is collected, each prefixed
// with the definition's name and where in it, so that one load names all of them at once.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/layout/font.h"

namespace platform::layout {

class DefinitionReader {
 public:
  explicit DefinitionReader(std::string name) : name_(std::move(name)) {}

  // The JSON object of the definition `name` (a "window" or "report" definition, as `kind` says);
  // DefinitionError when the text is not JSON or not an object.
  static QJsonObject parse(const QByteArray& json, const std::string& name, const char* kind);
  // DefinitionError with every problem collected, when there is any.
  void throwProblems() const;

  std::vector<std::string> problems;

  void fail(const std::string& where, const std::string& what);
  // A problem for every key of `object` that is not `allowed`.
  void onlyKeys(const QJsonObject& object, const std::vector<std::string_view>& allowed, const std::string& where);
  // The text under `key`; empty when it is absent, or not a text (a problem).
  std::string text(const QJsonObject& object, const char* key, const std::string& where);
  // Whether `value` is a whole number from `low` to `high`.
  static bool isWhole(const QJsonValue& value, int low, int high);
  // {"name", "size", "style"} over `base`: nothing when `value` is absent or not an object (a
  // problem); a size or style that is wrong keeps the base's (a problem).
  std::optional<FontSpec> font(const QJsonValue& value, const FontSpec& base, int largestSize,
                               const std::string& where);

 protected:
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

}  // namespace platform::layout
