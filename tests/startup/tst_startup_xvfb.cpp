// The built program on its own X server: the error box and exit code without a bank, the window
// with the shipped bank, and one running copy however many are started.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestStartupXvfb : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void noBankShowsErrorBoxThenExitsWithOne();
    void secondCopyExitsAndFirstComesToFront();
    void copiesStartedTogetherLeaveOne();
    void crashedCopyDoesNotBlockNextStart();

private:
    QProcess *startCopy(const QString &folder);
    QString tool(const QString &program, const QStringList &args, int *exitCode = nullptr);
    QStringList visibleWindows(qint64 pid);
    QStringList windowsPastSplash(qint64 pid);
    QStringList stackingOrder();
    void screenshot(const QString &name);
    QString folderWithBank();
    bool hasBank() const { return QFile::exists(m_bank); }

    QProcess m_xvfb;
    QString m_display;
    QString m_bank;
    std::unique_ptr<QTemporaryDir> m_runtime;
    QList<QProcess *> m_copies;
    QList<QTemporaryDir *> m_folders;
};

namespace {
constexpr int startTimeoutMs = 60000;
} // namespace

void TestStartupXvfb::initTestCase() {
    for (const char *program : {"Xvfb", "xdotool", "xwininfo", "xprop"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh)")
                                 .arg(QString::fromLatin1(program))));
    }
    QVERIFY2(QFile::exists(QStringLiteral(CIFROVEX_EXE)), CIFROVEX_EXE);
    m_bank = QDir(qEnvironmentVariable("CIFROVEX_BINARY_DIR")).filePath(QStringLiteral("data.cvx"));

    // -displayfd picks a free display number and reports it on the given descriptor. Without
    // -noreset the server resets whenever its last client leaves, and a copy that connects in
    // that moment may never get its display (a killed copy is often the last client).
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1024x768x24")});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine() || m_xvfb.state() == QProcess::NotRunning, 30000);
    m_display = QStringLiteral(":") + QString::fromLatin1(m_xvfb.readLine().trimmed());
    QVERIFY2(m_display.size() > 1, m_xvfb.readAllStandardError().constData());
}

void TestStartupXvfb::cleanupTestCase() {
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(5000)) {
            m_xvfb.kill();
            m_xvfb.waitForFinished(5000);
        }
    }
}

void TestStartupXvfb::init() {
    // Each test has its own per-user runtime directory, so copies started by other tests or by
    // someone using the program on this machine cannot count as the running copy.
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid());
}

void TestStartupXvfb::cleanup() {
    for (QProcess *copy : std::as_const(m_copies)) {
        if (copy->state() != QProcess::NotRunning) {
            copy->kill();
            copy->waitForFinished(10000);
        }
        delete copy;
    }
    m_copies.clear();
    qDeleteAll(m_folders);
    m_folders.clear();
    m_runtime.reset();
}

QProcess *TestStartupXvfb::startCopy(const QString &folder) {
    auto *copy = new QProcess;
    m_copies.append(copy);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    copy->setProcessEnvironment(env);
    copy->setWorkingDirectory(folder);
    copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    copy->start(QStringLiteral(CIFROVEX_EXE), {});
    return copy;
}

QString TestStartupXvfb::tool(const QString &program, const QStringList &args, int *exitCode) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QStringList TestStartupXvfb::visibleWindows(qint64 pid) {
    return tool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--pid"), QString::number(pid)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The program's own windows on the screen once start-up is over: its visible windows but the splash.
QStringList TestStartupXvfb::windowsPastSplash(qint64 pid) {
    QStringList windows = visibleWindows(pid);
    windows.removeIf([this](const QString &id) {
        return tool(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")})
            .contains(QStringLiteral("_NET_WM_WINDOW_TYPE_SPLASH"));
    });
    return windows;
}

// The mapped top-level windows, topmost first, as decimal ids.
QStringList TestStartupXvfb::stackingOrder() {
    const QStringList visible =
        tool(QStringLiteral("xdotool"),
             {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QString()})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // xwininfo lists the root's children from the top of the stack down.
    const QStringList lines =
        tool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")})
            .split(QLatin1Char('\n'));
    QStringList ids;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QStringLiteral("0x")))
            continue;
        const QString id = QString::number(trimmed.section(QLatin1Char(' '), 0, 0).toULongLong(nullptr, 16));
        if (visible.contains(id))
            ids.append(id);
    }
    return ids;
}

void TestStartupXvfb::screenshot(const QString &name) {
    const QString dir = qEnvironmentVariable("CIFROVEX_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    tool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                    QDir(dir).filePath(name + QStringLiteral(".png"))});
}

QString TestStartupXvfb::folderWithBank() {
    auto *folder = new QTemporaryDir;
    m_folders.append(folder);
    if (!QFile::copy(m_bank, folder->filePath(QStringLiteral("data.cvx"))))
        return QString();
    return folder->path();
}

void TestStartupXvfb::noBankShowsErrorBoxThenExitsWithOne() {
    QTemporaryDir empty;
    QProcess *copy = startCopy(empty.path());
    QVERIFY(copy->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!visibleWindows(copy->processId()).isEmpty() ||
                                 copy->state() == QProcess::NotRunning,
                             startTimeoutMs);
    screenshot(QStringLiteral("splash"));

    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = tool(QStringLiteral("xdotool"),
                                          {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--name"), QStringLiteral("^Application Error$")}))
                                     .isEmpty() ||
                                 copy->state() == QProcess::NotRunning,
                             startTimeoutMs);
    QVERIFY2(copy->state() == QProcess::Running, "ended without showing the error box");
    screenshot(QStringLiteral("error_box"));
    // The box is all there is: the splash has gone and the main window never came.
    QCOMPARE(visibleWindows(copy->processId()), box.split(QLatin1Char('\n')));

    const QString id = box.section(QLatin1Char('\n'), 0, 0);
    tool(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
    tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(copy->waitForFinished(startTimeoutMs));
    QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
    QCOMPARE(copy->exitCode(), 1);
}

void TestStartupXvfb::secondCopyExitsAndFirstComesToFront() {
    if (!hasBank())
        QSKIP("No shipped bank in the build folder yet (data.cvx)");
    QProcess *first = startCopy(folderWithBank());
    QVERIFY(first->waitForStarted());
    QStringList firstWindows;
    QTRY_VERIFY_WITH_TIMEOUT(!(firstWindows = windowsPastSplash(first->processId())).isEmpty() &&
                                 !stackingOrder().isEmpty(),
                             startTimeoutMs);
    screenshot(QStringLiteral("first_window"));
    QVERIFY(first->state() == QProcess::Running);

    // Something else on top, so that bringing the first copy to the front shows.
    auto *cover = new QProcess;
    m_copies.append(cover);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    cover->setProcessEnvironment(env);
    cover->start(QStringLiteral("display"),
                 {QStringLiteral("-geometry"), QStringLiteral("1024x768+0+0"), QStringLiteral("-size"),
                  QStringLiteral("1024x768"), QStringLiteral("xc:gray50")});
    const bool covered = cover->waitForStarted(5000);
    if (covered)
        QTRY_VERIFY_WITH_TIMEOUT(!firstWindows.contains(stackingOrder().value(0)), 20000);

    // The second copy has no bank: if it started at all it would end with the error box and 1.
    QTemporaryDir empty;
    QProcess *second = startCopy(empty.path());
    QVERIFY(second->waitForStarted());
    QStringList secondWindows;
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!second->waitForFinished(20) && !deadline.hasExpired())
        secondWindows += visibleWindows(second->processId());
    QVERIFY2(second->state() == QProcess::NotRunning, "the second copy kept running");
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY2(secondWindows.isEmpty(), "the second copy showed a window");
    QVERIFY(first->state() == QProcess::Running);

    if (covered) {
        QTRY_VERIFY_WITH_TIMEOUT(firstWindows.contains(stackingOrder().value(0)), 20000);
        screenshot(QStringLiteral("raised"));
    }
}

void TestStartupXvfb::copiesStartedTogetherLeaveOne() {
    if (!hasBank())
        QSKIP("No shipped bank in the build folder yet (data.cvx)");
    const QString folder = folderWithBank();
    QProcess *a = startCopy(folder);
    QProcess *b = startCopy(folder);
    QVERIFY(a->waitForStarted() && b->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning,
                             startTimeoutMs);
    QProcess *ended = a->state() == QProcess::NotRunning ? a : b;
    QProcess *running = ended == a ? b : a;
    QCOMPARE(ended->exitStatus(), QProcess::NormalExit);
    QCOMPARE(ended->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!windowsPastSplash(running->processId()).isEmpty(), startTimeoutMs);
    QVERIFY(running->state() == QProcess::Running);
}

void TestStartupXvfb::crashedCopyDoesNotBlockNextStart() {
    if (!hasBank())
        QSKIP("No shipped bank in the build folder yet (data.cvx)");
    const QString folder = folderWithBank();
    QProcess *crashed = startCopy(folder);
    QVERIFY(crashed->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!windowsPastSplash(crashed->processId()).isEmpty(), startTimeoutMs);
    crashed->kill(); // SIGKILL: its lock and endpoint stay behind
    QVERIFY(crashed->waitForFinished());
    QVERIFY(!QDir(m_runtime->path()).isEmpty(QDir::Files | QDir::System | QDir::Hidden));

    QProcess *next = startCopy(folder);
    QVERIFY(next->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!windowsPastSplash(next->processId()).isEmpty() ||
                                 next->state() == QProcess::NotRunning,
                             startTimeoutMs);
    QVERIFY(next->state() == QProcess::Running);
}

QTEST_GUILESS_MAIN(TestStartupXvfb)
#include "tst_startup_xvfb.moc"
