#include "data/answer_key.h"

#include <algorithm>

int32_t correctOption(int position) {
    return kAnswerKey.at(std::size_t(position - 1));
}

namespace answerkey {

int correctNumber(int position, int authorsNumber, int optionCount) {
    if (isKeyed(position))
        return std::min(int(correctOption(position)), optionCount);
    return authorsNumber;
}

QList<int> shownOrder(int position, int correct, int optionCount) {
    QList<int> order;
    order.reserve(optionCount);
    for (int i = 0; i < optionCount; ++i)
        if (i != correct)
            order << i;
    if (correct >= 0 && correct < optionCount)
        order.insert(correctNumber(position, correct + 1, optionCount) - 1, correct);
    return order;
}

} // namespace answerkey
