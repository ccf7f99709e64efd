// The editor's window on the offscreen platform: making a bank with the keyboard, the title and
// the question before changes are lost, the live check, the student's view, starting the program.

#include "data/bank_check.h"
#include "data/bank_csv.h"
#include "data/bank_document.h"
#include "data/bank_editing.h"
#include "data/jet/format.h"
#include "editor/check_panel.h"
#include "editor/editor_window.h"
#include "editor/manual.h"
#include "editor/problem_editor.h"
#include "editor/problem_list_model.h"
#include "editor/qt_translations.h"
#include "editor/recent_files.h"
#include "editor/student_view.h"
#include "editor/text_edit.h"
#include "testing/grading.h"
#include "testing/option_grid.h"
#include "testing/problem_pane.h"

#include "../bank/bank_fixtures.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextLayout>
#include <QTranslator>
#include <QUndoStack>

using Mutation = std::function<void(BankEditing *)>;
Q_DECLARE_METATYPE(Mutation)

namespace {

// The window with every question to the user scripted and recorded.
struct Harness {
    EditorWindow window;
    QStringList errors;
    QStringList infos;
    QStringList questions;
    EditorDialogs::SaveAnswer answer = EditorDialogs::SaveAnswer::Cancel;
    QString saveAsPath;
    bool offeredJet3 = false; // the format Save As last offered
    QString started;
    QStringList asked;  // the questions with buttons, in order
    QList<int> choices; // the buttons chosen, in order; then the last button (Cancel)

    Harness() {
        EditorDialogs &d = window.dialogs();
        d.showError = [this](QWidget *, const QString &text) { errors << text; };
        d.showInfo = [this](QWidget *, const QString &text) { infos << text; };
        d.choose = [this](QWidget *, const QString &text, const QStringList &buttons) {
            asked << text;
            return choices.isEmpty() ? int(buttons.size()) - 1 : choices.takeFirst();
        };
        d.saveFailed = [this](QWidget *, const QString &text) {
            errors << text;
            return !saveAsPath.isEmpty();
        };
        d.askSave = [this](QWidget *, const QString &text) {
            questions << text;
            return answer;
        };
        d.saveFile = [this](QWidget *, const QString &, bool *jet3) {
            offeredJet3 = *jet3;
            *jet3 = false;
            return saveAsPath;
        };
        d.openFile = [](QWidget *, const QString &, const QString &) { return QString(); };
        d.startProgram = [this](const QString &, const QString &folder) {
            started = folder;
            return true;
        };
    }

    QAction *action(const char *name) { return window.findChild<QAction *>(QString::fromLatin1(name)); }
    ProblemEditor *editor() { return window.problemEditor(); }
};

// Types text as keys; QTest::keyClicks takes Latin-1 only.
void typeInto(QWidget *w, const QString &text) {
    w->setFocus();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

// Twenty problems whose texts need Windows-1251's upper half and, in the options, a ";":
// the correct option stands under the answer key's number, so that a file listing the options
// in this order needs no renumbering.
QList<DocProblem> teachersProblems() {
    QList<DocProblem> problems;
    for (int p = 1; p <= 20; ++p) {
        DocProblem d{QStringLiteral("Вычислите: №%1").arg(p), QStringLiteral("«ёлка» — %1").arg(p), {}, 0};
        for (int n = 1; n <= 4; ++n)
            d.options << QStringLiteral("%1; ответ «%2»").arg(p).arg(n);
        d.correct = correctOption(p) - 1;
        problems << d;
    }
    return problems;
}

// A text file as a teacher may have it: "utf8", "bom" (UTF-8 after a byte-order mark) or
// "cp1251", its lines joined by the given line end.
QByteArray textFile(const QStringList &lines, const QString &encoding, const QString &lineEnd) {
    const QString text = lines.join(lineEnd) + lineEnd;
    if (encoding == QLatin1String("cp1251"))
        return *jet::format::encodeText(jet::Version::Jet3, text, false);
    return (encoding == QLatin1String("bom") ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

// A file the editor takes for the program (it only checks that it may run it), in dir.
QString standInProgram(const QTemporaryDir &dir) {
#ifdef Q_OS_WIN
    const QString program = dir.filePath(QStringLiteral("cifrovex.exe")); // Windows runs by extension
#else
    const QString program = dir.filePath(QStringLiteral("cifrovex"));
#endif
    if (!writeBytes(program, "#!/bin/sh\n"))
        return {};
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

// Equal problems; otherwise false after printing both.
bool sameProblem(const DocProblem &actual, const DocProblem &expected) {
    if (actual == expected)
        return true;
    for (const DocProblem *p : {&actual, &expected})
        qWarning().noquote() << (p == &actual ? "actual:  " : "expected:") << p->condition << p->body
                             << p->options << p->correct;
    return false;
}

csv::FileFormat windows1251() {
    csv::FileFormat format;
    format.encoding = csv::FileFormat::Encoding::Windows1251;
    return format;
}

} // namespace

class TestEditorWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keyboardMadeBankSavesWithTheKey();
    void titleShowsFileAndChanges();
    void askBeforeLosingChanges_data();
    void askBeforeLosingChanges();
    void damagedFileIsRefused();
    void undoKeyReachesTheBankFromAField();
    void moveByKeysAndDrag();
    void checkFollowsTypingAndLeadsToTheField();
    void foreignCharactersAreMarked();
    void optionCountWarning();
    void studentViewAtPosition_data();
    void studentViewAtPosition();
    void startsTheProgramOnACopy();
    void importAndExport();
    void importReadsTeachersFiles_data();
    void importReadsTeachersFiles();
    void exportReadsBackInTheToolAndTheEditor_data();
    void exportReadsBackInTheToolAndTheEditor();
    void addToBank_data();
    void addToBank();
    void severalProblemsAtOnce_data();
    void severalProblemsAtOnce();
    void exportSelectedProblems();
    void wrongOptionsReorder();
    void mathsSignsQuickFix();
    void recentFiles();
    void manualHtml_data();
    void manualHtml();
    void f1ShowsTheManual();
    void exportAsksBeforeReplacingFiles();
    void markingCorrectMovesNoOption();
    void brokenBankIsSaidBeforeStartAndSave_data();
    void brokenBankIsSaidBeforeStartAndSave();
    void fieldsFitWithoutScrolling_data();
    void fieldsFitWithoutScrolling();
    void listKeepsItsNumbersInView();
    void findingsSpeakTheTeachersWords_data();
    void findingsSpeakTheTeachersWords();
    void qtTextsAreRussian();
    void dialogsOpenWhereTheTeacherWorks();
    void moveKeysReachTheEditorEverywhere_data();
    void moveKeysReachTheEditorEverywhere();
    void checkWarnsOfHiddenBodies();
    void openedBankWithoutAnswerStaysFaulty();
    void undoKeepsListAndFieldsOnOneProblem_data();
    void undoKeepsListAndFieldsOnOneProblem();
    void failedSaveOffersSaveAs_data();
    void failedSaveOffersSaveAs();
    void bankInUseIsSaid_data();
    void bankInUseIsSaid();
    void saveAsksWhenTheFileChangedOnDisk_data();
    void saveAsksWhenTheFileChangedOnDisk();
};

void TestEditorWindow::initTestCase() {
    // The recent files go to a settings file of the tests' own, not the user's.
    QStandardPaths::setTestModeEnabled(true);
}

void TestEditorWindow::keyboardMadeBankSavesWithTheKey() {
    Harness h;
    for (int p = 1; p <= 20; ++p) {
        h.action("InsertProblem")->trigger();
        QCOMPARE(h.window.currentProblem(), p - 1);
        QVERIFY(h.editor()->conditionEdit()->hasFocus() || !QApplication::activeWindow());
        typeInto(h.editor()->conditionEdit(), QStringLiteral("Вычислите:"));
        typeInto(h.editor()->bodyEdit(), QStringLiteral("%1 + %1").arg(p));
        QCOMPARE(h.editor()->optionRows(), 4);
        for (int row = 0; row < 4; ++row)
            typeInto(h.editor()->optionEdit(row),
                     row == 0 ? QStringLiteral("верно") : QStringLiteral("нет %1").arg(row));
        h.action("MarkCorrect1")->trigger();
    }
    QVERIFY(h.window.isWindowModified());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    QVERIFY(h.window.saveTo(path, jet::Version::Jet4));
    QVERIFY(h.errors.isEmpty());

    const Bank bank = loadBank(path);
    QCOMPARE(bank.problems.size(), 20);
    QVERIFY(bankcheck::check(bank).ok());
    for (const AnswerOption &o : bank.options) {
        const int p = o.ID_P;
        QCOMPARE(o.Otvet == QStringLiteral("верно"), o.dopol == correctOption(p));
        QCOMPARE(o.Istina, o.dopol == correctOption(p));
    }
    // The other options keep the order they were typed in.
    QStringList others;
    for (const AnswerOption &o : bank.options)
        if (o.ID_P == 2 && !o.Istina)
            others << *o.Otvet;
    QCOMPARE(others, (QStringList{"нет 1", "нет 2", "нет 3"}));
}

void TestEditorWindow::titleShowsFileAndChanges() {
    Harness h;
    QVERIFY(h.window.windowTitle().contains(QStringLiteral("Редактор банка задач")));
    QVERIFY(h.window.windowTitle().contains(QStringLiteral("[*]")));
    QVERIFY(!h.window.isWindowModified());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("мой.cvx"));
    writeBank(path, sampleBank(20));
    QVERIFY(h.window.openFile(path));
    QVERIFY(h.window.windowTitle().startsWith(QStringLiteral("мой.cvx[*]")));
    QVERIFY(!h.window.isWindowModified());
    h.window.editing()->setBody(0, QStringLiteral("другое"));
    QVERIFY(h.window.isWindowModified());
    h.window.editing()->undoStack()->undo();
    QVERIFY(!h.window.isWindowModified());
    h.window.editing()->setBody(0, QStringLiteral("другое"));
    QVERIFY(h.action("SaveBank")->isEnabled());
    h.action("SaveBank")->trigger();
    QVERIFY(!h.window.isWindowModified());
    QCOMPARE(*loadBank(path).problems[0].Name, QStringLiteral("другое"));
    QVERIFY(QFile::exists(path + QStringLiteral(".bak")));

    // Save As with Jet 3 asked for; Save then keeps that format.
    h.saveAsPath = dir.filePath(QStringLiteral("старый.cvx"));
    h.window.dialogs().saveFile = [&](QWidget *, const QString &, bool *jet3) {
        *jet3 = true;
        return h.saveAsPath;
    };
    h.action("SaveBankAs")->trigger();
    QCOMPARE(jet::Database::open(h.saveAsPath).version(), jet::Version::Jet3);
    QVERIFY(h.window.windowTitle().startsWith(QStringLiteral("старый.cvx[*]")));
    h.window.editing()->setBody(1, QStringLiteral("ещё"));
    h.action("SaveBank")->trigger();
    QCOMPARE(jet::Database::open(h.saveAsPath).version(), jet::Version::Jet3);
    QCOMPARE(*loadBank(h.saveAsPath).problems[1].Name, QStringLiteral("ещё"));
}

void TestEditorWindow::askBeforeLosingChanges_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");
    const int save = int(EditorDialogs::SaveAnswer::Save);
    const int discard = int(EditorDialogs::SaveAnswer::Discard);
    const int cancel = int(EditorDialogs::SaveAnswer::Cancel);
    for (const char *command : {"close", "new", "open"}) {
        QTest::addRow("%s_cancel", command) << command << cancel << false << false;
        QTest::addRow("%s_discard", command) << command << discard << true << false;
        QTest::addRow("%s_save", command) << command << save << true << true;
    }
}

void TestEditorWindow::askBeforeLosingChanges() {
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);
    Harness h;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, sampleBank(20));
    QVERIFY(h.window.openFile(path));
    h.window.show();
    h.window.editing()->setCondition(3, QStringLiteral("Изменено"));
    h.answer = EditorDialogs::SaveAnswer(answer);
    bool asked = false;
    h.window.dialogs().openFile = [&](QWidget *, const QString &, const QString &) {
        asked = true;
        return QString();
    };

    bool wentOn = false;
    if (command == QLatin1String("close")) {
        wentOn = h.window.close();
    } else if (command == QLatin1String("new")) {
        h.action("NewBank")->trigger();
        wentOn = h.window.document()->problemCount() == 0;
    } else {
        h.action("OpenBank")->trigger();
        wentOn = asked;
    }
    QCOMPARE(h.questions.size(), 1);
    QVERIFY(h.questions[0].contains(QStringLiteral("data.cvx")));
    QCOMPARE(wentOn, goesOn);
    QCOMPARE(*loadBank(path).problems[3].Uslovie == QStringLiteral("Изменено"), saved);
}

void TestEditorWindow::damagedFileIsRefused() {
    Harness h;
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(good, sampleBank(20));
    QVERIFY(h.window.openFile(good));
    h.window.editing()->setBody(0, QStringLiteral("не сохранено"));

    const QString damaged = dir.filePath(QStringLiteral("испорчен.cvx"));
    QByteArray bytes = fileBytes(good);
    bytes.truncate(bytes.size() / 3);
    QVERIFY(writeBytes(damaged, bytes));
    QVERIFY(!h.window.openFile(damaged));
    QCOMPARE(h.errors.size(), 1);
    QVERIFY2(h.errors[0].contains(damaged), qPrintable(h.errors[0]));
    // The bank being edited stays, unsaved changes included; neither file was written.
    QCOMPARE(h.window.filePath(), QFileInfo(good).absoluteFilePath());
    QCOMPARE(h.window.document()->problem(0).body, QStringLiteral("не сохранено"));
    QCOMPARE(fileBytes(damaged), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             (QStringList{"data.cvx", "data.cvx.lock", "испорчен.cvx"})); // the lock is the open bank's
}

void TestEditorWindow::undoKeyReachesTheBankFromAField() {
    Harness h;
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.action("InsertProblem")->trigger();
    typeInto(h.editor()->conditionEdit(), QStringLiteral("Найдите"));
    QCOMPARE(h.window.document()->problem(0).condition, QStringLiteral("Найдите"));
    // Typing into one field is one step; Ctrl+Z in the field undoes it in the bank.
    QTest::keyClick(h.editor()->conditionEdit(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.window.document()->problem(0).condition, QString());
    QCOMPARE(h.editor()->conditionEdit()->toPlainText(), QString());
    QTest::keyClick(h.editor()->conditionEdit(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(h.editor()->conditionEdit()->toPlainText(), QStringLiteral("Найдите"));
}

void TestEditorWindow::moveByKeysAndDrag() {
    Harness h;
    BankDocument *doc = h.window.document();
    doc->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.setCurrentProblem(0);
    h.action("MoveDown")->trigger();
    QCOMPARE(h.window.currentProblem(), 1);
    QCOMPARE(doc->problem(1).body, QStringLiteral("1 + 1"));
    QVERIFY(bankcheck::check(doc->toBank()).ok());

    // A drag of row 19 dropped before row 0.
    auto *model = static_cast<ProblemListModel *>(h.window.problemList()->model());
    std::unique_ptr<QMimeData> mime(model->mimeData({model->index(19, 0)}));
    model->dropMimeData(mime.get(), Qt::MoveAction, 0, 0, {});
    QCOMPARE(doc->problem(0).body, QStringLiteral("20 + 20"));
    QCOMPARE(h.window.currentProblem(), 0);
    QCOMPARE(model->data(model->index(0, ProblemListModel::PositionColumn), Qt::DisplayRole).toInt(), 1);
    QVERIFY(bankcheck::check(doc->toBank()).ok());
    QCOMPARE(h.window.editing()->undoStack()->count(), 2);

    // Undo shows the problem it changes back.
    h.window.editing()->setBody(7, QStringLiteral("правка"));
    h.window.setCurrentProblem(15);
    h.window.editing()->undoStack()->undo();
    QCOMPARE(h.window.currentProblem(), 7);
    h.window.editing()->undoStack()->undo(); // the drag
    QCOMPARE(h.window.currentProblem(), 19);
    QCOMPARE(doc->problem(19).body, QStringLiteral("20 + 20"));
}

void TestEditorWindow::checkFollowsTypingAndLeadsToTheField() {
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    CheckPanel *check = h.window.checkPanel();
    check->checkNow();
    QVERIFY(check->levelsLabel()->text().contains(QStringLiteral("Уровень «5» (задачи 1–20): работает.")));

    h.window.setCurrentProblem(11);
    h.editor()->conditionEdit()->selectAll();
    QTest::keyClick(h.editor()->conditionEdit(), Qt::Key_Delete);
    // The check runs after a pause in typing.
    QTRY_VERIFY(check->levelsLabel()->text().contains(QStringLiteral("«4» (задачи 1–15): <b>не работает")));
    QVERIFY(check->levelsLabel()->text().contains(QStringLiteral("«3» (задачи 1–10): работает")));
    QCOMPARE(check->findingsList()->count(), 3); // and the warnings of bodies at 10 and 15
    QListWidgetItem *item = check->findingsList()->item(0);
    QVERIFY(item->text().startsWith(QStringLiteral("Задача 12")));

    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.window.setCurrentProblem(0);
    emit check->findingsList()->itemActivated(item);
    QCOMPARE(h.window.currentProblem(), 11);
    QVERIFY(h.editor()->conditionEdit()->hasFocus());

    // An option's text: the finding leads to that option's field.
    h.window.editing()->setCorrect(4, 3); // the fourth now stands second, the third fourth
    h.window.editing()->setOptionText(4, 2, QString());
    check->checkNow();
    // Said as the teacher finds it in the fields, without the file's columns.
    QCOMPARE(check->findingsList()->item(0)->text(), QStringLiteral("Задача 5, вариант 3: пустой текст."));
    emit check->findingsList()->itemActivated(check->findingsList()->item(0));
    QCOMPARE(h.window.currentProblem(), 4);
    QCOMPARE(h.editor()->shownNumberLabel(2)->text(), QStringLiteral("у ученика № 4"));
    QVERIFY(h.editor()->optionEdit(2)->hasFocus());
    QCOMPARE(h.editor()->optionEdit(2)->toPlainText(), QString());
}

void TestEditorWindow::foreignCharactersAreMarked() {
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.setCurrentProblem(0);
    typeInto(h.editor()->bodyEdit(), QStringLiteral(" √2"));
    const QString text = h.editor()->bodyEdit()->toPlainText();
    const int at = int(text.indexOf(u'√'));
    QVERIFY(at > 0);
    const QList<QTextLayout::FormatRange> marks =
        h.editor()->bodyEdit()->document()->firstBlock().layout()->formats();
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks[0].start, at);
    QCOMPARE(marks[0].length, 1);
    h.window.checkPanel()->checkNow();
    QVERIFY(h.window.checkPanel()->findingsList()->item(0)->text().contains(QStringLiteral("U+221A")));
}

void TestEditorWindow::optionCountWarning() {
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.setCurrentProblem(2);
    QVERIFY(h.editor()->warningLabel()->isHidden());
    h.action("RemoveOption")->trigger();
    QCOMPARE(h.editor()->optionRows(), 3);
    QVERIFY(!h.editor()->warningLabel()->isHidden());
    QVERIFY(h.editor()->warningLabel()->text().contains(QStringLiteral("Вариантов ответа 3")));
    h.action("AddOption")->trigger();
    QCOMPARE(h.editor()->optionRows(), 4);
    QVERIFY(h.editor()->warningLabel()->text().contains(QStringLiteral("Верный ответ не отмечен")) ||
            h.editor()->warningLabel()->isHidden());
}

void TestEditorWindow::studentViewAtPosition_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("conditionFills");
    QTest::addColumn<bool>("bodyHorizontalBar");
    QTest::newRow("first") << 1 << false << false;
    QTest::newRow("fourth_wide_body") << 4 << false << true;
    QTest::newRow("tenth_long_condition") << 10 << true << false;
    QTest::newRow("eleventh") << 11 << false << true;
    QTest::newRow("fifteenth_long_condition") << 15 << true << false;
    QTest::newRow("sixteenth") << 16 << false << true;
    QTest::newRow("twentieth") << 20 << false << false;
}

void TestEditorWindow::studentViewAtPosition() {
    QFETCH(int, position);
    QFETCH(bool, conditionFills);
    QFETCH(bool, bodyHorizontalBar);
    StudentView view;
    DocProblem p;
    p.condition = QString(400, u'x');
    p.body = QStringLiteral("тело");
    p.options = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    p.correct = 0;
    view.showProblem(p, position);

    ProblemPane *pane = view.problemPane();
    QCOMPARE(pane->conditionMemo()->toPlainText(), p.condition);
    if (conditionFills) {
        QCOMPARE(pane->conditionMemo()->height(), pane->height() - 30);
        QCOMPARE(pane->bodyMemo()->height(), 0);
        QVERIFY(!view.noteLabel()->isHidden());
    } else {
        QCOMPARE(pane->conditionMemo()->height(), ProblemPane::DesignConditionHeight);
        QVERIFY(pane->bodyMemo()->height() > 0);
    }
    QCOMPARE(pane->bodyMemo()->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn, bodyHorizontalBar);
    // The option pane shows the options as the student gets them: the correct one under the key.
    const int key = correctOption(position);
    QCOMPARE(view.optionGrid()->textMemo(key - 1)->toPlainText(), QStringLiteral("a"));
    QCOMPARE(view.optionGrid()->numberLabel(key - 1)->text(), QString::number(key));
}

void TestEditorWindow::startsTheProgramOnACopy() {
    Harness h;
    QTemporaryDir dir;
    const QString program = standInProgram(dir);
    QVERIFY(!program.isEmpty());
    h.window.setProgramPath(program);
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.editing()->setBody(0, QStringLiteral("ещё не сохранено"));

    h.action("StartProgram")->trigger();
    QVERIFY(h.errors.isEmpty());
    QCOMPARE(h.started, h.window.lastTrialFolder());
    const Bank copy = loadBank(QDir(h.started).filePath(QStringLiteral("data.cvx")));
    QCOMPARE(*copy.problems[0].Name, QStringLiteral("ещё не сохранено"));
    QVERIFY(h.window.isWindowModified());

    h.window.setProgramPath(dir.filePath(QStringLiteral("нет такой")));
    h.action("StartProgram")->trigger();
    QCOMPARE(h.errors.size(), 1);
    QVERIFY(h.errors[0].contains(QStringLiteral("нет такой")));
}

void TestEditorWindow::importAndExport() {
    Harness h;
    QTemporaryDir dir;
    QByteArray aiken;
    for (int i = 1; i <= 20; ++i)
        aiken +=
            QStringLiteral("Вопрос %1\nA) один\nB) два\nC) три\nD) четыре\nANSWER: B\n\n").arg(i).toUtf8();
    const QString aikenFile = dir.filePath(QStringLiteral("q.txt"));
    QVERIFY(writeBytes(aikenFile, aiken));
    QString next = aikenFile;
    h.window.dialogs().openFile = [&](QWidget *, const QString &, const QString &) { return next; };
    h.action("ImportAiken")->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));
    QCOMPARE(h.window.document()->problemCount(), 20);
    QVERIFY(bankcheck::check(h.window.document()->toBank()).ok());
    const Bank imported = h.window.document()->toBank();

    // Exported and imported again: the same bank.
    const QString folder = dir.filePath(QStringLiteral("csv"));
    QVERIFY(QDir().mkpath(folder));
    h.window.dialogs().chooseFolder = [&](QWidget *, const QString &) { return folder; };
    h.action("ExportCsv")->trigger();
    QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"Otvety.csv", "Zadachi.csv"}));
    h.window.editing()->setCondition(0, QStringLiteral("изменено"));
    next = QDir(folder).filePath(QStringLiteral("Zadachi.csv"));
    h.action("ImportCsv")->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));
    QCOMPARE(h.window.document()->toBank().options, imported.options);
    QCOMPARE(h.window.document()->toBank().problems, imported.problems);

    // A broken file: its message, and the bank as it was.
    QVERIFY(writeBytes(aikenFile, "Вопрос\nA) один\nANSWER: Q\n"));
    next = aikenFile;
    h.action("ImportAiken")->trigger();
    QCOMPARE(h.errors.size(), 1);
    QVERIFY(h.errors[0].contains(aikenFile));
    QCOMPARE(h.window.document()->problemCount(), 20);
    // Each import is one step back.
    h.window.editing()->undoStack()->undo();
    QCOMPARE(h.window.document()->problem(0).condition, QStringLiteral("изменено"));
}

void TestEditorWindow::importReadsTeachersFiles_data() {
    QTest::addColumn<QString>("format");        // aiken or csv
    QTest::addColumn<QStringList>("encodings"); // per file: Aiken's, or Zadachi's and Otvety's
    QTest::addColumn<QString>("lineEnd");
    QTest::addColumn<QChar>("separator");     // CSV only
    QTest::addColumn<QStringList>("noticed"); // the files said to be read as Windows-1251

    const QString crlf = QStringLiteral("\r\n"), lf = QStringLiteral("\n");
    QTest::newRow("aiken_cp1251_crlf")
        << "aiken" << QStringList{"cp1251"} << crlf << QChar() << QStringList{"q.txt"};
    QTest::newRow("aiken_bom_lf") << "aiken" << QStringList{"bom"} << lf << QChar() << QStringList{};
    // As a Russian spreadsheet program saves it: ";", Windows-1251, ИСТИНА/ЛОЖЬ, CRLF.
    QTest::newRow("csv_spreadsheet_cp1251") << "csv" << QStringList{"cp1251", "cp1251"} << crlf << QChar(u';')
                                            << QStringList{"Zadachi.csv", "Otvety.csv"};
    // Its "CSV UTF-8": ";" after a byte-order mark.
    QTest::newRow("csv_spreadsheet_bom")
        << "csv" << QStringList{"bom", "bom"} << crlf << QChar(u';') << QStringList{};
    // Each file is read, and named, on its own.
    QTest::newRow("csv_mdb_export_mixed")
        << "csv" << QStringList{"utf8", "cp1251"} << lf << QChar(u',') << QStringList{"Otvety.csv"};
}

void TestEditorWindow::importReadsTeachersFiles() {
    QFETCH(QString, format);
    QFETCH(QStringList, encodings);
    QFETCH(QString, lineEnd);
    QFETCH(QChar, separator);
    QFETCH(QStringList, noticed);

    const QList<DocProblem> expected = teachersProblems();
    QTemporaryDir dir;
    QString opened;
    if (format == QLatin1String("aiken")) {
        QStringList lines;
        for (const DocProblem &p : expected) {
            lines << p.condition << p.body;
            for (int n = 0; n < 4; ++n)
                lines << QStringLiteral("%1) %2").arg(QChar(u'A' + n), p.options[n]);
            lines << QStringLiteral("ANSWER: %1").arg(QChar(u'A' + p.correct)) << QString();
        }
        opened = dir.filePath(QStringLiteral("q.txt"));
        QVERIFY(writeBytes(opened, textFile(lines, encodings[0], lineEnd)));
    } else {
        // mdb-export quotes every text and writes 1/0; a spreadsheet quotes only where it must.
        const bool spreadsheet = separator == u';';
        const QString sep(separator);
        auto text = [&](const QString &t) {
            return spreadsheet && !t.contains(separator) ? t : u'"' + t + u'"';
        };
        QStringList problems{QStringList{"ID_P", "Name", "Uslovie"}.join(sep)};
        QStringList options{QStringList{"ID_O", "ID_P", "Otvet", "Istina", "dopol"}.join(sep)};
        int optionId = 0;
        for (int i = 0; i < expected.size(); ++i) {
            const DocProblem &p = expected[i];
            problems << QStringList{QString::number(i + 1), text(p.body), text(p.condition)}.join(sep);
            for (int n = 0; n < 4; ++n) {
                const bool correct = n == p.correct;
                const QString truth = spreadsheet
                                          ? (correct ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ"))
                                          : QString::number(correct);
                options << QStringList{QString::number(++optionId), QString::number(i + 1),
                                       text(p.options[n]), truth, QString::number(n + 1)}
                               .join(sep);
            }
        }
        opened = dir.filePath(QStringLiteral("Zadachi.csv"));
        QVERIFY(writeBytes(opened, textFile(problems, encodings[0], lineEnd)));
        QVERIFY(
            writeBytes(dir.filePath(QStringLiteral("Otvety.csv")), textFile(options, encodings[1], lineEnd)));
    }

    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(3)));
    h.window.dialogs().openFile = [&](QWidget *, const QString &, const QString &) { return opened; };
    h.action(format == QLatin1String("aiken") ? "ImportAiken" : "ImportCsv")->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));

    QCOMPARE(h.window.document()->problemCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(sameProblem(h.window.document()->problem(i), expected[i]),
                 qPrintable(QString::number(i + 1)));

    // Said once, in a box naming each file by its path, and in the status bar by its name.
    const QString status = h.window.statusBar()->currentMessage();
    QVERIFY2(status.startsWith(QStringLiteral("Импортировано")), qPrintable(status));
    if (noticed.isEmpty()) {
        QVERIFY2(h.infos.isEmpty(), qPrintable(h.infos.join(u'\n')));
        QVERIFY2(!status.contains(QStringLiteral("1251")), qPrintable(status));
        return;
    }
    QCOMPARE(h.infos.size(), 1);
    for (const QString &name :
         {QStringLiteral("q.txt"), QStringLiteral("Zadachi.csv"), QStringLiteral("Otvety.csv")}) {
        const bool said = noticed.contains(name);
        QCOMPARE(h.infos[0].contains(csv::encodingNotice(dir.filePath(name), windows1251())), said);
        QCOMPARE(status.contains(csv::encodingNotice(name, windows1251())), said);
    }
}

void TestEditorWindow::exportReadsBackInTheToolAndTheEditor_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("start"); // how Zadachi.csv begins
    QTest::addColumn<QByteArray>("truth"); // how Otvety.csv says an option is correct
    QTest::newRow("mdb_export") << "ExportCsv" << QByteArray("ID_P,Name,Uslovie\n") << QByteArray(",1,");
    QTest::newRow("spreadsheet") << "ExportCsvSpreadsheet" << QByteArray("\xEF\xBB\xBFID_P;Name;Uslovie\n")
                                 << QStringLiteral(";ИСТИНА;").toUtf8();
}

void TestEditorWindow::exportReadsBackInTheToolAndTheEditor() {
    QFETCH(QString, action);
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, truth);
    // Texts that test the quoting, multi-line texts as the editor types them and as Access
    // stores them, characters beyond Windows-1251, empty texts, and a problem past the key.
    QList<DocProblem> problems = teachersProblems();
    problems[0].condition = QStringLiteral("Кавычки \"внутри\", запятая; точка с запятой");
    problems[0].body = QStringLiteral("\"с кавычки\"\nи вторая строка\n");
    problems[1].body = QStringLiteral("строка 1\r\nстрока 2");
    problems[2].condition = QStringLiteral("  √2 ≤ π ≈ 3,14  ");
    problems[2].body.clear();
    problems[3].options[1].clear();
    problems[4].options[2] = QStringLiteral("ЛОЖЬ");
    problems[5].options[0] = QStringLiteral("1");
    problems << DocProblem{QStringLiteral("Лишняя"), QString(), {"а", "б", "в"}, 2};

    Harness h;
    h.window.document()->reset(problems);
    const Bank original = h.window.document()->toBank();
    QTemporaryDir dir;
    h.window.dialogs().chooseFolder = [&](QWidget *, const QString &) { return dir.path(); };
    h.action(qPrintable(action))->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));
    const QString zadachi = dir.filePath(QStringLiteral("Zadachi.csv"));
    const QString otvety = dir.filePath(QStringLiteral("Otvety.csv"));
    QVERIFY(fileBytes(zadachi).startsWith(start));
    QVERIFY(fileBytes(otvety).contains(truth));

    // The bank tool builds the same bank from them, with nothing to say.
    const QString built = dir.filePath(QStringLiteral("built.cvx"));
    const ToolRun run = runBankTool({QStringLiteral("build"), zadachi, otvety, QStringLiteral("-o"), built});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const Bank fromTool = loadBank(built);
    QCOMPARE(fromTool.problems, original.problems);
    QCOMPARE(fromTool.options, original.options);

    // The editor takes them back as they were.
    h.window.document()->reset(BankDocument::fromBank(sampleBank(3)));
    h.window.dialogs().openFile = [&](QWidget *, const QString &, const QString &) { return zadachi; };
    h.action("ImportCsv")->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));
    QVERIFY(h.infos.isEmpty());
    QCOMPARE(h.window.document()->problemCount(), problems.size());
    for (int i = 0; i < problems.size(); ++i)
        QVERIFY2(sameProblem(h.window.document()->problem(i), problems[i]),
                 qPrintable(QString::number(i + 1)));
}

void TestEditorWindow::addToBank_data() {
    QTest::addColumn<QString>("format"); // aiken or csv
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("at"); // where the two added problems begin in a bank of three, row 1 current
    QTest::newRow("aiken_after_current") << "aiken"
                                         << "AddAikenAfterCurrent" << 2;
    QTest::newRow("aiken_at_end") << "aiken"
                                  << "AddAikenAtEnd" << 3;
    QTest::newRow("csv_after_current") << "csv"
                                       << "AddCsvAfterCurrent" << 2;
    QTest::newRow("csv_at_end") << "csv"
                                << "AddCsvAtEnd" << 3;
}

void TestEditorWindow::addToBank() {
    QFETCH(QString, format);
    QFETCH(QString, action);
    QFETCH(int, at);

    // Two problems whose correct options are not where the key wants them at their new places.
    const QList<DocProblem> added{
        {QStringLiteral("Сколько будет 2 + 2?"), QString(), {"3", "4", "5", "22"}, 1},
        {QStringLiteral("Корень из 9"), QStringLiteral("вторая строка"), {"3", "9", "81", "−3"}, 0},
    };
    QTemporaryDir dir;
    QString opened;
    if (format == QLatin1String("aiken")) {
        QStringList lines;
        for (const DocProblem &p : added) {
            lines << p.condition;
            if (!p.body.isEmpty())
                lines << p.body;
            for (int n = 0; n < 4; ++n)
                lines << QStringLiteral("%1) %2").arg(QChar(u'A' + n), p.options[n]);
            lines << QStringLiteral("ANSWER: %1").arg(QChar(u'A' + p.correct)) << QString();
        }
        opened = dir.filePath(QStringLiteral("q.txt"));
        QVERIFY(writeBytes(opened, textFile(lines, QStringLiteral("utf8"), QStringLiteral("\n"))));
    } else {
        QStringList problems{"ID_P,Name,Uslovie"}, options{"ID_O,ID_P,Otvet,Istina,dopol"};
        int optionId = 0;
        for (int i = 0; i < added.size(); ++i) {
            // ID_P that the bank has already: the problems are taken by their order, not their ID.
            problems << QStringLiteral("%1,\"%2\",\"%3\"").arg(i + 1).arg(added[i].body, added[i].condition);
            for (int n = 0; n < 4; ++n)
                options << QStringLiteral("%1,%2,\"%3\",%4,%5")
                               .arg(++optionId)
                               .arg(i + 1)
                               .arg(added[i].options[n])
                               .arg(int(n == added[i].correct))
                               .arg(n + 1);
        }
        opened = dir.filePath(QStringLiteral("Zadachi.csv"));
        QVERIFY(writeBytes(opened, textFile(problems, QStringLiteral("utf8"), QStringLiteral("\n"))));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("Otvety.csv")),
                           textFile(options, QStringLiteral("utf8"), QStringLiteral("\n"))));
    }

    Harness h;
    const QList<DocProblem> before = BankDocument::fromBank(sampleBank(3));
    h.window.document()->reset(before);
    h.window.setCurrentProblem(1);
    const int steps = h.window.editing()->undoStack()->count();
    h.window.dialogs().openFile = [&](QWidget *, const QString &, const QString &) { return opened; };
    h.action(qPrintable(action))->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));

    QList<DocProblem> expected = before;
    for (int i = 0; i < added.size(); ++i)
        expected.insert(at + i, added[i]);
    QCOMPARE(h.window.document()->problemCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(sameProblem(h.window.document()->problem(i), expected[i]),
                 qPrintable(QString::number(i + 1)));
    // Saved, each correct option stands under the key's number for its new place.
    const Bank bank = h.window.document()->toBank();
    for (const AnswerOption &o : bank.options)
        if (o.ID_P == at + 1 || o.ID_P == at + 2)
            QCOMPARE(o.Istina, o.dopol == correctOption(o.ID_P));
    QCOMPARE(h.window.currentProblem(), at);
    QCOMPARE(h.window.selectedProblems(), (QList<int>{at, at + 1}));
    QCOMPARE(h.editor()->conditionEdit()->toPlainText(), added[0].condition);
    QVERIFY2(h.window.statusBar()->currentMessage().contains(QStringLiteral("%1–%2").arg(at + 1).arg(at + 2)),
             qPrintable(h.window.statusBar()->currentMessage()));

    // One step back, and forth.
    QCOMPARE(h.window.editing()->undoStack()->count(), steps + 1);
    h.window.editing()->undoStack()->undo();
    QCOMPARE(h.window.document()->problems(), before);
    h.window.editing()->undoStack()->redo();
    QCOMPARE(h.window.document()->problems(), expected);

    // A file with nothing to add says so and changes nothing.
    const QString empty = dir.filePath(format == QLatin1String("aiken") ? QStringLiteral("empty.txt")
                                                                        : QStringLiteral("Zadachi.csv"));
    QVERIFY(writeBytes(empty, format == QLatin1String("aiken") ? QByteArray("\n")
                                                               : QByteArray("ID_P,Name,Uslovie\n")));
    opened = empty;
    h.action(qPrintable(action))->trigger();
    QCOMPARE(h.errors.size(), 1);
    QVERIFY2(h.errors[0].contains(empty), qPrintable(h.errors[0]));
    QCOMPARE(h.window.document()->problems(), expected);
    QCOMPARE(h.window.editing()->undoStack()->count(), steps + 1);
    if (format != QLatin1String("csv"))
        return;

    // Options whose problem the tables lack are not added, and the teacher is told.
    QVERIFY(writeBytes(opened, textFile({"ID_P,Name,Uslovie", "1,\"\",\"Одна\""}, QStringLiteral("utf8"),
                                        QStringLiteral("\n"))));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("Otvety.csv")),
                       textFile({"ID_O,ID_P,Otvet,Istina,dopol", "1,1,\"а\",1,1", "2,9,\"лишний\",0,1"},
                                QStringLiteral("utf8"), QStringLiteral("\n"))));
    h.action(qPrintable(action))->trigger();
    QCOMPARE(h.errors.size(), 2);
    QVERIFY2(h.errors[1].contains(QStringLiteral("ID_P 9")) &&
                 h.errors[1].contains(QStringLiteral("не добавлены")),
             qPrintable(h.errors[1]));
    QCOMPARE(h.window.document()->problemCount(), expected.size() + 1);
}

void TestEditorWindow::severalProblemsAtOnce_data() {
    QTest::addColumn<QList<int>>("selected"); // rows, the first clicked, the others Ctrl+clicked
    QTest::addColumn<QString>("action");      // an action, or "drag" of the rows dropped before row 0
    QTest::addColumn<QList<int>>("order");    // the problems (1-based, as they were) afterwards
    QTest::addColumn<QList<int>>("selectedAfter");
    QTest::newRow("move_up_range") << QList<int>{2, 3, 4} << "MoveUp" << QList<int>{1, 3, 4, 5, 2, 6, 7, 8}
                                   << QList<int>{1, 2, 3};
    QTest::newRow("move_down_scattered")
        << QList<int>{0, 3} << "MoveDown" << QList<int>{2, 1, 3, 5, 4, 6, 7, 8} << QList<int>{1, 4};
    QTest::newRow("move_down_at_bottom")
        << QList<int>{5, 7} << "MoveDown" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << QList<int>{5, 7};
    QTest::newRow("remove_scattered")
        << QList<int>{1, 4, 6} << "RemoveProblem" << QList<int>{1, 3, 4, 6, 8} << QList<int>{1};
    QTest::newRow("duplicate_range") << QList<int>{3, 2} << "DuplicateProblem"
                                     << QList<int>{1, 2, 3, 4, 3, 4, 5, 6, 7, 8} << QList<int>{4, 5};
    QTest::newRow("drag_scattered") << QList<int>{5, 2, 6} << "drag" << QList<int>{3, 6, 7, 1, 2, 4, 5, 8}
                                    << QList<int>{0, 1, 2};
}

void TestEditorWindow::severalProblemsAtOnce() {
    QFETCH(QList<int>, selected);
    QFETCH(QString, action);
    QFETCH(QList<int>, order);
    QFETCH(QList<int>, selectedAfter);

    Harness h;
    BankDocument *doc = h.window.document();
    const QList<DocProblem> before = BankDocument::fromBank(sampleBank(8));
    doc->reset(before);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    QTableView *list = h.window.problemList();
    for (int k = 0; k < selected.size(); ++k)
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, k == 0 ? Qt::NoModifier : Qt::ControlModifier,
            list->visualRect(list->model()->index(selected[k], ProblemListModel::ConditionColumn)).center());
    std::sort(selected.begin(), selected.end());
    QCOMPARE(h.window.selectedProblems(), selected);

    const int steps = h.window.editing()->undoStack()->count();
    if (action == QLatin1String("drag")) {
        auto *model = static_cast<ProblemListModel *>(list->model());
        std::unique_ptr<QMimeData> mime(model->mimeData(list->selectionModel()->selectedIndexes()));
        model->dropMimeData(mime.get(), Qt::MoveAction, 0, 0, {});
    } else {
        QAction *a = h.action(qPrintable(action));
        // An action that has nothing to do is off, and does nothing if triggered all the same.
        const QList<int> unchanged{1, 2, 3, 4, 5, 6, 7, 8};
        QCOMPARE(a->isEnabled(), order != unchanged);
        a->trigger();
    }

    QList<DocProblem> expected;
    for (int n : order)
        expected << before[n - 1];
    QCOMPARE(doc->problems(), expected);
    QCOMPARE(h.window.selectedProblems(), selectedAfter);
    QVERIFY(selectedAfter.contains(h.window.currentProblem()));
    // Each problem keeps its correct option at its new place.
    for (const AnswerOption &o : doc->toBank().options)
        QCOMPARE(o.Istina, o.dopol == correctOption(o.ID_P));

    if (expected == before) {
        QCOMPARE(h.window.editing()->undoStack()->count(), steps);
        return;
    }
    QCOMPARE(h.window.editing()->undoStack()->count(), steps + 1);
    h.window.editing()->undoStack()->undo();
    QCOMPARE(doc->problems(), before);
    QCOMPARE(h.editor()->conditionEdit()->toPlainText(), doc->problem(h.window.currentProblem()).condition);
    h.window.editing()->undoStack()->redo();
    QCOMPARE(doc->problems(), expected);
}

void TestEditorWindow::exportSelectedProblems() {
    Harness h;
    QList<DocProblem> problems = teachersProblems();
    problems[6].correct = 0;
    h.window.document()->reset(problems);
    h.window.selectProblems({6, 9}, 6);
    QTemporaryDir dir;
    h.window.dialogs().chooseFolder = [&](QWidget *, const QString &) { return dir.path(); };
    h.action("ExportSelectedCsv")->trigger();
    QVERIFY2(h.errors.isEmpty(), qPrintable(h.errors.join(u'\n')));

    // A bank of the two alone, each correct option still the correct one.
    Harness back;
    const QString zadachi = dir.filePath(QStringLiteral("Zadachi.csv"));
    back.window.dialogs().openFile = [&](QWidget *, const QString &, const QString &) { return zadachi; };
    back.action("ImportCsv")->trigger();
    QCOMPARE(back.window.document()->problemCount(), 2);
    for (int k = 0; k < 2; ++k) {
        const DocProblem &p = back.window.document()->problem(k);
        const DocProblem &original = problems[k == 0 ? 6 : 9];
        QCOMPARE(p.condition, original.condition);
        QCOMPARE(p.options[p.correct], original.options[original.correct]);
    }
}

void TestEditorWindow::wrongOptionsReorder() {
    Harness h;
    QList<DocProblem> problems = BankDocument::fromBank(sampleBank(2));
    // The teacher put the correct "2" second; at position 1 the key shows it third.
    problems[0].options = QStringList{"0", "2", "1", "3"};
    problems[0].correct = 1;
    h.window.document()->reset(problems);
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    h.window.setCurrentProblem(0);
    const auto rows = [&] {
        QStringList texts;
        for (int row = 0; row < h.editor()->optionRows(); ++row)
            texts << h.editor()->optionEdit(row)->toPlainText();
        return texts;
    };
    QCOMPARE(rows(), (QStringList{"0", "2", "1", "3"}));
    QVERIFY(h.editor()->shownNumberLabel(1)->text().contains(QStringLiteral("№ 3")));
    // A wrong one trades rows with the next wrong one, stepping over the correct one.
    h.editor()->optionEdit(0)->setFocus();
    QTest::keyClick(h.editor()->optionEdit(0), Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(rows(), (QStringList{"1", "2", "0", "3"}));
    QVERIFY(h.editor()->correctButton(1)->isChecked());
    QVERIFY(h.editor()->optionEdit(2)->hasFocus());
    QVERIFY(h.editor()->shownNumberLabel(2)->text().contains(QStringLiteral("№ 2")));
    QCOMPARE(h.window.editing()->undoStack()->count(), 1);

    // The button leaves the keyboard in the option.
    QTest::mouseClick(h.editor()->findChild<QPushButton *>(QStringLiteral("MoveOptionUp")), Qt::LeftButton);
    QCOMPARE(rows(), (QStringList{"0", "2", "1", "3"}));
    QVERIFY(h.editor()->optionEdit(0)->hasFocus());

    // The correct one keeps the key's number, and the teacher is told which the student sees.
    h.editor()->optionEdit(1)->setFocus();
    h.action("MoveOptionUp")->trigger();
    QCOMPARE(rows(), (QStringList{"0", "2", "1", "3"}));
    QVERIFY2(h.window.statusBar()->currentMessage().contains(QStringLiteral("под номером 3")),
             qPrintable(h.window.statusBar()->currentMessage()));
    QCOMPARE(h.window.editing()->undoStack()->count(), 2);
    h.window.editing()->undoStack()->undo();
    QCOMPARE(rows(), (QStringList{"1", "2", "0", "3"}));
}

void TestEditorWindow::mathsSignsQuickFix() {
    Harness h;
    QList<DocProblem> problems = BankDocument::fromBank(sampleBank(20));
    problems[2].condition = QStringLiteral("x² ≤ 9");
    problems[2].options[1] = QStringLiteral("2×3");
    // Correct in the teacher's first row: the student sees "2×3" first, the teacher in row 2.
    problems[2].correct = 0;
    problems[7].body = QStringLiteral("√16 ÷ 2");
    h.window.document()->reset(problems);
    CheckPanel *check = h.window.checkPanel();
    check->checkNow();
    QListWidget *findings = check->findingsList();
    const auto findingAbout = [&](const QString &what) -> QListWidgetItem * {
        for (int i = 0; i < findings->count(); ++i)
            if (findings->item(i)->text().contains(what))
                return findings->item(i);
        return nullptr;
    };
    QListWidgetItem *condition = findingAbout(QStringLiteral("Задача 3: в условии"));
    QVERIFY(condition);
    QVERIFY2(condition->text().contains(QStringLiteral("сохранится в банке Jet 4")),
             qPrintable(condition->text()));
    QVERIFY2(condition->text().contains(QStringLiteral("² → ^2, ≤ → <=")), qPrintable(condition->text()));
    QVERIFY(check->schoolSpellingEverywhereButton()->isEnabled());

    // Jet 3 refuses them, said by problem and field, with what to do; Jet 4 keeps them.
    QTemporaryDir dir;
    const QString jet3 = dir.filePath(QStringLiteral("jet3.cvx"));
    QVERIFY(!h.window.saveTo(jet3, jet::Version::Jet3));
    QCOMPARE(h.errors.size(), 1);
    for (const QString &said :
         {jet3, QStringLiteral("задача 3, условие: «²≤»"), QStringLiteral("ещё в задачах: 1"),
          QStringLiteral("² → ^2"), QStringLiteral("Jet 4")})
        QVERIFY2(h.errors[0].contains(said), qPrintable(h.errors[0]));
    QVERIFY(!QFile::exists(jet3));
    // No level works while the signs are there; the teacher saves all the same.
    h.choices << 0;
    QVERIFY(h.window.saveTo(dir.filePath(QStringLiteral("jet4.cvx")), jet::Version::Jet4));
    QCOMPARE(h.asked.size(), 1);
    QCOMPARE(loadBank(dir.filePath(QStringLiteral("jet4.cvx"))).problems[2].Uslovie,
             QStringLiteral("x² ≤ 9"));

    // The fix of one finding changes its field alone, as one step.
    findings->setCurrentItem(condition);
    QVERIFY(check->schoolSpellingButton()->isEnabled());
    const int steps = h.window.editing()->undoStack()->count();
    check->schoolSpellingButton()->click();
    QCOMPARE(h.window.document()->problem(2).condition, QStringLiteral("x^2 <= 9"));
    QCOMPARE(h.window.document()->problem(2).options[1], QStringLiteral("2×3"));
    QCOMPARE(h.window.currentProblem(), 2);
    QCOMPARE(h.editor()->conditionEdit()->toPlainText(), QStringLiteral("x^2 <= 9"));
    QCOMPARE(h.window.editing()->undoStack()->count(), steps + 1);

    // An option's finding fixes that option, wherever the key shows it.
    check->checkNow();
    QListWidgetItem *option = findingAbout(QStringLiteral("Задача 3, вариант 2:"));
    QVERIFY(option);
    findings->setCurrentItem(option);
    QVERIFY(check->schoolSpellingButton()->isEnabled());
    check->schoolSpellingButton()->click();
    QCOMPARE(h.window.document()->problem(2).options[1], QStringLiteral("2·3"));
    QCOMPARE(h.window.document()->problem(2).options[2], problems[2].options[2]);

    // A finding with nothing to respell offers nothing.
    h.window.editing()->setCondition(4, QStringLiteral("α + β"));
    check->checkNow();
    QListWidgetItem *greek = findingAbout(QStringLiteral("Задача 5: в условии"));
    QVERIFY(greek);
    findings->setCurrentItem(greek);
    QVERIFY(!check->schoolSpellingButton()->isEnabled());

    // In the field itself, from its context menu.
    h.window.setCurrentProblem(7);
    QAction *inField = h.editor()->bodyEdit()->schoolSpellingAction();
    QVERIFY(inField->isEnabled());
    inField->trigger();
    QCOMPARE(h.window.document()->problem(7).body, QStringLiteral("корень из 16 : 2"));
    QVERIFY(!inField->isEnabled());
    h.window.editing()->undoStack()->undo();
    QCOMPARE(h.editor()->bodyEdit()->toPlainText(), QStringLiteral("√16 ÷ 2"));

    // The whole bank at once, one step back.
    check->schoolSpellingEverywhereButton()->click();
    QCOMPARE(h.window.document()->problem(7).body, QStringLiteral("корень из 16 : 2"));
    check->checkNow();
    QVERIFY(!check->schoolSpellingEverywhereButton()->isEnabled());
    h.window.editing()->undoStack()->undo();
    QCOMPARE(h.window.document()->problem(7).body, QStringLiteral("√16 ÷ 2"));
    QCOMPARE(h.window.document()->problem(4).condition, QStringLiteral("α + β"));
}

void TestEditorWindow::recentFiles() {
    QTemporaryDir dir;
    QStringList paths;
    for (const QString &name : {QStringLiteral("первый.cvx"), QStringLiteral("второй & третий.cvx")}) {
        paths << dir.filePath(name);
        writeBank(paths.last(), sampleBank(3));
    }
    const QString saved = dir.filePath(QStringLiteral("новый.cvx"));
    {
        Harness h;
        h.window.recentFiles()->clear();
        QVERIFY(h.window.openFile(paths[0]));
        QVERIFY(h.window.openFile(paths[1]));
        // Three problems serve no level: the teacher saves all the same.
        h.choices << 0;
        QVERIFY(h.window.saveTo(saved, jet::Version::Jet4));
        QCOMPARE(h.asked.size(), 1);
        QVERIFY2(h.asked[0].contains(QStringLiteral("не работает ни один уровень")), qPrintable(h.asked[0]));
        QVERIFY(h.window.openFile(paths[0]));
        QCOMPARE(h.window.recentFiles()->files(), (QStringList{paths[0], saved, paths[1]}));
    }

    // Another run finds them in the File menu, newest first.
    Harness h;
    QCOMPARE(h.window.recentFiles()->files(), (QStringList{paths[0], saved, paths[1]}));
    auto *menu = h.window.findChild<QMenu *>(QStringLiteral("RecentFilesMenu"));
    QVERIFY(menu && menu->menuAction()->isEnabled());
    QAction *third = h.window.findChild<QAction *>(QStringLiteral("RecentFile3"));
    QVERIFY(third);
    QVERIFY2(third->text().startsWith(QStringLiteral("&3 второй && третий.cvx — ")),
             qPrintable(third->text()));
    third->trigger();
    QCOMPARE(h.window.filePath(), paths[1]);
    QCOMPARE(h.window.recentFiles()->files().first(), paths[1]);

    // Unsaved changes are asked about first; a file gone since is said and dropped.
    h.window.editing()->setBody(0, QStringLiteral("правка"));
    h.answer = EditorDialogs::SaveAnswer::Cancel;
    h.window.findChild<QAction *>(QStringLiteral("RecentFile2"))->trigger();
    QCOMPARE(h.questions.size(), 1);
    QCOMPARE(h.window.filePath(), paths[1]);
    h.answer = EditorDialogs::SaveAnswer::Discard;
    QVERIFY(QFile::remove(saved));
    h.window.findChild<QAction *>(QStringLiteral("RecentFile3"))->trigger();
    QCOMPARE(h.errors.size(), 1);
    QVERIFY2(h.errors[0].contains(saved), qPrintable(h.errors[0]));
    QCOMPARE(h.window.recentFiles()->files(), (QStringList{paths[1], paths[0]}));
    QCOMPARE(h.window.filePath(), paths[1]);

    h.window.findChild<QAction *>(QStringLiteral("ClearRecentFiles"))->trigger();
    QVERIFY(!menu->menuAction()->isEnabled());
    for (int i = 0; i < 10; ++i)
        h.window.recentFiles()->add(dir.filePath(QStringLiteral("%1.cvx").arg(i)));
    QCOMPARE(h.window.recentFiles()->files().size(), RecentFiles::kMaximum);
    QCOMPARE(h.window.recentFiles()->files().first(), dir.filePath(QStringLiteral("9.cvx")));
    h.window.recentFiles()->clear();
}

void TestEditorWindow::manualHtml_data() {
    QTest::addColumn<QString>("roff");
    QTest::addColumn<QString>("html");
    QTest::newRow("alternating_fonts") << ".BR cifrovex (1),"
                                       << "<p><b>cifrovex</b>(1),</p>";
    QTest::newRow("bold_words") << ".B Ctrl+N, Ctrl+O"
                                << "<p><b>Ctrl+N, Ctrl+O</b></p>";
    QTest::newRow("quoted_argument") << ".RI [ \"ФАЙЛ ...\" ]"
                                     << "<p>[<i>ФАЙЛ ...</i>]</p>";
    QTest::newRow("font_escapes") << "a \\fBb\\fR c \\fId"
                                  << "<p>a <b>b</b> c <i>d</i></p>";
    QTest::newRow("named_characters") << "\\(Foда\\(Fc \\(em 1\\(en2 x\\-y"
                                      << "<p>«да» — 1–2 x-y</p>";
    QTest::newRow("html_escaped") << "a < b & \"c\""
                                  << "<p>a &lt; b &amp; &quot;c&quot;</p>";
    QTest::newRow("lines_join") << "один\n.B два\nтри"
                                << "<p>один <b>два</b> три</p>";
    QTest::newRow("term_and_text")
        << ".SH КЛАВИШИ\n.TP\n.B F1\nэта справка\n.PP\nДалее."
        << "<h2>КЛАВИШИ</h2>\n<dl>\n<dt><b>F1</b></dt>\n<dd>эта справка</dd>\n</dl>\n"
           "<p>Далее.</p>";
    QTest::newRow("setup_and_comments") << ".\\\" комментарий\n.TH X 1\n.nh\nтекст"
                                        << "<p>текст</p>";
}

void TestEditorWindow::manualHtml() {
    QFETCH(QString, roff);
    QFETCH(QString, html);
    QCOMPARE(::manualHtml(roff).trimmed(), html);
}

void TestEditorWindow::f1ShowsTheManual() {
    Harness h;
    QAction *manual = h.action("ShowManual");
    QCOMPARE(manual->shortcut(), QKeySequence(Qt::Key_F1));
    manual->trigger();
    ManualWindow *window = h.window.manualWindow();
    QVERIFY(window && window->isVisible());
    const QString text = window->browser()->toPlainText();
    // The man page, every section of it, and none of its markup.
    const QString roff = editorManualRoff();
    QVERIFY(!roff.isEmpty());
    for (const QString &line : roff.split(u'\n'))
        if (line.startsWith(QStringLiteral(".SH ")))
            QVERIFY2(text.contains(line.mid(4).remove(u'"')), qPrintable(line));
    for (const QString &phrase : {QStringLiteral("Ctrl+Shift+Delete"), QStringLiteral("«Проверка»"),
                                  QStringLiteral("Windows-1251"), QStringLiteral("Alt+Up")})
        QVERIFY2(text.contains(phrase), qPrintable(phrase));
    for (const QString &markup :
         {QStringLiteral("\\f"), QStringLiteral("\\("), QStringLiteral("\n."), QStringLiteral("<b>")})
        QVERIFY2(!text.contains(markup), qPrintable(markup));
    // A second F1 brings the same window back.
    window->close();
    manual->trigger();
    QCOMPARE(h.window.manualWindow(), window);
    QVERIFY(window->isVisible());
}

void TestEditorWindow::checkWarnsOfHiddenBodies() {
    // The sample bank has a body everywhere, at 10 and 15 too, where the student sees only the
    // condition.
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    CheckPanel *check = h.window.checkPanel();
    check->checkNow();
    QVERIFY(check->levelsLabel()->text().contains(QStringLiteral("Уровень «5» (задачи 1–20): работает.")));
    QStringList texts;
    for (int i = 0; i < check->findingsList()->count(); ++i)
        texts << check->findingsList()->item(i)->text();
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts[0], QStringLiteral("Ошибок не найдено."));
    QVERIFY2(texts[1].startsWith(QStringLiteral("Предупреждение. Задача 10: текст задачи ученик не увидит")),
             qPrintable(texts[1]));
    QVERIFY2(texts[2].contains(QStringLiteral("Задача 15")), qPrintable(texts[2]));

    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    emit check->findingsList()->itemActivated(check->findingsList()->item(2));
    QCOMPARE(h.window.currentProblem(), 14);
    QVERIFY(h.editor()->bodyEdit()->hasFocus());
    // Once the text is in the condition, the warning goes.
    h.editor()->bodyEdit()->selectAll();
    QTest::keyClick(h.editor()->bodyEdit(), Qt::Key_Delete);
    check->checkNow();
    QCOMPARE(check->findingsList()->count(), 2);
}

void TestEditorWindow::openedBankWithoutAnswerStaysFaulty() {
    Harness h;
    Bank bank = sampleBank(20);
    for (AnswerOption &o : bank.options)
        if (o.ID_P == 5)
            o.Istina = false;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, bank);
    QVERIFY(h.window.openFile(path));
    QCOMPARE(h.errors.size(), 1);
    QVERIFY2(h.errors[0].contains(QStringLiteral("Задача 5: ни один вариант не отмечен")),
             qPrintable(h.errors[0]));

    // The problem is marked in the list and in its fields, and the check fails the levels.
    auto *model = h.window.problemList()->model();
    QVERIFY(model->index(4, ProblemListModel::PositionColumn).data(Qt::ForegroundRole).isValid());
    QVERIFY(!model->index(3, ProblemListModel::PositionColumn).data(Qt::ForegroundRole).isValid());
    h.window.setCurrentProblem(4);
    for (int row = 0; row < h.editor()->optionRows(); ++row)
        QVERIFY(!h.editor()->correctButton(row)->isChecked());
    QVERIFY(!h.editor()->warningLabel()->isHidden());
    QVERIFY(h.editor()->warningLabel()->text().contains(QStringLiteral("Верный ответ не отмечен")));
    h.window.checkPanel()->checkNow();
    QVERIFY(h.window.checkPanel()->levelsLabel()->text().contains(
        QStringLiteral("«3» (задачи 1–10): <b>не работает")));
    QVERIFY(h.window.checkPanel()->findingsList()->item(0)->text().startsWith(QStringLiteral("Задача 5")));

    // Saved and opened again it is still so; once the teacher chooses, it is not.
    h.window.editing()->setBody(0, QStringLiteral("правка"));
    h.choices = {0}; // saved although no level works
    QVERIFY(h.window.saveTo(path, jet::Version::Jet4));
    QVERIFY(h.window.openFile(path));
    QCOMPARE(h.window.document()->problem(4).correct, -1);
    h.window.setCurrentProblem(4);
    h.action("MarkCorrect2")->trigger();
    QVERIFY(h.editor()->correctButton(1)->isChecked());
    QVERIFY(!model->index(4, ProblemListModel::PositionColumn).data(Qt::ForegroundRole).isValid());
    h.window.checkPanel()->checkNow();
    QVERIFY(
        h.window.checkPanel()->levelsLabel()->text().contains(QStringLiteral("«3» (задачи 1–10): работает")));
}

void TestEditorWindow::undoKeepsListAndFieldsOnOneProblem_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("row");
    for (const char *command : {"RemoveProblem", "InsertProblem", "DuplicateProblem", "MoveUp", "MoveDown"}) {
        QTest::addRow("%s_fifth", command) << command << 4;
        QTest::addRow("%s_last", command) << command << 19;
    }
    QTest::newRow("RemoveProblem_first") << "RemoveProblem" << 0;
}

void TestEditorWindow::undoKeepsListAndFieldsOnOneProblem() {
    QFETCH(QString, command);
    QFETCH(int, row);
    Harness h;
    BankDocument *doc = h.window.document();
    doc->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QTableView *list = h.window.problemList();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(row, 0));
    QCOMPARE(h.window.currentProblem(), row);

    // The list's row is the problem the fields show, and the one typing and deleting act on.
    const auto inStep = [&](const char *step) {
        const int shown = h.window.currentProblem();
        if (list->currentIndex().row() != shown) {
            qWarning("%s: the list is on row %d, the fields on %d", step, list->currentIndex().row(), shown);
            return false;
        }
        return shown >= 0 && h.editor()->bodyEdit()->toPlainText() == doc->problem(shown).body &&
               h.editor()->conditionEdit()->toPlainText() == doc->problem(shown).condition;
    };
    h.action(qPrintable(command))->trigger();
    QVERIFY(inStep("after the command"));
    for (int round = 0; round < 2; ++round) {
        QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(inStep("undo"));
        QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(inStep("redo"));
    }
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(inStep("undo"));

    // What the teacher types next goes to the problem in view, and delete takes that one.
    typeInto(h.editor()->bodyEdit(), QStringLiteral("?"));
    QVERIFY(doc->problem(list->currentIndex().row()).body.contains(u'?'));
    list->setFocus();
    h.action("RemoveProblem")->trigger();
    QCOMPARE(doc->problemCount(), 19);
    for (const DocProblem &p : doc->problems())
        QVERIFY(!p.body.contains(u'?'));
}

void TestEditorWindow::failedSaveOffersSaveAs_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder_gone") << "folder_gone"
                                 << "нет такой папки";
    QTest::newRow("jet3_text") << "jet3_text"
                               << "Windows-1251";
}

void TestEditorWindow::failedSaveOffersSaveAs() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    Harness h;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("класс")));
    const QString path = dir.filePath(QStringLiteral("класс/data.cvx"));
    writeBank(path, sampleBank(20),
              kind == QLatin1String("jet3_text") ? jet::Version::Jet3 : jet::Version::Jet4);
    QVERIFY(h.window.openFile(path));
    if (kind == QLatin1String("folder_gone")) {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps a folder while a file in it (the editor's lock) is open");
#endif
        h.window.editing()->setBody(0, QStringLiteral("правка"));
        QVERIFY(QDir(dir.filePath(QStringLiteral("класс"))).removeRecursively());
    } else {
        h.window.editing()->setBody(19, QStringLiteral("x ≤ 2"));
    }

    // Declined: nothing saved, the changes are still there to save.
    h.action("SaveBank")->trigger();
    QCOMPARE(h.errors.size(), 1);
    QVERIFY2(h.errors[0].contains(reason), qPrintable(h.errors[0]));
    QVERIFY2(h.errors[0].contains(QStringLiteral("Сохранить банк в другой файл?")), qPrintable(h.errors[0]));
    QVERIFY(h.window.isWindowModified());

    // Taken: the bank goes where the teacher says (here, Jet 4), which Save As offers first
    // where Jet 3 refused the signs.
    h.saveAsPath = dir.filePath(QStringLiteral("копия.cvx"));
    h.offeredJet3 = true;
    h.action("SaveBank")->trigger();
    QCOMPARE(h.errors.size(), 2);
    if (kind == QLatin1String("jet3_text"))
        QVERIFY(!h.offeredJet3);
    QVERIFY(!h.window.isWindowModified());
    QCOMPARE(h.window.filePath(), QFileInfo(h.saveAsPath).absoluteFilePath());
    QCOMPARE(*loadBank(h.saveAsPath).problems[19].Name, h.window.document()->problem(19).body);
}

void TestEditorWindow::bankInUseIsSaid_data() {
    QTest::addColumn<QString>("holder"); // editor or access
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("said");
    QTest::newRow("editor") << "editor"
                            << "data.cvx"
                            << "в редакторе банка задач";
    QTest::newRow("access_ldb") << "access"
                                << "data.cvx"
                                << "data.ldb";
    QTest::newRow("access_mdb_name") << "access"
                                     << "класс.7б.mdb"
                                     << "класс.7б.ldb";
}

void TestEditorWindow::bankInUseIsSaid() {
    QFETCH(QString, holder);
    QFETCH(QString, fileName);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    writeBank(path, sampleBank(20));
    Harness first;
    if (holder == QLatin1String("editor")) {
        QVERIFY(first.window.openFile(path));
    } else {
        // As Access leaves it beside a database it has open.
        QVERIFY(writeBytes(bankdoc::jetLockPath(path), QByteArray(64, 'x')));
        QCOMPARE(QFileInfo(bankdoc::jetLockPath(path)).fileName(), said);
    }

    // Told, and left alone when the teacher cancels.
    Harness second;
    QVERIFY(!second.window.openFile(path));
    QCOMPARE(second.asked.size(), 1);
    QVERIFY2(second.asked[0].contains(QStringLiteral("уже открыт")) && second.asked[0].contains(said),
             qPrintable(second.asked[0]));
    QVERIFY(second.errors.isEmpty());
    QCOMPARE(second.window.document()->problemCount(), 0);
    QVERIFY(second.window.filePath().isEmpty());

    // Opened anyway: each save asks again while the other has it.
    second.choices = {0};
    QVERIFY(second.window.openFile(path));
    second.window.editing()->setBody(0, QStringLiteral("второй"));
    QVERIFY(!second.window.saveTo(path, jet::Version::Jet4));
    QCOMPARE(second.asked.size(), 3);
    QVERIFY2(second.asked[2].contains(said), qPrintable(second.asked[2]));
    QCOMPARE(*loadBank(path).problems[0].Name, QStringLiteral("1 + 1"));

    // Once the other has closed it, nothing to say.
    if (holder == QLatin1String("editor"))
        first.window.newBank();
    else
        QVERIFY(QFile::remove(bankdoc::jetLockPath(path)));
    QVERIFY(second.window.saveTo(path, jet::Version::Jet4));
    QCOMPARE(second.asked.size(), 3);
    // Now the second holds it, until it closes the bank.
    Harness third;
    QVERIFY(!third.window.openFile(path));
    QVERIFY2(third.asked.value(0).contains(QStringLiteral("в редакторе банка задач")),
             qPrintable(third.asked.value(0)));
    second.window.newBank();
    third.asked.clear();
    QVERIFY(third.window.openFile(path));
    QVERIFY(third.asked.isEmpty());
}

void TestEditorWindow::saveAsksWhenTheFileChangedOnDisk_data() {
    QTest::addColumn<int>("choice"); // Overwrite, Save As, Cancel
    QTest::addColumn<bool>("overwritten");
    QTest::newRow("overwrite") << 0 << true;
    QTest::newRow("save_as") << 1 << false;
    QTest::newRow("cancel") << 2 << false;
}

void TestEditorWindow::saveAsksWhenTheFileChangedOnDisk() {
    QFETCH(int, choice);
    QFETCH(bool, overwritten);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, sampleBank(20));
    Harness h;
    QVERIFY(h.window.openFile(path));
    h.window.editing()->setBody(0, QStringLiteral("здесь"));
    QVERIFY(h.window.saveTo(path, jet::Version::Jet4));
    QVERIFY(h.asked.isEmpty()); // its own save is no change by another

    // Another program writes the file: same size, and perhaps within the same second.
    Bank other = loadBank(path);
    other.problems[0].Name = QStringLiteral("там!");
    writeBank(path, other);
    const QByteArray theirs = fileBytes(path);
    h.window.editing()->setBody(1, QStringLiteral("ещё здесь"));
    h.saveAsPath = dir.filePath(QStringLiteral("моя.cvx"));
    h.choices = {choice};
    h.action("SaveBank")->trigger();
    QCOMPARE(h.asked.size(), 1);
    QVERIFY2(h.asked[0].contains(QStringLiteral("изменён другой программой")), qPrintable(h.asked[0]));
    QCOMPARE(fileBytes(path) == theirs, !overwritten);
    QCOMPARE(h.window.isWindowModified(), choice == 2);
    if (choice == 1)
        QCOMPARE(*loadBank(h.saveAsPath).problems[1].Name, QStringLiteral("ещё здесь"));
    if (overwritten) {
        // The bank is the editor's again: the next save asks nothing.
        h.window.editing()->setBody(2, QStringLiteral("и ещё"));
        QVERIFY(h.window.saveTo(path, jet::Version::Jet4));
        QCOMPARE(h.asked.size(), 1);
    }
}

void TestEditorWindow::exportAsksBeforeReplacingFiles() {
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    QTemporaryDir dir;
    const QString zadachi = dir.filePath(QStringLiteral("Zadachi.csv"));
    QVERIFY(writeBytes(zadachi, "a teacher's own table"));
    h.window.dialogs().chooseFolder = [&](QWidget *, const QString &) { return dir.path(); };

    // Cancelled: neither file is written.
    h.action("ExportCsv")->trigger();
    QCOMPARE(h.asked.size(), 1);
    QVERIFY2(h.asked[0].contains(QStringLiteral("уже есть Zadachi.csv")) &&
                 !h.asked[0].contains(QStringLiteral("Otvety")),
             qPrintable(h.asked[0]));
    QCOMPARE(fileBytes(zadachi), QByteArray("a teacher's own table"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Zadachi.csv"});

    // Replaced when the teacher says so; a fresh folder asks nothing.
    h.choices = {0};
    h.action("ExportCsvSpreadsheet")->trigger();
    QCOMPARE(h.asked.size(), 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"Otvety.csv", "Zadachi.csv"}));
    QVERIFY(fileBytes(zadachi).startsWith("\xEF\xBB\xBF"));
    QTemporaryDir fresh;
    h.window.dialogs().chooseFolder = [&](QWidget *, const QString &) { return fresh.path(); };
    h.action("ExportCsv")->trigger();
    QCOMPARE(h.asked.size(), 2);
    QCOMPARE(QDir(fresh.path()).entryList(QDir::Files), (QStringList{"Otvety.csv", "Zadachi.csv"}));
}

void TestEditorWindow::markingCorrectMovesNoOption() {
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.setCurrentProblem(0); // the key takes option 3 here
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    QStringList texts;
    for (int row = 0; row < 4; ++row)
        texts << h.editor()->optionEdit(row)->toPlainText();
    QVERIFY(h.editor()->correctButton(2)->isChecked());

    // The teacher clicks the first option's radio while typing in it.
    typeInto(h.editor()->optionEdit(0), QStringLiteral("!"));
    texts[0] = h.editor()->optionEdit(0)->toPlainText();
    QTest::mouseClick(h.editor()->correctButton(0), Qt::LeftButton);
    QVERIFY(h.editor()->correctButton(0)->isChecked());
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(h.editor()->optionEdit(row)->toPlainText(), texts[row]);
        QCOMPARE(h.editor()->correctButton(row)->isChecked(), row == 0);
    }
    // Beside each, where the student will see it: the correct one under the key's number.
    const QStringList shown{QStringLiteral("у ученика № 3"), QStringLiteral("у ученика № 1"),
                            QStringLiteral("у ученика № 2"), QStringLiteral("у ученика № 4")};
    for (int row = 0; row < 4; ++row)
        QCOMPARE(h.editor()->shownNumberLabel(row)->text(), shown[row]);
    QTRY_COMPARE(h.window.studentView()->optionGrid()->textMemo(2)->toPlainText(), texts[0]);
    // Ctrl+number marks the option in that row, and moves none either.
    h.action("MarkCorrect4")->trigger();
    QVERIFY(h.editor()->correctButton(3)->isChecked());
    QCOMPARE(h.editor()->optionEdit(3)->toPlainText(), texts[3]);
    QCOMPARE(h.window.document()->toBank().options[2].Otvet, texts[3]);
}

void TestEditorWindow::brokenBankIsSaidBeforeStartAndSave_data() {
    QTest::addColumn<int>("problems");
    QTest::addColumn<bool>("startAsks");
    QTest::addColumn<bool>("saveAsks");
    QTest::addColumn<QString>("said");
    QTest::newRow("one_problem") << 1 << true << true
                                 << "Уровень «3» (задачи 1–10): не работает: задач в банке только 1.";
    QTest::newRow("twelve") << 12 << true << false
                            << "Уровень «4» (задачи 1–15): не работает: задач в банке только 12.";
    QTest::newRow("sound") << 20 << false << false << QString();
}

void TestEditorWindow::brokenBankIsSaidBeforeStartAndSave() {
    QFETCH(int, problems);
    QFETCH(bool, startAsks);
    QFETCH(bool, saveAsks);
    QFETCH(QString, said);
    Harness h;
    QTemporaryDir dir;
    const QString program = standInProgram(dir);
    QVERIFY(!program.isEmpty());
    h.window.setProgramPath(program);
    h.window.document()->reset(BankDocument::fromBank(sampleBank(problems)));

    // F9: the program is not started unless the teacher says so.
    h.action("StartProgram")->trigger();
    QCOMPARE(h.asked.size(), int(startAsks));
    QCOMPARE(h.started.isEmpty(), startAsks);
    if (startAsks) {
        QVERIFY2(h.asked[0].contains(said), qPrintable(h.asked[0]));
        h.choices = {0};
        h.action("StartProgram")->trigger();
        QVERIFY(!h.started.isEmpty());
    }
    QVERIFY(h.errors.isEmpty());

    // Save: asked only when no level works at all.
    h.asked.clear();
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    QCOMPARE(h.window.saveTo(path, jet::Version::Jet4), !saveAsks);
    QCOMPARE(h.asked.size(), int(saveAsks));
    QCOMPARE(QFile::exists(path), !saveAsks);
    if (saveAsks) {
        QVERIFY2(h.asked[0].contains(said), qPrintable(h.asked[0]));
        h.choices = {0};
        QVERIFY(h.window.saveTo(path, jet::Version::Jet4));
        QCOMPARE(loadBank(path).problems.size(), problems);
    }
}

void TestEditorWindow::fieldsFitWithoutScrolling_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("answered");
    QTest::newRow("new_problem") << 4 << false;
    QTest::newRow("five_options") << 5 << true;
    QTest::newRow("six_unanswered") << 6 << false;
}

void TestEditorWindow::fieldsFitWithoutScrolling() {
    QFETCH(int, options);
    QFETCH(bool, answered);
    Harness h;
    h.window.resize(1280, 690); // as the window opens on a 1366 x 768 laptop screen
    h.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.window));
    h.action("InsertProblem")->trigger();
    for (int n = 4; n < options; ++n)
        h.action("AddOption")->trigger();
    if (answered)
        h.action("MarkCorrect1")->trigger();
    QVERIFY(!h.editor()->warningLabel()->isHidden());
    auto *scroll = qobject_cast<QScrollArea *>(h.editor()->parentWidget()->parentWidget());
    QVERIFY(scroll);
    // The fields, every option and the warning in view, with no scrolling either way.
    // Once the posted layout requests are done.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QVERIFY2(
        h.editor()->height() <= scroll->viewport()->height(),
        qPrintable(QStringLiteral("%1 > %2").arg(h.editor()->height()).arg(scroll->viewport()->height())));
    QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
    QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
    QVERIFY(h.editor()->conditionEdit()->height() >= h.editor()->conditionEdit()->minimumHeight());
}

void TestEditorWindow::listKeepsItsNumbersInView() {
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(40)));
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    // Long bodies make the list wider than its pane.
    h.window.editing()->setBody(39, QString(300, u'ж'));
    QTableView *list = h.window.problemList();
    list->setFocus();
    h.window.setCurrentProblem(0);
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(h.window.currentProblem(), 39);
    QCOMPARE(list->horizontalScrollBar()->value(), 0);
    QVERIFY(list->visualRect(list->model()->index(39, ProblemListModel::PositionColumn))
                .intersects(list->viewport()->rect()));
    QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(h.window.currentProblem(), 0);
    QCOMPARE(list->horizontalScrollBar()->value(), 0);
}

void TestEditorWindow::findingsSpeakTheTeachersWords_data() {
    QTest::addColumn<Mutation>("change");
    QTest::addColumn<QString>("said");
    QTest::newRow("empty_condition") << Mutation([](BankEditing *e) { e->setCondition(6, QString()); })
                                     << "Задача 7: условие пустое.";
    QTest::newRow("empty_option") << Mutation([](BankEditing *e) {
        e->setOptionText(6, 2, QStringLiteral(" "));
    }) << "Задача 7, вариант 3: пустой текст.";
    QTest::newRow("foreign_option")
        << Mutation([](BankEditing *e) { e->setOptionText(6, 0, QStringLiteral("x²")); })
        << "Задача 7, вариант 1: символы, которых нет в Windows-1251 (старая программа покажет их как «?»): "
           "«²» (U+00B2) («²» сохранится в банке Jet 4";
    QTest::newRow("foreign_body") << Mutation([](BankEditing *e) { e->setBody(6, QStringLiteral("√2")); })
                                  << "Задача 7: в тексте задачи символы, которых нет в Windows-1251";
    QTest::newRow("three_options") << Mutation([](BankEditing *e) { e->removeOption(6, 3); })
                                   << "Задача 7: вариантов ответа 3, а нужно четыре.";
    QTest::newRow("no_answer") << Mutation([](BankEditing *e) {
        e->removeOption(6, 0); // the correct one
        e->addOption(6);
        e->setOptionText(6, 3, QStringLiteral("новый"));
    }) << "Задача 7: верный ответ не отмечен.";
}

void TestEditorWindow::findingsSpeakTheTeachersWords() {
    QFETCH(Mutation, change);
    QFETCH(QString, said);
    Harness h;
    h.window.document()->reset(BankDocument::fromBank(sampleBank(20)));
    change(h.window.editing());
    h.window.checkPanel()->checkNow();
    const QString text = h.window.checkPanel()->findingsList()->item(0)->text();
    QVERIFY2(text.startsWith(said), qPrintable(text));
    for (const char *column : {"ID_P", "ID_O", "Otvet", "dopol", "Istina", "Uslovie", "Name"})
        QVERIFY2(!text.contains(QLatin1String(column)), qPrintable(text));
}

void TestEditorWindow::qtTextsAreRussian() {
    QTranslator *translator = installQtTranslations(qApp);
#ifdef Q_OS_WIN
    if (!translator)
        QSKIP("Qt's translations are brought beside the program by the Windows packages");
#endif
    QVERIFY2(translator, "qtbase_ru.qm: on Debian, the package qt6-translations-l10n");
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    QCOMPARE(buttons.button(QDialogButtonBox::Save)->text(), QStringLiteral("Сохранить"));
    // Qt's own file dialog, as the editor opens it where the system has none.
    QFileDialog dialog(nullptr, QStringLiteral("Открыть банк задач"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString labels = dialog.labelText(QFileDialog::FileName) + dialog.labelText(QFileDialog::FileType) +
                           dialog.labelText(QFileDialog::Reject);
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QVERIFY2(!labels.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))), qPrintable(labels));
}

void TestEditorWindow::dialogsOpenWhereTheTeacherWorks() {
    QTemporaryDir dir;
    for (const char *folder : {"банк", "вопросы", "таблицы", "выгрузка"})
        QVERIFY(QDir(dir.path()).mkdir(QString::fromUtf8(folder)));
    const QString bank = dir.filePath(QStringLiteral("банк/data.cvx"));
    writeBank(bank, sampleBank(20));
    const QString tables = dir.filePath(QStringLiteral("таблицы"));
    QVERIFY(writeBytes(tables + QStringLiteral("/задачи.csv"), "ID_P,Name,Uslovie\n"));

    Harness h;
    QStringList openedIn;
    QStringList answers;
    h.window.dialogs().openFile = [&](QWidget *parent, const QString &, const QString &) {
        openedIn << qobject_cast<EditorWindow *>(parent)->dialogFolder();
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    QString savedIn;
    h.window.dialogs().saveFile = [&](QWidget *, const QString &suggested, bool *) {
        savedIn = suggested;
        return QString();
    };
    QVERIFY(h.window.openFile(bank));
    // In the bank's folder.
    h.action("ImportAiken")->trigger();
    QCOMPARE(openedIn.value(0), dir.filePath(QStringLiteral("банк")));
    h.action("SaveBankAs")->trigger();
    QCOMPARE(savedIn, bank);
    // Then where the last one went; the options' table is asked for where the problems' was.
    answers = {tables + QStringLiteral("/задачи.csv"), QString()};
    h.action("ImportCsv")->trigger();
    QCOMPARE(openedIn.size(), 3);
    QCOMPARE(openedIn[2], tables);
    h.action("OpenBank")->trigger();
    QCOMPARE(openedIn.value(3), tables);
    QString chosenIn;
    h.window.dialogs().chooseFolder = [&](QWidget *parent, const QString &) {
        chosenIn = qobject_cast<EditorWindow *>(parent)->dialogFolder();
        return dir.filePath(QStringLiteral("выгрузка"));
    };
    h.action("ExportCsv")->trigger();
    QCOMPARE(chosenIn, tables);
    h.action("ImportAiken")->trigger();
    QCOMPARE(openedIn.value(4), dir.filePath(QStringLiteral("выгрузка")));
}

void TestEditorWindow::moveKeysReachTheEditorEverywhere_data() {
    QTest::addColumn<QString>("focus"); // where the keyboard is
    QTest::addColumn<int>("modifiers");
    const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
    const int altShift = int(Qt::AltModifier | Qt::ShiftModifier);
    for (const char *focus : {"list", "condition", "option"}) {
        QTest::addRow("%s_ctrl_shift", focus) << focus << ctrlShift;
        QTest::addRow("%s_alt_shift", focus) << focus << altShift;
    }
}

void TestEditorWindow::moveKeysReachTheEditorEverywhere() {
    QFETCH(QString, focus);
    QFETCH(int, modifiers);
    Harness h;
    BankDocument *doc = h.window.document();
    doc->reset(BankDocument::fromBank(sampleBank(20)));
    h.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&h.window));
    h.window.setCurrentProblem(4);
    QWidget *target = focus == QLatin1String("list")        ? static_cast<QWidget *>(h.window.problemList())
                      : focus == QLatin1String("condition") ? h.editor()->conditionEdit()
                                                            : h.editor()->optionEdit(1);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    const QString text = h.editor()->optionEdit(1)->toPlainText();
    QTest::keyClick(target, Qt::Key_Up, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(doc->problem(3).body, QStringLiteral("5 + 5"));
    QCOMPARE(h.window.currentProblem(), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::KeyboardModifiers(modifiers));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(doc->problem(5).body, QStringLiteral("5 + 5"));
    QCOMPARE(h.window.currentProblem(), 5);
    // The selection goes with the problem: Shift held in the list extends it by nothing.
    QCOMPARE(h.window.selectedProblems(), QList<int>{5});
    // Nothing typed or selected in the field on the way.
    QCOMPARE(doc->problem(5).options[1], text);
    QVERIFY(!h.editor()->conditionEdit()->textCursor().hasSelection());
}

QTEST_MAIN(TestEditorWindow)
#include "tst_editor_window.moc"
