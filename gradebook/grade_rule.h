// The grade rule of a grade record. Each of its four scores (portfolio, exam, participation,
// essay), when it is accepted, gives
//   - its weighted score: the score times the quotient weight / 100, the quotient formed first,
//     stored unrounded;
//   - the average: the four weighted scores as they are stored, added in order;
//   - the status: accredited (1) when the average reaches 60, by a plain comparison without any
//     tolerance; to recover (0) otherwise.
// A score above 100 (strictly) is refused and changes nothing. Scores have no lower bound, and
// nothing requires the weights to add up to 100.
//
// Works on any record of the grade records' layout (ACTAS or its alias), whose declaration names
// its fields. Pure functions; thread safe as far as the record is.
#pragma once

#include <array>
#include <cstdint>

#include "platform/core/record.h"
#include "platform/storage/file_decl.h"

namespace gradebook {

inline constexpr double kHighestScore = 100.0;
inline constexpr double kPassingAverage = 60.0;
inline constexpr std::int32_t kAccredited = 1;
inline constexpr std::int32_t kToRecover = 0;

// A score and the field that keeps its weighted score, as the record names them.
struct ScoreFamily {
  const char* score;
  const char* weighted;
};
inline constexpr std::array<ScoreFamily, 4> kScoreFamilies = {{{"PORTAFOLIO", "POR_PORTAFOLIO"},
                                                               {"EXAMEN", "POR_EXAMEN"},
                                                               {"PARTICIPACION", "POR_PARTICIPACION"},
                                                               {"ENSAYO", "POR_ENSAYO"}}};

bool ScoreTooHigh(double score);
double WeightedScore(double score, std::int32_t weight);
double WeightedAverage(double portfolio, double exam, double participation, double essay);
std::int32_t StatusOf(double average);

// Accepts score `family` (0 to 3) of the record, a record of `file`, with its weight: false,
// changing nothing, when the score is too high; otherwise its weighted score, the average and the
// status follow.
bool AcceptScore(const platform::storage::FileDecl& file, platform::RecordBuffer& gradeRecord, int family,
                 std::int32_t weight);

}  // namespace gradebook
