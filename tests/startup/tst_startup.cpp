#include "app/startup.h"
#include "data/bank.h"
#include "platform/error_text.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Start-up inside the test process: the guard in front of every window, and the error box when
// the bank cannot be opened. The running program itself is driven in tst_startup_xvfb.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void runningCopyEndsStartBeforeAnyWindow();
    void bankErrorShowsBoxAndExitsWithOne_data();
    void bankErrorShowsBoxAndExitsWithOne();

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_oldDir;
};

namespace {
bool anyWindowVisible() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(), [](QWidget *w) { return w->isVisible(); });
}
} // namespace

void TestStartup::init() {
    // The guard lives in the user's runtime directory; keep it away from a real running copy.
    m_runtime = std::make_unique<QTemporaryDir>();
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid() && m_work->isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    m_oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_work->path()));
}

void TestStartup::cleanup() {
    QDir::setCurrent(m_oldDir);
    m_work.reset();
    m_runtime.reset();
}

void TestStartup::runningCopyEndsStartBeforeAnyWindow() {
    platform::SingleInstanceGuard running(QStringLiteral("Цифроведческийзачёт"));
    QSignalSpy raised(&running, &platform::SingleInstanceGuard::raiseRequested);
    QCOMPARE(running.claim(), platform::SingleInstanceGuard::Role::First);

    platform::ScriptedMessageBoxes boxes;
    QCOMPARE(startCifrovex(*qApp), 0);
    QVERIFY(boxes.asked().isEmpty());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
#ifndef Q_OS_WIN
    // On Windows the pipe to the first copy is unbuffered and this thread is both ends: the
    // request reaches only a first copy in another process (scripts/windows-smoke.sh).
    QTRY_COMPARE(raised.size(), 1);
#endif
}

void TestStartup::bankErrorShowsBoxAndExitsWithOne_data() {
    QTest::addColumn<QByteArray>("bank"); // null: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty_file") << QByteArray("");
    QTest::newRow("not_a_bank") << QByteArray(4096, '\x5a');
}

void TestStartup::bankErrorShowsBoxAndExitsWithOne() {
    QFETCH(QByteArray, bank);
    // The program names the bank with the system's separators ("\\" on Windows).
    const QString path = QDir::toNativeSeparators(QDir(m_work->path()).filePath(QStringLiteral("data.cvx")));
    if (!bank.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bank);
    }
    QString message;
    try {
        loadBank(path);
        QFAIL("the bank opened");
    } catch (const BankError &error) {
        message = error.message();
    }

    platform::ScriptedMessageBoxes boxes;
    QCOMPARE(startCifrovex(*qApp), 1);
    QCOMPARE(boxes.asked().size(), 1);
    const platform::MessageRequest box = boxes.asked().first();
    QCOMPARE(box.kind, platform::MessageKind::Error);
    QCOMPARE(box.caption, QStringLiteral("Application Error"));
    const QString head = box.text.section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(
        QRegularExpression(QStringLiteral("^Exception EBankError in module tst_startup(\\.exe)? at [0-9A-F]{8,}\\.$"))
            .match(head)
            .hasMatch(),
        qPrintable(head));
    QCOMPARE(box.text.section(QLatin1Char('\n'), 1), platform::withFullStop(message));
    // The splash is gone and the main window never came.
    QVERIFY(!anyWindowVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
