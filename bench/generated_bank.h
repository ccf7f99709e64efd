#pragma once

// The banks the benchmarks time: `problems` problems with a short arithmetic body, four options
// each, the correct one marked under the key's number (option 1 past the key). `lengthen` may give
// a problem a longer body.

#include "data/answer_key.h"
#include "data/bank.h"

#include <functional>

inline Bank generatedBank(int problems, const std::function<void(int p, QString &body)> &lengthen = {}) {
    Bank bank;
    bank.problems.reserve(problems);
    bank.options.reserve(4 * qsizetype(problems));
    qint32 optionId = 0;
    for (int p = 1; p <= problems; ++p) {
        QString body = QStringLiteral("(%1 + %2) · %3 - %4 : 2").arg(p).arg(p + 7).arg(p % 9 + 2).arg(2 * p);
        if (lengthen)
            lengthen(p, body);
        bank.problems.append({p, body, QStringLiteral("Вычислите значение выражения:")});
        const int key = isKeyed(p) ? correctOption(p) : 1;
        for (qint16 n = 1; n <= 4; ++n)
            bank.options.append({++optionId, p, QStringLiteral("Ответ %1").arg(p * 10 + n), n == key, n});
    }
    return bank;
}
