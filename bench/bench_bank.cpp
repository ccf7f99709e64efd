// Opening the question bank and stepping through it, at three bank sizes. Prints one figure per
// line. Each size is measured in a fresh child process so that its peak memory is its own.

#include "data/bank_tables.h"
#include "data/jet/jet.h"
#include "data/unmodul.h"
#include "generated_bank.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// VmRSS or VmHWM of this process in KiB (Linux); -1 elsewhere.
qint64 memoryKiB(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

// CPU time of this thread: on a shared machine the wall clock of one short open also counts the
// time other processes held the core.
qint64 threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void line(const QString &text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// The child: opens data.cvx in the current directory as the program does, then steps through it.
int measure(int problems) {
    const qint64 before = memoryKiB("VmRSS:");
    QElapsedTimer timer;
    const qint64 cpuStart = threadCpuNs();
    timer.start();
    auto dm = std::make_unique<TDM>();
    const qint64 firstOpenNs = timer.nsecsElapsed();
    const qint64 firstOpenCpuNs = threadCpuNs() - cpuStart;
    const qint64 peak = memoryKiB("VmHWM:");

    // Later opens find the file in the page cache and the code warm; their median is the steady cost.
    QList<qint64> opens;
    const int repeats = problems <= 1000 ? 51 : 3;
    for (int i = 0; i < repeats; ++i) {
        dm.reset();
        timer.restart();
        dm = std::make_unique<TDM>();
        opens.append(timer.nsecsElapsed());
    }
    std::sort(opens.begin(), opens.end());
    const qint64 medianNs = opens[opens.size() / 2];

    // next over the whole table, as often as it takes to make two million calls.
    const qint64 calls = 2'000'000;
    qint64 done = 0;
    timer.restart();
    while (done < calls) {
        dm->first();
        for (int i = 1; i < dm->problemCount(); ++i)
            dm->next();
        done += dm->problemCount() - 1;
    }
    const double nextNs = double(timer.nsecsElapsed()) / double(done);

    const qint64 fileKiB = QFileInfo(bankFileName()).size() / 1024;
    line(QStringLiteral("bank %1 problems: file %2 KiB").arg(problems).arg(fileKiB));
    line(QStringLiteral("bank %1 problems: first open %2 ms (cold)")
             .arg(problems)
             .arg(firstOpenNs / 1e6, 0, 'f', 3));
    line(QStringLiteral("bank %1 problems: first open CPU time %2 ms")
             .arg(problems)
             .arg(firstOpenCpuNs / 1e6, 0, 'f', 3));
    line(QStringLiteral("bank %1 problems: open %2 ms (median of %3 more)")
             .arg(problems)
             .arg(medianNs / 1e6, 0, 'f', 3)
             .arg(repeats));
    line(QStringLiteral("bank %1 problems: open per problem %2 us")
             .arg(problems)
             .arg(medianNs / 1e3 / problems, 0, 'f', 3));
    line(QStringLiteral("bank %1 problems: peak memory added by the first open %2 KiB")
             .arg(problems)
             .arg(peak >= 0 && before >= 0 ? QString::number(peak - before) : QStringLiteral("n/a")));
    line(QStringLiteral("bank %1 problems: next %2 ns").arg(problems).arg(nextNs, 0, 'f', 1));
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--measure"))
        return measure(args[2].toInt());

    QTemporaryDir work;
    for (int problems : {20, 10'000, 100'000}) {
        const QString dir = work.filePath(QString::number(problems));
        QDir().mkpath(dir);
        jet::writeFile(QDir(dir).filePath(bankFileName()), banktables::toTables(generatedBank(problems)));

        QProcess child;
        child.setWorkingDirectory(dir);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {QStringLiteral("--measure"), QString::number(problems)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            std::fprintf(stderr, "measuring the %d-problem bank failed\n", problems);
            return 1;
        }
    }
    return 0;
}
