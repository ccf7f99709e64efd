#pragma once

#include "testing/test_state.h"

#include <array>
#include <cstdint>

// One row of the level table: a level's length, its range of answer slots and its mark scale.
struct LevelRules {
    int32_t level;  // 3, 4 or 5: the best mark the level can give
    int problems;   // N
    int slotBase;   // the level's slots are slotBase + 1 .. slotBase + N
    int multiplier; // the mark is CorrectCount * multiplier / N, rounded
};

inline constexpr std::array<LevelRules, 3> kLevels{{
    {3, 10, 0, 3},
    {4, 15, 10, 4},
    {5, 20, 25, 5},
}};

// The correct option number for the problem at each position 1..20, the same for every level.
// The bank's own truth column is not consulted.
inline constexpr std::array<int32_t, 20> kAnswerKey{3, 1, 4, 2, 2, 3, 1, 2, 4, 3,
                                                    4, 2, 3, 2, 2, 3, 3, 4, 3, 2};

// The level's row, or nullptr for anything but 3, 4 and 5.
const LevelRules *levelRules(int32_t level);

// The correct option for a problem position 1..20.
int32_t correctOption(int position);

// The mark for a count of correct answers: count * m / N in extended precision, rounded to
// nearest with halves to even, then 0 and 1 raised to 2.
double markFor(int32_t correctCount, const LevelRules &rules);

struct GradeResult {
    int32_t CorrectCount = 0;
    double Grade = 2.0;
};

// Grades the level's slots: sets their CorrectFlags from ChosenAnswers and the key, counts them
// and computes the mark. Other levels' slots are neither read nor written.
GradeResult gradeLevel(TestState &state, const LevelRules &rules);
