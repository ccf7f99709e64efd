#include "testing/result_text.h"

QString markText(double grade) {
    // 15 significant digits, like the number-to-text conversion the window was designed with: the
    // integral marks grading produces come out as a bare digit.
    return QString::number(grade, 'g', 15);
}

QStringList resultLines(int32_t level, int32_t correctCount, double grade) {
    return {
        QStringLiteral("Уровень сложности на \"%1\";").arg(level),
        QStringLiteral("правильных ответов: %1;").arg(correctCount),
        QStringLiteral("ваша оценка: \"%1\".").arg(markText(grade)),
    };
}
