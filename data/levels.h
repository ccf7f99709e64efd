#pragma once

#include <array>
#include <cstdint>

// The test's levels: how many problems each asks, where its answers are kept and how it marks.

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

// The most problems a test asks: the longest level's count.
inline constexpr int kMostProblems = kLevels.back().problems;

// The level's row, or nullptr for anything but 3, 4 and 5.
const LevelRules *levelRules(int32_t level);

// The mark for a count of correct answers: count * m / N in extended precision, rounded to
// nearest with halves to even, then 0 and 1 raised to 2.
double markFor(int32_t correctCount, const LevelRules &rules);
