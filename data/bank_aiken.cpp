#include "data/bank_aiken.h"

#include "data/bank_charset.h"
#include "data/answer_key.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace aiken {

namespace {

constexpr int kOptionsPerQuestion = 4;

struct Option {
    QChar letter;
    QString text;
    int line = 0;
};

struct Question {
    int line = 0; // where its text starts
    QStringList text;
    QList<Option> options;
    int correct = -1; // index into options
};

// The file's lines without their ends; "\r\n", "\n" and a lone "\r" all end a line.
QList<QByteArray> splitLines(const QByteArray &bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = start; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

QString decodeLine(const QByteArray &bytes, const QString &file, int line) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        throw BankError(file, line, QStringLiteral("текст не в кодировке UTF-8 (сохраните файл в UTF-8)"));
    return text;
}

void checkStorable(const QString &text, jet::Version version, const QString &file, int line) {
    if (const QString fault = bankcharset::storageFault(text, version); !fault.isEmpty())
        throw BankError(file, line, fault);
}

QString letters(const QList<Option> &options) {
    QStringList out;
    for (const Option &o : options)
        out << QString(o.letter);
    return out.join(QStringLiteral(", "));
}

QList<Question> parse(const QByteArray &raw, const QString &file, jet::Version version,
                      csv::FileFormat *format) {
    const csv::DecodedFile decoded = csv::decodeFile(raw);
    if (decoded.faultLine > 0)
        throw BankError(file, decoded.faultLine, decoded.fault);
    if (format)
        *format = decoded.format;
    const QByteArray &bytes = decoded.utf8;

    static const QRegularExpression answerLine(QStringLiteral("^ANSWER\\s*:\\s*(.*)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression optionLine(QStringLiteral("^([A-Z])[.)](?:\\s+(.*))?$"));
    // Russian teachers may well type "А)" or "Б." in Cyrillic; say so rather than take it for text.
    static const QRegularExpression foreignOption(QStringLiteral("^(\\p{Lu})[.)]\\s"));

    QList<Question> questions;
    std::optional<Question> open;
    bool blankAfterText = false;

    const QList<QByteArray> lines = splitLines(bytes);
    for (int n = 1; n <= lines.size(); ++n) {
        const QString text = decodeLine(lines[n - 1], file, n).trimmed();
        checkStorable(text, version, file, n);
        if (text.isEmpty()) {
            blankAfterText = open.has_value();
            continue;
        }

        if (const QRegularExpressionMatch m = answerLine.match(text); m.hasMatch()) {
            if (!open)
                throw BankError(file, n, QStringLiteral("строка ANSWER без вопроса перед ней"));
            if (open->options.size() != kOptionsPerQuestion)
                throw BankError(file, n,
                                QStringLiteral("у вопроса со строки %1 вариантов ответа %2, а нужно ровно %3")
                                    .arg(open->line)
                                    .arg(open->options.size())
                                    .arg(kOptionsPerQuestion));
            const QString given = m.captured(1).trimmed();
            if (given.size() != 1 || !given[0].isLetter())
                throw BankError(
                    file, n,
                    QStringLiteral("после «ANSWER:» нужна одна буква верного варианта, а стоит «%1»")
                        .arg(given));
            const QChar letter = given[0].toUpper();
            if (letter < u'A' || letter > u'Z')
                throw BankError(file, n,
                                QStringLiteral("после «ANSWER:» стоит буква «%1», а нужна латинская A–Z, "
                                               "как у вариантов")
                                    .arg(given));
            for (int i = 0; i < open->options.size(); ++i)
                if (open->options[i].letter == letter)
                    open->correct = i;
            if (open->correct < 0)
                throw BankError(
                    file, n,
                    QStringLiteral("верным назван вариант %1, а у вопроса со строки %2 варианты %3")
                        .arg(letter)
                        .arg(open->line)
                        .arg(letters(open->options)));
            questions.append(std::move(*open));
            open.reset();
            blankAfterText = false;
            continue;
        }

        if (const QRegularExpressionMatch m = optionLine.match(text); m.hasMatch()) {
            const QChar letter = m.captured(1)[0];
            if (!open)
                throw BankError(file, n,
                                QStringLiteral("вариант ответа %1 стоит до текста вопроса").arg(letter));
            for (const Option &o : open->options)
                if (o.letter == letter)
                    throw BankError(file, n,
                                    QStringLiteral("вариант %1 уже был в строке %2").arg(letter).arg(o.line));
            if (open->options.size() == kOptionsPerQuestion)
                throw BankError(
                    file, n,
                    QStringLiteral("у вопроса со строки %1 больше %2 вариантов ответа, а нужно ровно %2")
                        .arg(open->line)
                        .arg(kOptionsPerQuestion));
            const QString optionText = m.captured(2).trimmed();
            if (optionText.isEmpty())
                throw BankError(file, n, QStringLiteral("у варианта %1 нет текста").arg(letter));
            open->options.append({letter, optionText, n});
            continue;
        }

        if (const QRegularExpressionMatch m = foreignOption.match(text); m.hasMatch() && open)
            throw BankError(
                file, n,
                QStringLiteral("вариант ответа обозначен буквой «%1», а нужна латинская заглавная "
                               "буква A–Z")
                    .arg(m.captured(1)));

        if (!open) {
            open = Question{n, {text}, {}, -1};
            blankAfterText = false;
        } else if (!open->options.isEmpty()) {
            throw BankError(file, n,
                            QStringLiteral("вопрос со строки %1 не закончен строкой «ANSWER: буква»; здесь "
                                           "ожидался вариант ответа (буква, «)» или «.», пробел, текст) "
                                           "или строка ANSWER")
                                .arg(open->line));
        } else if (blankAfterText) {
            throw BankError(file, n,
                            QStringLiteral("у вопроса со строки %1 нет ни вариантов ответа, ни строки ANSWER")
                                .arg(open->line));
        } else {
            open->text.append(text);
        }
    }
    if (open)
        throw BankError(file, open->line,
                        QStringLiteral("вопрос, начатый в этой строке, не закончен строкой «ANSWER: буква» "
                                       "до конца файла"));
    return questions;
}

} // namespace

int minimumQuestions() {
    return kMostProblems;
}

Bank importBank(const QByteArray &bytes, const QString &file, jet::Version version) {
    return importBank(bytes, file, version, nullptr);
}

Bank importBank(const QByteArray &bytes, const QString &file, jet::Version version, csv::FileFormat *format) {
    const QList<Question> questions = parse(bytes, file, version, format);
    if (questions.size() < minimumQuestions())
        throw BankError(file, 0,
                        QStringLiteral("вопросов %1, а нужно не меньше %2: столько задач у уровня «5»")
                            .arg(questions.size())
                            .arg(minimumQuestions()));

    Bank bank;
    qint32 optionId = 0;
    for (int p = 1; p <= questions.size(); ++p) {
        const Question &q = questions[p - 1];
        bank.problems.append({p, q.text.mid(1).join(QLatin1Char('\n')), q.text.first()});

        const QList<int> order = answerkey::shownOrder(p, q.correct, int(q.options.size()));
        for (int place = 0; place < order.size(); ++place) {
            const int i = order[place];
            bank.options.append({++optionId, p, q.options[i].text, i == q.correct, qint16(place + 1)});
        }
    }
    return bank;
}

QList<FileQuestion> readQuestions(const QByteArray &bytes, const QString &file, jet::Version version,
                                  csv::FileFormat *format) {
    const QList<Question> questions = parse(bytes, file, version, format);
    if (questions.isEmpty())
        throw BankError(file, 0, QStringLiteral("в файле нет ни одного вопроса"));
    QList<FileQuestion> out;
    out.reserve(questions.size());
    for (const Question &q : questions) {
        FileQuestion f{q.text.first(), q.text.mid(1).join(QLatin1Char('\n')), {}, q.correct};
        for (const Option &o : q.options)
            f.options << o.text;
        out << f;
    }
    return out;
}

} // namespace aiken
