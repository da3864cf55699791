#include "platform/core/record_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace platform::literals;

using platform::FieldType;
using platform::Locale;
using platform::RecordLayout;
using platform::RecordQueue;

const RecordLayout& pairLayout() {
  static const RecordLayout layout({{"LS_DESCRIPCION", FieldType::String, 12},
                                    {"LS_GRUPO", FieldType::String, 6},
                                    {"LL_ID", FieldType::Long, 4},
                                    {"LR_SCORE", FieldType::Real, 8},
                                    {"LC_NOTE", FieldType::CString, 6}});
  return layout;
}

void fill(RecordQueue& q, std::string_view description, std::string_view group, int id, double score = 0) {
  q.buffer().setText(0, platform::Cp1252Text::fromUtf8(description).value());
  q.buffer().setText(1, platform::Cp1252Text::fromUtf8(group).value());
  q.buffer().setLong(2, id);
  q.buffer().setReal(3, score);
}

std::vector<int> ids(RecordQueue& q) {
  std::vector<int> out;
  for (int i = 1; q.get(i); ++i) out.push_back(q.buffer().getLong(2));
  return out;
}

TEST(RecordQueue, ReadsByPositionAndFailsOutsideLeavingTheBufferAsItWas) {
  RecordQueue q(pairLayout(), "QGRU");
  EXPECT_EQ(q.buffer().getText(0).bytes(), std::string(12, ' '));  // starts blank
  EXPECT_FALSE(q.get(1));                                          // empty queue
  fill(q, "Uno", "1A", 1);
  q.append();
  fill(q, "Dos", "2B", 2);
  q.append();
  fill(q, "Held", "H", 99);
  const auto held = q.buffer();
  for (int position : {0, -1, 3, 1000}) {
    EXPECT_FALSE(q.get(position)) << position;
    EXPECT_TRUE(q.buffer() == held) << position;
  }
  ASSERT_TRUE(q.get(2));
  EXPECT_EQ(q.buffer().getText(0), "Dos         "_cp1252);
  EXPECT_EQ(q.buffer().getLong(2), 2);
  EXPECT_EQ(q.count(), 2);

  // read() copies an entry elsewhere and leaves the buffer alone.
  platform::RecordBuffer copy(pairLayout());
  ASSERT_TRUE(q.read(1, copy));
  EXPECT_EQ(copy.getLong(2), 1);
  EXPECT_EQ(q.buffer().getLong(2), 2);
  EXPECT_FALSE(q.read(3, copy));
  EXPECT_EQ(copy.getLong(2), 1);
}

TEST(RecordQueue, InsertsPutsAndErasesAtPositions) {
  RecordQueue q(pairLayout());
  for (int id : {1, 2, 3}) {
    fill(q, "x", "g", id);
    q.append();
  }
  fill(q, "top", "g", 0);
  ASSERT_TRUE(q.insert(1));
  fill(q, "end", "g", 4);
  ASSERT_TRUE(q.insert(5));
  EXPECT_FALSE(q.insert(7));
  EXPECT_FALSE(q.insert(0));
  EXPECT_EQ(ids(q), (std::vector<int>{0, 1, 2, 3, 4}));

  fill(q, "changed", "g", 20);
  ASSERT_TRUE(q.put(3));
  EXPECT_FALSE(q.put(6));
  ASSERT_TRUE(q.erase(1));
  EXPECT_FALSE(q.erase(5));
  EXPECT_EQ(ids(q), (std::vector<int>{1, 20, 3, 4}));

  ASSERT_TRUE(q.get(2));
  q.free();
  EXPECT_EQ(q.count(), 0);
  EXPECT_FALSE(q.get(1));
  EXPECT_EQ(q.buffer().getLong(2), 20);  // the buffer keeps what it held
}

TEST(RecordQueue, SortsByFieldsWithTheLocaleComparisonStably) {
  Locale locale;
  ASSERT_TRUE(locale.set("CLACOLSEQ", "AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz"));
  RecordQueue q(pairLayout(), "QGRU");
  fill(q, "beta", "2", 1);
  q.append();
  fill(q, "Beta", "1", 2);
  q.append();
  fill(q, "alfa   ", "2", 3);  // trailing blanks never matter: equal to "alfa"
  q.append();
  fill(q, "alfa", "1", 4);
  q.append();
  fill(q, "alfa", "2", 5);
  q.append();
  fill(q, "Alfa", "3", 6);
  q.append();
  // Byte order would put "Alfa" and "Beta" first; the sequence puts "a" before "B".
  ASSERT_TRUE(q.sort(locale, "QGRU:LS_DESCRIPCION,ls_grupo"));
  EXPECT_EQ(ids(q), (std::vector<int>{6, 4, 3, 5, 2, 1}));
  // Equal entries keep their order (3 and 5 tie on both fields).
  ASSERT_TRUE(q.sort(locale, "-LS_GRUPO"));
  EXPECT_EQ(ids(q), (std::vector<int>{6, 3, 5, 1, 4, 2}));
}

TEST(RecordQueue, SortsNumbersByValue) {
  Locale locale;
  RecordQueue q(pairLayout());
  const std::vector<std::pair<int, double>> rows = {{10, 2.5}, {-3, -1e300}, {7, 0.0}, {-20, 1e-16}, {0, -0.5}};
  for (const auto& [id, score] : rows) {
    fill(q, "x", "g", id, score);
    q.append();
  }
  ASSERT_TRUE(q.sort(locale, {{2}}));
  EXPECT_EQ(ids(q), (std::vector<int>{-20, -3, 0, 7, 10}));
  ASSERT_TRUE(q.sort(locale, {{3, true}}));
  EXPECT_EQ(ids(q), (std::vector<int>{10, -20, 7, 0, -3}));
}

TEST(RecordQueue, RefusesToSortByFieldsItLacks) {
  Locale locale;
  RecordQueue q(pairLayout(), "QGRU");
  fill(q, "b", "g", 1);
  q.append();
  fill(q, "a", "g", 2);
  q.append();
  for (const char* bad : {"NOPE", "LS_GRUPO,NOPE", "OTHER:LS_GRUPO", "LS_GRUPO,,LL_ID"}) {
    EXPECT_FALSE(q.sort(locale, bad)) << bad;
    EXPECT_EQ(ids(q), (std::vector<int>{1, 2})) << bad;
  }
  EXPECT_FALSE(q.sort(locale, {{7}}));
  RecordQueue empty(pairLayout());
  EXPECT_TRUE(empty.sort(locale, "LS_GRUPO"));
}

}  // namespace
