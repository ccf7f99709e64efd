#include "platform/error_text.h"
#include "platform/tick_count.h"

#include <QTest>

class TestPlatformText : public QObject {
    Q_OBJECT

private slots:
    void fullStop_data();
    void fullStop();
    void uncaughtErrorText();
    void pauseEndsInTime_data();
    void pauseEndsInTime();
};

void TestPlatformText::fullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << QStringLiteral("Файл не найден") << QStringLiteral("Файл не найден.");
    QTest::newRow("quote_sorts_below")
        << QStringLiteral("нет файла \"a\"") << QStringLiteral("нет файла \"a\"");
    QTest::newRow("already_stop") << QStringLiteral("Готово.") << QStringLiteral("Готово.");
    QTest::newRow("exclamation") << QStringLiteral("Ошибка!") << QStringLiteral("Ошибка!");
    QTest::newRow("trailing_space") << QStringLiteral("ошибка ") << QStringLiteral("ошибка ");
    QTest::newRow("slash_sorts_above") << QStringLiteral("C:/") << QStringLiteral("C:/.");
    QTest::newRow("empty") << QString() << QString();
}

void TestPlatformText::fullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(platform::withFullStop(message), shown);
}

void TestPlatformText::uncaughtErrorText() {
    QCOMPARE(platform::uncaughtErrorText(QStringLiteral("EBankError"), QStringLiteral("cifrovex"), 0x4a2b,
                                         QStringLiteral("Нет файла")),
             QStringLiteral("Exception EBankError in module cifrovex at 00004A2B.\nНет файла."));
}

// The pause lasts 1001..2000 ms and ends on time even when the millisecond counter wraps.
void TestPlatformText::pauseEndsInTime_data() {
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("length");
    QTest::newRow("second_start") << 5000u << 2000u;
    QTest::newRow("second_end") << 5999u << 1001u;
    QTest::newRow("mid") << 123456u << 1544u;
    QTest::newRow("wraps_during") << 0xFFFFFC00u << 2000u - 0xFFFFFC00u % 1000u;
    QTest::newRow("at_top") << 0xFFFFFFFFu << 2000u - 0xFFFFFFFFu % 1000u;
}

void TestPlatformText::pauseEndsInTime() {
    QFETCH(quint32, start);
    QFETCH(quint32, length);
    QCOMPARE(platform::startupPauseLength(start), length);
    QVERIFY(length > 1000 && length <= 2000);
    QVERIFY(!platform::startupPauseOver(start, start));
    QVERIFY(!platform::startupPauseOver(start, start + length - 1));
    QVERIFY(platform::startupPauseOver(start, start + length));
    QVERIFY(platform::startupPauseOver(start, start + 2000));
}

QTEST_GUILESS_MAIN(TestPlatformText)
#include "tst_platform_text.moc"
