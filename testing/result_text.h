#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The mark as the results window shows it: the whole number alone, never with a decimal point.
QString markText(double grade);

// The three lines of the results window's memo.
QStringList resultLines(int32_t level, int32_t correctCount, double grade);
