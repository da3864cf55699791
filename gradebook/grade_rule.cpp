#include "gradebook/grade_rule.h"

namespace gradebook {

bool ScoreTooHigh(double score) { return score > kHighestScore; }

double WeightedScore(double score, std::int32_t weight) {
  const double fraction = static_cast<double>(weight) / 100.0;
  // + 0.0 turns the -0.0 of a negative score under a weight of 0 into 0.
  return score * fraction + 0.0;
}

double WeightedAverage(double portfolio, double exam, double participation, double essay) {
  return ((portfolio + exam) + participation) + essay;
}

std::int32_t StatusOf(double average) { return average >= kPassingAverage ? kAccredited : kToRecover; }

bool AcceptScore(const platform::storage::FileDecl& file, platform::RecordBuffer& gradeRecord, int family,
                 std::int32_t weight) {
  const ScoreFamily& accepted = kScoreFamilies.at(static_cast<std::size_t>(family));
  const double score = gradeRecord.getReal(file.fieldNamed(accepted.score));
  if (ScoreTooHigh(score)) return false;
  gradeRecord.setReal(file.fieldNamed(accepted.weighted), WeightedScore(score, weight));
  std::array<double, 4> weighted{};
  for (std::size_t k = 0; k < kScoreFamilies.size(); ++k)
    weighted[k] = gradeRecord.getReal(file.fieldNamed(kScoreFamilies[k].weighted));
  const double average = WeightedAverage(weighted[0], weighted[1], weighted[2], weighted[3]);
  gradeRecord.setReal(file.fieldNamed("PROMEDIO"), average);
  gradeRecord.setLong(file.fieldNamed("STATUS"), StatusOf(average));
  return true;
}

}  // namespace gradebook
