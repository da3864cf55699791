#include "platform/report/report_definition.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

#include "platform/core/picture.h"
#include "platform/layout/colour.h"
#include "platform/layout/definition_reader.h"

namespace platform::report {
namespace {

constexpr int kLargestFont = 144;  // points, for titles on a printed page

struct KindInfo {
  const char* name;
  ReportControlKind kind;
  std::vector<std::string_view> fields;
};

const std::vector<KindInfo>& kinds() {
  static const std::vector<KindInfo> all = {
      {"text", ReportControlKind::Text, {"text"}},         {"string", ReportControlKind::String, {"use", "picture"}},
      {"image", ReportControlKind::Image, {"image"}},      {"line", ReportControlKind::Line, {"colour"}},
      {"box", ReportControlKind::Box, {"colour", "fill"}},
  };
  return all;
}

// Reads one report definition, collecting every problem in it.
class Reader : public layout::DefinitionReader {
 public:
  Reader(std::string name, const layout::ImageCheck& imageExists)
      : DefinitionReader(std::move(name)), imageExists_(imageExists) {}

  ReportDefinition report(const QJsonObject& o) {
    ReportDefinition r;
    r.name = name();
    const std::string where = " report";
    onlyKeys(o, {"label", "paper", "orientation", "font", "detailArea", "bands"}, where);
    r.label = text(o, "label", where);
    if (o.contains("paper")) {
      const std::vector<int> paper = numbers(o.value("paper"), 2, where + " paper");
      if (paper.size() == 2) {
        r.paperWidth = paper[0];
        r.paperHeight = paper[1];
      }
    }
    const std::string orientation = o.contains("orientation") ? text(o, "orientation", where) : "portrait";
    if (orientation == "landscape")
      r.landscape = true;
    else if (orientation != "portrait")
      fail(where, "orientation \"" + orientation + "\" is not portrait or landscape");
    r.font = font(o.value("font"), r.font, kLargestFont, where).value_or(r.font);
    const std::vector<int> area = numbers(o.value("detailArea"), 4, where + " detailArea");
    if (area.size() == 4) r.detailArea = {area[0], area[1], area[2], area[3]};
    const QJsonValue bands = o.value("bands");
    if (!bands.isArray()) fail(where, "\"bands\" must be a list");
    for (const QJsonValue& b : bands.toArray()) r.bands.push_back(band(b, r));
    return r;
  }

 private:
  // A list of exactly `count` whole numbers of thousandths; empty after a problem.
  std::vector<int> numbers(const QJsonValue& v, int count, const std::string& where) {
    const QJsonArray a = v.toArray();
    std::vector<int> out;
    if (v.isArray() && a.size() == count)
      for (const QJsonValue& n : a)
        if (isWhole(n, -100000, 100000)) out.push_back(n.toInt());
    if (static_cast<int>(out.size()) != count) {
      fail(where, "must be a list of " + std::to_string(count) + " whole numbers");
      out.clear();
    }
    return out;
  }

  std::int32_t colour(const QJsonObject& o, const char* key, std::int32_t otherwise, const std::string& where) {
    if (!o.contains(key)) return otherwise;
    const std::optional<std::int32_t> c = layout::parseColour(text(o, key, where));
    if (!c) fail(where, std::string("\"") + key + "\" is not a colour (00BBGGRRh or -1)");
    return c.value_or(otherwise);
  }

  BandDefinition band(const QJsonValue& value, const ReportDefinition& report) {
    BandDefinition b;
    std::string where = " band " + std::to_string(++bandCount_);
    const QJsonObject o = value.toObject();
    if (!value.isObject()) {
      fail(where, "a band must be an object");
      return b;
    }
    onlyKeys(o, {"label", "kind", "at", "font", "controls"}, where);
    b.label = text(o, "label", where);
    where += " (" + b.label + ")";
    const std::string kind = text(o, "kind", where);
    if (kind == "header")
      b.kind = BandKind::Header;
    else if (kind == "detail")
      b.kind = BandKind::Detail;
    else if (kind == "footer")
      b.kind = BandKind::Footer;
    else if (kind == "form")
      b.kind = BandKind::Form;
    else
      fail(where, "kind \"" + kind + "\" is not header, detail, footer or form");
    const std::vector<int> at = numbers(o.value("at"), 4, where + " at");
    if (at.size() == 4) b.at = {at[0], at[1], at[2], at[3]};
    if (b.at.height < 0 || b.at.width < 0) fail(where, "a band's size cannot be negative");
    b.font = font(o.value("font"), report.font, kLargestFont, where).value_or(report.font);
    for (const QJsonValue& c : o.value("controls").toArray()) b.controls.push_back(control(c, b, report, where));
    return b;
  }

  ReportControlDefinition control(const QJsonValue& value, const BandDefinition& band, const ReportDefinition& report,
                                  const std::string& bandWhere) {
    ReportControlDefinition c;
    c.number = ++controlCount_;
    std::string where = bandWhere + " control " + std::to_string(c.number);
    const QJsonObject o = value.toObject();
    if (!value.isObject()) {
      fail(where, "a control must be an object");
      return c;
    }
    c.label = text(o, "label", where);
    if (c.label.size() < 2 || c.label[0] != '?') fail(where, "the label must be \"?\" followed by a name");
    where += " (" + c.label + ")";
    if (!labels_.insert(labelKey(c.label)).second) fail(where, "the label is used by an earlier control");
    const std::string kindName = text(o, "kind", where);
    const auto kind =
        std::find_if(kinds().begin(), kinds().end(), [&](const KindInfo& k) { return kindName == k.name; });
    if (kind == kinds().end()) {
      fail(where, "unknown kind \"" + kindName + "\"");
      return c;
    }
    c.kind = kind->kind;
    std::vector<std::string_view> keys = {"label", "kind", "at", "font", "fontColour", "flags"};
    keys.insert(keys.end(), kind->fields.begin(), kind->fields.end());
    onlyKeys(o, keys, where);

    const QJsonArray at = o.value("at").toArray();
    if (!o.value("at").isArray() || at.size() != 4) {
      fail(where, "\"at\" must be [x, y, width, height]");
    } else {
      std::optional<int> parts[4];
      for (int i = 0; i < 4; ++i) {
        if (at[i].isNull() && i >= 2) continue;
        if (isWhole(at[i], i < 2 ? -100000 : 0, 100000))
          parts[i] = at[i].toInt();
        else
          fail(where, "\"at\" holds something that is not a position in thousandths of an inch");
      }
      c.x = parts[0].value_or(0);
      c.y = parts[1].value_or(0);
      c.width = parts[2];
      c.height = parts[3];
    }
    c.font = font(o.value("font"), band.font, kLargestFont, where).value_or(band.font);
    c.fontColour = colour(o, "fontColour", 0, where);
    for (const QJsonValue& f : o.value("flags").toArray()) {
      const std::string flag = f.toString().toStdString();
      if (flag == "left")
        c.alignment = Alignment::Left;
      else if (flag == "centre")
        c.alignment = Alignment::Centre;
      else if (flag == "right")
        c.alignment = Alignment::Right;
      else if (flag == "transparent")
        c.transparent = true;
      else if (flag == "hidden")
        c.hidden = true;
      else if (flag == "stretch" && c.kind == ReportControlKind::Image)
        c.stretch = true;
      else
        fail(where, "a " + kindName + " takes no flag \"" + flag + "\"");
    }
    c.text = text(o, "text", where);
    c.use = text(o, "use", where);
    c.picture = text(o, "picture", where);
    if (!c.picture.empty() && !Picture::parse(c.picture)) fail(where, "\"" + c.picture + "\" is not a picture");
    c.image = text(o, "image", where);
    if (c.kind == ReportControlKind::Image) {
      if (c.image.empty())
        fail(where, "an image needs \"image\"");
      else if (imageExists_ && !imageExists_(c.image))
        fail(where, "no image \"" + c.image + "\"");
      if (!c.width) fail(where, "an image needs a width");
    }
    c.colour = colour(o, "colour", 0, where);
    c.fill = colour(o, "fill", -1, where);
    if ((c.kind == ReportControlKind::Line || c.kind == ReportControlKind::Box) && (!c.width || !c.height))
      fail(where, "a " + kindName + " needs a width and a height");
    (void)report;
    return c;
  }

  const layout::ImageCheck& imageExists_;
  std::set<std::string> labels_;
  int bandCount_ = 0;
  int controlCount_ = 0;
};

}  // namespace

std::string labelKey(std::string_view label) {
  std::string key(label);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

const BandDefinition* ReportDefinition::band(std::string_view label) const {
  for (const BandDefinition& b : bands)
    if (labelKey(b.label) == labelKey(label)) return &b;
  return nullptr;
}

const BandDefinition* ReportDefinition::bandOf(BandKind kind) const {
  for (const BandDefinition& b : bands)
    if (b.kind == kind) return &b;
  return nullptr;
}

ReportDefinition parseReportDefinition(const QByteArray& json, const std::string& name,
                                       const layout::ImageCheck& imageExists) {
  const QJsonObject object = layout::DefinitionReader::parse(json, name, "report");
  Reader reader(name, imageExists);
  ReportDefinition definition = reader.report(object);
  reader.throwProblems();
  return definition;
}

ReportDefinition loadReportDefinition(const std::string& name) {
  QFile file(QString::fromStdString(":/reports/" + name + ".json"));
  if (!file.open(QIODevice::ReadOnly))
    throw layout::DefinitionError({name + ": the program holds no such report definition"});
  return parseReportDefinition(file.readAll(), name, &layout::imageExists);
}

}  // namespace platform::report
