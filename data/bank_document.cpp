#include "data/bank_document.h"

#include "data/bank_files.h"
#include "data/bank_tables.h"
#include "data/answer_key.h"
#include "data/levels.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace bankdoc {

int correctNumber(const DocProblem &problem, int position) {
    if (problem.correct < 0 || problem.correct >= problem.options.size())
        return 0;
    return answerkey::correctNumber(position, problem.correct + 1, int(problem.options.size()));
}

QList<int> shownOrder(const DocProblem &problem, int position) {
    return answerkey::shownOrder(position, problem.correct, int(problem.options.size()));
}

QString levelsUsing(int position) {
    QStringList levels;
    for (const LevelRules &level : kLevels)
        if (position >= 1 && position <= level.problems)
            levels << QString::number(level.level);
    return levels.isEmpty() ? QStringLiteral("не используется") : levels.join(QStringLiteral(", "));
}

QList<DocProblem> withoutOrigins(QList<DocProblem> problems) {
    for (DocProblem &p : problems) {
        p.origin = 0;
        p.optionOrigins.clear();
    }
    return problems;
}

QString backupPath(const QString &path) {
    return path + QStringLiteral(".bak");
}

QString jetLockPath(const QString &path) {
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".ldb"));
}

QString editorLockPath(const QString &path) {
    return path + QStringLiteral(".lock");
}

FileStamp FileStamp::of(const QString &path) {
    FileStamp stamp;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stamp;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return stamp;
    // Read from the open file, so that a file replaced meanwhile is not taken for the one hashed.
    stamp.size = file.size();
    stamp.modified = file.fileTime(QFileDevice::FileModificationTime);
    stamp.hash = hash.result();
    return stamp;
}

} // namespace bankdoc

BankDocument::BankDocument(QObject *parent)
    : QObject(parent) {}

void BankDocument::insertProblems(int at, const QList<DocProblem> &problems) {
    if (problems.isEmpty())
        return;
    at = std::clamp(at, 0, problemCount());
    for (int i = 0; i < problems.size(); ++i)
        m_problems.insert(at + i, problems[i]);
    emit problemsInserted(at, int(problems.size()));
    emit changed();
}

QList<DocProblem> BankDocument::removeProblems(int at, int count) {
    QList<DocProblem> removed = m_problems.mid(at, count);
    if (removed.isEmpty())
        return removed;
    m_problems.remove(at, removed.size());
    emit problemsRemoved(at, int(removed.size()));
    emit changed();
    return removed;
}

void BankDocument::moveProblem(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= problemCount() || to >= problemCount())
        return;
    m_problems.move(from, to);
    emit problemMoved(from, to);
    emit changed();
}

void BankDocument::setProblem(int index, const DocProblem &problem) {
    if (index < 0 || index >= problemCount() || m_problems[index] == problem)
        return;
    m_problems[index] = problem;
    emit problemChanged(index);
    emit changed();
}

void BankDocument::reset(const QList<DocProblem> &problems) {
    m_problems = problems;
    emit modelReset();
    emit changed();
}

Bank BankDocument::toBank() const {
    Bank bank;
    bank.problems.reserve(m_problems.size());
    bank.options.reserve(m_problems.size() * 4);
    qint32 optionId = 0;
    for (int i = 0; i < m_problems.size(); ++i) {
        const DocProblem &p = m_problems[i];
        const qint32 id = i + 1;
        bank.problems.append({id, p.body, p.condition});
        const QList<int> order = bankdoc::shownOrder(p, i + 1);
        for (int place = 0; place < order.size(); ++place) {
            const int o = order[place];
            bank.options.append({++optionId, id, p.options[o], o == p.correct, qint16(place + 1)});
        }
    }
    return bank;
}

QList<DocProblem> BankDocument::fromBank(const Bank &bank, QStringList *notes) {
    QHash<qint32, QList<int>> optionsOf; // ID_P -> option indices in file order
    for (int i = 0; i < bank.options.size(); ++i)
        optionsOf[bank.options[i].ID_P].append(i);

    QList<DocProblem> problems;
    problems.reserve(bank.problems.size());
    QHash<qint32, int> seen;
    for (int pi = 0; pi < bank.problems.size(); ++pi) {
        const Problem &source = bank.problems[pi];
        const int position = pi + 1;
        QList<int> own = optionsOf.value(source.ID_P);
        std::stable_sort(own.begin(), own.end(),
                         [&](int a, int b) { return bank.options[a].dopol < bank.options[b].dopol; });

        DocProblem p;
        p.condition = source.Uslovie.value_or(QString());
        p.body = source.Name.value_or(QString());
        p.origin = source.ID_P;
        QList<int> marked;
        for (int i = 0; i < own.size(); ++i) {
            const AnswerOption &o = bank.options[own[i]];
            p.options << o.Otvet.value_or(QString());
            p.optionOrigins << o.ID_O;
            if (o.Istina)
                marked << i;
        }
        // The teacher chooses: a guess here would pass the check with an answer nobody chose.
        p.correct = marked.size() == 1 ? marked.first() : -1;

        if (notes) {
            QStringList numbers;
            for (int i : marked)
                numbers << QString::number(bank.options[own[i]].dopol);
            if (marked.isEmpty() && !own.isEmpty())
                *notes << QStringLiteral("Задача %1: ни один вариант не отмечен верным. Отметьте верный "
                                         "сами: пока он не выбран, проверка не пропустит эту задачу.")
                              .arg(position);
            else if (marked.size() > 1)
                *notes << QStringLiteral("Задача %1: верными отмечены варианты %2. Отметьте один верный "
                                         "сами: пока он не выбран, проверка не пропустит эту задачу.")
                              .arg(position)
                              .arg(numbers.join(QStringLiteral(", ")));
            if (seen.contains(source.ID_P))
                *notes << QStringLiteral("Задачи %1 и %2 имели один ID_P и общие варианты ответа: "
                                         "теперь у каждой своя копия.")
                              .arg(seen.value(source.ID_P))
                              .arg(position);
            const QList<int> shown = bankdoc::shownOrder(p, position);
            bool reordered = false;
            for (int i = 0; i < shown.size(); ++i)
                reordered = reordered || shown[i] != i || bank.options[own[i]].dopol != qint16(i + 1);
            if (reordered && p.correct >= 0)
                *notes << QStringLiteral("Задача %1: варианты ответа перенумерованы, верный стоит под "
                                         "номером %2, как его считает программа.")
                              .arg(position)
                              .arg(bankdoc::correctNumber(p, position));
            else if (reordered)
                *notes
                    << QStringLiteral("Задача %1: варианты ответа перенумерованы по порядку.").arg(position);
        }
        seen.insert(source.ID_P, position);
        problems.append(std::move(p));
    }
    if (notes) {
        QList<qint32> unknown;
        for (const AnswerOption &o : bank.options)
            if (!seen.contains(o.ID_P) && !unknown.contains(o.ID_P))
                unknown << o.ID_P;
        for (qint32 id : unknown)
            *notes << QStringLiteral("Варианты ответа задачи с ID_P %1, которой нет в банке, "
                                     "не сохранятся.")
                          .arg(id);
    }
    return problems;
}

void BankDocument::load(const QString &path, QStringList *notes) {
    reset(fromBank(loadBank(path), notes));
}

QString BankDocument::save(const QString &path, jet::Version version, const QString &base) const {
    // The rows continue the file's rows they were read from, in the order toBank() writes them.
    QList<qint32> problemOrigins;
    QList<qint32> optionOrigins;
    for (int i = 0; i < m_problems.size(); ++i) {
        const DocProblem &p = m_problems[i];
        problemOrigins << p.origin;
        const bool known = p.optionOrigins.size() == p.options.size();
        for (int o : bankdoc::shownOrder(p, i + 1))
            optionOrigins << (known ? p.optionOrigins[o] : 0);
    }
    std::optional<QByteArray> existing;
    const QString from = base.isEmpty() || !QFileInfo::exists(base) ? path : base;
    if (QFile file(from); file.exists() && !QFileInfo(from).isDir()) {
        if (!file.open(QIODevice::ReadOnly))
            throw BankError(
                BankError::Kind::Output,
                QStringLiteral("Банк задач не сохранён в «%1»: файл «%2» не читается.").arg(path, from));
        existing = file.readAll();
    }
    const QList<jet::TableUpdate> updates =
        banktables::toUpdates(banktables::toTables(toBank()), problemOrigins, optionOrigins);
    QByteArray bytes;
    try {
        try {
            bytes = bankfiles::bankBytes(existing, from, updates, version);
        } catch (const BankError &) {
            // A file the bank came from that cannot be changed keeps the bank from being saved over
            // it, not from being saved anew elsewhere.
            if (from == path)
                throw;
            bytes = bankfiles::bankBytes(std::nullopt, path, updates, version);
        }
    } catch (const BankError &e) {
        throw BankError(e.kind(), QStringLiteral("Банк задач не сохранён в «%1»: %2").arg(path, e.message()));
    }
    return bankfiles::saveWithBackup(path, bytes);
}
