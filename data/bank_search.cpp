#include "data/bank_search.h"

namespace banksearch {

namespace {

void findIn(const QString &text, const QString &needle, Qt::CaseSensitivity cs, Hit hit, QList<Hit> &hits) {
    for (qsizetype at = text.indexOf(needle, 0, cs); at >= 0;
         at = text.indexOf(needle, at + needle.size(), cs)) {
        hit.start = int(at);
        hit.length = int(needle.size());
        hits << hit;
    }
}

QString oneLine(QString text) {
    for (QChar &c : text)
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    return text;
}

// Matches as find() and QString::replace() take them: left to right, never overlapping.
int countIn(const QString &text, const QString &needle, Qt::CaseSensitivity cs) {
    int n = 0;
    for (qsizetype at = text.indexOf(needle, 0, cs); at >= 0;
         at = text.indexOf(needle, at + needle.size(), cs))
        ++n;
    return n;
}

template <typename Problem> auto &fieldOf(Problem &problem, const Hit &hit) {
    switch (hit.field) {
    case Field::Condition:
        return problem.condition;
    case Field::Body:
        return problem.body;
    case Field::Option:
        break;
    }
    return problem.options[hit.option];
}

} // namespace

QList<Hit> find(const QList<DocProblem> &problems, const QString &needle, Qt::CaseSensitivity cs) {
    QList<Hit> hits;
    if (needle.isEmpty())
        return hits;
    for (int i = 0; i < problems.size(); ++i) {
        const DocProblem &p = problems[i];
        findIn(p.condition, needle, cs, {i, Field::Condition}, hits);
        findIn(p.body, needle, cs, {i, Field::Body}, hits);
        for (int o = 0; o < p.options.size(); ++o)
            findIn(p.options[o], needle, cs, {i, Field::Option, o}, hits);
    }
    return hits;
}

const QString &fieldText(const DocProblem &problem, const Hit &hit) {
    return fieldOf(problem, hit);
}

QString fieldName(const Hit &hit) {
    switch (hit.field) {
    case Field::Condition:
        return QStringLiteral("условие");
    case Field::Body:
        return QStringLiteral("текст задачи");
    case Field::Option:
        break;
    }
    return QStringLiteral("вариант %1").arg(hit.option + 1);
}

QString context(const DocProblem &problem, const Hit &hit) {
    constexpr int kAround = 30;
    const QString &text = fieldText(problem, hit);
    const int from = std::max(0, hit.start - kAround);
    const int to = std::min(int(text.size()), hit.start + hit.length + kAround);
    return (from > 0 ? QStringLiteral("…") : QString()) + oneLine(text.mid(from, hit.start - from)) +
           QStringLiteral("«") + oneLine(text.mid(hit.start, hit.length)) + QStringLiteral("»") +
           oneLine(text.mid(hit.start + hit.length, to - hit.start - hit.length)) +
           (to < text.size() ? QStringLiteral("…") : QString());
}

DocProblem replaceHit(const DocProblem &problem, const Hit &hit, const QString &needle,
                      const QString &replacement, Qt::CaseSensitivity cs) {
    DocProblem changed = problem;
    if (hit.field == Field::Option && (hit.option < 0 || hit.option >= problem.options.size()))
        return changed;
    QString &text = fieldOf(changed, hit);
    if (needle.isEmpty() || hit.start < 0 || hit.start + needle.size() > text.size() ||
        QStringView(text).mid(hit.start, needle.size()).compare(needle, cs) != 0)
        return changed;
    text.replace(hit.start, needle.size(), replacement);
    return changed;
}

DocProblem replaceAll(const DocProblem &problem, const QString &needle, const QString &replacement,
                      Qt::CaseSensitivity cs, int *count) {
    DocProblem changed = problem;
    int found = 0;
    if (!needle.isEmpty()) {
        for (QString *text : {&changed.condition, &changed.body}) {
            found += countIn(*text, needle, cs);
            text->replace(needle, replacement, cs);
        }
        for (QString &text : changed.options) {
            found += countIn(text, needle, cs);
            text.replace(needle, replacement, cs);
        }
    }
    if (count)
        *count = found;
    return changed;
}

} // namespace banksearch
