#include "testing/main_texts.h"

#include <array>
#include <utility>

namespace maintexts {

QString problemHeading(int number) {
    return QStringLiteral("Задача № ") + QString::number(number);
}

QString answeredCaption(int problem, qint32 option) {
    return QStringLiteral("Узадачи № ") + QString::number(problem) + QStringLiteral(", выбран ответ № ") +
           QString::number(option);
}

QString levelTotalText(int problems) {
    return QStringLiteral("Всего %1 задач").arg(problems);
}

QString remainingText(int remaining) {
    return QStringLiteral("Осталось решить ") + QString::number(remaining) + QStringLiteral(" задач");
}

QString withPluralCorrected(const QString &text) {
    static const std::array<std::pair<QString, QString>, 4> corrections{{
        {QStringLiteral("Осталось решить 4 задач"), QStringLiteral("Осталось решить 4 задачи")},
        {QStringLiteral("Осталось решить 3 задач"), QStringLiteral("Осталось решить 3 задачи")},
        {QStringLiteral("Осталось решить 2 задач"), QStringLiteral("Осталось решить 2 задачи")},
        {QStringLiteral("Осталось решить 1 задач"), QStringLiteral("Осталось решить 1 задачу")},
    }};
    QString result = text;
    for (const auto &[from, to] : corrections) {
        if (result == from)
            result = to;
    }
    return result;
}

QList<DisplayAdjustment> displayAdjustmentsFor(const QString &problemCaption) {
    QList<DisplayAdjustment> effects;
    for (const problemdisplay::DisplayAdjustmentRow &row : problemdisplay::displayAdjustmentTable()) {
        if (problemCaption == problemHeading(row.heading))
            effects.append(row.effect);
    }
    return effects;
}

} // namespace maintexts
