#include "data/levels.h"

#include <cmath>

const LevelRules *levelRules(int32_t level) {
    for (const LevelRules &rules : kLevels) {
        if (rules.level == level)
            return &rules;
    }
    return nullptr;
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
