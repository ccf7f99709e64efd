#include "data/bank_charset.h"

#include "data/jet/code_page.h"

#include <QStringList>

#include <iterator>

namespace bankcharset {

namespace {

struct Spelling {
    char32_t c;
    const char *school; // UTF-8, within Windows-1251
};

// The spellings of a Russian school notebook typed on a keyboard.
constexpr Spelling kSpellings[] = {
    {U'²', "^2"},
    {U'³', "^3"},
    {U'¹', "^1"},
    {U'⁰', "^0"},
    {U'⁴', "^4"},
    {U'⁵', "^5"},
    {U'⁶', "^6"},
    {U'⁷', "^7"},
    {U'⁸', "^8"},
    {U'⁹', "^9"},
    {U'⁻', "^-"},
    {U'ⁿ', "^n"},
    {U'₀', "0"},
    {U'₁', "1"},
    {U'₂', "2"},
    {U'₃', "3"},
    {U'₄', "4"},
    {U'₅', "5"},
    {U'₆', "6"},
    {U'₇', "7"},
    {U'₈', "8"},
    {U'₉', "9"},
    {U'×', "·"},
    {U'⋅', "·"},
    {U'∙', "·"},
    {U'÷', ":"},
    {U'∶', ":"},
    {U'≤', "<="},
    {U'⩽', "<="},
    {U'≥', ">="},
    {U'⩾', ">="},
    {U'≠', "<>"},
    {U'≈', "~"},
    {U'−', "-"},
    {U'π', "пи"},
    {U'√', "корень из "},
    {U'∞', "бесконечность"},
    {U'∠', "угол "},
    {U'½', "1/2"},
    {U'⅓', "1/3"},
    {U'¼', "1/4"},
    {U'¾', "3/4"},
    {U'⅔', "2/3"},
};

QString character(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

} // namespace

QString notStorable(const QString &text, jet::Version version) {
    return jet::codepage::unstorable(version, text);
}

QString storageFault(const QString &text, jet::Version version) {
    const QString bad = notStorable(text, version);
    if (bad.isEmpty())
        return {};
    return QStringLiteral("символы, которых %1 не хранит: «%2» (%3)")
        .arg(jet::codepage::storageName(version), bad, advice(bad));
}

QString schoolSpelling(char32_t c) {
    for (const Spelling &s : kSpellings)
        if (s.c == c)
            return QString::fromUtf8(s.school);
    return {};
}

bool hasSchoolSpelling(const QString &text) {
    // Every sign with a spelling is a single UTF-16 unit, none in the Cyrillic block the text is
    // mostly made of.
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (((u >= 0x00B2 && u < 0x0400) || u >= 0x2000) && !schoolSpelling(u).isEmpty())
            return true;
    }
    return false;
}

QString withSchoolSpellings(const QString &text) {
    const QList<uint> chars = text.toUcs4();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < chars.size(); ++i) {
        QString school = schoolSpelling(chars[i]);
        if (school.isEmpty()) {
            out += character(chars[i]);
            continue;
        }
        // An exponent of several signs is one: "x⁻¹" is "x^(-1)", "10²³" is "10^(23)".
        if (school.startsWith(u'^')) {
            QString exponent;
            qsizetype j = i;
            for (; j < chars.size(); ++j) {
                const QString next = schoolSpelling(chars[j]);
                if (!next.startsWith(u'^'))
                    break;
                exponent += next.mid(1);
            }
            out += j - i == 1 ? u'^' + exponent : QStringLiteral("^(%1)").arg(exponent);
            i = j - 1;
            continue;
        }
        // "1½" is one and a half, not "11/2"; "√ 2" needs no second space.
        if (school.contains(u'/') && !out.isEmpty() && out.back().isDigit())
            school.prepend(u' ');
        if (school.endsWith(u' ') && (i + 1 == chars.size() || QChar::isSpace(chars[i + 1])))
            school.chop(1);
        out += school;
    }
    return out;
}

QString advice(const QString &foreign) {
    if (foreign.isEmpty())
        return {};
    QString jet4, neither;
    QStringList spellings;
    for (char32_t c : foreign.toUcs4()) {
        (c > 0xFFFF ? neither : jet4) += character(c);
        if (const QString school = schoolSpelling(c); !school.isEmpty())
            spellings << QStringLiteral("%1 → %2").arg(character(c), school.trimmed());
    }
    QStringList parts;
    if (!jet4.isEmpty())
        parts << QStringLiteral("«%1» сохранится в банке Jet 4, и Cifrovex это покажет, а Jet 3 (Access 97) "
                                "не запишет и прежняя программа для Windows покажет «?»")
                     .arg(jet4);
    if (!neither.isEmpty())
        parts << QStringLiteral("«%1» не сохранить ни в Jet 4, ни в Jet 3").arg(neither);
    if (!spellings.isEmpty())
        parts << QStringLiteral("школьная запись: %1").arg(spellings.join(QStringLiteral(", ")));
    return parts.join(QStringLiteral("; "));
}

} // namespace bankcharset
