#pragma once

// The main window's texts and the rules that build them from the test's progress.

#include "data/problem_display.h"

#include <QList>
#include <QString>

namespace maintexts {

inline QString windowCaption() {
    return QStringLiteral("Цифроведческийзачёт");
}

// Problem pane captions. Start writes the first heading without the space; every later heading
// (Restart's included) has it, and the display adjustments compare against those.
inline QString idleProblemCaption() {
    return QStringLiteral("Здесь будет условие задачи");
}
inline QString problemPaneHint() {
    return QStringLiteral("Текст задачи");
}
inline QString startHeading() {
    return QStringLiteral("Задача №1");
}
QString problemHeading(int number);

// Option pane captions: the window's first one and the one a return from the results leaves
// are worded differently.
inline QString initialOptionCaption() {
    return QStringLiteral("Нажмите на кнопку \"Начать тест\"");
}
inline QString returnOptionCaption() {
    return QStringLiteral("Нажмите кнопку \"Начать тест\"");
}
inline QString chooseOptionCaption() {
    return QStringLiteral("Выберите нужный ответ:");
}
// After an answer: which problem got which option.
QString answeredCaption(int problem, qint32 option);

// The Answer button's captions.
inline QString answerCaption() {
    return QStringLiteral("&Ответить");
}
inline QString answerCaptionAfterReturn() {
    return QStringLiteral("Ответить");
}
inline QString testFinished() {
    return QStringLiteral("Тест завершен");
}

// The progress panel once a level is chosen: "Всего <n> задач".
QString levelTotalText(int problems);
// The progress panel during a test: "Осталось решить <n> задач", as Start and Restart write it.
QString remainingText(int remaining);
// The same text with the plural forms for 1 to 4 put right, as the Answer step shows it. Only an
// exact match of the whole text is corrected.
QString withPluralCorrected(const QString &text);

inline QString congratulation() {
    return QStringLiteral("Поздравляю! Вы прошли тест. Нажмите OK и ознакомьтесь с результатами.");
}
inline QString nothingToRestart() {
    return QStringLiteral("Вы не решили еще не одной задачи!!!");
}
inline QString restartQuestion() {
    return QStringLiteral("Вы действительно хотите начать заново?");
}
inline QString exitQuestion() {
    return QStringLiteral("Вы действительно хотите выйти из программы?");
}

// The pane's adjustments for a problem pane caption, in table order. Compared for exact equality
// with the headings, so the start heading "Задача №1" and anything else matches no row.
using problemdisplay::DisplayAdjustment;
QList<DisplayAdjustment> displayAdjustmentsFor(const QString &problemCaption);

} // namespace maintexts
