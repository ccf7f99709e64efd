#include "testing/grading.h"

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
