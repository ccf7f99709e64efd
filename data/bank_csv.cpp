#include "data/bank_csv.h"

#include "data/bank_charset.h"
#include "data/bank_tables.h"
#include "data/jet/code_page.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace csv {

namespace {

QString decode(const QByteArray &bytes, const QString &file, int line) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        throw BankError(file, line, QStringLiteral("текст не в кодировке UTF-8"));
    return text;
}

// The offset of the first byte from `from` on that does not belong to a well-formed UTF-8
// sequence (no overlong forms, surrogates or code points past U+10FFFF), or -1.
qsizetype invalidUtf8At(const QByteArray &bytes, qsizetype from) {
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = from; i < n;) {
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
            least = 0x10000;
        } else {
            return i;
        }
        if (i + length > n)
            return i;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return i;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return i;
        i += length;
    }
    return -1;
}

// The 1-based line of a byte; lines end in "\n", "\r\n" or "\r".
int lineOf(const QByteArray &bytes, qsizetype offset) {
    int line = 1;
    for (qsizetype i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
            ++line;
    }
    return line;
}

// The separator the header line uses: the first "," or ";" outside quotes before the first line
// break outside quotes.
char headerSeparator(const QByteArray &bytes) {
    bool quoted = false;
    for (const char c : bytes) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ',' || c == ';'))
            return c;
        else if (!quoted && c == '\n')
            break;
    }
    return ',';
}

} // namespace

QString encodingNotice(const QString &file, const FileFormat &format) {
    if (format.encoding != FileFormat::Encoding::Windows1251)
        return {};
    return QStringLiteral("%1: текст не в кодировке UTF-8, файл прочитан как Windows-1251").arg(file);
}

DecodedFile decodeFile(const QByteArray &bytes) {
    DecodedFile out;
    auto fail = [&](qsizetype offset, const QString &fault) {
        out.faultLine = lineOf(bytes, offset);
        out.fault = fault;
        return out;
    };
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return fail(0, QStringLiteral("файл в кодировке UTF-16; сохраните его в UTF-8 или Windows-1251"));
    if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0)
        return fail(zero, QStringLiteral("в тексте нулевой байт: это не текстовый файл или он в кодировке "
                                         "UTF-16; сохраните его в UTF-8 или Windows-1251"));
    out.format.byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
    const qsizetype start = out.format.byteOrderMark ? 3 : 0;
    const qsizetype bad = invalidUtf8At(bytes, start);
    if (bad < 0) {
        out.utf8 = bytes.mid(start);
        return out;
    }
    if (out.format.byteOrderMark)
        return fail(bad, QStringLiteral("текст не в кодировке UTF-8, хотя файл начинается с её метки (BOM)"));
    if (const qsizetype hole = bytes.indexOf('\x98'); hole >= 0)
        return fail(hole, QStringLiteral("текст ни в кодировке UTF-8, ни в Windows-1251 (байт 0x98)"));
    out.format.encoding = FileFormat::Encoding::Windows1251;
    out.utf8 = jet::codepage::decode(jet::codepage::kCyrillic, reinterpret_cast<const uchar *>(bytes.constData()),
                                     bytes.size())
                   .toUtf8();
    return out;
}

QList<Record> parse(const QByteArray &bytes, const QString &file) {
    return parse(bytes, file, nullptr);
}

QList<Record> parse(const QByteArray &raw, const QString &file, FileFormat *format) {
    DecodedFile decoded = decodeFile(raw);
    if (decoded.faultLine > 0)
        throw BankError(file, decoded.faultLine, decoded.fault);
    const QByteArray &bytes = decoded.utf8;
    const char separator = headerSeparator(bytes);
    decoded.format.separator = separator;
    if (format)
        *format = decoded.format;

    QList<Record> records;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    int line = 1;

    while (i < n) {
        Record record;
        record.line = line;
        for (;;) {
            Field field;
            const int fieldLine = line;
            QByteArray raw;
            if (bytes[i] == '"') {
                field.quoted = true;
                ++i;
                for (;;) {
                    if (i >= n)
                        throw BankError(
                            file, fieldLine,
                            QStringLiteral("кавычка, открытая в этой строке, не закрыта до конца файла"));
                    const char c = bytes[i];
                    if (c == '"') {
                        if (i + 1 < n && bytes[i + 1] == '"') {
                            raw += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n')
                        ++line;
                    raw += c;
                    ++i;
                }
                if (i < n && bytes[i] != separator && bytes[i] != '\n' &&
                    !(bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n'))
                    throw BankError(
                        file, line,
                        QStringLiteral("после закрывающей кавычки должен идти разделитель «%1» или "
                                       "конец строки")
                            .arg(QLatin1Char(separator)));
            } else {
                const qsizetype start = i;
                while (i < n && bytes[i] != separator && bytes[i] != '\n' &&
                       !(bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n')) {
                    if (bytes[i] == '"')
                        throw BankError(file, line,
                                        QStringLiteral("кавычка внутри поля, не заключённого в кавычки"));
                    ++i;
                }
                raw = bytes.mid(start, i - start);
            }
            field.text = decode(raw, file, fieldLine);
            record.fields.append(std::move(field));

            if (i >= n)
                break;
            if (bytes[i] == separator) {
                ++i;
                if (i < n)
                    continue;
                record.fields.append(
                    Field{}); // a separator at the very end still opens one last, empty field
                break;
            }
            i += bytes[i] == '\r' ? 2 : 1;
            ++line;
            break;
        }
        records.append(std::move(record));
    }
    return records;
}

namespace {

bool readable(jet::ColumnType type) {
    switch (type) {
    case jet::ColumnType::Boolean:
    case jet::ColumnType::Byte:
    case jet::ColumnType::Integer:
    case jet::ColumnType::LongInteger:
    case jet::ColumnType::Text:
    case jet::ColumnType::Memo:
        return true;
    default:
        return false;
    }
}

jet::Value convert(const Field &field, const jet::Column &column, const QString &file, int line) {
    switch (column.type) {
    case jet::ColumnType::Boolean: {
        const QString t = field.text;
        // TRUE and FALSE as English spreadsheets write them, ИСТИНА and ЛОЖЬ as Russian ones do.
        if (t == QLatin1String("1") || t.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ||
            t.compare(QStringLiteral("ИСТИНА"), Qt::CaseInsensitive) == 0)
            return true;
        if (t == QLatin1String("0") || t.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0 ||
            t.compare(QStringLiteral("ЛОЖЬ"), Qt::CaseInsensitive) == 0)
            return false;
        throw BankError(
            file, line,
            QStringLiteral("в столбце «%1» должно стоять 1 или 0, а не «%2»").arg(column.name, t));
    }
    case jet::ColumnType::Byte:
    case jet::ColumnType::Integer:
    case jet::ColumnType::LongInteger: {
        if (field.text.isEmpty())
            return std::monostate{};
        qint64 min = std::numeric_limits<qint32>::min();
        qint64 max = std::numeric_limits<qint32>::max();
        if (column.type == jet::ColumnType::Byte) {
            min = 0;
            max = 255;
        } else if (column.type == jet::ColumnType::Integer) {
            min = std::numeric_limits<qint16>::min();
            max = std::numeric_limits<qint16>::max();
        }
        bool ok = false;
        const qint64 v = field.text.toLongLong(&ok);
        // toLongLong also takes a leading "+" and surrounding spaces; mdb-export writes neither.
        static const QRegularExpression digits(QStringLiteral("^-?[0-9]+$"));
        if (!ok || !digits.match(field.text).hasMatch())
            throw BankError(file, line,
                            QStringLiteral("в столбце «%1» должно стоять целое число, а не «%2»")
                                .arg(column.name, field.text));
        if (v < min || v > max)
            throw BankError(file, line,
                            QStringLiteral("число %1 в столбце «%2» выходит за пределы %3..%4")
                                .arg(field.text, column.name)
                                .arg(min)
                                .arg(max));
        return v;
    }
    case jet::ColumnType::Text:
    case jet::ColumnType::Memo:
        if (field.text.isEmpty() && !field.quoted)
            return std::monostate{};
        return field.text;
    default:
        break;
    }
    return std::monostate{};
}

} // namespace

jet::Table readTable(const QByteArray &bytes, const QString &file, const QString &tableName,
                     const QList<jet::Column> &columns, QList<int> *lines) {
    return readTable(bytes, file, tableName, columns, lines, nullptr);
}

jet::Table readTable(const QByteArray &bytes, const QString &file, const QString &tableName,
                     const QList<jet::Column> &columns, QList<int> *lines, FileFormat *format) {
    const QList<Record> records = parse(bytes, file, format);
    if (records.isEmpty())
        throw BankError(file, 1, QStringLiteral("файл пуст, нет даже строки заголовка"));

    const Record &header = records.first();
    // position in the file's records -> index into columns
    QList<int> order;
    QList<bool> seen(columns.size(), false);
    for (const Field &f : header.fields) {
        int found = -1;
        for (int c = 0; c < columns.size(); ++c)
            if (columns[c].name.compare(f.text, Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0)
            throw BankError(file, header.line,
                            QStringLiteral("в заголовке лишний столбец «%1» (таблица «%2» не имеет такого)")
                                .arg(f.text, tableName));
        if (seen[found])
            throw BankError(
                file, header.line,
                QStringLiteral("в заголовке столбец «%1» указан дважды").arg(columns[found].name));
        seen[found] = true;
        order.append(found);
    }
    for (int c = 0; c < columns.size(); ++c) {
        if (!seen[c])
            throw BankError(file, header.line,
                            QStringLiteral("в заголовке нет столбца «%1»").arg(columns[c].name));
        if (!readable(columns[c].type))
            throw BankError(
                file, header.line,
                QStringLiteral("столбец «%1» такого типа из CSV не читается").arg(columns[c].name));
    }

    // Blank lines at the end are an editor's habit, and rows of empty cells a spreadsheet's: not
    // rows of the table.
    auto blank = [](const Record &r) {
        return std::all_of(r.fields.cbegin(), r.fields.cend(),
                           [](const Field &f) { return !f.quoted && f.text.isEmpty(); });
    };
    qsizetype end = records.size();
    while (end > 1 && blank(records[end - 1]) && order.size() > 1)
        --end;

    jet::Table table{tableName, columns, {}, {}};
    table.rows.reserve(end - 1);
    for (qsizetype r = 1; r < end; ++r) {
        const Record &record = records[r];
        if (record.fields.size() != order.size())
            throw BankError(file, record.line,
                            QStringLiteral("полей %1, а в заголовке столбцов %2")
                                .arg(record.fields.size())
                                .arg(order.size()));
        QList<jet::Value> row(columns.size());
        for (int f = 0; f < order.size(); ++f)
            row[order[f]] = convert(record.fields[f], columns[order[f]], file, record.line);
        table.rows.append(std::move(row));
        if (lines)
            lines->append(record.line);
    }
    return table;
}

namespace {

void checkStorable(const jet::Table &table, const QList<int> &lines, const QString &file,
                   jet::Version version) {
    for (int r = 0; r < table.rows.size(); ++r) {
        for (int c = 0; c < table.columns.size(); ++c) {
            const QString *text = std::get_if<QString>(&table.rows[r][c]);
            if (!text)
                continue;
            const QString fault = bankcharset::storageFault(*text, version);
            if (!fault.isEmpty())
                throw BankError(file, lines[r],
                                QStringLiteral("в столбце «%1» %2").arg(table.columns[c].name, fault));
        }
    }
}

} // namespace

QList<jet::Table> readBankTables(const QByteArray &problems, const QString &problemsFile,
                                 const QByteArray &options, const QString &optionsFile,
                                 jet::Version version) {
    return readBankTables(problems, problemsFile, options, optionsFile, version, nullptr, nullptr);
}

QList<jet::Table> readBankTables(const QByteArray &problems, const QString &problemsFile,
                                 const QByteArray &options, const QString &optionsFile, jet::Version version,
                                 FileFormat *problemsFormat, FileFormat *optionsFormat) {
    QList<int> problemLines;
    QList<int> optionLines;
    QList<jet::Table> tables{
        readTable(problems, problemsFile, banktables::problemsTable(), banktables::problemColumns(),
                  &problemLines, problemsFormat),
        readTable(options, optionsFile, banktables::optionsTable(), banktables::optionColumns(), &optionLines,
                  optionsFormat),
    };
    checkStorable(tables[0], problemLines, problemsFile, version);
    checkStorable(tables[1], optionLines, optionsFile, version);
    return tables;
}

namespace {

QByteArray quoted(const QString &text) {
    QByteArray out = text.toUtf8();
    out.replace('"', "\"\"");
    return '"' + out + '"';
}

// Names are written bare, as mdb-export does, unless that would break the record.
QByteArray name(const QString &text) {
    for (const QChar c : text)
        if (c == u',' || c == u';' || c == u'"' || c == u'\n' || c == u'\r')
            return quoted(text);
    return text.toUtf8();
}

QByteArray currency(qint64 v) {
    const bool negative = v < 0;
    const quint64 a = negative ? quint64(0) - quint64(v) : quint64(v);
    return (negative ? "-" : "") + QByteArray::number(a / 10000) + '.' +
           QByteArray::number(a % 10000).rightJustified(4, '0');
}

// Jet keeps dates as days since 1899-12-30; before that day the whole part counts back and the
// fraction still counts forward.
QByteArray dateTime(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return QByteArray::number(days, 'g', 17);
    const double whole = std::trunc(days);
    qint64 seconds = qint64(std::llround(std::fabs(days - whole) * 86400.0));
    qint64 day = qint64(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(day);
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    return date.toString(QStringLiteral("MM/dd/yy")).toLatin1() + ' ' +
           time.toString(QStringLiteral("HH:mm:ss")).toLatin1();
}

QByteArray guid(const QByteArray &b) {
    if (b.size() != 16)
        return b.toHex().toUpper();
    auto hexRev = [&](int from, int len) {
        QByteArray part = b.mid(from, len);
        std::reverse(part.begin(), part.end());
        return part.toHex().toUpper();
    };
    return '{' + hexRev(0, 4) + '-' + hexRev(4, 2) + '-' + hexRev(6, 2) + '-' +
           b.mid(8, 2).toHex().toUpper() + '-' + b.mid(10, 6).toHex().toUpper() + '}';
}

// The shortest text that reads back as the same single-precision number.
QByteArray single(float f) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, f);
    return error == std::errc() ? QByteArray(text, end - text) : QByteArray::number(double(f), 'g', 9);
}

QByteArray field(const jet::Value &value, const jet::Column &column) {
    const jet::ColumnType type = column.type;
    if (std::holds_alternative<std::monostate>(value))
        return {};
    if (const bool *b = std::get_if<bool>(&value))
        return *b ? "1" : "0";
    if (const qint64 *n = std::get_if<qint64>(&value))
        return type == jet::ColumnType::Currency ? currency(*n) : QByteArray::number(*n);
    if (const double *d = std::get_if<double>(&value)) {
        if (type == jet::ColumnType::DateTime)
            return quoted(QString::fromLatin1(dateTime(*d)));
        if (type == jet::ColumnType::Single)
            return single(float(*d));
        return QByteArray::number(*d, 'g', QLocale::FloatingPointShortest);
    }
    if (const QString *s = std::get_if<QString>(&value))
        return quoted(*s);
    if (const QByteArray *bytes = std::get_if<QByteArray>(&value)) {
        if (type == jet::ColumnType::Numeric) {
            if (const auto text = jet::numericText(*bytes, column.scale))
                return text->toLatin1();
        }
        return type == jet::ColumnType::Guid ? guid(*bytes) : bytes->toHex().toUpper();
    }
    return {};
}

} // namespace

QByteArray write(const jet::Table &table) {
    return write(table, Dialect::MdbExport);
}

QByteArray write(const jet::Table &table, Dialect dialect) {
    const bool spreadsheet = dialect == Dialect::Spreadsheet;
    const char separator = spreadsheet ? ';' : ',';
    // Without the mark a spreadsheet program takes the file for the system's code page.
    QByteArray out = spreadsheet ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (int c = 0; c < table.columns.size(); ++c) {
        if (c)
            out += separator;
        out += name(table.columns[c].name);
    }
    out += '\n';
    for (const QList<jet::Value> &row : table.rows) {
        for (int c = 0; c < table.columns.size(); ++c) {
            if (c)
                out += separator;
            if (c >= row.size())
                continue;
            if (const bool *b = std::get_if<bool>(&row[c]); b && spreadsheet)
                out += (*b ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ")).toUtf8();
            else
                out += field(row[c], table.columns[c]);
        }
        out += '\n';
    }
    return out;
}

} // namespace csv
