#include "tools/check_repair.h"

#include <unistd.h>

#include <climits>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/core/cp1252.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/file_check.h"
#include "platform/storage/session.h"

namespace datatool {
namespace {

namespace fs = std::filesystem;
using platform::storage::FileCheck;
using platform::storage::FileDecl;
using platform::storage::RecordsRead;
using platform::storage::UnreadableRecords;
using State = platform::storage::FileCheck::State;

// How many stretches of lost records a line names.
constexpr std::size_t kGapsNamed = 4;

std::string count(std::int64_t n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}
std::string count(std::int64_t n, const std::string& what) { return count(n, what, what + "s"); }

std::string recordNumbers(const UnreadableRecords& gap) {
  const std::string first = gap.first == LLONG_MIN ? "the first" : std::to_string(gap.first);
  const std::string last = gap.last == LLONG_MAX ? "the last" : std::to_string(gap.last);
  return gap.first == gap.last ? "record " + first : "records " + first + " to " + last;
}

std::string gapsText(const std::vector<UnreadableRecords>& gaps) {
  std::string text;
  for (std::size_t i = 0; i < gaps.size() && i < kGapsNamed; ++i) text += (i ? ", " : "") + recordNumbers(gaps[i]);
  if (gaps.size() > kGapsNamed) text += " and " + std::to_string(gaps.size() - kGapsNamed) + " more stretches";
  return text;
}

bool lostRecords(const RecordsRead& records) { return records.unreadable > 0 || !records.gaps.empty(); }

// "23 records cannot be read (records 1021 to 1043)", or "at least ..." when no key could list
// every record number.
std::string lossText(const RecordsRead& records, const std::string& verb) {
  if (records.exact) return count(records.unreadable, "record") + " " + verb + " (" + gapsText(records.gaps) + ")";
  return "at least " + count(records.unreadable, "record") + " " + verb + " (no key lists every record number; " +
         gapsText(records.gaps) + " could not be read)";
}

std::string errorText(const platform::Locale& locale, int code) {
  return "error " + std::to_string(code) + ": " + platform::cp1252ToUtf8(locale.errorText(code));
}

std::string unreadableText(const platform::Locale& locale, int error) {
  if (error == platform::errors::kInvalidDataFile) {
    return "cannot be read: not a data file under this program's password, or its first page is damaged (error 36)";
  }
  if (error == platform::errors::kFileLocked)
    return "cannot be checked now: a program kept it locked (error 32); check again";
  return "cannot be read (" + errorText(locale, error) + ")";
}

// Every finding of a damaged file, in one line.
std::string findingsText(const FileCheck& check, const FileDecl& decl) {
  std::vector<std::string> parts;
  if (check.descriptionUnreadable) parts.push_back("its description (layout, sort order) cannot be read");
  if (check.otherCollation) parts.push_back("its keys were made under another sort order");
  if (check.firstUnreadablePage != 0)
    parts.push_back("page " + std::to_string(check.firstUnreadablePage) + " cannot be read");
  for (const std::string& finding : check.structure) parts.push_back("integrity check: " + finding);
  if (lostRecords(check.records)) parts.push_back(lossText(check.records, "cannot be read"));
  if (check.records.wrongLength > 0) {
    parts.push_back(count(check.records.wrongLength, "record") + " not of the record length (first: record " +
                    std::to_string(check.records.firstWrongLength) + ")");
  }
  for (const auto& key : check.keys) {
    const std::string name = "key " + decl.keyName(key.key);
    if (key.unreadable) parts.push_back(name + " cannot be read");
    if (key.disagreeing > 0) {
      parts.push_back(name + " disagrees with " + count(key.disagreeing, "record") + " (first: record " +
                      std::to_string(key.firstDisagreeing) + ")");
    }
    if (key.entries >= 0)
      parts.push_back(name + " holds " + count(key.entries, "entry", "entries") + " for " +
                      count(key.expected, "record"));
    if (key.duplicate[0] != 0) {
      parts.push_back(name + ": records " + std::to_string(key.duplicate[0]) + " and " +
                      std::to_string(key.duplicate[1]) + " take one value");
    }
  }
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

// What repair would do about it, or why it cannot.
std::string adviceText(const FileCheck& check) {
  const auto& keys = check.keys;
  const bool duplicate = std::any_of(keys.begin(), keys.end(), [](const auto& key) { return key.duplicate[0] != 0; });
  if (duplicate) return "repair cannot mend it: two records take one value of a unique key (correct one of them)";
  if (!check.repairable()) return "no record can be read: restore the file from a copy";
  if (!lostRecords(check.records) && check.records.wrongLength == 0) return "repair rebuilds it and loses no record";
  return "repair saves the " + count(check.records.read, "record") + " that can be read";
}

// The line of one file, after its name.
std::string checkLine(const FileCheck& check, const FileDecl& decl, const platform::Locale& locale) {
  std::string line;
  switch (check.state) {
    case State::kSound:
      line = "ok (" + count(check.records.read, "record") + ")";
      break;
    case State::kMissing:
      line =
          "missing: the program makes it anew, empty, at its next open; restore it from a copy or load the school's "
          "data again";
      break;
    case State::kUnreadable:
      line = unreadableText(locale, check.error);
      break;
    case State::kOtherLayout:
      line = "not a file of this program's " + decl.label + ": made with another record layout (error 47)";
      break;
    case State::kDamaged:
      line = "damaged: " + findingsText(check, decl) + "; " + adviceText(check);
      break;
  }
  if (check.unfinishedChange)
    line += " (a change left unfinished by a program that stopped was checked as undone, as the next open undoes it)";
  return line;
}

// The declaration to read a file by: the data file of that name (ignoring case and folder), else
// an export file.
const FileDecl& declarationOf(const dictionary::FileDeclarations& decls, const fs::path& file) {
  const std::string name = file.filename().string();
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
  };
  for (const FileDecl* candidate : decls.dataFiles()) {
    if (upper(name) == upper(candidate->physicalName)) return *candidate;
  }
  return decls.EXPORTACION;
}

// A folder of its own for the storage engine's anchor, removed afterwards: a repair leaves
// nothing beside the file but the file and the damaged one.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "gradebook-repair-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

int checkCommand(const dictionary::FileDeclarations& decls, const platform::Locale& locale, const fs::path& folder,
                 std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "gradebook-data: " << folder.string() << ": not a folder\n";
    return 1;
  }
  platform::storage::Engine engine(locale);
  int sound = 0, damaged = 0, missing = 0, unchecked = 0;
  std::vector<std::string> toRepair;
  for (const FileDecl* decl : decls.dataFiles()) {
    const fs::path path = folder / decl->physicalName;
    const FileCheck check = platform::storage::checkFile(engine, platform::storage::placedAt(*decl, path.string()));
    out << decl->physicalName << ": " << checkLine(check, *decl, locale) << "\n";
    switch (check.state) {
      case State::kSound:
        ++sound;
        break;
      case State::kMissing:
        ++missing;
        break;
      case State::kDamaged:
        ++damaged;
        break;
      case State::kUnreadable:
      case State::kOtherLayout:
        ++unchecked;
        break;
    }
    if (check.repairable()) toRepair.push_back(path.string());
  }
  out << decls.dataFiles().size() << " data files: " << sound << " ok, " << damaged << " damaged, " << missing
      << " missing";
  if (unchecked > 0) out << ", " << unchecked << " that cannot be read";
  out << "\n";
  if (!toRepair.empty()) {
    out << "To repair, close the program on every workstation, then run:\n";
    for (const std::string& path : toRepair) out << "  gradebook-data repair " << path << "\n";
  }
  return sound == static_cast<int>(decls.dataFiles().size()) ? 0 : 1;
}

int repairCommand(const dictionary::FileDeclarations& decls, const platform::Locale& locale, const fs::path& file,
                  std::ostream& out, std::ostream& err) {
  const std::string name = file.string();
  TemporaryFolder anchor;
  if (anchor.path().empty()) {
    err << "gradebook-data: cannot make a temporary folder\n";
    return 1;
  }
  const FileDecl& decl = declarationOf(decls, file);
  platform::storage::Engine engine(locale);
  platform::storage::Session session(engine, anchor.path());
  const auto outcome = platform::storage::repairFile(session, platform::storage::placedAt(decl, name));
  const FileCheck& before = outcome.before;
  if (outcome.error == platform::errors::kExclusiveAccessRequired) {
    err << "gradebook-data: " << name
        << ": open in a program (on this or another workstation): close the program everywhere, then repair again; "
           "nothing was changed\n";
    return 1;
  }
  if (outcome.error != platform::errors::kNone) {
    std::string why;
    if (before.state == State::kDamaged) {
      why = findingsText(before, decl) + "; " + adviceText(before);
    } else if (before.state == State::kSound) {
      why = errorText(locale, outcome.error);
    } else {
      why = checkLine(before, decl, locale);
    }
    err << "gradebook-data: " << name << ": cannot be repaired: " << why << "; nothing was changed\n";
    return 1;
  }
  if (!outcome.repaired) {
    out << name << ": sound: nothing to repair\n";
    return 0;
  }
  const RecordsRead& records = outcome.records;
  out << name << ": repaired: " << count(records.read, "record") << " saved, "
      << (lostRecords(records) ? lossText(records, "could not be read") : std::string("none lost"));
  if (records.wrongLength > 0)
    out << ", " << count(records.wrongLength, "record") << " not of the record length left out";
  out << "; every key rebuilt; the damaged file is kept as " << outcome.keptAs << "\n";
  return 0;
}

}  // namespace datatool
