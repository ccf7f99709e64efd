#include "platform/date_time_format.h"

#include <QTest>

class TestDateTimeFormat : public QObject {
    Q_OBJECT

private slots:
    void withoutTimeZone_data();
    void withoutTimeZone();
    void longTimeHasSecondsAndNoZone_data();
    void longTimeHasSecondsAndNoZone();
    void systemFormats();
};

namespace {
// A format letter outside quotes.
bool hasField(const QString &format, QChar field) {
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == field)
            return true;
    }
    return false;
}
} // namespace

void TestDateTimeFormat::withoutTimeZone_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zone_last") << QStringLiteral("HH:mm:ss t") << QStringLiteral("HH:mm:ss");
    QTest::newRow("zone_first") << QStringLiteral("t HH:mm:ss") << QStringLiteral("HH:mm:ss");
    QTest::newRow("zone_between") << QStringLiteral("h:mm:ss t AP") << QStringLiteral("h:mm:ss AP");
    QTest::newRow("long_zone") << QStringLiteral("HH:mm:ss tttt") << QStringLiteral("HH:mm:ss");
    QTest::newRow("bracketed") << QStringLiteral("HH:mm:ss (t)") << QStringLiteral("HH:mm:ss");
    QTest::newRow("quoted_t_kept") << QStringLiteral("H 'time' mm:ss t") << QStringLiteral("H 'time' mm:ss");
    QTest::newRow("no_zone") << QStringLiteral("HH:mm:ss") << QStringLiteral("HH:mm:ss");
}

void TestDateTimeFormat::withoutTimeZone() {
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(platform::withoutTimeZone(format), expected);
}

void TestDateTimeFormat::longTimeHasSecondsAndNoZone_data() {
    QTest::addColumn<QString>("locale");
    for (const char *name :
         {"C", "ru_RU", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "ko_KR", "pt_BR", "zh_CN"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestDateTimeFormat::longTimeHasSecondsAndNoZone() {
    QFETCH(QString, locale);
    const QLocale l(locale);
    const QString format = platform::longTimeFormat(l);
    QVERIFY2(hasField(format, u's'), qPrintable(format));
    QVERIFY2(!hasField(format, u't'), qPrintable(format));
    QVERIFY2(l.toString(QTime(21, 4, 37), format).contains(QStringLiteral("37")), qPrintable(format));
}

void TestDateTimeFormat::systemFormats() {
    const QString time = platform::longTime(QTime(21, 4, 37));
    QVERIFY2(time.contains(QStringLiteral("37")), qPrintable(time));
    QVERIFY2(time.contains(QStringLiteral("04")), qPrintable(time));
    const QString date = platform::shortDate(QDate(2026, 12, 10));
    QVERIFY2(date.contains(QStringLiteral("10")) && date.contains(QStringLiteral("26")), qPrintable(date));
}

QTEST_GUILESS_MAIN(TestDateTimeFormat)
#include "tst_date_time_format.moc"
