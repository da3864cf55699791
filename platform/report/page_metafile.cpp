#include "platform/report/page_metafile.h"

namespace platform::report {

std::vector<std::string> PageMetafile::texts() const {
  std::vector<std::string> out;
  for (const DrawOp& op : ops)
    if (const auto* t = std::get_if<TextOp>(&op)) out.push_back(t->text);
  return out;
}

std::vector<const TextOp*> PageMetafile::textOps(std::string_view label) const {
  std::vector<const TextOp*> out;
  for (const DrawOp& op : ops)
    if (const auto* t = std::get_if<TextOp>(&op); t != nullptr && t->label == label) out.push_back(t);
  return out;
}

std::vector<std::string> PageMetafile::texts(std::string_view label) const {
  std::vector<std::string> out;
  for (const TextOp* t : textOps(label)) out.push_back(t->text);
  return out;
}

}  // namespace platform::report
