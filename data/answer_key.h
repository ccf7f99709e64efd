#pragma once

#include "data/levels.h"

#include <QList>

#include <array>
#include <cstdint>

// The answer key, and the one rule that lays a problem's options out around it.
//
// The correct option's number at each position of a test is fixed here, the same for every level;
// the bank's own truth column is not consulted when a test is graded. A bank therefore shows its
// correct option under the key's number: the problem's other options keep their own order and the
// correct one is put in at the key's place. Past the key's positions (problems no test shows) a
// problem keeps its author's order.

// The correct option number for the problem at each position 1..20.
inline constexpr std::array<int32_t, 20> kAnswerKey{3, 1, 4, 2, 2, 3, 1, 2, 4, 3,
                                                    4, 2, 3, 2, 2, 3, 3, 4, 3, 2};
inline constexpr int kKeyedPositions = int(kAnswerKey.size());
static_assert(kKeyedPositions >= kMostProblems, "the key must cover the longest level");

// Whether the key fixes the correct option at a 1-based position.
constexpr bool isKeyed(int position) {
    return position >= 1 && position <= kKeyedPositions;
}

// The correct option for a keyed position 1..20.
int32_t correctOption(int position);

namespace answerkey {

// The number (1-based) the correct option shows under at a position, for a problem of
// `optionCount` options whose author put the correct one at `authorsNumber` (1-based). A key
// beyond the problem's options puts it last.
int correctNumber(int position, int authorsNumber, int optionCount);

// The problem's options in the order they show at a position: indexes into the author's list.
// `correct` is the correct option's index, or -1 when none is marked (the order is then the
// author's).
QList<int> shownOrder(int position, int correct, int optionCount);

} // namespace answerkey
