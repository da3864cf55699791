#include "platform/ui/window_definition.h"

#include <QFile>
#include <QJsonArray>
#include <algorithm>

#include "platform/core/picture.h"
#include "platform/layout/colour.h"
#include "platform/layout/definition_reader.h"
#include "platform/ui/control.h"

namespace platform::ui {
namespace {

constexpr int kLargestFont = 72;  // points, for a window's controls

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// The value a definition's word stands for, or nothing.
template <class T>
std::optional<T> choose(const std::string& word, std::initializer_list<std::pair<const char*, T>> choices) {
  for (const auto& [name, value] : choices)
    if (word == name) return value;
  return std::nullopt;
}

// Reads one window definition, collecting every problem in it.
class Reader : public layout::DefinitionReader {
 public:
  Reader(std::string name, const ControlKinds& kinds, const layout::ImageCheck& imageExists)
      : DefinitionReader(std::move(name)), kinds_(kinds), imageExists_(imageExists) {}

  bool flag(const QJsonObject& object, const char* key, const std::string& where) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined()) return false;
    if (!v.isBool()) fail(where, std::string("\"") + key + "\" must be true or false");
    return v.toBool();
  }

  int whole(const QJsonObject& object, const char* key, int low, int high, const std::string& where) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined()) return 0;
    if (!isWhole(v, low, high)) {
      fail(where, std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high));
      return 0;
    }
    return v.toInt();
  }

  std::int32_t colour(const QJsonObject& object, const char* key, const std::string& where) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined()) return layout::kDefaultColour;
    std::optional<std::int32_t> c;
    if (v.isString()) c = layout::parseColour(v.toString().toStdString());
    if (!c) {
      fail(where, std::string("\"") + key + "\" is not a colour (00BBGGRRh, -1 or COLOR:name)");
      return layout::kDefaultColour;
    }
    return *c;
  }

  // [x, y, width, height], each a whole number of dialog units or null.
  void position(const QJsonObject& object, std::optional<int>* parts, bool sizeRequired, const std::string& where) {
    const QJsonValue v = object.value("at");
    if (v.isUndefined()) {
      if (sizeRequired) fail(where, "\"at\" is missing");
      return;
    }
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != 4) {
      fail(where, "\"at\" must be [x, y, width, height]");
      return;
    }
    for (int i = 0; i < 4; ++i) {
      if (a[i].isNull()) continue;
      if (!isWhole(a[i], i < 2 ? -32768 : 0, 32767)) {
        fail(where, "\"at\" holds something that is not a position in dialog units");
        continue;
      }
      parts[i] = a[i].toInt();
    }
    if (sizeRequired && (!parts[2] || !parts[3])) fail(where, "the window needs a width and a height");
  }

  void image(const std::string& file, const std::string& where) {
    if (!file.empty() && imageExists_ && !imageExists_(file)) fail(where, "no image \"" + file + "\"");
  }

  void control(const QJsonValue& value, int number, WindowDefinition& window) {
    std::string where = " control " + std::to_string(number);
    if (!value.isObject()) {
      fail(where, "a control must be an object");
      return;
    }
    const QJsonObject o = value.toObject();
    ControlDefinition c;
    c.number = number;
    c.label = text(o, "label", where);
    if (c.label.size() < 2 || c.label[0] != '?') fail(where, "the label must be \"?\" followed by a name");
    where += " (" + c.label + ")";
    if (window.find(c.label) != 0) fail(where, "the label is used by an earlier control");
    c.kind = text(o, "kind", where);
    const ControlKind* kind = kinds_.find(c.kind);
    if (kind == nullptr) {
      fail(where, "unknown kind \"" + c.kind + "\"");
      window.controls.push_back(std::move(c));
      return;
    }

    std::vector<std::string_view> keys = {"label",      "kind",       "at",   "parent", "flags",
                                          "fontColour", "background", "font", "tip",    "status"};
    const std::vector<std::string_view> ownFields = kind->fields();
    keys.insert(keys.end(), ownFields.begin(), ownFields.end());
    onlyKeys(o, keys, where);

    std::optional<int> at[4];
    position(o, at, false, where);
    c.x = at[0];
    c.y = at[1];
    c.width = at[2];
    c.height = at[3];

    c.parent = text(o, "parent", where);
    if (!c.parent.empty() && window.find(c.parent) == 0)
      fail(where, "the parent " + c.parent + " is not an earlier control");

    const QJsonValue flags = o.value("flags");
    if (!flags.isUndefined() && !flags.isArray()) fail(where, "\"flags\" must be a list");
    const std::vector<std::string_view> allowedFlags = kind->flags();
    for (const QJsonValue& f : flags.toArray()) {
      const std::string flag = f.toString().toStdString();
      const bool common = flag == "hidden" || flag == "disabled" || flag == "toolbar";
      if (!f.isString() || (!common && std::find(allowedFlags.begin(), allowedFlags.end(), flag) == allowedFlags.end()))
        fail(where, "a " + c.kind + " takes no flag \"" + flag + "\"");
      c.flags.insert(flag);
    }

    c.fontColour = colour(o, "fontColour", where);
    c.background = colour(o, "background", where);
    c.font = font(o.value("font"), window.font, kLargestFont, where);
    c.tip = text(o, "tip", where);
    c.status = text(o, "status", where);
    if (c.has("toolbar") && window.toolbarHeight == 0) fail(where, "the window has no toolbar");
    if (c.has("toolbar") && !c.parent.empty()) fail(where, "a control in the toolbar has no parent");

    for (std::string_view field : ownFields) {
      const QString key = QString::fromUtf8(field.data(), static_cast<int>(field.size()));
      if (!o.contains(key)) continue;
      c.fields.insert(key, o.value(key));
      if (field == "picture") {
        const std::string picture = text(o, "picture", where);
        if (!Picture::parse(picture)) fail(where, "\"" + picture + "\" is not a picture");
      } else if (field == "image" || field == "icon") {
        image(text(o, field == "image" ? "image" : "icon", where), where);
      } else if (field == "colour" || field == "fill") {
        colour(o, field == "colour" ? "colour" : "fill", where);
      } else if (field == "text" || field == "use" || field == "std") {
        text(o, field == "text" ? "text" : field == "use" ? "use" : "std", where);
      }
    }
    std::vector<std::string> own;
    kind->check(c, own);
    for (const std::string& p : own) fail(where, p);
    window.controls.push_back(std::move(c));
  }

  WindowDefinition window(const QJsonObject& o) {
    WindowDefinition w;
    w.name = name();
    const std::string where = " window";
    onlyKeys(o,
             {"label", "title", "at", "centre", "font", "icon", "frame", "systemMenu", "maximizeBox", "minimizeBox",
              "background", "helpId", "timer", "immediate", "toolbar", "statusBar", "controls"},
             where);
    w.label = text(o, "label", where);
    w.title = text(o, "title", where);
    std::optional<int> at[4];
    position(o, at, true, where);
    w.x = at[0];
    w.y = at[1];
    w.width = at[2].value_or(0);
    w.height = at[3].value_or(0);
    w.centred = flag(o, "centre", where);
    if (std::optional<layout::FontSpec> f = font(o.value("font"), layout::FontSpec{}, kLargestFont, where)) w.font = *f;
    w.icon = text(o, "icon", where);
    image(w.icon, where);
    const std::string frame = o.contains("frame") ? text(o, "frame", where) : "double";
    if (auto chosen = choose<Frame>(frame, {{"double", Frame::Double},
                                            {"resizable", Frame::Resizable},
                                            {"single", Frame::Single},
                                            {"none", Frame::None}}))
      w.frame = *chosen;
    else
      fail(where, "frame \"" + frame + "\" is not double, resizable, single or none");
    w.systemMenu = flag(o, "systemMenu", where);
    w.maximizeBox = flag(o, "maximizeBox", where);
    w.minimizeBox = flag(o, "minimizeBox", where);
    w.background = colour(o, "background", where);
    w.helpId = text(o, "helpId", where);
    w.timer = whole(o, "timer", 0, 1000000, where);
    w.immediate = flag(o, "immediate", where);
    w.toolbarHeight = whole(o, "toolbar", 0, 1000, where);
    const QJsonValue parts = o.value("statusBar");
    if (!parts.isUndefined() && !parts.isArray()) fail(where, "\"statusBar\" must be a list of widths");
    for (const QJsonValue& part : parts.toArray()) {
      const double width = part.toDouble(-1e300);
      if (!part.isDouble() || width != static_cast<double>(static_cast<int>(width)) || width < -1 || width > 32767)
        fail(where, "a status bar part's width must be a whole number of dialog units, or -1");
      else
        w.statusBar.push_back(static_cast<int>(width));
    }
    const QJsonValue controls = o.value("controls");
    if (!controls.isUndefined() && !controls.isArray()) fail(where, "\"controls\" must be a list");
    int number = 0;
    for (const QJsonValue& c : controls.toArray()) control(c, ++number, w);
    return w;
  }

 private:
  const ControlKinds& kinds_;
  const layout::ImageCheck& imageExists_;
};

}  // namespace

std::string ControlDefinition::text(const char* field) const { return fields.value(field).toString().toStdString(); }

std::int32_t ControlDefinition::colour(const char* field) const {
  return layout::parseColour(fields.value(field).toString().toStdString()).value_or(layout::kDefaultColour);
}

int WindowDefinition::find(std::string_view label) const {
  const std::string wanted = upper(label);
  for (const ControlDefinition& c : controls)
    if (upper(c.label) == wanted) return c.number;
  return 0;
}

WindowDefinition parseWindowDefinition(const QByteArray& json, const std::string& name, const ControlKinds& kinds,
                                       const layout::ImageCheck& imageExists) {
  const QJsonObject object = layout::DefinitionReader::parse(json, name, "window");
  Reader reader(name, kinds, imageExists);
  WindowDefinition definition = reader.window(object);
  reader.throwProblems();
  return definition;
}

WindowDefinition loadWindowDefinition(const std::string& name) {
  QFile file(QString::fromStdString(":/windows/" + name + ".json"));
  if (!file.open(QIODevice::ReadOnly))
    throw layout::DefinitionError({name + ": the program holds no such window definition"});
  return parseWindowDefinition(file.readAll(), name, ControlKinds::standard(), &layout::imageExists);
}

}  // namespace platform::ui
