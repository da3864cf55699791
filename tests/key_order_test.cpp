// Names read back in key order from a real students' file sort by the grade book's Spanish
// collating sequence, whatever order they were added in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "dictionary/file_declarations.h"
#include "dictionary/spanish_locale.h"
#include "platform/core/cp1252_text.h"
#include "platform/core/runtime_errors.h"
#include "platform/storage/data_file.h"
#include "platform/storage/testing/status_matchers.h"

namespace fs = std::filesystem;
using platform::storage::DataFile;
using platform::storage::testing::HasError;
using platform::storage::testing::IsOk;

namespace {

using namespace platform::literals;

platform::Cp1252Text cp1252(const std::string& utf8) {
  std::optional<platform::Cp1252Text> out = platform::Cp1252Text::fromUtf8(utf8);
  EXPECT_TRUE(out) << utf8;
  return out.value_or(platform::Cp1252Text());
}

std::string trimmedUtf8(platform::Cp1252View text) { return trimRight(text).toUtf8(); }

class KeyOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dictionary::ApplySpanishLocale(locale_);
    folder_ = fs::temp_directory_path() / ("key-order-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);  // the declarations name files in the working folder
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }

  platform::Locale locale_;
  platform::storage::Engine engine_{locale_};
  dictionary::FileDeclarations files_;
  fs::path folder_, previous_;
};

TEST_F(KeyOrderTest, StudentNamesFollowTheSpanishCollatingSequence) {
  // Expected order, written out by hand.
  const std::vector<std::string> expected = {
      "Æb", "Aec", "Aesir", "Æsir", "Martinez", "Martínez", "Olga", "Ángel", "Pablo", "Pena", "Peña", "Perez",
  };
  // A case pair: upper case sorts first, and "a" still before "B".
  const std::vector<std::string> cased = {"ABC", "a", "abc", "B"};

  platform::storage::Session session(engine_, ".");
  DataFile students(files_.ALUMNOS, session);
  ASSERT_THAT(students.create(), IsOk());
  ASSERT_THAT(students.open(), IsOk());
  std::vector<std::string> names = expected;
  names.insert(names.end(), cased.begin(), cased.end());
  std::shuffle(names.begin(), names.end(), std::mt19937(42));
  const int id = files_.ALUMNOS.fieldIndex("ALU:ID_ALU");
  const int name = files_.ALUMNOS.fieldIndex("ALU:NOMBRE");
  const int registration = files_.ALUMNOS.fieldIndex("ALU:MATRICULA");
  int next = 1;
  for (const std::string& each : names) {
    students.buffer().clear();
    students.buffer().setLong(id, next);
    students.buffer().setText(registration, platform::Cp1252View::ofBytes(std::to_string(next++)));
    students.buffer().setText(name, cp1252(each));
    ASSERT_THAT(students.add(), IsOk()) << each;
  }
  // Trailing blanks never matter: the same name with blanks is a duplicate.
  students.buffer().setLong(id, next);
  students.buffer().setText(registration, "dup"_cp1252);
  students.buffer().setText(name, cp1252("Peña   "));
  EXPECT_THAT(students.add(), HasError(platform::errors::kDuplicateKey));

  std::vector<std::string> read;
  ASSERT_THAT(students.set(files_.ALUMNOS.keyIndex("ALU:AK_NOMBRE")), IsOk());
  while (students.next() == 0) read.push_back(trimmedUtf8(students.buffer().getText(name)));

  auto position = [&](const std::string& text) { return std::find(read.begin(), read.end(), text) - read.begin(); };
  for (std::size_t i = 1; i < expected.size(); ++i) {
    EXPECT_LT(position(expected[i - 1]), position(expected[i])) << expected[i - 1] << " / " << expected[i];
  }
  for (std::size_t i = 1; i < cased.size(); ++i) {
    EXPECT_LT(position(cased[i - 1]), position(cased[i])) << cased[i - 1] << " / " << cased[i];
  }
  EXPECT_EQ(names.size(), read.size());
}

}  // namespace
