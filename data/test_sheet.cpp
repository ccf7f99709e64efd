#include "data/test_sheet.h"

#include "data/unmodul.h"
#include "data/answer_key.h"
#include "data/problem_display.h"

namespace testsheet {

namespace {

QString problemsWord(int n) {
    return plural(n, QStringLiteral("задача"), QStringLiteral("задачи"), QStringLiteral("задач"));
}

} // namespace

QString plural(int n, const QString &one, const QString &few, const QString &many) {
    const int tens = n % 100;
    const int units = n % 10;
    if (tens >= 11 && tens <= 14)
        return many;
    if (units == 1)
        return one;
    return units >= 2 && units <= 4 ? few : many;
}

bool bodyShownAt(int position) {
    return !problemdisplay::conditionFillsPaneAt(position);
}

QList<MarkRange> markScale(const LevelRules &rules) {
    QList<MarkRange> scale;
    for (int count = 0; count <= rules.problems; ++count) {
        const int mark = int(markFor(count, rules));
        if (!scale.isEmpty() && scale.first().mark == mark)
            scale.first().most = count;
        else
            scale.prepend({mark, count, count});
    }
    return scale;
}

Sheet make(const Bank &bank, int level, const QString &source) {
    const LevelRules *rules = levelRules(level);
    if (!rules)
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("Уровня «%1» нет: уровни — 3, 4 и 5.").arg(level));
    if (bank.problems.size() < rules->problems)
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("В банке задач %1 %2 %3, а уровень «%4» показывает %5: "
                                       "лист теста не составлен.")
                            .arg(source)
                            .arg(bank.problems.size())
                            .arg(problemsWord(int(bank.problems.size())))
                            .arg(level)
                            .arg(rules->problems));

    Sheet sheet;
    sheet.level = level;
    sheet.scale = markScale(*rules);
    QStringList faults;
    // The program's own cursors: problems in table order, each with its options as it lists them.
    TDM module(bank);
    module.first();
    for (int position = 1; position <= rules->problems; ++position, module.next()) {
        const Problem &problem = *module.currentProblem();
        SheetProblem p;
        p.position = position;
        p.condition = problem.Uslovie.value_or(QString());
        const QString body = problem.Name.value_or(QString());
        if (bodyShownAt(position)) {
            p.body = body;
        } else if (!body.trimmed().isEmpty()) {
            sheet.hiddenBodies << position;
            sheet.notes << QStringLiteral("Задача %1: на этом месте программа показывает только условие, "
                                          "текст задачи (Name) ученик не видит, и на листе его нет.")
                               .arg(position);
        }
        p.correct = correctOption(position);
        bool answerable = false;
        for (int i = 0; i < module.optionCount(); ++i) {
            const AnswerOption &o = module.option(i);
            p.options.append({o.dopol, o.Otvet.value_or(QString())});
            answerable = answerable || o.dopol == p.correct;
        }
        if (p.options.isEmpty())
            faults << QStringLiteral("задача %1 без вариантов ответа").arg(position);
        else if (!answerable)
            faults << QStringLiteral("у задачи %1 нет варианта %2, который программа считает верным")
                          .arg(position)
                          .arg(p.correct);
        sheet.problems.append(std::move(p));
    }
    if (!faults.isEmpty())
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("В банке задач %1 на уровне «%2» %3: ученик не сможет ответить "
                                       "верно, лист теста не составлен. Что не так, покажет проверка "
                                       "банка (cifrovex-bank check).")
                            .arg(source)
                            .arg(level)
                            .arg(faults.join(QStringLiteral("; "))));
    return sheet;
}

QString levelText(const Sheet &sheet) {
    const int n = int(sheet.problems.size());
    return QStringLiteral("уровень «%1», %2 %3").arg(sheet.level).arg(n).arg(problemsWord(n));
}

} // namespace testsheet
