#pragma once

// A PDF's text as a reader's PDF viewer finds it: poppler's pdftotext (poppler-utils).

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

inline bool havePdfToText() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// The text page by page, laid out as on the page; empty when the file could not be read.
inline QStringList pdfPages(const QString &pdf) {
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
            {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
             QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
    while (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Line breaks fall where a page is full, so texts are compared without their spaces.
inline QString squeezed(QString text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.remove(space);
}

// The problem headings of the student's pages in the order they stand.
inline QList<int> sheetHeadings(const QString &text) {
    static const QRegularExpression heading(QStringLiteral("^\\s*Задача № (\\d+)\\s*$"),
                                            QRegularExpression::MultilineOption);
    QList<int> found;
    for (auto m = heading.globalMatch(text); m.hasNext();)
        found << m.next().captured(1).toInt();
    return found;
}

// The answer key's rows on the key page: position -> the option number printed for it.
inline QList<std::pair<int, int>> keyRows(const QString &keyPage) {
    const QString table =
        keyPage.section(QStringLiteral("Текст верного ответа"), 1).section(QStringLiteral("Оценка"), 0, 0);
    static const QRegularExpression row(QStringLiteral("^\\s*(\\d+)\\s+(\\d+)\\s+\\S"),
                                        QRegularExpression::MultilineOption);
    QList<std::pair<int, int>> rows;
    for (auto m = row.globalMatch(table); m.hasNext();) {
        const QRegularExpressionMatch match = m.next();
        rows.append({match.captured(1).toInt(), match.captured(2).toInt()});
    }
    return rows;
}
