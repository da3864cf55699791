// The grade rule on records of the grade records' own layout.
#include "gradebook/grade_rule.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dictionary/file_declarations.h"

namespace gradebook {
namespace {

class GradeRuleTest : public ::testing::Test {
 protected:
  double get(const char* field) const { return record.getReal(decls.ACTAS.fieldIndex(field)); }
  void set(const char* field, double value) { record.setReal(decls.ACTAS.fieldIndex(field), value); }
  std::int32_t status() const { return record.getLong(decls.ACTAS.fieldIndex("STATUS")); }

  dictionary::FileDeclarations decls;
  platform::RecordBuffer record{decls.ACTAS.layout};
};

TEST_F(GradeRuleTest, EachScoreGivesItsWeightedScoreTheAverageAndTheStatus) {
  struct Case {
    const char* what;
    std::array<std::int32_t, 4> weights;
    std::array<double, 4> scores;
    std::array<double, 4> weighted;
    double average;
    std::int32_t status;
  };
  const Case cases[] = {
      {"30/20/20/30", {30, 20, 20, 30}, {80, 70, 90, 60}, {24, 14, 18, 18}, 74, kAccredited},
      {"25 each, exactly 60", {25, 25, 25, 25}, {60, 60, 60, 60}, {15, 15, 15, 15}, 60, kAccredited},
      {"30/20/20/30, exactly 60", {30, 20, 20, 30}, {60, 60, 60, 60}, {18, 12, 12, 18}, 60, kAccredited},
      {"just below 60 shows 60 but is not 60",
       {25, 25, 25, 25},
       {60, 60, 60, 59.99999999999996},
       {15, 15, 15, 14.99999999999999},
       59.999999999999986,
       kToRecover},
      {"59.75", {25, 25, 25, 25}, {60, 60, 60, 59}, {15, 15, 15, 14.75}, 59.75, kToRecover},
      {"100 passes", {25, 25, 25, 25}, {100, 100, 100, 100}, {25, 25, 25, 25}, 100, kAccredited},
      {"negative scores count as they are", {30, 20, 20, 30}, {-10, 100, 100, 100}, {-3, 20, 20, 30}, 67, kAccredited},
      {"blank scores are 0", {30, 20, 20, 30}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, kToRecover},
      {"a weight of 0 gives 0 whatever the score", {0, 50, 50, 0}, {-40, 70, 50, 99}, {0, 35, 25, 0}, 60, kAccredited},
      {"weights need not add up to 100", {50, 50, 50, 50}, {40, 40, 40, 40}, {20, 20, 20, 20}, 80, kAccredited},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    record.clear();
    for (int k = 0; k < 4; ++k) {
      set(kScoreFamilies[k].score, c.scores[k]);
      ASSERT_TRUE(AcceptScore(decls.ACTAS, record, k, c.weights[k]));
    }
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(c.weighted[k], get(kScoreFamilies[k].weighted)) << kScoreFamilies[k].weighted;
      EXPECT_FALSE(std::signbit(get(kScoreFamilies[k].weighted)) && c.weighted[k] == 0) << "never -0";
    }
    EXPECT_EQ(c.average, get("PROMEDIO"));
    EXPECT_EQ(c.status, status());
  }
}

TEST_F(GradeRuleTest, AScoreAbove100IsRefusedAndChangesNothing) {
  for (double score : {100.5, 101.0, 1e9}) {
    SCOPED_TRACE(score);
    record.clear();
    set("POR_EXAMEN", 14);
    set("PROMEDIO", 74);
    set("EXAMEN", score);
    const platform::RecordBuffer before = record;
    EXPECT_FALSE(AcceptScore(decls.ACTAS, record, 1, 20));
    EXPECT_TRUE(record == before);
  }
  EXPECT_FALSE(ScoreTooHigh(100.0));
  EXPECT_TRUE(ScoreTooHigh(std::nextafter(100.0, 200.0)));
}

TEST_F(GradeRuleTest, TheQuotientIsFormedFirstAndNothingIsRounded) {
  // 70.1 x (30 / 100) and (70.1 x 30) / 100 are different numbers.
  ASSERT_NE(70.1 * (30 / 100.0), (70.1 * 30) / 100);
  EXPECT_EQ(70.1 * (30 / 100.0), WeightedScore(70.1, 30));
  EXPECT_EQ(0.06999999999999999, WeightedScore(0.7, 10));
}

TEST_F(GradeRuleTest, TheOtherWeightedScoresAreTakenAsStored) {
  set("POR_PORTAFOLIO", 10);  // stored earlier, under other weights
  set("POR_EXAMEN", 5);
  set("POR_PARTICIPACION", 1);
  set("ENSAYO", 80);
  ASSERT_TRUE(AcceptScore(decls.ACTAS, record, 3, 30));
  EXPECT_EQ(24, get("POR_ENSAYO"));
  EXPECT_EQ(40, get("PROMEDIO"));
  EXPECT_EQ(kToRecover, status());
  EXPECT_EQ(10, get("POR_PORTAFOLIO")) << "not recomputed";
}

}  // namespace
}  // namespace gradebook
