// cifrovex-bank: the question bank's source CSV files to data.cvx and back, and a check of a bank
// against what the program expects of it.

#include "data/bank.h"
#include "data/bank_aiken.h"
#include "data/bank_check.h"
#include "data/bank_csv.h"
#include "data/bank_files.h"
#include "data/bank_tables.h"
#include "data/jet/jet.h"
#include "data/levels.h"
#include "data/test_sheet.h"
#include "data/test_sheet_print.h"
#include "platform/console.h"
#include "platform/files.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

enum Exit {
    ExitOk = 0,
    ExitCheckFailed = 1,
    ExitUsage = 2,
    ExitInput = 3,
    ExitOutput = 4,
};

QString helpText() {
    return QStringLiteral(
        "cifrovex-bank — сборка, выгрузка и проверка банка задач Cifrovex (data.cvx).\n"
        "\n"
        "Использование:\n"
        "  cifrovex-bank build Zadachi.csv Otvety.csv -o data.cvx [--jet3]\n"
        "  cifrovex-bank import-aiken ВОПРОСЫ.txt -o data.cvx [--jet3]\n"
        "  cifrovex-bank dump ФАЙЛ [ТАБЛИЦА...] [-o КАТАЛОГ]\n"
        "  cifrovex-bank check ФАЙЛ\n"
        "  cifrovex-bank print ФАЙЛ -o ЛИСТ.pdf [--level 3|4|5]\n"
        "  cifrovex-bank --help\n"
        "\n"
        "Команды:\n"
        "  build  собирает банк из таблиц задач (Zadachi) и вариантов ответа (Otvety).\n"
        "         Пишет базу Jet 4 (Access 2000–2003), с --jet3 — Jet 3 (Access 97, текст\n"
        "         в Windows-1251). При любой ошибке во входных файлах ничего не записывает.\n"
        "  import-aiken\n"
        "         собирает банк из вопросов в формате Aiken (Moodle): текст вопроса,\n"
        "         варианты «A) текст» или «A. текст», строка «ANSWER: B», пустая строка\n"
        "         между вопросами. Нужно не меньше 20 вопросов ровно с\n"
        "         четырьмя вариантами; программа использует первые 20. Первая строка\n"
        "         вопроса идёт в условие (Uslovie), остальные — в текст задачи (Name).\n"
        "         Варианты переставляются так, чтобы верный получил номер, который\n"
        "         программа считает верным для этой позиции; остальные три сохраняют\n"
        "         свой порядок. После 20-го вопроса порядок вариантов не меняется.\n"
        "         При любой ошибке во входном файле ничего не записывает.\n"
        "  dump   выгружает таблицы любой базы Jet в CSV: каждую в ТАБЛИЦА.csv в КАТАЛОГ,\n"
        "         а одну таблицу без -o — на стандартный вывод. Без имён — все таблицы.\n"
        "         Выгрузка банка, собранная командой build, даёт тот же банк.\n"
        "         Numeric выводится десятичным числом, Single — кратчайшей записью. Если\n"
        "         в заголовке базы Jet 3 нет известной кодовой страницы, текст читается\n"
        "         как Windows-1251 и об этом выводится предупреждение.\n"
        "  check  читает банк так же, как программа, и сообщает, какие уровни он\n"
        "         обслуживает (3 — задачи 1–10, 4 — 1–15, 5 — 1–20) и что в нём не так.\n"
        "  print  пишет тест на бумаге в PDF (A4): лист ученика с задачами уровня (по\n"
        "         умолчанию 5) так, как их покажет программа, — условие, текст задачи и\n"
        "         пронумерованные варианты ответа, строки для фамилии, класса и даты, — и\n"
        "         на отдельной странице ключ (номер верного ответа каждой задачи) и\n"
        "         шкалу оценок. Если банк не читается, задач меньше, чем на уровне, или у\n"
        "         задачи нет варианта под номером, который программа считает верным,\n"
        "         ничего не записывает.\n"
        "\n"
        "CSV — как у mdb-export: строка заголовка с именами столбцов, поля через запятую,\n"
        "текст в двойных кавычках (кавычка внутри удваивается, переводы строк допустимы),\n"
        "логические значения 1 и 0. Пустое поле без кавычек — NULL, \"\" — пустой текст.\n"
        "Читается и CSV электронных таблиц: поля через точку с запятой (разделитель\n"
        "берётся из строки заголовка), ИСТИНА и ЛОЖЬ.\n"
        "Текстовые файлы (CSV и Aiken) — в UTF-8, с меткой BOM или без, или в Windows-1251\n"
        "(если текст не в UTF-8; об этом выводится предупреждение), строки кончаются\n"
        "LF или CR LF.\n"
        "Столбцы Zadachi: ID_P, Name, Uslovie. Столбцы Otvety: ID_O, ID_P, Otvet, Istina, dopol.\n"
        "\n"
        "Коды завершения:\n"
        "  0  успешно; для check — все три уровня работают как задумано и ошибок нет\n"
        "  1  check нашла в банке ошибки\n"
        "  2  ошибка в командной строке\n"
        "  3  входной файл не найден, не читается или испорчен (CSV, Aiken, база Jet);\n"
        "     для print — в банке нет теста этого уровня\n"
        "  4  не удалось записать результат\n");
}

void print(FILE *stream, const QString &text) {
    platform::writeText(stream, text);
}

int usage(const QString &fault) {
    print(stderr, QStringLiteral("cifrovex-bank: %1\nСправка: cifrovex-bank --help\n").arg(fault));
    return ExitUsage;
}

// Something the user should know that does not stop the command, on standard error.
void notice(const QString &text) {
    if (!text.isEmpty())
        print(stderr, QStringLiteral("cifrovex-bank: %1\n").arg(text));
}

int failure(int code, const QString &message) {
    print(stderr, QStringLiteral("cifrovex-bank: %1\n").arg(message));
    return code;
}

// A failure of the bank layer: the input's or the output's, as its kind says.
int failure(const BankError &e) {
    return failure(e.kind() == BankError::Kind::Output ? ExitOutput : ExitInput, e.message());
}

// Writes a result file whole: ExitOk, or the output's failure.
int writeOutput(const QString &path, const QByteArray &bytes) {
    if (const QString why = platform::writeWhole(path, bytes); !why.isEmpty())
        return failure(ExitOutput, QStringLiteral("файл %1 не записан: %2").arg(path, why));
    return ExitOk;
}

// What the commands that write a bank take: their input files, -o FILE and --jet3.
struct WriteArgs {
    QStringList inputs;
    QString output;
    jet::Version version = jet::Version::Jet4;
};

// Reads build's and import-aiken's arguments; returns the fault for usage(), empty when none.
QString parseWriteArgs(const QStringList &args, WriteArgs &out) {
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("-o")) {
            if (++i >= args.size())
                return QStringLiteral("после -o нужно имя файла");
            out.output = args[i];
        } else if (a == QLatin1String("--jet3")) {
            out.version = jet::Version::Jet3;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return QStringLiteral("неизвестный параметр %1").arg(a);
        } else {
            out.inputs << a;
        }
    }
    return QString();
}

// Writes the bank file: an existing bank is changed in place (its other tables, columns and
// objects kept), a new one made otherwise. What Jet will not store as it is given (a value, a key,
// a file it cannot change safely) is the input's fault, as BankError::fromJet() says; a file that
// cannot be read or written is the output's, the bank to be changed among them.
int writeBank(const QString &output, const QList<jet::Table> &tables, jet::Version version) {
    std::optional<QByteArray> existing;
    if (QFileInfo(output).exists()) {
        try {
            existing = bankfiles::readInput(output);
        } catch (const BankError &e) {
            return failure(ExitOutput, e.message());
        }
    }
    QByteArray bytes;
    try {
        if (existing && !existing->isEmpty()) {
            const jet::Version was = bankfiles::versionOf(*existing, output);
            if (was != version)
                return failure(
                    ExitOutput,
                    QStringLiteral("%1 — банк в формате %2; чтобы записать банк в формате %3, укажите "
                                   "новый файл")
                        .arg(output,
                             was == jet::Version::Jet4 ? QStringLiteral("Jet 4") : QStringLiteral("Jet 3"),
                             version == jet::Version::Jet4 ? QStringLiteral("Jet 4")
                                                           : QStringLiteral("Jet 3")));
        }
        bytes = bankfiles::bankBytes(existing, output, banktables::toUpdates(tables), version,
                                     bankfiles::stampFromEnvironment());
    } catch (const BankError &e) {
        return failure(e);
    }
    return writeOutput(output, bytes);
}

int build(const QStringList &args) {
    WriteArgs a;
    if (const QString fault = parseWriteArgs(args, a); !fault.isEmpty())
        return usage(fault);
    if (a.inputs.size() != 2)
        return usage(QStringLiteral("build ждёт два CSV-файла: Zadachi.csv и Otvety.csv"));
    if (a.output.isEmpty())
        return usage(QStringLiteral("build ждёт -o ФАЙЛ"));

    QList<jet::Table> tables;
    try {
        const QByteArray problems = bankfiles::readInput(a.inputs[0]);
        const QByteArray options = bankfiles::readInput(a.inputs[1]);
        csv::FileFormat formats[2];
        tables = csv::readBankTables(problems, a.inputs[0], options, a.inputs[1], a.version, &formats[0],
                                     &formats[1]);
        for (int i = 0; i < 2; ++i)
            notice(csv::encodingNotice(a.inputs[i], formats[i]));
    } catch (const BankError &e) {
        return failure(e);
    }
    return writeBank(a.output, tables, a.version);
}

int importAiken(const QStringList &args) {
    WriteArgs a;
    if (const QString fault = parseWriteArgs(args, a); !fault.isEmpty())
        return usage(fault);
    if (a.inputs.isEmpty())
        return usage(QStringLiteral("import-aiken ждёт файл с вопросами в формате Aiken"));
    if (a.inputs.size() > 1)
        return usage(QStringLiteral("import-aiken ждёт один файл с вопросами"));
    if (a.output.isEmpty())
        return usage(QStringLiteral("import-aiken ждёт -o ФАЙЛ"));
    const QString &input = a.inputs.first();
    const QString &output = a.output;
    const jet::Version version = a.version;

    Bank bank;
    try {
        csv::FileFormat format;
        bank = aiken::importBank(bankfiles::readInput(input), input, version, &format);
        notice(csv::encodingNotice(input, format));
    } catch (const BankError &e) {
        return failure(e);
    }

    if (const int code = writeBank(output, banktables::toTables(bank), version); code != ExitOk)
        return code;
    const int used = aiken::minimumQuestions();
    if (bank.problems.size() > used)
        print(stdout, QStringLiteral("Вопросов %1; программа использует только первые %2.\n")
                          .arg(bank.problems.size())
                          .arg(used));
    return ExitOk;
}

// A table's name as a file name: the characters no file system takes become "_".
QString fileNameFor(const QString &table) {
    QString name = table;
    for (QChar &c : name)
        if (c < QChar(0x20) || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = u'_';
    return name + QStringLiteral(".csv");
}

int dump(const QStringList &args) {
    QString file;
    QStringList tables;
    QString outDir;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("-o")) {
            if (++i >= args.size())
                return usage(QStringLiteral("после -o нужно имя каталога"));
            outDir = args[i];
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usage(QStringLiteral("неизвестный параметр %1").arg(a));
        } else if (file.isEmpty()) {
            file = a;
        } else {
            tables << a;
        }
    }
    if (file.isEmpty())
        return usage(QStringLiteral("dump ждёт имя файла базы"));
    if (outDir.isEmpty() && tables.size() > 1)
        return usage(
            QStringLiteral("таблиц в выгрузке: %1; укажите каталог для них (-o КАТАЛОГ)").arg(tables.size()));

    try {
        const jet::Database db = jet::Database::open(file);
        notice(db.codePageNotice());
        if (tables.isEmpty())
            tables = db.tableNames();
        if (outDir.isEmpty() && tables.size() != 1)
            return usage(QStringLiteral("таблиц в выгрузке: %1; укажите каталог для них (-o КАТАЛОГ)")
                             .arg(tables.size()));

        // Read everything before writing anything, so that a fault leaves no half a dump behind.
        QList<QByteArray> texts;
        for (const QString &t : tables)
            texts << csv::write(db.readTable(t));

        if (outDir.isEmpty()) {
            std::fwrite(texts[0].constData(), 1, size_t(texts[0].size()), stdout);
            return std::fflush(stdout) == 0 ? ExitOk
                                            : failure(ExitOutput, QStringLiteral("вывод не записан"));
        }
        if (!QDir().mkpath(outDir))
            return failure(ExitOutput, QStringLiteral("каталог %1 не создан").arg(outDir));
        for (int i = 0; i < tables.size(); ++i) {
            const int code = writeOutput(QDir(outDir).filePath(fileNameFor(tables[i])), texts[i]);
            if (code != ExitOk)
                return code;
        }
    } catch (const jet::FormatError &e) {
        return failure(BankError::fromJet(e, BankError::JetWork::Reading));
    }
    return ExitOk;
}

int check(const QStringList &args) {
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("check ждёт одно имя файла банка"));
    try {
        const bankcheck::Report report = bankcheck::check(loadBank(args[0]));
        print(stdout, bankcheck::format(report, args[0]));
        return report.ok() ? ExitOk : ExitCheckFailed;
    } catch (const BankError &e) {
        return failure(e);
    }
}

int printSheet(const QStringList &args) {
    QString file;
    QString output;
    int level = 5;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("-o")) {
            if (++i >= args.size())
                return usage(QStringLiteral("после -o нужно имя файла PDF"));
            output = args[i];
        } else if (a == QLatin1String("--level")) {
            if (++i >= args.size())
                return usage(QStringLiteral("после --level нужен уровень: 3, 4 или 5"));
            bool number = false;
            level = args[i].toInt(&number);
            if (!number || !levelRules(level))
                return usage(QStringLiteral("уровня «%1» нет: уровни — 3, 4 и 5").arg(args[i]));
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usage(QStringLiteral("неизвестный параметр %1").arg(a));
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return usage(QStringLiteral("print ждёт одно имя файла банка"));
        }
    }
    if (file.isEmpty())
        return usage(QStringLiteral("print ждёт имя файла банка"));
    if (output.isEmpty())
        return usage(QStringLiteral("print ждёт -o ФАЙЛ.pdf"));
    if (QFileInfo(output).absoluteFilePath() == QFileInfo(file).absoluteFilePath())
        return usage(QStringLiteral("лист теста нельзя записать на место самого банка %1").arg(file));

    try {
        const testsheet::Sheet sheet = testsheet::make(loadBank(file), level, file);
        for (const QString &note : sheet.notes)
            notice(note);
        testsheet::writePdf(sheet, output);
        print(stdout, QStringLiteral("Лист теста (%1) с ключом и шкалой оценок записан в %2.\n")
                          .arg(testsheet::levelText(sheet), output));
    } catch (const BankError &e) {
        return failure(e);
    }
    return ExitOk;
}

struct Command {
    const char *name;
    std::function<int(const QStringList &)> run;
};

// New subcommands (such as an import from other quiz formats) join this list.
const Command kCommands[] = {
    {"build", build}, {"import-aiken", importAiken}, {"dump", dump}, {"check", check}, {"print", printSheet},
};

// Printing lays text out in real fonts, which takes a Qt GUI platform; the tool shows no window, so
// any platform with the system's fonts will do. Windows has its own; elsewhere the offscreen one
// needs no display.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv) {
    if (argc < 2 || std::strcmp(argv[1], "print") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
#ifndef Q_OS_WIN
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Starting the platform, Qt warns of things that concern a desktop session, such as an unset
    // XDG_RUNTIME_DIR, which do not matter to a tool that only writes a file.
    static QtMessageHandler previous = nullptr;
    previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if ((type == QtCriticalMsg || type == QtFatalMsg) && previous)
                previous(type, context, text);
        });
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(previous);
    return app;
}

} // namespace

int main(int argc, char **argv) {
    platform::useBinaryStandardStreams();
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage(QStringLiteral("не указана команда"));
    if (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h") ||
        args.contains(QStringLiteral("--help"))) {
        print(stdout, helpText());
        return ExitOk;
    }
    const QString name = args.takeFirst();
    for (const Command &c : kCommands)
        if (name == QLatin1String(c.name))
            return c.run(args);
    return usage(QStringLiteral("неизвестная команда %1").arg(name));
}
