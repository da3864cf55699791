#include "platform/layout/definition_reader.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>

#include "platform/layout/definitions.h"

namespace platform::layout {

QJsonObject DefinitionReader::parse(const QByteArray& json, const std::string& name, const char* kind) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError)
    throw DefinitionError(
        {name + ": not JSON at offset " + std::to_string(error.offset) + ": " + error.errorString().toStdString()});
  if (!document.isObject()) throw DefinitionError({name + ": a " + kind + " definition must be a JSON object"});
  return document.object();
}

void DefinitionReader::throwProblems() const {
  if (!problems.empty()) throw DefinitionError(problems);
}

void DefinitionReader::fail(const std::string& where, const std::string& what) {
  problems.push_back(name_ + where + ": " + what);
}

void DefinitionReader::onlyKeys(const QJsonObject& object, const std::vector<std::string_view>& allowed,
                                const std::string& where) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string key = it.key().toStdString();
    if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) fail(where, "unknown key \"" + key + "\"");
  }
}

std::string DefinitionReader::text(const QJsonObject& object, const char* key, const std::string& where) {
  const QJsonValue v = object.value(key);
  if (v.isUndefined()) return {};
  if (!v.isString()) {
    fail(where, std::string("\"") + key + "\" must be a text");
    return {};
  }
  return v.toString().toStdString();
}

bool DefinitionReader::isWhole(const QJsonValue& value, int low, int high) {
  const double d = value.toDouble(-1e300);
  return value.isDouble() && d == static_cast<double>(static_cast<long long>(d)) && d >= low && d <= high;
}

std::optional<FontSpec> DefinitionReader::font(const QJsonValue& value, const FontSpec& base, int largestSize,
                                               const std::string& where) {
  if (value.isUndefined()) return std::nullopt;
  if (!value.isObject()) {
    fail(where, "\"font\" must be an object");
    return std::nullopt;
  }
  const QJsonObject o = value.toObject();
  const std::string at = where + " font";
  onlyKeys(o, {"name", "size", "style"}, at);
  FontSpec spec = base;
  if (o.contains("name")) spec.name = text(o, "name", at);
  if (o.contains("size")) {
    if (isWhole(o.value("size"), 1, largestSize))
      spec.size = o.value("size").toInt();
    else
      fail(at, "\"size\" must be a whole number of points from 1 to " + std::to_string(largestSize));
  }
  if (o.contains("style")) {
    const std::string style = text(o, "style", at);
    if (style == "regular")
      spec.style = FontStyle::Regular;
    else if (style == "bold")
      spec.style = FontStyle::Bold;
    else if (style == "italic")
      spec.style = FontStyle::Italic;
    else if (style == "bold italic")
      spec.style = FontStyle::BoldItalic;
    else
      fail(where, "font style \"" + style + "\" is not regular, bold, italic or bold italic");
  }
  return spec;
}

}  // namespace platform::layout
