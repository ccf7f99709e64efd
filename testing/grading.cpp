#include "testing/grading.h"

#include <cfenv>
#include <cmath>

const LevelRules *levelRules(int32_t level) {
    for (const LevelRules &rules : kLevels) {
        if (rules.level == level)
            return &rules;
    }
    return nullptr;
}

int32_t correctOption(int position) {
    return kAnswerKey.at(std::size_t(position - 1));
}

double markFor(int32_t correctCount, const LevelRules &rules) {
    const int32_t product = correctCount * rules.multiplier;
    const long double quotient = static_cast<long double>(product) / static_cast<long double>(rules.problems);
    // nearbyint rounds in the current mode; the program never leaves round-to-nearest-even.
    const double mark = static_cast<double>(std::nearbyint(quotient));
    if (mark == 0.0 || mark == 1.0)
        return 2.0;
    return mark;
}

GradeResult gradeLevel(TestState &state, const LevelRules &rules) {
    GradeResult result;
    for (int p = 1; p <= rules.problems; ++p) {
        const int slot = rules.slotBase + p;
        state.CorrectFlags[slot] = state.ChosenAnswers[slot] == correctOption(p);
    }
    for (int p = 1; p <= rules.problems; ++p) {
        if (state.CorrectFlags[rules.slotBase + p])
            ++result.CorrectCount;
    }
    result.Grade = markFor(result.CorrectCount, rules);
    return result;
}
