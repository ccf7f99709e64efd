// The test on paper from the editor: the bank as it stands in the window, saved or not, to PDF and
// through the print dialog, with the level and the file asked through scripted dialogs.

#include "data/bank_document.h"
#include "data/test_sheet.h"
#include "editor/editor_window.h"
#include "editor/student_view.h"
#include "editor/test_sheet_commands.h"
#include "testing/grading.h"
#include "testing/problem_pane.h"

#include "../bank/bank_fixtures.h"
#include "../bank/pdf_text.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#ifdef CIFROVEX_PRINTER
#include <QPrinter>
#endif

namespace {

QString shippedBank() {
    return QDir(qEnvironmentVariable("CIFROVEX_BINARY_DIR")).filePath(QStringLiteral("data.cvx"));
}

// The window with the sheet commands' questions scripted and recorded.
struct Harness {
    EditorWindow window;
    SheetCommands *sheets = window.findChild<SheetCommands *>(QStringLiteral("SheetCommands"));
    QStringList errors;
    int level = 5;
    QString pdf;
    QStringList asked; // which questions were put, in order

    Harness() {
        window.dialogs().showError = [this](QWidget *, const QString &text) { errors << text; };
        SheetDialogs &d = sheets->dialogs();
        d.chooseLevel = [this](QWidget *, int) {
            asked << QStringLiteral("level");
            return level;
        };
        d.pdfFile = [this](QWidget *, const QString &) {
            asked << QStringLiteral("file");
            return pdf;
        };
    }

    void trigger(const char *name) { window.findChild<QAction *>(QString::fromLatin1(name))->trigger(); }
};

} // namespace

class TestSheetCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void pdfOfTheBankAsEdited();
    void printDialogPrintsTheSheet();
    void refusesAndWritesNothing();
    void bodiesHiddenAsInTheStudentsView();
};

// The sheets are read back with pdftotext; the rule for hidden bodies needs no PDF.
void TestSheetCommands::init() {
    const QByteArray test = QTest::currentTestFunction();
    if (!havePdfToText() && test != "bodiesHiddenAsInTheStudentsView" && test != "refusesAndWritesNothing")
        QSKIP("pdftotext (poppler-utils) is not installed: scripts/install-deps.sh test");
}

// An unsaved change is printed as saving would store it: the option the teacher marks correct in
// problem 1 stands under the key's number on the sheet and in the key.
void TestSheetCommands::pdfOfTheBankAsEdited() {
    Harness h;
    QVERIFY(h.window.openFile(shippedBank()));
    DocProblem first = h.window.document()->problem(0);
    first.correct = first.options.indexOf(QStringLiteral("45"));
    QVERIFY(first.correct >= 0 && first.correct + 1 != correctOption(1));
    h.window.document()->setProblem(0, first);

    QTemporaryDir dir;
    h.level = 3;
    h.pdf = dir.filePath(QStringLiteral("тест.pdf"));
    h.trigger("ExportTestPdf");
    QCOMPARE(h.errors, QStringList());
    QCOMPARE(h.asked, (QStringList{QStringLiteral("level"), QStringLiteral("file")}));
    const QStringList pages = pdfPages(h.pdf);
    QVERIFY2(pages.size() >= 2, qPrintable(h.pdf));
    const QString sheet = pages.mid(0, pages.size() - 1).join(u'\n');
    QCOMPARE(sheetHeadings(sheet), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    QVERIFY2(squeezed(sheet).contains(squeezed(QStringLiteral("%1) 45").arg(correctOption(1)))),
             qPrintable(sheet.left(800)));
    const QList<std::pair<int, int>> key = keyRows(pages.last());
    QCOMPARE(key.size(), 10);
    QCOMPARE(key.first(), std::make_pair(1, correctOption(1)));
    QVERIFY2(h.window.statusBar()->currentMessage().contains(h.pdf),
             qPrintable(h.window.statusBar()->currentMessage()));
}

// The print command lays the same sheet out on the printer the dialog hands back.
void TestSheetCommands::printDialogPrintsTheSheet() {
#ifndef CIFROVEX_PRINTER
    QSKIP("this Qt has no print support: the editor writes the PDF only");
#else
    Harness h;
    QVERIFY(h.window.openFile(shippedBank()));
    QTemporaryDir dir;
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    h.sheets->dialogs().choosePrinter = [&](QWidget *, QPrinter *printer) {
        h.asked << QStringLiteral("printer");
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printed);
        return true;
    };
    h.trigger("PrintTest");
    QCOMPARE(h.errors, QStringList());
    QCOMPARE(h.asked, (QStringList{QStringLiteral("level"), QStringLiteral("printer")}));
    const QStringList pages = pdfPages(printed);
    QVERIFY2(pages.size() >= 2, qPrintable(printed));
    QList<int> all;
    for (int p = 1; p <= 20; ++p)
        all << p;
    QCOMPARE(sheetHeadings(pages.mid(0, pages.size() - 1).join(u'\n')), all);
    QCOMPARE(keyRows(pages.last()).size(), 20);
#endif
}

// The teacher is told why there is no sheet before being asked for a file, and nothing is written.
void TestSheetCommands::refusesAndWritesNothing() {
    Harness h;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("малый.cvx"));
    writeBank(path, sampleBank(12));
    QVERIFY(h.window.openFile(path));
    h.level = 4;
    h.pdf = dir.filePath(QStringLiteral("тест.pdf"));
    h.trigger("ExportTestPdf");
    QCOMPARE(h.asked, QStringList{QStringLiteral("level")});
    QCOMPARE(h.errors.size(), 1);
    QVERIFY2(h.errors.first().contains(QStringLiteral("«малый.cvx» 12 задач, а уровень «4» показывает 15")),
             qPrintable(h.errors.first()));
    QVERIFY(!QFileInfo::exists(h.pdf));

    // Cancelling the level asks nothing more.
    h.asked.clear();
    h.level = 0;
    h.trigger("ExportTestPdf");
    QCOMPARE(h.asked, QStringList{QStringLiteral("level")});
    QCOMPARE(h.errors.size(), 1);

    // A PDF over the bank itself is refused.
    writeBank(path, sampleBank(20));
    QVERIFY(h.window.openFile(path));
    h.level = 5;
    h.pdf = path;
    h.trigger("ExportTestPdf");
    QCOMPARE(h.errors.size(), 2);
    QVERIFY2(h.errors.last().contains(QStringLiteral("на место самого банка")), qPrintable(h.errors.last()));
    QCOMPARE(loadBank(path).problems.size(), 20);
}

// The sheet leaves a body out exactly where the student's view (the program's own problem pane)
// leaves it no room.
void TestSheetCommands::bodiesHiddenAsInTheStudentsView() {
    StudentView view;
    DocProblem problem{QStringLiteral("Условие"),
                       QStringLiteral("Текст задачи"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")},
                       0};
    for (int position = 1; position <= 20; ++position) {
        view.showProblem(problem, position);
        const bool shown = view.problemPane()->bodyMemo()->height() > 0;
        QVERIFY2(shown == testsheet::bodyShownAt(position), qPrintable(QString::number(position)));
    }
}

QTEST_MAIN(TestSheetCommands)
#include "tst_test_sheet_commands.moc"
