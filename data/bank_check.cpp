#include "data/bank_check.h"

#include "data/answer_key.h"
#include "data/bank_charset.h"
#include "data/jet/code_page.h"
#include "data/problem_display.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace bankcheck {

namespace {

QString describe(const QString &chars) {
    QStringList parts;
    for (char32_t c : chars.toUcs4())
        parts << QStringLiteral("«%1» (U+%2)")
                     .arg(QString::fromUcs4(&c, 1),
                          QString::number(quint32(c), 16).toUpper().rightJustified(4, u'0'));
    return parts.join(QStringLiteral(", "));
}

QString numbers(const QList<int> &values) {
    QStringList parts;
    for (int v : values)
        parts << QString::number(v);
    return parts.join(QStringLiteral(", "));
}

// One fault of a problem, in the tool's words and a teacher's.
struct Fault {
    QString tool;
    QString plain;
    Finding::Field field = Finding::Field::None;
    int option = 0;
};

// NULL, empty and foreign characters in one text field.
void checkText(const std::optional<QString> &text, bool mayBeEmpty, const QString &what, Finding::Field field,
               int option, QList<Fault> &faults) {
    // The teacher's words name the field only where the finding does not name it already.
    const QString in = field == Finding::Field::Condition ? QStringLiteral("в условии ")
                       : field == Finding::Field::Body    ? QStringLiteral("в тексте задачи ")
                                                          : QString();
    const QString empty = field == Finding::Field::Condition ? QStringLiteral("условие пустое")
                                                             : QStringLiteral("пустой текст");
    if (!text) {
        if (!mayBeEmpty)
            faults << Fault{QStringLiteral("%1: NULL").arg(what), empty, field, option};
        return;
    }
    if (text->trimmed().isEmpty() && !mayBeEmpty)
        faults << Fault{QStringLiteral("%1: пустая строка").arg(what), empty, field, option};
    const QString foreign = outsideWindows1251(*text);
    if (!foreign.isEmpty())
        faults << Fault{QStringLiteral("%1: символы вне Windows-1251: %2 (%3)")
                            .arg(what, describe(foreign), bankcharset::advice(foreign)),
                        QStringLiteral("%1символы, которых нет в Windows-1251 (старая программа покажет их "
                                       "как «?»): %2 (%3)")
                            .arg(in, describe(foreign), bankcharset::advice(foreign)),
                        field, option};
}

} // namespace

QString outsideWindows1251(const QString &text) {
    return jet::codepage::unstorable(jet::Version::Jet3, text, jet::codepage::kCyrillic);
}

Report check(const Bank &bank) {
    Report report;
    report.problemCount = int(bank.problems.size());
    report.optionCount = int(bank.options.size());

    QHash<qint32, QList<int>> optionsOf; // ID_P -> option indices in file order
    for (int i = 0; i < bank.options.size(); ++i)
        optionsOf[bank.options[i].ID_P].append(i);
    QHash<qint32, QList<int>> positionsOf; // ID_P -> problem positions
    for (int p = 0; p < bank.problems.size(); ++p)
        positionsOf[bank.problems[p].ID_P].append(p + 1);

    for (int p = 1; p <= bank.problems.size(); ++p) {
        const Problem &problem = bank.problems[p - 1];
        QList<Fault> faults;
        using enum Finding::Field;

        const QList<int> &same = positionsOf[problem.ID_P];
        if (same.size() > 1)
            faults << Fault{
                QStringLiteral("тот же ID_P у задач %1, и варианты ответа у них общие").arg(numbers(same)),
                QStringLiteral("у задач %1 один номер, и варианты ответа у них общие").arg(numbers(same))};

        checkText(problem.Uslovie, false, QStringLiteral("условие (Uslovie)"), Condition, 0, faults);
        checkText(problem.Name, true, QStringLiteral("текст задачи (Name)"), Body, 0, faults);

        const QList<int> own = optionsOf.value(problem.ID_P);
        QList<int> dopols;
        for (int i : own)
            dopols << bank.options[i].dopol;
        QList<int> sorted = dopols;
        std::sort(sorted.begin(), sorted.end());
        if (own.isEmpty())
            faults << Fault{
                QStringLiteral("нет ни одного варианта ответа, а нужно четыре с номерами 1, 2, 3, 4"),
                QStringLiteral("нет ни одного варианта ответа, а нужно четыре"), Options};
        else if (sorted != QList<int>{1, 2, 3, 4})
            faults << Fault{
                QStringLiteral("вариантов ответа %1 (номера dopol: %2), а нужно четыре с номерами "
                               "1, 2, 3, 4")
                    .arg(own.size())
                    .arg(numbers(dopols)),
                own.size() == 4 ? QStringLiteral("номера вариантов ответа повторяются или пропущены")
                                : QStringLiteral("вариантов ответа %1, а нужно четыре").arg(own.size()),
                Options};

        for (int i : own) {
            const AnswerOption &o = bank.options[i];
            checkText(o.Otvet, false,
                      QStringLiteral("текст варианта %1 (ID_O %2, Otvet)").arg(o.dopol).arg(o.ID_O),
                      OptionText, o.dopol, faults);
        }

        if (isKeyed(p) && !own.isEmpty()) {
            const int key = correctOption(p);
            QList<int> marked;
            bool keyMarked = false;
            for (int i : own) {
                const AnswerOption &o = bank.options[i];
                if (o.Istina)
                    marked << o.dopol;
                if (o.dopol == key && o.Istina)
                    keyMarked = true;
            }
            if (marked.isEmpty())
                faults << Fault{
                    QStringLiteral("ни один вариант не отмечен верным (Istina), а программа считает "
                                   "верным вариант %1")
                        .arg(key),
                    QStringLiteral("верный ответ не отмечен"), Correct};
            else if (!keyMarked || marked.size() > 1)
                faults << Fault{
                    QStringLiteral("верным (Istina) отмечен%1 вариант%2 %3, а программа считает верным "
                                   "только вариант %4")
                        .arg(marked.size() > 1 ? QStringLiteral("ы") : QString())
                        .arg(marked.size() > 1 ? QStringLiteral("ы") : QString())
                        .arg(numbers(marked))
                        .arg(key),
                    QStringLiteral("верным отмечен не тот вариант, который считает верным программа"),
                    Correct};
        }

        for (const Fault &fault : faults)
            report.findings.append(
                {p, QStringLiteral("Задача %1 (ID_P %2): %3.").arg(p).arg(problem.ID_P).arg(fault.tool),
                 fault.field, fault.option, fault.plain});

        if (p <= kMostProblems && problemdisplay::conditionFillsPaneAt(p) && problem.Name &&
            !problem.Name->trimmed().isEmpty())
            report.warnings.append(
                {p,
                 QStringLiteral("Задача %1 (ID_P %2): текст задачи (Name) ученик не увидит: на %1-м месте "
                                "программа показывает только условие (Uslovie), во всю рамку задачи. "
                                "Перенесите текст в условие или поставьте сюда задачу без текста.")
                     .arg(p)
                     .arg(problem.ID_P),
                 Body, 0,
                 QStringLiteral(
                     "текст задачи ученик не увидит: на %1-м месте программа показывает во всю рамку "
                     "только условие. Перенесите текст в условие или поставьте сюда задачу без текста")
                     .arg(p)});
    }

    // Options nobody will see, one finding per unknown problem, in file order.
    QList<qint32> unknown;
    for (const AnswerOption &o : bank.options)
        if (!positionsOf.contains(o.ID_P) && !unknown.contains(o.ID_P))
            unknown << o.ID_P;
    for (qint32 id : unknown) {
        QList<int> ids;
        for (int i : optionsOf.value(id))
            ids << bank.options[i].ID_O;
        report.findings.append(
            {0, QStringLiteral("Варианты ответа с ID_O %1 относятся к задаче с ID_P %2, которой "
                               "нет в таблице Zadachi.")
                    .arg(numbers(ids))
                    .arg(id),
             Finding::Field::None, 0, QString()});
    }

    const int needed = kMostProblems;
    if (report.problemCount < needed)
        report.findings.append(
            {0, QStringLiteral("В банке задач %1, а для всех трёх уровней нужно не меньше %2.")
                    .arg(report.problemCount)
                    .arg(needed),
             Finding::Field::None, 0, QString()});

    for (const LevelRules &level : kLevels) {
        if (report.problemCount < level.problems)
            continue;
        const bool clean =
            std::none_of(report.findings.begin(), report.findings.end(),
                         [&](const Finding &f) { return f.position >= 1 && f.position <= level.problems; });
        if (clean)
            report.levelsServed << level.level;
    }
    return report;
}

QStringList levelLines(const Report &report) {
    QStringList lines;
    for (const LevelRules &level : kLevels) {
        const QString head =
            QStringLiteral("Уровень «%1» (задачи 1–%2): ").arg(level.level).arg(level.problems);
        if (report.levelsServed.contains(level.level)) {
            lines << head + QStringLiteral("работает как задумано.");
        } else if (report.problemCount < level.problems) {
            lines << head + QStringLiteral("не работает: задач в банке только %1.").arg(report.problemCount);
        } else {
            QList<int> broken;
            for (const Finding &f : report.findings)
                if (f.position >= 1 && f.position <= level.problems && !broken.contains(f.position))
                    broken << f.position;
            lines << head + QStringLiteral("не работает: ошибки в задачах %1.").arg(numbers(broken));
        }
    }
    return lines;
}

QString format(const Report &report, const QString &file) {
    QStringList lines;
    lines << QStringLiteral("Банк задач %1: задач %2, вариантов ответа %3.")
                 .arg(file)
                 .arg(report.problemCount)
                 .arg(report.optionCount);
    lines << levelLines(report);
    if (report.problemCount > kMostProblems)
        lines << QStringLiteral("Задачи после %1-й программа не показывает.").arg(kMostProblems);
    if (report.findings.isEmpty()) {
        lines << QStringLiteral("Ошибок не найдено.");
    } else {
        lines << QStringLiteral("Найдено ошибок: %1.").arg(report.findings.size());
        for (const Finding &f : report.findings)
            lines << QStringLiteral("  ") + f.text;
    }
    if (!report.warnings.isEmpty()) {
        lines << QStringLiteral("Предупреждений: %1.").arg(report.warnings.size());
        for (const Finding &f : report.warnings)
            lines << QStringLiteral("  ") + f.text;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace bankcheck
