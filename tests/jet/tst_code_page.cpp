#include "data/jet/code_page.h"

#include <QStringDecoder>
#include <QTest>

using namespace jet;

class TestCodePage : public QObject {
    Q_OBJECT

private slots:
    void everyByteRoundTrips();
    void readsAsWindowsDoes();
    void whatEachVersionStores_data();
    void whatEachVersionStores();
};

// Every byte of every code page reads as one character that writes back as that byte; the holes
// read as stand-ins that text being written may not use, though text read from a file keeps them.
void TestCodePage::everyByteRoundTrips() {
    for (int cp = 1250; cp <= 1258; ++cp) {
        QVERIFY(codepage::known(cp));
        for (int b = 0; b < 256; ++b) {
            const uchar byte = uchar(b);
            const QString text = codepage::decode(cp, &byte, 1);
            QCOMPARE(text.size(), 1);
            const char16_t c = text.at(0).unicode();
            const bool hole = c == 0xFFFD || (b >= 0x80 && b < 0xA0 && c == b);
            const QString where = QStringLiteral("code page %1, byte 0x%2").arg(cp).arg(b, 2, 16, QLatin1Char('0'));
            if (hole) {
                QVERIFY2(!codepage::encode(cp, text), qPrintable(where));
                continue;
            }
            QVERIFY2(codepage::encode(cp, text) == QByteArray(1, char(b)), qPrintable(where));
            QVERIFY2(codepage::encodeAsRead(cp, text) == QByteArray(1, char(b)), qPrintable(where));
        }
    }
    QVERIFY(!codepage::known(1252 + 100));
    // An unknown code page reads and writes as Windows-1251.
    const uchar yo = 0xA8;
    QCOMPARE(codepage::decode(866, &yo, 1), QStringLiteral("Ё"));
    QCOMPARE(codepage::encode(866, QStringLiteral("Ё")), std::optional<QByteArray>(QByteArray("\xA8")));
}

// Against the system's converter, where Qt has one for the code page (through ICU).
void TestCodePage::readsAsWindowsDoes() {
    int compared = 0;
    for (int cp = 1250; cp <= 1258; ++cp) {
        QStringDecoder theirs(QStringLiteral("windows-%1").arg(cp).toLatin1().constData());
        if (!theirs.isValid())
            continue;
        for (int b = 0x80; b < 256; ++b) {
            const uchar byte = uchar(b);
            const QString expected = theirs.decode(QByteArrayView(reinterpret_cast<const char *>(&byte), 1));
            const QString ours = codepage::decode(cp, &byte, 1);
            // Converters differ on the holes; the characters must agree.
            if (expected == QStringLiteral("\uFFFD") || ours.at(0).unicode() == b || ours == QStringLiteral("\uFFFD"))
                continue;
            QVERIFY2(ours == expected, qPrintable(QStringLiteral("code page %1, byte 0x%2").arg(cp).arg(b, 2, 16)));
            ++compared;
        }
    }
    if (compared == 0)
        QSKIP("Qt has no converter for the Windows code pages here");
}

void TestCodePage::whatEachVersionStores_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unstorable");

    const int jet3 = int(Version::Jet3);
    const int jet4 = int(Version::Jet4);
    QTest::newRow("jet3_russian") << jet3 << QStringLiteral("Ёжик № 5 — «x» · y") << QString();
    QTest::newRow("jet3_maths_signs_once_each")
        << jet3 << QStringLiteral("x² ≤ π, y² ≥ 0") << QStringLiteral("²≤π≥");
    QTest::newRow("jet3_hole_stand_in") << jet3 << QStringLiteral("a\u0098b") << QStringLiteral("\u0098");
    QTest::newRow("jet3_beyond_bmp") << jet3 << QStringLiteral("ответ 😀") << QStringLiteral("😀");
    QTest::newRow("jet4_maths_signs") << jet4 << QStringLiteral("x² ≤ π √2") << QString();
    QTest::newRow("jet4_beyond_bmp_once") << jet4 << QStringLiteral("😀 и 😀 и 𝑥") << QStringLiteral("😀𝑥");
    QTest::newRow("jet4_lone_surrogate") << jet4 << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"))
                                         << QString(QChar(0xD800));
}

void TestCodePage::whatEachVersionStores() {
    QFETCH(int, version);
    QFETCH(QString, text);
    QFETCH(QString, unstorable);
    const auto v = Version(version);
    QCOMPARE(codepage::unstorable(v, text), unstorable);
    QCOMPARE(codepage::firstUnstorable(v, text) < 0, unstorable.isEmpty());
    if (v == Version::Jet3)
        QCOMPARE(codepage::encode(codepage::kCyrillic, text).has_value(), unstorable.isEmpty());
}

QTEST_APPLESS_MAIN(TestCodePage)
#include "tst_code_page.moc"
