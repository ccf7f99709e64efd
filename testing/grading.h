#pragma once

#include "data/answer_key.h"
#include "data/levels.h"
#include "testing/test_state.h"

struct GradeResult {
    int32_t CorrectCount = 0;
    double Grade = 2.0;
};

// Grades the level's slots: sets their CorrectFlags from ChosenAnswers and the key, counts them
// and computes the mark. Other levels' slots are neither read nor written.
GradeResult gradeLevel(TestState &state, const LevelRules &rules);
